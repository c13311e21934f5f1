#include "vq250-load/OutputTarget.h"

#include "sound/FileKind.h"

#include <QFile>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace vq250::loadcli
{

OutputTarget::OutputTarget(const QString &path)
    : m_file(QFile::encodeName(path), QStringLiteral("vq250-load"))
{
    const QByteArray native = QFile::encodeName(path);
    if (path.contains(QChar::ReplacementCharacter)) {
        m_refusal = QStringLiteral("its name is not UTF-8 text; name a file that is");
        return;
    }
    if (m_file.kind() == OutputFile::Kind::Refused) {
        m_refusal = m_file.refusal();
        return;
    }
    if (m_file.kind() == OutputFile::Kind::Create) {
        // Found out now, not once the transfer is over.
        const qsizetype slash = native.lastIndexOf('/');
        const QByteArray folder
            = slash < 0 ? QByteArray(".") : native.left(std::max<qsizetype>(slash, 1));
        if (::access(folder.constData(), W_OK | X_OK) != 0)
            m_refusal = systemReason(errno);
        return;
    }
    struct stat info {
    };
    if (m_file.kind() != OutputFile::Kind::StandardOutput
        && ::stat(native.constData(), &info) == 0) {
        m_exists = true;
        m_device = info.st_dev;
        m_inode = info.st_ino;
    }
}

void OutputTarget::mustNotBe(const QString &input)
{
    struct stat info {
    };
    if (!m_refusal.isEmpty() || !m_exists
        || ::stat(QFile::encodeName(input).constData(), &info) != 0)
        return;
    if (info.st_dev == m_device && info.st_ino == m_inode)
        m_refusal = QStringLiteral("it is %1, an input of this run").arg(input);
}

QString OutputTarget::write(const QByteArray &bytes) const
{
    return m_refusal.isEmpty() ? m_file.write(bytes) : m_refusal;
}

} // namespace vq250::loadcli
