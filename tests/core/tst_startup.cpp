#include "core/ProgramState.h"
#include "core/Startup.h"
#include "sim/VirtualEventLoop.h"
#include "support/Fakes.h"

#include <QTest>

using namespace vq250;

// The load step: the version text, the help text, the port's settings in
// order, the program state and the reply timer.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    // The version text. A port that will not open stops the load step there,
    // leaving the state and the timer alone; the next one runs it whole.
    void loadStep()
    {
        const struct {
            int major, minor, revision;
            QString text;
        } versions[] = { { 1, 5, 0, "1.05" }, { 3, 9, 0, "3.09" }, { 2, 0, 0, "2.00" },
            { 1, 10, 0, "1.10" }, { 1, 10, 12, "1.10.12" } };
        for (const auto &row : versions)
            QCOMPARE(versionText(row.major, row.minor, row.revision), row.text);

        VirtualEventLoop events;
        const auto timer = events.createTimer();
        timer->start(); // running before: the load step must stop it
        auto state = std::make_unique<ProgramState>();
        state->ErrCode = 224; // leftovers the load step clears
        state->TimedOut = FlagTrue;
        state->FileOpened = FlagTrue;
        fakes::FakeSerialPort refused;
        refused.refuseOpen = true;
        QVERIFY(!runLoadStep(*state, refused, *timer));
        QCOMPARE(refused.calls.last(), QStringLiteral("PortOpen=True")); // nothing after it runs
        QVERIFY(timer->isActive() && state->WavHelpText.isEmpty());
        QCOMPARE(int(state->ErrCode), 224);
        fakes::FakeSerialPort port;
        QVERIFY(runLoadStep(*state, port, *timer));
        QCOMPARE(port.calls,
            QStringList({ "CommPort=1", "Settings=57600,N,8,1", "InputMode=1", "InBufferSize=8448",
                "OutBufferSize=8448", "PortOpen=True", "RThreshold=1" }));
        QVERIFY(!timer->isActive());
        QCOMPARE(QList<int>({ state->ErrCode, state->TimedOut, state->FileOpened }),
            QList<int>({ 0, FlagFalse, FlagFalse }));
        QVERIFY(state->SoundLen == 0 && state->SoundFilePath.isEmpty() && state->RxData.isEmpty());
        QVERIFY(std::all_of(
            state->SoundBuf.begin(), state->SoundBuf.end(), [](quint8 b) { return b == 0; }));
        QCOMPARE(state->WavHelpText,
            QStringLiteral("VQ250 sound files must be .wav files and must be|"
                           "PCM 8KHz, 8Bit, Mono.|"
                           "Sound must be converted to this format before it can be opened.|"
                           "Suggested conversion procedure:|"
                           "* Locate and start the Sound Recorder application|"
                           "   on your PC. (SNDREC32.EXE)|"
                           "* In Sound Recorder use File>Open... to find your file|"
                           "   and open it. If your file is not a .wav file you may|"
                           "   need additional software to convert it to a .wav first.|"
                           "* Choose File>Save As... then select the Format Change... button|"
                           "   at the bottom of the Save As window.|"
                           "* In the Sound Selection window choose PCM from the Format list,|"
                           "   then choose 8,000 Hz, 8 Bit, Mono from the Attributes list,|"
                           "   then select the OK button.|"
                           "* Back in the Save As window, name your sound with a|"
                           "   10 character or less filename plus the .wav extension|"
                           "   then select the Save button.")
                .replace('|', QChar(13)));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
