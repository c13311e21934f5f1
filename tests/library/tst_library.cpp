#include "library/LibraryCheck.h"
#include "library/LibraryFile.h"
#include "link/SoundTransfer.h"
#include "support/WavBuilder.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace vq250;
using namespace vq250::fakes;

namespace
{

// Each row as "ROW|DEST|FILE|PATH|VOLUME|NAME|LOOP", "-" for a cell not given, then each
// problem as "ROW:DEST|FILE|REASON".
QStringList rowsOf(const LibraryTable &table)
{
    QStringList rows;
    for (const LibraryRow &row : table.rows) {
        const QString loop = !row.loop ? "-" : *row.loop ? "yes" : "no";
        rows << QStringList { QString::number(row.row), row.destination, row.file, row.path,
            row.volume.value_or("-"), row.name.value_or("-"), loop }
                    .join('|');
    }
    for (const LibraryProblem &p : table.problems)
        rows << QStringLiteral("%1:%2|%3|%4").arg(p.row).arg(p.destination, p.file, p.reason);
    return rows;
}

} // namespace

// Library files: the table as a spreadsheet writes it, and the check of
// every row before anything is sent.
class TestLibrary : public QObject
{
    Q_OBJECT

private slots:
    void parses()
    {
        const struct {
            QByteArray csv;
            QStringList rows;
        } cases[] = {
            { "destination,file\nA1,a.wav,,\nb2,/abs/b.wav\n",
                { "2|A1|a.wav|/lib/a.wav|-|-|-", "3|b2|/abs/b.wav|/abs/b.wav|-|-|-" } },
            // BOM, CR LF, any order and case, all columns
            { "\xEF\xBB\xBFLoop,Name,FILE,Volume,Destination\r\nno,Bell,s/b.wav,40,C3\r\n",
                { "2|C3|s/b.wav|/lib/s/b.wav|40|Bell|no" } },
            { "destination;file;name\nA1;a,b.wav;x,y\n", { "2|A1|a,b.wav|/lib/a,b.wav|-|x,y|-" } },
            // Quotes: a separator, a doubled quote, a line break keep one row; "" is no name.
            { "destination,file,name\n\"A1\",\"my \"\"big\"\", "
              "bell.wav\",\"two\nlines\"\nA2,c.wav,\"\"\n",
                { "2|A1|my \"big\", bell.wav|/lib/my \"big\", bell.wav|-|two\nlines|-",
                    "3|A2|c.wav|/lib/c.wav|-|-|-" } },
            // Blank rows and comments keep their numbers.
            { "# sounds\n\ndestination,file\n\n#A1,x.wav\n,,\nA1,a.wav\n",
                { "7|A1|a.wav|/lib/a.wav|-|-|-" } },
            { "destination,file,loop\nA1,a,YES\nA2,b,0\nA3,c,off\n",
                { "2|A1|a|/lib/a|-|-|yes", "3|A2|b|/lib/b|-|-|no", "4|A3|c|/lib/c|-|-|no" } },
            { "destination,file,loop\nA1,a.wav,maybe\nA2,\nA3,c\xE9.wav\nA4,d.wav,yes,extra\n",
                { "2:A1|a.wav|loop is \"maybe\", not yes or no", "3:A2||no sound file",
                    "4:A3||cell 2 is not UTF-8 text; no sound file",
                    "5:A4|d.wav|4 cells, the header has 3" } },
            { "dest,file,file\nA1,a.wav\n",
                { "1:||unknown column \"dest\"; column \"file\" twice; no column "
                  "\"destination\"; the columns are destination, file, volume, name, loop" } },
            { "\n# nothing\n", { "0:||no header row (destination,file,...)" } },
            { "destination,file\nA1,\"a.wav\nA2,b.wav\n",
                { "2:||a quoted cell has no closing quote; nothing after it is read" } },
        };
        for (const auto &c : cases)
            QCOMPARE(rowsOf(parseLibrary(c.csv, "/lib")), c.rows);
    }

    void checksEveryRowAtOnce()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("a.wav"), WavBuilder::pcm8(sampleBytes(100)));
        writeFile(dir.filePath("long.wav"), WavBuilder::pcm8(sampleBytes(65520)));
        writeFile(dir.filePath("Carillon.wav"), WavBuilder::pcm8(sampleBytes(8000)));
        writeFile(dir.filePath("text.wav"), "hello");
        const QByteArray csv = "destination,file,volume,name,loop\n"
                               "A1,a.wav,,,\n"
                               "G1,a.wav,,,\n"
                               "A9,a.wav,256,NameOfEleven,\n"
                               "A8,long.wav,,,\n"
                               "B1,missing\x1b.wav,,,\n" // a control character, escaped on output
                               "B2,text.wav,,,\n"
                               "a1,a.wav,,Tab\there,\n"
                               "B3,a.wav,,,maybe\n"
                               "C1,Carillon.wav,+7,,no\n"
                               "C1,a.wav\n";
        writeFile(dir.filePath("lib.csv"), csv);

        const LibraryCheck check = checkLibraryFile(dir.filePath("lib.csv"));
        QStringList lines;
        for (const LibraryVerdict &verdict : check.verdicts)
            lines << verdictLine("lib.csv", verdict);
        QCOMPARE(lines,
            (QStringList { "lib.csv:2\tA1\ta.wav\tok\t100\t0.0125 Sec.\ta\t18\tloop",
                "lib.csv:3\tG1\ta.wav\trefused\tNeed Valid Station Letter",
                "lib.csv:4\tA9\ta.wav\trefused\tNeed Valid BG Number\tDefault Volume Out of Range\t"
                "Sound Name Too Long",
                "lib.csv:5\tA8\tlong.wav\trefused\tToo Long for BG#8",
                "lib.csv:6\tB1\tmissing\\x1B.wav\tfailed\tfile not found",
                "lib.csv:7\tB2\ttext.wav\trejected\tF0\tUnknown File Type (UnknownFileTypeEr)",
                "lib.csv:8\ta1\ta.wav\trefused\tSound Name Not Valid\tsame slot as row 2",
                "lib.csv:9\tB3\ta.wav\tinvalid\tloop is \"maybe\", not yes or no",
                "lib.csv:10\tC1\tCarillon.wav\tok\t8000\t1 Sec.\tCarillon\t+7\tno-loop",
                "lib.csv:11\tC1\ta.wav\trefused\tsame slot as row 10" }));
        QCOMPARE(check.problems, 8);
        QCOMPARE(
            libraryEstimate(check), "2 sound(s), 8190 bytes to send: at least 0:02 on the line");

        const LibraryCheck unreadable = checkLibraryFile(dir.path());
        QCOMPARE(verdictLine("d", unreadable.verdicts.value(0)),
            "d\tfailed\tnot a regular file: a directory");
    }

    void failedRowsReadBack()
    {
        const QByteArray csv = "destination,file,volume,name,loop\n"
                               "A1,\"q\"\"x,y.wav\",7,\"N\nM\",no\nB2,/b.wav,,,\n";
        QCOMPARE(libraryText(parseLibrary(csv, "/lib").rows),
            QByteArray("destination,file,volume,name,loop\n"
                       "\"A1\",\"/lib/q\"\"x,y.wav\",\"7\",\"N\nM\",\"no\"\n"
                       "\"B2\",\"/b.wav\",\"\",\"\",\"\"\n"));
    }

    // Counted from the block format: header block 22 bytes, each data block
    // 4 framing + 3 address + up to 8189 sound bytes (16 header bytes again first).
    void wireBytes()
    {
        QCOMPARE(transferWireBytes(0), qint64(45));
        QCOMPARE(transferWireBytes(8173), qint64(22 + 8196));
        QCOMPARE(transferWireBytes(8174), qint64(22 + 8196 + 8));
        QCOMPARE(transferWireBytes(131056), qint64(131213));
    }
};

QTEST_GUILESS_MAIN(TestLibrary)
#include "tst_library.moc"
