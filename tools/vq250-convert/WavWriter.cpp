#include "vq250-convert/WavWriter.h"

namespace vq250::convert
{

namespace
{

void appendTag(QByteArray &bytes, const char (&tag)[5])
{
    bytes.append(tag, 4);
}

void appendLittleEndian(QByteArray &bytes, quint32 value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFFu));
}

} // namespace

QByteArray wavHeader(quint32 dataBytes)
{
    const quint32 pad = dataBytes & 1u;
    QByteArray header;
    header.reserve(WavHeaderSize);
    appendTag(header, "RIFF");
    appendLittleEndian(header, 4 + (8 + 16) + (8 + dataBytes + pad), 4);
    appendTag(header, "WAVE");
    appendTag(header, "fmt ");
    appendLittleEndian(header, 16, 4);
    appendLittleEndian(header, 1, 2); // PCM
    appendLittleEndian(header, 1, 2); // one channel
    appendLittleEndian(header, DeviceSampleRate, 4);
    appendLittleEndian(header, DeviceSampleRate, 4); // bytes per second
    appendLittleEndian(header, 1, 2); // block align
    appendLittleEndian(header, 8, 2); // bits per sample
    appendTag(header, "data");
    appendLittleEndian(header, dataBytes, 4);
    return header;
}

QByteArray wavFile(const QByteArray &samples)
{
    QByteArray file = wavHeader(quint32(samples.size()));
    file.append(samples);
    if (samples.size() % 2 != 0)
        file.append('\0');
    return file;
}

} // namespace vq250::convert
