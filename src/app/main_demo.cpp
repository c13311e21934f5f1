#include "app/DemoFaultMenu.h"
#include "gui/LoaderApp.h"
#include "sim/EmulatedPort.h"

namespace
{

// Flash write time per block: about what a device takes, so the progress
// window moves as it would on the bench.
constexpr qint64 DemoFlashWriteNs = 40000000;

} // namespace

// vq250-demo: the program with an emulated VQ250 on serial port 1, at real
// line speed. Right-click the main window to make the next load fail.
int main(int argc, char *argv[])
{
    vq250::EmulatedPort *emulated = nullptr;
    const auto makeDemoPort = [&emulated](vq250::EventLoop &events, const QString &) {
        vq250::EmulatorOptions options;
        options.flashWriteNs = DemoFlashWriteNs;
        options.recordTrace = false;
        auto port = vq250::makeEmulatedPort(events, options);
        emulated = port.get();
        return std::unique_ptr<vq250::SerialPort>(std::move(port));
    };
    return vq250::runLoaderProgram(argc, argv, vq250::cli::WindowProgram::Demo, makeDemoPort,
        [&emulated](vq250::LoaderApp &app) { vq250::installDemoFaultMenu(app.form(), *emulated); });
}
