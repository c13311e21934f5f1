#pragma once

// An event loop and timer for code that never waits: time stands still and
// there are never events to run.

#include "platform/EventLoop.h"

#include <memory>

namespace vq250::fakes
{

class StillTimer : public OneShotTimer
{
public:
    void setInterval(int ms) override { m_interval = ms; }
    int interval() const override { return m_interval; }
    void start() override { m_active = true; }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

private:
    int m_interval = 0;
    bool m_active = false;
};

class StillEventLoop : public EventLoop
{
public:
    int processed = 0;
    void processEvents() override { ++processed; }
    void waitForEvents() override { ++processed; }
    std::unique_ptr<OneShotTimer> createTimer() override { return std::make_unique<StillTimer>(); }
    qint64 nowUs() const override { return 0; }
    void wakeAt(qint64) override { }
};

} // namespace vq250::fakes
