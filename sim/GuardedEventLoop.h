#pragma once

#include "sim/VirtualEventLoop.h"

#include <functional>
#include <utility>

namespace vq250
{

// Virtual time with a watchdog: `check` runs before every round of event
// processing, so a transfer that never ends is caught (it throws, or fails
// a fuzz check) instead of spinning for ever.
class GuardedEventLoop final : public EventLoop
{
public:
    GuardedEventLoop(VirtualEventLoop &loop, std::function<void()> check)
        : m_loop(loop)
        , m_check(std::move(check))
    {
    }
    void processEvents() override { m_check(), m_loop.processEvents(); }
    void waitForEvents() override { m_check(), m_loop.waitForEvents(); }
    std::unique_ptr<OneShotTimer> createTimer() override { return m_loop.createTimer(); }
    qint64 nowUs() const override { return m_loop.nowUs(); }
    void wakeAt(qint64 us) override { m_loop.wakeAt(us); }

private:
    VirtualEventLoop &m_loop;
    std::function<void()> m_check;
};

} // namespace vq250
