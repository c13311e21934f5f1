#pragma once

#include <QString>
#include <QtGlobal>

namespace vq250
{

struct ProgramState;
struct Platform;

// The longest sound BG slot 8 takes: with the 16 header bytes, 65535.
constexpr qint32 SoundBG8Max = 65519;

// The four lines of the truncation question, joined by carriage returns.
QString truncatePrompt();

// TruncateFor8Btn: asks, and on OK cuts SoundLen to SoundBG8Max. Only the
// length changes; the samples stay in SoundBuf.
void TruncateForBG8(ProgramState &state, Platform &platform);

} // namespace vq250
