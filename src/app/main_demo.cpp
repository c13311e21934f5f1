#include "gui/LoaderApp.h"
#include "gui/SilentPort.h"

namespace
{

// The one place that decides what stands in for serial port 1.
std::unique_ptr<vq250::SerialPort> makeDemoPort()
{
    return std::make_unique<vq250::SilentPort>();
}

} // namespace

int main(int argc, char *argv[])
{
    return vq250::runLoaderProgram(argc, argv, makeDemoPort);
}
