#pragma once

#include "platform/SerialPort.h"

#include <QtGlobal>

#include <algorithm>
#include <limits>

namespace vq250
{

// A port count as a 16-bit field holds it: a count above 32767 saturates
// instead of wrapping round to a negative number.
inline qint16 count16(int count)
{
    return qint16(std::clamp(
        count, int(std::numeric_limits<qint16>::min()), int(std::numeric_limits<qint16>::max())));
}

// Bytes left waiting from an earlier exchange would be taken for the next
// reply: a command starts by reading and dropping them. Returns how many
// were waiting, for RxCount.
inline qint16 discardStaleInput(SerialPort &port)
{
    const qint16 waiting = count16(port.bytesAvailable());
    if (waiting >= 1)
        port.readAll();
    return waiting;
}

} // namespace vq250
