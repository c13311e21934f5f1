#pragma once

// The whole program minus its windows: program state after start-up, the
// emulated VQ250 on the serial port, virtual time, and fakes for the boxes,
// the file dialog, the progress window and the main window's fields.

#include "core/ProgramState.h"
#include "core/Startup.h"
#include "fakes/Fakes.h"
#include "fakes/WavBuilder.h"
#include "link/emulator/EmulatedPort.h"
#include "platform/Platform.h"
#include "platform/VirtualEventLoop.h"

#include <QTemporaryDir>

#include <memory>

namespace vq250::test
{

struct LoadRig {
    explicit LoadRig(EmulatorOptions options = {}, MainView *mainView = nullptr)
        : port(makeEmulatedPort(events, std::move(options)))
        , platform { *port, box, dialog, events, *timer, progress, mainView ? *mainView : window }
    {
        ok = runLoadStep(*state, *port, *timer);
    }

    // Writes `samples` as a common 8 kHz 8-bit mono file and names it.
    QString wavFile(const QString &name, const QByteArray &samples) const
    {
        const QString path = dir.filePath(name);
        return fakes::writeFile(path, fakes::WavBuilder::pcm8(samples)) ? path : QString();
    }

    VirtualEventLoop events;
    std::unique_ptr<OneShotTimer> timer = events.createTimer();
    std::unique_ptr<ProgramState> state = std::make_unique<ProgramState>();
    std::unique_ptr<EmulatedPort> port;
    fakes::FakeMessageBox box;
    fakes::FakeFileDialog dialog;
    fakes::FakeProgressView progress;
    fakes::FakeMainView window;
    Platform platform;
    QTemporaryDir dir;
    bool ok = false;
};

} // namespace vq250::test
