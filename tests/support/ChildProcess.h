#pragma once

// Runs a program with arguments given as the system's bytes (QProcess would
// turn a name that is not UTF-8 into U+FFFD) and kills it when it outlives
// its time.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>

#include <csignal>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vq250::fakes
{

struct ChildRun {
    int status = -1; // the exit status; -1 when killed or not started
    bool timedOut = false;
    bool stoppedAtText = false; // killed, still running, once `errUntil` showed
    QByteArray out; // empty when standard output went to a file
    QByteArray err;
};

// Runs in the current folder with standard input from /dev/null; standard
// output goes to `stdoutPath` when given (opened, not created), else it is
// collected like standard error. A child still running once its standard
// error holds `errUntil` is killed: status -1, stoppedAtText, not timed out.
inline ChildRun runChild(const QByteArray &program, const QList<QByteArray> &arguments,
    int timeoutMs, const QByteArray &stdoutPath = {}, const QByteArray &errUntil = {})
{
    ChildRun run;
    std::vector<QByteArray> owned { program };
    owned.insert(owned.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (QByteArray &argument : owned)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (stdoutPath.isEmpty())
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(
            &actions, STDOUT_FILENO, stdoutPath.constData(), O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    pid_t pid = 0;
    const bool started = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);

    // Read both pipes, without blocking, until the child ends or its time is
    // up, and once more for what it wrote just before it ended.
    QElapsedTimer clock;
    clock.start();
    pollfd fds[2] = { { outPipe[0], POLLIN, 0 }, { errPipe[0], POLLIN, 0 } };
    QByteArray *sinks[2] = { &run.out, &run.err };
    auto drain = [&] {
        char buffer[4096];
        for (int i = 0; i < 2; ++i)
            for (ssize_t got; (got = ::read(fds[i].fd, buffer, sizeof buffer)) > 0;)
                sinks[i]->append(buffer, got);
    };
    for (const pollfd &fd : fds)
        ::fcntl(fd.fd, F_SETFL, O_NONBLOCK);
    int status = 0;
    while (started && ::waitpid(pid, &status, WNOHANG) == 0) {
        run.timedOut = clock.elapsed() >= timeoutMs;
        run.stoppedAtText = !run.timedOut && !errUntil.isEmpty() && run.err.contains(errUntil);
        if (run.timedOut || run.stoppedAtText) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        ::poll(fds, 2, 5);
        drain();
    }
    drain();
    for (const pollfd &fd : fds)
        ::close(fd.fd);
    if (started && !run.timedOut && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    return run;
}

} // namespace vq250::fakes
