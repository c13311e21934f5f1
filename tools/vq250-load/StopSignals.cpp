#include "vq250-load/StopSignals.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace vq250::loadcli
{
namespace
{

// The pipe's write end, for the handler: the one thing a signal handler may
// reach safely is a global, and it only ever calls write().
int g_stopPipeWrite = -1;

void onSignal(int signal)
{
    const int savedErrno = errno;
    const char number = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_stopPipeWrite, &number, 1);
    errno = savedErrno;
}

int g_stopPipeRead = -1;

} // namespace

StopSignals::StopSignals()
{
    int fds[2];
    if (g_stopPipeWrite >= 0 || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_stopPipeRead = fds[0];
    g_stopPipeWrite = fds[1];
    m_notifier = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        const int signal = pending();
        if (signal != 0 && m_onStop)
            m_onStop(signal);
    });
    struct sigaction action {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

StopSignals::~StopSignals()
{
    if (!m_notifier)
        return;
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    m_notifier.reset();
    ::close(g_stopPipeRead);
    ::close(g_stopPipeWrite);
    g_stopPipeRead = g_stopPipeWrite = -1;
}

int StopSignals::pending()
{
    char number = 0;
    while (g_stopPipeRead >= 0 && ::read(g_stopPipeRead, &number, 1) == 1)
        if (m_signal == 0)
            m_signal = number;
    return m_signal;
}

StoppableTimer::StoppableTimer(std::unique_ptr<OneShotTimer> inner)
    : m_inner(std::move(inner))
{
    m_inner->setOnTick([this] { fireTick(); });
}

void StoppableTimer::setInterval(int ms)
{
    m_intervalMs = ms;
    if (!m_stopped)
        m_inner->setInterval(ms);
}

void StoppableTimer::stopNow()
{
    m_stopped = true;
    m_inner->setInterval(0);
    if (m_inner->isActive())
        m_inner->start();
}

} // namespace vq250::loadcli
