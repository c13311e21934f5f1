#pragma once

#include <QByteArray>
#include <QString>

namespace vq250
{

// What a path names, found by stat() alone: nothing is opened, so a FIFO
// can never block and a serial device never sees its lines change.
// Symbolic links are followed.
enum class FileKind { Missing, Regular, Directory, Fifo, Socket, CharDevice, BlockDevice, Other };

struct PathKind {
    FileKind kind = FileKind::Missing;
    int error = 0; // errno when stat() failed for another reason than a missing file
};

PathKind pathKind(const QByteArray &nativePath);

// The kind of file stat() found, from its st_mode.
FileKind kindOfMode(unsigned mode);

// "a directory", "a FIFO", ...; empty for Regular and Missing.
QString kindText(FileKind kind);

// The system's text for errno `error` ("No space left on device").
QString systemReason(int error);

// Why a regular file to read could not be opened; None when it was.
enum class ReadRefusal { None, Missing, NotRegular, Unopenable };

struct ReadableFile {
    int fd = -1; // owned by the caller when refusal is None
    ReadRefusal refusal = ReadRefusal::Missing;
    QString reason; // "file not found", "not a regular file: a FIFO", the system's reason
};

// Opens a regular file for reading. Anything else is refused before it is
// opened; the open itself does not block and takes no terminal, in case the
// path changed to something else in between.
ReadableFile openRegularFile(const QByteArray &nativePath);

} // namespace vq250
