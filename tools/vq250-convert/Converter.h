#pragma once

#include "vq250-convert/Quantizer.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <limits>

namespace vq250::convert
{

struct ConvertSettings {
    double gainDb = 0.0;
    std::uint32_t ditherSeed = DefaultDitherSeed;
    // Reading stops once this many output samples are made.
    qint64 keepSamples = std::numeric_limits<qint32>::max();
};

struct Conversion {
    QString error; // empty on success
    int sourceRate = 0;
    int sourceChannels = 0;
    // The whole input's length at 8000 Hz by its header; -1 when unknown.
    qint64 fullLength = -1;
    bool cut = false; // the input holds more than keepSamples
    Quantized sound; // 8000 Hz, unsigned 8-bit, mono, at most keepSamples
};

// Reads any regular file libsndfile reads block by block, mixes it to mono,
// resamples it to 8000 Hz and rounds it to unsigned 8-bit. Memory holds the
// output and one block of input, never the whole input.
Conversion convertSound(const QByteArray &inputPath, const ConvertSettings &settings);

} // namespace vq250::convert
