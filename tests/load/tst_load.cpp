#include "load/Destination.h"
#include "load/LoadCommand.h"
#include "load/SoundHeader.h"
#include "sim/WireOracle.h"
#include "sound/OpenCommand.h"
#include "support/Rig.h"

#include <QTest>

using namespace vq250;
using namespace vq250::test;

namespace
{

QString astral(int count)
{
    return QString::fromUcs4(U"\U0001F600").repeated(count);
}

QString nul(const char *before, const char *after)
{
    return QString::fromLatin1(before) + QChar(0) + QString::fromLatin1(after);
}

void type(Rig &rig, const QString &dest, const QString &volume, const QString &name, int loop)
{
    rig.window.destinationText = dest;
    rig.window.volumeText = volume;
    rig.window.name = name;
    rig.window.loopValue = loop;
}

void open(Rig &rig, const QString &fileName, const QByteArray &samples)
{
    rig.dialog.nextPath = rig.wav(fileName, samples);
    OpenSound(*rig.state, rig.platform);
    QCOMPARE(rig.state->FileOpened, FlagTrue);
    rig.box.shown.clear();
}

} // namespace

// The load command: the entries, its refusals in order, and whole loads of
// opened files into the emulated VQ250, compared with the wire oracle.
class TestLoad : public QObject
{
    Q_OBJECT

private slots:
    // The destination and volume entries as the load command reads them.
    void entries()
    {
        const struct {
            QString entry;
            int station, bg;
            bool stationValid, bgValid;
        } rows[] = { { "A1", 10, 1, true, true }, { "a1", 10, 1, true, true },
            { "f8", 15, 8, true, true }, { "A12", 10, 1, true, true }, { "A", 10, 32, true, false },
            { "", 32, 32, false, false }, { " A1", 32, 10, false, false },
            { "G1", 32, 1, false, true }, { "g9", 32, 9, false, false },
            { "91", 9, 1, false, true }, { "*1", 25, 1, false, true }, { "A0", 10, 0, true, false },
            { "A9", 10, 9, true, false }, { "AB", 10, 11, true, false },
            { "A*", 10, 25, true, false }, { "1A", 1, 10, false, false },
            { QStringLiteral("\uFF11\u0663"), 32, 32, false, false },
            { astral(1) + "1", 32, 32, false, false } };
        for (const auto &row : rows) {
            const Destination d = parseDestination(row.entry);
            QVERIFY2(d.station == row.station && d.bgNum == row.bg, qPrintable(row.entry));
            QVERIFY2(d.stationValid() == row.stationValid && d.bgNumValid() == row.bgValid,
                qPrintable(row.entry));
        }
        const struct {
            QString entry;
            int volume; // -1: refused
        } volumes[] = { { "0", 0 }, { "18", 18 }, { "255", 255 }, { "256", -1 }, { "-1", -1 },
            { "-0", -1 }, { "", -1 }, { "   ", -1 }, { "abc", -1 }, { "18a", -1 }, { "0x12", -1 },
            { "18.5", -1 }, { "18,0", -1 }, { "1e2", -1 }, { "  42 ", 42 }, { "\t42", 42 },
            { "+42", 42 }, { " +7 ", 7 }, { "+ 7", -1 }, { "++7", -1 }, { "1+2", -1 },
            { "1 8", -1 }, { "000018", 18 }, { "+", -1 }, { "1" + QString(30, '0'), -1 },
            { QString(5000, '0') + "255", 255 }, { QStringLiteral("\uFF11\uFF18"), -1 },
            { QStringLiteral("\u00B9\u00B2"), -1 }, { nul("18", ""), -1 }, { "18\n", -1 } };
        for (const auto &row : volumes) {
            const std::optional<quint8> parsed = parseVolume(row.entry);
            QVERIFY2((parsed ? int(*parsed) : -1) == row.volume, qPrintable(row.entry));
        }
    }

    // Each row breaks every later rule too, so only the order picks the box.
    // Nothing reaches the line, the program state or the windows, but stale
    // input is flushed all the same.
    void refusals()
    {
        // Each check's box as title|style|prompt, in the order of LoadCheck from
        // FileOpened; '|' stands for CR.
        const char *const boxes[] = {
            "Open a File for Loading|0|"
            "Need to Open a File for Loading.|Either no file has been opened yet or|"
            "the previous file opening was aborted or corrupted.|"
            "Open a new sound file before loading.",
            "Need Valid Station Letter|0|"
            "Enter Destination Station Letter.|Must enter a valid Destination Station Letter|"
            "(A thru F) and BG Sound Number (1 thru 8)|(for example A1)|"
            "before selecting Load Sound button.",
            "Need Valid BG Number|0|"
            "Enter Destination BG Sound Number.|Must enter a valid Destination BG Sound Number|"
            "(1 thru 8) after Station Letter (A thru F)|(for example A1)|"
            "before selecting Load Sound button.",
            "Too Long for BG#8|0|"
            "Sound is too long for BG#8.|Sound to be loaded to BG#8 is limited to|"
            "a maximum of 65519 bytes|(Approx. 8.1 seconds).|"
            "Need to Truncate Sound for BG#8 before loading.",
            "Default Volume Out of Range|0|"
            "Volume Out of Range.|Default Sound Volume must be a number from 0 to 255.|"
            "(0 = Silent, 255 = Full Volume)|Note that this Volume Level Value is Non-Linear|"
            "and a value of around 18 is usually about mid-level.|"
            "Enter a valid Default Volume Level then try again.",
            "Sound Name Too Long|0|"
            "Sound Name too long.|Sound Name is Limited to 10 Characters in VQ250.|"
            "Enter name of 10 or less characters.",
            // What the device cannot store is refused, not sent as other bytes.
            "Sound Name Not Valid|0|"
            "Sound Name has characters VQ250 cannot store.|"
            "Sound Name may hold letters, digits, spaces and signs|"
            "of ISO 8859-1 (Latin-1), but no tabs or line breaks.|"
            "Enter name without such characters.",
        };
        const QString eleven = QStringLiteral("ElevenChars");
        using C = LoadCheck;
        const struct {
            bool opened;
            QString dest;
            int soundLen;
            QString volume, name;
            LoadCheck check;
        } rows[] = {
            { false, "Z9", 70000, "x", eleven, C::FileOpened },
            { true, "Z9", 70000, "x", eleven, C::Station },
            { true, QString(100000, '\0'), 10, QString(100000, '9'), astral(50000), C::Station },
            { true, "A9", 70000, "x", eleven, C::BgNumber },
            { true, "A8", 65520, "x", eleven, C::Bg8Length },
            { true, "A1", 10, "256", eleven, C::Volume },
            { true, "A8", 65519, "x", "a", C::Volume },
            { true, "A7", 131056, "x", "a", C::Volume },
            { true, "A1", 10, "18", eleven, C::NameLength },
            { true, "A1", 10, "18", QString(11, QChar(0xE9)), C::NameLength },
            { true, "A1", 10, "18", QString(11, QChar(13)), C::NameLength },
            { true, "A1", 10, "18", QStringLiteral("Announceme\u0301"), C::NameLength },
            { true, "B2", 10, "18", nul("", "\t\r\nx"), C::NameCharacters }, // no C string
            { true, "B2", 10, "18", QStringLiteral("\u007F\u0085"), C::NameCharacters },
            { true, "C3", 10, "18", QStringLiteral("\u03A9\u20AC\u0416"), C::NameCharacters },
            { true, "C3", 10, "18", astral(10), C::NameCharacters },
            { true, "C3", 10, "18", QStringLiteral("a") + QChar(0xD800) + "b", C::NameCharacters },
            { true, "C3", 10, "18", QStringLiteral("\u0080"), C::NameCharacters },
        };
        for (const auto &row : rows) {
            Rig rig;
            FakeSerialPort port;
            Platform platform = rig.on(port);
            ProgramState &st = *rig.state;
            st.FileOpened = row.opened ? FlagTrue : FlagFalse;
            st.SoundLen = row.soundLen;
            st.SoundName = QStringLiteral("before");
            st.ErrCode = 99;
            st.SoundBuf[0] = 0x52;
            type(rig, row.dest, row.volume, row.name, Checked);
            port.incoming = QByteArray("\xA1\x73stale", 7);

            const LoadResult result = LoadSound(st, platform);

            QCOMPARE(result.kind, LoadResult::Kind::Refused);
            QCOMPARE(result.refusedBy, row.check);
            QCOMPARE(rig.box.shown.size(), 1);
            const HeadlessMessageBox::Shown &box = rig.box.shown[0];
            QCOMPARE(box.title + '\r' + QString::number(box.style) + '\r' + box.prompt,
                QString::fromLatin1(boxes[int(row.check) - int(C::FileOpened)]).replace('|', '\r'));
            QVERIFY(port.sent.isEmpty() && port.incoming.isEmpty());
            QCOMPARE(st.ErrCode, quint8(0));
            QVERIFY(st.SoundName == QStringLiteral("before") && st.SoundLen == row.soundLen
                && st.FileOpened == (row.opened ? FlagTrue : FlagFalse) && st.SoundBuf[0] == 0x52);
            QCOMPARE(rig.events.processCalls() + rig.events.waitCalls(), 0);
            QVERIFY(rig.progress.events.isEmpty() && rig.window.enabledHistory.isEmpty());
        }
    }

    // Opened through the file dialog and loaded one after another, compared
    // with the oracle. A row as long as the one before loads the same sound
    // again: it stays opened.
    void loads()
    {
        const struct {
            int samples;
            QString dest, volume, name;
            int loop;
            const char *destination; // as the oracle has it
            LoadEntries header;
        } rows[] = {
            { 0, "A1", "18", "Silence", Checked, "A1", { 18, "Silence", true } },
            { 1000, "b2", "0", "Bell", Unchecked, "B2", { 0, "Bell", false } },
            { 1000, "B3", "40", "Second", Checked, "B3", { 40, "Second", true } },
            { 8173, "C3", "255", "TenCharsXY", Checked, "C3", { 255, "TenCharsXY", true } },
            { 8174, "d4", " +7 ", "", 2, "D4", { 7, "", false } },
            { 131056, "E7x", "18", "Long", Checked, "E7", { 18, "Long", true } },
            // A no-break space is byte 160, the pad byte itself: sent as it is.
            { 500, "F5", "18", QStringLiteral("Caf\u00e9 \u00A0~\u00ff"), Checked, "F5",
                { 18, "Caf\xe9 \xA0~\xff", true } },
        };
        Rig rig;
        int openedSamples = -1;
        for (const auto &row : rows) {
            const QByteArray samples = noise(row.samples, row.samples);
            if (std::exchange(openedSamples, row.samples) != row.samples)
                open(rig, QStringLiteral("sound.wav"), samples);
            type(rig, row.dest, row.volume, row.name, row.loop);
            rig.port->trace().clear();
            rig.window.enabledHistory.clear();

            QCOMPARE(LoadSound(*rig.state, rig.platform).kind, LoadResult::Kind::Loaded);
            QVERIFY2(rig.box.shown.isEmpty(), row.destination);
            QVERIFY2(sentWire(*rig.port)
                    == markedHex(expectedWire(samples, row.destination, row.header)),
                row.destination);
            QCOMPARE(rig.window.enabledHistory, (QList<bool> { false, true }));
        }
    }

    // A failure shows its box once, clears the code and gives the buttons
    // back; OK, then LOAD at once: the load waits, its progress window up,
    // until the device can have dropped the block the failure left, and goes
    // through.
    void retryRightAfterFault()
    {
        const char *unknown = "Unknown Error from VQ250 (UnknownEr)";
        const struct {
            DeviceFault fault;
            const char *title;
            LoadResult::Kind kind;
            int code;
        } rows[] = {
            { DeviceFault::errorReply(1, DeviceFault::Checksum, 19),
                "Flash Memory Write Error (FlshSvEr)", LoadResult::Kind::Rejected, 0x13 },
            { DeviceFault::goSilent(1, 0), "PC to VQ250 Serial Comm Error (PCcommEr)",
                LoadResult::Kind::Failed, 0xE0 },
            // Given up inside a block: 4096 bytes still queued, or none.
            { DeviceFault::strayByte(1, 10, 0x55), unknown, LoadResult::Kind::Failed, 0xE1 },
            { DeviceFault::corruptEcho(1, 0, 0x01), unknown, LoadResult::Kind::Failed, 0xE1 },
        };
        for (const auto &row : rows) {
            EmulatorOptions options;
            options.faults.push_back(row.fault);
            Rig rig(options);
            const QByteArray samples = noise(20000, 4);
            open(rig, QStringLiteral("s.wav"), samples);
            rig.window.destinationText = QStringLiteral("C3");
            const LoadResult result = LoadSound(*rig.state, rig.platform);
            QVERIFY2(result.kind == row.kind && result.code == row.code, row.title);
            QCOMPARE(rig.box.shown.size(), 1);
            QCOMPARE(rig.box.shown[0].title, QString::fromLatin1(row.title));
            QCOMPARE(rig.state->ErrCode, quint8(0));
            QCOMPARE(rig.window.enabledHistory, (QList<bool> { false, true }));
            QVERIFY(!rig.port->device().slot(12, 3)->complete);

            rig.port->device().setSilent(false);
            const qint64 failedUs = rig.events.nowUs();
            const int sentBefore = rig.port->trace().toDevice().size();
            bool progressUp = false;
            rig.events.callAt(failedUs + 500000, [&] { progressUp = rig.progress.visible; });
            QCOMPARE(LoadSound(*rig.state, rig.platform).kind, LoadResult::Kind::Loaded);
            QCOMPARE(rig.box.shown.size(), 1);
            QVERIFY(rig.port->device().slot(12, 3)->sound() == samples && progressUp);
            const qint64 waitedUs
                = rig.port->trace().toDevice().at(sentBefore).timeNs / 1000 - failedUs;
            QVERIFY2(
                waitedUs > 1000000 && waitedUs < 1100000, qPrintable(QString::number(waitedUs)));
        }
    }
};

QTEST_GUILESS_MAIN(TestLoad)
#include "tst_load.moc"
