// bench-open [N]: times the open command on the largest sound it reads
// (a data chunk of 262128 bytes), N opens (default 200) through fakes.

#include "core/ProgramState.h"
#include "core/Protocol.h"
#include "platform/Platform.h"
#include "sim/VirtualEventLoop.h"
#include "support/Fakes.h"
#include "support/WavBuilder.h"
#include "sound/OpenCommand.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>

using namespace vq250;
using namespace vq250::fakes;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 200;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Largest.wav"));
    constexpr int Samples = 262128;
    if (!dir.isValid() || !writeFile(path, WavBuilder::pcm8(sampleBytes(Samples)))) {
        std::fprintf(stderr, "bench-open: cannot write %s\n", qPrintable(path));
        return 1;
    }

    auto state = std::make_unique<ProgramState>();
    FakeSerialPort port;
    FakeMessageBox box;
    FakeFileDialog dialog;
    VirtualEventLoop events;
    const auto replyTimer = events.createTimer();
    FakeProgressView progress;
    FakeMainView window;
    Platform platform { port, box, dialog, events, *replyTimer, progress, window };
    dialog.nextPath = path;

    // Bytes the open reads: the header, then the size field and the samples.
    constexpr double BytesPerOpen = 84 + 4 + Samples;
    qint64 fastestNs = std::numeric_limits<qint64>::max();
    qint64 totalNs = 0;
    for (int i = 0; i < runs + 3; ++i) {
        box.shown.clear();
        progress.values.clear();
        progress.events.clear();
        state->FileOpened = FlagFalse;
        QElapsedTimer clock;
        clock.start();
        OpenSound(*state, platform);
        const qint64 ns = clock.nsecsElapsed();
        if (state->FileOpened != FlagTrue || state->SoundLen != SoundKeepMax) {
            std::fprintf(stderr, "bench-open: the open failed\n");
            return 1;
        }
        if (i < 3)
            continue; // warm-up: page cache, allocations
        totalNs += ns;
        fastestNs = std::min(fastestNs, ns);
    }

    const double meanMs = double(totalNs) / runs / 1e6;
    const double fastestMs = double(fastestNs) / 1e6;
    std::printf("bench-open: %d opens of a %d-byte file\n", runs, 44 + Samples);
    std::printf("  mean    %.3f ms per open, %.1f MB/s\n", meanMs, BytesPerOpen / meanMs / 1e3);
    std::printf(
        "  fastest %.3f ms per open, %.1f MB/s\n", fastestMs, BytesPerOpen / fastestMs / 1e3);
    std::printf("  goal    < 20 ms per open: %s\n", meanMs < 20 ? "met" : "NOT met");
    return meanMs < 20 ? 0 : 1;
}
