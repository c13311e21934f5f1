// bench-library: a library of sounds through vq250-load --library and the
// emulated VQ250 at real 57600 baud timing, with no flash write time: how
// close the whole run comes to the sum of its sounds' line-rate minimums,
// and the same with a USB adapter's latency modelled as the device's reply
// delay (1 ms and 16 ms per answer).
//
//   bench-library

#include "support/WavBuilder.h"
#include "vq250-load/LoadProgram.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

using namespace vq250;

namespace
{

// Sound lengths of the library: one to eight data blocks.
constexpr qint32 SoundLengths[] = { 4000, 8000, 12000, 20000, 65519 };

struct Measured {
    int status = -1;
    double seconds = 0;
    double minimum = 0;
};

Measured runLibrary(const QString &library, qint64 replyDelayNs)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    loadcli::LoadProgram program(outStream, errStream);
    EmulatorOptions options;
    options.flashWriteNs = 0;
    options.replyDelayNs = replyDelayNs;
    options.recordTrace = false;
    program.setEmulatorOptions(options);
    QElapsedTimer wall;
    wall.start();
    Measured measured;
    measured.status = program.run({ "vq250-load", "--emulate", "--library", library });
    measured.seconds = double(wall.nsecsElapsed()) / 1e9;
    if (const EmulatedPort *port = program.emulator())
        measured.minimum
            = double(port->bytesToDevice() + port->bytesFromDevice()) / 5760.0; // bytes / line rate
    errStream.flush();
    if (measured.status != 0)
        std::fprintf(stderr, "%s", qPrintable(err));
    return measured;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QByteArray table = "destination,file\n";
    int bg = 1;
    for (const qint32 length : SoundLengths) {
        const QString name = QStringLiteral("s%1.wav").arg(length);
        if (!fakes::writeFile(dir.filePath(name), fakes::WavBuilder::pcm8(fakes::noise(length, 1))))
            return 2;
        table += "A" + QByteArray::number(bg++) + "," + name.toUtf8() + "\n";
    }
    const QString library = dir.filePath("library.csv");
    if (!fakes::writeFile(library, table))
        return 2;

    std::printf("bench-library: %d sounds through vq250-load --library at 57600 baud, "
                "no flash time\n",
        int(std::size(SoundLengths)));
    bool met = true;
    for (const qint64 delayMs : { 0, 1, 16 }) {
        const Measured m = runLibrary(library, delayMs * 1000000);
        if (m.status != 0) {
            std::printf("reply delay %2lld ms: the library did not load (exit %d)\n",
                static_cast<long long>(delayMs), m.status);
            return 1;
        }
        const double ratio = m.minimum / m.seconds;
        std::printf("reply delay %2lld ms: line-rate minimum %.3f s, measured %.3f s, ratio %.4f",
            static_cast<long long>(delayMs), m.minimum, m.seconds, ratio);
        if (delayMs == 0) {
            std::printf(" (goal >= 0.99) %s", ratio >= 0.99 ? "met" : "MISSED");
            met = ratio >= 0.99;
        }
        std::printf("\n");
    }
    return met ? 0 : 1;
}
