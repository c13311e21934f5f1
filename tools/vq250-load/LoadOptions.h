#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vq250::loadcli
{

// What the command line asks for.
struct LoadOptions {
    enum class Action { Load, ListPorts, Help, Version };

    Action action = Action::Load;
    QString port; // empty: serial port 1, as the window uses
    bool emulate = false;
    std::optional<QString> volume; // the volume entry, as typed
    std::optional<QString> name; // the sound name entry, as typed
    bool noLoop = false;
    QString tracePath; // empty: no trace
    QString soundFile;
    QString destination;
    QString libraryFile; // --library: one sound per row instead of FILE.wav DEST
    bool dryRun = false; // check the library only
    bool keepGoing = false; // after a failed sound, go on with the next
    QString failedToPath; // where the rows that did not load go, as a library
};

struct ParsedOptions {
    LoadOptions options;
    QString error; // empty when the arguments are usable
};

// `arguments` as main() gets them, program name first.
ParsedOptions parseLoadOptions(const QStringList &arguments);

// The text of --help, exit statuses included.
QString loadUsage();

} // namespace vq250::loadcli
