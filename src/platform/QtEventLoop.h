#pragma once

#include "EventLoop.h"

#include <QElapsedTimer>
#include <QTimer>

namespace vq250
{

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
