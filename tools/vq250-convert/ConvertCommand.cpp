#include "vq250-convert/ConvertCommand.h"

#include "vq250-convert/Converter.h"
#include "vq250-convert/OutputPaths.h"
#include "vq250-convert/WavWriter.h"

#include <QCommandLineParser>
#include <QLocale>

#include <cmath>

namespace vq250::convert
{

namespace
{

const QString ProgramName = QStringLiteral("vq250-convert");
// Beyond this a gain only yields silence or a square wave.
constexpr double LargestGainDb = 100.0;
// The loader reads the data size as a signed 32-bit value.
constexpr qint64 LongestWavData = 0x7FFFFFFF - WavHeaderSize;

QString seconds(qint64 bytes)
{
    return QString::number(double(bytes) / DeviceSampleRate, 'f', 2) + QStringLiteral(" s");
}

struct Arguments {
    QString input;
    QString output;
    bool bg8 = false;
    double gainDb = 0.0;
};

class Parser
{
public:
    Parser()
        : m_help({ QStringLiteral("h"), QStringLiteral("help") },
            QStringLiteral("Show this help and exit."))
        , m_bg8(QStringLiteral("bg8"),
              QStringLiteral("Cut the sound to %1 bytes so it fits BG slot 8.").arg(SoundBG8Max))
        , m_gain(QStringLiteral("gain"),
              QStringLiteral("Change the level by DB decibels before the conversion "
                             "(default 0)."),
              QStringLiteral("DB"), QStringLiteral("0"))
    {
        m_parser.setApplicationDescription(
            QStringLiteral("Converts a sound file to the one format the VQ250 Loader opens: "
                           "a WAV file of 8000 Hz, unsigned 8-bit, mono PCM."));
        m_parser.addOption(m_help);
        m_parser.addOption(m_bg8);
        m_parser.addOption(m_gain);
        m_parser.addPositionalArgument(QStringLiteral("INPUT"),
            QStringLiteral("Any sound file libsndfile reads (WAV, FLAC, Ogg, AIFF...)."));
        m_parser.addPositionalArgument(
            QStringLiteral("OUTPUT.wav"), QStringLiteral("The WAV file to write."));
    }

    QString usage() const
    {
        // The first line names the program, whatever binary runs this code.
        QString text = m_parser.helpText();
        const qsizetype firstLineEnd = text.indexOf(QLatin1Char('\n'));
        return QStringLiteral("Usage: %1 INPUT OUTPUT.wav [--bg8] [--gain DB]").arg(ProgramName)
            + text.mid(firstLineEnd);
    }

    // Empty text when the arguments are usable; `help` when help was asked.
    QString parse(const QStringList &arguments, Arguments &parsed, bool &help)
    {
        help = false;
        if (!m_parser.parse(arguments))
            return m_parser.errorText();
        if (m_parser.isSet(m_help)) {
            help = true;
            return {};
        }
        const QStringList positional = m_parser.positionalArguments();
        if (positional.size() != 2)
            return QStringLiteral("expected INPUT and OUTPUT.wav, got %1 file name(s)")
                .arg(positional.size());
        parsed.input = positional.at(0);
        parsed.output = positional.at(1);
        parsed.bg8 = m_parser.isSet(m_bg8);
        bool ok = false;
        const QString gainText = m_parser.value(m_gain);
        parsed.gainDb = QLocale::c().toDouble(gainText, &ok);
        if (!ok || !std::isfinite(parsed.gainDb) || std::abs(parsed.gainDb) > LargestGainDb)
            return QStringLiteral("--gain needs a number of decibels from -%1 to %1, not \"%2\"")
                .arg(LargestGainDb)
                .arg(gainText);
        return {};
    }

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_bg8;
    QCommandLineOption m_gain;
};

void warn(QTextStream &err, const QString &text)
{
    err << ProgramName << ": warning: " << text << '\n';
}

void note(QTextStream &err, const QString &text)
{
    err << ProgramName << ": " << text << '\n';
}

// Cuts for slot 8 or warns that slots 1 to 7 will not keep it all.
void fitLength(QByteArray &samples, bool bg8, QTextStream &err)
{
    const qint64 length = samples.size();
    if (bg8 && length > SoundBG8Max) {
        samples.truncate(SoundBG8Max);
        note(err,
            QStringLiteral("cut from %1 bytes (%2) to %3 bytes (%4) for BG slot 8")
                .arg(length)
                .arg(seconds(length))
                .arg(SoundBG8Max)
                .arg(seconds(SoundBG8Max)));
    } else if (!bg8 && length > SoundKeepMax) {
        warn(err,
            QStringLiteral("the sound is %1 bytes (%2); slots 1 to 7 keep at most %3 "
                           "bytes (%4), so the loader will cut it")
                .arg(length)
                .arg(seconds(length))
                .arg(SoundKeepMax)
                .arg(seconds(SoundKeepMax)));
    }
}

void reportDamage(const Quantized &sound, QTextStream &err)
{
    if (sound.clipped > 0)
        warn(err,
            QStringLiteral("%1 sample(s) clipped; a lower --gain avoids that").arg(sound.clipped));
    if (sound.notFinite > 0)
        warn(err,
            QStringLiteral("%1 sample(s) were not numbers or infinite; NaN became "
                           "silence, infinities the limit")
                .arg(sound.notFinite));
}

} // namespace

int runConvertCommand(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    Parser parser;
    Arguments args;
    bool help = false;
    const QString usageError = parser.parse(arguments, args, help);
    if (help) {
        out << parser.usage();
        out.flush();
        return ExitOk;
    }
    if (!usageError.isEmpty()) {
        err << ProgramName << ": " << usageError << '\n'
            << "Try '" << ProgramName << " --help' for more information.\n";
        err.flush();
        return ExitUsage;
    }
    if (isSameFile(args.input, args.output)) {
        err << ProgramName << ": refusing to overwrite the input file " << args.input
            << "; choose another OUTPUT\n";
        err.flush();
        return ExitUsage;
    }

    ConvertSettings settings;
    settings.gainDb = args.gainDb;
    Conversion conversion = convertSound(args.input, settings);
    if (!conversion.error.isEmpty()) {
        err << ProgramName << ": cannot convert " << args.input << ": " << conversion.error << '\n';
        err.flush();
        return ExitConversionFailed;
    }

    QByteArray &samples = conversion.sound.samples;
    if (samples.isEmpty())
        warn(err, QStringLiteral("the input holds no samples; the output is an empty sound"));
    fitLength(samples, args.bg8, err);
    if (samples.size() > LongestWavData) {
        err << ProgramName << ": cannot convert " << args.input << ": " << samples.size()
            << " bytes is more than a WAV file holds\n";
        err.flush();
        return ExitConversionFailed;
    }
    reportDamage(conversion.sound, err);

    const QString writeError = writeWavFile(args.output, samples);
    if (!writeError.isEmpty()) {
        err << ProgramName << ": cannot write " << args.output << ": " << writeError << '\n';
        err.flush();
        return ExitConversionFailed;
    }
    err.flush();
    out << "Wrote " << args.output << ": " << samples.size() << " bytes ("
        << seconds(samples.size()) << ") of 8000 Hz, unsigned 8-bit, mono PCM\n"
        << "Proposed sound name: " << proposedSoundName(args.output) << '\n';
    out.flush();
    return ExitOk;
}

} // namespace vq250::convert
