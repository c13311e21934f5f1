#include "vq250-convert/Converter.h"

#include "vq250-convert/Resampler.h"
#include "vq250-convert/SoundSource.h"
#include "vq250-convert/WavWriter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vq250::convert
{

namespace
{

// Input samples (all channels) read at a time: 1 MB of floats.
constexpr std::size_t BlockSamples = 262144;

} // namespace

Conversion convertSound(const QByteArray &inputPath, const ConvertSettings &settings)
{
    Conversion result;
    SoundSource source(inputPath);
    if (!source.isOpen()) {
        result.error = source.error();
        return result;
    }
    result.sourceRate = source.sampleRate();
    result.sourceChannels = source.channels();
    if (source.frames() > 0)
        result.fullLength
            = std::llround(double(source.frames()) * DeviceSampleRate / source.sampleRate());

    Resampler resampler(source.sampleRate(), DeviceSampleRate);
    if (!resampler.isValid()) {
        result.error = resampler.error();
        return result;
    }
    const std::size_t blockFrames
        = std::max<std::size_t>(1, BlockSamples / std::size_t(source.channels()));
    const auto keep = std::size_t(std::max<qint64>(0, settings.keepSamples));
    std::vector<float> samples;
    std::vector<float> block;
    // One sample past the limit tells a cut sound from one that just fits.
    while (samples.size() <= keep) {
        if (!source.readMono(block, blockFrames)) {
            result.error = source.error();
            return result;
        }
        const bool last = block.empty();
        if (!resampler.process(block, last, samples)) {
            result.error = resampler.error();
            return result;
        }
        if (last)
            break;
    }
    result.cut = samples.size() > keep;
    if (result.cut)
        samples.resize(keep);
    result.sound = quantizeToUnsigned8(samples, settings.gainDb, settings.ditherSeed);
    return result;
}

} // namespace vq250::convert
