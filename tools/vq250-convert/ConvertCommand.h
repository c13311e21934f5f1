#pragma once

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

// Slots 1 to 7 keep at most this many sample bytes; the loader cuts the rest.
constexpr int LongestSoundBytes = 131056;
// The longest sound BG slot 8 takes.
constexpr int LongestBg8SoundBytes = 65519;

// The whole program: `arguments` as main() gets them (program name first).
// The result goes to `out`, warnings and failures to `err`.
int runConvertCommand(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace vq250::convert
