#include "link/BlockExchange.h"

#include "core/ProgramState.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

namespace vq250
{
namespace
{

// Every byte of a block is compared with its own echo.
void sendEchoed(ProgramState &state, Platform &platform, quint8 byte, bool isCommand)
{
    XmitByte(state, platform, byte, !isCommand, false, false, 0);
}

void sendUnechoed(ProgramState &state, Platform &platform, quint8 byte)
{
    XmitByte(state, platform, byte, true, true, false, 0);
}

} // namespace

void LongToBytes(ProgramState &state, qint32 x)
{
    const quint32 bits = quint32(x);
    for (int i = 0; i < 4; ++i)
        state.LongBytes[i] = quint8(bits >> (8 * i));
}

void XmitBlock(ProgramState &state, Platform &platform, quint8 Cmd, const quint8 *Buf, qint32 Count,
    qint32 StartIdx, bool WithAddr, qint32 Addr)
{
    if (Count == 0) {
        platform.box.show(QStringLiteral("Attempt to Xmit 0 Length Block Failed"), MsgOkOnly,
            QStringLiteral("VQ250"));
        return;
    }
    LongToBytes(state, Count - 1);
    const quint8 lenHigh = state.LongBytes[1];
    const quint8 lenLow = state.LongBytes[0];

    sendEchoed(state, platform, Cmd, true);
    if (state.ErrCode != 0)
        return;
    for (quint8 lenByte : { lenHigh, lenLow }) {
        sendEchoed(state, platform, lenByte, false);
        if (state.ErrCode != 0)
            return;
    }

    qint32 highest = StartIdx + Count - 1;
    qint32 sum = 0;
    if (WithAddr) {
        LongToBytes(state, Addr);
        highest -= 3;
        const quint8 address[3] = { state.LongBytes[2], state.LongBytes[1], state.LongBytes[0] };
        for (quint8 addrByte : address) {
            sum += addrByte;
            sendUnechoed(state, platform, addrByte);
            if (state.ErrCode != 0)
                return;
        }
    }
    for (qint32 i = highest; i >= StartIdx; --i) {
        sum += Buf[i];
        sendUnechoed(state, platform, Buf[i]);
        if (state.ErrCode != 0)
            return;
    }

    LongToBytes(state, sum);
    sendEchoed(state, platform, state.LongBytes[0], false);
}

} // namespace vq250
