#include "sim/EmulatedPort.h"
#include "sim/VirtualEventLoop.h"
#include "sim/WireOracle.h"
#include "support/WavBuilder.h"

#include <QTemporaryDir>
#include <QTest>

using namespace vq250;

namespace
{

constexpr qint64 B = 173612; // one byte on the line at 57600 8N1, in ns (rounded up)

// The name entries "ABC" at volume 40, not looping, as the header carries them.
const QString Entries = QStringLiteral(" A0 A0 A0 A0 A0 A0 A0 43 42 41 28 57 ");
// Headers into A1 for 100 samples of 0x11 and for none.
const QString Header = "*A0 00 11 0A 01 00 00 00 64" + Entries + "14";
const QString EmptyHeader = "*A0 00 11 0A 01 00 00 00 00" + Entries + "B0";
const QString HeaderAnswer = QStringLiteral("A0 00 11 14 A1");

struct Emulator {
    explicit Emulator(EmulatorOptions options = {})
        : port(events, std::move(options))
    {
        port.open();
    }
    // Writes the bytes as the PC would ("*A0 00": "*" marks a byte sent with
    // DTR asserted; "~500" is 500 ms of silence), lets the line run dry for a
    // second and reads what came back.
    QString exchange(const QString &text)
    {
        for (const QString &word : text.split(' ', Qt::SkipEmptyParts)) {
            if (word.startsWith('~')) {
                events.advanceTo(events.nowUs() + word.mid(1).toInt() * 1000);
                continue;
            }
            port.setDtr(word.startsWith('*'));
            port.write(QByteArray(1, char(word.right(2).toUInt(nullptr, 16))));
        }
        events.advanceTo(events.nowUs() + 1000000);
        return QString::fromLatin1(port.readAll().toHex(' ').toUpper());
    }
    VirtualEventLoop events;
    EmulatedPort port;
};

} // namespace

// The test bench: the wire oracle, virtual time, and the emulated VQ250 and
// its line: block rules, error pairs, timing, driver's queue, faults, trace.
class TestSim : public QObject
{
    Q_OBJECT

private slots:
    // The oracle's bytes, written out by hand from the block format: two
    // samples; 8190 in two blocks; one into slot 8, the name cut to 10.
    void oracle()
    {
        const QString block8190
            = "*A1 1F FF 00 20 0D " + QStringLiteral("80 ").repeated(8189) + "AD ";
        const struct {
            QByteArray samples;
            const char *destination;
            LoadEntries entries;
            QString toDevice;
            const char *fromDevice;
        } rows[] = {
            { QByteArray("\x80\x81"), "A1", { 18, "AB", true },
                "*A0 00 11 0A 01 01 00 00 02 A0 A0 A0 A0 A0 A0 A0 A0 42 41 12 57 FA "
                "*A1 00 14 00 00 11 81 80 01 00 00 02 A0 A0 A0 A0 A0 A0 A0 A0 42 41 12 57 01",
                "a0 00 11 fa a1 a1 00 14 01 73" },
            { QByteArray(8190, char(0x80)), "B2", { 0, "", false },
                "*A0 00 11 0B 02 00 00 1F FE A0 A0 A0 A0 A0 A0 A0 A0 A0 A0 00 57 C1 " + block8190
                    + "*A2 00 13 00 00 10 80 00 00 1F FE A0 A0 A0 A0 A0 A0 A0 A0 A0 A0 00 57 44",
                "a0 00 11 c1 a1 a1 1f ff ad a2 a2 00 13 44 73" },
            { QByteArray("\x05"), "F8", { 255, "ABCDEFGHIJKL", true },
                "*A0 00 11 0F 08 01 00 00 01 4A 49 48 47 46 45 44 43 42 41 FF 57 26 "
                "*A1 00 13 00 00 10 05 01 00 00 01 4A 49 48 47 46 45 44 43 42 41 FF 57 24",
                "a0 00 11 26 a1 a1 00 13 24 73" },
        };
        for (const auto &row : rows) {
            const ExpectedWire wire = expectedWire(row.samples, row.destination, row.entries);
            QVERIFY2(markedHex(wire) == row.toDevice, row.destination);
            QVERIFY2(wire.fromDevice.toHex(' ') == row.fromDevice, row.destination);
        }
    }
    // A wait jumps to the next deadline or wake-up and never hangs; a timer
    // ticks once per arming, one restarted by its own tick waits for the
    // next pass, and a timer may outlive its loop. Calls run only inside
    // event processing; timers tick in deadline order.
    void virtualTime()
    {
        auto loop = std::make_unique<VirtualEventLoop>();
        auto timer = loop->createTimer();
        QList<qint64> ticks;
        timer->setOnTick([&] { ticks << loop->nowUs(); });
        timer->setInterval(8000);
        timer->start();
        loop->processEvents();
        QVERIFY(ticks.isEmpty() && loop->nowUs() == 0);
        loop->advanceTo(5000000);
        timer->start(); // re-armed for the full interval
        loop->waitForEvents();
        QVERIFY(!timer->isActive());
        loop->waitForEvents(); // nothing pending: no tick, no time
        QCOMPARE(loop->idleWaits(), 1);
        timer->setInterval(10);
        timer->start();
        timer->stop();
        loop->waitForEvents();
        timer->setInterval(3);
        timer->start();
        loop->advanceTo(13010000); // runs what falls due on the way
        QCOMPARE(ticks, QList<qint64>({ 13000000, 13003000 }));
        timer->setInterval(0);
        timer->setOnTick([&] { ticks << loop->nowUs(), timer->start(); });
        timer->start();
        loop->processEvents();
        QCOMPARE(ticks.size(), 3);
        loop->processEvents();
        QCOMPARE(ticks.size(), 4);
        loop.reset(); // the timer outlives its loop
        timer->stop();
        timer->start();
        QCOMPARE(timer->interval(), 0);

        VirtualEventLoop events;
        events.wakeAt(300);
        events.waitForEvents();
        auto late = events.createTimer();
        auto early = events.createTimer();
        QStringList order;
        late->setOnTick([&] { order << QStringLiteral("late@%1").arg(events.nowUs()); });
        early->setOnTick([&] { order << QStringLiteral("early@%1").arg(events.nowUs()); });
        late->setInterval(10);
        early->setInterval(5);
        late->start();
        early->start();
        events.wakeAt(7300);
        for (int i = 0; i < 3; ++i)
            events.waitForEvents();
        QCOMPARE(order, QStringList({ "early@5300", "late@10300" }));
        QList<qint64> ran;
        events.callAt(10300, [&] { ran << events.nowUs(); });
        events.callAt(10700, [&] { ran << events.nowUs(); });
        QVERIFY(ran.isEmpty());
        events.processEvents();
        QCOMPARE(ran, QList<qint64>({ 10300 }));
        events.waitForEvents();
        QCOMPARE(ran, QList<qint64>({ 10300, 10700 }));

        // Waiting on with nothing pending can never end: the 1000th such wait
        // in a row throws; one that moved time starts the count again.
        for (int i = 1; i < 1000; ++i)
            events.waitForEvents();
        events.wakeAt(20000);
        events.waitForEvents();
        for (int i = 1; i < 1000; ++i)
            events.waitForEvents();
        QVERIFY_THROWS_EXCEPTION(Hang, events.waitForEvents());
    }

    void deviceRules()
    {
        const struct {
            const char *name;
            QString sent, answer;
        } rows[] = {
            { "unknown command", "*50", "AF 06" },
            { "data block before a header", "*A1", "5E 05" },
            { "LenM beyond the 8192-byte buffer", "*A0 20 00", "A0 20 FF 04" },
            { "header of the wrong size", "*A0 00 10", "A0 00 EF 05" },
            { "command byte on LenM", "*A0 *00", "A0 FF 01" },
            { "command byte among the data", "*A0 00 11 0A *A0", "A0 00 11 5F 01" },
            { "checksum off by one", "*A0 00 11 0A 01 00 00 00 64" + Entries + "15",
                "A0 00 11 EA 03" },
            { "header accepted", Header, HeaderAnswer },
            { "BG#8 with 65520 bytes", "*A0 00 11 0F 08 00 00 FF F0" + Entries + "AB",
                "A0 00 11 AB 12" },
            { "BG#8 with 65519 bytes", "*A0 00 11 0F 08 00 00 FF EF" + Entries + "AA",
                "A0 00 11 AA A1" },
            { "no station J (19)", "*A0 00 11 13 01 00 00 00 0A" + Entries + "C3",
                "A0 00 11 C3 18" },
            // After a header of length 100 the first block must start at 115 (0x73).
            { "address not the one expected", Header + " *A1 00 03 00 00 72 11 84",
                HeaderAnswer + " A1 00 03 8D 05" },
            { "wrong block number", Header + " *A2 00 03 00 00 73 11 84", HeaderAnswer + " 5D 05" },
            { "block reaching below index 0", EmptyHeader + " *A1 00 13 00 00 0F",
                "A0 00 11 B0 A1 A1 00 13 F0 05" },
            { "whole sound in one block",
                EmptyHeader + " *A1 00 12 00 00 0F 00 00 00 00" + Entries + "B4",
                "A0 00 11 B0 A1 A1 00 12 B4 73" },
            { "an error ends the transfer; a new header is heard", "12 13 " + Header,
                "ED 02 " + HeaderAnswer },
            // A block the PC abandoned is dropped after a second of silence.
            { "abandoned block, 0.5 s later", "*A0 ~500 *A0", "A0 5F 01" },
            { "abandoned block, 1.5 s later", "*A0 ~1500 *A0", "A0 A0" },
        };
        for (const auto &row : rows) {
            Emulator e;
            QVERIFY2(e.exchange(row.sent) == row.answer, row.name);
        }
    }

    // Length 3 in E5, sent in two blocks: indexes 18 down to 2, then 1 and 0.
    void storesTheSlotByAddress()
    {
        Emulator e;
        const QByteArray image
            = expectedHeader(3, { 40, "ABC", false }) + QByteArray("\x10\x11\x12");
        const QString blocks = "*A0 00 11 0E 05 00 00 00 03" + Entries
            + "BB *A1 00 13 00 00 12 12 11 10 00 00 00 03 A0 A0 A0 A0 A0 A0 A0 43 42 41 6E "
              "*A2 00 04 00 00 01 28 57 80";
        QVERIFY(e.exchange(blocks).endsWith(" 73"));
        const StoredSlot *slot = e.port.device().slot(14, 5);
        QVERIFY(slot && slot->complete);
        QCOMPARE(slot->image, image);
        QCOMPARE(e.port.device().completedTransfers(), 1);
    }

    // A byte takes 1/5760 s. The queue takes bytes while it has room; it
    // wakes its writer when 256 bytes are free, not for every byte; waiting
    // bytes leave back to back. A flush drops what is queued or waits for
    // room; the byte on the wire finishes, and the device hears nothing more.
    void driverQueue()
    {
        Emulator echo;
        echo.port.setDtr(true);
        echo.port.write("\xA0");
        echo.events.advanceTo(347);
        QCOMPARE(echo.port.bytesAvailable(), 0);
        echo.events.waitForEvents(); // woken for the echo
        QCOMPARE(echo.events.nowUs(), 348);
        QCOMPARE(echo.port.bytesAvailable(), 1);
        const QList<WireByte> wire = echo.port.trace().bytes();
        QVERIFY(wire.size() == 2 && wire[0].timeNs == B && wire[1].timeNs == 2 * B);

        Emulator e;
        e.port.device().setSilent(true);
        e.port.write(QByteArray(4096, 0x55));
        QCOMPARE(e.port.bytesToWrite(), 0);
        e.port.write("\x55");
        QCOMPARE(e.port.bytesToWrite(), 1);
        e.events.waitForEvents();
        QCOMPARE(e.events.nowUs(), 44445); // 256 bytes of 173.612 us, rounded up
        QCOMPARE(e.port.bytesToWrite(), 0);
        QCOMPARE(e.port.lineIdleAtUs(), 711289);
        QCOMPARE(e.port.bytesToDevice(), 4097);

        EmulatorOptions options;
        options.txQueueBytes = 16;
        options.txWakeRoomBytes = 4;
        Emulator small(options);
        small.port.write(QByteArray(40, char(0x11)));
        QCOMPARE(small.port.bytesToWrite(), 24);
        small.events.advanceTo(1000000); // nobody asks meanwhile
        QCOMPARE(small.port.bytesToWrite(), 0);
        const auto sent = small.port.trace().toDevice();
        QCOMPARE(sent.size(), 40);
        for (int i = 1; i < sent.size(); ++i)
            QCOMPARE(sent[i].timeNs - sent[i - 1].timeNs, B);

        options.txQueueBytes = 8;
        Emulator flushed(options);
        flushed.port.setDtr(true);
        flushed.port.write("\xA0");
        flushed.port.setDtr(false);
        flushed.port.write(QByteArray("\x00\x11", 2) + QByteArray(19, 0x22));
        flushed.events.advanceTo((2 * B + B / 2) / 1000); // the third byte is going out
        flushed.port.discardOutput();
        QCOMPARE(flushed.port.bytesToWrite(), 0);
        flushed.events.advanceTo(2000000);
        QCOMPARE(flushed.port.bytesToDevice(), 3);
        QCOMPARE(flushed.port.readAll(), QByteArray("\xA0\x00\x11", 3));
    }

    void requestTiming()
    {
        EmulatorOptions flash;
        flash.flashWriteNs = 5000000;
        Emulator slow(flash);
        QCOMPARE(slow.exchange(Header), HeaderAnswer);
        // The request comes 5 ms after the echo.
        QVERIFY(slow.port.trace().toText().endsWith(
            "3993.076 VQ>PC - 14 echo\n8993.076 VQ>PC - A1 request\n"));

        // With request and echo joined, both become readable as one read.
        EmulatorOptions joined;
        joined.requestWithEcho = true;
        Emulator e(joined);
        e.exchange(Header.left(Header.size() - 3));
        const qint64 startNs = e.events.nowUs() * 1000;
        e.port.write("\x14");
        e.events.advanceTo((startNs + 2 * B) / 1000); // the echo is over
        QCOMPARE(e.port.bytesAvailable(), 0);
        e.events.waitForEvents(); // the request is over too
        QCOMPARE(e.events.nowUs() - startNs / 1000, 521);
        QCOMPARE(e.port.readAll(), QByteArray("\x14\xA1"));
    }

    void faults()
    {
        Emulator once; // a fault plays once
        once.port.device().addFault(DeviceFault::dropEcho(0, 0));
        QCOMPARE(once.exchange(Header), HeaderAnswer.mid(3));
        QCOMPARE(once.exchange(Header), HeaderAnswer);

        Emulator heard;
        heard.port.device().addFault(DeviceFault::corruptToDevice(0, 0, 0x01));
        QCOMPARE(heard.exchange("*A0"), QStringLiteral("5E 05"));
        QCOMPARE(heard.port.trace().toDevice().first().note, QStringLiteral("heard A1"));

        EmulatorOptions silent;
        silent.faults = { DeviceFault::goSilent(0, 1) };
        silent.blockIdleResetNs = 0; // keeps the unfinished block however long it waits
        Emulator quiet(silent);
        QCOMPARE(quiet.exchange("*A0 00"), QStringLiteral("A0"));
        QCOMPARE(quiet.exchange("*A0"), QString());
        quiet.port.device().setSilent(false);
        QCOMPARE(quiet.exchange("*A0"), QStringLiteral("5F 01")); // still waiting for LenM
    }

    // The trace as text and as a file; at another speed the device hears nothing.
    void trace()
    {
        Emulator e;
        e.exchange("*50");
        const QString text = QStringLiteral("# VQ250 wire trace\n# time_us dir dtr byte note\n"
                                            "173.612 PC>VQ 1 50\n347.224 VQ>PC - AF marker\n"
                                            "520.836 VQ>PC - 06 code\n");
        QCOMPARE(e.port.trace().toText(), text);
        QTemporaryDir dir;
        QVERIFY(e.port.trace().writeTo(dir.filePath("wire.txt")));
        QCOMPARE(fakes::readFile(dir.filePath("wire.txt")), text.toUtf8());
        QVERIFY(!e.port.trace().writeTo(dir.filePath("missing/wire.txt")));
        e.port.setSettings(QStringLiteral("9600,N,8,1"));
        QCOMPARE(e.exchange("*A0"), QString());
        QCOMPARE(e.port.trace().toDevice().last().note, QStringLiteral("unheard"));
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
