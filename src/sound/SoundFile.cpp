#include "sound/SoundFile.h"

#include "core/ProgramState.h"
#include "core/ProgressStep.h"
#include "sound/FileKind.h"
#include "sound/SoundText.h"
#include "sound/WavReader.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>

#include <unistd.h>

namespace vq250
{

namespace
{

// SoundBuf index of the data chunk's size field; the samples follow it.
constexpr int SizeFieldIndex = 12;
constexpr int SizeFieldBytes = 4;

SoundFileResult failure(SoundFileOutcome outcome, const char *reason)
{
    SoundFileResult result;
    result.outcome = outcome;
    result.reason = QString::fromLatin1(reason);
    return result;
}

// Opens `file` on a regular file only; a directory, FIFO, socket or device
// is refused with its kind and never opened. Nothing when it is open.
std::optional<SoundFileResult> openRegular(QFile &file, const QByteArray &nativePath)
{
    const ReadableFile opened = openRegularFile(nativePath);
    switch (opened.refusal) {
    case ReadRefusal::None:
        break;
    case ReadRefusal::NotRegular: {
        SoundFileResult result = failure(SoundFileOutcome::Unreadable, "");
        result.reason = opened.reason;
        return result;
    }
    case ReadRefusal::Missing: // gone since it was seen
    case ReadRefusal::Unopenable: {
        SoundFileResult result = failure(SoundFileOutcome::Unreadable, "cannot open file");
        result.systemReason
            = opened.refusal == ReadRefusal::Missing ? systemReason(ENOENT) : opened.reason;
        return result;
    }
    }
    if (!file.open(opened.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(opened.fd);
        return failure(SoundFileOutcome::Unreadable, "cannot open file");
    }
    return std::nullopt;
}

// Reads up to `count` bytes from `offset` into `into`, zero-filling whatever
// lies past the end of the file. False on a read error, or when the file
// holds fewer bytes there than `fileSize` promised.
bool readZeroPadded(QFile &file, qint64 fileSize, qint64 offset, quint8 *into, qint64 count)
{
    const qint64 expected = std::clamp<qint64>(fileSize - offset, 0, count);
    qint64 got = 0;
    if (expected > 0) {
        if (!file.seek(offset))
            return false;
        got = file.read(reinterpret_cast<char *>(into), expected);
        if (got != expected)
            return false;
    }
    std::fill(into + got, into + count, quint8(0));
    return true;
}

// The bar values a byte-by-byte read of `bytesRead` bytes would have set.
void reportProgress(SoundFileEvents &events, qint32 bytesRead, qint32 step)
{
    qint16 value = 0;
    for (qint32 updates = bytesRead / ProgressEveryBytes; updates > 0; --updates) {
        value = qint16(std::min<qint32>(value + step, 100));
        events.progressed(value);
    }
}

} // namespace

SoundFileResult readSoundFile(ProgramState &state, const QString &path, SoundFileEvents &events)
{
    return readSoundFile(state, QFile::encodeName(path), events);
}

SoundFileResult readSoundFile(
    ProgramState &state, const QByteArray &nativePath, SoundFileEvents &events)
{
    if (pathKind(nativePath).kind == FileKind::Missing)
        return failure(SoundFileOutcome::Missing, "file not found");
    state.SoundFilePath = QFile::decodeName(nativePath);

    WavHeader header {};
    qint64 fileSize = 0;
    {
        QFile file;
        if (const auto refused = openRegular(file, nativePath))
            return *refused;
        fileSize = file.size();
        if (!readZeroPadded(file, fileSize, 0, header.data(), WavHeaderBytes))
            return failure(SoundFileOutcome::Unreadable, "read error");
    }
    std::copy_n(header.begin(), WavBufferedHeaderBytes, state.SoundBuf.begin());

    switch (CheckWavFile(state, header)) {
    case WavCheck::Overflow:
        return failure(SoundFileOutcome::Overflow, "size field overflow");
    case WavCheck::Rejected: {
        SoundFileResult result;
        result.outcome = SoundFileOutcome::Rejected;
        result.errCode = state.ErrCode;
        return result;
    }
    case WavCheck::Accepted:
        break;
    }

    SoundFileResult result;
    result.sampleOffset = state.SampleOffset;
    result.declaredSize = state.SoundLen;
    // Never take leftovers of an earlier sound for samples the file lacks.
    const qint64 present = std::max<qint64>(0, fileSize - state.SampleOffset);
    state.SoundLen = qint32(std::min<qint64>(state.SoundLen, present));
    result.usableLength = state.SoundLen;

    if (state.SoundLen > SoundKeepMax) {
        result.tooLong = true;
        events.tooLong(state.SoundLen);
        state.SoundLen = std::min(state.SoundLen, SoundReadMax);
    }

    events.readStarting();
    const qint32 step = progressStepFor(state.SoundLen);
    const qint32 bytesToRead = state.SoundLen + SizeFieldBytes;
    {
        QFile file;
        if (const auto refused = openRegular(file, nativePath))
            return *refused;
        // Compared with the size seen by the header read: a file cut short
        // since then is a read error, not a sound padded with zeros.
        if (!readZeroPadded(file, fileSize, qint64(state.SampleOffset) - SizeFieldBytes,
                state.SoundBuf.data() + SizeFieldIndex, bytesToRead))
            return failure(SoundFileOutcome::Unreadable, "read error");
    }
    reportProgress(events, bytesToRead, step);

    state.SoundName = SoundNameFromPath(state.SoundFilePath);
    state.SoundLen = std::min(state.SoundLen, SoundKeepMax);

    result.outcome = SoundFileOutcome::Accepted;
    result.soundLen = state.SoundLen;
    return result;
}

} // namespace vq250
