#include "link/XmitByte.h"

#include "core/ProgramState.h"
#include "errors/ErrorTable.h"
#include "link/ReplyWait.h"
#include "platform/EventLoop.h"
#include "platform/Platform.h"
#include "platform/SerialPort.h"

namespace vq250
{
namespace
{

// A byte the device should not have sent: a pair carries its error code in
// the second byte, anything shorter is unreadable.
void takeUnexpectedReply(ProgramState &state)
{
    if (state.RxCount >= 2 && state.RxData.size() >= 2)
        state.ErrCode = deviceErrorCode(quint8(state.RxData.at(1)));
    else
        state.ErrCode = UnknownEr;
}

void checkUnsolicited(ProgramState &state, Platform &platform)
{
    platform.events.processEvents();
    state.RxCount = count16(platform.port.bytesAvailable());
    if (state.RxCount <= 0)
        return;
    if (state.RxCount == 1) {
        // Left unread: the device may still be sending the rest.
        state.ErrCode = UnknownEr;
        return;
    }
    state.RxData = platform.port.readAll();
    takeUnexpectedReply(state);
}

void checkReply(ProgramState &state, Platform &platform, quint8 expected)
{
    if (!timedWait(state, platform, WaitFor::ReplyByte))
        return;
    sampleAndRead(state, platform.port);
    if (!state.RxData.isEmpty() && quint8(state.RxData.at(0)) == expected)
        return;
    takeUnexpectedReply(state);
}

} // namespace

void XmitByte(ProgramState &state, Platform &platform, quint8 TxByte, bool IsData, bool NoReply,
    bool UseExpected, quint8 Expected)
{
    platform.port.setDtr(!IsData);
    if (!timedWait(state, platform, WaitFor::SendBufferEmpty))
        return;
    platform.port.write(QByteArray(1, char(TxByte)));
    if (NoReply)
        checkUnsolicited(state, platform);
    else
        checkReply(state, platform, UseExpected ? Expected : TxByte);
}

} // namespace vq250
