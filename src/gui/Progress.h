#pragma once

#include "platform/ProgressView.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class QLabel;
class QProgressBar;

namespace vq250
{

// The progress window: one message line and a bar from 0 to 100. Only the
// commands show and hide it: neither its close box nor Escape takes it
// away while they work.
class Progress final : public QDialog
{
    Q_OBJECT
public:
    explicit Progress(QWidget *parent = nullptr);

    QLabel &message() { return *m_progressMsg; }
    QProgressBar &bar() { return *m_progressBar; }

    void reject() override { } // Escape

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *m_progressMsg;
    QProgressBar *m_progressBar;
};

// The commands' handle on the progress window, as a ProgressView. The window is made on first
// use, with its bar at 0, and from then on only shown and hidden; it is
// centred on `owner` the first time it is shown.
class WidgetProgressView final : public ProgressView
{
public:
    explicit WidgetProgressView(QWidget *owner = nullptr)
        : m_owner(owner)
    {
    }
    ~WidgetProgressView() override;

    void setMessage(const QString &text) override;
    void setValue(float percent) override;
    void setVisible(bool visible) override;
    void refresh() override;

    // The window, or null before its first use.
    Progress *window() const { return m_window.get(); }

private:
    Progress &ensureWindow();
    void placeOnOwner();

    QPointer<QWidget> m_owner;
    std::unique_ptr<Progress> m_window;
    bool m_placed = false;
};

} // namespace vq250
