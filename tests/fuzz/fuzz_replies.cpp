// The fuzzer's bytes set up the emulated VQ250 for one whole sound transfer
// in virtual time. Input: a length (one byte: 4 x its value; or, with the top
// bit set, two bytes: 15 bits), a timing byte (reply and flash delays
// straddling the 8 s time-out, request joined to the echo, the driver's
// queue), then four bytes per fault: kind (DeviceFault's eight in order), block,
// byte (255 the checksum), value.

#include "FuzzCheck.h"

#include "link/SoundTransfer.h"
#include "sim/GuardedEventLoop.h"
#include "support/Rig.h"

#include <algorithm>
#include <cstdint>

using namespace vq250;

namespace
{

constexpr qint64 TimeoutNs = qint64(ReplyTimeoutMs) * 1000000;
constexpr qint64 DelaysNs[4] = { 0, 300000, TimeoutNs - 1000000, TimeoutNs + 1000000 };
constexpr int QueueBytes[4] = { 4096, 8448, 16, 300 };

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    size_t at = 0;
    auto take = [&](quint8 fallback = 0) { return at < size ? data[at++] : fallback; };
    const quint8 first = take();
    const int length = first & 0x80 ? std::min((first & 0x7F) << 8 | take(), 20000) : first * 4;
    const quint8 timing = take();

    EmulatorOptions options;
    options.replyDelayNs = DelaysNs[timing & 3];
    options.flashWriteNs = DelaysNs[timing >> 2 & 3];
    options.requestWithEcho = timing & 0x10;
    options.txQueueBytes = QueueBytes[timing >> 5 & 3];
    const int blocks = 1 + (length + 16 + 8188) / 8189;
    while (at + 4 <= size) {
        const quint8 kind = take() % 8, block = take() % blocks, byte = take(), value = take();
        const int place = byte == 255 ? DeviceFault::Checksum : byte;
        options.faults.push_back({ DeviceFault::Kind(kind), block, place, value });
    }
    // Just under the time-out is in time only when nothing waits in the queue.
    const bool faultless = options.faults.empty() && (timing & 3) < 2 && (timing >> 2 & 3) < 2;

    test::Rig rig(options);
    FUZZ_CHECK(rig.started, "the emulated port did not open");
    ProgramState &state = *rig.state;
    // A transfer that keeps going far beyond what its bytes need has hung.
    long rounds = 0;
    GuardedEventLoop guard(rig.events,
        [&] { FUZZ_CHECK(++rounds <= 64L * (length + 64) + 10000, "transfer does not end"); });
    Platform platform { *rig.port, rig.box, rig.dialog, guard, *rig.timer, rig.progress,
        rig.window };
    const QByteArray samples(length, char(0x5A));
    const QByteArray image = expectedHeader(length, {}) + samples;
    std::copy(image.begin(), image.end(), state.SoundBuf.begin());

    WriteSoundToFlash(state, platform, 10, 1);

    const ExpectedWire wire = expectedWire(samples, QStringLiteral("A1"));
    const ExpectedWire sent = sentByPc(rig.port->trace());
    FUZZ_CHECK(wire.toDevice.startsWith(sent.toDevice), "PC sent other bytes than the oracle's");
    FUZZ_CHECK(wire.dtr.mid(0, sent.dtr.size()) == sent.dtr, "DTR not only on the command bytes");
    const StoredSlot *slot = rig.port->device().slot(10, 1);
    FUZZ_CHECK(state.ErrCode != 0
            || (sent.toDevice == wire.toDevice && slot && slot->complete && slot->image == image),
        "success before every byte went out, or the device did not store the sound");
    FUZZ_CHECK(!faultless || state.ErrCode == 0, "a device that did everything right failed");
    FUZZ_CHECK(!rig.progress.visible, "progress window left up");
    FUZZ_CHECK(!rig.timer->isActive() && state.TimedOut == FlagFalse, "reply timer left armed");
    return 0;
}
