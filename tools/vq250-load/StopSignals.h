#pragma once

#include "platform/EventLoop.h"

#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace vq250::loadcli
{

// Turns SIGINT and SIGTERM into a call on the event loop: the handler only
// writes the signal's number into a pipe, the rest runs as an ordinary
// event. The handlers go back to the system's default once one signal has
// come, so a second Ctrl-C ends the program at once. One at a time.
class StopSignals
{
public:
    using OnStop = std::function<void(int signal)>;

    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    bool installed() const { return m_notifier != nullptr; }
    void setOnStop(OnStop onStop) { m_onStop = std::move(onStop); }
    // The signal that came, taken from the pipe now even if no event has
    // been processed since; 0 for none.
    int pending();

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
    OnStop m_onStop;
    int m_signal = 0;
};

// Ends every wait of a command at once after stopNow(), as a time-out would:
// the transfer then leaves the line and returns. Before, it is the timer it
// wraps.
class StoppableTimer final : public OneShotTimer
{
public:
    explicit StoppableTimer(std::unique_ptr<OneShotTimer> inner);

    void setInterval(int ms) override;
    int interval() const override { return m_intervalMs; }
    void start() override { m_inner->start(); }
    void stop() override { m_inner->stop(); }
    bool isActive() const override { return m_inner->isActive(); }

    void stopNow();
    bool stopped() const { return m_stopped; }

private:
    std::unique_ptr<OneShotTimer> m_inner;
    int m_intervalMs = 0;
    bool m_stopped = false;
};

} // namespace vq250::loadcli
