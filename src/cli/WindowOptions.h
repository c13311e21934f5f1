#pragma once

#include <QString>
#include <QStringList>

namespace vq250::cli
{

// The two window programs: the loader on a serial port, and its demo on the
// built-in emulator.
enum class WindowProgram { Loader, Demo };

// What the command line of vq250 or vq250-demo asks for.
struct WindowOptions {
    enum class Action { Run, Help, Version, ListPorts };

    Action action = Action::Run;
    QString port; // empty: serial port 1
    int quitAfterMs = -1; // the demo quits by itself this long after it shows; -1 never
};

struct ParsedWindowOptions {
    WindowOptions options;
    QString error; // empty when the arguments are usable
};

QString windowProgramName(WindowProgram program);

// `arguments` as main() gets them, program name first.
ParsedWindowOptions parseWindowOptions(WindowProgram program, const QStringList &arguments);

// The text of --help.
QString windowUsage(WindowProgram program);

// Answers --help, --version, --list-ports or a usage error on the standard
// streams and gives the exit status; -1 when the window is to run.
int answerWithoutWindow(WindowProgram program, const ParsedWindowOptions &parsed);

} // namespace vq250::cli
