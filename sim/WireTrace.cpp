#include "sim/WireTrace.h"

#include <QFile>

#include <algorithm>

namespace vq250
{

void WireTrace::add(const WireByte &byte)
{
    if (!m_bytes.isEmpty() && byte.timeNs < m_bytes.constLast().timeNs)
        m_sorted = false;
    m_bytes.append(byte);
}

QList<WireByte> WireTrace::bytes() const
{
    QList<WireByte> ordered = m_bytes;
    if (!m_sorted)
        std::stable_sort(ordered.begin(), ordered.end(),
            [](const WireByte &a, const WireByte &b) { return a.timeNs < b.timeNs; });
    return ordered;
}

QList<WireByte> WireTrace::toDevice() const
{
    QList<WireByte> picked;
    for (const WireByte &byte : bytes())
        if (byte.toDevice)
            picked.append(byte);
    return picked;
}

QList<WireByte> WireTrace::fromDevice() const
{
    QList<WireByte> picked;
    for (const WireByte &byte : bytes())
        if (!byte.toDevice)
            picked.append(byte);
    return picked;
}

QString WireTrace::line(const WireByte &byte)
{
    QString text = QString::asprintf("%.3f %s %s %02X", double(byte.timeNs) / 1000.0,
        byte.toDevice ? "PC>VQ" : "VQ>PC", byte.toDevice ? (byte.dtr ? "1" : "0") : "-", byte.byte);
    if (!byte.note.isEmpty())
        text += QLatin1Char(' ') + byte.note;
    return text;
}

QString WireTrace::toText() const
{
    QString text = QStringLiteral("# VQ250 wire trace\n# time_us dir dtr byte note\n");
    for (const WireByte &byte : bytes())
        text += line(byte) + QLatin1Char('\n');
    return text;
}

bool WireTrace::writeTo(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    const QByteArray text = toText().toUtf8();
    return file.write(text) == text.size() && file.flush();
}

} // namespace vq250
