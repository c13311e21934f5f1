#pragma once

// Builds WAV (and not-quite-WAV) files from their chunks, so tests never
// depend on sound files of unknown origin.

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace vq250::fakes
{

inline QByteArray le16(quint16 value)
{
    return QByteArray(1, char(value & 0xFF)) + char(value >> 8);
}

inline QByteArray le32(quint32 value)
{
    return le16(quint16(value & 0xFFFF)) + le16(quint16(value >> 16));
}

// The body of a "fmt " chunk; the defaults are the format the VQ250 plays.
struct FmtFields {
    quint16 formatTag = 1;
    quint16 channels = 1;
    quint32 sampleRate = 8000;
    quint32 byteRate = 8000;
    quint16 blockAlign = 1;
    quint16 bitsPerSample = 8;

    QByteArray body() const
    {
        return le16(formatTag) + le16(channels) + le32(sampleRate) + le32(byteRate)
            + le16(blockAlign) + le16(bitsPerSample);
    }
};

// `count` recognisable sample bytes: a ramp that starts at `first`.
inline QByteArray sampleBytes(int count, quint8 first = 1)
{
    QByteArray bytes(count, '\0');
    for (int i = 0; i < count; ++i)
        bytes[i] = char(quint8(first + i));
    return bytes;
}

// `count` pseudo-random sample bytes, the same for the same seed.
inline QByteArray noise(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(count, '\0');
    for (char &b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

// A RIFF file: a 12-byte head (tag, size, form type) and chunks in order.
// The RIFF size is the file's length minus 8 unless set.
class WavBuilder
{
public:
    WavBuilder &riffTag(const QByteArray &tag)
    {
        m_riffTag = tag;
        return *this;
    }
    WavBuilder &riffSize(quint32 size)
    {
        m_riffSize = size;
        return *this;
    }
    WavBuilder &formType(const QByteArray &form)
    {
        m_formType = form;
        return *this;
    }
    // A chunk whose size field is the body's length.
    WavBuilder &chunk(const QByteArray &tag, const QByteArray &body)
    {
        return chunk(tag, quint32(body.size()), body);
    }
    // A chunk with a size field of its own, whatever the body holds.
    WavBuilder &chunk(const QByteArray &tag, quint32 sizeField, const QByteArray &body)
    {
        m_chunks += tag.left(4).leftJustified(4, ' ') + le32(sizeField) + body;
        return *this;
    }
    WavBuilder &fmt(const FmtFields &fields = {}, const QByteArray &extra = {})
    {
        return chunk("fmt ", fields.body() + extra);
    }
    WavBuilder &data(const QByteArray &samples) { return chunk("data", samples); }
    // Bytes put in as they are (a pad byte, a cut-off chunk head ...).
    WavBuilder &raw(const QByteArray &bytes)
    {
        m_chunks += bytes;
        return *this;
    }

    QByteArray build() const
    {
        const quint32 size = m_riffSize ? *m_riffSize : quint32(4 + m_chunks.size());
        return m_riffTag + le32(size) + m_formType + m_chunks;
    }

    // The common file: a 44-byte header ("fmt " at 12, "data" at 36) and samples.
    static QByteArray pcm8(const QByteArray &samples)
    {
        return WavBuilder().fmt().data(samples).build();
    }

private:
    QByteArray m_riffTag = "RIFF";
    std::optional<quint32> m_riffSize;
    QByteArray m_formType = "WAVE";
    QByteArray m_chunks;
};

// A common file whose data size field says `declared`; `present` samples follow.
inline QByteArray soundFile(quint32 declared, int present)
{
    return WavBuilder().fmt().chunk("data", declared, sampleBytes(present)).build();
}

// Writes `bytes` to `path`, replacing what was there.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

// The bytes at `path`; a marker no test expects when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace vq250::fakes
