#pragma once

#include "sim/EmulatedPort.h"

#include <QStringList>
#include <QTextStream>

#include <memory>

namespace vq250::loadcli
{

struct LoadOptions;

// Exit statuses of vq250-load.
enum ExitStatus {
    ExitLoaded = 0,
    ExitRefused = 1, // one of the load command's own refusals
    ExitUsage = 2,
    ExitPortFailed = 3, // the serial port cannot be opened
    ExitSoundRejected = 4, // the sound file was rejected or cannot be read
    ExitTransferFailed = 5, // the transfer ended with an error code
};

// Flash write time of the emulated VQ250 per block: enough to be seen in a
// trace, short enough not to wait for.
constexpr qint64 EmulatorFlashWriteNs = 5000000;

// The whole of vq250-load: the window's start-up, open command and load
// command, run once with the command line standing in for the operator.
class LoadProgram
{
public:
    LoadProgram(QTextStream &out, QTextStream &err);
    ~LoadProgram();
    LoadProgram(const LoadProgram &) = delete;
    LoadProgram &operator=(const LoadProgram &) = delete;

    // Draws the progress bar on standard error (only for a terminal).
    void setProgressOnTerminal(bool on) { m_progressOnTerminal = on; }
    // The emulated VQ250 that --emulate uses (faults, timing). The flash
    // write time defaults to EmulatorFlashWriteNs.
    void setEmulatorOptions(EmulatorOptions options) { m_emulatorOptions = std::move(options); }
    // The reply time-out, 8000 ms unless a test wants it shorter.
    void setReplyTimeoutMs(int ms) { m_replyTimeoutMs = ms; }

    // `arguments` as main() gets them, program name first. Returns the exit status.
    int run(const QStringList &arguments);

    // After a run with --emulate: the emulated port and its device.
    const EmulatedPort *emulator() const;

private:
    struct Session;

    int load(const LoadOptions &options);
    int openPort(Session &session, const LoadOptions &options);
    int openSound(Session &session, const LoadOptions &options);
    int loadSound(Session &session, const LoadOptions &options);
    void writeTrace(Session &session, const QString &path);
    void fail(const QString &text);

    QTextStream &m_out;
    QTextStream &m_err;
    bool m_progressOnTerminal = false;
    EmulatorOptions m_emulatorOptions;
    int m_replyTimeoutMs;
    std::unique_ptr<Session> m_session;
};

} // namespace vq250::loadcli
