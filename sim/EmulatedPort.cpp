#include "sim/EmulatedPort.h"

#include "platform/EventLoop.h"

#include <algorithm>

namespace vq250
{

EmulatedPort::EmulatedPort(EventLoop &events, EmulatorOptions options)
    : m_events(events)
    , m_options(std::move(options))
    , m_device(DeviceTiming { m_options.replyDelayNs, m_options.flashWriteNs,
          m_options.requestWithEcho, m_options.blockIdleResetNs })
{
    m_options.txQueueBytes = std::max(1, m_options.txQueueBytes);
    m_options.txWakeRoomBytes = std::clamp(m_options.txWakeRoomBytes, 1, m_options.txQueueBytes);
    for (const DeviceFault &fault : m_options.faults)
        m_device.addFault(fault);
}

std::unique_ptr<EmulatedPort> makeEmulatedPort(EventLoop &events, EmulatorOptions options)
{
    return std::make_unique<EmulatedPort>(events, std::move(options));
}

void EmulatedPort::setCommPort(int number)
{
    m_calls << QStringLiteral("CommPort=%1").arg(number);
}

// At any other speed or framing the device hears only noise.
void EmulatedPort::setSettings(const QString &text)
{
    m_calls << QStringLiteral("Settings=") + text;
    QString compact = text.toUpper();
    compact.remove(QLatin1Char(' '));
    m_deviceHears = compact == QLatin1String(LineSettings);
}

void EmulatedPort::setBinaryInput(bool binary)
{
    m_calls << QStringLiteral("InputMode=%1").arg(binary ? 1 : 0);
}

void EmulatedPort::setInBufferSize(int bytes)
{
    m_calls << QStringLiteral("InBufferSize=%1").arg(bytes);
}

void EmulatedPort::setOutBufferSize(int bytes)
{
    m_calls << QStringLiteral("OutBufferSize=%1").arg(bytes);
}

bool EmulatedPort::open()
{
    m_calls << QStringLiteral("PortOpen=True");
    m_open = true;
    return true;
}

void EmulatedPort::setReceiveThreshold(int bytes)
{
    m_calls << QStringLiteral("RThreshold=%1").arg(bytes);
}

qint64 EmulatedPort::nowNs() const
{
    return m_events.nowUs() * 1000;
}

// Bytes in the driver's queue at a moment: those whose stop bit has not
// ended yet. They always form one unbroken run ending at m_txLineFreeNs.
int EmulatedPort::queued(qint64 atNs) const
{
    if (m_txLineFreeNs <= atNs)
        return 0;
    return int((m_txLineFreeNs - atNs + LineByteNs - 1) / LineByteNs);
}

// Like a tty driver, the queue wakes its writer only once a good stretch
// of room is free, not for every byte that leaves.
qint64 EmulatedPort::queueTakesMoreAtNs() const
{
    return m_txLineFreeNs - qint64(m_options.txQueueBytes - m_options.txWakeRoomBytes) * LineByteNs;
}

int EmulatedPort::bytesToWrite() const
{
    advance();
    scheduleWake();
    return int(m_notYetQueued.size());
}

int EmulatedPort::bytesAvailable() const
{
    advance();
    scheduleWake();
    return int(m_received.size());
}

void EmulatedPort::write(const QByteArray &bytes)
{
    if (!m_open)
        return;
    advance();
    const qint64 now = nowNs();
    for (char c : bytes) {
        if (m_notYetQueued.empty() && queued(now) < m_options.txQueueBytes)
            putOnLine(quint8(c), m_dtr, now);
        else
            m_notYetQueued.push_back({ quint8(c), m_dtr });
    }
    scheduleWake();
}

QByteArray EmulatedPort::readAll()
{
    advance();
    scheduleWake();
    QByteArray all;
    all.swap(m_received);
    return all;
}

void EmulatedPort::discardOutput()
{
    advance();
    const qint64 now = nowNs();
    m_notYetQueued.clear();
    // A byte whose start bit has gone out is on the wire and finishes.
    const qint64 cutNs = now + LineByteNs;
    if (m_txLineFreeNs <= cutNs || !m_checkpoint)
        return;
    const std::vector<Intake> intakes = std::move(m_intakes);
    m_intakes.clear();
    m_device = m_checkpoint->device;
    m_arrivals = m_checkpoint->arrivals;
    m_txLineFreeNs = m_checkpoint->txLineFreeNs;
    m_rxLineFreeNs = m_checkpoint->rxLineFreeNs;
    m_sentCount = m_checkpoint->sentCount;
    m_receivedCount = m_checkpoint->receivedCount;
    m_trace.truncate(m_checkpoint->traceSize);
    for (const Intake &intake : intakes) {
        if (std::max(m_txLineFreeNs, intake.atNs) + LineByteNs > cutNs)
            break;
        putOnLine(intake.byte, intake.dtr, intake.atNs);
    }
    // What arrived before the flush has been delivered already.
    while (!m_arrivals.empty() && m_arrivals.front().readyNs <= now)
        m_arrivals.pop_front();
    scheduleWake();
}

// Brings the line up to the clock. A driver takes waiting bytes the moment
// its queue has room, whether or not anyone asks; so they are put on the
// line at the moments that happened, not at the moment of this call.
void EmulatedPort::advance() const
{
    const qint64 now = nowNs();
    while (!m_notYetQueued.empty()) {
        const qint64 intakeNs = queueTakesMoreAtNs();
        if (intakeNs > now)
            break;
        while (!m_notYetQueued.empty() && queued(intakeNs) < m_options.txQueueBytes) {
            const Pending next = m_notYetQueued.front();
            m_notYetQueued.pop_front();
            putOnLine(next.byte, next.dtr, intakeNs);
        }
    }
    while (!m_arrivals.empty() && m_arrivals.front().readyNs <= now) {
        m_received += m_arrivals.front().bytes;
        m_arrivals.pop_front();
    }
}

// A byte enters the queue at `atNs`; its arrival at the device and the
// device's answer are fixed from then on, so both are worked out at once.
void EmulatedPort::putOnLine(quint8 byte, bool dtr, qint64 atNs) const
{
    if (m_txLineFreeNs <= atNs) {
        m_checkpoint = Checkpoint { m_device, m_arrivals, m_txLineFreeNs, m_rxLineFreeNs,
            m_sentCount, m_receivedCount, m_trace.size() };
        m_intakes.clear();
    }
    m_intakes.push_back({ byte, dtr, atNs });
    m_txLineFreeNs = std::max(m_txLineFreeNs, atNs) + LineByteNs;
    const qint64 arrivesNs = m_txLineFreeNs;
    ++m_sentCount;
    if (!m_deviceHears) {
        if (m_options.recordTrace)
            m_trace.add({ arrivesNs, true, byte, dtr, QStringLiteral("unheard") });
        return;
    }
    const DeviceReaction reaction = m_device.receive(byte, dtr, arrivesNs);
    if (m_options.recordTrace) {
        const QString note = reaction.corrupted
            ? QStringLiteral("heard ") + QString::asprintf("%02X", reaction.heard)
            : QString();
        m_trace.add({ arrivesNs, true, byte, dtr, note });
    }
    for (const DeviceBurst &burst : reaction.bursts) {
        qint64 endNs = std::max(m_rxLineFreeNs, burst.sendAtNs);
        for (int i = 0; i < burst.bytes.size(); ++i) {
            endNs += LineByteNs;
            if (m_options.recordTrace)
                m_trace.add({ endNs, false, quint8(burst.bytes[i]), false, burst.notes.value(i) });
        }
        m_rxLineFreeNs = endNs;
        m_receivedCount += burst.bytes.size();
        // Bursts leave in order, so arrival times never go backwards.
        m_arrivals.push_back({ endNs, burst.bytes });
    }
}

void EmulatedPort::scheduleWake() const
{
    qint64 nextNs = -1;
    if (!m_arrivals.empty())
        nextNs = m_arrivals.front().readyNs;
    if (!m_notYetQueued.empty()) {
        const qint64 roomNs = queueTakesMoreAtNs();
        nextNs = nextNs < 0 ? roomNs : std::min(nextNs, roomNs);
    }
    if (nextNs >= 0)
        m_events.wakeAt((nextNs + 999) / 1000);
}

} // namespace vq250
