// Writes the seed corpora of the fuzz targets: the kinds of sound files the
// sound tests build, and set-ups of the emulated device for the faults the
// link tests play. Run by hand; its output in corpus/ is committed.
//
//   vq250-fuzz-corpus tests/fuzz/corpus

#include "support/WavBuilder.h"

#include <QByteArray>
#include <QDir>
#include <QString>

#include <cstdio>
#include <initializer_list>

using namespace vq250::fakes;

namespace
{

bool put(const QDir &dir, const QString &name, const QByteArray &bytes)
{
    if (!writeFile(dir.filePath(name), bytes)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(dir.filePath(name)));
        return false;
    }
    return true;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

bool soundFiles(const QDir &dir)
{
    FmtFields stereo;
    stereo.channels = 2;
    stereo.blockAlign = 2;
    stereo.byteRate = 16000;
    FmtFields floating;
    floating.formatTag = 3;
    FmtFields sixteen;
    sixteen.blockAlign = 2;
    sixteen.bitsPerSample = 16;
    sixteen.byteRate = 16000;
    FmtFields rate11k;
    rate11k.sampleRate = 11025;
    rate11k.byteRate = 11025;
    FmtFields byteRate;
    byteRate.byteRate = 8001;
    const QByteArray fmt = FmtFields().body();

    bool ok = true;
    ok &= put(dir, "common-44", WavBuilder::pcm8(sampleBytes(100)));
    ok &= put(dir, "empty-data", WavBuilder::pcm8({}));
    ok &= put(dir, "fmt-18", WavBuilder().fmt({}, bytes({ 0, 0 })).data(sampleBytes(40)).build());
    ok &= put(
        dir, "fact", WavBuilder().fmt().chunk("fact", le32(40)).data(sampleBytes(40)).build());
    ok &= put(
        dir, "list-240", WavBuilder().fmt().chunk("LIST", "INFOabcd").data(sampleBytes(8)).build());
    ok &= put(dir, "rifx-240", WavBuilder().riffTag("RIFX").fmt().data(sampleBytes(8)).build());
    ok &= put(
        dir, "riff-lower-240", WavBuilder().riffTag("riff").fmt().data(sampleBytes(8)).build());
    ok &= put(dir, "avi-241", WavBuilder().formType("AVI ").fmt().data(sampleBytes(8)).build());
    ok &= put(dir, "stereo-242", WavBuilder().fmt(stereo).data(sampleBytes(8)).build());
    ok &= put(dir, "float-242", WavBuilder().fmt(floating).data(sampleBytes(8)).build());
    ok &= put(dir, "16bit-243", WavBuilder().fmt(sixteen).data(sampleBytes(8)).build());
    ok &= put(dir, "11025-243", WavBuilder().fmt(rate11k).data(sampleBytes(8)).build());
    ok &= put(dir, "byterate-243", WavBuilder().fmt(byteRate).data(sampleBytes(8)).build());
    ok &= put(
        dir, "fmt-14-243", WavBuilder().chunk("fmt ", fmt.left(14)).data(sampleBytes(8)).build());
    ok &= put(dir, "data-beyond-file",
        WavBuilder().fmt().chunk("data", 300000, sampleBytes(200)).build());
    ok &= put(dir, "fmt-40-next-at-60",
        WavBuilder().chunk("fmt ", fmt + QByteArray(24, '\0')).data(sampleBytes(8)).build());
    ok &= put(dir, "fmt-45-next-at-65",
        WavBuilder().chunk("fmt ", fmt + QByteArray(29, '\0')).data(sampleBytes(8)).build());
    ok &= put(dir, "size-overflow",
        WavBuilder().fmt().chunk("data", 0x80000000u, sampleBytes(8)).build());
    ok &= put(dir, "odd-pad-240",
        WavBuilder().chunk("fact", "abc").raw(bytes({ 0 })).fmt().data(sampleBytes(8)).build());
    ok &= put(dir, "data-before-fmt", WavBuilder().chunk("data", "ab").fmt().build());
    ok &= put(dir, "fmt-twice", WavBuilder().fmt(stereo).fmt().data(sampleBytes(8)).build());
    ok &= put(
        dir, "fmt-at-48", WavBuilder().chunk("fact", QByteArray(28, 'f')).fmt().data({}).build());
    ok &= put(dir, "header-only", QByteArray("RIFF\0\0\0\0WAVE", 12));
    ok &= put(dir, "one-byte", QByteArray("R"));
    ok &= put(dir, "empty", QByteArray());
    return ok;
}

// Device set-ups (see fuzz_replies.cpp): a length, a timing byte, then four
// bytes per fault: kind (0 dropped echo, 1 corrupted to the device,
// 2 corrupted echo, 3 silent, 4 error pair, 5 stray byte, 6 answer replaced,
// 7 answer left out), block, byte (255 the checksum), value.
QByteArray length(int samples)
{
    return bytes({ 0x80 | samples >> 8, samples & 0xFF });
}

bool deviceSetUps(const QDir &dir)
{
    const QByteArray s100 = bytes({ 25 });
    bool ok = true;
    ok &= put(dir, "empty-sound", bytes({ 0, 0 }));
    ok &= put(dir, "short-sound", s100 + bytes({ 0 }));
    ok &= put(dir, "one-full-block", length(8173) + bytes({ 0 }));
    ok &= put(dir, "two-blocks-joined", length(8174) + bytes({ 0x10 }));
    ok &= put(dir, "three-blocks-flash", length(16383) + bytes({ 0x04 }));
    ok &= put(dir, "echo-just-in-time", s100 + bytes({ 0x02 }));
    ok &= put(dir, "echo-too-late", s100 + bytes({ 0x03 }));
    ok &= put(dir, "request-too-late", s100 + bytes({ 0x0C }));
    ok &= put(dir, "small-queue", length(4096) + bytes({ 0x40 }));
    ok &= put(dir, "dropped-checksum-echo", s100 + bytes({ 0, 0, 1, 255, 0 }));
    ok &= put(dir, "corrupt-data", s100 + bytes({ 0, 1, 1, 40, 0x01 }));
    ok &= put(dir, "corrupt-address", s100 + bytes({ 0, 1, 1, 4, 0x80 }));
    ok &= put(dir, "wrong-lenm-echo", s100 + bytes({ 0, 2, 0, 2, 0x40 }));
    ok &= put(dir, "silent-at-command", s100 + bytes({ 0, 3, 1, 0, 0 }));
    ok &= put(dir, "busy-pair", s100 + bytes({ 0, 4, 0, 0, 0xFF }));
    ok &= put(dir, "zero-code-in-pair", s100 + bytes({ 0, 4, 1, 10, 0 }));
    ok &= put(dir, "stray-during-data", length(4096) + bytes({ 0, 5, 1, 100, 0x44 }));
    ok &= put(dir, "early-done", s100 + bytes({ 0x04, 6, 0, 0, 0x73 }));
    ok &= put(dir, "zero-as-answer", s100 + bytes({ 0x10, 6, 0, 0, 0 }));
    ok &= put(dir, "no-completion", s100 + bytes({ 0, 7, 1, 0, 0 }));
    ok &= put(dir, "two-faults", s100 + bytes({ 0x05, 2, 0, 1, 0x40, 5, 1, 255, 0x44 }));
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const QString sounds = QStringLiteral("fuzz_soundfile");
    const QString replies = QStringLiteral("fuzz_replies");
    if (!root.mkpath(sounds) || !root.mkpath(replies)) {
        std::fprintf(stderr, "cannot make the corpus folders under %s\n", argv[1]);
        return 1;
    }
    const bool ok
        = soundFiles(QDir(root.filePath(sounds))) && deviceSetUps(QDir(root.filePath(replies)));
    return ok ? 0 : 1;
}
