#pragma once

#include "platform/ProgressView.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

#include <functional>

namespace vq250::loadcli
{

// The progress window as one line on a terminal: the message, a bar, the
// percent, the rate of bytes on the line and the time left, redrawn in place
// several times a second while the transfer waits for the device, never
// wider than the terminal. Writes nothing when `enabled` is false (standard
// error is no terminal).
class TerminalProgress final : public ProgressView
{
public:
    using ByteCounter = std::function<qint64()>;
    using Columns = std::function<int()>;

    // `bytesOnWire` counts the bytes the line has carried; `columns` gives
    // the terminal's width.
    TerminalProgress(QTextStream &err, bool enabled, ByteCounter bytesOnWire, Columns columns);
    TerminalProgress(const TerminalProgress &) = delete;
    TerminalProgress &operator=(const TerminalProgress &) = delete;

    void setMessage(const QString &text) override;
    void setValue(float percent) override;
    void setVisible(bool visible) override;
    void refresh() override;

    // The bytes the coming transfer puts on the line: the bar then follows
    // them instead of the transfer's block steps, and the time left shows.
    void setExpectedBytes(qint64 bytes) { m_expectedBytes = bytes; }
    // Put in front of the message, e.g. "[2/48] " in a library.
    void setPrefix(const QString &prefix) { m_prefix = prefix; }

    // Prints `text` (whole lines) on standard error without leaving the bar
    // mixed into it: the bar is taken away first and drawn again below.
    void printAbove(const QString &text);

    struct Parts {
        QString message;
        int percent = 0;
        qint64 bytesPerSecond = -1; // left out when negative
        qint64 secondsLeft = -1; // left out when negative
    };
    // One drawing of the line in at most `width` - 1 characters, so the
    // cursor never wraps: the bar shrinks first, then goes, then the
    // message is cut.
    static QString line(const Parts &parts, int width);

private:
    void draw();
    void erase();
    Parts parts() const;

    QTextStream &m_err;
    const bool m_enabled;
    ByteCounter m_bytesOnWire;
    Columns m_columns;
    QString m_prefix;
    QString m_message;
    int m_percent = 0;
    qint64 m_expectedBytes = 0;
    bool m_visible = false;
    QElapsedTimer m_shownFor;
    qint64 m_bytesWhenShown = 0;
    QTimer m_redraw;
};

} // namespace vq250::loadcli
