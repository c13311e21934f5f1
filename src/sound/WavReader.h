#pragma once

#include <QtGlobal>

#include <array>
#include <cstddef>
#include <optional>

namespace vq250
{

struct ProgramState;

// Header bytes the reader may look at: a chunk starts at offset 60 at the
// latest, and the last format field of a "fmt " chunk there ends at 83.
constexpr int WavHeaderBytes = 84;
// Header bytes the open command keeps in SoundBuf 0 to 70.
constexpr int WavBufferedHeaderBytes = 71;

// The first bytes of one file (offset = index); bytes past its end are 0.
using WavHeader = std::array<quint8, WavHeaderBytes>;

// n little-endian bytes to a signed 32-bit value, bytes[0] least significant.
// n <= 0 gives 0; nothing when the value is 2^31 or more, or n is -32768.
// The caller guarantees that bytes[0] to bytes[n - 1] exist.
std::optional<qint32> BytesToLong(const quint8 *bytes, qint16 n);

// The same on a fixed array; also nothing when n reaches past its end.
template <std::size_t N>
std::optional<qint32> BytesToLong(const std::array<quint8, N> &bytes, qint16 n)
{
    if (n > qint16(N))
        return std::nullopt;
    return BytesToLong(bytes.data(), n);
}

enum class WavCheck {
    Accepted, // SampleOffset and SoundLen set, ErrCode untouched
    Rejected, // ErrCode set to 240, 241, 242 or 243
    Overflow, // a size or format field of 2^31 or more; ErrCode untouched
};

// Tests a file's header for the one format the VQ250 plays and finds its
// samples. Writes FmtOffset and DataOffset as it walks the chunks.
WavCheck CheckWavFile(ProgramState &state, const WavHeader &header);

} // namespace vq250
