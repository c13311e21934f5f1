#pragma once

#include "sim/EmulatedPort.h"

#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>

namespace vq250
{
struct LibraryCheck;
}

namespace vq250::loadcli
{

struct LoadOptions;
class OutputTarget;
class StopSignals;

// Exit statuses of vq250-load.
enum ExitStatus {
    ExitLoaded = 0,
    ExitRefused = 1, // one of the load command's own refusals
    ExitUsage = 2,
    ExitPortFailed = 3, // the serial port cannot be opened
    ExitSoundRejected = 4, // the sound file was rejected or cannot be read
    ExitTransferFailed = 5, // the transfer ended with an error code; a library sound did not load
    ExitWriteFailed = 6, // all loaded, but an output could not be written
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
    // SIGINT and SIGTERM stop the run cleanly once these are given.
    void setStopSignals(StopSignals *stops) { m_stopSignals = stops; }
    // The terminal's width for the progress bar.
    void setColumns(std::function<int()> columns) { m_columns = std::move(columns); }

    // `arguments` as main() gets them, program name first. Returns the exit status.
    int run(const QStringList &arguments);

    // After a run with --emulate: the emulated port and its device.
    const EmulatedPort *emulator() const;

private:
    struct Session;
    struct SoundJob;
    struct SoundOutcome;

    int load(const LoadOptions &options);
    int loadLibrary(const LoadOptions &options);
    int startSession(const LoadOptions &options);
    int openPort(Session &session, const LoadOptions &options);
    SoundOutcome loadOne(const SoundJob &job);
    QList<SoundOutcome> loadRows(const LibraryCheck &check, bool keepGoing);
    void printSummary(const LibraryCheck &check, const QList<SoundOutcome> &outcomes);
    int stopSignalPending();
    int finish(int status, const OutputTarget *trace);
    void fail(const QString &text);

    QTextStream &m_out;
    QTextStream &m_err;
    bool m_progressOnTerminal = false;
    EmulatorOptions m_emulatorOptions;
    int m_replyTimeoutMs;
    StopSignals *m_stopSignals = nullptr;
    std::function<int()> m_columns;
    std::unique_ptr<Session> m_session;
};

} // namespace vq250::loadcli
