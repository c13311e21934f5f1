#pragma once

#include "core/Protocol.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace vq250
{

struct ProgramState;

// Sample bytes ever read: with the 16 header bytes in front, all of SoundBuf.
constexpr qint32 SoundReadMax = 262128;
// Bytes read between two progress updates.
constexpr qint32 ProgressEveryBytes = 8000;

// What the open command shows while a file is read. vq250-check shows nothing.
class SoundFileEvents
{
public:
    virtual ~SoundFileEvents() = default;
    // The sound is longer than SoundKeepMax; SoundLen is not yet capped.
    virtual void tooLong(qint32 soundLen) = 0;
    // The samples are about to be read.
    virtual void readStarting() = 0;
    // The progress bar's new value, 0 to 100.
    virtual void progressed(qint16 value) = 0;
};

// Does nothing at any of them.
class SilentSoundFileEvents final : public SoundFileEvents
{
public:
    void tooLong(qint32) override { }
    void readStarting() override { }
    void progressed(qint16) override { }
};

enum class SoundFileOutcome {
    Accepted, // the sound is in SoundBuf, SoundLen capped, SoundName proposed
    Rejected, // the reader set ErrCode (240 to 243)
    Missing, // no such file
    Unreadable, // it could not be opened or read
    Overflow, // a header field of 2^31 or more
};

struct SoundFileResult {
    SoundFileOutcome outcome = SoundFileOutcome::Missing;
    quint8 errCode = 0; // the reader's code when Rejected
    qint32 sampleOffset = 0; // offset of the first sample in the file
    qint32 declaredSize = 0; // the data chunk's size field
    qint32 usableLength = 0; // the sample bytes the file really holds, at most declaredSize
    qint32 soundLen = 0; // SoundLen after the caps
    bool tooLong = false; // usableLength is above SoundKeepMax
    QString reason; // why it failed, for Missing, Unreadable and Overflow
    QString systemReason; // the system's words when the file would not open
};

// Reads and checks one sound file into the program state: its first bytes
// into SoundBuf 0 to 70, the reader's verdict, the caps, and the data size
// field and samples into SoundBuf from index 12. SoundFilePath is set once the
// file is known to exist. A file holding fewer samples than it declares
// gives only the samples it holds. The file is open only while it is read.
// Only a regular file is opened: a directory, FIFO, socket or device is
// Unreadable, with its kind as the reason, and never opened.
SoundFileResult readSoundFile(ProgramState &state, const QString &path, SoundFileEvents &events);
// The same for a name in the system's bytes, which need not be UTF-8.
SoundFileResult readSoundFile(
    ProgramState &state, const QByteArray &nativePath, SoundFileEvents &events);

} // namespace vq250
