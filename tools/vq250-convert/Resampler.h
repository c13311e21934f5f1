#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace vq250::convert
{

// Streams one channel from its own rate to another through libsoxr at its
// high quality (linear phase, 20-bit precision, flat to 91 % of the lower
// rate's Nyquist frequency). Equal rates pass the samples through untouched.
class Resampler
{
public:
    Resampler(int fromRate, int toRate);
    ~Resampler();
    Resampler(const Resampler &) = delete;
    Resampler &operator=(const Resampler &) = delete;

    // False when the rates cannot be converted; error() says why.
    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    // Appends the converted samples of `input` to `output`. `last` marks the
    // end of the sound, which flushes what the filter still holds.
    bool process(const std::vector<float> &input, bool last, std::vector<float> &output);

private:
    struct StateDeleter {
        void operator()(void *state) const;
    };

    std::unique_ptr<void, StateDeleter> m_state;
    double m_ratio = 1.0;
    bool m_passThrough = false;
    QString m_error;
};

} // namespace vq250::convert
