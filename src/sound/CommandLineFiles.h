#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace vq250
{

// The program's arguments as the bytes the shell passed, beside the texts Qt
// decodes them to. A name that is not UTF-8 decodes with U+FFFD in it and can
// no longer be opened; its bytes still can.
class NativeArguments
{
public:
    NativeArguments(int argc, const char *const *argv);
    explicit NativeArguments(QList<QByteArray> bytes);

    // For QCommandLineParser; the program name first.
    QStringList texts() const;
    // The bytes of each of `chosen`: entries of texts() in their order, as
    // a parser's positional arguments are.
    QList<QByteArray> bytesOf(const QStringList &chosen) const;

private:
    QList<QByteArray> m_bytes;
};

// A path on one line: "\\" for a backslash, "\t", "\n", "\r", and "\xHH" for
// every other control character and every byte that is not UTF-8.
QString oneLinePath(const QByteArray &nativePath);

// Writes all of `bytes` to `fd`; 0 or the errno of the failed write.
int writeAll(int fd, const QByteArray &bytes);

} // namespace vq250
