#pragma once

#include "platform/ForwardingSerialPort.h"

namespace vq250
{

class EventLoop;
class WireTrace;

// Passes everything to another port and notes the bytes that cross it: each
// byte written, with the DTR state the link asked for (a pseudo-terminal has
// no DTR line to show it), and each byte read, timed by the event loop's
// clock from the moment the port was wrapped. A real port cannot say when a
// byte actually left or arrived, so the times are those of the write and of
// the read that took it.
class TracingSerialPort final : public ForwardingSerialPort
{
public:
    // `trace` may be null: then only the counts are kept.
    TracingSerialPort(SerialPort &inner, const EventLoop &clock, WireTrace *trace = nullptr);

    void setDtr(bool asserted) override;
    void write(const QByteArray &bytes) override;
    QByteArray readAll() override;

    qint64 bytesWritten() const { return m_written; }
    // Of the bytes written, those a 57600 8N1 line has carried by now: each
    // takes 1/5760 s, after the one before it. The driver takes bytes much
    // faster than the line sends them.
    qint64 bytesOnWire() const;
    qint64 bytesRead() const { return m_read; }

private:
    qint64 sinceStartNs() const;
    void note(const QByteArray &bytes, bool toDevice);

    const EventLoop &m_clock;
    WireTrace *m_trace;
    qint64 m_startUs;
    bool m_dtr = false;
    qint64 m_written = 0;
    qint64 m_lineFreeNs = 0; // when the last byte written leaves the line
    qint64 m_read = 0;
};

} // namespace vq250
