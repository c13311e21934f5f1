#include "core/ProgramState.h"
#include "errors/ErrorTable.h"
#include "support/Fakes.h"

#include <QTest>

using namespace vq250;

// Every message box of the error table, in full, the lines a group shares
// written once. "|" stands for the carriage return between two lines; HELP
// for the help text's own lines.
class TestErrorTable : public QObject
{
    Q_OBJECT

private slots:
    void reportError()
    {
        const QString again = "May have been glitch in Comm line.|"
                              "Operation Aborted - Suggest try operation again.";
        const auto serial
            = [&again](const QString &lines) { return "Serial Comm Error.|" + lines + again; };
        const auto memory = [](const QString &lines, const QString &occasional) {
            return "VQ250 Module or Memory Error.|" + lines
                + "May have been glitch in the VQ250 system.|"
                  "Operation Aborted - Suggest try operation again.|"
                + occasional;
        };
        const QString flash = "problem is persistent may have bad Flash sector.";
        const auto config = [](const QString &lines) {
            return "User Specification or Config Error.|" + lines
                + "Check your specification and system configuration|then try again.";
        };
        const auto user = [](const QString &lines) { return "User Specification Error.|" + lines; };
        const auto file
            = [](const QString &lines) { return "File Open Error.|" + lines + "|HELP"; };
        const QString unknown = "Unknown Error.|An unknown error code was received.|" + again;
        const struct {
            int code;
            const char *hex;
            QString title, lines;
        } rows[] = {
            { 1, "1", "Missing Serial Data (MisDatEr)",
                serial("VQ250 was expecting serial data but received|a serial command.|") },
            { 2, "2", "Missing Serial Command (MisCmdEr)",
                serial("VQ250 was expecting serial command but received|serial data.|") },
            { 3, "3", "Serial Checksum Error (CkSmEr)",
                serial("The checksum of the serial data was incorrect.|") },
            { 4, "4", "Length Exceeds VQ250 Serial Rx Buffer (LenMLongEr)",
                serial(
                    "VQ250 received a block of serial data from the PC|"
                    "with a LenM value greater than the size of the.|VQ250 serial Rx Buffer.|") },
            { 5, "5", "VQ250 Received Improper Command or Block (BlkAlignEr)",
                serial("VQ250 did not receive the serial command it was expecting|"
                       "or the address pointer did not match the address|"
                       "received in the data block.|") },
            { 6, "6", "VQ250 Received Unrecognized Command (IllegalCmdEr)",
                serial("VQ250 received an unrecognized serial command|from the PC.|") },
            { 17, "11", "Flash Memory Sector Erase Error (SecEraseEr)",
                memory("VQ250 experienced an error when attempting to|"
                       "erase a sector of the selected Station Module Card's|Flash memory.|",
                    "Occasional erase errors may be normal, but if|" + flash) },
            { 18, "12", "Source Sound too Long for BG#8 (TooLngBG8Er)",
                "User Error.|An attempt was made to write a sound to BG#8|"
                "that was too long for the BG#8 memory allotment.|"
                "BG#8 is limited to a maximum of 65519bytes.|(Approx. 8.1 seconds)|"
                "Operation Aborted - Suggest truncate source sound to fit." },
            { 19, "13", "Flash Memory Write Error (FlshSvEr)",
                memory("VQ250 experienced an error when attempting to|"
                       "write data to the selected Station Module Card's|Flash memory.|",
                    "Occasional write errors may be normal, but if|" + flash) },
            { 20, "14", "Volume Save Error (VolSvEr)",
                memory("VQ250 experienced an error when attempting to write|"
                       "volume setting data to the selected Station Module Card's|Memory.|",
                    "Occasional write errors may be normal, but if|" + flash) },
            { 21, "15", "Module Access Error (ModAcsEr)",
                memory("VQ250 experienced an error when attempting to|"
                       "communicate with the selected Station Module Card.|",
                    "Occasional communication errors may be normal, but if|"
                    "problem is persistent may have bad Flash sector or module.") },
            { 22, "16", "No Source Sound Error (NoSrcSndEr)",
                config("Does not appear to be a valid sound at the specified source.|") },
            { 23, "17", "No Module at Specified Source (SrcModNoExistEr)",
                config("Does not appear to be a valid module at the specified source.|") },
            { 24, "18", "No Module at Specified Destination (DstModNoExistEr)",
                config("Does not appear to be a valid module at the|specified destination.|") },
            { 25, "19", "Invalid Copy Specified (InvldCpySpecEr)",
                user("The format of the user entry for source or destination|"
                     "of a copy is not valid.|Check your specification and then try again.") },
            { 26, "1A", "Incomplete User Entry (IncpltEntryEr)",
                user("The user entered parameters are incomplete.|"
                     "Check your entry and then try again.") },
            { 27, "1B", "Destination Equals Source (DstEqSrcEr)",
                user("The destination of a copy operation|may not be the same as the source.|"
                     "Check your specification and then try again.") },
            { 224, "E0", "PC to VQ250 Serial Comm Error (PCcommEr)",
                "Serial Comm Error.|"
                "Unable to communicate with VQ250 or interruption|"
                "in serial communication with VQ250.|"
                "Check serial communication connections and|"
                "make sure that the VQ250 is powered-up.|"
                "Get the VQ250 into the Station/Channel Status display mode|"
                "by pressing the EXIT key on the keypad one or more times.|"
                "Ensure that the correct serial comm port is being used.|"
                "May have been glitch in Comm line.|"
                "Operation Aborted - Check all of above then try operation again." },
            { 225, "E1", "Unknown Error from VQ250 (UnknownEr)",
                serial("An unrecognized error code or unexpected serial data|"
                       "was received from the VQ250.|") },
            { 240, "F0", "Unknown File Type (UnknownFileTypeEr)",
                file("An attempt was made to open a file of a type|"
                     "not recognized by the VQ250 software.") },
            { 241, "F1", "Not a .wav file (NotWaveFileEr)",
                file("An attempt was made to open a file that is not a .wav file.") },
            { 242, "F2", "Wrong Sound File Codec (WrongCodecEr)",
                file("An attempt was made to open a file that appears to be|"
                     "a .wav file but is saved using the wrong Codec|for VQ250 sounds.") },
            { 243, "F3", "Wrong Sound File Sample Format (WrongSampleFormatEr)",
                file("An attempt was made to open a file that appears to be|"
                     "a .wav file but is saved using the wrong|"
                     "sample format settings for VQ250 sounds.") },
            { 255, "FF", "VQ250 is Busy (VQbusyEr)",
                "VQ250 is Busy.|VQ250 is in the middle of some function|"
                "and is not ready to respond to the PC request.|Operation Aborted.|"
                "Get the VQ250 into the Station/Channel Status display mode|"
                "by pressing the EXIT key on the keypad one or more times|"
                "then try the operation again." },
            { 7, "7", "Unrecognized Error Code", unknown },
            { 254, "FE", "Unrecognized Error Code", unknown },
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
