#include "vq250-convert/ConvertCommand.h"

#include "vq250-convert/Converter.h"
#include "sound/OutputFile.h"
#include "vq250-convert/OutputPaths.h"
#include "vq250-convert/WavWriter.h"

#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QFile>
#include <QLocale>

#include <cmath>

namespace vq250::convert
{

namespace
{

const QString ProgramName = QStringLiteral("vq250-convert");
// Beyond this a gain only yields silence or a square wave.
constexpr double LargestGainDb = 100.0;

QString seconds(qint64 bytes)
{
    return QString::number(double(bytes) / DeviceSampleRate, 'f', 2) + QStringLiteral(" s");
}

struct Arguments {
    QByteArray input; // the system's bytes
    QByteArray output;
    bool bg8 = false;
    double gainDb = 0.0;
};

class Parser
{
public:
    Parser()
        : m_bg8(QStringLiteral("bg8"),
            QStringLiteral("Cut the sound to %1 bytes so it fits BG slot 8.").arg(SoundBG8Max))
        , m_gain(QStringLiteral("gain"),
              QStringLiteral("Change the level by DB decibels before the conversion "
                             "(default 0)."),
              QStringLiteral("DB"), QStringLiteral("0"))
    {
        m_parser.setApplicationDescription(
            QStringLiteral("Converts a sound file to the one format the VQ250 Loader opens: "
                           "a WAV file of 8000 Hz, unsigned 8-bit, mono PCM."));
        m_standard.addTo(m_parser);
        m_parser.addOption(m_bg8);
        m_parser.addOption(m_gain);
        m_parser.addPositionalArgument(QStringLiteral("INPUT"),
            QStringLiteral("Any sound file libsndfile reads (WAV, FLAC, Ogg, AIFF...)."));
        m_parser.addPositionalArgument(QStringLiteral("OUTPUT.wav"),
            QStringLiteral("The WAV file to write, replaced whole or not at all; - for standard "
                           "output. A character device or FIFO is written straight; a "
                           "directory, socket or block device is refused."));
    }

    QString usage() const
    {
        // The first line names the program, whatever binary runs this code.
        QString text = m_parser.helpText();
        const qsizetype firstLineEnd = text.indexOf(QLatin1Char('\n'));
        return QStringLiteral("Usage: %1 INPUT OUTPUT.wav [--bg8] [--gain DB]").arg(ProgramName)
            + text.mid(firstLineEnd);
    }

    // Empty text when the arguments are usable; `help` or `version` when
    // that was asked.
    QString parse(const NativeArguments &arguments, Arguments &parsed, bool &help, bool &version)
    {
        help = false;
        version = false;
        if (!m_parser.parse(arguments.texts()))
            return m_parser.errorText();
        if (m_parser.isSet(m_standard.help)) {
            help = true;
            return {};
        }
        if (m_parser.isSet(m_standard.version)) {
            version = true;
            return {};
        }
        const QStringList positional = m_parser.positionalArguments();
        if (positional.size() != 2)
            return QStringLiteral("expected INPUT and OUTPUT.wav, got %1 file name(s)")
                .arg(positional.size());
        const QList<QByteArray> files = arguments.bytesOf(positional);
        parsed.input = files.at(0);
        parsed.output = files.at(1);
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
    cli::StandardOptions m_standard;
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

// Says what was cut for slot 8, by the cap, or will be cut by the loader.
void reportLength(const Conversion &conversion, bool bg8, QTextStream &err)
{
    const qint64 length = conversion.sound.samples.size();
    const qint64 full = conversion.fullLength;
    const QString from = full > length
        ? QStringLiteral("from %1 bytes (%2) ").arg(full).arg(seconds(full))
        : QString();
    if (conversion.cut && bg8)
        note(err,
            QStringLiteral("cut %1to %2 bytes (%3) for BG slot 8")
                .arg(from)
                .arg(SoundBG8Max)
                .arg(seconds(SoundBG8Max)));
    else if (conversion.cut)
        warn(err,
            QStringLiteral("the input is longer than %1 bytes (%2) at 8000 Hz; only that "
                           "much of it is converted")
                .arg(LongestConversionBytes)
                .arg(seconds(LongestConversionBytes)));
    if (!bg8 && length > SoundKeepMax)
        warn(err,
            QStringLiteral("the sound is %1 bytes (%2); slots 1 to 7 keep at most %3 "
                           "bytes (%4), so the loader will cut it")
                .arg(length)
                .arg(seconds(length))
                .arg(SoundKeepMax)
                .arg(seconds(SoundKeepMax)));
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
    QList<QByteArray> bytes;
    for (const QString &argument : arguments)
        bytes << QFile::encodeName(argument);
    return runConvertCommand(NativeArguments(bytes), out, err);
}

int runConvertCommand(const NativeArguments &arguments, QTextStream &out, QTextStream &err)
{
    Parser parser;
    Arguments args;
    bool help = false;
    bool version = false;
    const QString usageError = parser.parse(arguments, args, help, version);
    if (version) {
        out << cli::versionText(ProgramName);
        out.flush();
        return ExitOk;
    }
    if (help) {
        out << parser.usage();
        out.flush();
        return ExitOk;
    }
    if (!usageError.isEmpty()) {
        err << cli::usageErrorText(ProgramName, usageError);
        err.flush();
        return ExitUsage;
    }
    const QString input = QFile::decodeName(args.input);
    const QString output = QFile::decodeName(args.output);
    if (isSameFile(args.input, args.output)) {
        err << ProgramName << ": refusing to overwrite the input file " << input
            << "; choose another OUTPUT\n";
        err.flush();
        return ExitUsage;
    }

    ConvertSettings settings;
    settings.gainDb = args.gainDb;
    settings.keepSamples = args.bg8 ? SoundBG8Max : LongestConversionBytes;
    const Conversion conversion = convertSound(args.input, settings);
    if (!conversion.error.isEmpty()) {
        err << ProgramName << ": cannot convert " << input << ": " << conversion.error << '\n';
        err.flush();
        return ExitConversionFailed;
    }

    const OutputFile target(args.output, QStringLiteral("vq250-convert"));
    if (target.kind() == OutputFile::Kind::Refused) {
        err << ProgramName << ": cannot write " << output << ": " << target.refusal() << '\n';
        err.flush();
        return ExitConversionFailed;
    }
    const QByteArray &samples = conversion.sound.samples;
    if (samples.isEmpty())
        warn(err, QStringLiteral("the input holds no samples; the output is an empty sound"));
    reportLength(conversion, args.bg8, err);
    reportDamage(conversion.sound, err);

    const QString writeError = target.write(wavFile(samples));
    if (!writeError.isEmpty()) {
        err << ProgramName << ": cannot write " << output << ": " << writeError << '\n';
        err.flush();
        return ExitConversionFailed;
    }
    // The sound itself may fill standard output: the report goes beside it.
    const bool toStandardOutput = target.kind() == OutputFile::Kind::StandardOutput;
    QTextStream &report = toStandardOutput ? err : out;
    report << "Wrote " << (toStandardOutput ? QStringLiteral("standard output") : output) << ": "
           << samples.size() << " bytes (" << seconds(samples.size())
           << ") of 8000 Hz, unsigned 8-bit, mono PCM\n";
    if (!toStandardOutput)
        report << "Proposed sound name: " << proposedSoundName(args.output) << '\n';
    err.flush();
    out.flush();
    return ExitOk;
}

} // namespace vq250::convert
