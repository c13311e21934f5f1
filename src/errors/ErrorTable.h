#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace vq250
{

struct ProgramState;
class MessageBox;

// Error codes that the program sets itself; every other non-zero code is one
// that the VQ250 sent.
enum ErrorCodes : quint8 {
    MisDatEr = 1,
    MisCmdEr = 2,
    CkSmEr = 3,
    LenMLongEr = 4,
    BlkAlignEr = 5,
    IllegalCmdEr = 6,
    SecEraseEr = 17,
    TooLngBG8Er = 18,
    FlshSvEr = 19,
    VolSvEr = 20,
    ModAcsEr = 21,
    NoSrcSndEr = 22,
    SrcModNoExistEr = 23,
    DstModNoExistEr = 24,
    InvldCpySpecEr = 25,
    IncpltEntryEr = 26,
    DstEqSrcEr = 27,
    PCcommEr = 224,
    UnknownEr = 225,
    UnknownFileTypeEr = 240,
    NotWaveFileEr = 241,
    WrongCodecEr = 242,
    WrongSampleFormatEr = 243,
    VQbusyEr = 255,
};

// One message: the box title and the prompt's lines.
struct ErrorMessage {
    QString title;
    QStringList lines;
};

// The entry for a code (the default entry for a code without one). The sound
// file entries end with `helpText` as one more line.
ErrorMessage errorMessage(quint8 code, const QString &helpText);

// The whole prompt: the entry's lines, an empty line, "Error Code = " and the
// code in upper-case hexadecimal, all joined by carriage returns.
QString errorPrompt(quint8 code, const QString &helpText);

// Shows the box for ErrCode (style 48) and clears it; does nothing for 0.
void ReportError(ProgramState &state, MessageBox &box);

} // namespace vq250
