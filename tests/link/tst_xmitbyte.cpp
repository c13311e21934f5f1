#include "LinkRig.h"
#include "core/Startup.h"
#include "errors/ErrorTable.h"
#include "fakes/ScriptedSerialPort.h"
#include "link/ReplyWait.h"
#include "link/XmitByte.h"

#include <QTest>

using namespace vq250;
using namespace vq250::test;
using fakes::ScriptedSerialPort;

namespace
{
constexpr qint64 NoAnswer = -1;
}

class TestXmitByte : public QObject
{
    Q_OBJECT

private slots:
    void classification_data()
    {
        QTest::addColumn<bool>("noReply");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<qint64>("answerAfterUs");
        QTest::addColumn<int>("codeBefore");
        QTest::addColumn<int>("codeAfter");
        QTest::addColumn<int>("rxCount");
        QTest::addColumn<QByteArray>("rxData");
        QTest::addColumn<int>("leftUnread");

        const QByteArray none;
        // Echo awaited; the byte sent is 0x5A.
        QTest::newRow("echo") << false << bytesOf({ 0x5A }) << qint64(200) << 0 << 0 << 1
                              << bytesOf({ 0x5A }) << 0;
        QTest::newRow("echo and more in one burst")
            << false << bytesOf({ 0x5A, 0xA1, 0x07 }) << qint64(200) << 0 << 0 << 3
            << bytesOf({ 0x5A, 0xA1, 0x07 }) << 0;
        QTest::newRow("echo keeps an old code")
            << false << bytesOf({ 0x5A }) << qint64(200) << 6 << 6 << 1 << bytesOf({ 0x5A }) << 0;
        QTest::newRow("one wrong byte") << false << bytesOf({ 0x11 }) << qint64(200) << 0
                                        << int(UnknownEr) << 1 << bytesOf({ 0x11 }) << 0;
        QTest::newRow("wrong byte and checksum code")
            << false << bytesOf({ 0x11, 0x03 }) << qint64(200) << 0 << int(CkSmEr) << 2
            << bytesOf({ 0x11, 0x03 }) << 0;
        QTest::newRow("busy") << false << bytesOf({ 0xA5, 0xFF }) << qint64(200) << 0
                              << int(VQbusyEr) << 2 << bytesOf({ 0xA5, 0xFF }) << 0;
        QTest::newRow("error pair with code 0")
            << false << bytesOf({ 0x11, 0x00 }) << qint64(200) << 0 << int(UnknownEr) << 2
            << bytesOf({ 0x11, 0x00 }) << 0;
        QTest::newRow("silence") << false << none << NoAnswer << 0 << int(PCcommEr) << 0
                                 << QByteArray() << 0;
        // No reply expected.
        QTest::newRow("quiet device")
            << true << none << NoAnswer << 0 << 0 << 0 << QByteArray() << 0;
        QTest::newRow("quiet device keeps an old code")
            << true << none << NoAnswer << 9 << 9 << 0 << QByteArray() << 0;
        QTest::newRow("one unexpected byte is left unread")
            << true << bytesOf({ 0x42 }) << qint64(0) << 0 << int(UnknownEr) << 1 << QByteArray()
            << 1;
        QTest::newRow("unexpected pair") << true << bytesOf({ 0x42, 0x13 }) << qint64(0) << 0
                                         << int(FlshSvEr) << 2 << bytesOf({ 0x42, 0x13 }) << 0;
        QTest::newRow("unexpected pair with code 0")
            << true << bytesOf({ 0x42, 0x00 }) << qint64(0) << 0 << int(UnknownEr) << 2
            << bytesOf({ 0x42, 0x00 }) << 0;
        QTest::newRow("answer still on its way is not waited for")
            << true << bytesOf({ 0x42, 0x13 }) << qint64(100) << 0 << 0 << 0 << QByteArray() << 0;
    }

    void classification()
    {
        QFETCH(bool, noReply);
        QFETCH(QByteArray, answer);
        QFETCH(qint64, answerAfterUs);
        QFETCH(int, codeBefore);
        QFETCH(int, codeAfter);
        QFETCH(int, rxCount);
        QFETCH(QByteArray, rxData);
        QFETCH(int, leftUnread);

        LinkRig rig;
        ScriptedSerialPort port(rig.events);
        port.onWrite = [&](int, quint8, bool) {
            if (answerAfterUs != NoAnswer)
                port.reply(answer, answerAfterUs);
        };
        Platform platform = rig.platform(port);
        rig.state->ErrCode = quint8(codeBefore);

        XmitByte(*rig.state, platform, 0x5A, true, noReply, false, 0);

        QCOMPARE(int(rig.state->ErrCode), codeAfter);
        QCOMPARE(int(rig.state->RxCount), rxCount);
        QCOMPARE(rig.state->RxData, rxData);
        QCOMPARE(int(port.incoming.size()), leftUnread);
        QCOMPARE(port.sent.size(), 1);
        QCOMPARE(int(port.sent[0].byte), 0x5A);
        QCOMPARE(rig.state->TimedOut, FlagFalse);
        QVERIFY(!rig.timer->isActive());
    }

    void dtrMarksOnlyCommandBytes()
    {
        LinkRig rig;
        ScriptedSerialPort port(rig.events);
        port.onWrite = [&](int, quint8 byte, bool) { port.reply(QByteArray(1, char(byte))); };
        Platform platform = rig.platform(port);
        XmitByte(*rig.state, platform, 0xA0, false, false, false, 0);
        XmitByte(*rig.state, platform, 0x00, true, false, false, 0);
        XmitByte(*rig.state, platform, 0x33, true, true, false, 0);
        QCOMPARE(port.sent.size(), 3);
        QCOMPARE(port.sent[0].dtr, true);
        QCOMPARE(port.sent[1].dtr, false);
        QCOMPARE(port.sent[2].dtr, false);
        QCOMPARE(int(rig.state->ErrCode), 0);
    }

    void expectedByteInsteadOfEcho_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("codeAfter");
        QTest::newRow("expected byte") << bytesOf({ 0x42 }) << 0;
        QTest::newRow("plain echo is wrong here") << bytesOf({ 0x10 }) << int(UnknownEr);
    }

    void expectedByteInsteadOfEcho()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, codeAfter);
        LinkRig rig;
        ScriptedSerialPort port(rig.events);
        port.onWrite = [&](int, quint8, bool) { port.reply(answer); };
        Platform platform = rig.platform(port);
        XmitByte(*rig.state, platform, 0x10, true, false, true, 0x42);
        QCOMPARE(int(rig.state->ErrCode), codeAfter);
    }

    void dtrIsSetBeforeTheDrainWait()
    {
        LinkRig rig(50);
        ScriptedSerialPort port(rig.events);
        port.pendingTx = 1; // never drains
        Platform platform = rig.platform(port);
        XmitByte(*rig.state, platform, 0xA1, false, false, false, 0);
        QCOMPARE(port.dtr, true);
        QVERIFY(port.sent.isEmpty());
        QCOMPARE(int(rig.state->ErrCode), int(PCcommEr));
        QCOMPARE(int(rig.state->TxCount), 1);
        QCOMPARE(rig.events.nowUs(), 50000);
        QCOMPARE(rig.state->TimedOut, FlagFalse);
        QVERIFY(!rig.timer->isActive());
    }

    void byteWaitsForTheSendBufferToDrain()
    {
        LinkRig rig(50);
        ScriptedSerialPort port(rig.events);
        port.holdTx(1, 3000);
        Platform platform = rig.platform(port);
        XmitByte(*rig.state, platform, 0x01, true, true, false, 0);
        QCOMPARE(port.writeTimesUs, QList<qint64>({ 3000 }));
        QCOMPARE(int(rig.state->TxCount), 0);
        QCOMPARE(int(rig.state->ErrCode), 0);
    }

    // The unsolicited pair is there only once events have been processed;
    // sampling before processing would miss it and report success.
    void noReplyCountIsSampledAfterEvents()
    {
        LinkRig rig;
        ScriptedSerialPort port(rig.events);
        port.onWrite = [&](int, quint8, bool) { port.reply(bytesOf({ 0x99, 0x05 }), 0); };
        Platform platform = rig.platform(port);
        XmitByte(*rig.state, platform, 0x10, true, true, false, 0);
        QCOMPARE(int(rig.state->ErrCode), int(BlkAlignEr));
        QCOMPARE(rig.events.processCalls(), 2); // drain wait's first round, then once more
        QCOMPARE(rig.events.waitCalls(), 0);
    }

    void timeOutWinsOverAnAnswerInTheSameRound()
    {
        LinkRig rig(50);
        ScriptedSerialPort port(rig.events);
        port.onWrite
            = [&](int, quint8 byte, bool) { port.reply(QByteArray(1, char(byte)), 50000); };
        Platform platform = rig.platform(port);
        XmitByte(*rig.state, platform, 0x10, true, false, false, 0);
        QCOMPARE(int(rig.state->RxCount), 1); // sampled, yet too late
        QCOMPARE(int(rig.state->ErrCode), int(PCcommEr));
        QCOMPARE(rig.state->TimedOut, FlagFalse);
        QVERIFY(!rig.timer->isActive());
    }

    void answerJustBeforeTheTimeOutCounts()
    {
        LinkRig rig(50);
        ScriptedSerialPort port(rig.events);
        port.onWrite
            = [&](int, quint8 byte, bool) { port.reply(QByteArray(1, char(byte)), 49999); };
        Platform platform = rig.platform(port);
        XmitByte(*rig.state, platform, 0x10, true, false, false, 0);
        QCOMPARE(int(rig.state->ErrCode), 0);
        QVERIFY(!rig.timer->isActive());
    }

    // The program's own 8000 ms, in virtual time: the wait sleeps instead of
    // spinning, so only a handful of rounds pass.
    void silenceEndsAfterEightSecondsWithoutSpinning()
    {
        LinkRig rig;
        ScriptedSerialPort port(rig.events);
        QVERIFY(runLoadStep(*rig.state, port, *rig.timer));
        QCOMPARE(rig.timer->interval(), ReplyTimeoutMs);
        Platform platform = rig.platform(port);
        XmitByte(*rig.state, platform, 0xA0, false, false, false, 0);
        QCOMPARE(int(rig.state->ErrCode), int(PCcommEr));
        QCOMPARE(rig.events.nowUs(), qint64(ReplyTimeoutMs) * 1000);
        QVERIFY(rig.events.processCalls() + rig.events.waitCalls() <= 4);
        QCOMPARE(rig.state->TimedOut, FlagFalse);
        QVERIFY(!rig.timer->isActive());
    }

    void noTickFromAnOldWaitReachesTheNext()
    {
        LinkRig rig(50);
        ScriptedSerialPort port(rig.events);
        port.onWrite
            = [&](int, quint8 byte, bool) { port.reply(QByteArray(1, char(byte)), 40000); };
        Platform platform = rig.platform(port);
        XmitByte(*rig.state, platform, 0x01, true, false, false, 0);
        XmitByte(*rig.state, platform, 0x02, true, false, false, 0);
        QCOMPARE(int(rig.state->ErrCode), 0);
        QCOMPARE(rig.events.nowUs(), 80000);
    }

    void countsSaturateInsteadOfWrapping_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("stored");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("32767") << 32767 << 32767;
        QTest::newRow("40000") << 40000 << 32767;
        QTest::newRow("-5") << -5 << -5;
    }

    void countsSaturateInsteadOfWrapping()
    {
        QFETCH(int, count);
        QFETCH(int, stored);
        QCOMPARE(int(count16(count)), stored);
    }

    void codeZeroIsUnknownError()
    {
        QCOMPARE(int(deviceErrorCode(0)), int(UnknownEr));
        QCOMPARE(int(deviceErrorCode(3)), 3);
        QCOMPARE(int(deviceErrorCode(255)), 255);
    }
};

QTEST_GUILESS_MAIN(TestXmitByte)
#include "tst_xmitbyte.moc"
