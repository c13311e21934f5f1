#include "sound/CommandLineFiles.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <utility>

#include <unistd.h>

namespace vq250
{

namespace
{

QString hexEscape(quint8 byte)
{
    return QLatin1String("\\x")
        + QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

} // namespace

NativeArguments::NativeArguments(int argc, const char *const *argv)
{
    for (int i = 0; i < argc; ++i)
        m_bytes << QByteArray(argv[i]);
}

NativeArguments::NativeArguments(QList<QByteArray> bytes)
    : m_bytes(std::move(bytes))
{
}

QStringList NativeArguments::texts() const
{
    QStringList texts;
    for (const QByteArray &bytes : m_bytes)
        texts << QFile::decodeName(bytes);
    return texts;
}

QList<QByteArray> NativeArguments::bytesOf(const QStringList &chosen) const
{
    // Two arguments with one text differ in their bytes only when neither is
    // UTF-8, and then the order tells them apart.
    QList<QByteArray> result;
    qsizetype next = 1;
    for (const QString &text : chosen) {
        while (next < m_bytes.size() && QFile::decodeName(m_bytes.at(next)) != text)
            ++next;
        result << (next < m_bytes.size() ? m_bytes.at(next++) : QFile::encodeName(text));
    }
    return result;
}

QString oneLinePath(const QByteArray &nativePath)
{
    QString line;
    qsizetype i = 0;
    while (i < nativePath.size()) {
        const auto byte = quint8(nativePath.at(i));
        // The length of the UTF-8 sequence starting here, 0 when none does.
        const qsizetype length = byte < 0x80 ? 1
            : byte >= 0xF5                   ? 0
            : byte >= 0xF0                   ? 4
            : byte >= 0xE0                   ? 3
            : byte >= 0xC2                   ? 2
                                             : 0;
        QString character;
        if (length > 0 && i + length <= nativePath.size()) {
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            character = utf8.decode(nativePath.mid(i, length));
            if (utf8.hasError() || character.contains(QChar::ReplacementCharacter))
                character.clear();
        }
        if (character.isEmpty()) {
            line += hexEscape(byte);
            ++i;
            continue;
        }
        const char32_t code = character.toUcs4().value(0);
        if (code == '\\')
            line += QLatin1String("\\\\");
        else if (code == '\t')
            line += QLatin1String("\\t");
        else if (code == '\n')
            line += QLatin1String("\\n");
        else if (code == '\r')
            line += QLatin1String("\\r");
        else if (code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0))
            for (const char c : nativePath.mid(i, length))
                line += hexEscape(quint8(c));
        else
            line += character;
        i += length;
    }
    return line;
}

int writeAll(int fd, const QByteArray &bytes)
{
    const char *next = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        next += written;
        left -= written;
    }
    return 0;
}

} // namespace vq250
