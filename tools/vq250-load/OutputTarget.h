#pragma once

#include "sound/OutputFile.h"

#include <QByteArray>
#include <QString>

namespace vq250::loadcli
{

// A file vq250-load writes after the load (the trace, the failed rows),
// looked at before anything is sent. It is written as OutputFile writes:
// atomically onto a regular file or a new path, straight into a character
// device or FIFO, never making a special file regular. On top of that a
// new file's folder must take it, the name must be one the system can be
// given, standard output stays vq250-load's report, and no input of the run
// may be the target, by any name.
class OutputTarget
{
public:
    explicit OutputTarget(const QString &path);

    // Why the path cannot be written; empty when it can.
    QString refusal() const { return m_refusal; }
    // Refuses the target when it is `input` itself, through any link.
    void mustNotBe(const QString &input);

    // Writes all of `bytes`; an empty text, or the system's reason.
    QString write(const QByteArray &bytes) const;

private:
    QByteArray m_path;
    OutputFile m_file;
    QString m_refusal;
};

} // namespace vq250::loadcli
