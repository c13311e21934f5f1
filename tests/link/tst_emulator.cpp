#include "LinkRig.h"
#include "core/Startup.h"
#include "errors/ErrorTable.h"
#include "link/emulator/EmulatedPort.h"

#include <QTemporaryDir>
#include <QTest>

using namespace vq250;
using namespace vq250::test;

namespace
{

struct LineByte {
    quint8 byte;
    bool dtr;
};
using Bytes = QList<LineByte>;

constexpr qint64 B = LineByteNs;

Bytes block(quint8 cmd, const QByteArray &payload, int countOverride = -1, int checksumDelta = 0)
{
    const int lenM = (countOverride < 0 ? int(payload.size()) : countOverride) - 1;
    Bytes bytes { { cmd, true }, { quint8(lenM >> 8), false }, { quint8(lenM), false } };
    int sum = 0;
    for (char c : payload) {
        bytes.append({ quint8(c), false });
        sum += quint8(c);
    }
    bytes.append({ quint8(sum + checksumDelta), false });
    return bytes;
}

QByteArray headerPayload(int station, int bg, qint32 length)
{
    QByteArray header(16, char(160));
    header[0] = 'W';
    header[1] = char(40);
    header.replace(2, 3, "ABC");
    header[12] = char(length);
    header[13] = char(length >> 8);
    header[14] = char(length >> 16);
    header[15] = 0;
    QByteArray payload;
    payload.append(char(station)).append(char(bg));
    for (int i = 15; i >= 0; --i)
        payload.append(header[i]);
    return payload;
}

QByteArray dataPayload(qint32 addr, int dataBytes, char fill = 0x11)
{
    QByteArray payload;
    payload.append(char(addr >> 16)).append(char(addr >> 8)).append(char(addr));
    payload.append(QByteArray(dataBytes, fill));
    return payload;
}

quint8 checksumOf(const Bytes &bytes)
{
    return bytes.last().byte;
}

// Writes every byte as the PC would, then lets the line run dry and reads
// what came back.
QByteArray exchange(VirtualEventLoop &events, EmulatedPort &port, const Bytes &bytes)
{
    for (const LineByte &b : bytes) {
        port.setDtr(b.dtr);
        port.write(QByteArray(1, char(b.byte)));
    }
    events.advanceTo(events.nowUs() + 1000000);
    return port.readAll();
}

} // namespace

Q_DECLARE_METATYPE(Bytes)

class TestEmulator : public QObject
{
    Q_OBJECT

private slots:
    void deviceRules_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<QByteArray>("answer");

        const Bytes header100 = block(0xA0, headerPayload(10, 1, 100));
        const QByteArray ok100 = bytesOf({ 0xA0, 0x00, 0x11, checksumOf(header100), 0xA1 });

        QTest::newRow("unknown command")
            << Bytes { { 0x50, true } } << bytesOf({ 0xAF, IllegalCmdEr });
        QTest::newRow("data where a command is due")
            << Bytes { { 0x12, false } } << bytesOf({ 0xED, MisCmdEr });
        QTest::newRow("data block before a header")
            << Bytes { { 0xA1, true } } << bytesOf({ 0x5E, BlkAlignEr });
        QTest::newRow("LenM beyond the 8192-byte buffer") << Bytes { { 0xA0, true },
            { 0x20, false }, { 0x00, false } } << bytesOf({ 0xA0, 0x20, 0xFF, LenMLongEr });
        QTest::newRow("header of the wrong size") << Bytes { { 0xA0, true }, { 0x00, false },
            { 0x10, false } } << bytesOf({ 0xA0, 0x00, 0xEF, BlkAlignEr });
        QTest::newRow("command byte on LenM")
            << Bytes { { 0xA0, true }, { 0x00, true } } << bytesOf({ 0xA0, 0xFF, MisDatEr });
        QTest::newRow("command byte among the data") << Bytes {
            { 0xA0, true }, { 0x00, false }, { 0x11, false }, { 0x0A, false }, { 0xA0, true }
        } << bytesOf({ 0xA0, 0x00, 0x11, 0x5F, MisDatEr });
        const Bytes badSum = block(0xA0, headerPayload(10, 1, 100), -1, 1);
        QTest::newRow("checksum off by one")
            << badSum << bytesOf({ 0xA0, 0x00, 0x11, quint8(~checksumOf(badSum)), CkSmEr });
        QTest::newRow("header accepted") << header100 << ok100;
        const Bytes bg8Long = block(0xA0, headerPayload(15, 8, 65520));
        QTest::newRow("BG#8 with 65520 bytes")
            << bg8Long << bytesOf({ 0xA0, 0x00, 0x11, checksumOf(bg8Long), TooLngBG8Er });
        const Bytes bg8Full = block(0xA0, headerPayload(15, 8, 65519));
        QTest::newRow("BG#8 with 65519 bytes")
            << bg8Full << bytesOf({ 0xA0, 0x00, 0x11, checksumOf(bg8Full), 0xA1 });
        const Bytes station9 = block(0xA0, headerPayload(9, 1, 10));
        QTest::newRow("no station 9")
            << station9 << bytesOf({ 0xA0, 0x00, 0x11, checksumOf(station9), DstModNoExistEr });
        // After a header of length 100 the first block must start at 115.
        QTest::newRow("address not the one expected")
            << header100 + block(0xA1, dataPayload(114, 1))
            << ok100 + bytesOf({ 0xA1, 0x00, 0x03, quint8(~114), BlkAlignEr });
        QTest::newRow("wrong block number") << header100 + block(0xA2, dataPayload(115, 1))
                                            << ok100 + bytesOf({ 0x5D, BlkAlignEr });
        const Bytes below0 = block(0xA0, headerPayload(10, 1, 0));
        QTest::newRow("block reaching below index 0")
            << below0 + block(0xA1, dataPayload(15, 17))
            << bytesOf({ 0xA0, 0x00, 0x11, checksumOf(below0), 0xA1, 0xA1, 0x00, 0x13, quint8(~15),
                   BlkAlignEr });
        const Bytes whole = below0 + block(0xA1, dataPayload(15, 16));
        QTest::newRow("whole sound in one block")
            << whole
            << bytesOf({ 0xA0, 0x00, 0x11, checksumOf(below0), 0xA1, 0xA1, 0x00, 0x12,
                   checksumOf(whole), 0x73 });
        QTest::newRow("error ends the transfer; a new header is heard")
            << Bytes { { 0x12, false }, { 0x13, false } } + header100
            << bytesOf({ 0xED, MisCmdEr }) + ok100;
    }

    void deviceRules()
    {
        QFETCH(Bytes, bytes);
        QFETCH(QByteArray, answer);
        VirtualEventLoop events;
        EmulatedPort port(events);
        port.open();
        QCOMPARE(exchange(events, port, bytes).toHex(' '), answer.toHex(' '));
    }

    void storesTheSlotByAddress()
    {
        VirtualEventLoop events;
        EmulatedPort port(events);
        port.open();
        // Length 3: indexes 0 to 18, sent as 18..2 then 1..0.
        QByteArray first = dataPayload(18, 17);
        for (int j = 0; j < 17; ++j)
            first[3 + j] = char(18 - j);
        const QByteArray second = bytesOf({ 0, 0, 1, 0x01, 0x00 });
        const QByteArray answer = exchange(events, port,
            block(0xA0, headerPayload(11, 5, 3)) + block(0xA1, first) + block(0xA2, second));
        QCOMPARE(quint8(answer.back()), quint8(0x73));
        const StoredSlot *slot = port.device().slot(11, 5);
        QVERIFY(slot && slot->complete);
        QCOMPARE(slot->length(), 3);
        QCOMPARE(slot->name(), QStringLiteral("ABC"));
        QCOMPARE(int(slot->volume()), 40);
        QVERIFY(!slot->looping());
        QCOMPARE(slot->sound(), bytesOf({ 16, 17, 18 }));
        QCOMPARE(slot->image.left(3), bytesOf({ 0, 1, 2 }));
        QCOMPARE(port.device().completedTransfers(), 1);
    }

    void byteTakesOneFiftySevenSixHundredthOfASecond()
    {
        VirtualEventLoop events;
        EmulatedPort port(events);
        port.open();
        port.setDtr(true);
        port.write(bytesOf({ 0xA0 }));
        QCOMPARE(port.bytesToWrite(), 0);
        events.advanceTo(347);
        QCOMPARE(port.bytesAvailable(), 0);
        events.waitForEvents(); // woken for the echo
        QCOMPARE(events.nowUs(), 348);
        QCOMPARE(port.bytesAvailable(), 1);
        const QList<WireByte> wire = port.trace().bytes();
        QCOMPARE(wire.size(), 2);
        QCOMPARE(wire[0].timeNs, B);
        QCOMPARE(wire[1].timeNs, 2 * B);
    }

    void queueTakesBytesWhileItHasRoom()
    {
        VirtualEventLoop events;
        EmulatedPort port(events);
        port.open();
        port.device().setSilent(true);
        for (int i = 0; i < 4096; ++i) {
            port.write(bytesOf({ 0x55 }));
            QCOMPARE(port.bytesToWrite(), 0);
        }
        port.write(bytesOf({ 0x55 }));
        QCOMPARE(port.bytesToWrite(), 1);
        events.waitForEvents();
        // Woken when 256 bytes of room are free, not for every byte.
        QCOMPARE(events.nowUs(), (256 * B + 999) / 1000);
        QCOMPARE(port.bytesToWrite(), 0);
        QCOMPARE(port.lineIdleAtUs(), (4097 * B + 999) / 1000);
        QCOMPARE(port.bytesToDevice(), 4097);
    }

    void dtrTravelsWithEachByteAsWritten()
    {
        VirtualEventLoop events;
        EmulatedPort port(events);
        port.open();
        port.setDtr(true);
        port.write(bytesOf({ 0xA0 }));
        port.setDtr(false);
        port.write(bytesOf({ 0x00, 0x11 }));
        const QList<WireByte> sent = port.trace().toDevice();
        QCOMPARE(sent.size(), 3);
        QCOMPARE(sent[0].dtr, true);
        QCOMPARE(sent[1].dtr, false);
        QCOMPARE(sent[2].dtr, false);
    }

    void requestFollowsTheFlashTime()
    {
        VirtualEventLoop events;
        EmulatorOptions options;
        options.flashWriteNs = 5000000;
        EmulatedPort port(events, options);
        port.open();
        exchange(events, port, block(0xA0, headerPayload(10, 1, 100)));
        const QList<WireByte> answers = port.trace().fromDevice();
        QCOMPARE(answers.size(), 5);
        QCOMPARE(answers[3].note, QStringLiteral("echo"));
        QCOMPARE(answers[4].note, QStringLiteral("request"));
        QCOMPARE(answers[4].timeNs - answers[3].timeNs, 5000000 + 0 * B);
    }

    void requestAndEchoCanArriveAsOneRead()
    {
        VirtualEventLoop events;
        EmulatorOptions options;
        options.requestWithEcho = true;
        EmulatedPort port(events, options);
        port.open();
        Bytes header = block(0xA0, headerPayload(10, 1, 100));
        const LineByte checksum = header.takeLast();
        exchange(events, port, header);
        const qint64 startNs = events.nowUs() * 1000;
        port.write(QByteArray(1, char(checksum.byte)));
        events.advanceTo((startNs + 2 * B) / 1000); // the echo is over
        QCOMPARE(port.bytesAvailable(), 0);
        events.waitForEvents(); // the request is over too
        QCOMPARE(events.nowUs(), (startNs + 3 * B + 999) / 1000);
        QCOMPARE(port.readAll(), bytesOf({ checksum.byte, 0xA1 }));
    }

    void faultsPlayOnce()
    {
        VirtualEventLoop events;
        EmulatorOptions options;
        options.faults = { DeviceFault::dropEcho(0, 0) };
        EmulatedPort port(events, options);
        port.open();
        const Bytes header = block(0xA0, headerPayload(10, 1, 100));
        const QByteArray answer = bytesOf({ 0xA0, 0x00, 0x11, checksumOf(header), 0xA1 });
        QCOMPARE(exchange(events, port, header), answer.mid(1));
        QCOMPARE(exchange(events, port, header), answer);
        QCOMPARE(port.device().pendingFaults(), 0);
    }

    void corruptedByteIsNotedInTheTrace()
    {
        VirtualEventLoop events;
        EmulatorOptions options;
        options.faults = { DeviceFault::corruptToDevice(0, 0, 0x01) };
        EmulatedPort port(events, options);
        port.open();
        QCOMPARE(exchange(events, port, { { 0xA0, true } }), bytesOf({ 0x5E, BlkAlignEr }));
        QCOMPARE(port.trace().toDevice().first().note, QStringLiteral("heard A1"));
    }

    void silenceLastsUntilLifted()
    {
        VirtualEventLoop events;
        EmulatorOptions options;
        options.faults = { DeviceFault::goSilent(0, 1) };
        options.blockIdleResetNs = 0; // keeps the unfinished block however long it waits
        EmulatedPort port(events, options);
        port.open();
        QCOMPARE(exchange(events, port, { { 0xA0, true }, { 0x00, false } }), bytesOf({ 0xA0 }));
        QCOMPARE(exchange(events, port, { { 0xA0, true } }), QByteArray());
        QVERIFY(port.device().isSilent());
        port.device().setSilent(false);
        // Heard again, still waiting for the LenM it never took.
        QCOMPARE(exchange(events, port, { { 0xA0, true } }), bytesOf({ 0x5F, MisDatEr }));
    }

    // A block the PC abandoned keeps the device waiting only until a second
    // of silence has passed; then a new header is heard as a command.
    void abandonedBlockIsDroppedAfterOneSecond_data()
    {
        QTest::addColumn<qint64>("silenceUs");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("0.5 s: still waiting for LenM")
            << qint64(500000) << bytesOf({ 0x5F, MisDatEr });
        QTest::newRow("1.5 s: dropped") << qint64(1500000) << bytesOf({ 0xA0 });
    }

    void abandonedBlockIsDroppedAfterOneSecond()
    {
        QFETCH(qint64, silenceUs);
        QFETCH(QByteArray, answer);
        VirtualEventLoop events;
        EmulatedPort port(events);
        port.open();
        port.setDtr(true);
        port.write(QByteArray(1, char(0xA0)));
        events.advanceTo(events.nowUs() + silenceUs);
        QCOMPARE(port.readAll(), bytesOf({ 0xA0 }));
        port.write(QByteArray(1, char(0xA0)));
        events.advanceTo(events.nowUs() + 10000);
        QCOMPARE(port.readAll(), answer);
    }

    // A flush drops what is queued or waits for room; the byte on the wire
    // finishes, and the device hears nothing more.
    void discardOutputSilencesTheLine()
    {
        VirtualEventLoop events;
        EmulatorOptions options;
        options.txQueueBytes = 8;
        EmulatedPort port(events, options);
        port.open();
        port.setDtr(true);
        port.write(bytesOf({ 0xA0 }));
        port.setDtr(false);
        port.write(bytesOf({ 0x00, 0x11 }) + QByteArray(19, 0x22));
        events.advanceTo((2 * B + B / 2) / 1000); // the third byte is going out
        port.discardOutput();
        QCOMPARE(port.bytesToWrite(), 0);
        events.advanceTo(2000000);
        QCOMPARE(port.bytesToDevice(), 3);
        QCOMPARE(port.readAll(), bytesOf({ 0xA0, 0x00, 0x11 }));
    }

    // Bytes waiting for room in the driver's queue go out as room frees,
    // whether or not the port is asked anything meanwhile.
    void waitingBytesLeaveWithoutBeingAsked()
    {
        VirtualEventLoop events;
        EmulatorOptions options;
        options.txQueueBytes = 16;
        options.txWakeRoomBytes = 4;
        EmulatedPort port(events, options);
        port.open();
        port.setDtr(false);
        port.write(QByteArray(40, char(0x11)));
        QCOMPARE(port.bytesToWrite(), 24);
        // Nobody asks for a while; then the trace shows every byte on the
        // line back to back, at 1/5760 s each.
        events.advanceTo(events.nowUs() + 1000000);
        QCOMPARE(port.bytesToWrite(), 0);
        const auto sent = port.trace().toDevice();
        QCOMPARE(sent.size(), 40);
        for (int i = 1; i < sent.size(); ++i)
            QCOMPARE(sent[i].timeNs - sent[i - 1].timeNs, LineByteNs);
    }

    void traceText()
    {
        VirtualEventLoop events;
        EmulatedPort port(events);
        port.open();
        exchange(events, port, { { 0x50, true } });
        const QString text = QStringLiteral("# VQ250 wire trace\n"
                                            "# time_us dir dtr byte note\n"
                                            "173.612 PC>VQ 1 50\n"
                                            "347.224 VQ>PC - AF marker\n"
                                            "520.836 VQ>PC - 06 code\n");
        QCOMPARE(port.trace().toText(), text);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("wire.txt"));
        QVERIFY(port.trace().writeTo(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), text);
        QVERIFY(!port.trace().writeTo(dir.filePath(QStringLiteral("missing/wire.txt"))));
    }

    void startUpSettingsAreRecorded()
    {
        LinkRig rig;
        EmulatedPort port(rig.events);
        QVERIFY(runLoadStep(*rig.state, port, *rig.timer));
        QCOMPARE(port.settingsCalls(),
            QStringList({ "CommPort=1", "Settings=57600,N,8,1", "InputMode=1", "InBufferSize=8448",
                "OutBufferSize=8448", "PortOpen=True", "RThreshold=1" }));
        QVERIFY(port.isOpen());
        QCOMPARE(exchange(rig.events, port, { { 0x50, true } }), bytesOf({ 0xAF, IllegalCmdEr }));
    }

    void deviceHearsNothingAtAnotherSpeed()
    {
        VirtualEventLoop events;
        EmulatedPort port(events);
        port.setSettings(QStringLiteral("9600,N,8,1"));
        port.open();
        QCOMPARE(exchange(events, port, { { 0xA0, true } }), QByteArray());
        QCOMPARE(port.trace().toDevice().first().note, QStringLiteral("unheard"));
    }

    void refusedOpen()
    {
        VirtualEventLoop events;
        EmulatorOptions options;
        options.refuseOpen = true;
        auto port = makeEmulatedPort(events, options);
        QVERIFY(!port->open());
        QVERIFY(!port->isOpen());
        QVERIFY(!port->errorText().isEmpty());
        port->write(bytesOf({ 0xA0 })); // goes nowhere
        QCOMPARE(port->bytesToDevice(), 0);
    }
};

QTEST_GUILESS_MAIN(TestEmulator)
#include "tst_emulator.moc"
