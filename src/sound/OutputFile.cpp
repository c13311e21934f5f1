#include "sound/OutputFile.h"

#include "sound/CommandLineFiles.h"
#include "sound/FileKind.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq250
{

namespace
{

std::filesystem::path fsPath(const QByteArray &path)
{
    return std::filesystem::path(path.toStdString());
}

std::filesystem::path absoluteNormal(const QByteArray &path)
{
    std::error_code error;
    return std::filesystem::absolute(fsPath(path), error).lexically_normal();
}

// Holds Ctrl-C and SIGTERM back while a file is swapped in, so a stop
// leaves either the old file or the whole new one, and no temporary.
class SignalsHeld
{
public:
    SignalsHeld()
    {
        sigset_t stops;
        sigemptyset(&stops);
        sigaddset(&stops, SIGINT);
        sigaddset(&stops, SIGTERM);
        sigaddset(&stops, SIGHUP);
        ::sigprocmask(SIG_BLOCK, &stops, &m_before);
    }
    ~SignalsHeld() { ::sigprocmask(SIG_SETMASK, &m_before, nullptr); }
    SignalsHeld(const SignalsHeld &) = delete;
    SignalsHeld &operator=(const SignalsHeld &) = delete;

private:
    sigset_t m_before;
};

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

OutputFile::OutputFile(const QByteArray &nativePath, const QString &program)
    : m_path(nativePath)
    , m_program(program)
{
    if (nativePath == "-") {
        if (::isatty(STDOUT_FILENO))
            m_refusal = QStringLiteral(
                "standard output is a terminal; send it to a file or a program instead");
        else
            m_kind = Kind::StandardOutput;
        return;
    }
    struct stat link {
    };
    if (::lstat(nativePath.constData(), &link) != 0) {
        // A missing folder or a forbidden one shows when the file is made.
        m_kind = Kind::Create;
        m_mode = newFileMode();
        return;
    }
    struct stat info {
    };
    if (::stat(nativePath.constData(), &info) != 0) {
        m_refusal = QStringLiteral("it is a symbolic link to a missing file");
        return;
    }
    if (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode)) {
        m_kind = Kind::Stream;
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        m_refusal = QStringLiteral("it is %1; %2 writes only a regular file, a "
                                   "character device, a FIFO or standard output (-)")
                        .arg(kindText(kindOfMode(info.st_mode)), m_program);
        return;
    }
    if (S_ISLNK(link.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(nativePath.constData(), resolved)) {
            m_refusal = systemReason(errno);
            return;
        }
        m_path = resolved;
    }
    if (::access(m_path.constData(), W_OK) != 0) {
        m_refusal = systemReason(errno);
        return;
    }
    m_kind = Kind::Replace;
    m_mode = info.st_mode & 07777;
    m_owner = info.st_uid;
    m_group = info.st_gid;
}

QString OutputFile::write(const QByteArray &bytes) const
{
    switch (m_kind) {
    case Kind::StandardOutput:
        if (const int error = writeAll(STDOUT_FILENO, bytes))
            return systemReason(error);
        return {};
    case Kind::Stream:
        return writeStream(bytes);
    case Kind::Replace:
    case Kind::Create:
        return writeAtomically(bytes);
    case Kind::Refused:
        break;
    }
    return m_refusal;
}

QString OutputFile::writeStream(const QByteArray &bytes) const
{
    // Without a reader a FIFO refuses at once instead of waiting for one.
    const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENXIO)
            return QStringLiteral("no program is reading from the FIFO");
        return systemReason(errno);
    }
    struct stat info {
    };
    if (::fstat(fd, &info) != 0 || !(S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode))) {
        ::close(fd);
        return QStringLiteral("it changed while the output was made");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    int error = writeAll(fd, bytes);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error ? systemReason(error) : QString();
}

QString OutputFile::writeAtomically(const QByteArray &bytes) const
{
    const SignalsHeld held;
    QByteArray temporary = directoryOf(m_path) + "/." + m_program.toUtf8() + "-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return systemReason(errno);
    int error = writeAll(fd, bytes);
    if (error == 0 && ::fchmod(fd, m_mode) != 0)
        error = errno;
    if (error == 0 && m_kind == Kind::Replace && ::fchown(fd, m_owner, m_group) != 0
        && errno != EPERM)
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    // Whatever the path names now must still be a regular file or nothing.
    struct stat now {
    };
    if (error == 0 && ::lstat(m_path.constData(), &now) == 0 && !S_ISREG(now.st_mode)) {
        ::unlink(temporary.constData());
        return QStringLiteral("it changed while the output was made");
    }
    if (error == 0 && ::rename(temporary.constData(), m_path.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return systemReason(error);
    }
    return {};
}

bool isSameFile(const QByteArray &input, const QByteArray &output)
{
    if (absoluteNormal(input) == absoluteNormal(output))
        return true;
    // Device and inode, so hard links and symbolic links count as well.
    std::error_code error;
    const bool same = std::filesystem::equivalent(fsPath(input), fsPath(output), error);
    return !error && same;
}

QByteArray directoryOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

} // namespace vq250
