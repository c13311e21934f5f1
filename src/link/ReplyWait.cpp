#include "link/ReplyWait.h"

#include "core/ProgramState.h"
#include "errors/ErrorTable.h"
#include "platform/EventLoop.h"
#include "platform/Platform.h"
#include "platform/SerialPort.h"

namespace vq250
{
namespace
{

bool conditionHolds(ProgramState &state, SerialPort &port, WaitFor what)
{
    if (what == WaitFor::SendBufferEmpty) {
        state.TxCount = count16(port.bytesToWrite());
        return state.TxCount < 1;
    }
    state.RxCount = count16(port.bytesAvailable());
    return state.RxCount >= 1;
}

} // namespace

bool timedWait(ProgramState &state, Platform &platform, WaitFor what)
{
    platform.replyTimer.start();
    state.TimedOut = FlagFalse;
    bool firstRound = true;
    bool done = false;
    do {
        if (firstRound)
            platform.events.processEvents();
        else
            platform.events.waitForEvents();
        firstRound = false;
        done = conditionHolds(state, platform.port, what);
    } while (!done && state.TimedOut == FlagFalse);
    platform.replyTimer.stop();
    if (state.TimedOut != FlagFalse) {
        state.TimedOut = FlagFalse;
        state.ErrCode = PCcommEr;
        return false;
    }
    return true;
}

void sampleAndRead(ProgramState &state, SerialPort &port)
{
    state.RxCount = count16(port.bytesAvailable());
    state.RxData = port.readAll();
}

std::optional<quint8> lastCountedByte(const ProgramState &state)
{
    const int index = state.RxCount - 1;
    if (index < 0 || index >= state.RxData.size())
        return std::nullopt;
    return quint8(state.RxData.at(index));
}

quint8 deviceErrorCode(quint8 received)
{
    return received == 0 ? quint8(UnknownEr) : received;
}

} // namespace vq250
