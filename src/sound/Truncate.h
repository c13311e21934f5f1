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

// How the truncate command ended.
struct TruncateResult {
    enum class Kind {
        Cut, // SoundLen is now SoundBG8Max
        AlreadyShort, // OK, but the sound already fits; nothing changed
        Cancelled, // the operator said Cancel; nothing changed
    };
    Kind kind = Kind::Cancelled;
    qint32 soundLen = 0; // SoundLen afterwards
};

// TruncateFor8Btn: asks, and on OK cuts SoundLen to SoundBG8Max. Only the
// length changes; the samples stay in SoundBuf.
TruncateResult TruncateForBG8(ProgramState &state, Platform &platform);

} // namespace vq250
