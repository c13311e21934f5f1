#pragma once

// What a whole sound transfer puts on the line, worked out from the block
// format alone, so a recorded transfer can be compared byte for byte.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <algorithm>

namespace vq250::test
{

// The 16 header bytes the device should receive for a sound.
inline QByteArray expectedHeader(quint8 volume, const QByteArray &name, qint32 length, bool loop)
{
    QByteArray header;
    header += char(87);
    header += char(volume);
    header += name.left(10).leftJustified(10, char(160));
    header += char(length & 0xFF);
    header += char((length >> 8) & 0xFF);
    header += char((length >> 16) & 0xFF);
    header += char(loop ? 1 : 0);
    return header;
}

struct ExpectedWire {
    QByteArray toDevice;
    QList<bool> dtr; // one per byte of toDevice
    QByteArray fromDevice;
};

// The transfer of `header` + `samples` to `station` (10 to 15), slot `bg`.
inline ExpectedWire expectedTransfer(
    quint8 station, quint8 bg, const QByteArray &header, const QByteArray &samples)
{
    ExpectedWire wire;
    auto put = [&wire](quint8 byte, bool command) {
        wire.toDevice += char(byte);
        wire.dtr << command;
    };
    auto block = [&](quint8 cmd, const QByteArray &payload, quint8 answer) {
        const int lenM = int(payload.size()) - 1;
        put(cmd, true);
        put(quint8(lenM >> 8), false);
        put(quint8(lenM & 0xFF), false);
        int sum = 0;
        for (const char byte : payload) {
            put(quint8(byte), false);
            sum += quint8(byte);
        }
        put(quint8(sum & 0xFF), false);
        wire.fromDevice += char(cmd);
        wire.fromDevice += char(lenM >> 8);
        wire.fromDevice += char(lenM & 0xFF);
        wire.fromDevice += char(sum & 0xFF);
        wire.fromDevice += char(answer);
    };

    const QByteArray image = header + samples;
    QByteArray headerPayload;
    headerPayload += char(station);
    headerPayload += char(bg);
    for (int i = 15; i >= 0; --i)
        headerPayload += image.at(i);

    int addr = int(image.size()) - 1;
    quint8 cmd = 0xA1;
    block(0xA0, headerPayload, cmd);
    while (addr >= 0) {
        const int count = std::min(addr + 4, 8192);
        QByteArray payload;
        payload += char((addr >> 16) & 0xFF);
        payload += char((addr >> 8) & 0xFF);
        payload += char(addr & 0xFF);
        const int lowest = addr + 4 - count;
        for (int i = addr; i >= lowest; --i)
            payload += image.at(i);
        addr = lowest - 1;
        block(cmd, payload, addr >= 0 ? quint8(cmd + 1) : quint8(0x73));
        ++cmd;
    }
    return wire;
}

// A trace file's bytes in one direction, from its text lines
// "time dir dtr byte [note]".
struct TracedBytes {
    QByteArray bytes;
    QList<bool> dtr;
};

inline TracedBytes tracedBytes(const QString &traceText, bool toDevice)
{
    TracedBytes traced;
    const QString dir = toDevice ? QStringLiteral("PC>VQ") : QStringLiteral("VQ>PC");
    for (const QString &line : traceText.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char(' '));
        if (fields.size() < 4 || fields.at(1) != dir)
            continue;
        traced.bytes += char(fields.at(3).toUInt(nullptr, 16));
        traced.dtr << (fields.at(2) == QLatin1String("1"));
    }
    return traced;
}

} // namespace vq250::test
