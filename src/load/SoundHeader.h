#pragma once

#include "core/Protocol.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

namespace vq250
{

// The volume entry as a whole number 0 to 255: decimal digits, optionally
// with surrounding blanks and a leading "+". Anything else gives nothing.
std::optional<quint8> parseVolume(const QString &entry);

// Characters of a name, counted as the operator sees them (a character
// outside the 16-bit range is one character, not two).
int nameLength(const QString &name);

// Whether the device can store `name` as typed: deviceHoldsNameChar for
// every character.
bool deviceCanHoldName(const QString &name);

// One byte per character: its ISO 8859-1 code, "?" for any other character.
QByteArray nameBytes(const QString &name);

// The 16 bytes in front of the samples: "W", volume, name padded with 160,
// length least significant byte first, loop flag.
std::array<quint8, 16> soundHeader(
    quint8 volume, const QString &name, const std::array<quint8, 4> &lengthBytes, bool looping);

} // namespace vq250
