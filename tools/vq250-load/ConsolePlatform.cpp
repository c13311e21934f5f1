#include "vq250-load/ConsolePlatform.h"

#include "sound/OpenCommand.h"

#include <QFileInfo>

namespace vq250::loadcli
{

ConsoleMessageBox::ConsoleMessageBox(Printer print)
    : m_print(std::move(print))
{
}

QString ConsoleMessageBox::text(const QString &prompt, const QString &title, bool warning)
{
    QString lines = prompt;
    lines.replace(QChar(13), QLatin1Char('\n'));
    return QStringLiteral("vq250-load: ") + (warning ? QStringLiteral("warning: ") : QString())
        + title + QLatin1Char('\n') + lines + QLatin1Char('\n');
}

MsgAnswer ConsoleMessageBox::show(const QString &prompt, int, const QString &title)
{
    m_print(text(prompt, title, title == soundTooLongTitle()));
    return MsgOk;
}

GivenFileDialog::GivenFileDialog(QString path)
    : m_path(std::move(path))
{
}

// A dialog yields a full path; the open command takes the sound name from it.
std::optional<QString> GivenFileDialog::openFile(const QString &, const QString &, int)
{
    return QFileInfo(m_path).absoluteFilePath();
}

} // namespace vq250::loadcli
