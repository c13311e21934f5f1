#pragma once

#include <QtGlobal>

namespace vq250
{

// Facts of the VQ250's serial protocol and its limits, one name each. The
// PC side, the device emulator and the companion tools all take them from
// here.

// The line: 57600 baud, no parity, 8 data bits, 1 stop bit; one byte takes
// 1/5760 s. All line timings are in nanoseconds.
constexpr char LineSettings[] = "57600,N,8,1";
constexpr qint64 LineByteNs = 173612; // 1e9 / 5760, rounded up
constexpr int PortBufferBytes = 8448; // the port's input and output buffers

// The reply time-out: how long the PC waits for each awaited byte.
constexpr int ReplyTimeoutMs = 8000;
// A block the PC leaves unfinished: the device drops it after this much
// silence on the line and hears the next command byte as a new command.
constexpr int AbandonedBlockDropMs = 1000;

// Block commands: the header block is 0xA0, the data blocks count up from
// 0xA1 (the device asks for each); 0xA0 to 0xBF are known commands.
constexpr quint8 HeaderBlockCmd = 0xA0;
constexpr quint8 FirstDataBlockCmd = 0xA1;
constexpr quint8 LastBlockCmd = 0xBF;
// The device's byte after the last block: the sound is in flash ('s').
constexpr quint8 TransferDoneByte = 0x73;
// The device's receive buffer: the most bytes one block may carry.
constexpr qint32 DeviceBufferBytes = 8192;

// The sound header: "W", volume, a 10-byte name padded with 160, the length
// in three bytes, the looping flag. The samples follow it.
constexpr int SoundHeaderBytes = 16;
constexpr int SoundNameMax = 10;
constexpr quint8 NamePadByte = 160;
// A character of a name the device stores as it is: printable ISO 8859-1.
// Control characters and anything beyond U+00FF would become other bytes.
constexpr bool deviceHoldsNameChar(char32_t c)
{
    return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF);
}

// Samples are 8 kHz, 8-bit, mono.
constexpr int DeviceSampleRate = 8000;
// The longest sound a BG slot takes; longer ones are announced and cut.
constexpr qint32 SoundKeepMax = 131056;
// The longest sound BG slot 8 takes: with the 16 header bytes, 65535.
constexpr qint32 SoundBG8Max = 65519;

// Error codes: those below 224 are the device's own, the others the program
// sets itself.
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

} // namespace vq250
