#include "vq250-load/LoadOptions.h"

#include "cli/CommandLine.h"

#include <QCommandLineParser>

namespace vq250::loadcli
{

namespace
{

const char *const Synopsis = "Usage: vq250-load [OPTION]... FILE.wav DEST\n"
                             "  or:  vq250-load [OPTION]... --library LIBRARY.csv\n"
                             "  or:  vq250-load --list-ports\n";

const char *const Description
    = "Loads one sound into one BG slot of a VQ250 with the VQ250 Loader's own open and\n"
      "load commands: the same checks in the same order, the same sound header and\n"
      "transfer, the same messages (on standard error).\n"
      "\n"
      "  FILE.wav        an 8 kHz, 8-bit, mono PCM WAV file (vq250-convert makes one)\n"
      "  DEST            station letter A to F and BG number 1 to 8, e.g. A1\n"
      "  LIBRARY.csv     a table with one sound per row: a header row naming the\n"
      "                  columns destination, file and optionally volume, name, loop\n"
      "                  (yes or no); file names relative to the table's folder.\n"
      "                  Every row is checked before anything is sent.\n";

const char *const ExitStatuses
    = "Exit status:\n"
      "  0  the sound was loaded\n"
      "  1  the load was refused (no file, station, BG number, too long for BG#8,\n"
      "     volume, name); nothing was sent\n"
      "  2  usage error\n"
      "  3  the serial port cannot be opened\n"
      "  4  the sound file was rejected (codes F0 to F3) or cannot be read\n"
      "  5  the transfer failed; the \"Error Code = XX\" line gives the code\n"
      "     (--library: a sound did not load; the summary says which)\n"
      "  6  everything loaded, but the trace, the --failed-to file or standard\n"
      "     output could not be written\n"
      "  130, 143  stopped by Ctrl-C (SIGINT) or SIGTERM; the current sound was\n"
      "     abandoned, the trace holds every byte sent\n"
      "  With --library, 1 means a row failed the check; nothing was sent.\n";

struct Options {
    cli::StandardOptions standard;
    cli::PortOptions ports;
    QCommandLineOption emulate { QStringLiteral("emulate"),
        QStringLiteral("Load into the built-in VQ250 emulator instead of a serial port.") };
    QCommandLineOption volume { QStringLiteral("volume"),
        QStringLiteral("Default volume, 0 to 255 (default 18)."), QStringLiteral("N") };
    QCommandLineOption name { QStringLiteral("name"),
        QStringLiteral("Sound name, at most 10 characters (default: from the file name)."),
        QStringLiteral("TEXT") };
    QCommandLineOption noLoop { QStringLiteral("no-loop"),
        QStringLiteral("Clear the loop flag (default: the sound loops).") };
    QCommandLineOption trace { QStringLiteral("trace"),
        QStringLiteral("Write every byte on the line, both ways and with the DTR state, "
                       "to FILE."),
        QStringLiteral("FILE") };
    QCommandLineOption library { QStringLiteral("library"),
        QStringLiteral("Load every sound of a library table (CSV), one per row."),
        QStringLiteral("LIBRARY.csv") };
    QCommandLineOption dryRun { QStringLiteral("dry-run"),
        QStringLiteral("With --library: only check every row and estimate the time; "
                       "opens no port.") };
    QCommandLineOption keepGoing { QStringLiteral("keep-going"),
        QStringLiteral("With --library: after a failed sound, go on with the next.") };
    QCommandLineOption failedTo { QStringLiteral("failed-to"),
        QStringLiteral("With --library: write the rows that did not load to FILE, as a "
                       "library of their own."),
        QStringLiteral("FILE") };

    void addTo(QCommandLineParser &parser) const
    {
        standard.addTo(parser);
        parser.addOptions({ ports.port, emulate, volume, name, noLoop, trace, library, dryRun,
            keepGoing, failedTo, ports.listPorts });
    }
};

} // namespace

QString loadUsage()
{
    QCommandLineParser parser;
    const Options options;
    options.addTo(parser);
    return cli::helpText({ QString::fromLatin1(Synopsis), QString::fromLatin1(Description),
                             QString::fromLatin1(ExitStatuses) },
        parser);
}

ParsedOptions parseLoadOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    const Options options;
    options.addTo(parser);

    ParsedOptions parsed;
    LoadOptions &result = parsed.options;
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    if (parser.isSet(options.standard.help)) {
        result.action = LoadOptions::Action::Help;
        return parsed;
    }
    if (parser.isSet(options.standard.version)) {
        result.action = LoadOptions::Action::Version;
        return parsed;
    }
    if (parser.isSet(options.ports.listPorts)) {
        result.action = LoadOptions::Action::ListPorts;
        return parsed;
    }

    result.emulate = parser.isSet(options.emulate);
    if (parser.isSet(options.ports.port)) {
        if (result.emulate) {
            parsed.error = QStringLiteral("--port and --emulate exclude each other");
            return parsed;
        }
        result.port = parser.value(options.ports.port);
        if (result.port.isEmpty()) {
            parsed.error = QStringLiteral("--port needs a port name");
            return parsed;
        }
    }
    if (parser.isSet(options.volume))
        result.volume = parser.value(options.volume);
    if (parser.isSet(options.name))
        result.name = parser.value(options.name);
    result.noLoop = parser.isSet(options.noLoop);
    if (parser.isSet(options.trace)) {
        result.tracePath = parser.value(options.trace);
        if (result.tracePath.isEmpty()) {
            parsed.error = QStringLiteral("--trace needs a file name");
            return parsed;
        }
    }

    const QStringList positional = parser.positionalArguments();
    result.dryRun = parser.isSet(options.dryRun);
    result.keepGoing = parser.isSet(options.keepGoing);
    result.failedToPath = parser.value(options.failedTo);
    if (parser.isSet(options.library)) {
        result.libraryFile = parser.value(options.library);
        if (result.libraryFile.isEmpty())
            parsed.error = QStringLiteral("--library needs a file name");
        else if (!positional.isEmpty())
            parsed.error
                = QStringLiteral("--library takes no FILE.wav or DEST; the table names them");
        else if (result.volume || result.name || result.noLoop)
            parsed.error
                = QStringLiteral("--volume, --name and --no-loop go into the library's columns");
        else if (parser.isSet(options.failedTo) && result.failedToPath.isEmpty())
            parsed.error = QStringLiteral("--failed-to needs a file name");
        return parsed;
    }
    if (result.dryRun || result.keepGoing || parser.isSet(options.failedTo)) {
        parsed.error = QStringLiteral("--dry-run, --keep-going and --failed-to need --library");
        return parsed;
    }
    if (positional.size() != 2) {
        parsed.error = QStringLiteral("expected FILE.wav and DEST, got %1 argument(s)")
                           .arg(positional.size());
        return parsed;
    }
    result.soundFile = positional.at(0);
    result.destination = positional.at(1);
    return parsed;
}

} // namespace vq250::loadcli
