#pragma once

// What every device link test needs: virtual time, the reply timer with its
// tick attached, the program state and fakes for the windows.

#include "core/ProgramState.h"
#include "core/Startup.h"
#include "fakes/Fakes.h"
#include "platform/Platform.h"
#include "platform/VirtualEventLoop.h"

#include <memory>

namespace vq250::test
{

struct LinkRig {
    explicit LinkRig(int timeoutMs = 50)
    {
        attachReplyTimer(*state, *timer);
        timer->setInterval(timeoutMs);
    }

    Platform platform(SerialPort &port)
    {
        return Platform { port, box, dialog, events, *timer, progress, window };
    }

    VirtualEventLoop events;
    std::unique_ptr<OneShotTimer> timer = events.createTimer();
    std::unique_ptr<ProgramState> state = std::make_unique<ProgramState>();
    fakes::FakeMessageBox box;
    fakes::FakeFileDialog dialog;
    fakes::FakeProgressView progress;
    fakes::FakeMainView window;
};

inline QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(char(v));
    return bytes;
}

} // namespace vq250::test
