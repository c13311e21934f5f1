#include "core/ProgramState.h"
#include "errors/ErrorTable.h"
#include "support/Fakes.h"

#include <QTest>

using namespace vq250;

// Every message box of the error table, in full. "|" stands for the
// carriage return between two lines; HELP for the help text's own lines.
class TestErrorTable : public QObject
{
    Q_OBJECT

private slots:
    void reportError()
    {
        const char *again = "May have been glitch in Comm line.|"
                            "Operation Aborted - Suggest try operation again.";
        const QString comm = QStringLiteral("Serial Comm Error.|");
        const QString module = QStringLiteral("VQ250 Module or Memory Error.|");
        const QString system = QStringLiteral("May have been glitch in the VQ250 system.|"
                                              "Operation Aborted - Suggest try operation again.|");
        const QString flash = QStringLiteral("problem is persistent may have bad Flash sector.");
        const QString config = QStringLiteral("User Specification or Config Error.|");
        const QString configEnd
            = QStringLiteral("Check your specification and system configuration|then try again.");
        const QString user = QStringLiteral("User Specification Error.|");
        const QString file = QStringLiteral("File Open Error.|");
        const QString unknown = QStringLiteral("Unrecognized Error Code");
        const struct {
            int code;
            QString title;
            QString lines;
            const char *hex;
        } rows[] = {
            { 1, "Missing Serial Data (MisDatEr)",
                comm + "VQ250 was expecting serial data but received|a serial command.|" + again,
                "1" },
            { 2, "Missing Serial Command (MisCmdEr)",
                comm + "VQ250 was expecting serial command but received|serial data.|" + again,
                "2" },
            { 3, "Serial Checksum Error (CkSmEr)",
                comm + "The checksum of the serial data was incorrect.|" + again, "3" },
            { 4, "Length Exceeds VQ250 Serial Rx Buffer (LenMLongEr)",
                comm
                    + "VQ250 received a block of serial data from the PC|"
                      "with a LenM value greater than the size of the.|VQ250 serial Rx Buffer.|"
                    + again,
                "4" },
            { 5, "VQ250 Received Improper Command or Block (BlkAlignEr)",
                comm
                    + "VQ250 did not receive the serial command it was expecting|"
                      "or the address pointer did not match the address|"
                      "received in the data block.|"
                    + again,
                "5" },
            { 6, "VQ250 Received Unrecognized Command (IllegalCmdEr)",
                comm + "VQ250 received an unrecognized serial command|from the PC.|" + again, "6" },
            { 17, "Flash Memory Sector Erase Error (SecEraseEr)",
                module
                    + "VQ250 experienced an error when attempting to|"
                      "erase a sector of the selected Station Module Card's|Flash memory.|"
                    + system + "Occasional erase errors may be normal, but if|" + flash,
                "11" },
            { 18, "Source Sound too Long for BG#8 (TooLngBG8Er)",
                "User Error.|An attempt was made to write a sound to BG#8|"
                "that was too long for the BG#8 memory allotment.|"
                "BG#8 is limited to a maximum of 65519bytes.|(Approx. 8.1 seconds)|"
                "Operation Aborted - Suggest truncate source sound to fit.",
                "12" },
            { 19, "Flash Memory Write Error (FlshSvEr)",
                module
                    + "VQ250 experienced an error when attempting to|"
                      "write data to the selected Station Module Card's|Flash memory.|"
                    + system + "Occasional write errors may be normal, but if|" + flash,
                "13" },
            { 20, "Volume Save Error (VolSvEr)",
                module
                    + "VQ250 experienced an error when attempting to write|"
                      "volume setting data to the selected Station Module Card's|Memory.|"
                    + system + "Occasional write errors may be normal, but if|" + flash,
                "14" },
            { 21, "Module Access Error (ModAcsEr)",
                module
                    + "VQ250 experienced an error when attempting to|"
                      "communicate with the selected Station Module Card.|"
                    + system
                    + "Occasional communication errors may be normal, but if|"
                      "problem is persistent may have bad Flash sector or module.",
                "15" },
            { 22, "No Source Sound Error (NoSrcSndEr)",
                config + "Does not appear to be a valid sound at the specified source.|"
                    + configEnd,
                "16" },
            { 23, "No Module at Specified Source (SrcModNoExistEr)",
                config + "Does not appear to be a valid module at the specified source.|"
                    + configEnd,
                "17" },
            { 24, "No Module at Specified Destination (DstModNoExistEr)",
                config + "Does not appear to be a valid module at the|specified destination.|"
                    + configEnd,
                "18" },
            { 25, "Invalid Copy Specified (InvldCpySpecEr)",
                user
                    + "The format of the user entry for source or destination|"
                      "of a copy is not valid.|Check your specification and then try again.",
                "19" },
            { 26, "Incomplete User Entry (IncpltEntryEr)",
                user
                    + "The user entered parameters are incomplete.|"
                      "Check your entry and then try again.",
                "1A" },
            { 27, "Destination Equals Source (DstEqSrcEr)",
                user
                    + "The destination of a copy operation|may not be the same as the source.|"
                      "Check your specification and then try again.",
                "1B" },
            { 224, "PC to VQ250 Serial Comm Error (PCcommEr)",
                comm
                    + "Unable to communicate with VQ250 or interruption|"
                      "in serial communication with VQ250.|"
                      "Check serial communication connections and|"
                      "make sure that the VQ250 is powered-up.|"
                      "Get the VQ250 into the Station/Channel Status display mode|"
                      "by pressing the EXIT key on the keypad one or more times.|"
                      "Ensure that the correct serial comm port is being used.|"
                      "May have been glitch in Comm line.|"
                      "Operation Aborted - Check all of above then try operation again.",
                "E0" },
            { 225, "Unknown Error from VQ250 (UnknownEr)",
                comm
                    + "An unrecognized error code or unexpected serial data|"
                      "was received from the VQ250.|"
                    + again,
                "E1" },
            { 240, "Unknown File Type (UnknownFileTypeEr)",
                file
                    + "An attempt was made to open a file of a type|"
                      "not recognized by the VQ250 software.|HELP",
                "F0" },
            { 241, "Not a .wav file (NotWaveFileEr)",
                file + "An attempt was made to open a file that is not a .wav file.|HELP", "F1" },
            { 242, "Wrong Sound File Codec (WrongCodecEr)",
                file
                    + "An attempt was made to open a file that appears to be|"
                      "a .wav file but is saved using the wrong Codec|for VQ250 sounds.|HELP",
                "F2" },
            { 243, "Wrong Sound File Sample Format (WrongSampleFormatEr)",
                file
                    + "An attempt was made to open a file that appears to be|"
                      "a .wav file but is saved using the wrong|"
                      "sample format settings for VQ250 sounds.|HELP",
                "F3" },
            { 255, "VQ250 is Busy (VQbusyEr)",
                "VQ250 is Busy.|VQ250 is in the middle of some function|"
                "and is not ready to respond to the PC request.|Operation Aborted.|"
                "Get the VQ250 into the Station/Channel Status display mode|"
                "by pressing the EXIT key on the keypad one or more times|"
                "then try the operation again.",
                "FF" },
            { 7, unknown,
                QStringLiteral("Unknown Error.|An unknown error code was received.|") + again,
                "7" },
            { 100, unknown,
                QStringLiteral("Unknown Error.|An unknown error code was received.|") + again,
                "64" },
            { 254, unknown,
                QStringLiteral("Unknown Error.|An unknown error code was received.|") + again,
                "FE" },
        };
        for (const auto &row : rows) {
            ProgramState state;
            state.WavHelpText = QStringLiteral("HELP");
            state.ErrCode = quint8(row.code);
            fakes::FakeMessageBox box;
            ReportError(state, box);
            QCOMPARE(state.ErrCode, quint8(0));
            QCOMPARE(box.shown.size(), 1);
            QCOMPARE(box.shown[0].title, row.title);
            QCOMPARE(box.shown[0].style, 48);
            QCOMPARE(box.shown[0].prompt,
                QString(row.lines + "||Error Code = " + row.hex).replace('|', QChar(13)));
        }
        ProgramState state; // code 0: nothing to show
        fakes::FakeMessageBox box;
        ReportError(state, box);
        QVERIFY(box.shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestErrorTable)
#include "tst_errortable.moc"
