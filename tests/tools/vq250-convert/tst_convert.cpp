#include "vq250-convert/ConvertCommand.h"
#include "vq250-convert/OutputPaths.h"
#include "vq250-convert/Quantizer.h"
#include "vq250-convert/WavWriter.h"

#include "support/WavBuilder.h"

#ifdef VQ250_HAVE_SOUND
#include "core/ProgramState.h"
#include "sound/SoundFile.h"
#include "sound/SoundText.h"
#endif

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>
#include <sys/resource.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

using namespace vq250::convert;
using vq250::fakes::le32;
using vq250::fakes::sampleBytes;

namespace
{

// An 8 kHz unsigned 8-bit mono WAV holding exactly `bytes`.
void writeEightBit(const QString &path, const QByteArray &bytes)
{
    QVERIFY(vq250::fakes::writeFile(path, vq250::fakes::WavBuilder::pcm8(bytes)));
}

const double SineAmplitude = std::pow(10.0, -6.0 / 20.0); // -6 dBFS
const double SineRms = SineAmplitude / std::sqrt(2.0) * 128.0; // in LSB

// Sample value of `channel` in `frame`, -1.0 to 1.0.
using Signal = std::function<double(long frame, int channel)>;

Signal sine(double hertz, int rate, double amplitude = SineAmplitude)
{
    return [=](long frame, int) { return amplitude * std::sin(2.0 * M_PI * hertz * frame / rate); };
}

// Writes a sound file through libsndfile in any of its formats.
void writeSound(
    const QString &path, int format, int rate, int channels, long frames, const Signal &signal)
{
    SF_INFO info { 0, rate, channels, format, 0, 0 };
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    QVERIFY2(file, sf_strerror(nullptr));
    std::vector<double> frame(static_cast<std::size_t>(channels));
    for (long f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c)
            frame[std::size_t(c)] = signal(f, c);
        QCOMPARE(sf_writef_double(file, frame.data(), 1), sf_count_t(1));
    }
    QCOMPARE(sf_close(file), 0);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The header the loader expects, written out field by field.
QByteArray expectedHeader(quint32 dataBytes)
{
    return "RIFF" + le32(36 + dataBytes + (dataBytes & 1))
        + QByteArray::fromHex("57415645666d74201000000001000100401f0000401f00000100080064617461")
        + le32(dataBytes);
}

struct Run {
    int status = -1;
    QString out, err;
};

Run convert(const QStringList &arguments)
{
    Run run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.status = runConvertCommand(QStringList { "vq250-convert" } + arguments, out, err);
    out.flush();
    err.flush();
    return run;
}

// Samples of an output file after checking its header and pad byte.
QByteArray samplesOf(const QString &path)
{
    const QByteArray file = readAll(path);
    if (file.size() < WavHeaderSize)
        return {};
    const quint32 dataBytes = quint32(quint8(file[40])) | quint32(quint8(file[41])) << 8
        | quint32(quint8(file[42])) << 16 | quint32(quint8(file[43])) << 24;
    if (file.left(WavHeaderSize) != expectedHeader(dataBytes)
        || quint64(file.size()) != WavHeaderSize + dataBytes + (dataBytes & 1))
        return {};
    return file.mid(WavHeaderSize, qsizetype(dataBytes));
}

// RMS level in LSB of the samples from `margin` to the end less `margin`.
double rms(const QByteArray &samples, qsizetype margin = 0)
{
    double sum = 0.0;
    for (qsizetype i = margin; i < samples.size() - margin; ++i)
        sum += std::pow(int(quint8(samples[i])) - 128, 2);
    return std::sqrt(sum / double(samples.size() - 2 * margin));
}

double levelDb(const QByteArray &samples, qsizetype margin = 0)
{
    return 20.0 * std::log10(rms(samples, margin) / SineRms);
}

// Sign changes, with a dead band so dither near zero cannot add any.
int zeroCrossings(const QByteArray &samples, qsizetype margin)
{
    int crossings = 0, sign = 0;
    for (qsizetype i = margin; i < samples.size() - margin; ++i) {
        const int v = int(quint8(samples[i])) - 128;
        const int now = v > 4 ? 1 : v < -4 ? -1 : 0;
        crossings += now != 0 && sign != 0 && now != sign;
        sign = now != 0 ? now : sign;
    }
    return crossings;
}

#ifdef VQ250_HAVE_SOUND
// Opens the file as the loader's open command does; its samples, or nothing.
QByteArray openedByLoader(const QString &path, qint32 expectedLength)
{
    auto state = std::make_unique<vq250::ProgramState>();
    vq250::SilentSoundFileEvents events;
    const vq250::SoundFileResult result = vq250::readSoundFile(*state, path, events);
    const qint32 kept = std::min(expectedLength, vq250::SoundKeepMax);
    if (result.outcome != vq250::SoundFileOutcome::Accepted || result.sampleOffset != WavHeaderSize
        || result.declaredSize != expectedLength || result.soundLen != kept
        || state->SoundLen != kept)
        return {};
    return QByteArray(reinterpret_cast<const char *>(state->SoundBuf.data()) + 16, kept);
}
#endif

} // namespace

// vq250-convert: the header, the conversion's maths, the lengths slots
// keep, its messages and statuses.
class TestConvert : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // Odd lengths: the RIFF size counts the pad byte, the data size does not.
    void headerBytes()
    {
        const struct {
            quint32 dataBytes;
            const char *hex;
        } rows[] = {
            { 0,
                "524946462400000057415645666d74201000000001000100401f0000401f0000010008006461746100"
                "000000" },
            { 16000,
                "52494646a43e000057415645666d74201000000001000100401f0000401f0000010008006461746180"
                "3e0000" },
            { 65519,
                "524946461400010057415645666d74201000000001000100401f0000401f00000100080064617461ef"
                "ff0000" },
        };
        for (const auto &row : rows) {
            const QByteArray header = QByteArray::fromHex(row.hex);
            QCOMPARE(header.size(), 44);
            QCOMPARE(wavHeader(row.dataBytes), header);
            const QByteArray samples(qsizetype(row.dataBytes), '\x80');
            const QByteArray file = wavFile(samples);
            QCOMPARE(
                file, header + samples + (row.dataBytes & 1 ? QByteArray(1, '\0') : QByteArray()));
        }
    }

    // A 1 kHz tone at -6 dBFS: its frequency (zero crossings) and level
    // (within 0.1 dB) survive, and the loader opens the result.
    void convertsSine()
    {
        const struct {
            int format, rate, channels;
        } rows[] = { { SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2 },
            { SF_FORMAT_WAV | SF_FORMAT_FLOAT, 22050, 1 },
            { SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1 },
            { SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 48000, 1 } };
        for (const auto &row : rows) {
            const QString input = path("tone.in"), output = path("Tone1kHz.wav");
            writeSound(
                input, row.format, row.rate, row.channels, 2 * row.rate, sine(1000.0, row.rate));
            const Run run = convert({ input, output });
            QCOMPARE(run.status, 0);
            QCOMPARE(run.err, QString());
            QVERIFY2(run.out.endsWith("Proposed sound name: Tone1kHz\n"), qPrintable(run.out));
            const QByteArray samples = samplesOf(output);
            QVERIFY2(
                std::abs(samples.size() - 16000) <= 1, qPrintable(QString::number(samples.size())));
            const double steadySeconds
                = double(samples.size() - 1600) / 8000.0; // less the filter's run-in and -out
            QVERIFY(std::abs(zeroCrossings(samples, 800) - 2000.0 * steadySeconds) <= 2);
            QVERIFY2(std::abs(levelDb(samples, 800)) <= 0.1,
                qPrintable(QString::number(levelDb(samples, 800))));
#ifdef VQ250_HAVE_SOUND
            QCOMPARE(openedByLoader(output, qint32(samples.size())), samples);
#endif
        }
    }

    void resampledLength()
    {
        const struct {
            int rate;
            double seconds;
        } rows[] = { { 4000, 1.0 }, { 11025, 1.0 }, { 16000, 1.5 }, { 44100, 0.1 }, { 48000, 5.0 },
            { 96000, 1.0 } };
        for (const auto &row : rows) {
            writeSound(path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, row.rate, 1,
                long(std::lround(row.seconds * row.rate)), sine(300.0, row.rate, 0.25));
            QCOMPARE(convert({ path("in.wav"), path("out.wav") }).status, 0);
            QVERIFY(std::abs(samplesOf(path("out.wav")).size() - row.seconds * 8000) <= 1);
        }
    }

    // Tones at 44.1 kHz: the pass band keeps its level, the filter removes
    // what lies above 4 kHz down to the dither's own 0.5 LSB RMS.
    void response()
    {
        const struct {
            double hertz, toleranceDb, highestRms;
        } rows[] = { { 100, 0.5, 0 }, { 1000, 0.1, 0 }, { 3500, 0.5, 0 }, { 6000, 0, 0.52 } };
        for (const auto &row : rows) {
            writeSound(path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 88200,
                sine(row.hertz, 44100));
            QCOMPARE(convert({ path("in.wav"), path("out.wav") }).status, 0);
            const QByteArray samples = samplesOf(path("out.wav"));
            if (row.highestRms > 0)
                QVERIFY2(rms(samples, 800) <= row.highestRms,
                    qPrintable(QString::number(rms(samples, 800))));
            else
                QVERIFY2(std::abs(levelDb(samples, 800)) <= row.toleranceDb,
                    qPrintable(QString::number(row.hertz)));
        }
    }

    // Right channel = left * factor; the mix is their average.
    void mixesChannelsByAveraging()
    {
        const struct {
            double rightFactor, expectedDb;
        } rows[] = { { 1.0, 0.0 }, { 0.0, -6.0206 }, { 0.5, -2.4988 } };
        for (const auto &row : rows) {
            const Signal left = sine(1000.0, 8000);
            writeSound(path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 2, 8000,
                [&](long f, int c) { return (c == 0 ? 1.0 : row.rightFactor) * left(f, 0); });
            QCOMPARE(convert({ path("in.wav"), path("out.wav") }).status, 0);
            const QByteArray samples = samplesOf(path("out.wav"));
            QCOMPARE(samples.size(), 8000);
            QVERIFY2(std::abs(levelDb(samples) - row.expectedDb) <= 0.2,
                qPrintable(QString::number(levelDb(samples))));
        }
    }

    void gainChangesLevel()
    {
        const struct {
            QStringList arguments;
            double expectedDb;
        } rows[] = { { { "--gain", "-6" }, -6.0 }, { { "--gain=-12.5" }, -12.5 },
            { { "--gain", "3" }, 3.0 }, { { "--gain", "0" }, 0.0 } };
        for (const auto &row : rows) {
            writeSound(path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 8000,
                sine(1000.0, 8000));
            const Run run
                = convert(QStringList { path("in.wav"), path("out.wav") } + row.arguments);
            QCOMPARE(run.status, 0);
            QCOMPARE(run.err, QString());
            QVERIFY(std::abs(levelDb(samplesOf(path("out.wav"))) - row.expectedDb) <= 0.2);
        }
    }

    // +12 dB drives the -6 dBFS sine past full scale: counted and reported.
    void reportsClipping()
    {
        writeSound(
            path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 8000, 1, 8000, sine(1000.0, 8000));
        const Run run = convert({ path("in.wav"), path("out.wav"), "--gain", "12" });
        QCOMPARE(run.status, 0);
        const QByteArray samples = samplesOf(path("out.wav"));
        const qint64 atLimit = samples.count('\0') + samples.count('\xFF');
        QVERIFY(samples.size() == 8000 && atLimit > 2000);
        QCOMPARE(run.err,
            QStringLiteral(
                "vq250-convert: warning: %1 sample(s) clipped; a lower --gain avoids that\n")
                .arg(atLimit));
        QCOMPARE(convert({ path("in.wav"), path("out.wav") }).err, QString());
    }

    // TPDF dither: no bias, a total error power of 1/4 LSB^2 for a quarter
    // LSB (rectangular dither would give 1/6, none 1/16); seeded; none on the grid.
    void dither()
    {
        const std::vector<float> flat(200000, float(0.25 / 128.0));
        const Quantized first = quantizeToUnsigned8(flat, 0.0, 7);
        QVERIFY(first.dithered && first.clipped == 0);
        double sum = 0.0, sumSquares = 0.0;
        for (char s : first.samples) {
            const int level = int(quint8(s)) - 128;
            QVERIFY(level >= -1 && level <= 1);
            sum += level - 0.25;
            sumSquares += (level - 0.25) * (level - 0.25);
        }
        const double n = double(first.samples.size());
        QVERIFY2(std::abs(sum / n) < 0.01, qPrintable(QString::number(sum / n)));
        QVERIFY2(
            std::abs(sumSquares / n - 0.25) < 0.01, qPrintable(QString::number(sumSquares / n)));
        QCOMPARE(quantizeToUnsigned8(flat, 0.0, 7).samples, first.samples);
        QVERIFY(quantizeToUnsigned8(flat, 0.0, 8).samples != first.samples);
        QCOMPARE(quantizeToUnsigned8(flat, 0.0).samples,
            quantizeToUnsigned8(flat, 0.0, DefaultDitherSeed).samples);

        std::vector<float> grid;
        for (int level = -128; level <= 127; ++level)
            grid.push_back(float(level / 128.0));
        const Quantized onGrid = quantizeToUnsigned8(grid, 0.0);
        QVERIFY(!onGrid.dithered && onGrid.clipped == 0);
        for (int i = 0; i < 256; ++i)
            QCOMPARE(int(quint8(onGrid.samples[i])), i);
        QCOMPARE(quantizeToUnsigned8(std::vector<float>(1000, 0.0f), 0.0).samples,
            QByteArray(1000, '\x80'));
    }

    void quantizeLimits()
    {
        const float inf = std::numeric_limits<float>::infinity();
        const struct {
            float sample;
            int lowest, highest;
            qint64 clipped, notFinite;
        } rows[] = { { 2.0f, 255, 255, 1, 0 }, { -2.0f, 0, 0, 1, 0 }, { 1.0f, 255, 255, 1, 0 },
            { -1.0f, 0, 0, 0, 0 }, { 127.0f / 128.0f, 255, 255, 0, 0 },
            { 127.4f / 128.0f, 254, 255, 0, 0 }, { inf, 255, 255, 1, 1 }, { -inf, 0, 0, 1, 1 },
            { std::numeric_limits<float>::quiet_NaN(), 127, 129, 0, 1 } };
        for (const auto &row : rows) {
            for (std::uint32_t seed = 1; seed <= 20; ++seed) {
                const Quantized result = quantizeToUnsigned8({ row.sample }, 0.0, seed);
                const int value = result.samples.isEmpty() ? -1 : quint8(result.samples[0]);
                QVERIFY2(result.samples.size() == 1 && value >= row.lowest && value <= row.highest,
                    qPrintable(QString::number(value)));
                QCOMPARE(result.clipped, row.clipped);
                QCOMPARE(result.notFinite, row.notFinite);
            }
        }
    }

    void slotLengths()
    {
        const char *tooLong
            = "vq250-convert: warning: the sound is %1 bytes (%2 s); slots 1 to 7 keep at "
              "most 131056 bytes (16.38 s), so the loader will cut it\n";
        const char *cut
            = "vq250-convert: cut from %1 bytes (%2 s) to 65519 bytes (8.19 s) for BG slot 8\n";
        const struct {
            int inputLength;
            bool bg8;
            int outputLength;
            QString err;
        } rows[] = { { 131056, false, 131056, "" },
            { 131057, false, 131057, QString(tooLong).arg(131057).arg("16.38") },
            { 136000, false, 136000, QString(tooLong).arg(136000).arg("17.00") },
            { 65519, true, 65519, "" }, { 65520, true, 65519, QString(cut).arg(65520).arg("8.19") },
            { 136000, true, 65519, QString(cut).arg(136000).arg("17.00") } };
        for (const auto &row : rows) {
            writeEightBit(path("in.wav"), sampleBytes(row.inputLength));
            const Run run = convert(QStringList { path("in.wav"), path("out.wav") }
                + (row.bg8 ? QStringList { "--bg8" } : QStringList {}));
            QCOMPARE(run.status, 0);
            QCOMPARE(run.err, row.err);
            const QByteArray samples = samplesOf(path("out.wav"));
            QCOMPARE(samples, sampleBytes(row.inputLength).left(row.outputLength));
            QVERIFY(run.out.contains(QStringLiteral(": %1 bytes (").arg(row.outputLength)));
#ifdef VQ250_HAVE_SOUND
            QCOMPARE(openedByLoader(path("out.wav"), row.outputLength),
                samples.left(vq250::SoundKeepMax));
#endif
        }
        writeSound(
            path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 0, sine(1000.0, 44100));
        const Run empty = convert({ path("in.wav"), path("out.wav") });
        QCOMPARE(empty.status, 0);
        QCOMPARE(empty.err,
            QStringLiteral("vq250-convert: warning: the input holds no samples; the output is an "
                           "empty sound\n"));
        QCOMPARE(readAll(path("out.wav")), expectedHeader(0));
    }

    // 125000 s of sound that take no disk (a sparse file): reading stops
    // when the output is full, in little memory.
    void stopsReadingWhenFull()
    {
        const struct {
            bool bg8;
            int outputLength;
            const char *err;
        } rows[] = {
            { true, 65519,
                "vq250-convert: cut from 1000000000 bytes (125000.00 s) to 65519 bytes (8.19 s) "
                "for BG slot 8\n" },
            { false, 2400000,
                "vq250-convert: warning: the input is longer than 2400000 bytes (300.00 s) at 8000 "
                "Hz; only that much of it is converted\n"
                "vq250-convert: warning: the sound is 2400000 bytes (300.00 s); slots 1 to 7 keep "
                "at most 131056 bytes (16.38 s), so the loader will cut it\n" },
        };
        for (const auto &row : rows) {
            QFile file(path("long.wav"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(expectedHeader(1000000000)), qint64(WavHeaderSize));
            QVERIFY(file.resize(WavHeaderSize + 1000000000LL));
            file.close();
            const Run run = convert(QStringList { path("long.wav"), path("out.wav") }
                + (row.bg8 ? QStringList { "--bg8" } : QStringList {}));
            QCOMPARE(run.err, QString::fromLatin1(row.err));
            QCOMPARE(run.status, 0);
            QCOMPARE(samplesOf(path("out.wav")), QByteArray(row.outputLength, '\0'));
        }
#ifndef __SANITIZE_ADDRESS__ // its shadow memory is resident too
        rusage usage {};
        QCOMPARE(getrusage(RUSAGE_SELF, &usage), 0);
        QVERIFY2(usage.ru_maxrss < 64 * 1024, qPrintable(QString::number(usage.ru_maxrss)));
#endif
    }

    void unreadableInput()
    {
        for (const QByteArray &content :
            { QByteArray(), QByteArray("not a sound at all, just some words\n"),
                QByteArray("RIFF\x04\0\0\0WAVE", 12) }) {
            QFile file(path("in.wav"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
            file.close();
            QFile::remove(path("out.wav"));
            const Run run = convert({ path("in.wav"), path("out.wav") });
            QCOMPARE(run.status, 1);
            QCOMPARE(run.out, QString());
            const QString start = "vq250-convert: cannot convert " + path("in.wav") + ": ";
            QVERIFY2(run.err.startsWith(start) && run.err.size() > start.size() + 2
                    && run.err.endsWith('\n'),
                qPrintable(run.err));
            QVERIFY(!QFile::exists(path("out.wav")));
        }
    }

    void usageErrors()
    {
        const char *count = "expected INPUT and OUTPUT.wav, got %1 file name(s)";
        const char *gain = "--gain needs a number of decibels from -100 to 100, not \"%1\"";
        const struct {
            QStringList arguments; // "IN" and "OUT" stand for real paths
            QString firstLine;
        } rows[] = { { {}, QString(count).arg(0) }, { { "IN" }, QString(count).arg(1) },
            { { "IN", "OUT", "OUT" }, QString(count).arg(3) },
            { { "IN", "OUT", "--gain", "3dB" }, QString(gain).arg("3dB") },
            { { "IN", "OUT", "--gain", "100.5" }, QString(gain).arg("100.5") },
            { { "IN", "OUT", "--gain=-101" }, QString(gain).arg("-101") },
            { { "IN", "OUT", "--gain", "nan" }, QString(gain).arg("nan") },
            { { "IN", "OUT", "--gain", "inf" }, QString(gain).arg("inf") },
            { { "IN", "OUT", "--gain" }, "Missing value after '--gain'." },
            { { "IN", "OUT", "--loud" }, "Unknown option 'loud'." } };
        writeEightBit(path("in.wav"), sampleBytes(100));
        for (const auto &row : rows) {
            QStringList arguments = row.arguments;
            arguments.replaceInStrings(QRegularExpression("^IN$"), path("in.wav"));
            arguments.replaceInStrings(QRegularExpression("^OUT$"), path("out.wav"));
            const Run run = convert(arguments);
            QCOMPARE(run.status, 2);
            QCOMPARE(run.out, QString());
            QCOMPARE(run.err,
                "vq250-convert: " + row.firstLine
                    + "\nTry 'vq250-convert --help' for more information.\n");
            QVERIFY(!QFile::exists(path("out.wav")));
        }
    }

    // Its first line is checked in tst_commandlines.
    void help()
    {
        const Run run = convert({ "-h" });
        QVERIFY(run.status == 0 && run.err.isEmpty());
        for (const char *part : { "--bg8", "--gain <DB>", "65519", "INPUT", "OUTPUT.wav" })
            QVERIFY2(run.out.contains(QLatin1String(part)), part);
        QCOMPARE(convert({ "in.wav", "--help" }).status, 0); // help wins over missing file names,
        QCOMPARE(convert({ "--help", "--loud" }).status, 2); // not over unknown options
    }

    // The name proposed from the output's file name, and whether the
    // loader proposes the same.
    void proposedName()
    {
        const struct {
            QString output, name;
            bool asLoader;
        } rows[]
            = { { "Doorbell.wav", "Doorbell", true }, { "Announcement2.wav", "Announceme", true },
                  { "door.bell.wav", "door", true }, { ".wav", "Sound", false },
                  { "Chime", "Chime", true }, { "sub.d/Gong.wav", "Gong", true },
                  { QString::fromUtf8("Café Öl.wav"), QString::fromUtf8("Café Öl"), true },
                  { QString::fromUtf8("Dvořák.wav"), QString::fromUtf8("Dvorák"), false },
                  { QString::fromUtf8("ドアベル.wav"), "Sound", false },
                  { "a\tb\x7f\nc.wav", "abc", false },
                  { QString::fromUtf8("ﬁ12345678901.wav"), "fi12345678", false } };
        QVERIFY(QDir(m_dir->path()).mkdir("sub.d"));
        writeSound(
            path("in.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 8000, 1, 80, sine(1000.0, 8000));
        for (const auto &row : rows) {
            QCOMPARE(proposedSoundName(row.output.toUtf8()), row.name);
#ifdef VQ250_HAVE_SOUND
            QCOMPARE(vq250::SoundNameFromPath(row.output) == row.name, row.asLoader);
#endif
            const Run run = convert({ path("in.flac"), path(row.output) });
            QCOMPARE(run.status, 0);
            QCOMPARE(run.out,
                QStringLiteral("Wrote %1: 80 bytes (0.01 s) of 8000 Hz, unsigned 8-bit, mono PCM\n"
                               "Proposed sound name: %2\n")
                    .arg(path(row.output), row.name));
        }
    }

private:
    QString path(const QString &name) const
    {
        return m_dir->filePath(name);
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
