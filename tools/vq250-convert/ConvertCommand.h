#pragma once

#include "core/Protocol.h"
#include "sound/CommandLineFiles.h"

#include <QStringList>
#include <QTextStream>

namespace vq250::convert
{

// Exit statuses of vq250-convert.
enum ExitStatus {
    ExitOk = 0,
    ExitConversionFailed = 1, // unreadable input, unwritable output
    ExitUsage = 2, // bad arguments, or OUTPUT would replace INPUT
};

// Reading stops after this much sound (300 s), far more than any slot keeps.
constexpr int LongestConversionBytes = 2400000;

// The whole program: `arguments` as main() gets them (program name first).
// The result goes to `out`, warnings and failures to `err`; with OUTPUT "-"
// the sound goes to standard output and the result to `err`.
int runConvertCommand(const NativeArguments &arguments, QTextStream &out, QTextStream &err);
// The same with arguments that are all UTF-8.
int runConvertCommand(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace vq250::convert
