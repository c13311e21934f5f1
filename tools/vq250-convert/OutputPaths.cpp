#include "vq250-convert/OutputPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace vq250::convert
{

namespace
{

constexpr int SoundNameLength = 10;

std::filesystem::path nativePath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace

bool isSameFile(const QString &input, const QString &output)
{
    if (QDir::cleanPath(QFileInfo(input).absoluteFilePath())
        == QDir::cleanPath(QFileInfo(output).absoluteFilePath()))
        return true;
    // Device and inode, so hard links and symbolic links count as well.
    std::error_code error;
    const bool same = std::filesystem::equivalent(nativePath(input), nativePath(output), error);
    return !error && same;
}

QString proposedSoundName(const QString &path)
{
    const QString fileName = QFileInfo(path).fileName();
    return fileName.section(QLatin1Char('.'), 0, 0).left(SoundNameLength);
}

} // namespace vq250::convert
