#include "sound/WavReader.h"

#include "core/ProgramState.h"
#include "core/Protocol.h"
#include "errors/ErrorTable.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace vq250
{

std::optional<qint32> BytesToLong(const quint8 *bytes, qint16 n)
{
    if (n == std::numeric_limits<qint16>::min())
        return std::nullopt;
    constexpr double Limit = 2147483648.0;
    double total = 0;
    for (int i = n - 1; i >= 0; --i) {
        total = std::ldexp(double(bytes[i]), 8 * i) + total; // bytes[i] * 256^i
        if (total >= Limit)
            return std::nullopt;
    }
    return qint32(total);
}

namespace
{

constexpr qint32 LastChunkStart = 60;
constexpr qint32 PcmMono = 65537; // format tag 1 and one channel, read as one value
constexpr qint32 ByteRate = DeviceSampleRate; // one byte per sample
constexpr qint32 BlockAlign = 1;
constexpr qint32 BitsPerSample = 8;

bool tagAt(const WavHeader &header, qint32 at, const char (&tag)[5])
{
    return std::memcmp(header.data() + at, tag, 4) == 0;
}

// Copies a field into the 4-byte scratch array and converts it there.
std::optional<qint32> fieldAt(const WavHeader &header, qint32 at, qint16 width)
{
    std::array<quint8, 4> scratch {};
    std::memcpy(scratch.data(), header.data() + at, size_t(width));
    return BytesToLong(scratch, width);
}

WavCheck reject(ProgramState &state, quint8 code)
{
    state.ErrCode = code;
    return WavCheck::Rejected;
}

} // namespace

WavCheck CheckWavFile(ProgramState &state, const WavHeader &header)
{
    if (!tagAt(header, 0, "RIFF"))
        return reject(state, UnknownFileTypeEr);
    if (!tagAt(header, 8, "WAVE"))
        return reject(state, NotWaveFileEr);

    qint32 position = 0;
    qint32 lastSize = 4;
    bool fmtSeen = false;
    bool dataSeen = false;
    while (!(fmtSeen && dataSeen)) {
        const qint64 next = qint64(position) + lastSize + 8;
        if (next > std::numeric_limits<qint32>::max())
            return WavCheck::Overflow;
        position = qint32(next);
        if (position > LastChunkStart)
            return reject(state, UnknownFileTypeEr);
        if (tagAt(header, position, "fmt ")) {
            fmtSeen = true;
            state.FmtOffset = position;
        } else if (tagAt(header, position, "data")) {
            dataSeen = true;
            state.DataOffset = position;
        } else if (!tagAt(header, position, "fact")) {
            return reject(state, UnknownFileTypeEr);
        }
        const auto size = fieldAt(header, position + 4, 4);
        if (!size)
            return WavCheck::Overflow;
        lastSize = *size;
    }

    const qint32 fmt = state.FmtOffset;
    const auto codec = fieldAt(header, fmt + 8, 4);
    if (!codec)
        return WavCheck::Overflow;
    if (*codec != PcmMono)
        return reject(state, WrongCodecEr);

    // All four fields are read before any is tested, so an overflow in a
    // later one wins over a wrong value in an earlier one.
    const auto rate = fieldAt(header, fmt + 12, 4);
    const auto bytesPerSecond = fieldAt(header, fmt + 16, 4);
    const auto align = fieldAt(header, fmt + 20, 2);
    const auto bits = fieldAt(header, fmt + 22, 2);
    if (!rate || !bytesPerSecond || !align || !bits)
        return WavCheck::Overflow;
    if (*rate != DeviceSampleRate || *bytesPerSecond != ByteRate || *align != BlockAlign
        || *bits != BitsPerSample)
        return reject(state, WrongSampleFormatEr);

    const auto length = fieldAt(header, state.DataOffset + 4, 4);
    if (!length)
        return WavCheck::Overflow;
    state.SampleOffset = state.DataOffset + 8;
    state.SoundLen = *length;
    return WavCheck::Accepted;
}

} // namespace vq250
