#include "sim/Vq250Device.h"

#include "core/Protocol.h"

namespace vq250
{
namespace
{

constexpr int HeaderCount = 18;
constexpr quint8 ErasedByte = 0xFF;

int slotKey(quint8 station, quint8 bg)
{
    return station * 16 + bg;
}

qint32 threeBytes(quint8 high, quint8 mid, quint8 low)
{
    return qint32(high) << 16 | qint32(mid) << 8 | qint32(low);
}

} // namespace

QByteArray StoredSlot::sound() const
{
    return image.mid(16);
}

Vq250Device::Vq250Device(DeviceTiming timing)
    : m_timing(timing)
{
}

const StoredSlot *Vq250Device::slot(quint8 station, quint8 bg) const
{
    const auto found = m_slots.find(slotKey(station, bg));
    return found == m_slots.end() ? nullptr : &found->second;
}

DeviceReaction Vq250Device::receive(quint8 byte, bool dtr, qint64 atNs)
{
    DeviceReaction reaction;
    reaction.heard = byte;
    if (m_followPosition)
        dtr = m_phase == Phase::Command
            || (m_phase == Phase::Discard && byte >= HeaderBlockCmd && byte <= LastBlockCmd);
    trackPosition(byte, dtr);
    if (m_silent)
        return reaction;
    dropAbandonedBlock(atNs);

    m_reaction = &reaction;
    m_nowNs = atNs;
    m_dropEcho = false;
    m_echoMask = 0;
    const FaultEffect effect = applyFaults(byte, reaction);
    if (effect.processNormally && !m_silent)
        process(byte, dtr);
    for (char stray : effect.strays)
        send(m_nowNs + m_timing.replyDelayNs, quint8(stray), QStringLiteral("stray"));
    m_reaction = nullptr;
    return reaction;
}

// A PC that gave up in the middle of a block never sends the rest; after a
// stretch of silence the device stops waiting for it, so the next load's
// header is heard as a command again.
void Vq250Device::dropAbandonedBlock(qint64 atNs)
{
    const bool midBlock = m_phase != Phase::Command && m_phase != Phase::Discard;
    if (midBlock && m_timing.blockIdleResetNs > 0 && m_lastHeardNs >= 0
        && atNs - m_lastHeardNs > m_timing.blockIdleResetNs)
        m_phase = Phase::Command;
    m_lastHeardNs = atNs;
}

// Counts blocks and bytes from what the PC sent, so a fault lands where the
// test meant it even when an earlier fault changed what the device heard.
void Vq250Device::trackPosition(quint8 byte, bool dtr)
{
    if (dtr) {
        m_posBlock = byte == HeaderBlockCmd ? 0 : m_posBlock + 1;
        m_posByte = 0;
        m_posCount = -1;
        return;
    }
    ++m_posByte;
    if (m_posByte == 1)
        m_posLenHigh = byte;
    else if (m_posByte == 2)
        m_posCount = (m_posLenHigh << 8 | byte) + 1;
}

bool Vq250Device::atPlace(const DeviceFault &fault) const
{
    if (fault.actsOnAnswer() || fault.block != m_posBlock)
        return false;
    if (fault.byte == DeviceFault::Checksum)
        return m_posCount >= 0 && m_posByte == 3 + m_posCount;
    return fault.byte == m_posByte;
}

// Plays, once each, the faults placed at this byte.
Vq250Device::FaultEffect Vq250Device::applyFaults(quint8 &byte, DeviceReaction &reaction)
{
    FaultEffect effect;
    for (auto it = m_faults.begin(); it != m_faults.end();) {
        if (!atPlace(*it)) {
            ++it;
            continue;
        }
        const DeviceFault fault = *it;
        it = m_faults.erase(it);
        switch (fault.kind) {
        case DeviceFault::Kind::GoSilent:
            m_silent = true;
            effect.processNormally = false;
            break;
        case DeviceFault::Kind::CorruptToDevice:
            byte ^= fault.value;
            reaction.heard = byte;
            reaction.corrupted = fault.value != 0;
            break;
        case DeviceFault::Kind::DropEcho:
            m_dropEcho = true;
            break;
        case DeviceFault::Kind::CorruptEcho:
            m_echoMask ^= fault.value;
            break;
        case DeviceFault::Kind::ErrorReply:
            fail(byte, fault.value);
            effect.processNormally = false;
            break;
        case DeviceFault::Kind::StrayByte:
            effect.strays.append(char(fault.value));
            break;
        case DeviceFault::Kind::ReplaceAnswer:
        case DeviceFault::Kind::OmitAnswer:
            break;
        }
    }
    if (m_silent)
        effect.strays.clear();
    return effect;
}

void Vq250Device::process(quint8 byte, bool dtr)
{
    if (m_phase == Phase::Command || m_phase == Phase::Discard) {
        if (dtr)
            takeCommand(byte);
        else if (m_phase == Phase::Command)
            fail(byte, MisCmdEr);
        // After an error everything up to the next command byte is dropped.
        return;
    }
    if (dtr) {
        fail(byte, MisDatEr);
        return;
    }
    switch (m_phase) {
    case Phase::LenHigh:
        m_lenHigh = byte;
        m_phase = Phase::LenLow;
        echo(byte);
        break;
    case Phase::LenLow:
        takeLength(byte);
        break;
    case Phase::Payload:
        takePayload(byte);
        break;
    case Phase::Checksum:
        takeChecksum(byte);
        break;
    case Phase::Command:
    case Phase::Discard:
        break;
    }
}

void Vq250Device::takeCommand(quint8 byte)
{
    if (byte < HeaderBlockCmd || byte > LastBlockCmd) {
        fail(byte, IllegalCmdEr);
        return;
    }
    // A header always starts a new transfer; a data block must be the one
    // asked for.
    if (byte == HeaderBlockCmd)
        m_active = false;
    else if (!m_active || byte != HeaderBlockCmd + m_nextBlock) {
        fail(byte, BlkAlignEr);
        return;
    }
    m_cmd = byte;
    m_phase = Phase::LenHigh;
    echo(byte);
}

void Vq250Device::takeLength(quint8 low)
{
    m_count = (m_lenHigh << 8 | low) + 1;
    if (m_count > DeviceBufferBytes) {
        fail(low, LenMLongEr);
        return;
    }
    const bool header = m_cmd == HeaderBlockCmd;
    if (header ? m_count != HeaderCount : m_count < 4) {
        fail(low, BlkAlignEr);
        return;
    }
    m_payload.clear();
    m_sum = 0;
    m_phase = Phase::Payload;
    echo(low);
}

void Vq250Device::takePayload(quint8 byte)
{
    m_payload.append(char(byte));
    m_sum += byte;
    if (m_cmd != HeaderBlockCmd && m_payload.size() == 3 && !addressFits()) {
        fail(byte, BlkAlignEr);
        return;
    }
    if (m_payload.size() == m_count)
        m_phase = Phase::Checksum;
}

bool Vq250Device::addressFits() const
{
    const qint32 address
        = threeBytes(quint8(m_payload[0]), quint8(m_payload[1]), quint8(m_payload[2]));
    return address == m_nextAddr && m_count - 3 <= address + 1;
}

void Vq250Device::takeChecksum(quint8 byte)
{
    if (byte != quint8(m_sum)) {
        fail(byte, CkSmEr);
        return;
    }
    echo(byte);
    m_phase = Phase::Command;
    if (m_cmd == HeaderBlockCmd)
        finishHeader();
    else
        finishData();
}

// Header data on the line: station, slot, then header bytes 15 down to 0.
void Vq250Device::finishHeader()
{
    const quint8 station = quint8(m_payload[0]);
    const quint8 bg = quint8(m_payload[1]);
    QByteArray header(16, 0);
    for (int i = 0; i < 16; ++i)
        header[i] = m_payload[HeaderCount - 1 - i];
    const qint32 length = threeBytes(quint8(header[14]), quint8(header[13]), quint8(header[12]));

    if (station < 10 || station > 15 || bg < 1 || bg > 8) {
        answer(0, DstModNoExistEr, QStringLiteral("code"));
        return;
    }
    if (bg == 8 && length > SoundBG8Max) {
        answer(0, TooLngBG8Er, QStringLiteral("code"));
        return;
    }
    StoredSlot &stored = m_slots[slotKey(station, bg)];
    stored = StoredSlot { station, bg, header, QByteArray(length + 16, char(ErasedByte)), false };
    m_active = true;
    m_slotKey = slotKey(station, bg);
    m_nextAddr = length + 15;
    m_nextBlock = 1;
    answer(0, FirstDataBlockCmd, QStringLiteral("request"));
}

void Vq250Device::finishData()
{
    const int block = m_cmd - HeaderBlockCmd;
    const qint32 address
        = threeBytes(quint8(m_payload[0]), quint8(m_payload[1]), quint8(m_payload[2]));
    StoredSlot &stored = m_slots[m_slotKey];
    const int dataBytes = m_count - 3;
    for (int j = 0; j < dataBytes; ++j)
        stored.image[address - j] = m_payload[3 + j];
    m_nextAddr = address - dataBytes;
    ++m_nextBlock;
    if (m_nextAddr >= 0) {
        answer(block, quint8(HeaderBlockCmd + m_nextBlock), QStringLiteral("request"));
        return;
    }
    stored.complete = true;
    m_active = false;
    ++m_completed;
    answer(block, TransferDoneByte, QStringLiteral("done"));
}

// The single byte between blocks, after the flash has been written.
void Vq250Device::answer(int block, quint8 byte, const QString &note)
{
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (!it->actsOnAnswer() || it->block != block)
            continue;
        const DeviceFault fault = *it;
        m_faults.erase(it);
        if (fault.kind == DeviceFault::Kind::OmitAnswer)
            return;
        byte = fault.value;
        break;
    }
    const bool withEcho = m_timing.requestWithEcho && m_timing.flashWriteNs == 0;
    send(m_nowNs + m_timing.replyDelayNs + m_timing.flashWriteNs, byte, note, withEcho);
}

void Vq250Device::echo(quint8 byte)
{
    if (m_dropEcho)
        return;
    send(m_nowNs + m_timing.replyDelayNs, byte ^ m_echoMask, QStringLiteral("echo"));
}

// An error pair: a byte that cannot be taken for the echo, then the code.
// The transfer is over; the device waits for a new command byte.
void Vq250Device::fail(quint8 received, quint8 code)
{
    const qint64 at = m_nowNs + m_timing.replyDelayNs;
    send(at, received ^ 0xFF, QStringLiteral("marker"));
    send(at, code, QStringLiteral("code"), true);
    m_phase = Phase::Discard;
    m_active = false;
}

void Vq250Device::send(qint64 atNs, quint8 byte, const QString &note, bool joinLast)
{
    auto &bursts = m_reaction->bursts;
    if (!joinLast || bursts.empty())
        bursts.push_back(DeviceBurst { atNs, {}, {} });
    bursts.back().bytes.append(char(byte));
    bursts.back().notes << note;
}

} // namespace vq250
