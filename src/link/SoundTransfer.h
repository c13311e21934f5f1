#pragma once

#include "core/Protocol.h"
#include "link/BlockExchange.h"

#include <QString>
#include <QtGlobal>

namespace vq250
{

struct ProgramState;
struct Platform;

// How a transfer ended.
struct TransferResult {
    enum class Kind {
        Written, // the device confirmed the whole sound
        Rejected, // the device answered with one of its error codes
        Failed, // no answer in time (PCcommEr) or one that fits nothing (UnknownEr)
    };
    Kind kind = Kind::Written;
    quint8 code = 0; // Rejected and Failed: ErrCode as the transfer left it

    // The result for the code a transfer left in ErrCode.
    static TransferResult fromCode(quint8 code);
};

// "Writing Sound to Flash BG# " with station and slot in upper-case hex.
QString flashProgressText(quint8 Station, quint8 BGnum);

// Percent added to the bar per data block for a sound of `length` samples:
// 100 for a single block, else 8192 / (length + 16) * 100 rounded to even.
qint32 progressStep(qint32 length);

// Bytes the PC puts on the line to write a sound of `length` samples: the
// header block and every data block, each with its command, LenM and
// checksum. The line needs at least this many 1/5760 s.
qint64 transferWireBytes(qint32 length);

// Writes the sound in state.SoundBuf (header at 0 to 15, samples from 16)
// into BG slot BGnum of station Station (10 to 15): the header block, then
// data blocks from the top of the sound down to index 0, each on the
// device's request, then its completion byte. ErrCode stays 0 when the
// device has confirmed the whole sound, else it holds the first failure.
// The progress window is hidden and the main window repainted on every way
// out. A failure drops what is still queued for the line; the next call,
// if it comes before the device can have dropped the abandoned block, first
// waits for that with the progress window up.
TransferResult WriteSoundToFlash(
    ProgramState &state, Platform &platform, quint8 Station, quint8 BGnum);

} // namespace vq250
