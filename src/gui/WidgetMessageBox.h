#pragma once

#include "platform/MessageBox.h"

#include <QMessageBox>

class QWidget;

namespace vq250
{

// The title shown when a caller gives none.
QString applicationTitle();

// Prompts keep carriage returns between lines; the box shows each one as a
// line break (a CR LF pair as one break).
QString displayText(const QString &prompt);

// Puts title, text, buttons and icon for a style value on a box: the low
// bits choose OK (0) or OK and Cancel (1), 48 adds the warning icon.
void configureMessageBox(QMessageBox &box, const QString &prompt, int style, const QString &title);

// Which answer a finished box gives; closing the box counts as its escape
// button: Cancel when there is one, OK otherwise.
MsgAnswer answerOf(QMessageBox &box);

// The modal message box on QMessageBox.
class WidgetMessageBox final : public MessageBox
{
public:
    explicit WidgetMessageBox(QWidget *parent = nullptr)
        : m_parent(parent)
    {
    }
    MsgAnswer show(const QString &prompt, int style, const QString &title) override;

private:
    QWidget *m_parent;
};

} // namespace vq250
