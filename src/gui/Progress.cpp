#include "gui/Progress.h"

#include "gui/Design.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace vq250
{

Progress::Progress(QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
            | Qt::WindowCloseButtonHint)
    , m_progressMsg(new QLabel(QStringLiteral("Writing Sound to Flash BG# A8"), this))
    , m_progressBar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("Progress"));
    setWindowTitle(QStringLiteral("Progress"));
    setModal(false);
    setFixedSize(twipsToPixels(3495), twipsToPixels(1455));

    m_progressMsg->setObjectName(QStringLiteral("ProgressMsg"));
    m_progressMsg->setGeometry(twipsRect(240, 120, 3015, 255));
    m_progressMsg->setFont(largeBoldFont());
    m_progressMsg->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    m_progressBar->setObjectName(QStringLiteral("ProgressBar"));
    m_progressBar->setGeometry(twipsRect(360, 480, 2775, 255));
    m_progressBar->setOrientation(Qt::Horizontal);
    m_progressBar->setRange(0, 100);
    m_progressBar->setTextVisible(false);
    // The window's own load step.
    m_progressBar->setValue(0);
}

void Progress::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

WidgetProgressView::~WidgetProgressView() = default;

Progress &WidgetProgressView::ensureWindow()
{
    if (!m_window)
        m_window = std::make_unique<Progress>();
    return *m_window;
}

void WidgetProgressView::setMessage(const QString &text)
{
    ensureWindow().message().setText(text);
}

void WidgetProgressView::setValue(float percent)
{
    // QProgressBar ignores values outside its range; keep the bar honest.
    const int value = std::clamp(int(std::lround(percent)), 0, 100);
    ensureWindow().bar().setValue(value);
}

void WidgetProgressView::setVisible(bool visible)
{
    Progress &window = ensureWindow();
    if (!visible) {
        window.hide();
        return;
    }
    if (!m_placed) {
        placeOnOwner();
        m_placed = true;
    }
    window.show();
}

void WidgetProgressView::refresh()
{
    ensureWindow().repaint();
}

void WidgetProgressView::placeOnOwner()
{
    if (!m_owner)
        return;
    // Not a Qt child, so the window's lifetime stays with us; the window
    // system still keeps it above the main window.
    m_window->winId();
    if (QWindow *own = m_owner->windowHandle())
        m_window->windowHandle()->setTransientParent(own);
    QRect placed = m_window->rect();
    placed.moveCenter(m_owner->geometry().center());
    m_window->setGeometry(placed);
}

} // namespace vq250
