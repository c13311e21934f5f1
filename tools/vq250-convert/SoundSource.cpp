#include "vq250-convert/SoundSource.h"

#include "sound/FileKind.h"

#include <sndfile.h>

#include <unistd.h>

namespace vq250::convert
{

void SoundSource::SndfileDeleter::operator()(void *file) const
{
    sf_close(static_cast<SNDFILE *>(file));
}

SoundSource::Descriptor::~Descriptor()
{
    if (fd >= 0)
        ::close(fd);
}

SoundSource::SoundSource(const QByteArray &nativePath)
{
    const ReadableFile opened = openRegularFile(nativePath);
    if (opened.refusal != ReadRefusal::None) {
        m_error = opened.reason;
        return;
    }
    m_descriptor.fd = opened.fd;
    SF_INFO info {};
    SNDFILE *file = sf_open_fd(m_descriptor.fd, SFM_READ, &info, SF_FALSE);
    if (!file) {
        m_error = QString::fromLocal8Bit(sf_strerror(nullptr));
        return;
    }
    m_file.reset(file);
    if (info.channels < 1 || info.samplerate < 1) {
        m_error = QStringLiteral("the file holds no usable sound (%1 channels, %2 Hz)")
                      .arg(info.channels)
                      .arg(info.samplerate);
        m_file.reset();
        return;
    }
    m_sampleRate = info.samplerate;
    m_channels = info.channels;
    m_frames = info.frames;
    // Integer formats come back scaled to -1..1 (8-bit by 1/128, 16-bit by
    // 1/32768), so 8-bit input survives the round trip exactly.
    sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
}

SoundSource::~SoundSource() = default;

bool SoundSource::readMono(std::vector<float> &mono, std::size_t maxFrames)
{
    mono.clear();
    if (!m_file)
        return false;
    const auto channels = static_cast<std::size_t>(m_channels);
    m_interleaved.resize(maxFrames * channels);
    const sf_count_t got = sf_readf_float(
        static_cast<SNDFILE *>(m_file.get()), m_interleaved.data(), sf_count_t(maxFrames));
    if (got < 0 || sf_error(static_cast<SNDFILE *>(m_file.get())) != SF_ERR_NO_ERROR) {
        m_error = QString::fromLocal8Bit(sf_strerror(static_cast<SNDFILE *>(m_file.get())));
        return false;
    }
    mono.resize(static_cast<std::size_t>(got));
    for (std::size_t frame = 0; frame < mono.size(); ++frame) {
        const float *first = &m_interleaved[frame * channels];
        double sum = 0.0;
        for (std::size_t c = 0; c < channels; ++c)
            sum += first[c];
        mono[frame] = static_cast<float>(sum / double(channels));
    }
    return true;
}

} // namespace vq250::convert
