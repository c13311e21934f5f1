#pragma once

#include "library/LibraryFile.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vq250
{

// What the check found for one row (or, at row 0, for the file itself).
struct LibraryVerdict {
    enum class Status {
        Ok, // the open and load commands accept it
        Invalid, // the row cannot be read: `fields` says why
        Failed, // the sound file cannot be read: its reason
        Rejected, // the sound file is refused: its code (F0 to F3) and title
        Refused, // a check of the load command fails: its box title
    };
    int row = 0;
    QString destination;
    QString file;
    Status status = Status::Ok;
    QStringList fields; // after the status word
};

// A row that passed, with what the load will send.
struct CheckedSound {
    LibraryRow row;
    qint32 soundLen = 0; // as the open command keeps it
    qint64 wireBytes = 0; // what the transfer puts on the line
};

struct LibraryCheck {
    QList<LibraryVerdict> verdicts; // every row and every problem, in row order
    QList<CheckedSound> sounds; // the rows that passed, in row order
    int problems = 0;
    qint64 wireBytes = 0; // of all sounds that passed

    bool passed() const { return problems == 0; }
};

// Puts every row through the open command's file checks and the load
// command's entry checks, and refuses a slot named by an earlier row.
// Nothing stops at the first problem.
LibraryCheck checkLibrary(const LibraryTable &table);

// Reads and checks the library file at `path`.
LibraryCheck checkLibraryFile(const QString &path);

// One verdict on one line, tab-separated as vq250-check prints files:
// "LIBRARY:ROW  DEST  FILE  ok  SOUND-LEN  SECONDS  NAME  VOLUME  loop|no-loop"
// or "LIBRARY:ROW  DEST  FILE  invalid|failed|rejected|refused  ...".
// Tabs and line breaks in a cell are written as \t, \n and \r.
QString verdictLine(const QString &library, const LibraryVerdict &verdict);

// "12 sound(s), 840224 bytes to send: at least 2:26 on the line"
QString libraryEstimate(const LibraryCheck &check);

// Minutes and seconds, "2:26"; hours too when there are any, "1:02:03".
QString clockText(qint64 seconds);

} // namespace vq250
