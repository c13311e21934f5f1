#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace vq250
{

// One row of a library file: a sound for one BG slot.
struct LibraryRow {
    int row = 0; // as a spreadsheet numbers it: the header is row 1
    QString destination;
    QString file; // as written in the table
    QString path; // `file`, taken from the library's folder when relative
    std::optional<QString> volume; // not given: the open command's default
    std::optional<QString> name; // not given: the name proposed from the file
    std::optional<bool> loop; // not given: looping, as the open command sets it
};

// A row that cannot be read, or the file itself (row 0).
struct LibraryProblem {
    int row = 0;
    QString destination; // the row's cells, when there are any
    QString file;
    QString reason;
};

struct LibraryTable {
    QList<LibraryRow> rows;
    QList<LibraryProblem> problems; // in row order
};

// Reads a table as a spreadsheet saves it: UTF-8 with or without a byte-order
// mark; "," or (when the header row has more of them) ";" between cells;
// quoted cells may hold separators, doubled quotes and line breaks. The
// header row names the columns, in any order and case: destination and file,
// and optionally volume, name and loop. Blank rows and rows whose first cell
// starts with "#" are skipped. `folder` is where relative file names start.
LibraryTable parseLibrary(const QByteArray &bytes, const QString &folder);

// The contents of the library file at `path`, or why it cannot be read. Only
// a regular file is opened, so a FIFO never blocks.
struct LibraryBytes {
    QByteArray bytes;
    QString error;
};
LibraryBytes readLibraryFile(const QString &path);

// A library file holding `rows`: header, then one line per row, every cell
// quoted, the files as absolute paths so it works from any folder.
QByteArray libraryText(const QList<LibraryRow> &rows);

} // namespace vq250
