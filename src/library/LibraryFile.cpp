#include "library/LibraryFile.h"

#include "sound/FileKind.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <csv.h>

#include <unistd.h>

namespace vq250
{
namespace
{

// A library is a table of at most a few hundred rows.
constexpr qint64 LibraryMaxBytes = 16 * 1024 * 1024;

enum class Column { Destination, File, Volume, Name, Loop };

std::optional<Column> columnNamed(const QString &cell)
{
    const QString name = cell.trimmed().toLower();
    if (name == QLatin1String("destination"))
        return Column::Destination;
    if (name == QLatin1String("file"))
        return Column::File;
    if (name == QLatin1String("volume"))
        return Column::Volume;
    if (name == QLatin1String("name"))
        return Column::Name;
    if (name == QLatin1String("loop"))
        return Column::Loop;
    return std::nullopt;
}

// One record as libcsv hands it over, with its row number.
struct Record {
    int row = 0;
    QList<QByteArray> cells;
};

struct Collector {
    QList<Record> records;
    QList<QByteArray> cells;
    int lastEnd = 0; // the character that ended the last record
};

void addCell(void *text, size_t length, void *data)
{
    auto *collector = static_cast<Collector *>(data);
    collector->cells.append(QByteArray(static_cast<const char *>(text), qsizetype(length)));
}

void endRecord(int end, void *data)
{
    auto *collector = static_cast<Collector *>(data);
    // Every line end is reported, so blank rows keep their numbers; the
    // line feed of a CR LF pair is no row of its own.
    const bool secondHalfOfCrLf
        = collector->cells.isEmpty() && end == '\n' && collector->lastEnd == '\r';
    collector->lastEnd = end;
    if (secondHalfOfCrLf)
        return;
    collector->records.append(
        { int(collector->records.size()) + 1, std::exchange(collector->cells, {}) });
}

bool isBlankOrComment(const QList<QByteArray> &cells)
{
    if (!cells.isEmpty() && cells.constFirst().startsWith('#'))
        return true;
    for (const QByteArray &cell : cells)
        if (!cell.trimmed().isEmpty())
            return false;
    return true;
}

// ";" when the first row that is neither blank nor a comment holds more
// semicolons than commas outside quotes.
char separatorOf(const QByteArray &bytes)
{
    for (const QByteArray &line : bytes.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith('#'))
            continue;
        int commas = 0;
        int semicolons = 0;
        bool quoted = false;
        for (const char c : trimmed) {
            if (c == '"')
                quoted = !quoted;
            else if (!quoted && c == ',')
                ++commas;
            else if (!quoted && c == ';')
                ++semicolons;
        }
        return semicolons > commas ? ';' : ',';
    }
    return ',';
}

std::optional<QString> utf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<bool> loopValue(const QString &cell, bool &valid)
{
    const QString value = cell.trimmed().toLower();
    valid = true;
    if (value.isEmpty())
        return std::nullopt;
    for (const char *yes : { "yes", "y", "1", "true", "on" })
        if (value == QLatin1String(yes))
            return true;
    for (const char *no : { "no", "n", "0", "false", "off" })
        if (value == QLatin1String(no))
            return false;
    valid = false;
    return std::nullopt;
}

class TableReader
{
public:
    TableReader(LibraryTable &table, QString folder)
        : m_table(table)
        , m_folder(std::move(folder))
    {
    }

    void read(const QList<Record> &records)
    {
        for (const Record &record : records) {
            if (isBlankOrComment(record.cells))
                continue;
            if (m_columns.isEmpty())
                readHeader(record);
            else
                readRow(record);
            if (m_columns.isEmpty()) // the header was refused: its rows cannot be read
                return;
        }
        if (m_columns.isEmpty() && m_table.problems.isEmpty())
            problem({ 0, {}, {}, QStringLiteral("no header row (destination,file,...)") });
    }

private:
    void problem(LibraryProblem p) { m_table.problems.append(std::move(p)); }

    void readHeader(const Record &record)
    {
        QList<Column> columns;
        QStringList faults;
        for (const QByteArray &cell : record.cells) {
            const QString text = utf8(cell).value_or(QString::fromLatin1(cell));
            const std::optional<Column> column = columnNamed(text);
            if (!column)
                faults << QStringLiteral("unknown column \"%1\"").arg(text);
            else if (columns.contains(*column))
                faults << QStringLiteral("column \"%1\" twice").arg(text.trimmed());
            else
                columns << *column;
        }
        for (const auto &[column, name] :
            { std::pair { Column::Destination, "destination" }, { Column::File, "file" } })
            if (!columns.contains(column))
                faults << QStringLiteral("no column \"%1\"").arg(QLatin1String(name));
        if (!faults.isEmpty()) {
            faults << QStringLiteral("the columns are destination, file, volume, name, loop");
            problem({ record.row, {}, {}, faults.join(QStringLiteral("; ")) });
            return;
        }
        m_columns = columns;
    }

    void readRow(const Record &record)
    {
        LibraryRow row;
        row.row = record.row;
        QString loopCell;
        QStringList faults;
        for (qsizetype i = 0; i < record.cells.size(); ++i) {
            const std::optional<QString> text = utf8(record.cells.at(i));
            if (!text) {
                faults << QStringLiteral("cell %1 is not UTF-8 text").arg(i + 1);
                continue;
            }
            if (i >= m_columns.size()) {
                if (!text->trimmed().isEmpty())
                    faults << QStringLiteral("%1 cells, the header has %2")
                                  .arg(record.cells.size())
                                  .arg(m_columns.size());
                break;
            }
            switch (m_columns.at(i)) {
            case Column::Destination:
                row.destination = *text;
                break;
            case Column::File:
                row.file = *text;
                break;
            case Column::Volume:
                if (!text->isEmpty())
                    row.volume = *text;
                break;
            case Column::Name:
                if (!text->isEmpty())
                    row.name = *text;
                break;
            case Column::Loop:
                loopCell = *text;
                break;
            }
        }
        bool loopValid = true;
        row.loop = loopValue(loopCell, loopValid);
        if (!loopValid)
            faults << QStringLiteral("loop is \"%1\", not yes or no").arg(loopCell);
        if (row.file.isEmpty())
            faults << QStringLiteral("no sound file");
        row.path = QDir::isRelativePath(row.file) && !row.file.isEmpty()
            ? QDir(m_folder).filePath(row.file)
            : row.file;
        if (faults.isEmpty())
            m_table.rows.append(row);
        else
            problem({ row.row, row.destination, row.file, faults.join(QStringLiteral("; ")) });
    }

    LibraryTable &m_table;
    const QString m_folder;
    QList<Column> m_columns;
};

} // namespace

LibraryTable parseLibrary(const QByteArray &bytes, const QString &folder)
{
    const QByteArray text = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    LibraryTable table;

    csv_parser parser {};
    // Lenient about a quote inside a cell, as spreadsheets are.
    csv_init(&parser, CSV_REPALL_NL);
    csv_set_delim(&parser, static_cast<unsigned char>(separatorOf(text)));
    Collector collector;
    const size_t parsed
        = csv_parse(&parser, text.constData(), size_t(text.size()), addCell, endRecord, &collector);
    // Still inside a quoted cell at the end: its closing quote is missing.
    constexpr int FieldBegun = 2; // libcsv's state in a cell
    const bool quoteOpen = parser.quoted != 0 && parser.pstate == FieldBegun;
    const int rowsBefore = int(collector.records.size());
    const bool complete
        = parsed == size_t(text.size()) && csv_fini(&parser, addCell, endRecord, &collector) == 0;
    csv_free(&parser);

    if (quoteOpen) // it swallowed the rest of the file: read none of that
        collector.records.resize(rowsBefore);
    TableReader(table, folder).read(collector.records);
    if (quoteOpen || !complete)
        table.problems.append({ rowsBefore + 1, {}, {},
            QStringLiteral("a quoted cell has no closing quote; nothing after it is read") });
    return table;
}

LibraryBytes readLibraryFile(const QString &path)
{
    const ReadableFile opened = openRegularFile(QFile::encodeName(path));
    if (opened.refusal != ReadRefusal::None)
        return { {}, opened.reason };
    QFile file;
    if (!file.open(opened.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(opened.fd);
        return { {}, file.errorString() };
    }
    LibraryBytes read { file.read(LibraryMaxBytes + 1), {} };
    if (file.error() != QFileDevice::NoError)
        return { {}, file.errorString() };
    if (read.bytes.size() > LibraryMaxBytes)
        return { {}, QStringLiteral("larger than %1 bytes").arg(LibraryMaxBytes) };
    return read;
}

QByteArray libraryText(const QList<LibraryRow> &rows)
{
    auto cell = [](const QString &text) {
        const QByteArray bytes = text.toUtf8();
        QByteArray quoted(bytes.size() * 2 + 2, '\0');
        quoted.resize(qsizetype(csv_write(
            quoted.data(), size_t(quoted.size()), bytes.constData(), size_t(bytes.size()))));
        return quoted;
    };
    QByteArray text = "destination,file,volume,name,loop\n";
    for (const LibraryRow &row : rows) {
        const QString loop = !row.loop ? QString()
            : *row.loop                ? QStringLiteral("yes")
                                       : QStringLiteral("no");
        text += cell(row.destination) + ',' + cell(QFileInfo(row.path).absoluteFilePath()) + ','
            + cell(row.volume.value_or(QString())) + ',' + cell(row.name.value_or(QString())) + ','
            + cell(loop) + '\n';
    }
    return text;
}

} // namespace vq250
