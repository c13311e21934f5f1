#include "link/SoundTransfer.h"

#include "core/PortCounts.h"
#include "core/ProgramState.h"
#include "core/ProgressStep.h"
#include "core/Protocol.h"
#include "errors/ErrorTable.h"
#include "link/ReplyWait.h"
#include "platform/EventLoop.h"
#include "platform/MainView.h"
#include "platform/Platform.h"
#include "platform/ProgressView.h"
#include "platform/SerialPort.h"

#include <array>

namespace vq250
{
namespace
{

// The sound length in header bytes 12 to 14, least significant first.
qint32 headerLength(const ProgramState &state)
{
    return qint32(state.SoundBuf[12]) | qint32(state.SoundBuf[13]) << 8
        | qint32(state.SoundBuf[14]) << 16;
}

// Copies the length bytes into LongBytes and reads them back. Three bytes
// can never reach 2^31, so this read has no overflow case and needs nothing
// from the sound intake.
qint32 lengthThroughLongBytes(ProgramState &state)
{
    for (int i = 0; i < 3; ++i)
        state.LongBytes[i] = state.SoundBuf[12 + i];
    return qint32(state.LongBytes[0]) | qint32(state.LongBytes[1]) << 8
        | qint32(state.LongBytes[2]) << 16;
}

// Waits for the device's next single byte unless it already came behind the
// echo of the last checksum. False with ErrCode set when it is another byte
// or none arrives. A byte other than the awaited one that came behind the
// echo may be noise, so the wait still gives the device its chance; but if
// nothing more comes, that byte was the device's answer, and its code says
// more than the time-out would.
bool deviceAnswered(ProgramState &state, Platform &platform, quint8 expected)
{
    std::optional<quint8> behindEcho;
    if (state.RxCount > 1) {
        behindEcho = lastCountedByte(state);
        if (behindEcho == expected)
            return true;
    }
    if (!timedWait(state, platform, WaitFor::ReplyByte)) {
        if (behindEcho)
            state.ErrCode = deviceErrorCode(*behindEcho);
        return false;
    }
    sampleAndRead(state, platform.port);
    const std::optional<quint8> answer = lastCountedByte(state);
    if (answer == expected)
        return true;
    state.ErrCode = answer ? deviceErrorCode(*answer) : quint8(UnknownEr);
    return false;
}

// Beyond the device's own drop time: the few bytes a UART's FIFO may still
// send after its queue is dropped, and the device's clock.
constexpr int DropMarginMs = 20;

// A failed transfer may leave the device inside a block, which it drops only
// after AbandonedBlockDropMs of silence. A load that comes sooner waits for
// the rest of that time, then drops what the device sent meanwhile.
void awaitAbandonedBlockDropped(ProgramState &state, Platform &platform)
{
    if (!state.AbandonedAtUs)
        return;
    const qint64 readyUs
        = *state.AbandonedAtUs + qint64(AbandonedBlockDropMs + DropMarginMs) * 1000;
    state.AbandonedAtUs.reset();
    while (platform.events.nowUs() < readyUs) {
        platform.events.wakeAt(readyUs);
        platform.events.waitForEvents();
    }
    state.RxCount = discardStaleInput(platform.port);
}

// Whatever of the failed block still waits to go out would only keep the
// device inside it: the line falls silent at once.
void abandonLine(ProgramState &state, Platform &platform)
{
    platform.port.discardOutput();
    state.AbandonedAtUs = platform.events.nowUs();
}

void sendSound(ProgramState &state, Platform &platform, quint8 Station, quint8 BGnum)
{
    std::array<quint8, 18> Hdr {};
    for (int i = 0; i < 16; ++i)
        Hdr[i] = state.SoundBuf[i];
    Hdr[16] = BGnum;
    Hdr[17] = Station;

    // A length whose samples would lie beyond the buffer cannot be sent;
    // refuse it before the device is told anything.
    if (headerLength(state) + 16 > SoundBufSize) {
        state.ErrCode = UnknownEr;
        return;
    }

    XmitBlock(state, platform, HeaderBlockCmd, Hdr.data(), qint32(Hdr.size()), 0, false, 0);
    if (state.ErrCode != 0)
        return;

    const qint32 L = lengthThroughLongBytes(state);
    qint32 Addr = L + 15;
    const qint32 Step = progressStep(L);
    qint16 Pct = 0;
    quint8 BlkCmd = FirstDataBlockCmd;
    while (Addr >= 0) {
        if (!deviceAnswered(state, platform, BlkCmd))
            return;
        const qint32 BlkLen = qMin(Addr + 4, DeviceBufferBytes);
        XmitBlock(
            state, platform, BlkCmd, state.SoundBuf.data(), BlkLen, Addr + 4 - BlkLen, true, Addr);
        if (state.ErrCode != 0)
            return;
        Pct = qint16(qMin(Pct + Step, 100));
        platform.progress.setValue(float(Pct));
        ++BlkCmd;
        Addr = Addr + 3 - BlkLen;
    }
    deviceAnswered(state, platform, TransferDoneByte);
}

} // namespace

QString flashProgressText(quint8 Station, quint8 BGnum)
{
    return QStringLiteral("Writing Sound to Flash BG# ") + QString::number(Station, 16).toUpper()
        + QString::number(BGnum, 16).toUpper();
}

qint32 progressStep(qint32 length)
{
    // The transfer covers the header again: length + 16 bytes in all.
    return progressStepFor(length + 16);
}

qint64 transferWireBytes(qint32 length)
{
    constexpr qint64 Framing = 4; // command, two LenM bytes, checksum
    qint64 bytes = Framing + 18; // the header block: header, BG number, station
    // The data blocks as sendSound cuts them: three address bytes each.
    for (qint32 addr = length + 15; addr >= 0;) {
        const qint32 blockLen = qMin(addr + 4, DeviceBufferBytes);
        bytes += Framing + blockLen;
        addr = addr + 3 - blockLen;
    }
    return bytes;
}

TransferResult TransferResult::fromCode(quint8 code)
{
    if (code == 0)
        return { Kind::Written, 0 };
    return { code == PCcommEr || code == UnknownEr ? Kind::Failed : Kind::Rejected, code };
}

TransferResult WriteSoundToFlash(
    ProgramState &state, Platform &platform, quint8 Station, quint8 BGnum)
{
    ProgressView &progress = platform.progress;
    progress.setMessage(flashProgressText(Station, BGnum));
    progress.setValue(0);
    progress.setVisible(true);
    progress.refresh();

    awaitAbandonedBlockDropped(state, platform);
    sendSound(state, platform, Station, BGnum);
    if (state.ErrCode != 0)
        abandonLine(state, platform);

    progress.setVisible(false);
    platform.window.repaint();
    return TransferResult::fromCode(state.ErrCode);
}

} // namespace vq250
