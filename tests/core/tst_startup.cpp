#include "core/ProgramState.h"
#include "core/Startup.h"
#include "fakes/Fakes.h"
#include "platform/EventLoop.h"

#include <QtTest>

using namespace vq250;

namespace
{

// A timer that records what is done to it; tick() fires it by hand.
class RecordingTimer final : public OneShotTimer
{
public:
    QStringList calls;
    int ms = 0;
    bool active = false;

    void setInterval(int value) override
    {
        ms = value;
        calls << QStringLiteral("Interval=%1").arg(value);
    }
    int interval() const override { return ms; }
    void start() override
    {
        active = true;
        calls << QStringLiteral("start");
    }
    void stop() override
    {
        active = false;
        calls << QStringLiteral("stop");
    }
    bool isActive() const override { return active; }
    void tick() { fireTick(); }
};

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void versionText_data();
    void versionText();
    void thisBuildIsVersion105();
    void wavHelpTextExact();
    void wavHelpTextSeparators();
    void serialSettingsInOrder();
    void stateAfterLoadStep();
    void timerPreparedStopped();
    void tickStopsTimerAndSetsTimedOut();
    void refusedPortStopsLoadStep();
};

void TestStartup::versionText_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("expected");

    QTest::newRow("minor padded") << 1 << 5 << 0 << "1.05";
    QTest::newRow("minor 10 unpadded") << 1 << 10 << 0 << "1.10";
    QTest::newRow("minor 12 unpadded") << 1 << 12 << 0 << "1.12";
    QTest::newRow("minor 0 padded") << 2 << 0 << 0 << "2.00";
    QTest::newRow("minor 9 padded") << 3 << 9 << 0 << "3.09";
    QTest::newRow("revision appended") << 1 << 5 << 7 << "1.05.7";
    QTest::newRow("revision unpadded") << 1 << 5 << 3 << "1.05.3";
    QTest::newRow("revision two digits") << 1 << 10 << 12 << "1.10.12";
}

void TestStartup::versionText()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, expected);
    QCOMPARE(vq250::versionText(major, minor, revision), expected);
}

void TestStartup::thisBuildIsVersion105()
{
    fakes::FakeSerialPort port;
    RecordingTimer timer;
    auto state = std::make_unique<ProgramState>();
    QVERIFY(runLoadStep(*state, port, timer));
    QCOMPARE(state->VersionText, QStringLiteral("1.05"));
}

void TestStartup::wavHelpTextExact()
{
    const QStringList expected = {
        "VQ250 sound files must be .wav files and must be",
        "PCM 8KHz, 8Bit, Mono.",
        "Sound must be converted to this format before it can be opened.",
        "Suggested conversion procedure:",
        "* Locate and start the Sound Recorder application",
        "   on your PC. (SNDREC32.EXE)",
        "* In Sound Recorder use File>Open... to find your file",
        "   and open it. If your file is not a .wav file you may",
        "   need additional software to convert it to a .wav first.",
        "* Choose File>Save As... then select the Format Change... button",
        "   at the bottom of the Save As window.",
        "* In the Sound Selection window choose PCM from the Format list,",
        "   then choose 8,000 Hz, 8 Bit, Mono from the Attributes list,",
        "   then select the OK button.",
        "* Back in the Save As window, name your sound with a",
        "   10 character or less filename plus the .wav extension",
        "   then select the Save button.",
    };
    QCOMPARE(wavHelpText(), expected.join(QChar(13)));
}

void TestStartup::wavHelpTextSeparators()
{
    const QString text = wavHelpText();
    QCOMPARE(text.count(QChar(13)), 16);
    QVERIFY(!text.contains(QChar(10)));
    QVERIFY(!text.startsWith(QChar(13)));
    QVERIFY(!text.endsWith(QChar(13)));

    const QStringList lines = text.split(QChar(13));
    QCOMPARE(lines.size(), 17);
    // Indented lines start with exactly three spaces; the others with none.
    const QList<int> indented = { 5, 7, 8, 10, 12, 13, 15, 16 };
    for (int i = 0; i < lines.size(); ++i) {
        const bool threeSpaces = lines[i].startsWith(QLatin1String("   "))
            && !lines[i].startsWith(QLatin1String("    "));
        QVERIFY2(threeSpaces == indented.contains(i), qPrintable(lines[i]));
        if (!indented.contains(i))
            QVERIFY(!lines[i].startsWith(QLatin1Char(' ')));
    }
}

void TestStartup::serialSettingsInOrder()
{
    fakes::FakeSerialPort port;
    RecordingTimer timer;
    auto state = std::make_unique<ProgramState>();
    QVERIFY(runLoadStep(*state, port, timer));
    const QStringList expected = {
        "CommPort=1",
        "Settings=57600,N,8,1",
        "InputMode=1",
        "InBufferSize=8448",
        "OutBufferSize=8448",
        "PortOpen=True",
        "RThreshold=1",
    };
    QCOMPARE(port.calls, expected);
    QVERIFY(port.isOpen());
}

void TestStartup::stateAfterLoadStep()
{
    fakes::FakeSerialPort port;
    RecordingTimer timer;
    auto state = std::make_unique<ProgramState>();
    // Leftovers that the load step must clear.
    state->ErrCode = 224;
    state->TimedOut = FlagTrue;
    state->FileOpened = FlagTrue;
    QVERIFY(runLoadStep(*state, port, timer));

    QCOMPARE(int(state->ErrCode), 0);
    QCOMPARE(state->TimedOut, FlagFalse);
    QCOMPARE(state->FileOpened, FlagFalse);
    QCOMPARE(state->WavHelpText, wavHelpText());
    // The rest keeps its zero start values.
    QCOMPARE(state->SoundLen, 0);
    QVERIFY(state->SoundFilePath.isEmpty());
    QVERIFY(state->RxData.isEmpty());
    QVERIFY(std::all_of(
        state->SoundBuf.begin(), state->SoundBuf.end(), [](quint8 b) { return b == 0; }));
}

void TestStartup::timerPreparedStopped()
{
    fakes::FakeSerialPort port;
    RecordingTimer timer;
    timer.start(); // running before: the load step must stop it
    timer.calls.clear();
    auto state = std::make_unique<ProgramState>();
    QVERIFY(runLoadStep(*state, port, timer));

    QCOMPARE(timer.calls, (QStringList { "stop", "Interval=8000" }));
    QCOMPARE(timer.interval(), 8000);
    QCOMPARE(ReplyTimeoutMs, 8000);
    QVERIFY(!timer.isActive());
}

void TestStartup::tickStopsTimerAndSetsTimedOut()
{
    fakes::FakeSerialPort port;
    RecordingTimer timer;
    auto state = std::make_unique<ProgramState>();
    QVERIFY(runLoadStep(*state, port, timer));

    timer.start();
    timer.calls.clear();
    QCOMPARE(state->TimedOut, FlagFalse);
    timer.tick();
    QCOMPARE(state->TimedOut, qint16(-1));
    QCOMPARE(timer.calls, QStringList { "stop" });
    QVERIFY(!timer.isActive());
}

void TestStartup::refusedPortStopsLoadStep()
{
    fakes::FakeSerialPort port;
    port.refuseOpen = true;
    RecordingTimer timer;
    auto state = std::make_unique<ProgramState>();
    state->ErrCode = 7;
    QVERIFY(!runLoadStep(*state, port, timer));

    // Nothing after the failed open runs.
    QCOMPARE(port.calls.last(), QStringLiteral("PortOpen=True"));
    QVERIFY(!port.calls.contains(QStringLiteral("RThreshold=1")));
    QVERIFY(timer.calls.isEmpty());
    QCOMPARE(int(state->ErrCode), 7);
    QVERIFY(state->WavHelpText.isEmpty());
    QCOMPARE(port.errorText(), QStringLiteral("/dev/ttyS0: No such file or directory"));
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
