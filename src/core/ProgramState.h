#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

namespace vq250
{

// 16-bit flags of the program state: true is -1, false is 0.
using Flag16 = qint16;
constexpr Flag16 FlagTrue = -1;
constexpr Flag16 FlagFalse = 0;

constexpr int SoundBufSize = 262144;

// All state that outlives a command, in one record. One instance lives from
// before start-up until exit; commands read and write its fields directly.
// Value-initialised it is zero-filled: empty texts, zero numbers, false flags,
// SoundBuf all zeros, RxData empty.
struct ProgramState {
    QString WavHelpText;
    QString VersionText;
    std::array<quint8, 4> LongBytes {};
    Flag16 TimedOut = FlagFalse;
    quint8 ErrCode = 0;
    qint16 RxCount = 0;
    qint16 TxCount = 0;
    QByteArray RxData;
    QString SoundFilePath;
    QString SoundName;
    std::array<quint8, SoundBufSize> SoundBuf {};
    qint32 FmtOffset = 0;
    qint32 DataOffset = 0;
    qint32 SampleOffset = 0;
    qint32 SoundLen = 0;
    Flag16 FileOpened = FlagFalse;
    // When the line last went quiet after a failed transfer; empty when the
    // last transfer succeeded or there was none.
    std::optional<qint64> AbandonedAtUs;
};

} // namespace vq250
