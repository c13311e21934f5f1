#include "vq250-convert/Converter.h"

#include "vq250-convert/Resampler.h"
#include "vq250-convert/SoundSource.h"
#include "vq250-convert/WavWriter.h"

namespace vq250::convert
{

namespace
{

// Frames read and resampled at a time; keeps memory to the output's size.
constexpr std::size_t BlockFrames = 65536;

} // namespace

QString readAt8000Hz(
    const QString &inputPath, std::vector<float> &samples, int *sourceRate, int *sourceChannels)
{
    samples.clear();
    SoundSource source(inputPath);
    if (!source.isOpen())
        return source.error();
    if (sourceRate)
        *sourceRate = source.sampleRate();
    if (sourceChannels)
        *sourceChannels = source.channels();

    Resampler resampler(source.sampleRate(), DeviceSampleRate);
    if (!resampler.isValid())
        return resampler.error();
    if (source.frames() > 0)
        samples.reserve(
            std::size_t(double(source.frames()) * DeviceSampleRate / source.sampleRate()) + 16);

    std::vector<float> block;
    for (;;) {
        if (!source.readMono(block, BlockFrames))
            return source.error();
        const bool last = block.empty();
        if (!resampler.process(block, last, samples))
            return resampler.error();
        if (last)
            return {};
    }
}

Conversion convertSound(const QString &inputPath, const ConvertSettings &settings)
{
    Conversion result;
    std::vector<float> samples;
    result.error = readAt8000Hz(inputPath, samples, &result.sourceRate, &result.sourceChannels);
    if (!result.error.isEmpty())
        return result;
    result.sound = quantizeToUnsigned8(samples, settings.gainDb, settings.ditherSeed);
    return result;
}

} // namespace vq250::convert
