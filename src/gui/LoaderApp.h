#pragma once

#include "cli/PortList.h"
#include "cli/WindowOptions.h"
#include "gui/Form1.h"
#include "gui/Progress.h"
#include "gui/WidgetFileDialog.h"
#include "gui/WidgetMessageBox.h"
#include "platform/Platform.h"
#include "platform/QtEventLoop.h"

#include <QObject>

#include <functional>
#include <memory>

namespace vq250
{

struct ProgramState;
class SerialPort;

class LoaderApp;

// Makes the serial port, given the event loop the program runs on.
using PortFactory = std::function<std::unique_ptr<SerialPort>(EventLoop &)>;

// Makes the serial port named on the command line (empty: port 1).
using NamedPortFactory = std::function<std::unique_ptr<SerialPort>(EventLoop &, const QString &)>;

// The program's main: its command line (--help, --version, --list-ports
// answered before any window or port), then the Qt application, the loader
// on the port that `makePort` creates, its start-up, then the event loop.
// `extras` may add to the loader once it has started (the demo's fault menu).
int runLoaderProgram(int &argc, char **argv, cli::WindowProgram program,
    const NamedPortFactory &makePort, const std::function<void(LoaderApp &)> &extras = {});

// Ends the process at once with `status`. Never returns.
[[noreturn]] void endProgramNow(int status);

// The whole program: it owns the state, the serial port, the event loop and
// reply timer, the boxes and the windows, and hands commands a Platform made
// of them.
class LoaderApp final : public QObject
{
    Q_OBJECT
public:
    using Ender = std::function<void(int status)>;

    // `startupBox` reports a port that cannot be opened (a parentless real
    // box when null); `ender` ends the program on quit (endProgramNow when
    // empty); `listPorts` names the ports present in that report (the
    // system's when empty). Tests hand in fakes for all three.
    explicit LoaderApp(std::unique_ptr<SerialPort> port, MessageBox *startupBox = nullptr,
        Ender ender = {}, cli::PortLister listPorts = {});
    explicit LoaderApp(const PortFactory &makePort, MessageBox *startupBox = nullptr,
        Ender ender = {}, cli::PortLister listPorts = {});
    ~LoaderApp() override;

    // The load step, then the main window. Non-zero, with the serial layer's
    // reason and the ports present shown and no window, when the port
    // cannot be opened.
    int start();

    ProgramState &state() { return *m_state; }
    Platform &platform() { return m_platform; }
    Form1 &form() { return *m_form; }
    WidgetProgressView &progress() { return m_progress; }

private slots:
    void onOpen();
    void onLoad();
    void onTruncate();
    void onQuit();

private:
    std::unique_ptr<ProgramState> m_state; // 256 KiB: on the heap
    QtEventLoop m_events; // before the port, which may run on it
    std::unique_ptr<SerialPort> m_port;
    std::unique_ptr<OneShotTimer> m_replyTimer;
    std::unique_ptr<Form1> m_form;
    WidgetMessageBox m_box;
    WidgetFileDialog m_dialog;
    WidgetProgressView m_progress;
    WidgetMessageBox m_parentlessBox;
    MessageBox &m_startupBox;
    Platform m_platform;
    Ender m_ender;
    cli::PortLister m_listPorts;
};

} // namespace vq250
