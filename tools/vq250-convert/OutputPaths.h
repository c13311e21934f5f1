#pragma once

#include <QByteArray>
#include <QString>

namespace vq250::convert
{

// The sound name to propose for `path`, one the device can hold: the file
// name without folders, up to its first ".", in ISO 8859-1 printable
// characters, at most 10 of them. A name that is not UTF-8 is read as
// ISO 8859-1, as old archives wrote it.
QString proposedSoundName(const QByteArray &path);

} // namespace vq250::convert
