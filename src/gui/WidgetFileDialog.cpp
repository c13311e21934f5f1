#include "gui/WidgetFileDialog.h"

#include <QDir>
#include <QFileDialog>

namespace vq250
{

QStringList qtNameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1]
                                     .split(QLatin1Char(';'), Qt::SkipEmptyParts)
                                     .replaceInStrings(QStringLiteral(" "), QString())
                                     .join(QLatin1Char(' '));
        const QString ownTail = QLatin1Char('(') + patterns + QLatin1Char(')');
        filters << (description.endsWith(ownTail) ? description
                                                  : description + QLatin1Char(' ') + ownTail);
    }
    return filters;
}

QString startFolder(const QString &initialFolder)
{
    // The design folder is a Windows path; elsewhere it will not exist.
    if (!initialFolder.isEmpty() && QDir(initialFolder).exists())
        return initialFolder;
    return QDir::homePath();
}

void configureFileDialog(
    QFileDialog &dialog, const QString &filter, const QString &initialFolder, int filterIndex)
{
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = qtNameFilters(filter);
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters[filterIndex - 1]);
    dialog.setDirectory(startFolder(initialFolder));
}

std::optional<QString> WidgetFileDialog::openFile(
    const QString &filter, const QString &initialFolder, int filterIndex)
{
    QFileDialog dialog(m_parent);
    configureFileDialog(dialog, filter, initialFolder, filterIndex);
    const int result = dialog.exec();
    return chosenPath(result, dialog.selectedFiles());
}

std::optional<QString> chosenPath(int result, const QStringList &selectedFiles)
{
    if (result != QDialog::Accepted || selectedFiles.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(selectedFiles.constFirst());
}

} // namespace vq250
