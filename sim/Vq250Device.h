#pragma once

#include "core/Protocol.h"
#include "sim/DeviceFault.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

namespace vq250
{

// One BG slot of the emulated flash, as the last header block set it up and
// the data blocks filled it.
struct StoredSlot {
    quint8 station = 0; // 10 to 15
    quint8 bg = 0; // 1 to 8
    QByteArray header; // the 16 header bytes, index 0 first
    QByteArray image; // indexes 0 to length + 15 of the PC's buffer, rebuilt by address;
                      // 0xFF (erased) where nothing arrived
    bool complete = false; // every block arrived and 0x73 went out

    QByteArray sound() const; // the sample bytes, image from index 16
};

struct DeviceTiming {
    qint64 replyDelayNs = 0; // from the end of a received byte to the start of the answer
    qint64 flashWriteNs = 0; // from a block's checksum echo to the next request
    bool requestWithEcho = false; // with no flash time: request in one burst with the echo
    // A block left unfinished is dropped after this much line silence, as a
    // receiver with an inter-byte time-out does; 0 keeps it forever.
    qint64 blockIdleResetNs = qint64(AbandonedBlockDropMs) * 1000000;
};

// Bytes the device hands to its transmitter together.
struct DeviceBurst {
    qint64 sendAtNs = 0;
    QByteArray bytes;
    QStringList notes; // one per byte: echo, marker, code, request, done, stray
};

// The device's answer to one received byte.
struct DeviceReaction {
    quint8 heard = 0; // the byte as the device received it
    bool corrupted = false; // heard differs from what the PC sent
    std::vector<DeviceBurst> bursts;
};

// The VQ250's side of the block protocol. It tells commands from data by
// DTR, echoes command, LenM and checksum bytes, keeps quiet during address
// and data, answers a broken rule with a pair (the received byte inverted,
// then the code), asks for each next block and stores what arrives.
class Vq250Device
{
public:
    explicit Vq250Device(DeviceTiming timing = {});

    // A byte has fully arrived at `atNs` with the given DTR state.
    DeviceReaction receive(quint8 byte, bool dtr, qint64 atNs);

    void addFault(const DeviceFault &fault) { m_faults.push_back(fault); }
    void clearFaults() { m_faults.clear(); }
    int pendingFaults() const { return int(m_faults.size()); }
    void setSilent(bool silent) { m_silent = silent; }
    void setTiming(const DeviceTiming &timing) { m_timing = timing; }
    // On a line without DTR (a pseudo-terminal) the device takes a byte for
    // a command where the protocol expects one, and ignores `dtr`.
    void setFollowPosition(bool follow) { m_followPosition = follow; }

    const StoredSlot *slot(quint8 station, quint8 bg) const;
    int completedTransfers() const { return m_completed; }

private:
    enum class Phase { Command, LenHigh, LenLow, Payload, Checksum, Discard };

    void dropAbandonedBlock(qint64 atNs);
    void trackPosition(quint8 byte, bool dtr);
    bool atPlace(const DeviceFault &fault) const;
    struct FaultEffect {
        bool processNormally = true;
        QByteArray strays;
    };
    FaultEffect applyFaults(quint8 &byte, DeviceReaction &reaction);
    void process(quint8 byte, bool dtr);
    void takeCommand(quint8 byte);
    void takeLength(quint8 low);
    void takePayload(quint8 byte);
    void takeChecksum(quint8 byte);
    bool addressFits() const;
    void finishHeader();
    void finishData();
    void answer(int block, quint8 byte, const QString &note);
    void echo(quint8 byte);
    void fail(quint8 received, quint8 code);
    void send(qint64 atNs, quint8 byte, const QString &note, bool joinLast = false);

    DeviceTiming m_timing;
    std::map<int, StoredSlot> m_slots; // station * 16 + bg
    std::vector<DeviceFault> m_faults;
    bool m_silent = false;
    bool m_followPosition = false;
    int m_completed = 0;

    // The block being received.
    Phase m_phase = Phase::Command;
    qint64 m_lastHeardNs = -1;
    quint8 m_cmd = 0;
    quint8 m_lenHigh = 0;
    int m_count = 0;
    QByteArray m_payload;
    int m_sum = 0;

    // The transfer in progress.
    bool m_active = false;
    int m_slotKey = 0;
    qint32 m_nextAddr = 0;
    int m_nextBlock = 0;

    // The place of the current byte as the PC sent it, for faults.
    int m_posBlock = -1;
    int m_posByte = 0;
    int m_posCount = -1;
    quint8 m_posLenHigh = 0;

    // Answer under construction for the current byte.
    DeviceReaction *m_reaction = nullptr;
    qint64 m_nowNs = 0;
    bool m_dropEcho = false;
    quint8 m_echoMask = 0;
};

} // namespace vq250
