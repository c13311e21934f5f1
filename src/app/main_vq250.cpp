#include "gui/LoaderApp.h"
#include "platform/QtSerialPort.h"

int main(int argc, char *argv[])
{
    return vq250::runLoaderProgram(argc, argv, vq250::cli::WindowProgram::Loader,
        [](vq250::EventLoop &, const QString &portName) {
            return std::unique_ptr<vq250::SerialPort>(
                std::make_unique<vq250::QtSerialPort>(portName));
        });
}
