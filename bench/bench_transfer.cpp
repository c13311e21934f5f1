// bench-transfer: the longest sound (131056 samples) through the emulated
// VQ250 at real 57600 baud timing, with no flash write time, to see how
// close the transfer comes to the line's own speed and what it costs in CPU.
//
//   bench-transfer [--trace FILE]

#include "core/ProgramState.h"
#include "core/Protocol.h"
#include "core/Startup.h"
#include "link/SoundTransfer.h"
#include "platform/Platform.h"
#include "platform/QtEventLoop.h"
#include "sim/EmulatedPort.h"
#include "sim/HeadlessViews.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>
#include <ctime>
#include <memory>

using namespace vq250;

namespace
{

constexpr qint32 SoundLength = SoundKeepMax;
constexpr double BytesPerSecond = 5760.0;

void putSound(ProgramState &state)
{
    const char name[] = "BENCH";
    state.SoundBuf[0] = 87;
    state.SoundBuf[1] = 18;
    for (int i = 0; i < 10; ++i)
        state.SoundBuf[2 + i] = i < 5 ? quint8(name[i]) : NamePadByte;
    state.SoundBuf[12] = quint8(SoundLength);
    state.SoundBuf[13] = quint8(SoundLength >> 8);
    state.SoundBuf[14] = quint8(SoundLength >> 16);
    state.SoundBuf[15] = 1;
    quint32 x = 2463534242u;
    for (qint32 i = 0; i < SoundLength; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        state.SoundBuf[16 + i] = quint8(x);
    }
}

double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

struct Measured {
    bool ok = false;
    qint64 toDevice = 0;
    qint64 fromDevice = 0;
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

// One transfer of the bench sound to A1, the device answering each byte
// after `replyDelayNs`, as through a USB adapter's latency.
Measured transfer(qint64 replyDelayNs, const QString &tracePath)
{
    QtEventLoop events;
    EmulatorOptions options;
    options.recordTrace = !tracePath.isEmpty();
    options.replyDelayNs = replyDelayNs;
    EmulatedPort port(events, options);
    auto replyTimer = events.createTimer();
    auto state = std::make_unique<ProgramState>();
    Measured measured;
    if (!runLoadStep(*state, port, *replyTimer)) {
        std::fprintf(stderr, "bench-transfer: %s\n", qPrintable(port.errorText()));
        return measured;
    }
    HeadlessMessageBox box;
    HeadlessFileDialog dialog;
    HeadlessProgressView progress;
    HeadlessMainView window;
    Platform platform { port, box, dialog, events, *replyTimer, progress, window };
    putSound(*state);

    QElapsedTimer wall;
    const double cpuStart = cpuSeconds();
    wall.start();
    WriteSoundToFlash(*state, platform, 10, 1);
    measured.wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    measured.cpuSeconds = cpuSeconds() - cpuStart;

    if (state->ErrCode != 0) {
        std::printf("transfer failed, ErrCode %d\n", state->ErrCode);
        return measured;
    }
    const StoredSlot *slot = port.device().slot(10, 1);
    const QByteArray sent(reinterpret_cast<const char *>(state->SoundBuf.data()) + 16, SoundLength);
    if (!slot || !slot->complete || slot->sound() != sent) {
        std::printf("transfer ended but the stored sound differs from the one sent\n");
        return measured;
    }
    if (!tracePath.isEmpty() && !port.trace().writeTo(tracePath)) {
        std::fprintf(stderr, "bench-transfer: cannot write %s\n", qPrintable(tracePath));
        return measured;
    }
    measured.ok = true;
    measured.toDevice = port.bytesToDevice();
    measured.fromDevice = port.bytesFromDevice();
    return measured;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int traceAt = int(args.indexOf(QStringLiteral("--trace")));
    const QString tracePath = traceAt > 0 ? args.value(traceAt + 1) : QString();

    std::printf("bench-transfer: %d-byte sound to A1 at 57600 baud, no flash time\n", SoundLength);
    const Measured m = transfer(0, tracePath);
    if (!m.ok)
        return 1;
    const qint64 lineBytes = m.toDevice + m.fromDevice;
    const double minimum = double(lineBytes) / BytesPerSecond;
    const double ratio = minimum / m.wallSeconds;
    const double cpuPercent = 100.0 * m.cpuSeconds / m.wallSeconds;
    std::printf("bytes on the line:   %lld (%lld to the VQ250, %lld back)\n",
        static_cast<long long>(lineBytes), static_cast<long long>(m.toDevice),
        static_cast<long long>(m.fromDevice));
    std::printf("line-rate minimum:   %.3f s (bytes / 5760)\n", minimum);
    std::printf("measured:            %.3f s\n", m.wallSeconds);
    std::printf(
        "ratio:               %.4f (goal >= 0.97) %s\n", ratio, ratio >= 0.97 ? "met" : "MISSED");
    std::printf("CPU:                 %.3f s = %.2f%% of wall (goal < 5%%) %s\n", m.cpuSeconds,
        cpuPercent, cpuPercent < 5.0 ? "met" : "MISSED");
    if (!tracePath.isEmpty())
        std::printf("wire trace:          %s\n", qPrintable(tracePath));
    // A USB adapter delays every answer; the echoes make the transfer wait for each.
    for (const qint64 delayMs : { 1, 16 }) {
        const Measured late = transfer(delayMs * 1000000, QString());
        if (!late.ok)
            return 1;
        std::printf("reply delay %2lld ms:   measured %.3f s, ratio %.4f\n",
            static_cast<long long>(delayMs), late.wallSeconds, minimum / late.wallSeconds);
    }
    return 0;
}
