#include "QtEventLoop.h"

#include <QCoreApplication>

namespace vq250
{

QtOneShotTimer::QtOneShotTimer()
{
    m_timer.setSingleShot(true);
    // A coarse timer may fire 5 % early or late: 7.6 s instead of 8.
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { fireTick(); });
}

QtEventLoop::QtEventLoop()
{
    m_clock.start();
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    // The timeout itself is the event that ends a wait; nothing to do in it.
    QObject::connect(&m_wake, &QTimer::timeout, [] {});
}

void QtEventLoop::processEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventLoop::waitForEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

std::unique_ptr<OneShotTimer> QtEventLoop::createTimer()
{
    return std::make_unique<QtOneShotTimer>();
}

qint64 QtEventLoop::nowUs() const
{
    return m_clock.nsecsElapsed() / 1000;
}

void QtEventLoop::wakeAt(qint64 us)
{
    const qint64 delayUs = us - nowUs();
    const int delayMs = delayUs <= 0 ? 0 : static_cast<int>((delayUs + 999) / 1000);
    if (m_wake.isActive() && m_wake.remainingTime() <= delayMs)
        return;
    m_wake.start(delayMs);
}

} // namespace vq250
