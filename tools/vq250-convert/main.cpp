#include "vq250-convert/ConvertCommand.h"

#include "sound/FileKind.h"

#include <QCoreApplication>

#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Collected first, so a failed write to standard output can be told.
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    int status = vq250::convert::runConvertCommand(vq250::NativeArguments(argc, argv), out, err);
    out.flush();
    err.flush();
    vq250::writeAll(STDERR_FILENO, errText.toLocal8Bit());
    if (const int error = vq250::writeAll(STDOUT_FILENO, outText.toLocal8Bit())) {
        vq250::writeAll(STDERR_FILENO,
            "vq250-convert: cannot write to standard output: "
                + vq250::systemReason(error).toLocal8Bit() + '\n');
        status = vq250::convert::ExitConversionFailed;
    }
    return status;
}
