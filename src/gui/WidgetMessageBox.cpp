#include "gui/WidgetMessageBox.h"

#include <QAbstractButton>

namespace vq250
{

QString applicationTitle()
{
    return QStringLiteral("VQ250");
}

QString displayText(const QString &prompt)
{
    QString text = prompt;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void configureMessageBox(QMessageBox &box, const QString &prompt, int style, const QString &title)
{
    box.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    // Plain text: paths and device texts must never be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(displayText(prompt));
    box.setIcon((style & 0x70) == MsgOkExclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
    if ((style & 0x0F) == MsgOkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
}

MsgAnswer answerOf(QMessageBox &box)
{
    QAbstractButton *clicked = box.clickedButton();
    if (!clicked)
        clicked = box.escapeButton();
    return box.standardButton(clicked) == QMessageBox::Cancel ? MsgCancel : MsgOk;
}

MsgAnswer WidgetMessageBox::show(const QString &prompt, int style, const QString &title)
{
    QMessageBox box(m_parent);
    configureMessageBox(box, prompt, style, title);
    box.exec();
    return answerOf(box);
}

} // namespace vq250
