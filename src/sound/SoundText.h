#pragma once

#include <QString>
#include <QtGlobal>

namespace vq250
{

// The proposed sound name: the file name without folders, cut at its first
// "." and to at most 10 characters. Folders end at "\" and at "/".
QString SoundNameFromPath(const QString &path);

// `name` as the device can hold it: only printable ISO 8859-1 characters,
// at most 10. Other letters lose their accents or take their compatibility
// form (U+0151 becomes "o", U+FB01 "fi"); what has none is left out, and
// "Sound" stands for a name of which nothing is left.
QString DeviceSoundName(const QString &name);

// byteCount / 8000 seconds in ten-thousandths, ties to even.
qint64 SoundSeconds(qint32 byteCount);

// "16.382 Sec.": SoundSeconds without trailing zeros, with the decimal
// separator of the default QLocale.
QString secondsText(qint32 byteCount);

} // namespace vq250
