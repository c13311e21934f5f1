#include "LinkRig.h"
#include "errors/ErrorTable.h"
#include "fakes/ScriptedSerialPort.h"
#include "link/BlockExchange.h"

#include <QTest>

#include <vector>

using namespace vq250;
using namespace vq250::test;
using fakes::BlockEchoDevice;
using fakes::ScriptedSerialPort;

namespace
{

QByteArray wireOf(const ScriptedSerialPort &port)
{
    QByteArray wire;
    for (const auto &sent : port.sent)
        wire.append(char(sent.byte));
    return wire;
}

std::vector<quint8> bufferOf(const QByteArray &bytes)
{
    return std::vector<quint8>(bytes.begin(), bytes.end());
}

QByteArray counting(int size, int first, int step)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(char((first + i * step) & 0xFF));
    return bytes;
}

} // namespace

class TestXmitBlock : public QObject
{
    Q_OBJECT

private slots:
    void longToBytes_data()
    {
        QTest::addColumn<qint32>("value");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("0") << 0 << bytesOf({ 0, 0, 0, 0 });
        QTest::newRow("255") << 255 << bytesOf({ 0xFF, 0, 0, 0 });
        QTest::newRow("256") << 256 << bytesOf({ 0, 1, 0, 0 });
        QTest::newRow("8191") << 8191 << bytesOf({ 0xFF, 0x1F, 0, 0 });
        QTest::newRow("65536") << 65536 << bytesOf({ 0, 0, 1, 0 });
        QTest::newRow("131071") << 131071 << bytesOf({ 0xFF, 0xFF, 1, 0 });
        QTest::newRow("16777216") << 16777216 << bytesOf({ 0, 0, 0, 1 });
        QTest::newRow("2147483647") << 2147483647 << bytesOf({ 0xFF, 0xFF, 0xFF, 0x7F });
    }

    void longToBytes()
    {
        QFETCH(qint32, value);
        QFETCH(QByteArray, bytes);
        ProgramState state;
        state.LongBytes = { 9, 9, 9, 9 };
        LongToBytes(state, value);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(int(state.LongBytes[i]), int(quint8(bytes[i])));
    }

    void wire_data()
    {
        QTest::addColumn<int>("cmd");
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<qint32>("count");
        QTest::addColumn<qint32>("startIdx");
        QTest::addColumn<bool>("withAddr");
        QTest::addColumn<qint32>("addr");
        QTest::addColumn<QByteArray>("wire");

        // Bytes 1 to 18: sum 171.
        QTest::newRow("header, Count 18") << 0xA0 << counting(18, 1, 1) << 18 << 0 << false << 0
                                          << bytesOf({ 0xA0, 0x00, 0x11, 18, 17, 16, 15, 14, 13, 12,
                                                 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0xAB });
        // Bytes 0, 3, 6, ...: indexes 22 down to 5 carry 66 down to 15, sum 729.
        QTest::newRow("Count 18 from StartIdx 5")
            << 0xA0 << counting(30, 0, 3) << 18 << 5 << false << 0
            << bytesOf({ 0xA0, 0x00, 0x11, 66, 63, 60, 57, 54, 51, 48, 45, 42, 39, 36, 33, 30, 27,
                   24, 21, 18, 15, 0xD9 });
        QTest::newRow("Count 4, address 0") << 0xA1 << bytesOf({ 0x9C }) << 4 << 0 << true << 0
                                            << bytesOf({ 0xA1, 0x00, 0x03, 0, 0, 0, 0x9C, 0x9C });
        // Buffer 1, 8, 15, ... 141: sum 1491, plus address 20 gives 1511 = 0x5E7.
        QTest::newRow("worked example, address 20")
            << 0xA1 << counting(21, 1, 7) << 24 << 0 << true << 20
            << bytesOf({ 0xA1, 0x00, 0x17, 0x00, 0x00, 0x14, 141, 134, 127, 120, 113, 106, 99, 92,
                   85, 78, 71, 64, 57, 50, 43, 36, 29, 22, 15, 8, 1, 0xE7 });
        QByteArray high(74566, char(0));
        high[74564] = char(0x10);
        high[74565] = char(0x20);
        // Address 0x012345: 0x01 + 0x23 + 0x45 + 0x20 + 0x10 = 0x99.
        QTest::newRow("address above 65535")
            << 0xA3 << high << 5 << 74564 << true << 74565
            << bytesOf({ 0xA3, 0x00, 0x04, 0x01, 0x23, 0x45, 0x20, 0x10, 0x99 });
        // 2 + 3 * 0xF0 = 722: only its low byte 0xD2 goes out.
        QTest::newRow("checksum sum above 255")
            << 0xA2 << bytesOf({ 0xF0, 0xF0, 0xF0 }) << 6 << 0 << true << 2
            << bytesOf({ 0xA2, 0x00, 0x05, 0x00, 0x00, 0x02, 0xF0, 0xF0, 0xF0, 0xD2 });
    }

    void wire()
    {
        QFETCH(int, cmd);
        QFETCH(QByteArray, buffer);
        QFETCH(qint32, count);
        QFETCH(qint32, startIdx);
        QFETCH(bool, withAddr);
        QFETCH(qint32, addr);
        QFETCH(QByteArray, wire);

        LinkRig rig;
        ScriptedSerialPort port(rig.events);
        BlockEchoDevice device(port);
        port.onWrite = std::ref(device);
        Platform platform = rig.platform(port);
        const std::vector<quint8> buf = bufferOf(buffer);

        XmitBlock(*rig.state, platform, quint8(cmd), buf.data(), count, startIdx, withAddr, addr);

        QCOMPARE(int(rig.state->ErrCode), 0);
        QCOMPARE(wireOf(port).toHex(' '), wire.toHex(' '));
        for (int i = 0; i < port.sent.size(); ++i)
            QCOMPARE(port.sent[i].dtr, i == 0);
        QVERIFY(rig.box.shown.isEmpty());
    }

    void fullSizeBlock()
    {
        LinkRig rig;
        ScriptedSerialPort port(rig.events);
        BlockEchoDevice device(port);
        port.onWrite = std::ref(device);
        Platform platform = rig.platform(port);
        const std::vector<quint8> buf = bufferOf(counting(9000, 5, 11));
        const qint32 addr = 8999;

        XmitBlock(*rig.state, platform, 0xA1, buf.data(), 8192, addr + 4 - 8192, true, addr);

        const QByteArray sent = wireOf(port);
        QCOMPARE(sent.size(), 1 + 2 + 3 + 8189 + 1);
        QCOMPARE(sent.left(6).toHex(' '), QByteArray("a1 1f ff 00 23 27"));
        int sum = 0x00 + 0x23 + 0x27;
        for (int k = 0; k < 8189; ++k) {
            QCOMPARE(quint8(sent[6 + k]), buf[addr - k]);
            sum += buf[addr - k];
        }
        QCOMPARE(quint8(sent.back()), quint8(sum));
        QCOMPARE(int(rig.state->ErrCode), 0);
        // LongBytes holds the sum that the checksum came from.
        QCOMPARE(int(rig.state->LongBytes[0]) | int(rig.state->LongBytes[1]) << 8
                | int(rig.state->LongBytes[2]) << 16,
            sum);
    }

    void zeroCountOnlyShowsAMessage_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("no code pending") << 0;
        QTest::newRow("code pending") << 7;
    }

    void zeroCountOnlyShowsAMessage()
    {
        QFETCH(int, code);
        LinkRig rig;
        ScriptedSerialPort port(rig.events);
        Platform platform = rig.platform(port);
        rig.state->ErrCode = quint8(code);
        const quint8 byte = 1;
        XmitBlock(*rig.state, platform, 0xA1, &byte, 0, 0, true, 0);
        QVERIFY(port.sent.isEmpty());
        QCOMPARE(int(rig.state->ErrCode), code);
        QCOMPARE(rig.box.shown.size(), 1);
        QCOMPARE(rig.box.shown[0].prompt, QStringLiteral("Attempt to Xmit 0 Length Block Failed"));
        QCOMPARE(rig.box.shown[0].style, 0);
        QCOMPARE(rig.box.shown[0].title, QStringLiteral("VQ250"));
    }

    // A data block of Count 10 (address 6, data 6 down to 0): places 0 to 2
    // are echoed, 3 to 12 go out unanswered, the checksum is place -1.
    void firstFailingByteEndsTheBlock_data()
    {
        QTest::addColumn<int>("place");
        QTest::addColumn<QByteArray>("answer"); // empty: silence
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("bytesSent");

        const QByteArray silence;
        QTest::newRow("silence at the command echo") << 0 << silence << int(PCcommEr) << 1;
        QTest::newRow("silence at the LenM high echo") << 1 << silence << int(PCcommEr) << 2;
        QTest::newRow("silence at the LenM low echo") << 2 << silence << int(PCcommEr) << 3;
        QTest::newRow("silence at the checksum echo") << -1 << silence << int(PCcommEr) << 14;
        QTest::newRow("wrong command echo") << 0 << bytesOf({ 0x5E }) << int(UnknownEr) << 1;
        QTest::newRow("busy instead of the command echo")
            << 0 << bytesOf({ 0x5E, 0xFF }) << int(VQbusyEr) << 1;
        QTest::newRow("LenM refused") << 2 << bytesOf({ 0xF6, 0x04 }) << int(LenMLongEr) << 3;
        QTest::newRow("checksum refused") << -1 << bytesOf({ 0x00, 0x03 }) << int(CkSmEr) << 14;
        QTest::newRow("code 0 instead of an echo")
            << 1 << bytesOf({ 0xFF, 0x00 }) << int(UnknownEr) << 2;
        QTest::newRow("pair during the address")
            << 4 << bytesOf({ 0xFF, 0x05 }) << int(BlkAlignEr) << 5;
        QTest::newRow("pair during the data") << 8 << bytesOf({ 0xEE, 0x01 }) << int(MisDatEr) << 9;
        QTest::newRow("pair with code 0 during the data")
            << 8 << bytesOf({ 0xEE, 0x00 }) << int(UnknownEr) << 9;
        QTest::newRow("single byte during the data")
            << 12 << bytesOf({ 0x42 }) << int(UnknownEr) << 13;
    }

    void firstFailingByteEndsTheBlock()
    {
        QFETCH(int, place);
        QFETCH(QByteArray, answer);
        QFETCH(int, code);
        QFETCH(int, bytesSent);

        LinkRig rig;
        ScriptedSerialPort port(rig.events);
        BlockEchoDevice device(port);
        const bool awaited = place <= 2;
        device.answerAt = [&](int, int at, quint8) {
            if (at != place)
                return false;
            if (!answer.isEmpty())
                port.reply(answer, awaited || place == -1 ? 200 : 0);
            return true;
        };
        port.onWrite = std::ref(device);
        Platform platform = rig.platform(port);
        const std::vector<quint8> buf = bufferOf(counting(7, 1, 1));

        XmitBlock(*rig.state, platform, 0xA1, buf.data(), 10, 0, true, 6);

        QCOMPARE(int(rig.state->ErrCode), code);
        QCOMPARE(int(port.sent.size()), bytesSent);
        QCOMPARE(rig.state->TimedOut, FlagFalse);
        QVERIFY(!rig.timer->isActive());
    }

    void singleByteDuringDataIsLeftUnread()
    {
        LinkRig rig;
        ScriptedSerialPort port(rig.events);
        BlockEchoDevice device(port);
        device.answerAt = [&](int, int at, quint8) {
            if (at == 5)
                port.reply(bytesOf({ 0x42 }), 0);
            return at == 5;
        };
        port.onWrite = std::ref(device);
        Platform platform = rig.platform(port);
        const std::vector<quint8> buf = bufferOf(counting(7, 1, 1));
        XmitBlock(*rig.state, platform, 0xA1, buf.data(), 10, 0, true, 6);
        QCOMPARE(int(rig.state->ErrCode), int(UnknownEr));
        QCOMPARE(port.incoming, bytesOf({ 0x42 }));
        QCOMPARE(port.readAllCalls, 3); // the three echoes only
    }
};

QTEST_GUILESS_MAIN(TestXmitBlock)
#include "tst_xmitblock.moc"
