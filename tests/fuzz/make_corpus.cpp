// Writes the seed corpora of the fuzz targets: the kinds of sound files the
// sound tests build, and reply scripts for the kinds of device behaviour the
// link tests play. Run by hand; its output in corpus/ is committed.
//
//   vq250-fuzz-corpus tests/fuzz/corpus

#include "fakes/WavBuilder.h"

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

// Reply scripts: the sound length (one byte under 0x80: a quarter of it;
// else 0x80 with the high 6 bits, then the low 8), then one action per
// awaited byte (see fuzz_replies.cpp); when they run out the device does
// everything right.
QByteArray length(int samples)
{
    return bytes({ 0x80 | samples >> 8, samples & 0xFF });
}
QByteArray shortLength(int samples)
{
    return bytes({ samples / 4 });
}
bool replyScripts(const QDir &dir)
{
    bool ok = true;
    ok &= put(dir, "empty-sound", QByteArray());
    ok &= put(dir, "short-sound", shortLength(100));
    ok &= put(dir, "one-full-block", length(8173));
    ok &= put(dir, "two-blocks", length(8174));
    ok &= put(dir, "three-blocks", length(16383));
    ok &= put(dir, "silent-at-command", shortLength(100) + bytes({ 6 }));
    ok &= put(dir, "wrong-lenm-echo", shortLength(100) + bytes({ 0, 4, 0x55 }));
    ok &= put(dir, "checksum-error-pair", shortLength(100) + bytes({ 0, 0, 0, 5, 0x12, 0x03 }));
    ok &= put(dir, "busy-between-blocks", shortLength(100) + bytes({ 0, 0, 0, 0, 5, 0xFE, 0xFF }));
    ok &= put(dir, "early-done", shortLength(100) + bytes({ 0, 0, 0, 0, 4, 0x73 }));
    ok &= put(dir, "zero-as-code", shortLength(100) + bytes({ 0, 0, 0, 0, 4, 0x00 }));
    ok &= put(dir, "zero-code-in-pair", shortLength(100) + bytes({ 0, 5, 0x11, 0x00 }));
    ok &= put(dir, "request-apart", shortLength(100) + bytes({ 0, 0, 0, 0, 0x08 }));
    ok &= put(dir, "echo-just-in-time", shortLength(100) + bytes({ 0x10 }));
    ok &= put(dir, "echo-too-late", shortLength(100) + bytes({ 0x18 }));
    ok &= put(dir, "request-too-late", shortLength(100) + bytes({ 0, 0, 0, 0, 0x18 }));
    ok &= put(dir, "junk-behind-echo", shortLength(100) + bytes({ 3, 2, 0x41, 0x42, 0x43 }));
    ok &= put(
        dir, "junk-before-request", shortLength(100) + bytes({ 0, 0, 0, 0, 3, 1, 0x41, 0x42 }));
    ok &= put(
        dir, "junk-after-done", shortLength(12) + bytes({ 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0x44 }));
    ok &= put(dir, "stray-during-data", length(4096) + bytes({ 0, 0, 7, 0, 0x44, 0 }));
    ok &= put(dir, "send-buffer-stuck", shortLength(100) + bytes({ 0xE0 }));
    ok &= put(dir, "send-buffer-slow", shortLength(100) + bytes({ 0xC0, 0xC0, 0xC0 }));
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
        = soundFiles(QDir(root.filePath(sounds))) && replyScripts(QDir(root.filePath(replies)));
    return ok ? 0 : 1;
}
