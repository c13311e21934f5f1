#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace vq250
{

// Where a program's output goes, chosen by the kind of file the path names.
// A regular file (also behind a symbolic link) or a new path gets a complete
// file atomically, keeping an existing file's mode and, where allowed, its
// owner; a character device or FIFO is written straight; "-" is standard
// output. Nothing special is ever replaced by a regular file.
// True when writing `output` would replace `input`: the same name once both
// are made absolute, or, when both exist, the same file reached through a
// link or another spelling of the path. Names are the system's bytes.
bool isSameFile(const QByteArray &input, const QByteArray &output);

// The folder a new file at `path` goes into: "." for a bare name, "/" at the top.
QByteArray directoryOf(const QByteArray &path);

class OutputFile
{
public:
    enum class Kind {
        StandardOutput, // "-"
        Stream, // a character device or a FIFO, written straight
        Replace, // an existing regular file, replaced atomically
        Create, // no file yet
        Refused, // refusal() says why
    };

    // `program` names the writer in texts and in its temporary file's name.
    OutputFile(const QByteArray &nativePath, const QString &program);

    Kind kind() const { return m_kind; }
    QString refusal() const { return m_refusal; }

    // Writes all of `bytes`; an empty text, or what went wrong with the
    // system's reason. A failed write leaves an existing file as it was.
    QString write(const QByteArray &bytes) const;

private:
    QString writeStream(const QByteArray &bytes) const;
    QString writeAtomically(const QByteArray &bytes) const;

    QByteArray m_path; // for Replace, the file a symbolic link leads to
    QString m_program;
    Kind m_kind = Kind::Refused;
    QString m_refusal;
    mode_t m_mode = 0;
    uid_t m_owner = 0;
    gid_t m_group = 0;
};

} // namespace vq250
