#pragma once

#include <QString>
#include <QtGlobal>

namespace vq250
{

// The value of the first character of `text` read as a hexadecimal digit:
// 0-9, A-F and a-f as usual, "*" 25, anything else (or no character) 32.
quint8 HexDigitValue(const QString &text);

// A destination entry such as "A1": the station from its first character,
// the BG number from its second; nothing is trimmed or changed in case.
struct Destination {
    quint8 station = 32;
    quint8 bgNum = 32;

    bool stationValid() const { return station >= 10 && station <= 15; }
    bool bgNumValid() const { return bgNum >= 1 && bgNum <= 8; }
};

Destination parseDestination(const QString &entry);

} // namespace vq250
