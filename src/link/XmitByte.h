#pragma once

#include <QtGlobal>

namespace vq250
{

struct ProgramState;
struct Platform;

// Sends one byte to the VQ250. DTR is asserted for a command byte
// (IsData false) and negated otherwise. With NoReply the device should stay
// silent and only an unsolicited error pair is looked for; without it the
// reply must begin with TxByte (or with Expected when UseExpected). Success
// leaves ErrCode as it was; a failure sets it (PCcommEr, UnknownEr or the
// device's code). RxCount and RxData keep the last read for the caller.
void XmitByte(ProgramState &state, Platform &platform, quint8 TxByte, bool IsData, bool NoReply,
    bool UseExpected, quint8 Expected);

} // namespace vq250
