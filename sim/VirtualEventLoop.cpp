#include "VirtualEventLoop.h"

#include <algorithm>

namespace vq250
{

class VirtualEventLoop::Timer final : public OneShotTimer
{
public:
    explicit Timer(VirtualEventLoop &loop)
        : m_loop(&loop)
    {
        loop.m_timers.push_back(this);
    }
    ~Timer() override
    {
        if (!m_loop)
            return;
        auto &timers = m_loop->m_timers;
        timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
    }

    void setInterval(int ms) override { m_intervalMs = ms; }
    int interval() const override { return m_intervalMs; }
    void start() override
    {
        if (!m_loop)
            return;
        m_active = true;
        m_deadlineUs = m_loop->m_nowUs + qint64(m_intervalMs) * 1000;
        m_armedAs = ++m_loop->m_armCounter;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    void detach() { m_loop = nullptr; }
    qint64 deadline() const { return m_deadlineUs; }
    quint64 armedAs() const { return m_armedAs; }
    void fire()
    {
        m_active = false;
        fireTick();
    }

private:
    VirtualEventLoop *m_loop;
    int m_intervalMs = 0;
    bool m_active = false;
    qint64 m_deadlineUs = 0;
    quint64 m_armedAs = 0;
};

VirtualEventLoop::~VirtualEventLoop()
{
    for (Timer *timer : m_timers)
        timer->detach();
}

std::unique_ptr<OneShotTimer> VirtualEventLoop::createTimer()
{
    return std::make_unique<Timer>(*this);
}

void VirtualEventLoop::wakeAt(qint64 us)
{
    if (us > m_nowUs)
        m_wakeUps.insert(us);
}

void VirtualEventLoop::callAt(qint64 us, std::function<void()> event)
{
    m_calls.emplace(std::max(us, m_nowUs), std::move(event));
}

void VirtualEventLoop::processEvents()
{
    ++m_processCalls;
    runDue();
}

void VirtualEventLoop::waitForEvents()
{
    ++m_waitCalls;
    qint64 next = 0;
    if (!nextDeadline(next)) {
        ++m_idleWaits;
        if (++m_idleWaitsInARow >= 1000)
            throw Hang("virtual time stands still: 1000 waits in a row with nothing pending");
        return;
    }
    m_idleWaitsInARow = 0;
    m_nowUs = std::max(m_nowUs, next);
    runDue();
}

void VirtualEventLoop::advanceTo(qint64 us)
{
    qint64 next = 0;
    while (nextDeadline(next) && next <= us) {
        m_nowUs = std::max(m_nowUs, next);
        runDue();
    }
    m_nowUs = std::max(m_nowUs, us);
    runDue();
}

bool VirtualEventLoop::nextDeadline(qint64 &us) const
{
    bool found = false;
    if (!m_wakeUps.empty()) {
        us = *m_wakeUps.begin();
        found = true;
    }
    if (!m_calls.empty() && (!found || m_calls.begin()->first < us)) {
        us = m_calls.begin()->first;
        found = true;
    }
    for (const Timer *timer : m_timers) {
        if (timer->isActive() && (!found || timer->deadline() < us)) {
            us = timer->deadline();
            found = true;
        }
    }
    return found;
}

// Runs due calls in time order, then fires due timers earliest first. What
// an event arms or posts during this pass waits for the next pass, as in
// Qt, so a zero interval cannot loop forever.
void VirtualEventLoop::runDue()
{
    m_wakeUps.erase(m_wakeUps.begin(), m_wakeUps.upper_bound(m_nowUs));
    const quint64 passStart = m_armCounter;
    std::vector<std::function<void()>> due;
    const auto end = m_calls.upper_bound(m_nowUs);
    for (auto it = m_calls.begin(); it != end; ++it)
        due.push_back(std::move(it->second));
    m_calls.erase(m_calls.begin(), end);
    for (auto &event : due)
        event();
    for (;;) {
        Timer *due = nullptr;
        for (Timer *timer : m_timers) {
            if (timer->isActive() && timer->armedAs() <= passStart && timer->deadline() <= m_nowUs
                && (!due || timer->deadline() < due->deadline()))
                due = timer;
        }
        if (!due)
            return;
        due->fire();
    }
}

} // namespace vq250
