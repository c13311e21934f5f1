#pragma once

// Sounds to send and the blocks read back from a wire trace.

#include "core/ProgramState.h"
#include "link/emulator/WireTrace.h"

#include <QByteArray>
#include <QList>

#include <vector>

namespace vq250::test
{

// A sound header (name "TESTSOUND", volume 18, looping) and `length`
// pseudo-random samples from index 16 on.
inline void putSound(ProgramState &state, qint32 length, quint32 seed = 12345)
{
    const QByteArray name("TESTSOUND");
    state.SoundBuf[0] = 87;
    state.SoundBuf[1] = 18;
    for (int i = 0; i < 10; ++i)
        state.SoundBuf[2 + i] = i < name.size() ? quint8(name[i]) : 160;
    state.SoundBuf[12] = quint8(length);
    state.SoundBuf[13] = quint8(length >> 8);
    state.SoundBuf[14] = quint8(length >> 16);
    state.SoundBuf[15] = 1;
    quint32 x = seed;
    for (qint32 i = 0; i < length; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        state.SoundBuf[16 + i] = quint8(x);
    }
}

inline QByteArray soundBytes(const ProgramState &state, qint32 from, qint32 size)
{
    return QByteArray(reinterpret_cast<const char *>(state.SoundBuf.data()) + from, size);
}

struct SentBlock {
    quint8 cmd = 0;
    bool dtrOnlyOnCommand = true;
    int count = 0; // from LenM
    QByteArray payload; // address and data as sent
    int checksum = -1; // -1 when the block broke off
};

// Splits the PC's bytes into blocks at each byte sent with DTR asserted.
inline std::vector<SentBlock> blocksOf(const QList<WireByte> &toDevice)
{
    std::vector<SentBlock> blocks;
    int place = 0;
    int lenHigh = 0;
    for (const WireByte &byte : toDevice) {
        if (byte.dtr || blocks.empty()) {
            blocks.push_back(SentBlock { byte.byte, byte.dtr, 0, {}, -1 });
            place = 0;
            continue;
        }
        SentBlock &block = blocks.back();
        ++place;
        if (place == 1)
            lenHigh = byte.byte;
        else if (place == 2)
            block.count = (lenHigh << 8 | byte.byte) + 1;
        else if (block.payload.size() < block.count)
            block.payload.append(char(byte.byte));
        else
            block.checksum = byte.byte;
    }
    return blocks;
}

inline int sumOf(const QByteArray &bytes)
{
    int sum = 0;
    for (char c : bytes)
        sum += quint8(c);
    return sum;
}

} // namespace vq250::test
