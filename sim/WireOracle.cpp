#include "sim/WireOracle.h"

#include <QStringList>

#include <algorithm>

namespace vq250
{

QByteArray expectedHeader(qsizetype length, const LoadEntries &entries)
{
    QByteArray header;
    header += 'W';
    header += char(entries.volume);
    header += entries.name.left(10).leftJustified(10, char(160));
    header += char(length & 0xFF);
    header += char((length >> 8) & 0xFF);
    header += char((length >> 16) & 0xFF);
    header += char(entries.looping ? 1 : 0);
    return header;
}

ExpectedWire expectedWire(
    const QByteArray &samples, const QString &destination, const LoadEntries &entries)
{
    ExpectedWire wire;
    auto block = [&wire](quint8 cmd, const QByteArray &payload, quint8 answer) {
        const int lenM = int(payload.size()) - 1;
        int sum = 0;
        for (const char byte : payload)
            sum += quint8(byte);
        const QByteArray echoed = QByteArray(1, char(cmd)) + char(lenM >> 8) + char(lenM & 0xFF);
        wire.toDevice += echoed + payload + char(sum);
        wire.dtr << true;
        for (qsizetype i = 0; i < 3 + payload.size(); ++i)
            wire.dtr << false;
        wire.fromDevice += echoed + char(sum) + char(answer);
    };

    const QByteArray image = expectedHeader(samples.size(), entries) + samples;
    QByteArray headerPayload;
    headerPayload += char(10 + destination.at(0).toUpper().unicode() - 'A');
    headerPayload += char(destination.at(1).unicode() - '0');
    for (int i = 15; i >= 0; --i)
        headerPayload += image.at(i);

    quint8 cmd = 0xA1;
    block(0xA0, headerPayload, cmd);
    for (int addr = int(image.size()) - 1; addr >= 0; ++cmd) {
        const int dataBytes = std::min(addr + 1, 8192 - 3);
        QByteArray payload = QByteArray(1, char(addr >> 16)) + char(addr >> 8) + char(addr);
        for (int i = addr; i > addr - dataBytes; --i)
            payload += image.at(i);
        addr -= dataBytes;
        block(cmd, payload, addr >= 0 ? quint8(cmd + 1) : quint8(0x73));
    }
    return wire;
}

QString markedHex(const QByteArray &bytes, const QList<bool> &dtr)
{
    QStringList parts;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        parts << (i < dtr.size() && dtr.at(i) ? QStringLiteral("*") : QString())
                + QStringLiteral("%1").arg(quint8(bytes.at(i)), 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

ExpectedWire sentByPc(const WireTrace &trace)
{
    ExpectedWire sent;
    for (const WireByte &b : trace.toDevice()) {
        sent.toDevice += char(b.byte);
        sent.dtr << b.dtr;
    }
    return sent;
}

} // namespace vq250
