#include "vq250-convert/OutputPaths.h"

#include "sound/SoundText.h"

#include <QStringDecoder>

#include <filesystem>
#include <system_error>

namespace vq250::convert
{

namespace
{

std::filesystem::path nativePath(const QByteArray &path)
{
    return std::filesystem::path(path.toStdString());
}

std::filesystem::path absoluteNormal(const QByteArray &path)
{
    std::error_code error;
    return std::filesystem::absolute(nativePath(path), error).lexically_normal();
}

} // namespace

bool isSameFile(const QByteArray &input, const QByteArray &output)
{
    if (absoluteNormal(input) == absoluteNormal(output))
        return true;
    // Device and inode, so hard links and symbolic links count as well.
    std::error_code error;
    const bool same = std::filesystem::equivalent(nativePath(input), nativePath(output), error);
    return !error && same;
}

QString proposedSoundName(const QByteArray &path)
{
    const QByteArray fileName = path.mid(path.lastIndexOf('/') + 1);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString name = utf8.decode(fileName);
    if (utf8.hasError())
        name = QString::fromLatin1(fileName);
    return DeviceSoundName(name.section(QLatin1Char('.'), 0, 0));
}

} // namespace vq250::convert
