#include "vq250-convert/ConvertCommand.h"
#include "vq250-convert/OutputPaths.h"
#include "vq250-convert/Quantizer.h"
#include "vq250-convert/WavWriter.h"

#include "support/WavBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sndfile.h>
#include <sys/resource.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace vq250::convert;
using namespace vq250::fakes;

namespace
{

const double SineAmplitude = std::pow(10.0, -6.0 / 20.0); // -6 dBFS
const double SineRms = SineAmplitude / std::sqrt(2.0) * 128.0; // in LSB

// Two seconds of a -6 dBFS sine through libsndfile; a second channel
// carries it times `right`.
void writeSine(
    const QString &path, int format, int rate, int channels, double hertz = 1000, double right = 1)
{
    SF_INFO info { 0, rate, channels, format, 0, 0 };
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    QVERIFY2(file, sf_strerror(nullptr));
    for (long f = 0; f < 2L * rate; ++f) {
        const double left = SineAmplitude * std::sin(2.0 * M_PI * hertz * double(f) / rate);
        const double frame[2] = { left, left * right };
        QCOMPARE(sf_writef_double(file, frame, 1), sf_count_t(1));
    }
    QCOMPARE(sf_close(file), 0);
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
    return run;
}

// Samples of an output file after checking its header and length; a marker
// no test expects when either is wrong.
QByteArray samplesOf(const QString &path)
{
    const QByteArray file = readFile(path);
    const quint32 dataBytes
        = file.size() < WavHeaderSize ? 0 : qFromLittleEndian<quint32>(file.constData() + 40);
    if (file.left(WavHeaderSize) != expectedHeader(dataBytes)
        || quint64(file.size()) != WavHeaderSize + dataBytes + (dataBytes & 1))
        return "(not the header or length expected)";
    return file.mid(WavHeaderSize, qsizetype(dataBytes));
}

// RMS level in LSB of the samples from `margin` to the end less `margin`.
double rms(const QByteArray &samples, qsizetype margin)
{
    double sum = 0.0;
    for (qsizetype i = margin; i < samples.size() - margin; ++i)
        sum += std::pow(int(quint8(samples[i])) - 128, 2);
    return std::sqrt(sum / double(samples.size() - 2 * margin));
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

} // namespace

// vq250-convert: the header, the conversion's maths, the lengths slots
// keep, its messages and statuses.
class TestConvert : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path())); }

    // An odd length: the RIFF size counts the pad byte, the data size does not.
    void headerBytes()
    {
        QCOMPARE(wavFile("abc"),
            QByteArray::fromHex("524946462800000057415645666d74201000000001000100401f0000401f00"
                                "00010008006461746103000000616263"
                                "00"));
    }

    // A -6 dBFS tone keeps its frequency (zero crossings), length and level
    // through formats, rates up and down, the channel mix and the gain. Above
    // 4 kHz the filter leaves only the dither's own 0.5 LSB RMS (-39.16 dB).
    void convertsTones()
    {
        const int Pcm16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        const struct {
            int format, rate, channels;
            double hertz, right;
            QStringList gain;
            double db, toleranceDb;
        } rows[] = {
            { Pcm16, 44100, 2, 1000, 1.0, {}, 0.0, 0.1 },
            { SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 48000, 1, 1000, 1.0, {}, 0.0, 0.1 },
            { Pcm16, 4000, 1, 300, 1.0, {}, 0.0, 0.2 },
            { Pcm16, 44100, 1, 100, 1.0, {}, 0.0, 0.5 },
            { Pcm16, 44100, 1, 3500, 1.0, {}, 0.0, 0.5 },
            { Pcm16, 44100, 1, 6000, 1.0, {}, -39.2, 0.4 },
            { Pcm16, 8000, 2, 1000, 0.0, {}, -6.0206, 0.2 },
            { Pcm16, 8000, 1, 1000, 1.0, { "--gain", "-6.5" }, -6.5, 0.2 },
            { Pcm16, 8000, 1, 1000, 1.0, { "--gain=3" }, 3.0, 0.2 },
        };
        for (const auto &row : rows) {
            writeSine("tone.in", row.format, row.rate, row.channels, row.hertz, row.right);
            const Run run = convert(QStringList { "tone.in", "out.wav" } + row.gain);
            QVERIFY(run.status == 0 && run.err.isEmpty());
            const QByteArray samples = samplesOf("out.wav");
            QCOMPARE(samples.size(), 16000);
            const int crossings = zeroCrossings(samples, 800);
            const double heard = row.hertz < 4000 ? row.hertz : 0.0;
            QVERIFY2(std::abs(crossings - 2 * heard * 1.8) <= 2, // 1.8 s less run-in and run-out
                qPrintable(QString::number(crossings)));
            const double db = 20.0 * std::log10(rms(samples, 800) / SineRms);
            QVERIFY2(std::abs(db - row.db) <= row.toleranceDb, qPrintable(QString::number(db)));
        }
    }

    // +12 dB drives the -6 dBFS sine past full scale: counted and reported.
    void reportsClipping()
    {
        writeSine("in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 8000, 1);
        const Run run = convert({ "in.wav", "out.wav", "--gain", "12" });
        QCOMPARE(run.status, 0);
        const QByteArray samples = samplesOf("out.wav");
        const qint64 atLimit = samples.count('\0') + samples.count('\xFF');
        QVERIFY(samples.size() == 16000 && atLimit > 4000);
        QCOMPARE(run.err,
            QString("vq250-convert: warning: %1 sample(s) clipped; a lower --gain avoids that\n")
                .arg(atLimit));
    }

    // TPDF dither: no bias, a total error power of 1/4 LSB^2 for a quarter LSB
    // (rectangular dither would give 1/6, none 1/16); seeded, by default with 250.
    // None on the 8-bit grid: slotLengths sees every level copied.
    void dither()
    {
        const std::vector<float> flat(200000, float(0.25 / 128.0));
        const Quantized first = quantizeToUnsigned8(flat, 0.0);
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
        QCOMPARE(quantizeToUnsigned8(flat, 0.0, 250).samples, first.samples);
        QVERIFY(quantizeToUnsigned8(flat, 0.0, 251).samples != first.samples);
    }

    // Every seed keeps a sample within its bounds.
    void quantizeLimits()
    {
        const float inf = std::numeric_limits<float>::infinity();
        const struct {
            float sample;
            int lowest, highest;
            qint64 clipped, notFinite;
        } rows[] = { { -2.0f, 0, 0, 1, 0 }, { 1.0f, 255, 255, 1, 0 }, { -1.0f, 0, 0, 0, 0 },
            { 127.0f / 128.0f, 255, 255, 0, 0 }, { 127.4f / 128.0f, 254, 255, 0, 0 },
            { inf, 255, 255, 1, 1 }, { -inf, 0, 0, 1, 1 },
            { std::numeric_limits<float>::quiet_NaN(), 127, 129, 0, 1 } };
        for (const auto &row : rows) {
            for (std::uint32_t seed = 1; seed <= 20; ++seed) {
                const Quantized result = quantizeToUnsigned8({ row.sample }, 0.0, seed);
                const int value = result.samples.isEmpty() ? -1 : quint8(result.samples[0]);
                QVERIFY2(result.samples.size() == 1 && value >= row.lowest && value <= row.highest,
                    qPrintable(QString::number(value)));
                QCOMPARE(std::pair(result.clipped, result.notFinite),
                    std::pair(row.clipped, row.notFinite));
            }
        }
    }

    // Both sides of what slots 1 to 7 and slot 8 keep, and none; 8-bit input is copied.
    void slotLengths()
    {
        const char *tooLong
            = "vq250-convert: warning: the sound is 131057 bytes (16.38 s); slots 1 to 7 keep at "
              "most 131056 bytes (16.38 s), so the loader will cut it\n";
        const char *cut = "vq250-convert: cut from 65520 bytes (8.19 s) to 65519 bytes (8.19 s) "
                          "for BG slot 8\n";
        const char *none
            = "vq250-convert: warning: the input holds no samples; the output is an empty sound\n";
        const struct {
            QStringList options;
            int inputLength, outputLength;
            const char *err;
        } rows[] = { { {}, 131056, 131056, "" }, { {}, 131057, 131057, tooLong },
            { { "--bg8" }, 65519, 65519, "" }, { { "--bg8" }, 65520, 65519, cut },
            { {}, 0, 0, none } };
        for (const auto &row : rows) {
            QVERIFY(writeFile("in.wav", WavBuilder::pcm8(sampleBytes(row.inputLength))));
            const Run run = convert(QStringList { "in.wav", "out.wav" } + row.options);
            QCOMPARE(run.status, 0);
            QCOMPARE(run.err, QString::fromLatin1(row.err));
            QCOMPARE(samplesOf("out.wav"), sampleBytes(row.inputLength).left(row.outputLength));
            QVERIFY(run.out.contains(QStringLiteral(": %1 bytes (").arg(row.outputLength)));
        }
    }

    // 125000 s of sound that take no disk (a sparse file): reading stops
    // at the longest conversion, in little memory.
    void stopsReadingWhenFull()
    {
        QVERIFY(writeFile("long.wav", expectedHeader(1000000000)));
        QVERIFY(QFile::resize("long.wav", WavHeaderSize + 1000000000LL));
        const Run run = convert({ "long.wav", "out.wav" });
        QCOMPARE(run.err,
            "vq250-convert: warning: the input is longer than 2400000 bytes (300.00 s) at 8000 "
            "Hz; only that much of it is converted\n"
            "vq250-convert: warning: the sound is 2400000 bytes (300.00 s); slots 1 to 7 keep "
            "at most 131056 bytes (16.38 s), so the loader will cut it\n");
        QCOMPARE(run.status, 0);
        QCOMPARE(samplesOf("out.wav"), QByteArray(2400000, '\0'));
#ifndef __SANITIZE_ADDRESS__ // its shadow memory is resident too
        rusage usage {};
        QCOMPARE(getrusage(RUSAGE_SELF, &usage), 0);
        QVERIFY2(usage.ru_maxrss < 64 * 1024, qPrintable(QString::number(usage.ru_maxrss)));
#endif
    }

    // libsndfile's reason follows the path; nothing is written.
    void unreadableInput()
    {
        QVERIFY(writeFile("in.wav", "not a sound at all, just some words\n"));
        const Run run = convert({ "in.wav", "none.wav" });
        QVERIFY(run.status == 1 && run.out.isEmpty());
        const QString start = "vq250-convert: cannot convert in.wav: ";
        QVERIFY2(run.err.startsWith(start) && run.err.size() > start.size() + 2
                && run.err.endsWith('\n'),
            qPrintable(run.err));
        QVERIFY(!QFile::exists("none.wav"));
    }

    void usageErrors()
    {
        const char *count = "expected INPUT and OUTPUT.wav, got %1 file name(s)";
        const char *gain = "--gain needs a number of decibels from -100 to 100, not \"%1\"";
        const struct {
            QStringList arguments;
            QString firstLine;
        } rows[] = { { {}, QString(count).arg(0) }, { { "in.wav" }, QString(count).arg(1) },
            { { "in.wav", "o.wav", "o.wav" }, QString(count).arg(3) },
            { { "in.wav", "o.wav", "--gain", "3dB" }, QString(gain).arg("3dB") },
            { { "in.wav", "o.wav", "--gain", "100.5" }, QString(gain).arg("100.5") },
            { { "in.wav", "o.wav", "--gain=-101" }, QString(gain).arg("-101") },
            { { "in.wav", "o.wav", "--gain", "nan" }, QString(gain).arg("nan") },
            { { "--help", "--loud" }, "Unknown option 'loud'." } };
        QVERIFY(writeFile("in.wav", WavBuilder::pcm8("ab")));
        for (const auto &row : rows) {
            const Run run = convert(row.arguments);
            QVERIFY(run.status == 2 && run.out.isEmpty());
            QCOMPARE(run.err,
                "vq250-convert: " + row.firstLine
                    + "\nTry 'vq250-convert --help' for more information.\n");
            QVERIFY(!QFile::exists("o.wav"));
        }
    }

    // Help wins over missing file names, not over unknown options (a usage error above).
    void help()
    {
        const Run run = convert({ "in.wav", "-h" });
        QVERIFY(run.status == 0 && run.err.isEmpty());
        for (const char *part : { "--bg8", "--gain <DB>", "65519", "INPUT", "OUTPUT.wav" })
            QVERIFY2(run.out.contains(QLatin1String(part)), part);
    }

    // The name proposed from the output's file name: what the device can
    // show, at most ten characters.
    void proposedName()
    {
        const struct {
            const char *output, *name;
        } rows[] = { { "door.bell.wav", "door" }, { ".wav", "Sound" }, { "sub.d/Gong.wav", "Gong" },
            { "Café Öl.wav", "Café Öl" }, { "Dvořák.wav", "Dvorák" }, { "ドアベル.wav", "Sound" },
            { "a\tb\x7f\nc.wav", "abc" }, { "ﬁ12345678901.wav", "fi12345678" } };
        for (const auto &row : rows)
            QCOMPARE(proposedSoundName(row.output), QString::fromUtf8(row.name));
    }

private:
    QTemporaryDir m_dir; // the working folder
};

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
