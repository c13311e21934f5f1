#include "load/SoundHeader.h"

#include <QVector>

namespace vq250
{
namespace
{

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

std::optional<quint8> parseVolume(const QString &entry)
{
    qsizetype begin = 0;
    qsizetype end = entry.size();
    while (begin < end && isBlank(entry.at(begin)))
        ++begin;
    while (end > begin && isBlank(entry.at(end - 1)))
        --end;
    if (begin < end && entry.at(begin) == QLatin1Char('+'))
        ++begin;
    if (begin == end)
        return std::nullopt;
    int value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = entry.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > 255) // also keeps a long run of digits from overflowing
            return std::nullopt;
    }
    return quint8(value);
}

int nameLength(const QString &name)
{
    return int(name.toUcs4().size());
}

bool deviceCanHoldName(const QString &name)
{
    for (const char32_t c : name.toUcs4())
        if (!deviceHoldsNameChar(c))
            return false;
    return true;
}

QByteArray nameBytes(const QString &name)
{
    QByteArray bytes;
    for (const char32_t c : name.toUcs4())
        bytes.append(c <= 0xFF ? char(c) : '?');
    return bytes;
}

std::array<quint8, 16> soundHeader(
    quint8 volume, const QString &name, const std::array<quint8, 4> &lengthBytes, bool looping)
{
    std::array<quint8, 16> header {};
    header[0] = 87;
    header[1] = volume;
    const QByteArray bytes = nameBytes(name);
    for (int i = 0; i < SoundNameMax; ++i)
        header[2 + i] = i < bytes.size() ? quint8(bytes[i]) : NamePadByte;
    header[12] = lengthBytes[0];
    header[13] = lengthBytes[1];
    header[14] = lengthBytes[2];
    header[15] = looping ? 1 : 0;
    return header;
}

} // namespace vq250
