#include "vq250-convert/Resampler.h"

#include <samplerate.h>

#include <cmath>

namespace vq250::convert
{

void Resampler::StateDeleter::operator()(void *state) const
{
    src_delete(static_cast<SRC_STATE *>(state));
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
    if (!src_is_valid_ratio(m_ratio)) {
        m_error = QStringLiteral("cannot resample from %1 Hz to %2 Hz").arg(fromRate).arg(toRate);
        return;
    }
    int status = 0;
    SRC_STATE *state = src_new(SRC_SINC_BEST_QUALITY, 1, &status);
    if (!state) {
        m_error = QString::fromUtf8(src_strerror(status));
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
    auto *state = static_cast<SRC_STATE *>(m_state.get());
    // Room for this block's share plus what the filter may still hold.
    std::vector<float> block(
        static_cast<std::size_t>(std::ceil(double(input.size()) * m_ratio)) + 4096);
    // A valid pointer even for an empty final block.
    static const float noInput = 0.0f;
    SRC_DATA data {};
    data.data_in = input.empty() ? &noInput : input.data();
    data.input_frames = long(input.size());
    data.src_ratio = m_ratio;
    data.end_of_input = last ? 1 : 0;
    // The converter may need several calls to take all input, and at the end
    // keeps returning samples until its filter is empty.
    for (;;) {
        data.data_out = block.data();
        data.output_frames = long(block.size());
        const int status = src_process(state, &data);
        if (status != 0) {
            m_error = QString::fromUtf8(src_strerror(status));
            return false;
        }
        output.insert(output.end(), block.begin(), block.begin() + data.output_frames_gen);
        data.data_in += data.input_frames_used;
        data.input_frames -= data.input_frames_used;
        if (data.input_frames > 0) {
            if (data.input_frames_used == 0 && data.output_frames_gen == 0) {
                m_error = QStringLiteral("the resampler stopped taking input");
                return false;
            }
            continue;
        }
        if (!last || data.output_frames_gen == 0)
            return true;
    }
}

} // namespace vq250::convert
