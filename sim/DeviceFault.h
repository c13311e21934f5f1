#pragma once

#include <QtGlobal>

namespace vq250
{

// A fault the emulated VQ250 plays once, at a chosen place of a transfer.
//
// Places count the PC's bytes as sent: `block` 0 is the header block and k
// the data block with command 0xA0 + k (counting restarts at each header);
// `byte` 0 is the command byte, 1 and 2 are LenM, 3 on the address pointer
// and data, and Checksum the block's checksum byte. The answer faults act on
// the single byte the device sends after block `block` (its request for the
// next block, 0x73 after the last one, or its own error code).
struct DeviceFault {
    enum class Kind {
        DropEcho, // the echo of that byte is not sent
        CorruptToDevice, // the device hears the byte XOR value
        CorruptEcho, // the echo goes back XOR value
        GoSilent, // from that byte on the device hears and sends nothing
        ErrorReply, // the device answers that byte with a pair: marker, code `value`
        StrayByte, // after its normal answer the device sends `value` once more
        ReplaceAnswer, // the answer after block `block` is `value` instead
        OmitAnswer, // no answer after block `block`
    };
    static constexpr int Checksum = -1;

    Kind kind = Kind::DropEcho;
    int block = 0;
    int byte = 0;
    quint8 value = 0;

    static DeviceFault dropEcho(int block, int byte) { return { Kind::DropEcho, block, byte, 0 }; }
    static DeviceFault corruptToDevice(int block, int byte, quint8 mask)
    {
        return { Kind::CorruptToDevice, block, byte, mask };
    }
    static DeviceFault corruptEcho(int block, int byte, quint8 mask)
    {
        return { Kind::CorruptEcho, block, byte, mask };
    }
    static DeviceFault goSilent(int block, int byte) { return { Kind::GoSilent, block, byte, 0 }; }
    static DeviceFault errorReply(int block, int byte, quint8 code)
    {
        return { Kind::ErrorReply, block, byte, code };
    }
    static DeviceFault strayByte(int block, int byte, quint8 value)
    {
        return { Kind::StrayByte, block, byte, value };
    }
    static DeviceFault replaceAnswer(int block, quint8 value)
    {
        return { Kind::ReplaceAnswer, block, 0, value };
    }
    static DeviceFault omitAnswer(int block) { return { Kind::OmitAnswer, block, 0, 0 }; }

    bool actsOnAnswer() const { return kind == Kind::ReplaceAnswer || kind == Kind::OmitAnswer; }
};

} // namespace vq250
