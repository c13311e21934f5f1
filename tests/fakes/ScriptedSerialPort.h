#pragma once

// A serial port whose far end is a script run in virtual time: the test's
// handler sees each written byte and may answer; answers become readable
// only through event processing, as with a real port.

#include "Fakes.h"
#include "platform/VirtualEventLoop.h"

#include <functional>

namespace vq250::fakes
{

class ScriptedSerialPort : public FakeSerialPort
{
public:
    explicit ScriptedSerialPort(VirtualEventLoop &events)
        : m_events(events)
    {
    }

    // Called for every written byte: its index from 0, value and DTR state.
    std::function<void(int index, quint8 byte, bool dtr)> onWrite;
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
            const int index = int(sent.size());
            FakeSerialPort::write(QByteArray(1, c));
            writeTimesUs.append(m_events.nowUs());
            if (onWrite)
                onWrite(index, quint8(c), dtr);
        }
    }

private:
    VirtualEventLoop &m_events;
};

// A device that only echoes: the command byte, both LenM bytes and the
// checksum of each block, nothing for address and data bytes. `answerAt`
// may replace the echo of a block byte (0 command, 1-2 LenM, 3 on payload,
// -1 checksum) by returning true after calling reply() itself.
class BlockEchoDevice
{
public:
    explicit BlockEchoDevice(ScriptedSerialPort &port, qint64 delayUs = 200)
        : m_port(port)
        , m_delayUs(delayUs)
    {
    }

    std::function<bool(int block, int place, quint8 byte)> answerAt;

    void operator()(int, quint8 byte, bool dtr)
    {
        if (dtr) {
            ++m_block;
            m_place = 0;
            m_count = -1;
        } else {
            ++m_place;
        }
        if (m_place == 1)
            m_lenHigh = byte;
        if (m_place == 2)
            m_count = (m_lenHigh << 8 | byte) + 1;
        const bool checksum = m_count >= 0 && m_place == 3 + m_count;
        if (answerAt && answerAt(m_block, checksum ? -1 : m_place, byte))
            return;
        if (m_place <= 2 || checksum)
            m_port.reply(QByteArray(1, char(byte)), m_delayUs);
    }

private:
    ScriptedSerialPort &m_port;
    qint64 m_delayUs;
    int m_block = -1;
    int m_place = 0;
    int m_count = -1;
    quint8 m_lenHigh = 0;
};

} // namespace vq250::fakes
