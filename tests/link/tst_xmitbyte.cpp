#include "core/PortCounts.h"
#include "errors/ErrorTable.h"
#include "link/XmitByte.h"
#include "support/Rig.h"

#include <QTest>

using namespace vq250;
using namespace vq250::test;

namespace
{
constexpr qint64 Silent = -1;
}

// One byte to the device and its answer classified, with a 50 ms time-out.
class TestXmitByte : public QObject
{
    Q_OBJECT

private slots:
    void classification()
    {
        // The byte sent is 0x5A; an expected byte (`expect` not 0) replaces the echo.
        const struct {
            const char *name;
            bool noReply;
            quint8 expect;
            QByteArray answer;
            qint64 afterUs;
            int codeBefore, code, rxCount;
            QByteArray rxData;
            int leftUnread;
        } rows[] = {
            { "echo", false, 0, "\x5A", 200, 0, 0, 1, "\x5A", 0 },
            { "echo and more in one burst", false, 0, "\x5A\xA1\x07", 200, 0, 0, 3, "\x5A\xA1\x07",
                0 },
            { "echo keeps an old code", false, 0, "\x5A", 200, 6, 6, 1, "\x5A", 0 },
            { "echo just before the time-out", false, 0, "\x5A", 49999, 0, 0, 1, "\x5A", 0 },
            { "echo at the time-out is too late", false, 0, "\x5A", 50000, 0, PCcommEr, 1, "", 1 },
            { "one wrong byte", false, 0, "\x11", 200, 0, UnknownEr, 1, "\x11", 0 },
            { "wrong byte and checksum code", false, 0, "\x11\x03", 200, 0, CkSmEr, 2, "\x11\x03",
                0 },
            { "busy", false, 0, "\xA5\xFF", 200, 0, VQbusyEr, 2, "\xA5\xFF", 0 },
            { "error pair with code 0", false, 0, QByteArray("\x11\x00", 2), 200, 0, UnknownEr, 2,
                QByteArray("\x11\x00", 2), 0 },
            { "silence", false, 0, "", Silent, 0, PCcommEr, 0, "", 0 },
            { "expected byte", false, 0x42, "\x42", 200, 0, 0, 1, "\x42", 0 },
            { "plain echo where another byte is expected", false, 0x42, "\x5A", 200, 0, UnknownEr,
                1, "\x5A", 0 },
            { "quiet device", true, 0, "", Silent, 0, 0, 0, "", 0 },
            { "quiet device keeps an old code", true, 0, "", Silent, 9, 9, 0, "", 0 },
            { "one unexpected byte is left unread", true, 0, "\x42", 0, 0, UnknownEr, 1, "", 1 },
            { "unexpected pair", true, 0, "\x42\x13", 0, 0, FlshSvEr, 2, "\x42\x13", 0 },
            { "unexpected pair with code 0", true, 0, QByteArray("\x42\x00", 2), 0, 0, UnknownEr, 2,
                QByteArray("\x42\x00", 2), 0 },
            { "answer still on its way is not waited for", true, 0, "\x42\x13", 100, 0, 0, 0, "",
                0 },
        };
        for (const auto &row : rows) {
            Rig rig({}, 50);
            ScriptedSerialPort port(rig.events);
            port.onWrite = [&](quint8) {
                if (row.afterUs != Silent)
                    port.reply(row.answer, row.afterUs);
            };
            Platform platform = rig.on(port);
            rig.state->ErrCode = quint8(row.codeBefore);
            XmitByte(*rig.state, platform, 0x5A, true, row.noReply, row.expect != 0, row.expect);
            QVERIFY2(rig.state->ErrCode == row.code, row.name);
            QVERIFY2(rig.state->RxCount == row.rxCount, row.name);
            QVERIFY2(rig.state->RxData == row.rxData, row.name);
            QVERIFY2(port.incoming.size() == row.leftUnread, row.name);
            QVERIFY2(port.sent.size() == 1 && port.sent[0].byte == 0x5A, row.name);
            QVERIFY2(rig.state->TimedOut == FlagFalse && !rig.timer->isActive(), row.name);
        }
    }

    // DTR is set before the wait for the send buffer, which never drains here.
    void sendBufferThatNeverDrains()
    {
        Rig rig({}, 50);
        ScriptedSerialPort port(rig.events);
        port.pendingTx = 1;
        Platform platform = rig.on(port);
        XmitByte(*rig.state, platform, 0xA1, false, false, false, 0);
        QVERIFY(port.dtr);
        QVERIFY(port.sent.isEmpty());
        QCOMPARE(int(rig.state->ErrCode), int(PCcommEr));
        QCOMPARE(int(rig.state->TxCount), 1);
        QCOMPARE(rig.events.nowUs(), 50000);
        QVERIFY(rig.state->TimedOut == FlagFalse && !rig.timer->isActive());
    }

    void byteWaitsForTheSendBufferToDrain()
    {
        Rig rig({}, 50);
        ScriptedSerialPort port(rig.events);
        port.holdTx(1, 3000);
        Platform platform = rig.on(port);
        XmitByte(*rig.state, platform, 0x01, true, true, false, 0);
        QCOMPARE(port.writeTimesUs, QList<qint64>({ 3000 }));
        QCOMPARE(int(rig.state->TxCount), 0);
        QCOMPARE(int(rig.state->ErrCode), 0);
    }

    // The program's own 8000 ms: the wait sleeps instead of spinning.
    void silenceEndsAfterEightSecondsWithoutSpinning()
    {
        Rig rig;
        ScriptedSerialPort port(rig.events);
        Platform platform = rig.on(port);
        XmitByte(*rig.state, platform, 0xA0, false, false, false, 0);
        QCOMPARE(int(rig.state->ErrCode), int(PCcommEr));
        QCOMPARE(rig.events.nowUs(), 8000000);
        QVERIFY(rig.events.processCalls() + rig.events.waitCalls() <= 4);
    }

    void noTickFromAnOldWaitReachesTheNext()
    {
        Rig rig({}, 50);
        ScriptedSerialPort port(rig.events);
        port.onWrite = [&](quint8 byte) { port.reply(QByteArray(1, char(byte)), 40000); };
        Platform platform = rig.on(port);
        XmitByte(*rig.state, platform, 0x01, true, false, false, 0);
        XmitByte(*rig.state, platform, 0x02, true, false, false, 0);
        QCOMPARE(int(rig.state->ErrCode), 0);
        QCOMPARE(rig.events.nowUs(), 80000);
    }

    void countsSaturateInsteadOfWrapping()
    {
        QCOMPARE(int(count16(0)), 0);
        QCOMPARE(int(count16(32767)), 32767);
        QCOMPARE(int(count16(40000)), 32767);
        QCOMPARE(int(count16(-5)), -5);
    }
};

QTEST_GUILESS_MAIN(TestXmitByte)
#include "tst_xmitbyte.moc"
