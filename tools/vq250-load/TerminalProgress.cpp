#include "vq250-load/TerminalProgress.h"

#include <algorithm>
#include <cmath>

namespace vq250::loadcli
{

namespace
{

constexpr int BarWidth = 30;
// Often enough to see the rate move, rarely enough to cost nothing.
constexpr int RedrawEveryMs = 250;
// Carriage return, then ANSI "erase to end of line".
const char *const StartOfLine = "\r\x1b[K";

} // namespace

TerminalProgress::TerminalProgress(QTextStream &err, bool enabled, ByteCounter bytesSent)
    : m_err(err)
    , m_enabled(enabled)
    , m_bytesSent(std::move(bytesSent))
{
    m_redraw.setInterval(RedrawEveryMs);
    QObject::connect(&m_redraw, &QTimer::timeout, [this] { draw(); });
}

QString TerminalProgress::line(const QString &message, int percent, qint64 bytesPerSecond)
{
    percent = std::clamp(percent, 0, 100);
    const int filled = percent * BarWidth / 100;
    QString text = message + QStringLiteral(" [") + QString(filled, QLatin1Char('#'))
        + QString(BarWidth - filled, QLatin1Char('-')) + QStringLiteral("] ")
        + QStringLiteral("%1%").arg(percent, 3);
    if (bytesPerSecond >= 0)
        text += QStringLiteral("  %1 B/s").arg(bytesPerSecond);
    return text;
}

void TerminalProgress::setMessage(const QString &text)
{
    m_message = text;
    draw();
}

void TerminalProgress::setValue(float percent)
{
    m_percent = int(std::lround(percent));
    draw();
}

void TerminalProgress::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    if (!m_enabled)
        return;
    if (visible) {
        m_shownFor.start();
        m_bytesWhenShown = m_bytesSent ? m_bytesSent() : 0;
        m_redraw.start();
        draw();
    } else {
        m_redraw.stop();
        erase();
    }
}

void TerminalProgress::refresh()
{
    draw();
}

void TerminalProgress::printAbove(const QString &text)
{
    const bool barShown = m_enabled && m_visible;
    if (barShown)
        erase();
    m_err << text;
    m_err.flush();
    if (barShown)
        draw();
}

// No rate until there is something to measure: reading the sound file sends
// nothing.
qint64 TerminalProgress::bytesPerSecond() const
{
    if (!m_bytesSent)
        return -1;
    const qint64 bytes = m_bytesSent() - m_bytesWhenShown;
    const qint64 ms = m_shownFor.elapsed();
    if (bytes <= 0 || ms <= 0)
        return -1;
    return bytes * 1000 / ms;
}

void TerminalProgress::draw()
{
    if (!m_enabled || !m_visible)
        return;
    m_err << StartOfLine << line(m_message, m_percent, bytesPerSecond());
    m_err.flush();
}

void TerminalProgress::erase()
{
    m_err << StartOfLine;
    m_err.flush();
}

} // namespace vq250::loadcli
