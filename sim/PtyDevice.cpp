#include "sim/PtyDevice.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>

namespace vq250
{

PtyDevice::PtyDevice()
{
    m_device.setFollowPosition(true);
    m_clock.start();
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_portName = QString::fromLocal8Bit(name);
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { take(); });
}

PtyDevice::~PtyDevice()
{
    m_notifier.reset();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

// Everything that has arrived; the answers go back at once, without the
// line's timing, which the real port and the kernel supply.
void PtyDevice::take()
{
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(m_master, buffer, sizeof buffer)) > 0) {
        for (ssize_t i = 0; i < got; ++i) {
            m_received += buffer[i];
            QByteArray answer;
            for (const DeviceBurst &burst :
                m_device.receive(quint8(buffer[i]), false, m_clock.nsecsElapsed()).bursts)
                answer += burst.bytes;
            for (qsizetype done = 0; done < answer.size();) {
                const ssize_t put
                    = ::write(m_master, answer.constData() + done, size_t(answer.size() - done));
                if (put < 0 && (errno == EINTR || errno == EAGAIN))
                    continue;
                if (put <= 0)
                    break;
                done += put;
            }
        }
    }
}

} // namespace vq250
