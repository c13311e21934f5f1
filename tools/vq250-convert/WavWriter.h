#pragma once

#include "core/Protocol.h"

#include <QByteArray>
#include <QString>

namespace vq250::convert
{

constexpr int WavHeaderSize = 44;

// The common 44-byte header for unsigned 8-bit mono PCM at 8000 Hz: "RIFF",
// "WAVE", a 16-byte "fmt " body, then the "data" head for `dataBytes`.
QByteArray wavHeader(quint32 dataBytes);

// Header, samples and, after an odd count, the RIFF pad byte.
QByteArray wavFile(const QByteArray &samples);

// Writes the file through a temporary one, so a failed write leaves an
// existing file as it was. Returns an empty text or what went wrong.
QString writeWavFile(const QString &path, const QByteArray &samples);

} // namespace vq250::convert
