#pragma once

#include <QtGlobal>
#include <functional>
#include <memory>

namespace vq250
{

// A one-shot timer: start() arms it for the full interval (again, if it was
// running), the tick fires at most once per arming.
class OneShotTimer
{
public:
    virtual ~OneShotTimer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    void setOnTick(std::function<void()> onTick) { m_onTick = std::move(onTick); }

protected:
    void fireTick()
    {
        if (m_onTick)
            m_onTick();
    }

private:
    std::function<void()> m_onTick;
};

// Event processing and time. The real loop is Qt's; the virtual one used by
// tests and the soak jumps straight to the next scheduled event.
class EventLoop
{
public:
    virtual ~EventLoop() = default;
    // Runs every pending event and returns at once.
    virtual void processEvents() = 0;
    // Sleeps until at least one event arrives, then runs the pending events.
    virtual void waitForEvents() = 0;
    virtual std::unique_ptr<OneShotTimer> createTimer() = 0;
    // Monotonic time in microseconds, for models of the serial line.
    virtual qint64 nowUs() const = 0;
    // Makes sure a waitForEvents() in progress or to come returns by `us`.
    virtual void wakeAt(qint64 us) = 0;
};

} // namespace vq250
