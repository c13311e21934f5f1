#include "vq250-convert/Quantizer.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace vq250::convert
{

namespace
{

// Full scale of 8-bit PCM: -1.0 maps to -128, +1.0 just past +127.
constexpr double FullScale = 128.0;
constexpr double Lowest = -128.0;
constexpr double Highest = 127.0;

bool onEightBitGrid(double value)
{
    return value >= Lowest && value <= Highest && value == std::nearbyint(value);
}

} // namespace

Quantized quantizeToUnsigned8(const std::vector<float> &samples, double gainDb, std::uint32_t seed)
{
    const double scale = std::pow(10.0, gainDb / 20.0) * FullScale;
    const auto scaled = [&](std::size_t i) { return double(samples[i]) * scale; };

    Quantized result;
    // Dither only hides the error of a rounding; with nothing to round it
    // would just add noise.
    result.dithered = !std::all_of(
        samples.begin(), samples.end(), [&](float s) { return onEightBitGrid(double(s) * scale); });

    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> halfLsb(-0.5, 0.5);
    result.samples.resize(qsizetype(samples.size()));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        double value = scaled(i);
        if (std::isnan(value)) {
            ++result.notFinite;
            value = 0.0;
        } else if (std::isinf(value)) {
            ++result.notFinite;
        }
        const double rounded = std::floor(value + 0.5);
        if (rounded < Lowest || rounded > Highest)
            ++result.clipped;
        const double dither = result.dithered ? halfLsb(generator) + halfLsb(generator) : 0.0;
        const double level = std::clamp(std::floor(value + dither + 0.5), Lowest, Highest);
        result.samples[qsizetype(i)] = char(static_cast<unsigned char>(int(level) + 128));
    }
    return result;
}

} // namespace vq250::convert
