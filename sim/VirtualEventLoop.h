#pragma once

#include "platform/EventLoop.h"

#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <vector>

namespace vq250
{

// A run in virtual time that could never end: a wait found nothing pending
// time after time, or a watchdog saw the run go past its deadline.
struct Hang : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// An event loop in virtual time for tests and the soak. Time stands still
// until a wait jumps it straight to the next wake-up or timer deadline, so an
// 8000 ms time-out costs no wall time and every run is repeatable.
class VirtualEventLoop final : public EventLoop
{
public:
    VirtualEventLoop() = default;
    ~VirtualEventLoop() override;
    VirtualEventLoop(const VirtualEventLoop &) = delete;
    VirtualEventLoop &operator=(const VirtualEventLoop &) = delete;

    // Runs the timers and wake-ups that are due now; time does not move.
    void processEvents() override;
    // Jumps to the earliest wake-up or timer deadline and runs what is due.
    // With nothing pending it returns at once, without moving time, so a
    // caller can never hang here; a caller that keeps waiting with nothing
    // pending could never see anything change, so the 1000th such wait in a
    // row throws Hang instead of letting it spin for ever.
    void waitForEvents() override;
    std::unique_ptr<OneShotTimer> createTimer() override;
    qint64 nowUs() const override { return m_nowUs; }
    void wakeAt(qint64 us) override;

    // Runs `event` as an event when time reaches `us` (a fake device's
    // arriving bytes, say): it happens only inside event processing.
    void callAt(qint64 us, std::function<void()> event);

    // Moves time forward to `us`, running everything that falls due on the way.
    void advanceTo(qint64 us);

    // How often each entry point ran, so tests can tell waiting from spinning.
    int processCalls() const { return m_processCalls; }
    int waitCalls() const { return m_waitCalls; }
    int idleWaits() const { return m_idleWaits; } // waits that found nothing pending

private:
    class Timer;
    friend class Timer;

    void runDue();
    bool nextDeadline(qint64 &us) const;

    qint64 m_nowUs = 0;
    quint64 m_armCounter = 0;
    std::multiset<qint64> m_wakeUps;
    std::multimap<qint64, std::function<void()>> m_calls;
    std::vector<Timer *> m_timers;
    int m_processCalls = 0;
    int m_waitCalls = 0;
    int m_idleWaits = 0;
    int m_idleWaitsInARow = 0;
};

} // namespace vq250
