#include "vq250-convert/ConvertCommand.h"
#include "vq250-convert/OutputPaths.h"
#include "vq250-convert/Quantizer.h"
#include "vq250-convert/WavWriter.h"

#ifdef VQ250_HAVE_SOUND
#include "core/ProgramState.h"
#include "sound/SoundFile.h"
#include "sound/SoundText.h"
#endif

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>

#include <sys/resource.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

using namespace vq250::convert;

namespace
{

constexpr double Pi = 3.14159265358979323846;
// -6 dBFS
const double SineAmplitude = std::pow(10.0, -6.0 / 20.0);

// Sample value of `channel` in `frame`, -1.0 to 1.0.
using Signal = std::function<double(long frame, int channel)>;

Signal sine(double hertz, int rate, double amplitude = SineAmplitude)
{
    return [=](long frame, int) { return amplitude * std::sin(2.0 * Pi * hertz * frame / rate); };
}

// Writes a sound file through libsndfile in any of its formats.
void writeSound(
    const QString &path, int format, int rate, int channels, long frames, const Signal &signal)
{
    SF_INFO info {};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
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

// An 8 kHz unsigned 8-bit mono WAV holding exactly `bytes`, written raw:
// libsndfile scales doubles by 127 on the way out but by 1/128 on the way in.
void writeEightBit(const QString &path, const QByteArray &bytes)
{
    SF_INFO info {};
    info.samplerate = 8000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_U8;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    QVERIFY2(file, sf_strerror(nullptr));
    QCOMPARE(
        sf_write_raw(file, bytes.constData(), sf_count_t(bytes.size())), sf_count_t(bytes.size()));
    QCOMPARE(sf_close(file), 0);
}

QByteArray pattern(qsizetype length)
{
    QByteArray bytes(length, '\0');
    for (qsizetype i = 0; i < length; ++i)
        bytes[i] = char(i * 7 % 256);
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray littleEndian32(quint32 value)
{
    QByteArray bytes;
    for (int i = 0; i < 4; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
    return bytes;
}

// The header the loader expects, written out field by field.
QByteArray expectedHeader(quint32 dataBytes)
{
    return QByteArray("RIFF") + littleEndian32(36 + dataBytes + (dataBytes & 1))
        + QByteArray::fromHex("57415645"
                              "666d7420"
                              "10000000"
                              "0100"
                              "0100"
                              "401f0000"
                              "401f0000"
                              "0100"
                              "0800"
                              "64617461")
        + littleEndian32(dataBytes);
}

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run convert(const QStringList &arguments)
{
    Run run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.status
        = runConvertCommand(QStringList { QStringLiteral("vq250-convert") } + arguments, out, err);
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
    if (file.left(WavHeaderSize) != expectedHeader(dataBytes))
        return {};
    if (quint64(file.size()) != WavHeaderSize + dataBytes + (dataBytes & 1))
        return {};
    return file.mid(WavHeaderSize, qsizetype(dataBytes));
}

// Signed sample levels, -128 to 127.
std::vector<int> levels(const QByteArray &samples, qsizetype from, qsizetype to)
{
    std::vector<int> result;
    for (qsizetype i = from; i < to; ++i)
        result.push_back(int(quint8(samples[i])) - 128);
    return result;
}

double rms(const std::vector<int> &values)
{
    double sum = 0.0;
    for (int v : values)
        sum += double(v) * v;
    return std::sqrt(sum / double(values.size()));
}

// Sign changes, with a dead band so dither near zero cannot add any.
int zeroCrossings(const std::vector<int> &values)
{
    constexpr int DeadBand = 4;
    int crossings = 0;
    int sign = 0;
    for (int v : values) {
        const int now = v > DeadBand ? 1 : v < -DeadBand ? -1 : 0;
        if (now != 0 && sign != 0 && now != sign)
            ++crossings;
        if (now != 0)
            sign = now;
    }
    return crossings;
}

#ifdef VQ250_HAVE_SOUND
// Opens the file as the loader's open command does; its samples, or an empty
// array with a failure noted.
QByteArray openedByLoader(const QString &path, qint32 expectedLength)
{
    auto state = std::make_unique<vq250::ProgramState>();
    vq250::SilentSoundFileEvents events;
    const vq250::SoundFileResult result = vq250::readSoundFile(*state, path, events);
    if (result.outcome != vq250::SoundFileOutcome::Accepted) {
        qWarning() << "loader refused" << path << int(result.outcome) << result.errCode
                   << result.reason;
        return {};
    }
    if (result.sampleOffset != WavHeaderSize || result.declaredSize != expectedLength)
        return {};
    const qint32 kept = std::min(expectedLength, vq250::SoundKeepMax);
    if (result.soundLen != kept || state->SoundLen != kept)
        return {};
    return QByteArray(reinterpret_cast<const char *>(state->SoundBuf.data()) + 16, kept);
}
#endif

} // namespace

class TestConvert : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void headerBytes_data();
    void headerBytes();

    void convertsSine_data();
    void convertsSine();
    void eightBitInputIsCopiedExactly();
    void resampledLength_data();
    void resampledLength();
    void response_data();
    void response();
    void mixesChannelsByAveraging_data();
    void mixesChannelsByAveraging();
    void gainChangesLevel_data();
    void gainChangesLevel();
    void reportsClipping();

    void ditherIsTriangularAndSeeded();
    void soundOnTheGridIsNotDithered();
    void quantizeLimits_data();
    void quantizeLimits();

    void slotLengths_data();
    void slotLengths();
    void emptyInputGivesEmptySound();
    void stopsReadingWhenFull_data();
    void stopsReadingWhenFull();

    void unreadableInput_data();
    void unreadableInput();
    void usageErrors_data();
    void usageErrors();
    void help();

    void proposedName_data();
    void proposedName();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestConvert::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestConvert::headerBytes_data()
{
    QTest::addColumn<quint32>("dataBytes");
    QTest::addColumn<QByteArray>("header");

    QTest::newRow("empty") << 0u
                           << QByteArray::fromHex("52494646240000005741564566"
                                                  "6d74201000000001000100401f0000401f00000100"
                                                  "08006461746100000000");
    QTest::newRow("2 s") << 16000u
                         << QByteArray::fromHex("52494646a43e00005741564566"
                                                "6d74201000000001000100401f0000401f00000100"
                                                "080064617461803e0000");
    // Odd: the RIFF size counts the pad byte, the data size does not.
    QTest::newRow("BG#8 length") << 65519u
                                 << QByteArray::fromHex("5249464614000100574156456"
                                                        "66d74201000000001000100401f0000401f00"
                                                        "000100080064617461efff0000");
}

void TestConvert::headerBytes()
{
    QFETCH(quint32, dataBytes);
    QFETCH(QByteArray, header);
    QCOMPARE(header.size(), 44);
    QCOMPARE(wavHeader(dataBytes), header);

    const QByteArray samples(qsizetype(dataBytes), '\x80');
    const QByteArray file = wavFile(samples);
    QCOMPARE(file.left(44), header);
    QCOMPARE(file.mid(44, qsizetype(dataBytes)), samples);
    QCOMPARE(file.size(), qsizetype(44 + dataBytes + (dataBytes & 1)));
    if (dataBytes & 1)
        QCOMPARE(file.back(), '\0');
}

void TestConvert::convertsSine_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");

    QTest::newRow("44.1 kHz 16-bit stereo") << (SF_FORMAT_WAV | SF_FORMAT_PCM_16) << 44100 << 2;
    QTest::newRow("22.05 kHz float mono") << (SF_FORMAT_WAV | SF_FORMAT_FLOAT) << 22050 << 1;
    QTest::newRow("8 kHz 8-bit mono") << (SF_FORMAT_WAV | SF_FORMAT_PCM_U8) << 8000 << 1;
    QTest::newRow("48 kHz 24-bit FLAC") << (SF_FORMAT_FLAC | SF_FORMAT_PCM_24) << 48000 << 1;
}

void TestConvert::convertsSine()
{
    QFETCH(int, format);
    QFETCH(int, rate);
    QFETCH(int, channels);
    constexpr double Seconds = 2.0;
    const QString input = path(QStringLiteral("tone.in"));
    const QString output = path(QStringLiteral("Tone1kHz.wav"));
    writeSound(input, format, rate, channels, long(Seconds * rate), sine(1000.0, rate));

    const Run run = convert({ input, output });
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QString());
    QVERIFY2(
        run.out.endsWith(QStringLiteral("Proposed sound name: Tone1kHz\n")), qPrintable(run.out));

    const QByteArray file = readAll(output);
    QVERIFY(file.size() >= 44);
    const QByteArray samples = samplesOf(output);
    QVERIFY2(!samples.isEmpty(), "header or file size wrong");
    QVERIFY2(std::abs(samples.size() - Seconds * 8000) <= 1,
        qPrintable(QString::number(samples.size())));
    QCOMPARE(file.left(44), expectedHeader(quint32(samples.size())));

    // Leave out the filter's run-in and run-out at both ends.
    const qsizetype margin = 800;
    const std::vector<int> steady = levels(samples, margin, samples.size() - margin);
    const double steadySeconds = double(steady.size()) / 8000.0;
    const int crossings = zeroCrossings(steady);
    QVERIFY2(std::abs(crossings - 2.0 * 1000.0 * steadySeconds) <= 2,
        qPrintable(QString::number(crossings)));

    const double inputRms = SineAmplitude / std::sqrt(2.0) * 128.0;
    const double levelDb = 20.0 * std::log10(rms(steady) / inputRms);
    QVERIFY2(std::abs(levelDb) <= 0.1, qPrintable(QString::number(levelDb)));

#ifdef VQ250_HAVE_SOUND
    QCOMPARE(openedByLoader(output, qint32(samples.size())), samples);
#endif
}

void TestConvert::eightBitInputIsCopiedExactly()
{
    const QString input = path(QStringLiteral("in.wav"));
    const QString output = path(QStringLiteral("out.wav"));
    const QByteArray bytes = pattern(8000);
    writeEightBit(input, bytes);

    const Run run = convert({ input, output });
    QCOMPARE(run.status, 0);
    QCOMPARE(samplesOf(output), bytes);
}

void TestConvert::resampledLength_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<double>("seconds");

    QTest::newRow("4 kHz up") << 4000 << 1.0;
    QTest::newRow("11.025 kHz") << 11025 << 1.0;
    QTest::newRow("16 kHz") << 16000 << 1.5;
    QTest::newRow("44.1 kHz, 0.1 s") << 44100 << 0.1;
    QTest::newRow("48 kHz, several blocks") << 48000 << 5.0;
    QTest::newRow("96 kHz") << 96000 << 1.0;
}

void TestConvert::resampledLength()
{
    QFETCH(int, rate);
    QFETCH(double, seconds);
    const QString input = path(QStringLiteral("in.wav"));
    const QString output = path(QStringLiteral("out.wav"));
    writeSound(input, SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 1, long(std::lround(seconds * rate)),
        sine(300.0, rate, 0.25));

    QCOMPARE(convert({ input, output }).status, 0);
    const QByteArray samples = samplesOf(output);
    QVERIFY2(std::abs(samples.size() - seconds * 8000) <= 1,
        qPrintable(QString::number(samples.size())));
}

void TestConvert::response_data()
{
    QTest::addColumn<double>("hertz"); // a -6 dBFS tone at 44.1 kHz
    QTest::addColumn<double>("toleranceDb"); // of its level against the input's
    QTest::addColumn<double>("highestRms"); // in LSB, for a tone the filter removes

    QTest::newRow("100 Hz") << 100.0 << 0.5 << 0.0;
    QTest::newRow("1 kHz") << 1000.0 << 0.1 << 0.0;
    QTest::newRow("3.5 kHz") << 3500.0 << 0.5 << 0.0;
    // The dither and rounding alone leave 0.5 LSB RMS.
    QTest::newRow("6 kHz below the dither floor") << 6000.0 << 0.0 << 0.52;
}

void TestConvert::response()
{
    QFETCH(double, hertz);
    QFETCH(double, toleranceDb);
    QFETCH(double, highestRms);
    const QString input = path(QStringLiteral("in.wav"));
    const QString output = path(QStringLiteral("out.wav"));
    writeSound(input, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 88200, sine(hertz, 44100));

    QCOMPARE(convert({ input, output }).status, 0);
    const QByteArray samples = samplesOf(output);
    const double outputRms = rms(levels(samples, 800, samples.size() - 800));
    if (highestRms > 0) {
        QVERIFY2(outputRms <= highestRms, qPrintable(QString::number(outputRms)));
        return;
    }
    const double levelDb = 20.0 * std::log10(outputRms / (SineAmplitude / std::sqrt(2.0) * 128.0));
    QVERIFY2(std::abs(levelDb) <= toleranceDb, qPrintable(QString::number(levelDb)));
}

void TestConvert::mixesChannelsByAveraging_data()
{
    QTest::addColumn<double>("rightFactor"); // right channel = left * factor
    QTest::addColumn<double>("expectedDb"); // against the left channel alone

    QTest::newRow("equal channels") << 1.0 << 0.0;
    QTest::newRow("right silent") << 0.0 << 20.0 * std::log10(0.5);
    QTest::newRow("right half") << 0.5 << 20.0 * std::log10(0.75);
}

void TestConvert::mixesChannelsByAveraging()
{
    QFETCH(double, rightFactor);
    QFETCH(double, expectedDb);
    const QString input = path(QStringLiteral("in.wav"));
    const QString output = path(QStringLiteral("out.wav"));
    const Signal left = sine(1000.0, 8000);
    writeSound(input, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 2, 8000,
        [&](long f, int c) { return c == 0 ? left(f, 0) : rightFactor * left(f, 0); });

    QCOMPARE(convert({ input, output }).status, 0);
    const QByteArray samples = samplesOf(output);
    QCOMPARE(samples.size(), 8000);
    const double leftRms = SineAmplitude / std::sqrt(2.0) * 128.0;
    const double levelDb = 20.0 * std::log10(rms(levels(samples, 0, samples.size())) / leftRms);
    QVERIFY2(std::abs(levelDb - expectedDb) <= 0.2, qPrintable(QString::number(levelDb)));
}

void TestConvert::gainChangesLevel_data()
{
    QTest::addColumn<QStringList>("gainArguments");
    QTest::addColumn<double>("expectedDb");

    QTest::newRow("-6 dB") << QStringList { "--gain", "-6" } << -6.0;
    QTest::newRow("--gain=-12.5") << QStringList { "--gain=-12.5" } << -12.5;
    QTest::newRow("+3 dB") << QStringList { "--gain", "3" } << 3.0;
    QTest::newRow("0 dB") << QStringList { "--gain", "0" } << 0.0;
}

void TestConvert::gainChangesLevel()
{
    QFETCH(QStringList, gainArguments);
    QFETCH(double, expectedDb);
    const QString input = path(QStringLiteral("in.wav"));
    const QString output = path(QStringLiteral("out.wav"));
    writeSound(input, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 8000, sine(1000.0, 8000));

    const Run run = convert(QStringList { input, output } + gainArguments);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QString());
    const QByteArray samples = samplesOf(output);
    const double inputRms = SineAmplitude / std::sqrt(2.0) * 128.0;
    const double levelDb = 20.0 * std::log10(rms(levels(samples, 0, samples.size())) / inputRms);
    QVERIFY2(std::abs(levelDb - expectedDb) <= 0.2, qPrintable(QString::number(levelDb)));
}

void TestConvert::reportsClipping()
{
    const QString input = path(QStringLiteral("in.wav"));
    const QString output = path(QStringLiteral("out.wav"));
    // Full scale 1.0 peaks; +12 dB doubles the -6 dBFS sine past the limits.
    writeSound(input, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 8000, 1, 8000, sine(1000.0, 8000));

    const Run run = convert({ input, output, "--gain", "12" });
    QCOMPARE(run.status, 0);
    const QByteArray samples = samplesOf(output);
    QCOMPARE(samples.size(), 8000);
    qint64 atLimit = 0;
    for (char s : samples)
        atLimit += (quint8(s) == 0 || quint8(s) == 255) ? 1 : 0;
    QVERIFY(atLimit > 2000);
    const QRegularExpression message(
        QStringLiteral("^vq250-convert: warning: (\\d+) sample\\(s\\) clipped; a lower --gain "
                       "avoids that\n$"));
    const QRegularExpressionMatch match = message.match(run.err);
    QVERIFY2(match.hasMatch(), qPrintable(run.err));
    QCOMPARE(match.captured(1).toLongLong(), atLimit);

    // No clipping, no warning.
    QCOMPARE(convert({ input, output }).err, QString());
}

void TestConvert::ditherIsTriangularAndSeeded()
{
    constexpr double QuarterLsb = 0.25 / 128.0;
    const std::vector<float> flat(200000, float(QuarterLsb));
    const Quantized first = quantizeToUnsigned8(flat, 0.0, 7);
    QVERIFY(first.dithered);
    QCOMPARE(first.clipped, 0);

    double sum = 0.0;
    double sumSquares = 0.0;
    for (char s : first.samples) {
        const int level = int(quint8(s)) - 128;
        QVERIFY(level >= -1 && level <= 1);
        const double error = level - 0.25;
        sum += error;
        sumSquares += error * error;
    }
    const double n = double(first.samples.size());
    // TPDF dither leaves no bias and a total error power of 1/4 LSB^2
    // (rectangular dither would give 1/6, no dither 1/16 here).
    QVERIFY2(std::abs(sum / n) < 0.01, qPrintable(QString::number(sum / n)));
    QVERIFY2(std::abs(sumSquares / n - 0.25) < 0.01, qPrintable(QString::number(sumSquares / n)));

    QCOMPARE(quantizeToUnsigned8(flat, 0.0, 7).samples, first.samples);
    QVERIFY(quantizeToUnsigned8(flat, 0.0, 8).samples != first.samples);
    QCOMPARE(quantizeToUnsigned8(flat, 0.0).samples,
        quantizeToUnsigned8(flat, 0.0, DefaultDitherSeed).samples);
}

void TestConvert::soundOnTheGridIsNotDithered()
{
    std::vector<float> grid;
    for (int level = -128; level <= 127; ++level)
        grid.push_back(float(level / 128.0));
    const Quantized result = quantizeToUnsigned8(grid, 0.0);
    QVERIFY(!result.dithered);
    QCOMPARE(result.clipped, 0);
    for (int i = 0; i < 256; ++i)
        QCOMPARE(int(quint8(result.samples[i])), i);

    // Digital silence stays silent.
    const Quantized silence = quantizeToUnsigned8(std::vector<float>(1000, 0.0f), 0.0);
    QCOMPARE(silence.samples, QByteArray(1000, '\x80'));
}

void TestConvert::quantizeLimits_data()
{
    QTest::addColumn<float>("sample");
    QTest::addColumn<int>("lowest");
    QTest::addColumn<int>("highest");
    QTest::addColumn<qint64>("clipped");
    QTest::addColumn<qint64>("notFinite");

    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("+2.0") << 2.0f << 255 << 255 << qint64(1) << qint64(0);
    QTest::newRow("-2.0") << -2.0f << 0 << 0 << qint64(1) << qint64(0);
    QTest::newRow("+1.0 is one past 127") << 1.0f << 255 << 255 << qint64(1) << qint64(0);
    QTest::newRow("-1.0 is -128") << -1.0f << 0 << 0 << qint64(0) << qint64(0);
    QTest::newRow("127/128") << 127.0f / 128.0f << 255 << 255 << qint64(0) << qint64(0);
    QTest::newRow("127.4/128") << 127.4f / 128.0f << 254 << 255 << qint64(0) << qint64(0);
    QTest::newRow("+inf") << inf << 255 << 255 << qint64(1) << qint64(1);
    QTest::newRow("-inf") << -inf << 0 << 0 << qint64(1) << qint64(1);
    QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN() << 127 << 129 << qint64(0)
                         << qint64(1);
}

void TestConvert::quantizeLimits()
{
    QFETCH(float, sample);
    QFETCH(int, lowest);
    QFETCH(int, highest);
    QFETCH(qint64, clipped);
    QFETCH(qint64, notFinite);

    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        const Quantized result = quantizeToUnsigned8({ sample }, 0.0, seed);
        QCOMPARE(result.samples.size(), 1);
        const int value = quint8(result.samples[0]);
        QVERIFY2(value >= lowest && value <= highest, qPrintable(QString::number(value)));
        QCOMPARE(result.clipped, clipped);
        QCOMPARE(result.notFinite, notFinite);
    }
}

void TestConvert::slotLengths_data()
{
    QTest::addColumn<int>("inputLength");
    QTest::addColumn<bool>("bg8");
    QTest::addColumn<int>("outputLength");
    QTest::addColumn<QString>("err");

    const QString tooLong = QStringLiteral(
        "vq250-convert: warning: the sound is %1 bytes (%2 s); slots 1 to 7 keep at most "
        "131056 bytes (16.38 s), so the loader will cut it\n");
    const QString cut = QStringLiteral(
        "vq250-convert: cut from %1 bytes (%2 s) to 65519 bytes (8.19 s) for BG slot 8\n");

    QTest::newRow("131056 fits") << 131056 << false << 131056 << QString();
    QTest::newRow("131057 warns") << 131057 << false << 131057 << tooLong.arg(131057).arg("16.38");
    QTest::newRow("17 s warns") << 136000 << false << 136000 << tooLong.arg(136000).arg("17.00");
    QTest::newRow("BG#8 65519 fits") << 65519 << true << 65519 << QString();
    QTest::newRow("BG#8 65520 cut") << 65520 << true << 65519 << cut.arg(65520).arg("8.19");
    QTest::newRow("BG#8 17 s cut") << 136000 << true << 65519 << cut.arg(136000).arg("17.00");
}

void TestConvert::slotLengths()
{
    QFETCH(int, inputLength);
    QFETCH(bool, bg8);
    QFETCH(int, outputLength);
    QFETCH(QString, err);
    const QString input = path(QStringLiteral("in.wav"));
    const QString output = path(QStringLiteral("out.wav"));
    const QByteArray bytes = pattern(inputLength);
    writeEightBit(input, bytes);

    QStringList arguments { input, output };
    if (bg8)
        arguments << QStringLiteral("--bg8");
    const Run run = convert(arguments);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, err);
    const QByteArray samples = samplesOf(output);
    QCOMPARE(samples.size(), outputLength);
    QCOMPARE(samples, bytes.left(outputLength));
    QVERIFY(run.out.contains(QStringLiteral(": %1 bytes (").arg(outputLength)));

#ifdef VQ250_HAVE_SOUND
    QCOMPARE(openedByLoader(output, outputLength), samples.left(vq250::SoundKeepMax));
#endif
}

void TestConvert::emptyInputGivesEmptySound()
{
    const QString input = path(QStringLiteral("in.wav"));
    const QString output = path(QStringLiteral("out.wav"));
    writeSound(input, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 0, sine(1000.0, 44100));

    const Run run = convert({ input, output });
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err,
        QStringLiteral("vq250-convert: warning: the input holds no samples; the output is "
                       "an empty sound\n"));
    QCOMPARE(readAll(output), expectedHeader(0));
}

void TestConvert::stopsReadingWhenFull_data()
{
    QTest::addColumn<bool>("bg8");
    QTest::addColumn<int>("outputLength");
    QTest::addColumn<QString>("err");

    QTest::newRow("BG#8")
        << true << 65519
        << "vq250-convert: cut from 1000000000 bytes (125000.00 s) to 65519 bytes "
           "(8.19 s) for BG slot 8\n";
    QTest::newRow("slots 1 to 7")
        << false << 2400000
        << "vq250-convert: warning: the input is longer than 2400000 bytes (300.00 s) at 8000 Hz; "
           "only that much of it is converted\n"
           "vq250-convert: warning: the sound is 2400000 bytes (300.00 s); slots 1 to 7 keep at "
           "most 131056 bytes (16.38 s), so the loader will cut it\n";
}

void TestConvert::stopsReadingWhenFull()
{
    QFETCH(bool, bg8);
    QFETCH(int, outputLength);
    QFETCH(QString, err);
    // 125000 s of sound that take no disk: a sparse file after the header.
    constexpr qint64 DataBytes = 1000000000;
    const QString input = path(QStringLiteral("long.wav"));
    const QString output = path(QStringLiteral("out.wav"));
    QFile file(input);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(expectedHeader(quint32(DataBytes))), qint64(WavHeaderSize));
    QVERIFY(file.resize(WavHeaderSize + DataBytes));
    file.close();

    const Run run
        = convert(bg8 ? QStringList { input, output, "--bg8" } : QStringList { input, output });
    QCOMPARE(run.err, err);
    QCOMPARE(run.status, 0);
    QCOMPARE(samplesOf(output), QByteArray(outputLength, '\0'));
#ifndef __SANITIZE_ADDRESS__ // its shadow memory is resident too
    rusage usage {};
    QCOMPARE(getrusage(RUSAGE_SELF, &usage), 0);
    QVERIFY2(usage.ru_maxrss < 64 * 1024, qPrintable(QString::number(usage.ru_maxrss)));
#endif
}

void TestConvert::unreadableInput_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("empty file") << "empty.wav" << QByteArray();
    QTest::newRow("text") << "notes.wav" << QByteArray("not a sound at all, just some words\n");
    QTest::newRow("bare RIFF head") << "head.wav" << QByteArray("RIFF\x04\0\0\0WAVE", 12);
}

void TestConvert::unreadableInput()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFile file(path(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
    file.close();
    const QString output = path(QStringLiteral("out.wav"));

    const Run run = convert({ path(name), output });
    QCOMPARE(run.status, 1);
    QCOMPARE(run.out, QString());
    const QString start = QStringLiteral("vq250-convert: cannot convert %1: ").arg(path(name));
    QVERIFY2(run.err.startsWith(start) && run.err.size() > start.size() + 2, qPrintable(run.err));
    QVERIFY(run.err.endsWith(QLatin1Char('\n')));
    QVERIFY(!QFile::exists(output));
}

void TestConvert::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments"); // "IN" and "OUT" stand for real paths
    QTest::addColumn<QString>("firstLine");

    const QString count = QStringLiteral("expected INPUT and OUTPUT.wav, got %1 file name(s)");
    const QString gain
        = QStringLiteral("--gain needs a number of decibels from -100 to 100, not \"%1\"");
    QTest::newRow("nothing") << QStringList {} << count.arg(0);
    QTest::newRow("input only") << QStringList { "IN" } << count.arg(1);
    QTest::newRow("three files") << QStringList { "IN", "OUT", "OUT" } << count.arg(3);
    QTest::newRow("gain not a number")
        << QStringList { "IN", "OUT", "--gain", "loud" } << gain.arg("loud");
    QTest::newRow("gain with unit")
        << QStringList { "IN", "OUT", "--gain", "3dB" } << gain.arg("3dB");
    QTest::newRow("gain too large")
        << QStringList { "IN", "OUT", "--gain", "100.5" } << gain.arg("100.5");
    QTest::newRow("gain too small")
        << QStringList { "IN", "OUT", "--gain=-101" } << gain.arg("-101");
    QTest::newRow("gain nan") << QStringList { "IN", "OUT", "--gain", "nan" } << gain.arg("nan");
    QTest::newRow("gain inf") << QStringList { "IN", "OUT", "--gain", "inf" } << gain.arg("inf");
    QTest::newRow("gain missing value")
        << QStringList { "IN", "OUT", "--gain" } << QStringLiteral("Missing value after '--gain'.");
    QTest::newRow("unknown option")
        << QStringList { "IN", "OUT", "--loud" } << QStringLiteral("Unknown option 'loud'.");
}

void TestConvert::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, firstLine);
    const QString input = path(QStringLiteral("in.wav"));
    const QString output = path(QStringLiteral("out.wav"));
    writeEightBit(input, pattern(100));
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^IN$")), input);
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^OUT$")), output);

    const Run run = convert(arguments);
    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.err,
        QStringLiteral("vq250-convert: %1\nTry 'vq250-convert --help' for more information.\n")
            .arg(firstLine));
    QVERIFY(!QFile::exists(output));
}

void TestConvert::help()
{
    for (const QString &option : { QStringLiteral("--help"), QStringLiteral("-h") }) {
        const Run run = convert({ option });
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QString());
        QVERIFY2(run.out.startsWith(
                     QStringLiteral("Usage: vq250-convert INPUT OUTPUT.wav [--bg8] [--gain DB]\n")),
            qPrintable(run.out));
        for (const char *part : { "--bg8", "--gain <DB>", "65519", "INPUT", "OUTPUT.wav" })
            QVERIFY2(run.out.contains(QLatin1String(part)), part);
    }
    // Help wins over missing file names, not over unknown options.
    QCOMPARE(convert({ "in.wav", "--help" }).status, 0);
    QCOMPARE(convert({ "--help", "--loud" }).status, 2);
}

void TestConvert::proposedName_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("asLoader"); // the loader proposes the same

    QTest::newRow("plain") << "Doorbell.wav"
                           << "Doorbell" << true;
    QTest::newRow("cut to 10") << "Announcement2.wav"
                               << "Announceme" << true;
    QTest::newRow("first point") << "door.bell.wav"
                                 << "door" << true;
    QTest::newRow("nothing left") << ".wav"
                                  << "Sound" << false;
    QTest::newRow("no extension") << "Chime"
                                  << "Chime" << true;
    QTest::newRow("point in folder") << "sub.d/Gong.wav"
                                     << "Gong" << true;
    QTest::newRow("ISO 8859-1 kept")
        << QString::fromUtf8("Café Öl.wav") << QString::fromUtf8("Café Öl") << true;
    QTest::newRow("accents dropped")
        << QString::fromUtf8("Dvořák.wav") << QString::fromUtf8("Dvorák") << false;
    QTest::newRow("Japanese") << QString::fromUtf8("ドアベル.wav") << "Sound" << false;
    QTest::newRow("control characters") << "a\tb\x7f\nc.wav"
                                        << "abc" << false;
    QTest::newRow("cut after the rule")
        << QString::fromUtf8("ﬁ12345678901.wav") << "fi12345678" << false;
}

void TestConvert::proposedName()
{
    QFETCH(QString, output);
    QFETCH(QString, name);
    QFETCH(bool, asLoader);
    QCOMPARE(proposedSoundName(output.toUtf8()), name);
#ifdef VQ250_HAVE_SOUND
    QCOMPARE(vq250::SoundNameFromPath(output) == name, asLoader);
#endif

    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sub.d")));
    const QString input = path(QStringLiteral("in.flac"));
    writeSound(input, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 8000, 1, 80, sine(1000.0, 8000));
    const Run run = convert({ input, path(output) });
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out,
        QStringLiteral("Wrote %1: 80 bytes (0.01 s) of 8000 Hz, unsigned 8-bit, mono PCM\n"
                       "Proposed sound name: %2\n")
            .arg(path(output), name));
}

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
