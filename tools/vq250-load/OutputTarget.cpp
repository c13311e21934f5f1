#include "vq250-load/OutputTarget.h"

#include "sound/FileKind.h"

#include <QFile>

#include <cerrno>

#include <unistd.h>

namespace vq250::loadcli
{

OutputTarget::OutputTarget(const QString &path)
    : m_path(QFile::encodeName(path))
    , m_file(m_path, QStringLiteral("vq250-load"))
{
    if (path.contains(QChar::ReplacementCharacter)) {
        m_refusal = QStringLiteral("its name is not UTF-8 text; name a file that is");
        return;
    }
    switch (m_file.kind()) {
    case OutputFile::Kind::Refused:
        m_refusal = m_file.refusal();
        break;
    case OutputFile::Kind::StandardOutput:
        m_refusal = QStringLiteral("standard output carries the report; name a file");
        break;
    case OutputFile::Kind::Create: {
        // Found out now, not once the transfer is over.
        if (::access(directoryOf(m_path).constData(), W_OK | X_OK) != 0)
            m_refusal = systemReason(errno);
        break;
    }
    case OutputFile::Kind::Stream:
    case OutputFile::Kind::Replace:
        break;
    }
}

void OutputTarget::mustNotBe(const QString &input)
{
    if (m_refusal.isEmpty() && isSameFile(QFile::encodeName(input), m_path))
        m_refusal = QStringLiteral("it is %1, an input of this run").arg(input);
}

QString OutputTarget::write(const QByteArray &bytes) const
{
    return m_refusal.isEmpty() ? m_file.write(bytes) : m_refusal;
}

} // namespace vq250::loadcli
