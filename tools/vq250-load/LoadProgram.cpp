#include "vq250-load/LoadProgram.h"

#include "cli/CommandLine.h"
#include "cli/PortList.h"
#include "core/ProgramState.h"
#include "core/Startup.h"
#include "sim/WireTrace.h"
#include "load/LoadCommand.h"
#include "platform/Platform.h"
#include "platform/QtEventLoop.h"
#include "platform/QtSerialPort.h"
#include "sound/OpenCommand.h"
#include "vq250-load/ConsolePlatform.h"
#include "vq250-load/LoadOptions.h"
#include "vq250-load/TerminalProgress.h"
#include "vq250-load/TracingSerialPort.h"

#include <QFile>

namespace vq250::loadcli
{

namespace
{

const QString Program = QStringLiteral("vq250-load");

} // namespace

// Everything one run owns, torn down port first, event loop last.
struct LoadProgram::Session {
    explicit Session(const QString &soundFile)
        : dialog(soundFile)
    {
    }

    QtEventLoop events;
    std::unique_ptr<OneShotTimer> replyTimer = events.createTimer();
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

    void print(const QString &text) { progress->printAbove(text); }
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
    m_err << Program << ": " << text << '\n';
    m_err.flush();
}

int LoadProgram::run(const QStringList &arguments)
{
    const ParsedOptions parsed = parseLoadOptions(arguments);
    if (!parsed.error.isEmpty()) {
        fail(parsed.error);
        m_err << "Try '" << Program << " --help' for more information.\n";
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
    return load(parsed.options);
}

int LoadProgram::load(const LoadOptions &options)
{
    // Found out now, not after the transfer it was meant to record.
    if (!options.tracePath.isEmpty()) {
        QFile trace(options.tracePath);
        if (!trace.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            fail(QStringLiteral("cannot write the trace file %1: %2")
                     .arg(options.tracePath, trace.errorString()));
            return ExitUsage;
        }
    }

    m_session.reset();
    m_session = std::make_unique<Session>(options.soundFile);
    Session &session = *m_session;
    session.progress = std::make_unique<TerminalProgress>(m_err, m_progressOnTerminal,
        [&session] { return session.port ? session.port->bytesWritten() : 0; });
    session.box = std::make_unique<ConsoleMessageBox>(
        [&session](const QString &text) { session.print(text); });

    int status = openPort(session, options);
    if (status == ExitLoaded)
        status = openSound(session, options);
    if (status == ExitLoaded)
        status = loadSound(session, options);
    if (!options.tracePath.isEmpty())
        writeTrace(session, options.tracePath);
    return status;
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

    if (!runLoadStep(*session.state, *session.port, *session.replyTimer)) {
        const QString reason = session.port->errorText();
        fail(reason.isEmpty() ? QStringLiteral("cannot open the serial port") : reason);
        return ExitPortFailed;
    }
    session.replyTimer->setInterval(m_replyTimeoutMs);
    session.platform = std::make_unique<Platform>(Platform { *session.port, *session.box,
        session.dialog, session.events, *session.replyTimer, *session.progress, session.window });
    return ExitLoaded;
}

int LoadProgram::openSound(Session &session, const LoadOptions &options)
{
    const OpenResult opened = OpenSound(*session.state, *session.platform);
    switch (opened.kind) {
    case OpenResult::Kind::Opened:
        return ExitLoaded;
    case OpenResult::Kind::Rejected: // its box said why
    case OpenResult::Kind::Cancelled: // the given file is never cancelled
        break;
    case OpenResult::Kind::Failed:
        fail(QStringLiteral("cannot open the sound file %1: %2")
                 .arg(options.soundFile, opened.reason));
        break;
    }
    return ExitSoundRejected;
}

int LoadProgram::loadSound(Session &session, const LoadOptions &options)
{
    // The entries as the open command left them, then what the command line says.
    ConsoleMainView &window = session.window;
    window.setDestination(options.destination);
    if (options.volume)
        window.setVolume(*options.volume);
    if (options.name)
        window.setSoundName(*options.name);
    if (options.noLoop)
        window.setLooping(Unchecked);

    // A refusal or a failure has had its box.
    switch (LoadSound(*session.state, *session.platform).kind) {
    case LoadResult::Kind::Loaded:
        break;
    case LoadResult::Kind::Refused:
        return ExitRefused;
    case LoadResult::Kind::Rejected:
    case LoadResult::Kind::Failed:
        return ExitTransferFailed;
    }

    const ProgramState &state = *session.state;
    m_out << "Loaded " << options.soundFile << " into " << options.destination.left(2).toUpper()
          << (session.emulated ? " of the emulated VQ250" : "") << ": " << state.SoundLen
          << " bytes, name \"" << state.SoundName << "\", volume " << int(state.SoundBuf[1])
          << (state.SoundBuf[15] == 1 ? ", looping" : ", not looping") << '\n';
    m_out.flush();
    return ExitLoaded;
}

void LoadProgram::writeTrace(Session &session, const QString &path)
{
    const WireTrace &trace = session.emulated ? session.emulated->trace() : session.realTrace;
    if (!trace.writeTo(path))
        fail(QStringLiteral("cannot write the trace file %1").arg(path));
}

} // namespace vq250::loadcli
