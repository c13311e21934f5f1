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

} // namespace vq250::convert
