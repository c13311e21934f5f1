#include "cli/CommandLine.h"

#include "Version.h"

namespace vq250::cli
{

QString versionText(const QString &program)
{
    return QStringLiteral("%1 (%2) %3\nCopyright (C) 2026 The VQ250 Loader developers.\n")
        .arg(program, QLatin1String(PackageTitle), QLatin1String(VersionString));
}

QString helpText(const HelpText &help, const QCommandLineParser &parser)
{
    // Only the option list of Qt's help; its usage line names the binary.
    const QString qtHelp = parser.helpText();
    const qsizetype optionsAt = qtHelp.indexOf(QStringLiteral("Options:"));
    QString text = help.usage + help.description;
    if (optionsAt >= 0)
        text += QLatin1Char('\n') + qtHelp.mid(optionsAt);
    if (!help.epilogue.isEmpty())
        text += QLatin1Char('\n') + help.epilogue;
    return text;
}

QStringList argumentsOf(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

QString usageErrorText(const QString &program, const QString &error)
{
    return QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(program, error);
}

} // namespace vq250::cli
