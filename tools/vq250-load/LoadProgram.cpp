#include "vq250-load/LoadProgram.h"

#include "cli/CommandLine.h"
#include "cli/PortList.h"
#include "core/ProgramState.h"
#include "core/Startup.h"
#include "errors/ErrorTable.h"
#include "library/LibraryCheck.h"
#include "link/SoundTransfer.h"
#include "load/LoadCommand.h"
#include "platform/Platform.h"
#include "platform/QtEventLoop.h"
#include "platform/QtSerialPort.h"
#include "sim/WireTrace.h"
#include "sound/OpenCommand.h"
#include "vq250-load/ConsolePlatform.h"
#include "vq250-load/LoadOptions.h"
#include "vq250-load/OutputTarget.h"
#include "vq250-load/StopSignals.h"
#include "vq250-load/TerminalProgress.h"
#include "vq250-load/TracingSerialPort.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <optional>

namespace vq250::loadcli
{

namespace
{

const QString Program = QStringLiteral("vq250-load");

// The exit status of a run stopped by `signal`, as a shell reports it.
int stoppedStatus(int signal)
{
    return 128 + signal;
}

// Qt decodes a name that is not UTF-8 with U+FFFD in it; no file of that
// name exists, and the one meant cannot be reached through it.
bool nameLost(const QString &path)
{
    return path.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(path);
}

QString nameLostText(const QString &path)
{
    return QStringLiteral("cannot open the sound file %1: its name is not UTF-8 text, which "
                          "vq250-load cannot pass on; rename the file or link it under a "
                          "UTF-8 name")
        .arg(path);
}

QString secondsText(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'f', 1);
}

} // namespace

// One sound to load: what FILE.wav DEST and its options, or a library row, say.
struct LoadProgram::SoundJob {
    QString path;
    QString destination;
    std::optional<QString> volume;
    std::optional<QString> name;
    bool loop = true;
};

// How one sound went.
struct LoadProgram::SoundOutcome {
    int status = ExitLoaded;
    qint32 bytes = 0; // SoundLen, once the sound was opened
    QString result; // for the summary: "loaded", "failed: ...", ...
    qint64 ms = 0;
};

// Everything one run owns, torn down port first, event loop last.
struct LoadProgram::Session {
    QtEventLoop events;
    StoppableTimer replyTimer { events.createTimer() };
    std::unique_ptr<ProgramState> state = std::make_unique<ProgramState>();
    std::unique_ptr<TerminalProgress> progress;
    std::unique_ptr<SerialPort> device;
    EmulatedPort *emulated = nullptr;
    WireTrace realTrace;
    std::unique_ptr<TracingSerialPort> port;
    std::unique_ptr<ConsoleMessageBox> box;
    GivenFileDialog dialog;
    ConsoleMainView window;
    std::unique_ptr<Platform> platform;
    int stopSignal = 0; // SIGINT or SIGTERM once one came

    void print(const QString &text) { progress->printAbove(text); }
    void stop(int signal)
    {
        if (stopSignal == 0)
            stopSignal = signal;
        replyTimer.stopNow();
    }
};

LoadProgram::LoadProgram(QTextStream &out, QTextStream &err)
    : m_out(out)
    , m_err(err)
    , m_replyTimeoutMs(ReplyTimeoutMs)
{
    m_emulatorOptions.flashWriteNs = EmulatorFlashWriteNs;
}

LoadProgram::~LoadProgram() = default;

const EmulatedPort *LoadProgram::emulator() const
{
    return m_session ? m_session->emulated : nullptr;
}

void LoadProgram::fail(const QString &text)
{
    if (m_session && m_session->progress)
        m_session->print(Program + QStringLiteral(": ") + text + QLatin1Char('\n'));
    else
        m_err << Program << ": " << text << '\n';
    m_err.flush();
}

int LoadProgram::run(const QStringList &arguments)
{
    const ParsedOptions parsed = parseLoadOptions(arguments);
    if (!parsed.error.isEmpty()) {
        m_err << cli::usageErrorText(Program, parsed.error);
        m_err.flush();
        return ExitUsage;
    }
    switch (parsed.options.action) {
    case LoadOptions::Action::Help:
        m_out << loadUsage();
        m_out.flush();
        return ExitLoaded;
    case LoadOptions::Action::Version:
        m_out << cli::versionText(Program);
        m_out.flush();
        return ExitLoaded;
    case LoadOptions::Action::ListPorts:
        m_out << cli::portListText(cli::presentSerialPorts());
        m_out.flush();
        return ExitLoaded;
    case LoadOptions::Action::Load:
        break;
    }
    return parsed.options.libraryFile.isEmpty() ? load(parsed.options)
                                                : loadLibrary(parsed.options);
}

int LoadProgram::load(const LoadOptions &options)
{
    // Found out now, before anything is sent, not after the transfer it was meant to record.
    std::optional<OutputTarget> trace;
    if (!options.tracePath.isEmpty()) {
        trace.emplace(options.tracePath);
        trace->mustNotBe(options.soundFile);
        if (!trace->refusal().isEmpty()) {
            fail(QStringLiteral("will not write the trace to %1: %2")
                     .arg(options.tracePath, trace->refusal()));
            return ExitUsage;
        }
    }
    if (nameLost(options.soundFile)) {
        fail(nameLostText(options.soundFile));
        return ExitSoundRejected;
    }

    int status = startSession(options);
    if (status == ExitLoaded) {
        const SoundJob job { options.soundFile, options.destination, options.volume, options.name,
            !options.noLoop };
        status = loadOne(job).status;
        if (status == ExitLoaded) {
            const ProgramState &state = *m_session->state;
            m_out << "Loaded " << options.soundFile << " into "
                  << options.destination.left(2).toUpper()
                  << (m_session->emulated ? " of the emulated VQ250" : "") << ": " << state.SoundLen
                  << " bytes, name \"" << state.SoundName << "\", volume " << int(state.SoundBuf[1])
                  << (state.SoundBuf[15] == 1 ? ", looping" : ", not looping") << '\n';
            m_out.flush();
        }
    }
    return finish(status, trace ? &*trace : nullptr);
}

int LoadProgram::loadLibrary(const LoadOptions &options)
{
    const QString &library = options.libraryFile;
    if (nameLost(library)) {
        fail(QStringLiteral("cannot read the library %1: its name is not UTF-8 text").arg(library));
        return ExitRefused;
    }
    const LibraryCheck check = checkLibraryFile(library);
    if (!check.passed()) {
        for (const LibraryVerdict &verdict : check.verdicts)
            if (verdict.status != LibraryVerdict::Status::Ok)
                m_err << verdictLine(library, verdict) << '\n';
        m_err << Program << ": " << check.problems << " problem(s) in " << library
              << "; nothing was sent\n";
        m_err.flush();
        return ExitRefused;
    }
    const auto printEstimate = [&] {
        m_out << library << ": " << libraryEstimate(check) << '\n';
        m_out.flush();
    };
    if (options.dryRun) {
        printEstimate();
        return finish(ExitLoaded, nullptr);
    }

    // Every output is looked at before anything is sent; none may be an input.
    std::optional<OutputTarget> trace;
    std::optional<OutputTarget> failedTo;
    for (auto [target, path, what] : { std::tuple { &trace, options.tracePath, "the trace" },
             std::tuple { &failedTo, options.failedToPath, "the failed rows" } }) {
        if (path.isEmpty())
            continue;
        target->emplace(path);
        (*target)->mustNotBe(library);
        for (const CheckedSound &sound : check.sounds)
            (*target)->mustNotBe(sound.row.path);
        if (trace && target == &failedTo)
            (*target)->mustNotBe(options.tracePath);
        if (!(*target)->refusal().isEmpty()) {
            fail(QStringLiteral("will not write %1 to %2: %3")
                     .arg(QLatin1String(what), path, (*target)->refusal()));
            return ExitUsage;
        }
    }

    printEstimate();
    // Stopped while the rows were checked: no port, every row "not sent".
    if (stopSignalPending() == 0) {
        const int opened = startSession(options);
        if (opened != ExitLoaded)
            return finish(opened, nullptr);
    }

    const QList<SoundOutcome> outcomes = loadRows(check, options.keepGoing);
    printSummary(check, outcomes);

    int worst = ExitLoaded;
    QList<LibraryRow> notLoaded;
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        if (outcomes.at(i).status == ExitLoaded)
            continue;
        notLoaded << check.sounds.at(i).row;
        worst = ExitTransferFailed;
    }
    bool written = true;
    if (failedTo) {
        const QString error = failedTo->write(libraryText(notLoaded));
        if (!error.isEmpty()) {
            fail(QStringLiteral("cannot write the failed rows to %1: %2")
                     .arg(options.failedToPath, error));
            written = false;
        }
    }
    const int status = finish(worst, trace ? &*trace : nullptr);
    return status == ExitLoaded && !written ? ExitWriteFailed : status;
}

// One sound after the other, each with its line: after a failure the rest
// is not sent unless `keepGoing`; after a stop it never is.
QList<LoadProgram::SoundOutcome> LoadProgram::loadRows(const LibraryCheck &check, bool keepGoing)
{
    QList<SoundOutcome> outcomes;
    QElapsedTimer elapsed;
    elapsed.start();
    qint64 bytesDone = 0;
    const qsizetype count = check.sounds.size();
    for (const CheckedSound &sound : check.sounds) {
        const int stopSignal = stopSignalPending();
        const bool stopped = stopSignal != 0
            || (!outcomes.isEmpty() && outcomes.constLast().status != ExitLoaded && !keepGoing);
        if (stopped) {
            outcomes.append({ ExitTransferFailed, sound.soundLen, QStringLiteral("not sent"), -1 });
            continue;
        }
        const LibraryRow &row = sound.row;
        const QString place = QStringLiteral("[%1/%2] ").arg(outcomes.size() + 1).arg(count);
        m_session->progress->setPrefix(place);
        const SoundOutcome outcome
            = loadOne({ row.path, row.destination, row.volume, row.name, row.loop.value_or(true) });
        outcomes.append(outcome);
        bytesDone += sound.wireBytes;
        const qint64 ms = elapsed.elapsed();
        const qint64 msLeft = bytesDone > 0 ? (check.wireBytes - bytesDone) * ms / bytesDone : 0;
        m_out << place << row.destination.left(2).toUpper() << ' ' << row.file << ": "
              << outcome.result << ", " << outcome.bytes << " bytes in " << secondsText(outcome.ms)
              << " s; " << outcomes.size() << " of " << count << " sounds, " << bytesDone << " of "
              << check.wireBytes << " bytes, " << clockText(ms / 1000) << " elapsed, "
              << clockText((msLeft + 999) / 1000) << " left\n";
        m_out.flush();
    }
    return outcomes;
}

void LoadProgram::printSummary(const LibraryCheck &check, const QList<SoundOutcome> &outcomes)
{
    QList<QStringList> table { { QStringLiteral("Slot"), QStringLiteral("File"),
        QStringLiteral("Bytes"), QStringLiteral("Result"), QStringLiteral("Seconds") } };
    int loaded = 0;
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        const SoundOutcome &outcome = outcomes.at(i);
        const LibraryRow &row = check.sounds.at(i).row;
        table.append({ row.destination.left(2).toUpper(), row.file, QString::number(outcome.bytes),
            outcome.result, outcome.ms < 0 ? QStringLiteral("-") : secondsText(outcome.ms) });
        loaded += outcome.status == ExitLoaded ? 1 : 0;
    }
    QList<qsizetype> widths(table.constFirst().size(), 0);
    for (const QStringList &line : table)
        for (qsizetype c = 0; c < line.size(); ++c)
            widths[c] = std::max(widths.at(c), line.at(c).size());
    for (const QStringList &line : table) {
        QString text;
        for (qsizetype c = 0; c < line.size(); ++c)
            text += c + 1 < line.size() ? line.at(c).leftJustified(widths.at(c) + 2) : line.at(c);
        m_out << text << '\n';
    }
    m_out << "Loaded " << loaded << " of " << outcomes.size() << " sounds.\n";
    m_out.flush();
}

int LoadProgram::stopSignalPending()
{
    const int signal = m_stopSignals ? m_stopSignals->pending() : 0;
    if (!m_session)
        return signal;
    if (signal != 0 && m_session->stopSignal == 0)
        m_session->stop(signal);
    return m_session->stopSignal;
}

// The trace, if any bytes went out; the status a stop gives.
int LoadProgram::finish(int status, const OutputTarget *trace)
{
    int stopSignal = stopSignalPending();
    if (stopSignal != 0) {
        fail(QStringLiteral("interrupted"));
        status = stoppedStatus(stopSignal);
    }
    if (trace && m_session && m_session->port && m_session->port->bytesWritten() > 0) {
        const WireTrace &wire
            = m_session->emulated ? m_session->emulated->trace() : m_session->realTrace;
        const QString error = trace->write(wire.toText().toUtf8());
        if (!error.isEmpty()) {
            fail(QStringLiteral("cannot write the trace file: %1").arg(error));
            if (status == ExitLoaded)
                status = ExitWriteFailed;
        }
    }
    // The serial port is closed now, not when the program object goes; the
    // emulated one stays for a look at what it stored.
    if (m_session) {
        m_session->platform.reset();
        m_session->port.reset();
        if (!m_session->emulated)
            m_session->device.reset();
    }
    return status;
}

int LoadProgram::startSession(const LoadOptions &options)
{
    m_session.reset();
    m_session = std::make_unique<Session>();
    Session &session = *m_session;
    session.progress = std::make_unique<TerminalProgress>(
        m_err, m_progressOnTerminal,
        [&session] { return session.port ? session.port->bytesOnWire() : 0; }, m_columns);
    session.box = std::make_unique<ConsoleMessageBox>([&session](const QString &text) {
        if (session.stopSignal == 0) // what the cut transfer reports is no news
            session.print(text);
    });
    if (m_stopSignals)
        m_stopSignals->setOnStop([&session](int signal) { session.stop(signal); });
    return openPort(session, options);
}

int LoadProgram::openPort(Session &session, const LoadOptions &options)
{
    const bool tracing = !options.tracePath.isEmpty();
    if (options.emulate) {
        EmulatorOptions emulatorOptions = m_emulatorOptions;
        emulatorOptions.recordTrace = tracing;
        auto emulated = makeEmulatedPort(session.events, std::move(emulatorOptions));
        session.emulated = emulated.get();
        session.device = std::move(emulated);
    } else {
        auto real = std::make_unique<QtSerialPort>(options.port);
        real->setWarningHandler([&session](const QString &text) {
            session.print(Program + QStringLiteral(": warning: ") + text + QLatin1Char('\n'));
        });
        session.device = std::move(real);
    }
    // The emulator keeps its own trace, timed by its line.
    session.port = std::make_unique<TracingSerialPort>(*session.device, session.events,
        tracing && !options.emulate ? &session.realTrace : nullptr);

    if (!runLoadStep(*session.state, *session.port, session.replyTimer)) {
        const QString reason = session.port->errorText();
        fail(reason.isEmpty() ? QStringLiteral("cannot open the serial port") : reason);
        return ExitPortFailed;
    }
    session.replyTimer.setInterval(m_replyTimeoutMs);
    session.platform = std::make_unique<Platform>(Platform { *session.port, *session.box,
        session.dialog, session.events, session.replyTimer, *session.progress, session.window });
    return ExitLoaded;
}

// The open command on the job's file, then the load command with the job's
// entries over those the open command put in.
LoadProgram::SoundOutcome LoadProgram::loadOne(const SoundJob &job)
{
    Session &session = *m_session;
    SoundOutcome outcome;
    QElapsedTimer took;
    took.start();
    session.dialog.setPath(job.path);
    const OpenResult opened = OpenSound(*session.state, *session.platform);
    switch (opened.kind) {
    case OpenResult::Kind::Opened:
        break;
    case OpenResult::Kind::Rejected: // its box said why
    case OpenResult::Kind::Cancelled: // the given file is never cancelled
        outcome.status = ExitSoundRejected;
        outcome.result = QStringLiteral("rejected: ") + errorMessage(opened.code, QString()).title;
        outcome.ms = took.elapsed();
        return outcome;
    case OpenResult::Kind::Failed:
        fail(QStringLiteral("cannot open the sound file %1: %2").arg(job.path, opened.reason));
        outcome.status = ExitSoundRejected;
        outcome.result = QStringLiteral("failed: ") + opened.reason;
        outcome.ms = took.elapsed();
        return outcome;
    }
    outcome.bytes = session.state->SoundLen;

    ConsoleMainView &window = session.window;
    window.setDestination(job.destination);
    if (job.volume)
        window.setVolume(*job.volume);
    if (job.name)
        window.setSoundName(*job.name);
    if (!job.loop)
        window.setLooping(Unchecked);

    if (stopSignalPending() != 0) { // nothing of this sound went out yet
        outcome.status = stoppedStatus(session.stopSignal);
        outcome.result = QStringLiteral("not sent");
        outcome.ms = -1;
        return outcome;
    }
    session.progress->setExpectedBytes(transferWireBytes(session.state->SoundLen));
    const LoadResult loaded = LoadSound(*session.state, *session.platform);
    outcome.ms = took.elapsed();
    if (stopSignalPending() != 0 && loaded.kind != LoadResult::Kind::Loaded) {
        outcome.status = stoppedStatus(session.stopSignal);
        outcome.result = QStringLiteral("interrupted");
        return outcome;
    }
    switch (loaded.kind) {
    case LoadResult::Kind::Loaded:
        outcome.result = QStringLiteral("loaded");
        break;
    case LoadResult::Kind::Refused: // its box said why
        outcome.status = ExitRefused;
        outcome.result = QStringLiteral("refused: ") + refusalFor(loaded.refusedBy).title;
        break;
    case LoadResult::Kind::Rejected:
    case LoadResult::Kind::Failed:
        outcome.status = ExitTransferFailed;
        outcome.result = QStringLiteral("failed: ") + errorMessage(loaded.code, QString()).title;
        break;
    }
    return outcome;
}

} // namespace vq250::loadcli
