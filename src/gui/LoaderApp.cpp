#include "gui/LoaderApp.h"

#include "cli/CommandLine.h"
#include "core/ProgramState.h"
#include "core/Startup.h"
#include "load/LoadCommand.h"
#include "platform/SerialPort.h"
#include "sound/OpenCommand.h"
#include "sound/Truncate.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

namespace vq250
{

int runLoaderProgram(int &argc, char **argv, cli::WindowProgram program,
    const NamedPortFactory &makePort, const std::function<void(LoaderApp &)> &extras)
{
    // Before QApplication, which needs a display that --help does not.
    const cli::ParsedWindowOptions parsed
        = cli::parseWindowOptions(program, cli::argumentsOf(argc, argv));
    if (const int answered = cli::answerWithoutWindow(program, parsed); answered >= 0)
        return answered;
    const cli::WindowOptions &options = parsed.options;

    QApplication app(argc, argv);
    // Only the name: an explicit display name would be appended to every
    // window title on X11 ("Progress — VQ250").
    QApplication::setApplicationName(applicationTitle());

    LoaderApp loader([&](EventLoop &events) { return makePort(events, options.port); });
    if (const int failed = loader.start())
        return failed;
    if (extras)
        extras(loader);
    if (options.quitAfterMs >= 0) {
        QTimer::singleShot(options.quitAfterMs, &loader, [&loader] {
            const QWindow *window = loader.form().windowHandle();
            QApplication::exit(window && window->isExposed() ? 0 : 1);
        });
    }
    return QApplication::exec();
}

void endProgramNow(int status)
{
    // A command may be deep inside a wait that processes events, its frames
    // holding references to the windows and the state. Unwinding or returning
    // to the main loop would let it run on (up to its 8 s time-out) or tear
    // things down beneath it; ending the process cannot be held up. Nothing
    // is ever saved, the port is released before we get here, and the system
    // reclaims the rest.
    std::fflush(nullptr);
    std::_Exit(status);
}

LoaderApp::LoaderApp(std::unique_ptr<SerialPort> port, MessageBox *startupBox, Ender ender,
    cli::PortLister listPorts)
    : LoaderApp([&port](EventLoop &) { return std::move(port); }, startupBox, std::move(ender),
        std::move(listPorts))
{
}

LoaderApp::LoaderApp(
    const PortFactory &makePort, MessageBox *startupBox, Ender ender, cli::PortLister listPorts)
    : m_state(std::make_unique<ProgramState>())
    , m_port(makePort(m_events))
    , m_replyTimer(m_events.createTimer())
    , m_form(std::make_unique<Form1>())
    , m_box(m_form.get())
    , m_dialog(m_form.get())
    , m_progress(m_form.get())
    , m_startupBox(startupBox ? *startupBox : m_parentlessBox)
    , m_platform { *m_port, m_box, m_dialog, m_events, *m_replyTimer, m_progress, *m_form }
    , m_ender(ender ? std::move(ender) : Ender(endProgramNow))
    , m_listPorts(listPorts ? std::move(listPorts) : cli::PortLister(cli::presentSerialPorts))
{
    connect(m_form.get(), &Form1::openClicked, this, &LoaderApp::onOpen);
    connect(m_form.get(), &Form1::loadClicked, this, &LoaderApp::onLoad);
    connect(m_form.get(), &Form1::truncateClicked, this, &LoaderApp::onTruncate);
    connect(m_form.get(), &Form1::quitRequested, this, &LoaderApp::onQuit);
}

LoaderApp::~LoaderApp() = default;

int LoaderApp::start()
{
    if (!runLoadStep(*m_state, *m_port, *m_replyTimer)) {
        QString reason = m_port->errorText();
        if (reason.isEmpty())
            reason = QStringLiteral("Serial port 1 could not be opened.");
        const QString message
            = reason + QStringLiteral("\n\n") + cli::portChoiceText(m_listPorts());
        // Also for a terminal or a log: the box may be out of sight.
        QTextStream(stderr) << message << '\n';
        m_startupBox.show(message, MsgOkExclamation, applicationTitle());
        return 1;
    }
    m_form->setVersionText(m_state->VersionText);
    m_form->centreOnScreen();
    m_form->show();
    return 0;
}

void LoaderApp::onOpen()
{
    OpenSound(*m_state, m_platform);
}

void LoaderApp::onLoad()
{
    LoadSound(*m_state, m_platform);
}

void LoaderApp::onTruncate()
{
    TruncateForBG8(*m_state, m_platform);
}

void LoaderApp::onQuit()
{
    // Release the port first; nothing may touch it after this.
    m_port.reset();
    m_ender(0);
}

} // namespace vq250
