#pragma once

// The one rig: the program state, virtual time with the reply timer, fakes
// for the windows and the file dialog, the emulated VQ250 on the serial port
// and a temporary folder for sound files.

#include "core/ProgramState.h"
#include "core/Startup.h"
#include "platform/Platform.h"
#include "sim/EmulatedPort.h"
#include "sim/VirtualEventLoop.h"
#include "sim/WireOracle.h"
#include "support/Fakes.h"
#include "support/WavBuilder.h"

#include <QTemporaryDir>

#include <memory>

namespace vq250::test
{

using namespace vq250::fakes;

struct Rig {
    // Start-up as the program runs it, with its reply time-out; or with a
    // shorter one (ms) for tests that wait on purpose.
    explicit Rig(EmulatorOptions options = {}, int timeoutMs = 0)
        : port(makeEmulatedPort(events, std::move(options)))
    {
        started = runLoadStep(*state, *port, *timer);
        if (timeoutMs > 0)
            timer->setInterval(timeoutMs);
    }

    // The same platform around another port (a fake, a decorator).
    Platform on(SerialPort &other)
    {
        return { other, box, dialog, events, *timer, progress, window };
    }

    QString file(const QString &name, const QByteArray &bytes) const
    {
        const QString path = dir.filePath(name);
        return writeFile(path, bytes) ? path : QString();
    }
    // A common 8 kHz 8-bit mono file of `samples`.
    QString wav(const QString &name, const QByteArray &samples) const
    {
        return file(name, WavBuilder::pcm8(samples));
    }

    VirtualEventLoop events;
    std::unique_ptr<OneShotTimer> timer = events.createTimer();
    std::unique_ptr<ProgramState> state = std::make_unique<ProgramState>();
    std::unique_ptr<EmulatedPort> port;
    FakeMessageBox box;
    FakeFileDialog dialog;
    FakeProgressView progress;
    FakeMainView window;
    Platform platform { *port, box, dialog, events, *timer, progress, window };
    QTemporaryDir dir;
    bool started = false;
};

// What the PC sent through the emulated port, as the oracle writes it.
inline QString sentWire(const EmulatedPort &port)
{
    return markedHex(sentByPc(port.trace()));
}

} // namespace vq250::test
