#include "vq250-load/TerminalProgress.h"

#include "library/LibraryCheck.h"

#include <algorithm>
#include <cmath>

namespace vq250::loadcli
{

namespace
{

constexpr int BarMaxWidth = 30;
constexpr int BarMinWidth = 10;
// Ten times a second: the line carries 576 bytes in between.
constexpr int RedrawEveryMs = 100;
// Carriage return, then ANSI "erase to end of line".
const char *const StartOfLine = "\r\x1b[K";

} // namespace

TerminalProgress::TerminalProgress(
    QTextStream &err, bool enabled, ByteCounter bytesOnWire, Columns columns)
    : m_err(err)
    , m_enabled(enabled)
    , m_bytesOnWire(std::move(bytesOnWire))
    , m_columns(std::move(columns))
{
    m_redraw.setInterval(RedrawEveryMs);
    QObject::connect(&m_redraw, &QTimer::timeout, [this] { draw(); });
}

QString TerminalProgress::line(const Parts &parts, int width)
{
    const int percent = std::clamp(parts.percent, 0, 100);
    QString tail = QStringLiteral(" %1%").arg(percent, 3);
    if (parts.bytesPerSecond >= 0)
        tail += QStringLiteral("  %1 B/s").arg(parts.bytesPerSecond);
    if (parts.secondsLeft >= 0)
        tail += QStringLiteral("  %1 left").arg(clockText(parts.secondsLeft));
    const int room = std::max(width - 1, 0);
    const int barWidth
        = std::min<int>(BarMaxWidth, room - int(parts.message.size() + tail.size()) - 3);
    if (barWidth >= BarMinWidth) {
        const int filled = percent * barWidth / 100;
        return parts.message + QStringLiteral(" [") + QString(filled, QLatin1Char('#'))
            + QString(barWidth - filled, QLatin1Char('-')) + QLatin1Char(']') + tail;
    }
    const QString shortTail = tail.left(room);
    return parts.message.left(std::max<qsizetype>(room - shortTail.size(), 0)) + shortTail;
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
        m_bytesWhenShown = m_bytesOnWire ? m_bytesOnWire() : 0;
        m_redraw.start();
        draw();
    } else {
        m_redraw.stop();
        erase();
    }
    if (!visible)
        m_expectedBytes = 0; // the next showing may be the open command's
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

// No rate until the line has carried something.
TerminalProgress::Parts TerminalProgress::parts() const
{
    Parts parts { m_prefix + m_message, m_percent };
    const qint64 sent = m_bytesOnWire ? m_bytesOnWire() - m_bytesWhenShown : 0;
    const qint64 ms = m_shownFor.elapsed();
    if (m_expectedBytes > 0)
        parts.percent = int(std::min<qint64>(sent * 100 / m_expectedBytes, 100));
    if (sent <= 0 || ms <= 0)
        return parts;
    parts.bytesPerSecond = sent * 1000 / ms;
    if (m_expectedBytes > 0 && parts.bytesPerSecond > 0)
        parts.secondsLeft = (std::max<qint64>(m_expectedBytes - sent, 0) + parts.bytesPerSecond - 1)
            / parts.bytesPerSecond;
    return parts;
}

void TerminalProgress::draw()
{
    if (!m_enabled || !m_visible)
        return;
    m_err << StartOfLine << line(parts(), m_columns ? m_columns() : 80);
    m_err.flush();
}

void TerminalProgress::erase()
{
    m_err << StartOfLine;
    m_err.flush();
}

} // namespace vq250::loadcli
