#include "sound/FileKind.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq250
{

namespace
{

ReadableFile refused(ReadRefusal refusal, const QString &reason)
{
    ReadableFile file;
    file.refusal = refusal;
    file.reason = reason;
    return file;
}

ReadableFile notRegular(FileKind kind)
{
    return refused(
        ReadRefusal::NotRegular, QStringLiteral("not a regular file: ") + kindText(kind));
}

} // namespace

FileKind kindOfMode(unsigned mode)
{
    if (S_ISREG(mode))
        return FileKind::Regular;
    if (S_ISDIR(mode))
        return FileKind::Directory;
    if (S_ISFIFO(mode))
        return FileKind::Fifo;
    if (S_ISSOCK(mode))
        return FileKind::Socket;
    if (S_ISCHR(mode))
        return FileKind::CharDevice;
    if (S_ISBLK(mode))
        return FileKind::BlockDevice;
    return FileKind::Other;
}

PathKind pathKind(const QByteArray &nativePath)
{
    struct stat info {
    };
    if (nativePath.isEmpty() || ::stat(nativePath.constData(), &info) != 0) {
        const int error = nativePath.isEmpty() ? ENOENT : errno;
        if (error == ENOENT || error == ENOTDIR)
            return { FileKind::Missing, 0 };
        return { FileKind::Other, error };
    }
    return { kindOfMode(info.st_mode), 0 };
}

QString kindText(FileKind kind)
{
    switch (kind) {
    case FileKind::Directory:
        return QStringLiteral("a directory");
    case FileKind::Fifo:
        return QStringLiteral("a FIFO");
    case FileKind::Socket:
        return QStringLiteral("a socket");
    case FileKind::CharDevice:
        return QStringLiteral("a character device");
    case FileKind::BlockDevice:
        return QStringLiteral("a block device");
    case FileKind::Other:
        return QStringLiteral("a special file");
    case FileKind::Missing:
    case FileKind::Regular:
        break;
    }
    return {};
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

ReadableFile openRegularFile(const QByteArray &nativePath)
{
    const PathKind before = pathKind(nativePath);
    if (before.kind == FileKind::Missing)
        return refused(ReadRefusal::Missing, QStringLiteral("file not found"));
    if (before.error != 0)
        return refused(ReadRefusal::Unopenable, systemReason(before.error));
    if (before.kind != FileKind::Regular)
        return notRegular(before.kind);

    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return refused(ReadRefusal::Unopenable, systemReason(errno));
    struct stat info {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const FileKind now = kindOfMode(info.st_mode);
        ::close(fd);
        return notRegular(now == FileKind::Regular ? FileKind::Other : now);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ReadableFile file;
    file.fd = fd;
    file.refusal = ReadRefusal::None;
    return file;
}

} // namespace vq250
