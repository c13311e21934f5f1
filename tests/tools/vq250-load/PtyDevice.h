#pragma once

// A small VQ250 stand-in on the master side of a pseudo-terminal. It cannot
// see DTR, so it follows the transfer by byte position alone: it echoes the
// command, LenM and checksum bytes, keeps quiet through the address and the
// data, asks for each next block and sends 0x73 after the block that ends at
// index 0. It runs on the test's own event loop through a socket notifier,
// so the loader's waits drive it.

#include <QByteArray>
#include <QSocketNotifier>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace vq250::test
{

class PtyDevice
{
public:
    PtyDevice()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return;
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_slaveName = QString::fromLocal8Bit(name);
        m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { take(); });
    }
    ~PtyDevice()
    {
        m_notifier.reset();
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
    }
    PtyDevice(const PtyDevice &) = delete;
    PtyDevice &operator=(const PtyDevice &) = delete;

    bool ok() const { return m_master >= 0 && !m_slaveName.isEmpty(); }
    QString slaveName() const { return m_slaveName; }

    QByteArray received() const { return m_received; } // every byte, in order
    QByteArray image() const { return m_image; } // header and samples, by address
    quint8 station() const { return m_station; }
    quint8 bg() const { return m_bg; }
    int badChecksums() const { return m_badChecksums; }
    bool complete() const { return m_complete; }

private:
    enum class Phase { Command, LenHigh, LenLow, Payload, Checksum };

    void take()
    {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(m_master, buffer, sizeof buffer);
            if (got <= 0)
                return; // nothing more for now; the notifier fires again
            for (ssize_t i = 0; i < got; ++i)
                hear(quint8(buffer[i]));
        }
    }

    void send(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t put
                = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (put < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (put <= 0)
                return;
            done += put;
        }
    }

    void hear(quint8 byte)
    {
        m_received += char(byte);
        switch (m_phase) {
        case Phase::Command:
            m_cmd = byte;
            send(QByteArray(1, char(byte)));
            m_phase = Phase::LenHigh;
            break;
        case Phase::LenHigh:
            m_lenM = byte << 8;
            send(QByteArray(1, char(byte)));
            m_phase = Phase::LenLow;
            break;
        case Phase::LenLow:
            m_lenM |= byte;
            send(QByteArray(1, char(byte)));
            m_payload.clear();
            m_phase = Phase::Payload;
            break;
        case Phase::Payload:
            m_payload += char(byte);
            if (m_payload.size() == m_lenM + 1)
                m_phase = Phase::Checksum;
            break;
        case Phase::Checksum:
            finishBlock(byte);
            m_phase = Phase::Command;
            break;
        }
    }

    void finishBlock(quint8 checksum)
    {
        int sum = 0;
        for (const char b : m_payload)
            sum += quint8(b);
        if (quint8(sum) != checksum)
            ++m_badChecksums;
        QByteArray answer(1, char(checksum));
        if (m_cmd == 0xA0) {
            m_station = quint8(m_payload.at(0));
            m_bg = quint8(m_payload.at(1));
            QByteArray header;
            for (int i = 17; i >= 2; --i)
                header += m_payload.at(i);
            const int length
                = quint8(header[12]) | quint8(header[13]) << 8 | quint8(header[14]) << 16;
            m_image = QByteArray(length + 16, char(0xFF));
            answer += char(0xA1);
        } else {
            const int addr
                = quint8(m_payload[0]) << 16 | quint8(m_payload[1]) << 8 | quint8(m_payload[2]);
            int at = addr;
            for (qsizetype i = 3; i < m_payload.size() && at >= 0 && at < m_image.size(); ++i)
                m_image[at--] = m_payload[i];
            if (at < 0) {
                m_complete = true;
                answer += char(0x73);
            } else {
                answer += char(m_cmd + 1);
            }
        }
        send(answer);
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_slaveName;
    std::unique_ptr<QSocketNotifier> m_notifier;

    Phase m_phase = Phase::Command;
    quint8 m_cmd = 0;
    int m_lenM = 0;
    QByteArray m_payload;
    QByteArray m_received;
    QByteArray m_image;
    quint8 m_station = 0;
    quint8 m_bg = 0;
    int m_badChecksums = 0;
    bool m_complete = false;
};

} // namespace vq250::test
