#pragma once

#include "platform/ProgressView.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

#include <functional>

namespace vq250::loadcli
{

// The progress window as one line on a terminal: the message, a bar, the
// percent and the bytes per second sent since it appeared, redrawn in place
// while the transfer waits for the device. Writes nothing when `enabled` is
// false (standard error is no terminal).
class TerminalProgress final : public ProgressView
{
public:
    using ByteCounter = std::function<qint64()>;

    TerminalProgress(QTextStream &err, bool enabled, ByteCounter bytesSent);
    TerminalProgress(const TerminalProgress &) = delete;
    TerminalProgress &operator=(const TerminalProgress &) = delete;

    void setMessage(const QString &text) override;
    void setValue(float percent) override;
    void setVisible(bool visible) override;
    void refresh() override;

    // Prints `text` (whole lines) on standard error without leaving the bar
    // mixed into it: the bar is taken away first and drawn again below.
    void printAbove(const QString &text);

    // One drawing of the line; a negative rate is left out.
    static QString line(const QString &message, int percent, qint64 bytesPerSecond);

private:
    void draw();
    void erase();
    qint64 bytesPerSecond() const;

    QTextStream &m_err;
    const bool m_enabled;
    ByteCounter m_bytesSent;
    QString m_message;
    int m_percent = 0;
    bool m_visible = false;
    QElapsedTimer m_shownFor;
    qint64 m_bytesWhenShown = 0;
    QTimer m_redraw;
};

} // namespace vq250::loadcli
