#pragma once

#include "vq250-convert/Quantizer.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace vq250::convert
{

struct ConvertSettings {
    double gainDb = 0.0;
    std::uint32_t ditherSeed = DefaultDitherSeed;
};

struct Conversion {
    QString error; // empty on success
    int sourceRate = 0;
    int sourceChannels = 0;
    Quantized sound; // 8000 Hz, unsigned 8-bit, mono
};

// Reads any file libsndfile reads, mixes it to mono, resamples it to 8000 Hz
// and rounds it to unsigned 8-bit.
Conversion convertSound(const QString &inputPath, const ConvertSettings &settings);

// The first two steps alone: the sound as mono float samples at 8000 Hz.
// Returns an empty text or what went wrong.
QString readAt8000Hz(
    const QString &inputPath, std::vector<float> &samples, int *sourceRate, int *sourceChannels);

} // namespace vq250::convert
