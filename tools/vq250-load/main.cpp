#include "vq250-load/LoadProgram.h"
#include "vq250-load/StopSignals.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

#include <sys/ioctl.h>
#include <unistd.h>

namespace
{

bool stderrIsTerminal()
{
    return isatty(fileno(stderr)) != 0;
}

// The terminal's width now: it may change while the bar is shown.
int stderrColumns()
{
    winsize size {};
    if (::ioctl(fileno(stderr), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Standard output through a QFile, so a failed write keeps the system's reason.
    QFile outFile;
    outFile.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    QTextStream out(&outFile);
    QTextStream err(stderr);
    vq250::loadcli::StopSignals stopSignals;
    vq250::loadcli::LoadProgram program(out, err);
    program.setProgressOnTerminal(stderrIsTerminal());
    program.setColumns(stderrColumns);
    program.setStopSignals(&stopSignals);
    int status = program.run(QCoreApplication::arguments());
    out.flush();
    if (out.status() != QTextStream::Ok || !outFile.flush()) {
        err << "vq250-load: cannot write standard output: " << outFile.errorString() << '\n';
        if (status == vq250::loadcli::ExitLoaded)
            status = vq250::loadcli::ExitWriteFailed;
    }
    return status;
}
