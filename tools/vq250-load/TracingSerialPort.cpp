#include "vq250-load/TracingSerialPort.h"

#include "core/Protocol.h"
#include "platform/EventLoop.h"
#include "sim/WireTrace.h"
#include <algorithm>

namespace vq250
{

TracingSerialPort::TracingSerialPort(SerialPort &inner, const EventLoop &clock, WireTrace *trace)
    : ForwardingSerialPort(inner)
    , m_clock(clock)
    , m_trace(trace)
    , m_startUs(clock.nowUs())
{
}

void TracingSerialPort::setDtr(bool asserted)
{
    m_dtr = asserted;
    inner().setDtr(asserted);
}

void TracingSerialPort::write(const QByteArray &bytes)
{
    inner().write(bytes);
    m_written += bytes.size();
    m_lineFreeNs = std::max(m_lineFreeNs, m_clock.nowUs() * 1000) + bytes.size() * LineByteNs;
    note(bytes, true);
}

QByteArray TracingSerialPort::readAll()
{
    QByteArray bytes = inner().readAll();
    m_read += bytes.size();
    note(bytes, false);
    return bytes;
}

qint64 TracingSerialPort::bytesOnWire() const
{
    const qint64 stillToGoNs = std::max<qint64>(m_lineFreeNs - m_clock.nowUs() * 1000, 0);
    return std::max<qint64>(m_written - (stillToGoNs + LineByteNs - 1) / LineByteNs, 0);
}

qint64 TracingSerialPort::sinceStartNs() const
{
    return (m_clock.nowUs() - m_startUs) * 1000;
}

void TracingSerialPort::note(const QByteArray &bytes, bool toDevice)
{
    if (!m_trace || bytes.isEmpty())
        return;
    const qint64 atNs = sinceStartNs();
    for (const char byte : bytes)
        m_trace->add({ atNs, toDevice, quint8(byte), toDevice && m_dtr, QString() });
}

} // namespace vq250
