#pragma once

#include "EventLoop.h"

#include <QElapsedTimer>
#include <QTimer>

namespace vq250
{

// A one-shot QTimer, precise to the millisecond from the moment start()
// arms it.
class QtOneShotTimer final : public OneShotTimer
{
public:
    QtOneShotTimer();
    void setInterval(int ms) override { m_timer.setInterval(ms); }
    int interval() const override { return m_timer.interval(); }
    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }
    const QTimer &timer() const { return m_timer; }

private:
    QTimer m_timer;
};

// Qt's own event loop and timers, in real time.
class QtEventLoop final : public EventLoop
{
public:
    QtEventLoop();
    void processEvents() override;
    void waitForEvents() override;
    std::unique_ptr<OneShotTimer> createTimer() override;
    qint64 nowUs() const override;
    void wakeAt(qint64 us) override;

private:
    QElapsedTimer m_clock;
    QTimer m_wake;
};

} // namespace vq250
