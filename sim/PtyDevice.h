#pragma once

#include "sim/Vq250Device.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <memory>

class QSocketNotifier;

namespace vq250
{

// The emulated VQ250 on the far side of a pseudo-terminal, for the real
// serial port layer to talk to. A pseudo-terminal carries no DTR, so the
// device follows the protocol by position. It runs on the caller's event
// loop: the loader's waits drive it. Linux only.
class PtyDevice
{
public:
    PtyDevice();
    ~PtyDevice();
    PtyDevice(const PtyDevice &) = delete;
    PtyDevice &operator=(const PtyDevice &) = delete;

    bool isOpen() const { return m_master >= 0; }
    QString portName() const { return m_portName; } // the side a program opens
    QByteArray received() const { return m_received; } // every byte, in order
    const Vq250Device &device() const { return m_device; }

private:
    void take();

    int m_master = -1;
    int m_slave = -1;
    QString m_portName;
    std::unique_ptr<QSocketNotifier> m_notifier;
    Vq250Device m_device;
    QElapsedTimer m_clock; // the device's time, for its idle reset
    QByteArray m_received;
};

} // namespace vq250
