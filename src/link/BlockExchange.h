#pragma once

#include "link/XmitByte.h"

#include <QtGlobal>

namespace vq250
{

struct ProgramState;
struct Platform;

// Splits x into LongBytes, least significant byte at index 0.
void LongToBytes(ProgramState &state, qint32 x);

// Sends one block: the command byte (DTR asserted, echoed), LenM = Count - 1
// high byte then low byte (echoed), for a data block the address pointer
// high byte first, the data from Buf[StartIdx + Count - 1] (less the three
// address bytes) down to Buf[StartIdx] (none echoed), and the checksum, the
// low 8 bits of the sum of address and data bytes (echoed). The first
// failing byte ends the block with ErrCode set. Count 0 only shows a
// message box.
void XmitBlock(ProgramState &state, Platform &platform, quint8 Cmd, const quint8 *Buf, qint32 Count,
    qint32 StartIdx, bool WithAddr, qint32 Addr);

} // namespace vq250
