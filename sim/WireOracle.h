#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include "sim/WireTrace.h"

namespace vq250
{

// The operator's entries as they reach the sound header.
struct LoadEntries {
    quint8 volume = 18;
    QByteArray name = "TESTSOUND"; // one byte per character, at most 10 used
    bool looping = true;
};

// The bytes of one whole transfer on the line.
struct ExpectedWire {
    QByteArray toDevice; // what the PC sends
    QList<bool> dtr; // one per byte of toDevice: DTR asserted (a command byte)
    QByteArray fromDevice; // a device's answers when all goes well
};

// The 16 header bytes the load command puts in front of the samples.
QByteArray expectedHeader(qsizetype length, const LoadEntries &entries);

// The transfer of `samples` to `destination` ("A1" to "F8"), worked out from
// the block format alone so that it shares no mistake with the loader: the
// header block 0xA0, then data blocks 0xA1, 0xA2 ... from the top of the
// buffer down, each at most 8192 bytes between LenM and the checksum.
ExpectedWire expectedWire(
    const QByteArray &samples, const QString &destination, const LoadEntries &entries = {});

// Bytes as hex with a "*" in front of each one sent with DTR asserted:
// "*A0 00 11 ...". Compares readably in a test's failure message.
QString markedHex(const QByteArray &bytes, const QList<bool> &dtr);
inline QString markedHex(const ExpectedWire &wire)
{
    return markedHex(wire.toDevice, wire.dtr);
}

// What the PC put on the line, in the oracle's form (no device answers), to
// hold against expectedWire().
ExpectedWire sentByPc(const WireTrace &trace);

} // namespace vq250
