#include "core/ProgramState.h"
#include "load/LoadCommand.h"
#include "platform/EventLoop.h"
#include "platform/Platform.h"

#include "fakes/Fakes.h"

#include <QtTest>

using namespace vq250;

namespace
{

// An event loop that must never be needed: a refused load sends nothing and
// waits for nothing.
class UnusedEventLoop : public EventLoop
{
public:
    int used = 0;
    void processEvents() override { ++used; }
    void waitForEvents() override { ++used; }
    std::unique_ptr<OneShotTimer> createTimer() override { return nullptr; }
    qint64 nowUs() const override { return 0; }
    void wakeAt(qint64) override { ++used; }
};

class IdleTimer : public OneShotTimer
{
public:
    int starts = 0;
    void setInterval(int) override { }
    int interval() const override { return 8000; }
    void start() override { ++starts; }
    void stop() override { }
    bool isActive() const override { return false; }
};

struct Rig {
    std::unique_ptr<ProgramState> state = std::make_unique<ProgramState>();
    fakes::FakeSerialPort port;
    fakes::FakeMessageBox box;
    fakes::FakeFileDialog dialog;
    UnusedEventLoop events;
    IdleTimer timer;
    fakes::FakeProgressView progress;
    fakes::FakeMainView window;
    Platform platform { port, box, dialog, events, timer, progress, window };
};

} // namespace

// Every way the load command refuses: which box, in which order, and that
// nothing reaches the line or the program state.
class TestLoadRefusals : public QObject
{
    Q_OBJECT

private slots:
    void refusal_data();
    void refusal();
    void refusalTexts_data();
    void refusalTexts();
};

void TestLoadRefusals::refusal_data()
{
    QTest::addColumn<bool>("opened");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<int>("soundLen");
    QTest::addColumn<QString>("volume");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");

    const QString noFile = QStringLiteral("Open a File for Loading");
    const QString station = QStringLiteral("Need Valid Station Letter");
    const QString bg = QStringLiteral("Need Valid BG Number");
    const QString bg8 = QStringLiteral("Too Long for BG#8");
    const QString vol = QStringLiteral("Default Volume Out of Range");
    const QString name = QStringLiteral("Sound Name Too Long");
    const QString eleven = QStringLiteral("ElevenChars");

    // Each row breaks every later rule too, so only the order picks the box.
    QTest::newRow("no file first") << false << "Z9" << 70000 << "x" << eleven << noFile;
    QTest::newRow("station before BG") << true << "Z9" << 70000 << "x" << eleven << station;
    QTest::newRow("empty destination") << true << "" << 10 << "18"
                                       << "a" << station;
    QTest::newRow("blank A1") << true << " A1" << 10 << "18"
                              << "a" << station;
    QTest::newRow("G1") << true << "G1" << 10 << "18"
                        << "a" << station;
    QTest::newRow("11") << true << "11" << 10 << "18"
                        << "a" << station;
    QTest::newRow("*1") << true << "*1" << 10 << "18"
                        << "a" << station;
    QTest::newRow("1A") << true << "1A" << 10 << "18"
                        << "a" << station;
    QTest::newRow("A") << true << "A" << 10 << "18"
                       << "a" << bg;
    QTest::newRow("A0") << true << "A0" << 10 << "18"
                        << "a" << bg;
    QTest::newRow("A9 before volume") << true << "A9" << 70000 << "x" << eleven << bg;
    QTest::newRow("AB") << true << "AB" << 10 << "18"
                        << "a" << bg;
    QTest::newRow("A*") << true << "A*" << 10 << "18"
                        << "a" << bg;
    QTest::newRow("BG8 65520 before volume") << true << "A8" << 65520 << "x" << eleven << bg8;
    QTest::newRow("BG8 131056") << true << "f8" << 131056 << "18"
                                << "a" << bg8;
    QTest::newRow("volume before name") << true << "A1" << 10 << "256" << eleven << vol;
    QTest::newRow("volume -1") << true << "A1" << 10 << "-1"
                               << "a" << vol;
    QTest::newRow("volume empty") << true << "A1" << 10 << ""
                                  << "a" << vol;
    QTest::newRow("volume letters") << true << "A1" << 10 << "ab"
                                    << "a" << vol;
    QTest::newRow("BG8 65519 then volume") << true << "A8" << 65519 << "x"
                                           << "a" << vol;
    QTest::newRow("BG7 131056 then volume") << true << "A7" << 131056 << "x"
                                            << "a" << vol;
    QTest::newRow("name 11") << true << "A1" << 10 << "18" << eleven << name;
    QTest::newRow("name 11 latin-1")
        << true << "A1" << 10 << "18"
        << QStringLiteral("\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9")
        << name;
    QTest::newRow("very long name")
        << true << "A1" << 10 << "18" << QString(100000, QLatin1Char('n')) << name;
    QTest::newRow("very long destination")
        << true << QString(100000, QLatin1Char('Q')) << 10 << "18"
        << "a" << station;
}

void TestLoadRefusals::refusal()
{
    QFETCH(bool, opened);
    QFETCH(QString, destination);
    QFETCH(int, soundLen);
    QFETCH(QString, volume);
    QFETCH(QString, name);
    QFETCH(QString, title);

    Rig rig;
    ProgramState &st = *rig.state;
    st.FileOpened = opened ? FlagTrue : FlagFalse;
    st.SoundLen = soundLen;
    st.SoundName = QStringLiteral("before");
    st.ErrCode = 99;
    st.SoundBuf[0] = 0x52;
    rig.window.destinationText = destination;
    rig.window.volumeText = volume;
    rig.window.name = name;
    rig.port.incoming = QByteArray("\xA1\x73stale", 7);

    const LoadResult result = LoadSound(st, rig.platform);
    const QHash<QString, LoadCheck> checkOf {
        { QStringLiteral("Open a File for Loading"), LoadCheck::FileOpened },
        { QStringLiteral("Need Valid Station Letter"), LoadCheck::Station },
        { QStringLiteral("Need Valid BG Number"), LoadCheck::BgNumber },
        { QStringLiteral("Too Long for BG#8"), LoadCheck::Bg8Length },
        { QStringLiteral("Default Volume Out of Range"), LoadCheck::Volume },
        { QStringLiteral("Sound Name Too Long"), LoadCheck::NameLength },
    };
    QCOMPARE(result.kind, LoadResult::Kind::Refused);
    QCOMPARE(result.refusedBy, checkOf.value(title, LoadCheck::None));

    QCOMPARE(rig.box.shown.size(), 1);
    QCOMPARE(rig.box.shown[0].title, title);
    QCOMPARE(rig.box.shown[0].style, 0);
    QVERIFY(rig.port.sent.isEmpty());
    QVERIFY(rig.port.incoming.isEmpty()); // stale input flushed although refused
    QCOMPARE(st.ErrCode, quint8(0));
    QCOMPARE(st.SoundName, QStringLiteral("before"));
    QCOMPARE(st.SoundLen, soundLen);
    QCOMPARE(st.FileOpened, opened ? FlagTrue : FlagFalse);
    QCOMPARE(st.SoundBuf[0], quint8(0x52));
    QCOMPARE(rig.events.used, 0);
    QCOMPARE(rig.timer.starts, 0);
    QVERIFY(rig.progress.events.isEmpty());
    QVERIFY(rig.window.enabledHistory.isEmpty());
}

void TestLoadRefusals::refusalTexts_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("prompt");
    const QChar cr(13);
    auto row = [&](const LoadRefusal &r, QStringList lines) {
        QTest::newRow(qPrintable(r.title)) << r.title << lines.join(cr);
    };
    row(noFileRefusal(),
        { "Need to Open a File for Loading.", "Either no file has been opened yet or",
            "the previous file opening was aborted or corrupted.",
            "Open a new sound file before loading." });
    row(stationRefusal(),
        { "Enter Destination Station Letter.", "Must enter a valid Destination Station Letter",
            "(A thru F) and BG Sound Number (1 thru 8)", "(for example A1)",
            "before selecting Load Sound button." });
    row(bgNumberRefusal(),
        { "Enter Destination BG Sound Number.", "Must enter a valid Destination BG Sound Number",
            "(1 thru 8) after Station Letter (A thru F)", "(for example A1)",
            "before selecting Load Sound button." });
    row(tooLongForBg8Refusal(),
        { "Sound is too long for BG#8.", "Sound to be loaded to BG#8 is limited to",
            "a maximum of 65519 bytes", "(Approx. 8.1 seconds).",
            "Need to Truncate Sound for BG#8 before loading." });
    row(volumeRefusal(),
        { "Volume Out of Range.", "Default Sound Volume must be a number from 0 to 255.",
            "(0 = Silent, 255 = Full Volume)", "Note that this Volume Level Value is Non-Linear",
            "and a value of around 18 is usually about mid-level.",
            "Enter a valid Default Volume Level then try again." });
    row(nameTooLongRefusal(),
        { "Sound Name too long.", "Sound Name is Limited to 10 Characters in VQ250.",
            "Enter name of 10 or less characters." });
}

void TestLoadRefusals::refusalTexts()
{
    QFETCH(QString, title);
    QFETCH(QString, prompt);
    const QMap<QString, std::function<LoadRefusal()>> all = {
        { "Open a File for Loading", noFileRefusal },
        { "Need Valid Station Letter", stationRefusal },
        { "Need Valid BG Number", bgNumberRefusal },
        { "Too Long for BG#8", tooLongForBg8Refusal },
        { "Default Volume Out of Range", volumeRefusal },
        { "Sound Name Too Long", nameTooLongRefusal },
    };
    QVERIFY(all.contains(title));
    QCOMPARE(all[title]().lines.join(QChar(13)), prompt);
    QVERIFY(!prompt.contains(QChar(10)));
    QVERIFY(!prompt.endsWith(QChar(13)));
}

QTEST_GUILESS_MAIN(TestLoadRefusals)
#include "tst_loadrefusals.moc"
