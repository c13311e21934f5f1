#include "LoadRig.h"

#include "load/LoadCommand.h"
#include "platform/ForwardingSerialPort.h"
#include "sound/OpenCommand.h"
#include "sound/Truncate.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace vq250;
using namespace vq250::test;

namespace
{

QByteArray noise(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(count, '\0');
    for (char &b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

// Opens `path` through the file dialog, as the operator would.
void openThroughDialog(LoadRig &rig, const QString &path)
{
    rig.dialog.nextPath = path;
    OpenSound(*rig.state, rig.platform);
}

void setEntries(
    LoadRig &rig, const QString &dest, const QString &volume, const QString &name, int loop)
{
    rig.window.destinationText = dest;
    rig.window.volumeText = volume;
    rig.window.name = name;
    rig.window.loopValue = loop;
}

} // namespace

Q_DECLARE_METATYPE(DeviceFault)

// Sounds opened from files, loaded through the load command into the
// emulated VQ250, and compared with what its flash holds afterwards.
class TestLoadEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void loadsTheFile_data();
    void loadsTheFile();
    void twoLoadsAfterOneOpen();
    void truncateThenLoadToSlot8();
    void untouchedEntriesAfterOpen();
    void deviceErrorIsReported();
    void silenceIsReportedAfterEightSeconds();
    void staleInputIsFlushedBeforeLoading();
    void retryRightAfterFault_data();
    void retryRightAfterFault();
};

void TestLoadEndToEnd::loadsTheFile_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<QString>("dest");
    QTest::addColumn<QString>("volume");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("loop");
    QTest::addColumn<int>("station");
    QTest::addColumn<int>("bg");
    QTest::addColumn<int>("storedLen");
    QTest::addColumn<QString>("caption");

    QTest::newRow("empty sound A1")
        << 0 << "A1"
        << "18"
        << "Silence" << 1 << 10 << 1 << 0 << "Writing Sound to Flash BG# A1";
    QTest::newRow("short b2 unlooped")
        << 1000 << "b2"
        << "0"
        << "Bell" << 0 << 11 << 2 << 1000 << "Writing Sound to Flash BG# B2";
    QTest::newRow("one full block C3")
        << 8173 << "C3"
        << "255"
        << "TenCharsXY" << 1 << 12 << 3 << 8173 << "Writing Sound to Flash BG# C3";
    QTest::newRow("two blocks d4 greyed")
        << 8174 << "d4"
        << " +7 "
        << "" << 2 << 13 << 4 << 8174 << "Writing Sound to Flash BG# D4";
    QTest::newRow("slot 8 limit F8")
        << 65519 << "F8"
        << "18"
        << "Max8" << 1 << 15 << 8 << 65519 << "Writing Sound to Flash BG# F8";
    QTest::newRow("longest E7") << 131056 << "E7x"
                                << "18"
                                << "Long" << 1 << 14 << 7 << 131056
                                << "Writing Sound to Flash BG# E7";
    QTest::newRow("cut to 131056 A6")
        << 140000 << "A6"
        << "18"
        << "Cut" << 0 << 10 << 6 << 131056 << "Writing Sound to Flash BG# A6";
    QTest::newRow("latin-1 name") << 500 << "B5"
                                  << "18" << QStringLiteral("Caf\u00e9\u20ac") << 1 << 11 << 5
                                  << 500 << "Writing Sound to Flash BG# B5";
}

void TestLoadEndToEnd::loadsTheFile()
{
    QFETCH(int, samples);
    QFETCH(QString, dest);
    QFETCH(QString, volume);
    QFETCH(QString, name);
    QFETCH(int, loop);
    QFETCH(int, station);
    QFETCH(int, bg);
    QFETCH(int, storedLen);
    QFETCH(QString, caption);

    LoadRig rig;
    QVERIFY(rig.ok);
    const QByteArray sound = noise(samples, quint32(samples + station));
    openThroughDialog(rig, rig.wavFile(QStringLiteral("sound.wav"), sound));
    QCOMPARE(rig.state->FileOpened, FlagTrue);
    rig.box.shown.clear(); // a "Sound Too Long" box is not what this test is about
    setEntries(rig, dest, volume, name, loop);

    QCOMPARE(LoadSound(*rig.state, rig.platform).kind, LoadResult::Kind::Loaded);

    QVERIFY2(rig.box.shown.isEmpty(), qPrintable(rig.box.shown.value(0).title));
    QCOMPARE(rig.state->ErrCode, quint8(0));
    const StoredSlot *slot = rig.port->device().slot(quint8(station), quint8(bg));
    QVERIFY(slot);
    QVERIFY(slot->complete);
    QCOMPARE(slot->length(), storedLen);
    QCOMPARE(slot->sound(), sound.left(storedLen));
    QCOMPARE(int(slot->volume()), volume.trimmed().remove('+').toInt());
    QCOMPARE(slot->looping(), loop == 1);
    QCOMPARE(slot->name(), QString(name).replace(QChar(0x20AC), QLatin1Char('?')));
    QCOMPARE(rig.state->SoundName, name);
    QVERIFY(!rig.progress.visible);
    QCOMPARE(rig.progress.message, caption);
    QCOMPARE(rig.window.enabledHistory, (QList<bool> { false, true }));
    QCOMPARE(rig.state->FileOpened, FlagTrue);
}

void TestLoadEndToEnd::twoLoadsAfterOneOpen()
{
    LoadRig rig;
    const QByteArray sound = noise(20000, 7);
    openThroughDialog(rig, rig.wavFile(QStringLiteral("Doorbell.wav"), sound));
    QCOMPARE(rig.window.name, QStringLiteral("Doorbell"));

    rig.window.destinationText = QStringLiteral("A1");
    LoadSound(*rig.state, rig.platform);
    setEntries(rig, QStringLiteral("B3"), QStringLiteral("40"), QStringLiteral("Second"), 0);
    LoadSound(*rig.state, rig.platform);

    QVERIFY(rig.box.shown.isEmpty());
    const StoredSlot *first = rig.port->device().slot(10, 1);
    const StoredSlot *second = rig.port->device().slot(11, 3);
    QVERIFY(first && second && first->complete && second->complete);
    QCOMPARE(first->sound(), sound);
    QCOMPARE(second->sound(), sound);
    QCOMPARE(first->name(), QStringLiteral("Doorbell"));
    QCOMPARE(int(first->volume()), 18);
    QVERIFY(first->looping());
    QCOMPARE(second->name(), QStringLiteral("Second"));
    QCOMPARE(int(second->volume()), 40);
    QVERIFY(!second->looping());
    QCOMPARE(rig.port->device().completedTransfers(), 2);
}

void TestLoadEndToEnd::truncateThenLoadToSlot8()
{
    LoadRig rig;
    const QByteArray sound = noise(100000, 8);
    openThroughDialog(rig, rig.wavFile(QStringLiteral("Long.wav"), sound));
    rig.window.destinationText = QStringLiteral("C8");

    LoadSound(*rig.state, rig.platform);
    QCOMPARE(rig.box.shown.size(), 1);
    QCOMPARE(rig.box.shown[0].title, QStringLiteral("Too Long for BG#8"));
    QCOMPARE(rig.port->bytesToDevice(), qint64(0));

    TruncateForBG8(*rig.state, rig.platform);
    QCOMPARE(rig.window.fileLenSec, QStringLiteral("8.1899 Sec."));
    LoadSound(*rig.state, rig.platform);

    QCOMPARE(rig.box.shown.size(), 2); // the truncation question only
    const StoredSlot *slot = rig.port->device().slot(12, 8);
    QVERIFY(slot && slot->complete);
    QCOMPARE(slot->length(), 65519);
    QCOMPARE(slot->sound(), sound.left(65519));
}

void TestLoadEndToEnd::untouchedEntriesAfterOpen()
{
    LoadRig rig;
    const QByteArray sound = noise(3000, 9);
    openThroughDialog(rig, rig.wavFile(QStringLiteral("Announcement2.wav"), sound));
    rig.window.destinationText = QStringLiteral("a1");
    LoadSound(*rig.state, rig.platform);

    const StoredSlot *slot = rig.port->device().slot(10, 1);
    QVERIFY(slot && slot->complete);
    QCOMPARE(int(slot->volume()), 18);
    QVERIFY(slot->looping());
    QCOMPARE(slot->name(), QStringLiteral("Announceme"));
    QCOMPARE(slot->header.mid(2, 10), QByteArray("Announceme")); // ten characters, no pad
}

void TestLoadEndToEnd::deviceErrorIsReported()
{
    EmulatorOptions options;
    options.faults.push_back(DeviceFault::errorReply(1, DeviceFault::Checksum, 19)); // FlshSvEr
    LoadRig rig(options);
    openThroughDialog(rig, rig.wavFile(QStringLiteral("s.wav"), noise(9000, 1)));
    rig.window.destinationText = QStringLiteral("A2");

    const LoadResult result = LoadSound(*rig.state, rig.platform);
    QCOMPARE(result.kind, LoadResult::Kind::Rejected);
    QCOMPARE(int(result.code), 0x13);

    QCOMPARE(rig.box.shown.size(), 1);
    QCOMPARE(rig.box.shown[0].title, QStringLiteral("Flash Memory Write Error (FlshSvEr)"));
    QCOMPARE(rig.box.shown[0].style, 48);
    QVERIFY(rig.box.shown[0].prompt.endsWith(QStringLiteral("Error Code = 13")));
    QCOMPARE(rig.state->ErrCode, quint8(0));
    QVERIFY(!rig.progress.visible);
    QCOMPARE(rig.window.enabledHistory, (QList<bool> { false, true }));
    const StoredSlot *slot = rig.port->device().slot(10, 2);
    QVERIFY(!slot || !slot->complete);
}

void TestLoadEndToEnd::silenceIsReportedAfterEightSeconds()
{
    EmulatorOptions options;
    options.faults.push_back(DeviceFault::goSilent(1, 0));
    LoadRig rig(options);
    openThroughDialog(rig, rig.wavFile(QStringLiteral("s.wav"), noise(2000, 2)));
    rig.window.destinationText = QStringLiteral("B1");

    const qint64 start = rig.events.nowUs();
    const LoadResult result = LoadSound(*rig.state, rig.platform);
    QCOMPARE(result.kind, LoadResult::Kind::Failed);
    QCOMPARE(int(result.code), 0xE0);

    QCOMPARE(rig.box.shown.size(), 1);
    QCOMPARE(rig.box.shown[0].title, QStringLiteral("PC to VQ250 Serial Comm Error (PCcommEr)"));
    QVERIFY(rig.box.shown[0].prompt.endsWith(QStringLiteral("Error Code = E0")));
    const qint64 waited = rig.events.nowUs() - start;
    QVERIFY2(waited >= 8000000 && waited < 8100000, qPrintable(QString::number(waited)));
    QCOMPARE(rig.state->TimedOut, FlagFalse);
    QVERIFY(!rig.timer->isActive());
    QVERIFY(!rig.progress.visible);
    QCOMPARE(rig.window.enabledHistory, (QList<bool> { false, true }));
}

void TestLoadEndToEnd::staleInputIsFlushedBeforeLoading()
{
    // Bytes left in the input by an earlier, abandoned exchange sit in front
    // of everything the device sends; a load that did not discard them would
    // take them for the echo of its first byte.
    class StaleInput : public ForwardingSerialPort
    {
    public:
        StaleInput(SerialPort &port, QByteArray stale)
            : ForwardingSerialPort(port)
            , m_stale(std::move(stale))
        {
        }
        int bytesAvailable() const override
        {
            return int(m_stale.size()) + inner().bytesAvailable();
        }
        QByteArray readAll() override { return std::exchange(m_stale, {}) + inner().readAll(); }

    private:
        QByteArray m_stale;
    };

    LoadRig rig;
    const QByteArray sound = noise(100, 3);
    openThroughDialog(rig, rig.wavFile(QStringLiteral("s.wav"), sound));
    StaleInput port(*rig.port, QByteArray("\x02\x05", 2));
    Platform platform { port, rig.box, rig.dialog, rig.events, *rig.timer, rig.progress,
        rig.window };
    rig.window.destinationText = QStringLiteral("A1");

    LoadSound(*rig.state, platform);

    QVERIFY2(rig.box.shown.isEmpty(), qPrintable(rig.box.shown.value(0).title));
    QCOMPARE(port.bytesAvailable(), 0);
    const StoredSlot *slot = rig.port->device().slot(10, 1);
    QVERIFY(slot && slot->complete);
    QCOMPARE(slot->sound(), sound);
}

void TestLoadEndToEnd::retryRightAfterFault_data()
{
    QTest::addColumn<DeviceFault>("fault");
    QTest::addColumn<QString>("title");
    const QString unknown = QStringLiteral("Unknown Error from VQ250 (UnknownEr)");
    QTest::newRow("error pair") << DeviceFault::errorReply(1, DeviceFault::Checksum, 3)
                                << QStringLiteral("Serial Checksum Error (CkSmEr)");
    QTest::newRow("busy") << DeviceFault::replaceAnswer(0, 255)
                          << QStringLiteral("VQ250 is Busy (VQbusyEr)");
    QTest::newRow("silence") << DeviceFault::goSilent(1, 0)
                             << QStringLiteral("PC to VQ250 Serial Comm Error (PCcommEr)");
    // Given up inside a block: 4096 bytes still queued, or none.
    QTest::newRow("stray byte") << DeviceFault::strayByte(1, 10, 0x55) << unknown;
    QTest::newRow("wrong echo") << DeviceFault::corruptEcho(1, 0, 0x01) << unknown;
}

// OK, then LOAD at once: the load waits, its progress window up, until the
// device can have dropped the block the failure left, and goes through.
void TestLoadEndToEnd::retryRightAfterFault()
{
    QFETCH(DeviceFault, fault);
    QFETCH(QString, title);
    EmulatorOptions options;
    options.faults.push_back(fault);
    LoadRig rig(options);
    const QByteArray sound = noise(20000, 4);
    openThroughDialog(rig, rig.wavFile(QStringLiteral("s.wav"), sound));
    rig.window.destinationText = QStringLiteral("C3");
    LoadSound(*rig.state, rig.platform);
    QCOMPARE(rig.box.shown.value(0).title, title);
    rig.port->device().setSilent(false);

    const qint64 failedUs = rig.events.nowUs();
    const int sentBefore = rig.port->trace().toDevice().size();
    bool progressUp = false;
    rig.events.callAt(failedUs + 500000, [&] { progressUp = rig.progress.visible; });
    LoadSound(*rig.state, rig.platform);
    QVERIFY2(rig.box.shown.size() == 1, qPrintable(rig.box.shown.last().title));
    QCOMPARE(rig.port->device().slot(12, 3)->sound(), sound);
    QVERIFY(progressUp);
    const qint64 waitedUs = rig.port->trace().toDevice().at(sentBefore).timeNs / 1000 - failedUs;
    QVERIFY2(waitedUs > 1000000 && waitedUs < 1100000, qPrintable(QString::number(waitedUs)));
}

QTEST_GUILESS_MAIN(TestLoadEndToEnd)
#include "tst_loadendtoend.moc"
