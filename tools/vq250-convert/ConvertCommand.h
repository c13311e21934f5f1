#pragma once

#include "core/Protocol.h"

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

// The whole program: `arguments` as main() gets them (program name first).
// The result goes to `out`, warnings and failures to `err`.
int runConvertCommand(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace vq250::convert
