#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstdint>
#include <vector>

namespace vq250::convert
{

// The dither's default seed, so the same input always gives the same file.
constexpr std::uint32_t DefaultDitherSeed = 250;

struct Quantized {
    QByteArray samples; // unsigned 8-bit, 128 = silence
    qint64 clipped = 0; // samples beyond what 8 bits hold, set to the limit
    qint64 notFinite = 0; // NaN samples (written as silence) and infinities
    bool dithered = false; // false when the sound already lay on the 8-bit grid
};

// Scales by `gainDb` and rounds to unsigned 8-bit with triangular (TPDF)
// dither: the sum of two independent uniform values of +-0.5 LSB. A sound
// whose every sample is already an 8-bit value is copied without dither.
Quantized quantizeToUnsigned8(
    const std::vector<float> &samples, double gainDb, std::uint32_t seed = DefaultDitherSeed);

} // namespace vq250::convert
