#include "vq250-convert/ConvertCommand.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return vq250::convert::runConvertCommand(QCoreApplication::arguments(), out, err);
}
