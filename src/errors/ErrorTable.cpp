#include "errors/ErrorTable.h"

#include "core/ProgramState.h"
#include "platform/MessageBox.h"

#include <map>
#include <vector>

namespace vq250
{
namespace
{

const QChar CR(13);

struct Entry {
    const char *title;
    std::vector<const char *> lines;
    bool withHelp;
};

const char *const TryAgain = "Operation Aborted - Suggest try operation again.";
const char *const Glitch = "May have been glitch in Comm line.";

const std::map<quint8, Entry> &table()
{
    static const std::map<quint8, Entry> entries = {
        { MisDatEr,
            { "Missing Serial Data (MisDatEr)",
                { "Serial Comm Error.", "VQ250 was expecting serial data but received",
                    "a serial command.", Glitch, TryAgain },
                false } },
        { MisCmdEr,
            { "Missing Serial Command (MisCmdEr)",
                { "Serial Comm Error.", "VQ250 was expecting serial command but received",
                    "serial data.", Glitch, TryAgain },
                false } },
        { CkSmEr,
            { "Serial Checksum Error (CkSmEr)",
                { "Serial Comm Error.", "The checksum of the serial data was incorrect.", Glitch,
                    TryAgain },
                false } },
        { LenMLongEr,
            { "Length Exceeds VQ250 Serial Rx Buffer (LenMLongEr)",
                { "Serial Comm Error.", "VQ250 received a block of serial data from the PC",
                    "with a LenM value greater than the size of the.", "VQ250 serial Rx Buffer.",
                    Glitch, TryAgain },
                false } },
        { BlkAlignEr,
            { "VQ250 Received Improper Command or Block (BlkAlignEr)",
                { "Serial Comm Error.", "VQ250 did not receive the serial command it was expecting",
                    "or the address pointer did not match the address",
                    "received in the data block.", Glitch, TryAgain },
                false } },
        { IllegalCmdEr,
            { "VQ250 Received Unrecognized Command (IllegalCmdEr)",
                { "Serial Comm Error.", "VQ250 received an unrecognized serial command",
                    "from the PC.", Glitch, TryAgain },
                false } },
        { SecEraseEr,
            { "Flash Memory Sector Erase Error (SecEraseEr)",
                { "VQ250 Module or Memory Error.", "VQ250 experienced an error when attempting to",
                    "erase a sector of the selected Station Module Card's", "Flash memory.",
                    "May have been glitch in the VQ250 system.", TryAgain,
                    "Occasional erase errors may be normal, but if",
                    "problem is persistent may have bad Flash sector." },
                false } },
        { TooLngBG8Er,
            { "Source Sound too Long for BG#8 (TooLngBG8Er)",
                { "User Error.", "An attempt was made to write a sound to BG#8",
                    "that was too long for the BG#8 memory allotment.",
                    "BG#8 is limited to a maximum of 65519bytes.", "(Approx. 8.1 seconds)",
                    "Operation Aborted - Suggest truncate source sound to fit." },
                false } },
        { FlshSvEr,
            { "Flash Memory Write Error (FlshSvEr)",
                { "VQ250 Module or Memory Error.", "VQ250 experienced an error when attempting to",
                    "write data to the selected Station Module Card's", "Flash memory.",
                    "May have been glitch in the VQ250 system.", TryAgain,
                    "Occasional write errors may be normal, but if",
                    "problem is persistent may have bad Flash sector." },
                false } },
        { VolSvEr,
            { "Volume Save Error (VolSvEr)",
                { "VQ250 Module or Memory Error.",
                    "VQ250 experienced an error when attempting to write",
                    "volume setting data to the selected Station Module Card's", "Memory.",
                    "May have been glitch in the VQ250 system.", TryAgain,
                    "Occasional write errors may be normal, but if",
                    "problem is persistent may have bad Flash sector." },
                false } },
        { ModAcsEr,
            { "Module Access Error (ModAcsEr)",
                { "VQ250 Module or Memory Error.", "VQ250 experienced an error when attempting to",
                    "communicate with the selected Station Module Card.",
                    "May have been glitch in the VQ250 system.", TryAgain,
                    "Occasional communication errors may be normal, but if",
                    "problem is persistent may have bad Flash sector or module." },
                false } },
        { NoSrcSndEr,
            { "No Source Sound Error (NoSrcSndEr)",
                { "User Specification or Config Error.",
                    "Does not appear to be a valid sound at the specified source.",
                    "Check your specification and system configuration", "then try again." },
                false } },
        { SrcModNoExistEr,
            { "No Module at Specified Source (SrcModNoExistEr)",
                { "User Specification or Config Error.",
                    "Does not appear to be a valid module at the specified source.",
                    "Check your specification and system configuration", "then try again." },
                false } },
        { DstModNoExistEr,
            { "No Module at Specified Destination (DstModNoExistEr)",
                { "User Specification or Config Error.",
                    "Does not appear to be a valid module at the", "specified destination.",
                    "Check your specification and system configuration", "then try again." },
                false } },
        { InvldCpySpecEr,
            { "Invalid Copy Specified (InvldCpySpecEr)",
                { "User Specification Error.",
                    "The format of the user entry for source or destination",
                    "of a copy is not valid.", "Check your specification and then try again." },
                false } },
        { IncpltEntryEr,
            { "Incomplete User Entry (IncpltEntryEr)",
                { "User Specification Error.", "The user entered parameters are incomplete.",
                    "Check your entry and then try again." },
                false } },
        { DstEqSrcEr,
            { "Destination Equals Source (DstEqSrcEr)",
                { "User Specification Error.", "The destination of a copy operation",
                    "may not be the same as the source.",
                    "Check your specification and then try again." },
                false } },
        { PCcommEr,
            { "PC to VQ250 Serial Comm Error (PCcommEr)",
                { "Serial Comm Error.", "Unable to communicate with VQ250 or interruption",
                    "in serial communication with VQ250.",
                    "Check serial communication connections and",
                    "make sure that the VQ250 is powered-up.",
                    "Get the VQ250 into the Station/Channel Status display mode",
                    "by pressing the EXIT key on the keypad one or more times.",
                    "Ensure that the correct serial comm port is being used.", Glitch,
                    "Operation Aborted - Check all of above then try operation again." },
                false } },
        { UnknownEr,
            { "Unknown Error from VQ250 (UnknownEr)",
                { "Serial Comm Error.", "An unrecognized error code or unexpected serial data",
                    "was received from the VQ250.", Glitch, TryAgain },
                false } },
        { UnknownFileTypeEr,
            { "Unknown File Type (UnknownFileTypeEr)",
                { "File Open Error.", "An attempt was made to open a file of a type",
                    "not recognized by the VQ250 software." },
                true } },
        { NotWaveFileEr,
            { "Not a .wav file (NotWaveFileEr)",
                { "File Open Error.",
                    "An attempt was made to open a file that is not a .wav file." },
                true } },
        { WrongCodecEr,
            { "Wrong Sound File Codec (WrongCodecEr)",
                { "File Open Error.", "An attempt was made to open a file that appears to be",
                    "a .wav file but is saved using the wrong Codec", "for VQ250 sounds." },
                true } },
        { WrongSampleFormatEr,
            { "Wrong Sound File Sample Format (WrongSampleFormatEr)",
                { "File Open Error.", "An attempt was made to open a file that appears to be",
                    "a .wav file but is saved using the wrong",
                    "sample format settings for VQ250 sounds." },
                true } },
        { VQbusyEr,
            { "VQ250 is Busy (VQbusyEr)",
                { "VQ250 is Busy.", "VQ250 is in the middle of some function",
                    "and is not ready to respond to the PC request.", "Operation Aborted.",
                    "Get the VQ250 into the Station/Channel Status display mode",
                    "by pressing the EXIT key on the keypad one or more times",
                    "then try the operation again." },
                false } },
    };
    return entries;
}

const Entry DefaultEntry = { "Unrecognized Error Code",
    { "Unknown Error.", "An unknown error code was received.", Glitch, TryAgain }, false };

} // namespace

ErrorMessage errorMessage(quint8 code, const QString &helpText)
{
    const auto found = table().find(code);
    const Entry &entry = found == table().end() ? DefaultEntry : found->second;
    ErrorMessage message { QString::fromLatin1(entry.title), {} };
    for (const char *line : entry.lines)
        message.lines << QString::fromLatin1(line);
    if (entry.withHelp)
        message.lines << helpText;
    return message;
}

QString errorPrompt(quint8 code, const QString &helpText)
{
    return errorMessage(code, helpText).lines.join(CR) + CR + CR + QStringLiteral("Error Code = ")
        + QString::number(code, 16).toUpper();
}

void ReportError(ProgramState &state, MessageBox &box)
{
    if (state.ErrCode == 0)
        return;
    box.show(errorPrompt(state.ErrCode, state.WavHelpText), MsgOkExclamation,
        errorMessage(state.ErrCode, state.WavHelpText).title);
    state.ErrCode = 0;
}

} // namespace vq250
