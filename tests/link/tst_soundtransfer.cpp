#include "LinkRig.h"
#include "TransferHelpers.h"
#include "errors/ErrorTable.h"
#include "fakes/ScriptedSerialPort.h"
#include "link/SoundTransfer.h"
#include "link/emulator/EmulatedPort.h"

#include <QTest>

#include <algorithm>

using namespace vq250;
using namespace vq250::test;
using fakes::BlockEchoDevice;
using fakes::ScriptedSerialPort;

Q_DECLARE_METATYPE(std::vector<vq250::DeviceFault>)

namespace
{

// Puts the main window's repaint into the progress window's record, so the
// order of the last two steps can be checked.
class LoggingMainView : public fakes::FakeMainView
{
public:
    explicit LoggingMainView(QStringList &log)
        : m_log(log)
    {
    }
    void repaint() override
    {
        FakeMainView::repaint();
        m_log << QStringLiteral("repaint main");
    }

private:
    QStringList &m_log;
};

QList<float> bars(std::initializer_list<int> values)
{
    QList<float> list;
    for (int v : values)
        list << float(v);
    return list;
}

QList<float> stepBars(int step, int blocks)
{
    QList<float> list { 0 };
    int pct = 0;
    for (int i = 0; i < blocks; ++i) {
        pct = qMin(pct + step, 100);
        list << float(pct);
    }
    return list;
}

void checkFinishedCleanly(const LinkRig &rig)
{
    QVERIFY(!rig.progress.visible);
    QCOMPARE(rig.progress.events.last(), QStringLiteral("hide"));
    QCOMPARE(rig.window.repaints, 1);
    QCOMPARE(rig.state->TimedOut, FlagFalse);
    QVERIFY(!rig.timer->isActive());
}

} // namespace

// An empty sound sent to a device that echoes every awaited byte and, at
// each block's checksum, sends what the test's `answer` puts on the line.
struct ChecksumScript {
    using Answer = std::function<void(ScriptedSerialPort &port, int block, quint8 echo)>;

    ChecksumScript(LinkRig &rig, Answer answer)
        : port(rig.events)
        , device(port)
    {
        device.answerAt = [this, answer](int block, int place, quint8 byte) {
            if (place != -1)
                return false;
            answer(port, block, byte);
            return true;
        };
        port.onWrite = std::ref(device);
    }

    void sendEmptySound(LinkRig &rig, quint8 bg)
    {
        Platform platform = rig.platform(port);
        putSound(*rig.state, 0);
        WriteSoundToFlash(*rig.state, platform, 10, bg);
    }

    ScriptedSerialPort port;
    BlockEchoDevice device;
};

class TestSoundTransfer : public QObject
{
    Q_OBJECT

private slots:
    void caption_data()
    {
        QTest::addColumn<int>("station");
        QTest::addColumn<int>("bg");
        QTest::addColumn<QString>("text");
        QTest::newRow("A1") << 10 << 1 << "Writing Sound to Flash BG# A1";
        QTest::newRow("C5") << 12 << 5 << "Writing Sound to Flash BG# C5";
        QTest::newRow("F8") << 15 << 8 << "Writing Sound to Flash BG# F8";
    }

    void caption()
    {
        QFETCH(int, station);
        QFETCH(int, bg);
        QFETCH(QString, text);
        QCOMPARE(flashProgressText(quint8(station), quint8(bg)), text);
    }

    void progressStep_data()
    {
        QTest::addColumn<qint32>("length");
        QTest::addColumn<qint32>("step");
        QTest::newRow("0") << 0 << 100;
        QTest::newRow("8175, one short of 8192 in all") << 8175 << 100;
        QTest::newRow("8176, 8192 in all") << 8176 << 100; // 8192 / 8192 * 100
        QTest::newRow("16384") << 16384 << 50;
        QTest::newRow("16368, exactly 50") << 16368 << 50;
        QTest::newRow("65519") << 65519 << 13;
        QTest::newRow("130400") << 130400 << 6;
        QTest::newRow("131056") << 131056 << 6;
        // 819200 / 65536 is exactly 12.5 and 819200 / 327680 exactly 2.5:
        // half-way cases go to the even neighbour.
        QTest::newRow("65520, a tie") << 65520 << 12;
        QTest::newRow("327664, a tie") << 327664 << 2;
    }

    void progressStep()
    {
        QFETCH(qint32, length);
        QFETCH(qint32, step);
        QCOMPARE(vq250::progressStep(length), step);
    }

    void wholeTransfer_data()
    {
        QTest::addColumn<qint32>("length");
        QTest::addColumn<int>("station");
        QTest::addColumn<int>("bg");
        QTest::addColumn<int>("dataBlocks");
        QTest::addColumn<int>("lastBlockBytes");
        QTest::addColumn<QList<float>>("bars");

        QTest::newRow("L 0") << 0 << 10 << 1 << 1 << 16 << bars({ 0, 100 });
        QTest::newRow("L 8173") << 8173 << 11 << 2 << 1 << 8189 << bars({ 0, 100 });
        QTest::newRow("L 8174") << 8174 << 12 << 3 << 2 << 1 << bars({ 0, 100, 100 });
        QTest::newRow("L 16384") << 16384 << 13 << 4 << 3 << 22 << bars({ 0, 50, 100, 100 });
        QTest::newRow("L 65519 into BG#8")
            << 65519 << 14 << 8 << 9 << 23 << bars({ 0, 13, 26, 39, 52, 65, 78, 91, 100, 100 });
        QTest::newRow("L 130400") << 130400 << 15 << 7 << 16 << 7581 << stepBars(6, 16);
        QTest::newRow("L 131056") << 131056 << 10 << 6 << 17 << 48 << stepBars(6, 17);
    }

    void wholeTransfer()
    {
        QFETCH(qint32, length);
        QFETCH(int, station);
        QFETCH(int, bg);
        QFETCH(int, dataBlocks);
        QFETCH(int, lastBlockBytes);
        QFETCH(QList<float>, bars);

        // The checksum echo of a full block waits for the driver's 4 KB queue
        // to drain (0.7 s), so these run with the program's own time-out.
        LinkRig rig(ReplyTimeoutMs);
        EmulatedPort port(rig.events);
        QVERIFY(port.open());
        Platform platform = rig.platform(port);
        putSound(*rig.state, length);
        const ProgramState &state = *rig.state;

        QCOMPARE(WriteSoundToFlash(*rig.state, platform, quint8(station), quint8(bg)).kind,
            TransferResult::Kind::Written);

        QCOMPARE(int(state.ErrCode), 0);
        QCOMPARE(rig.progress.values, bars);
        QCOMPARE(rig.progress.message, flashProgressText(quint8(station), quint8(bg)));
        checkFinishedCleanly(rig);

        // Header block: station, slot, then header bytes 15 down to 0.
        const std::vector<SentBlock> blocks = blocksOf(port.trace().toDevice());
        QCOMPARE(int(blocks.size()), 1 + dataBlocks);
        const SentBlock &header = blocks[0];
        QCOMPARE(int(header.cmd), 0xA0);
        QCOMPARE(header.count, 18);
        QByteArray headerData;
        headerData.append(char(station)).append(char(bg));
        for (int i = 15; i >= 0; --i)
            headerData.append(char(state.SoundBuf[i]));
        QCOMPARE(header.payload.toHex(' '), headerData.toHex(' '));
        QCOMPARE(header.checksum, sumOf(headerData) & 0xFF);

        // Data blocks from the top down, each one below the last.
        qint32 addr = length + 15;
        for (int k = 1; k <= dataBlocks; ++k) {
            const SentBlock &block = blocks[k];
            QVERIFY(block.dtrOnlyOnCommand);
            QCOMPARE(int(block.cmd), 0xA0 + k);
            const int count = qMin(addr + 4, 8192);
            QCOMPARE(block.count, count);
            QCOMPARE(block.payload.size(), count);
            QCOMPARE(int(quint8(block.payload[0])) << 16 | int(quint8(block.payload[1])) << 8
                    | int(quint8(block.payload[2])),
                addr);
            QByteArray expected = soundBytes(state, addr + 4 - count, count - 3);
            std::reverse(expected.begin(), expected.end());
            QVERIFY(block.payload.mid(3) == expected);
            QCOMPARE(block.checksum, sumOf(block.payload) & 0xFF);
            if (k == dataBlocks)
                QCOMPARE(count - 3, lastBlockBytes);
            addr = addr + 3 - count;
        }
        QCOMPARE(addr, -1);

        // The device asked for each block and confirmed the end.
        QByteArray asked;
        for (const WireByte &byte : port.trace().fromDevice())
            if (byte.note == QLatin1String("request") || byte.note == QLatin1String("done"))
                asked.append(char(byte.byte));
        QByteArray expectedAsks;
        for (int k = 1; k <= dataBlocks; ++k)
            expectedAsks.append(char(0xA0 + k));
        expectedAsks.append(char(0x73));
        QCOMPARE(asked.toHex(' '), expectedAsks.toHex(' '));

        // What the device stored equals what was sent, byte for byte.
        const StoredSlot *slot = port.device().slot(quint8(station), quint8(bg));
        QVERIFY(slot);
        QVERIFY(slot->complete);
        QCOMPARE(slot->header, soundBytes(state, 0, 16));
        QCOMPARE(slot->length(), length);
        QCOMPARE(slot->name(), QStringLiteral("TESTSOUND"));
        QCOMPARE(int(slot->volume()), 18);
        QVERIFY(slot->looping());
        QVERIFY(slot->sound() == soundBytes(state, 16, length));
    }

    void progressWindowSteps()
    {
        LinkRig rig(ReplyTimeoutMs);
        LoggingMainView window(rig.progress.events);
        EmulatedPort port(rig.events);
        port.open();
        Platform platform { port, rig.box, rig.dialog, rig.events, *rig.timer, rig.progress,
            window };
        putSound(*rig.state, 8174);
        WriteSoundToFlash(*rig.state, platform, 10, 1);
        QCOMPARE(rig.progress.events,
            QStringList({ "message:Writing Sound to Flash BG# A1", "value:0", "show", "refresh",
                "value:100", "value:100", "hide", "repaint main" }));
    }

    void failures_data()
    {
        QTest::addColumn<qint32>("length");
        QTest::addColumn<int>("bg");
        QTest::addColumn<std::vector<DeviceFault>>("faults");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("blocksBegun");

        using F = DeviceFault;
        const int cks = F::Checksum;
        // L 16384: header block 0, data blocks 1 to 3, completion after block 3.
        auto row = [](const char *name, std::vector<F> faults, int code, int begun,
                       qint32 length = 16384, int bg = 2) {
            QTest::newRow(name) << length << bg << faults << code << begun;
        };
        row("silence at the header's command echo", { F::goSilent(0, 0) }, PCcommEr, 1);
        row("silence at a LenM echo", { F::goSilent(1, 2) }, PCcommEr, 2);
        row("silence at a checksum echo", { F::goSilent(2, cks) }, PCcommEr, 3);
        row("no first request", { F::omitAnswer(0) }, PCcommEr, 1);
        row("no later request", { F::omitAnswer(2) }, PCcommEr, 3);
        row("no completion", { F::omitAnswer(3) }, PCcommEr, 4);
        row("echo dropped", { F::dropEcho(1, 0) }, PCcommEr, 2);
        row("one wrong byte for an echo", { F::corruptEcho(0, 1, 0x40) }, UnknownEr, 1);
        row("busy at the header", { F::errorReply(0, 0, 255) }, VQbusyEr, 1);
        row("data byte garbled on the line", { F::corruptToDevice(2, 40, 0x01) }, CkSmEr, 3);
        row("address garbled: error pair during data", { F::corruptToDevice(1, 4, 0x80) },
            BlkAlignEr, 2);
        row("stray byte during data", { F::strayByte(1, 100, 0x42) }, UnknownEr, 2);
        row("error pair during data", { F::errorReply(2, 50, 19) }, FlshSvEr, 3);
        row("error instead of a request", { F::replaceAnswer(1, 17) }, SecEraseEr, 2);
        row("early completion", { F::replaceAnswer(1, 0x73) }, 0x73, 2);
        row("code 0 in an echo's error pair", { F::errorReply(0, 2, 0) }, UnknownEr, 1);
        row("code 0 in an error pair during data", { F::errorReply(1, 10, 0) }, UnknownEr, 2);
        row("code 0 instead of a request", { F::replaceAnswer(0, 0) }, UnknownEr, 1);
        row("code 0 instead of the completion", { F::replaceAnswer(3, 0) }, UnknownEr, 4);
        row("sound too long for BG#8", {}, TooLngBG8Er, 1, 65520, 8);
    }

    void failures()
    {
        QFETCH(qint32, length);
        QFETCH(int, bg);
        QFETCH(std::vector<DeviceFault>, faults);
        QFETCH(int, code);
        QFETCH(int, blocksBegun);

        LinkRig rig(1000);
        EmulatorOptions options;
        options.flashWriteNs = 2000000;
        options.faults = faults;
        EmulatedPort port(rig.events, options);
        port.open();
        Platform platform = rig.platform(port);
        putSound(*rig.state, length);

        const TransferResult result = WriteSoundToFlash(*rig.state, platform, 10, quint8(bg));

        QCOMPARE(int(rig.state->ErrCode), code);
        QCOMPARE(int(result.code), code);
        // Time-outs (E0) and answers that fit nothing (E1) are the PC's own
        // verdicts; every other code is the device's.
        QCOMPARE(result.kind,
            code == 0xE0 || code == 0xE1 ? TransferResult::Kind::Failed
                                         : TransferResult::Kind::Rejected);
        checkFinishedCleanly(rig);
        QCOMPARE(int(blocksOf(port.trace().toDevice()).size()), blocksBegun);
        QCOMPARE(port.device().pendingFaults(), 0);
    }

    // The first data block goes out on a request that came in the same read
    // as the checksum echo, without a wait of its own; so does the end.
    void requestWithTheChecksumEcho()
    {
        LinkRig rig(50);
        ChecksumScript script(rig, [](ScriptedSerialPort &port, int block, quint8 echo) {
            port.reply(bytesOf({ echo, block == 0 ? 0xA1 : 0x73 }));
        });

        script.sendEmptySound(rig, 1);

        QCOMPARE(int(rig.state->ErrCode), 0);
        QCOMPARE(script.port.sent.size(), 22 + 23);
        QCOMPARE(script.port.readAllCalls, 8); // the eight echoes, nothing else
        checkFinishedCleanly(rig);
    }

    void requestJudgedByTheLastByteCounted_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("code");
        QTest::newRow("noise, then the request") << bytesOf({ 0x55, 0xA1 }) << 0;
        QTest::newRow("the request, then noise") << bytesOf({ 0xA1, 0x55 }) << 0x55;
        QTest::newRow("the request, then 0") << bytesOf({ 0xA1, 0x00 }) << int(UnknownEr);
    }

    void requestJudgedByTheLastByteCounted()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, code);
        LinkRig rig(50);
        ChecksumScript script(rig, [&](ScriptedSerialPort &port, int block, quint8 echo) {
            port.reply(QByteArray(1, char(echo)));
            port.reply(block == 0 ? answer : bytesOf({ 0x73 }), 1000);
        });
        script.sendEmptySound(rig, 1);
        QCOMPARE(int(rig.state->ErrCode), code);
        checkFinishedCleanly(rig);
    }

    // A code that came in the same read as the checksum echo is not the
    // awaited request. The wait that follows hears nothing more, so the code
    // is the device's answer: it is reported instead of the time-out.
    void codeBehindTheChecksumEchoIsReported_data()
    {
        QTest::addColumn<int>("behind");
        QTest::addColumn<int>("code");
        QTest::newRow("too long for BG#8") << 0x12 << int(TooLngBG8Er);
        QTest::newRow("busy") << 0xFF << int(VQbusyEr);
        QTest::newRow("0") << 0x00 << int(UnknownEr);
    }

    void codeBehindTheChecksumEchoIsReported()
    {
        QFETCH(int, behind);
        QFETCH(int, code);
        LinkRig rig(50);
        ChecksumScript script(rig, [&](ScriptedSerialPort &port, int, quint8 echo) {
            port.reply(bytesOf({ echo, behind }));
        });
        script.sendEmptySound(rig, 8);
        QCOMPARE(int(rig.state->ErrCode), code);
        QCOMPARE(script.port.sent.size(), 22);
        checkFinishedCleanly(rig);
    }

    // Noise behind the echo is forgiven when the request follows.
    void requestAfterNoiseBehindTheEcho()
    {
        LinkRig rig(50);
        ChecksumScript script(rig, [](ScriptedSerialPort &port, int block, quint8 echo) {
            port.reply(bytesOf({ echo, 0x55 }));
            port.reply(bytesOf({ block == 0 ? 0xA1 : 0x73 }), 1000);
        });
        script.sendEmptySound(rig, 1);
        QCOMPARE(int(rig.state->ErrCode), 0);
        checkFinishedCleanly(rig);
    }

    void emulatorCanSendRequestAndEchoTogether()
    {
        LinkRig rig(ReplyTimeoutMs);
        EmulatorOptions options;
        options.requestWithEcho = true;
        EmulatedPort port(rig.events, options);
        port.open();
        Platform platform = rig.platform(port);
        putSound(*rig.state, 16384);
        WriteSoundToFlash(*rig.state, platform, 11, 3);
        QCOMPARE(int(rig.state->ErrCode), 0);
        // The completion came in the same read as the last checksum echo.
        QCOMPARE(int(rig.state->RxCount), 2);
        QCOMPARE(rig.state->RxData.size(), 2);
        QCOMPARE(int(quint8(rig.state->RxData[1])), 0x73);
        QVERIFY(port.device().slot(11, 3)->complete);
    }

    void lengthBeyondTheBufferIsRefusedBeforeSending()
    {
        LinkRig rig(50);
        EmulatedPort port(rig.events);
        port.open();
        Platform platform = rig.platform(port);
        putSound(*rig.state, 0);
        rig.state->SoundBuf[12] = 0xF1; // 262129: one sample more than the buffer holds
        rig.state->SoundBuf[13] = 0xFF;
        rig.state->SoundBuf[14] = 0x03;
        WriteSoundToFlash(*rig.state, platform, 10, 1);
        QCOMPARE(int(rig.state->ErrCode), int(UnknownEr));
        QCOMPARE(port.trace().size(), 0);
        checkFinishedCleanly(rig);
    }

    void silentDeviceTimesOutAfterTheProgramsEightSeconds()
    {
        LinkRig rig;
        EmulatorOptions options;
        options.faults = { DeviceFault::goSilent(0, 0) };
        EmulatedPort port(rig.events, options);
        QVERIFY(runLoadStep(*rig.state, port, *rig.timer));
        Platform platform = rig.platform(port);
        putSound(*rig.state, 100);
        WriteSoundToFlash(*rig.state, platform, 10, 1);
        QCOMPARE(int(rig.state->ErrCode), int(PCcommEr));
        QCOMPARE(rig.events.nowUs(), 8000000);
        checkFinishedCleanly(rig);
    }

    void secondLoadRewritesTheSlot()
    {
        LinkRig rig(ReplyTimeoutMs);
        EmulatedPort port(rig.events);
        port.open();
        Platform platform = rig.platform(port);
        putSound(*rig.state, 9000, 1);
        WriteSoundToFlash(*rig.state, platform, 12, 4);
        QCOMPARE(int(rig.state->ErrCode), 0);
        putSound(*rig.state, 300, 2);
        WriteSoundToFlash(*rig.state, platform, 12, 4);
        QCOMPARE(int(rig.state->ErrCode), 0);
        QCOMPARE(port.device().completedTransfers(), 2);
        const StoredSlot *slot = port.device().slot(12, 4);
        QCOMPARE(slot->length(), 300);
        QVERIFY(slot->sound() == soundBytes(*rig.state, 16, 300));
    }
};

QTEST_GUILESS_MAIN(TestSoundTransfer)
#include "tst_soundtransfer.moc"
