#pragma once

#include "platform/FileDialog.h"

#include <QStringList>

class QFileDialog;
class QWidget;

namespace vq250
{

// "desc|pattern|desc|pattern" to Qt's name filters, one "desc (patterns)"
// per pair. Patterns separated by ';' become space-separated; a description
// that already ends in its own "(patterns)" is kept as it is. A trailing
// description without a pattern is dropped.
QStringList qtNameFilters(const QString &filter);

// The folder the dialog starts in: the given one when it exists, else home.
QString startFolder(const QString &initialFolder);

// Sets up a dialog as openFile() shows it.
void configureFileDialog(
    QFileDialog &dialog, const QString &filter, const QString &initialFolder, int filterIndex);

// What openFile() yields once the dialog has closed with `result`.
std::optional<QString> chosenPath(int result, const QStringList &selectedFiles);

// The file-open dialog on QFileDialog.
class WidgetFileDialog final : public FileDialog
{
public:
    explicit WidgetFileDialog(QWidget *parent = nullptr)
        : m_parent(parent)
    {
    }
    std::optional<QString> openFile(
        const QString &filter, const QString &initialFolder, int filterIndex) override;

private:
    QWidget *m_parent;
};

} // namespace vq250
