#include "cli/WindowOptions.h"

#include "cli/CommandLine.h"
#include "cli/PortList.h"

#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vq250::cli
{

namespace
{

struct Options {
    StandardOptions standard;
    PortOptions ports;
    QCommandLineOption quitAfter { QStringLiteral("quit-after"),
        QStringLiteral("Quit by itself MS milliseconds after the window shows, with status 0 "
                       "when it was drawn (for scripted checks)."),
        QStringLiteral("MS") };

    explicit Options(WindowProgram program, QCommandLineParser &parser)
    {
        standard.addTo(parser);
        if (program == WindowProgram::Loader)
            parser.addOptions({ ports.port, ports.listPorts });
        else
            parser.addOption(quitAfter);
    }
};

HelpText helpFor(WindowProgram program)
{
    if (program == WindowProgram::Loader)
        return { QStringLiteral("Usage: vq250 [--port NAME]\n"
                                "  or:  vq250 --list-ports\n"),
            QStringLiteral(
                "Loads background sounds into a VQ250 sound device over a serial line.\n"
                "Open an 8 kHz, 8-bit, mono PCM .wav file, type the destination (station\n"
                "A to F, BG slot 1 to 8), a volume and a name, and press LOAD. The port\n"
                "runs at 57600 baud, 8N1; when it cannot be opened, the program names the\n"
                "serial ports present and exits with status 1.\n"),
            {} };
    return { QStringLiteral("Usage: vq250-demo [--quit-after MS]\n"),
        QStringLiteral(
            "The VQ250 Loader's window with a built-in VQ250 emulator in place of serial\n"
            "port 1, at real line speed: no device or serial port needed. Right-click\n"
            "the window for a menu that makes the next load meet a device fault.\n"),
        {} };
}

} // namespace

QString windowProgramName(WindowProgram program)
{
    return program == WindowProgram::Loader ? QStringLiteral("vq250")
                                            : QStringLiteral("vq250-demo");
}

QString windowUsage(WindowProgram program)
{
    QCommandLineParser parser;
    const Options options(program, parser);
    return helpText(helpFor(program), parser);
}

ParsedWindowOptions parseWindowOptions(WindowProgram program, const QStringList &arguments)
{
    QCommandLineParser parser;
    const Options options(program, parser);
    ParsedWindowOptions parsed;
    WindowOptions &result = parsed.options;
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    if (!parser.positionalArguments().isEmpty()) {
        parsed.error = QStringLiteral("unexpected argument \"%1\"")
                           .arg(parser.positionalArguments().constFirst());
        return parsed;
    }
    if (parser.isSet(options.standard.help)) {
        result.action = WindowOptions::Action::Help;
    } else if (parser.isSet(options.standard.version)) {
        result.action = WindowOptions::Action::Version;
    } else if (program == WindowProgram::Loader && parser.isSet(options.ports.listPorts)) {
        result.action = WindowOptions::Action::ListPorts;
    } else if (program == WindowProgram::Loader && parser.isSet(options.ports.port)) {
        result.port = parser.value(options.ports.port);
        if (result.port.isEmpty())
            parsed.error = QStringLiteral("--port needs a port name");
    } else if (program == WindowProgram::Demo && parser.isSet(options.quitAfter)) {
        bool ok = false;
        result.quitAfterMs = parser.value(options.quitAfter).toInt(&ok);
        if (!ok || result.quitAfterMs < 0)
            parsed.error = QStringLiteral("--quit-after needs a number of milliseconds, not \"%1\"")
                               .arg(parser.value(options.quitAfter));
    }
    return parsed;
}

int answerWithoutWindow(WindowProgram program, const ParsedWindowOptions &parsed)
{
    const QString name = windowProgramName(program);
    if (!parsed.error.isEmpty()) {
        QTextStream(stderr) << usageErrorText(name, parsed.error);
        return 2;
    }
    QTextStream out(stdout);
    switch (parsed.options.action) {
    case WindowOptions::Action::Run:
        return -1;
    case WindowOptions::Action::Help:
        out << windowUsage(program);
        break;
    case WindowOptions::Action::Version:
        out << versionText(name);
        break;
    case WindowOptions::Action::ListPorts:
        out << portListText(presentSerialPorts());
        break;
    }
    out.flush();
    if (std::fflush(stdout) != 0 || out.status() != QTextStream::Ok) {
        QTextStream(stderr) << name << ": cannot write standard output: "
                            << QString::fromLocal8Bit(std::strerror(errno)) << '\n';
        return 1;
    }
    return 0;
}

} // namespace vq250::cli
