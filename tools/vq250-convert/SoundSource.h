#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace vq250::convert
{

// One sound file opened through libsndfile, read block by block and mixed
// down to one channel (the average of all channels).
class SoundSource
{
public:
    // Opens the file, a regular one only (a FIFO or device is refused and
    // never opened); on failure isOpen() is false and error() says why.
    explicit SoundSource(const QByteArray &nativePath);
    ~SoundSource();
    SoundSource(const SoundSource &) = delete;
    SoundSource &operator=(const SoundSource &) = delete;

    bool isOpen() const { return m_file != nullptr; }
    QString error() const { return m_error; }
    int sampleRate() const { return m_sampleRate; }
    int channels() const { return m_channels; }
    std::int64_t frames() const { return m_frames; }

    // Replaces `mono` with up to maxFrames mixed frames; empty at the end.
    // Returns false on a read error (see error()).
    bool readMono(std::vector<float> &mono, std::size_t maxFrames);

private:
    struct SndfileDeleter {
        void operator()(void *file) const;
    };

    struct Descriptor {
        int fd = -1;
        ~Descriptor();
    };

    Descriptor m_descriptor; // closed after m_file
    std::unique_ptr<void, SndfileDeleter> m_file;
    QString m_error;
    int m_sampleRate = 0;
    int m_channels = 0;
    std::int64_t m_frames = 0;
    std::vector<float> m_interleaved;
};

} // namespace vq250::convert
