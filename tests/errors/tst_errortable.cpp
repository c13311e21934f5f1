#include "core/ProgramState.h"
#include "core/Startup.h"
#include "errors/ErrorTable.h"
#include "fakes/Fakes.h"

#include <QtTest>

using namespace vq250;

class TestErrorTable : public QObject
{
    Q_OBJECT

private slots:
    void reportError_data();
    void reportError();
    void zeroShowsNothing();
};

void TestErrorTable::reportError_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("lineCount"); // lines before the empty line
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<QString>("lastLine");

    const QString help = wavHelpText();
    auto row = [](int code, const char *title, int lines, const char *first, const char *last) {
        QTest::addRow("%d", code) << code << QString::fromLatin1(title) << lines
                                  << QString::fromLatin1(first) << QString::fromLatin1(last);
    };
    const char *again = "Operation Aborted - Suggest try operation again.";
    row(1, "Missing Serial Data (MisDatEr)", 5, "Serial Comm Error.", again);
    row(2, "Missing Serial Command (MisCmdEr)", 5, "Serial Comm Error.", again);
    row(3, "Serial Checksum Error (CkSmEr)", 4, "Serial Comm Error.", again);
    row(4, "Length Exceeds VQ250 Serial Rx Buffer (LenMLongEr)", 6, "Serial Comm Error.", again);
    row(5, "VQ250 Received Improper Command or Block (BlkAlignEr)", 6, "Serial Comm Error.", again);
    row(6, "VQ250 Received Unrecognized Command (IllegalCmdEr)", 5, "Serial Comm Error.", again);
    row(17, "Flash Memory Sector Erase Error (SecEraseEr)", 8, "VQ250 Module or Memory Error.",
        "problem is persistent may have bad Flash sector.");
    row(18, "Source Sound too Long for BG#8 (TooLngBG8Er)", 6, "User Error.",
        "Operation Aborted - Suggest truncate source sound to fit.");
    row(19, "Flash Memory Write Error (FlshSvEr)", 8, "VQ250 Module or Memory Error.",
        "problem is persistent may have bad Flash sector.");
    row(20, "Volume Save Error (VolSvEr)", 8, "VQ250 Module or Memory Error.",
        "problem is persistent may have bad Flash sector.");
    row(21, "Module Access Error (ModAcsEr)", 7, "VQ250 Module or Memory Error.",
        "problem is persistent may have bad Flash sector or module.");
    row(22, "No Source Sound Error (NoSrcSndEr)", 4, "User Specification or Config Error.",
        "then try again.");
    row(23, "No Module at Specified Source (SrcModNoExistEr)", 4,
        "User Specification or Config Error.", "then try again.");
    row(24, "No Module at Specified Destination (DstModNoExistEr)", 5,
        "User Specification or Config Error.", "then try again.");
    row(25, "Invalid Copy Specified (InvldCpySpecEr)", 4, "User Specification Error.",
        "Check your specification and then try again.");
    row(26, "Incomplete User Entry (IncpltEntryEr)", 3, "User Specification Error.",
        "Check your entry and then try again.");
    row(27, "Destination Equals Source (DstEqSrcEr)", 4, "User Specification Error.",
        "Check your specification and then try again.");
    row(224, "PC to VQ250 Serial Comm Error (PCcommEr)", 10, "Serial Comm Error.",
        "Operation Aborted - Check all of above then try operation again.");
    row(225, "Unknown Error from VQ250 (UnknownEr)", 5, "Serial Comm Error.", again);
    row(240, "Unknown File Type (UnknownFileTypeEr)", 3 + 17, "File Open Error.",
        "   then select the Save button.");
    row(241, "Not a .wav file (NotWaveFileEr)", 2 + 17, "File Open Error.",
        "   then select the Save button.");
    row(242, "Wrong Sound File Codec (WrongCodecEr)", 4 + 17, "File Open Error.",
        "   then select the Save button.");
    row(243, "Wrong Sound File Sample Format (WrongSampleFormatEr)", 4 + 17, "File Open Error.",
        "   then select the Save button.");
    row(255, "VQ250 is Busy (VQbusyEr)", 7, "VQ250 is Busy.", "then try the operation again.");
    row(7, "Unrecognized Error Code", 4, "Unknown Error.", again);
    row(100, "Unrecognized Error Code", 4, "Unknown Error.", again);
    row(254, "Unrecognized Error Code", 4, "Unknown Error.", again);
    Q_UNUSED(help);
}

void TestErrorTable::reportError()
{
    QFETCH(int, code);
    QFETCH(QString, title);
    QFETCH(int, lineCount);
    QFETCH(QString, firstLine);
    QFETCH(QString, lastLine);

    ProgramState state;
    state.WavHelpText = wavHelpText();
    state.ErrCode = quint8(code);
    fakes::FakeMessageBox box;
    ReportError(state, box);

    QCOMPARE(state.ErrCode, quint8(0));
    QCOMPARE(box.shown.size(), 1);
    QCOMPARE(box.shown[0].title, title);
    QCOMPARE(box.shown[0].style, 48);
    const QString prompt = box.shown[0].prompt;
    QVERIFY(!prompt.contains(QChar(10)));
    const QStringList lines = prompt.split(QChar(13));
    QCOMPARE(lines.size(), lineCount + 2);
    QCOMPARE(lines.first(), firstLine);
    QCOMPARE(lines[lineCount - 1], lastLine);
    QCOMPARE(lines[lineCount], QString());
    QCOMPARE(lines.last(), QStringLiteral("Error Code = ") + QString::number(code, 16).toUpper());
}

void TestErrorTable::zeroShowsNothing()
{
    ProgramState state;
    fakes::FakeMessageBox box;
    ReportError(state, box);
    QVERIFY(box.shown.isEmpty());
    QCOMPARE(state.ErrCode, quint8(0));
}

QTEST_GUILESS_MAIN(TestErrorTable)
#include "tst_errortable.moc"
