#pragma once

#include "core/Protocol.h"
#include "platform/SerialPort.h"
#include "sim/DeviceFault.h"
#include "sim/Vq250Device.h"
#include "sim/WireTrace.h"

#include <QStringList>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace vq250
{

class EventLoop;

struct EmulatorOptions {
    qint64 flashWriteNs = 0; // per block, from checksum echo to the next request
    qint64 replyDelayNs = 0; // device's reaction time to a byte
    // Silence after which an unfinished block is dropped.
    qint64 blockIdleResetNs = qint64(AbandonedBlockDropMs) * 1000000;
    bool requestWithEcho = false; // with no flash time, request and echo arrive as one read
    int txQueueBytes = 4096; // the driver's transmit queue
    int txWakeRoomBytes = 256; // room the queue must have before it takes more
    bool recordTrace = true;
    std::vector<DeviceFault> faults;
};

// A serial port with an emulated VQ250 on the other end of a 57600 8N1 line:
// each byte takes 1/5760 s in each direction. Written bytes go into a queue
// like the driver's (bytesToWrite() is 0 while it has room, as QSerialPort
// reports once bytes are with the driver); the device answers in bursts that
// become readable when their last byte has arrived. Everything is computed
// from the event loop's clock, which may be real (QtEventLoop) or virtual
// (VirtualEventLoop); the port asks the loop to wake it whenever what it
// reports will next change.
class EmulatedPort final : public SerialPort
{
public:
    explicit EmulatedPort(EventLoop &events, EmulatorOptions options = {});

    void setCommPort(int number) override;
    void setSettings(const QString &text) override;
    void setBinaryInput(bool binary) override;
    void setInBufferSize(int bytes) override;
    void setOutBufferSize(int bytes) override;
    bool open() override;
    void setReceiveThreshold(int bytes) override;
    bool isOpen() const override { return m_open; }
    QString errorText() const override { return {}; } // it always opens

    void setDtr(bool asserted) override { m_dtr = asserted; }
    int bytesToWrite() const override;
    int bytesAvailable() const override;
    void write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    // Like a driver's flush: bytes not yet on the line never reach the
    // device; the one already going out finishes.
    void discardOutput() override;

    Vq250Device &device() { return m_device; }
    const Vq250Device &device() const { return m_device; }
    const WireTrace &trace() const { return m_trace; }
    WireTrace &trace() { return m_trace; }
    QStringList settingsCalls() const { return m_calls; }
    bool dtr() const { return m_dtr; }
    qint64 bytesToDevice() const { return m_sentCount; }
    qint64 bytesFromDevice() const { return m_receivedCount; }
    // When the last byte queued so far leaves the line, in microseconds.
    qint64 lineIdleAtUs() const { return (m_txLineFreeNs + 999) / 1000; }
    // When the device's last answer so far has arrived, in microseconds.
    qint64 deviceQuietAtUs() const { return (m_rxLineFreeNs + 999) / 1000; }

private:
    struct Pending {
        quint8 byte;
        bool dtr;
    };
    struct Arrival {
        qint64 readyNs;
        QByteArray bytes;
    };
    struct Intake {
        quint8 byte;
        bool dtr;
        qint64 atNs;
    };
    // Everything the device's side of the line depends on, as it was when
    // the queue last ran empty; discardOutput() goes back to it and replays
    // the bytes that left before the flush.
    struct Checkpoint {
        Vq250Device device;
        std::deque<Arrival> arrivals;
        qint64 txLineFreeNs;
        qint64 rxLineFreeNs;
        qint64 sentCount;
        qint64 receivedCount;
        int traceSize;
    };

    qint64 nowNs() const;
    int queued(qint64 atNs) const;
    qint64 queueTakesMoreAtNs() const;
    void advance() const;
    void putOnLine(quint8 byte, bool dtr, qint64 atNs) const;
    void scheduleWake() const;

    EventLoop &m_events;
    EmulatorOptions m_options;
    QStringList m_calls;
    bool m_open = false;
    bool m_deviceHears = true;
    bool m_dtr = false;

    // The line is a function of time: queries bring it up to the clock, so
    // they change these although they are const to the caller.
    mutable Vq250Device m_device;
    mutable WireTrace m_trace;
    mutable std::deque<Pending> m_notYetQueued; // written, waiting for room in the queue
    mutable qint64 m_txLineFreeNs = 0; // end of the last queued byte
    mutable qint64 m_rxLineFreeNs = 0; // end of the device's last byte
    mutable std::deque<Arrival> m_arrivals; // device bursts still on their way
    mutable QByteArray m_received; // arrived, not read yet
    mutable qint64 m_sentCount = 0;
    mutable qint64 m_receivedCount = 0;
    mutable std::optional<Checkpoint> m_checkpoint;
    mutable std::vector<Intake> m_intakes; // put on the line since the checkpoint
};

// The emulated port for a program or test to use in place of the real one.
std::unique_ptr<EmulatedPort> makeEmulatedPort(EventLoop &events, EmulatorOptions options = {});

} // namespace vq250
