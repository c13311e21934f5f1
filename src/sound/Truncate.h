#pragma once

#include "core/Protocol.h"

#include <QString>
#include <QtGlobal>

namespace vq250
{

struct ProgramState;
struct Platform;

// The four lines of the truncation question, joined by carriage returns.
QString truncatePrompt();

// TruncateFor8Btn: asks, and on OK cuts SoundLen to SoundBG8Max. Only the
// length changes; the samples stay in SoundBuf.
void TruncateForBG8(ProgramState &state, Platform &platform);

} // namespace vq250
