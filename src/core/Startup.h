#pragma once

#include "Version.h"
#include "core/Protocol.h"

#include <QString>

namespace vq250
{

struct ProgramState;
class SerialPort;
class OneShotTimer;

// "1.05": the minor number padded to two digits, a non-zero revision appended.
QString versionText(int major, int minor, int revision);

// The help text on the accepted sound format: 17 lines joined by carriage returns.
QString wavHelpText();

// tmrTimeout's tick: disarms the timer, then sets TimedOut.
void attachReplyTimer(ProgramState &state, OneShotTimer &replyTimer);

// The main window's load step: version text, serial port, reply timer and
// program state, in their order. Returns false when the port cannot be
// opened; the port's errorText() then says why and the program must end.
bool runLoadStep(ProgramState &state, SerialPort &port, OneShotTimer &replyTimer);

} // namespace vq250
