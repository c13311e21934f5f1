#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace vq250::cli
{

// What a program's --help says around the option list that Qt writes.
struct HelpText {
    QString usage; // "Usage: ..." lines, each ending in a newline
    QString description; // what the program does, before the options
    QString epilogue; // after the options (exit statuses); may be empty
};

// -h/--help and --version, alike in every program.
struct StandardOptions {
    QCommandLineOption help { { QStringLiteral("h"), QStringLiteral("help") },
        QStringLiteral("Show this help and exit.") };
    QCommandLineOption version { QStringLiteral("version"),
        QStringLiteral("Show the version and exit.") };

    void addTo(QCommandLineParser &parser) const { parser.addOptions({ help, version }); }
};

// --port and --list-ports, alike in the window and in vq250-load.
struct PortOptions {
    QCommandLineOption port { QStringLiteral("port"),
        QStringLiteral("Serial port to use (/dev/ttyUSB0, COM3). Default: port 1 "
                       "(/dev/ttyS0, COM1)."),
        QStringLiteral("NAME") };
    QCommandLineOption listPorts { QStringLiteral("list-ports"),
        QStringLiteral("List the machine's serial ports and exit.") };
};

// The GNU --version text: "vq250-load (VQ250 Loader) 1.5.0" and the copyright.
QString versionText(const QString &program);

// The GNU --help text: usage, description, the parser's options, epilogue.
QString helpText(const HelpText &help, const QCommandLineParser &parser);

// main()'s arguments as text, before any Qt application exists (a window
// program parses them before it needs a display).
QStringList argumentsOf(int argc, char **argv);

// What a usage error prints on standard error.
QString usageErrorText(const QString &program, const QString &error);

} // namespace vq250::cli
