#include "vq250-load/LoadProgram.h"

#include <QCoreApplication>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace
{

bool stderrIsTerminal()
{
#ifdef Q_OS_UNIX
    return isatty(fileno(stderr)) != 0;
#else
    return false;
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    vq250::loadcli::LoadProgram program(out, err);
    program.setProgressOnTerminal(stderrIsTerminal());
    return program.run(QCoreApplication::arguments());
}
