#include "vq250-convert/Resampler.h"

#include <soxr.h>

#include <cmath>

namespace vq250::convert
{

void Resampler::StateDeleter::operator()(void *state) const
{
    soxr_delete(static_cast<soxr_t>(state));
}

Resampler::Resampler(int fromRate, int toRate)
{
    if (fromRate <= 0 || toRate <= 0) {
        m_error = QStringLiteral("invalid sample rate %1 Hz").arg(fromRate);
        return;
    }
    if (fromRate == toRate) {
        m_passThrough = true;
        return;
    }
    m_ratio = double(toRate) / double(fromRate);
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    soxr_t state = soxr_create(fromRate, toRate, 1, &error, &io, &quality, nullptr);
    if (!state) {
        m_error = QStringLiteral("cannot resample from %1 Hz to %2 Hz: %3")
                      .arg(fromRate)
                      .arg(toRate)
                      .arg(QString::fromUtf8(error));
        return;
    }
    m_state.reset(state);
}

Resampler::~Resampler() = default;

bool Resampler::process(const std::vector<float> &input, bool last, std::vector<float> &output)
{
    if (!isValid())
        return false;
    if (m_passThrough) {
        output.insert(output.end(), input.begin(), input.end());
        return true;
    }
    auto state = static_cast<soxr_t>(m_state.get());
    // Room for this block's share plus what the filter may still hold.
    const std::size_t room = std::size_t(std::ceil(double(input.size()) * m_ratio)) + 1024;
    // One call: a null input flushes the filter, a little more each time.
    const auto step = [&](const float *in, std::size_t inLength, std::size_t *used) {
        const std::size_t start = output.size();
        output.resize(start + room);
        std::size_t made = 0;
        const soxr_error_t error
            = soxr_process(state, in, inLength, used, output.data() + start, room, &made);
        output.resize(start + made);
        if (error)
            m_error = QString::fromUtf8(error);
        return made;
    };
    const float *in = input.data();
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        std::size_t used = 0;
        const std::size_t made = step(in, inLeft, &used);
        if (!isValid())
            return false;
        if (used == 0 && made == 0) {
            m_error = QStringLiteral("the resampler stopped taking input");
            return false;
        }
        in += used;
        inLeft -= used;
    }
    if (!last)
        return true;
    while (step(nullptr, 0, nullptr) > 0) { }
    return isValid();
}

} // namespace vq250::convert
