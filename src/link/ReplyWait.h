#pragma once

#include "core/PortCounts.h"

#include <QtGlobal>

#include <optional>

namespace vq250
{

struct ProgramState;
struct Platform;
class SerialPort;

// What a timed wait waits for, sampled from the port after each round of
// event processing.
enum class WaitFor {
    SendBufferEmpty, // TxCount below 1
    ReplyByte, // RxCount 1 or more
};

// Arms tmrTimeout and waits for the condition, letting the window's events
// through without spinning: the first round only processes what is pending,
// later rounds sleep until the next event. The timer is disabled again on
// every way out. A time-out wins even if the condition came true in the same
// round; it clears TimedOut, sets ErrCode to PCcommEr and returns false.
bool timedWait(ProgramState &state, Platform &platform, WaitFor what);

// Samples RxCount, then takes every waiting byte into RxData.
void sampleAndRead(ProgramState &state, SerialPort &port);

// The byte at index RxCount - 1 of RxData, where the device's latest
// single-byte answer lies; nothing when that index is outside the read.
std::optional<quint8> lastCountedByte(const ProgramState &state);

// A received byte taken as the device's error code. A 0 there would read as
// "no error" and let a failed exchange pass as a success, so it becomes
// UnknownEr.
quint8 deviceErrorCode(quint8 received);

} // namespace vq250
