#pragma once

// Stand-ins for the platform layer. Each records what the code under test
// did and answers what the test told it to.

#include "platform/SerialPort.h"
#include "sim/HeadlessViews.h"
#include "sim/VirtualEventLoop.h"

#include <QList>
#include <QStringList>
#include <deque>
#include <functional>

namespace vq250::fakes
{

// A serial port without a device: the test queues what "arrives" and reads
// back what was written, each byte with the DTR state it went out with.
class FakeSerialPort : public SerialPort
{
public:
    struct Sent {
        quint8 byte;
        bool dtr;
    };
    QStringList calls; // start-up settings in call order, e.g. "CommPort=1"
    bool refuseOpen = false;
    QString openError = QStringLiteral("/dev/ttyS0: No such file or directory");
    bool dtr = false;
    QList<Sent> sent;
    QByteArray incoming; // bytes waiting to be read
    int pendingTx = 0; // what bytesToWrite() reports
    int readAllCalls = 0;

    void setCommPort(int n) override { calls << QStringLiteral("CommPort=%1").arg(n); }
    void setSettings(const QString &text) override { calls << "Settings=" + text; }
    void setBinaryInput(bool on) override
    {
        calls << QStringLiteral("InputMode=%1").arg(on ? 1 : 0);
    }
    void setInBufferSize(int n) override { calls << QStringLiteral("InBufferSize=%1").arg(n); }
    void setOutBufferSize(int n) override { calls << QStringLiteral("OutBufferSize=%1").arg(n); }
    bool open() override { return calls << QStringLiteral("PortOpen=True"), m_open = !refuseOpen; }
    void setReceiveThreshold(int n) override { calls << QStringLiteral("RThreshold=%1").arg(n); }
    bool isOpen() const override { return m_open; }
    QString errorText() const override { return refuseOpen ? openError : QString(); }
    void setDtr(bool asserted) override { dtr = asserted; }
    int bytesToWrite() const override { return pendingTx; }
    int bytesAvailable() const override { return int(incoming.size()); }
    void write(const QByteArray &bytes) override
    {
        for (char c : bytes)
            sent.append({ quint8(c), dtr });
    }
    QByteArray readAll() override { return ++readAllCalls, std::exchange(incoming, {}); }
    void discardOutput() override { pendingTx = 0; }

private:
    bool m_open = false;
};

// A serial port whose far end is a script in virtual time: `onWrite` sees
// each written byte and may answer; answers become readable only through
// event processing, as with a real port. Not a device: it knows no protocol.
class ScriptedSerialPort : public FakeSerialPort
{
public:
    explicit ScriptedSerialPort(VirtualEventLoop &events)
        : m_events(events)
    {
    }
    std::function<void(quint8 byte)> onWrite;
    QList<qint64> writeTimesUs; // when each byte was written

    // `bytes` become readable together, `afterUs` from now.
    void reply(const QByteArray &bytes, qint64 afterUs = 200)
    {
        m_events.callAt(m_events.nowUs() + afterUs, [this, bytes] { incoming += bytes; });
    }
    // The send buffer reports `count` bytes until `untilUs` from now.
    void holdTx(int count, qint64 untilUs)
    {
        pendingTx = count;
        m_events.callAt(m_events.nowUs() + untilUs, [this] { pendingTx = 0; });
    }
    void write(const QByteArray &bytes) override
    {
        for (char c : bytes) {
            FakeSerialPort::write(QByteArray(1, c));
            writeTimesUs.append(m_events.nowUs());
            if (onWrite)
                onWrite(quint8(c));
        }
    }

private:
    VirtualEventLoop &m_events;
};

// The views as the headless run records them.
using FakeMessageBox = HeadlessMessageBox;
using FakeFileDialog = HeadlessFileDialog;
using FakeProgressView = HeadlessProgressView;
using FakeMainView = HeadlessMainView;

} // namespace vq250::fakes
