#include "core/PortCounts.h"
#include "errors/ErrorTable.h"
#include "link/BlockExchange.h"
#include "link/SoundTransfer.h"
#include "link/XmitByte.h"
#include "sim/WireOracle.h"
#include "support/Rig.h"

#include <QTest>

using namespace vq250;
using namespace vq250::test;

namespace
{

constexpr int Silent = -1;

// Puts the oracle's header and `samples` into the sound buffer.
void putSound(ProgramState &state, const QByteArray &samples)
{
    const QByteArray image = expectedHeader(samples.size(), {}) + samples;
    std::copy(image.begin(), image.end(), state.SoundBuf.begin());
}

void checkFinishedCleanly(const Rig &rig)
{
    QCOMPARE(rig.progress.events.last(), QStringLiteral("hide"));
    QCOMPARE(rig.window.repaints, 1);
    QVERIFY(rig.state->TimedOut == FlagFalse && !rig.timer->isActive());
}

} // namespace

// One byte to the device and its answer classified (with a 50 ms time-out);
// a sound in memory into one BG slot of the emulated VQ250, compared byte for
// byte with the wire oracle.
class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void classification()
    {
        // The byte sent is 0x5A; an expected byte (`expect` not 0) replaces the echo.
        const QByteArray zeroPair("\x11\x00", 2);
        const struct {
            const char *name;
            bool noReply;
            quint8 expect;
            QByteArray answer, rxData;
            int afterUs, codeBefore, code, rxCount, leftUnread;
        } rows[] = {
            { "echo and more", false, 0, "\x5A\xA1\x07", "\x5A\xA1\x07", 200, 0, 0, 3, 0 },
            { "old code kept", false, 0, "\x5A", "\x5A", 200, 6, 6, 1, 0 },
            { "echo just in time", false, 0, "\x5A", "\x5A", 49999, 0, 0, 1, 0 },
            { "echo at the time-out", false, 0, "\x5A", "", 50000, 0, PCcommEr, 1, 1 },
            { "wrong byte", false, 0, "\x11", "\x11", 200, 0, UnknownEr, 1, 0 },
            { "error pair", false, 0, "\x11\x03", "\x11\x03", 200, 0, CkSmEr, 2, 0 },
            { "error pair, code 0", false, 0, zeroPair, zeroPair, 200, 0, UnknownEr, 2, 0 },
            { "silence", false, 0, "", "", Silent, 0, PCcommEr, 0, 0 },
            { "expected byte", false, 0x42, "\x42", "\x42", 200, 0, 0, 1, 0 },
            { "echo, not the expected", false, 0x42, "\x5A", "\x5A", 200, 0, UnknownEr, 1, 0 },
            { "quiet", true, 0, "", "", Silent, 0, 0, 0, 0 },
            { "quiet, old code kept", true, 0, "", "", Silent, 9, 9, 0, 0 },
            { "one byte left unread", true, 0, "\x42", "", 0, 0, UnknownEr, 1, 1 },
            { "unexpected pair", true, 0, "\x42\x13", "\x42\x13", 0, 0, FlshSvEr, 2, 0 },
            { "unexpected, code 0", true, 0, zeroPair, zeroPair, 0, 0, UnknownEr, 2, 0 },
            { "on its way: not waited for", true, 0, "\x42\x13", "", 100, 0, 0, 0, 0 },
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
            QVERIFY2(rig.state->ErrCode == row.code && rig.state->RxCount == row.rxCount
                    && rig.state->RxData == row.rxData && port.incoming.size() == row.leftUnread,
                row.name);
            QVERIFY2(port.sent.size() == 1 && port.sent[0].byte == 0x5A, row.name);
            QVERIFY2(rig.state->TimedOut == FlagFalse && !rig.timer->isActive(), row.name);
        }
    }

    // A data byte waits for the send buffer to drain; a command byte sets
    // DTR before the wait, whose time-out sends nothing. The program's own
    // 8000 ms for a reply: the wait sleeps instead of spinning.
    void waits()
    {
        for (const bool drains : { true, false }) {
            Rig rig({}, 50);
            ScriptedSerialPort port(rig.events);
            if (drains)
                port.holdTx(1, 3000);
            else
                port.pendingTx = 1;
            Platform platform = rig.on(port);
            XmitByte(*rig.state, platform, 0xA1, drains, true, false, 0);
            QCOMPARE(port.dtr, !drains);
            QCOMPARE(port.writeTimesUs, drains ? QList<qint64> { 3000 } : QList<qint64> {});
            QCOMPARE(int(rig.state->TxCount), drains ? 0 : 1);
            QCOMPARE(int(rig.state->ErrCode), drains ? 0 : int(PCcommEr));
            QCOMPARE(rig.events.nowUs(), drains ? 3000 : 50000);
            QVERIFY(rig.state->TimedOut == FlagFalse && !rig.timer->isActive());
        }
        Rig rig;
        ScriptedSerialPort port(rig.events);
        Platform platform = rig.on(port);
        XmitByte(*rig.state, platform, 0xA0, false, false, false, 0);
        QCOMPARE(int(rig.state->ErrCode), int(PCcommEr));
        QCOMPARE(rig.events.nowUs(), 8000000);
        QVERIFY(rig.events.processCalls() + rig.events.waitCalls() <= 4);
    }

    void countsSaturateInsteadOfWrapping()
    {
        QCOMPARE(int(count16(0)), 0);
        QCOMPARE(int(count16(32767)), 32767);
        QCOMPARE(int(count16(40000)), 32767);
        QCOMPARE(int(count16(-5)), -5);
    }
    void wholeTransfer()
    {
        const struct {
            int length;
            const char *destination;
            quint8 station, bg;
            QList<float> bars;
        } rows[] = {
            { 0, "A1", 10, 1, { 0, 100 } },
            { 8173, "B2", 11, 2, { 0, 100 } },
            { 8174, "C3", 12, 3, { 0, 100, 100 } },
            // 8192 of 65536 bytes is 12.5 %: half-way goes to the even neighbour.
            { 65520, "D4", 13, 4, { 0, 12, 24, 36, 48, 60, 72, 84, 96, 100 } },
            { 65519, "E8", 14, 8, { 0, 13, 26, 39, 52, 65, 78, 91, 100, 100 } },
            { 130400, "F7", 15, 7,
                { 0, 6, 12, 18, 24, 30, 36, 42, 48, 54, 60, 66, 72, 78, 84, 90, 96 } },
            { 131056, "A6", 10, 6,
                { 0, 6, 12, 18, 24, 30, 36, 42, 48, 54, 60, 66, 72, 78, 84, 90, 96, 100 } },
        };
        for (const auto &row : rows) {
            Rig rig;
            const QByteArray samples = noise(row.length, row.length);
            putSound(*rig.state, samples);
            QCOMPARE(WriteSoundToFlash(*rig.state, rig.platform, row.station, row.bg).kind,
                TransferResult::Kind::Written);
            QCOMPARE(int(rig.state->ErrCode), 0);
            QVERIFY2(sentWire(*rig.port) == markedHex(expectedWire(samples, row.destination)),
                row.destination);
            QCOMPARE(rig.progress.values, row.bars);
            // The window is up before the first byte and shows only the bar's steps.
            QCOMPARE(rig.progress.events.mid(0, 4),
                QStringList(
                    { QStringLiteral("message:Writing Sound to Flash BG# ") + row.destination,
                        "value:0", "show", "refresh" }));
            QCOMPARE(rig.progress.events.size(), row.bars.size() + 4);
            checkFinishedCleanly(rig);
        }
    }

    // A 16384-byte sound into A2 is 16443 bytes on the line (blocks of 22,
    // 8196, 8196 and 29); the first fault stops it after a prefix of the
    // oracle's bytes. During data the PC hears a fault when the full 4096-byte
    // queue wakes it (256 bytes free) and drops the rest: 260 bytes go out.
    void failures()
    {
        using F = DeviceFault;
        const int cks = F::Checksum;
        const struct {
            const char *name;
            DeviceFault fault;
            int code, bytesSent, length = 16384;
            quint8 bg = 2;
        } rows[] = {
            { "no first request", F::omitAnswer(0), PCcommEr, 22 },
            { "no completion", F::omitAnswer(3), PCcommEr, 16443 },
            { "one wrong byte for an echo", F::corruptEcho(0, 1, 0x40), UnknownEr, 2 },
            { "busy at the header", F::errorReply(0, 0, 255), VQbusyEr, 1 },
            { "LenM refused", F::errorReply(1, 2, LenMLongEr), LenMLongEr, 25 },
            { "checksum refused", F::errorReply(0, cks, CkSmEr), CkSmEr, 22 },
            { "data byte garbled on the line", F::corruptToDevice(2, 40, 0x01), CkSmEr, 16414 },
            { "address garbled: error pair during data", F::corruptToDevice(1, 4, 0x80), BlkAlignEr,
                282 },
            { "stray byte during data", F::strayByte(1, 100, 0x42), UnknownEr, 282 },
            { "error instead of a request", F::replaceAnswer(1, 17), SecEraseEr, 8218 },
            { "early completion", F::replaceAnswer(1, 0x73), 0x73, 8218 },
            { "sound too long for BG#8", F::omitAnswer(9), TooLngBG8Er, 22, 65520, 8 },
        };
        for (const auto &row : rows) {
            EmulatorOptions options;
            options.flashWriteNs = 2000000;
            options.faults = { row.fault };
            Rig rig(options, 1000);
            const QByteArray samples = noise(row.length, 3);
            putSound(*rig.state, samples);
            const TransferResult result = WriteSoundToFlash(*rig.state, rig.platform, 10, row.bg);
            QVERIFY2(rig.state->ErrCode == row.code && result.code == row.code, row.name);
            checkFinishedCleanly(rig);
            const QString sent = sentWire(*rig.port);
            const QString all = markedHex(expectedWire(samples, row.bg == 8 ? "A8" : "A2"));
            QVERIFY2(all.startsWith(sent), row.name);
            QVERIFY2(rig.port->bytesToDevice() == row.bytesSent, row.name);
        }
    }

    // The answer between blocks is judged by the last byte of the read that
    // brings it; a code in the read of the checksum's echo is the device's
    // answer. An empty sound into A1 on a port that echoes command and LenM
    // bytes; the header checksum's echo brings the row's bytes, `later` comes
    // 1000 us on as a read of its own, then 0x73 answers the data block.
    void answerBetweenBlocks()
    {
        const struct {
            const char *name;
            QByteArray behindEcho, later;
            int code, bytesSent;
        } rows[] = {
            { "request apart", "", "\xA1", 0, 45 },
            { "request with the echo", "\xA1", "", 0, 45 },
            { "noise, then the request", "", "\x55\xA1", 0, 45 },
            { "the request, then noise", "", "\xA1\x55", 0x55, 22 },
            { "the request, then 0", "", QByteArray("\xA1\x00", 2), UnknownEr, 22 },
            { "noise behind the echo, request after", "\x55", "\xA1", 0, 45 },
            { "code 0x12 behind the echo", "\x12", "", TooLngBG8Er, 22 },
            { "0 behind the echo", QByteArray(1, '\0'), "", UnknownEr, 22 },
        };
        for (const auto &row : rows) {
            Rig rig({}, 50);
            ScriptedSerialPort port(rig.events);
            const ExpectedWire wire = expectedWire({}, "A1");
            port.onWrite = [&](quint8 byte) {
                const int i = int(port.sent.size()) - 1;
                if (i == 21) {
                    port.reply(QByteArray(1, char(byte)) + row.behindEcho);
                    if (!row.later.isEmpty())
                        port.reply(row.later, 1000);
                } else if (i == 44) {
                    port.reply(QByteArray(1, char(byte)) + (row.later.isEmpty() ? "\x73" : ""));
                    if (!row.later.isEmpty())
                        port.reply("\x73", 1000);
                } else if (wire.dtr.value(i) || wire.dtr.value(i - 1) || wire.dtr.value(i - 2)) {
                    port.reply(QByteArray(1, char(byte))); // command and LenM echoes
                }
            };
            Platform platform = rig.on(port);
            putSound(*rig.state, {});
            WriteSoundToFlash(*rig.state, platform, 10, 1);
            QVERIFY2(rig.state->ErrCode == row.code, row.name);
            QVERIFY2(port.sent.size() == row.bytesSent, row.name);
            checkFinishedCleanly(rig);
        }
    }

    // Nothing goes out: a block of no bytes shows its box and keeps the code;
    // a length one sample past the buffer ends the transfer with UnknownEr.
    void refusedBeforeSending()
    {
        Rig rig;
        rig.state->ErrCode = 7;
        const quint8 byte = 1;
        XmitBlock(*rig.state, rig.platform, 0xA1, &byte, 0, 0, true, 0);
        QCOMPARE(int(rig.state->ErrCode), 7);
        QCOMPARE(rig.box.shown.size(), 1);
        const HeadlessMessageBox::Shown &box = rig.box.shown[0];
        QCOMPARE(box.title + '|' + QString::number(box.style) + '|' + box.prompt,
            QStringLiteral("VQ250|0|Attempt to Xmit 0 Length Block Failed"));
        putSound(*rig.state, {});
        rig.state->SoundBuf[12] = 0xF1; // 262129: one sample more than the buffer holds
        rig.state->SoundBuf[13] = 0xFF;
        rig.state->SoundBuf[14] = 0x03;
        WriteSoundToFlash(*rig.state, rig.platform, 10, 1);
        QCOMPARE(int(rig.state->ErrCode), int(UnknownEr));
        QCOMPARE(rig.port->trace().size(), 0);
        checkFinishedCleanly(rig);
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
