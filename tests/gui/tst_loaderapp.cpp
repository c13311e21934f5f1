#include "core/ProgramState.h"
#include "core/Startup.h"
#include "gui/LoaderApp.h"
#include "platform/EventLoop.h"
#include "platform/QtEventLoop.h"
#include "support/Fakes.h"

#include <QLabel>
#include <QtTest>

using namespace vq250;

namespace
{

// A fake port that tells when it has been released.
class WatchedPort final : public fakes::FakeSerialPort
{
public:
    explicit WatchedPort(bool *released)
        : m_released(released)
    {
    }
    ~WatchedPort() override { *m_released = true; }

private:
    bool *m_released;
};

struct Rig {
    bool released = false;
    WatchedPort *port = nullptr; // owned by the app
    fakes::FakeMessageBox startupBox;
    QList<int> endedWith;
    std::unique_ptr<LoaderApp> app;

    explicit Rig(bool refuse = false, const QList<cli::PortDescription> &present = {})
    {
        auto owned = std::make_unique<WatchedPort>(&released);
        owned->refuseOpen = refuse;
        port = owned.get();
        app = std::make_unique<LoaderApp>(
            std::move(owned), &startupBox, [this](int status) { endedWith << status; },
            [present] { return present; });
    }
};

bool anyWindowVisible()
{
    const auto tops = QApplication::topLevelWidgets();
    return std::any_of(tops.begin(), tops.end(), [](QWidget *w) { return w->isVisible(); });
}

} // namespace

class TestLoaderApp : public QObject
{
    Q_OBJECT

private slots:
    void refusedPortEndsWithoutWindow_data();
    void refusedPortEndsWithoutWindow();
    void startShowsVersionAndWindow();
    void replyTimerTicksIntoState();
    void quitButtonReleasesPortAndEnds();
    void closeBoxEndsLikeQuit();
    void quitEndsInsideNestedWait();
};

using Ports = QList<cli::PortDescription>;
Q_DECLARE_METATYPE(Ports)

void TestLoaderApp::refusedPortEndsWithoutWindow_data()
{
    QTest::addColumn<Ports>("present");
    QTest::addColumn<QString>("prompt");
    const QString how = "\nStart the program with the port to use, for example:\n"
                        "vq250 --port /dev/ttyUSB0";
    QTest::newRow("no ports") << Ports {}
                              << "/dev/ttyS0: Permission denied\n\nNo serial ports found.\n" + how;
    QTest::newRow("name only") << Ports { { "/dev/ttyS0", "", "", "" } }
                               << "/dev/ttyS0: Permission denied\n\nSerial ports on this "
                                  "computer:\n/dev/ttyS0\n"
            + how;
    QTest::newRow("adapters") << Ports { { "/dev/ttyUSB1", "FT232R USB UART", "FTDI", "A10K" },
        { "/dev/ttyACM0", "", "Arduino", "" }, { "/dev/ttyS0", "16550A", "", "" } }
                              << "/dev/ttyS0: Permission denied\n\nSerial ports on this computer:\n"
                                 "/dev/ttyUSB1  FT232R USB UART, FTDI, serial number A10K\n"
                                 "/dev/ttyACM0  Arduino\n/dev/ttyS0  16550A\n"
            + how;
}

void TestLoaderApp::refusedPortEndsWithoutWindow()
{
    QFETCH(Ports, present);
    QFETCH(QString, prompt);
    Rig rig(true, present);
    rig.port->openError = QStringLiteral("/dev/ttyS0: Permission denied");
    QCOMPARE(rig.app->start(), 1);

    QCOMPARE(rig.startupBox.shown.size(), 1);
    QCOMPARE(rig.startupBox.shown[0].prompt, prompt);
    QCOMPARE(rig.startupBox.shown[0].title, QStringLiteral("VQ250"));
    QCOMPARE(rig.startupBox.shown[0].style, int(MsgOkExclamation));
    QCoreApplication::processEvents();
    QVERIFY(!rig.app->form().isVisible());
    QVERIFY(!anyWindowVisible());
    // No further start-up step ran.
    QVERIFY(!rig.port->calls.contains(QStringLiteral("RThreshold=1")));
    QVERIFY(rig.app->state().WavHelpText.isEmpty());
    QVERIFY(rig.endedWith.isEmpty());
}

void TestLoaderApp::startShowsVersionAndWindow()
{
    Rig rig;
    QCOMPARE(rig.app->start(), 0);
    QVERIFY(rig.startupBox.shown.isEmpty());
    QCOMPARE(rig.port->calls.last(), QStringLiteral("RThreshold=1")); // the order: tst_startup
    QVERIFY(rig.app->form().isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(&rig.app->form()));
    QCOMPARE(rig.app->form().size(), QSize(600, 400));
    QCOMPARE(rig.app->form().windowTitle(), QStringLiteral("VQ250"));
    auto *version = rig.app->form().findChild<QLabel *>(QStringLiteral("LabelVersionNum"));
    QVERIFY(version);
    QCOMPARE(version->text(), QStringLiteral("Version 1.05"));

    const ProgramState &state = rig.app->state();
    QCOMPARE(state.VersionText, QStringLiteral("1.05"));
    QCOMPARE(int(state.ErrCode), 0);
    QCOMPARE(state.FileOpened, FlagFalse);
    QCOMPARE(state.TimedOut, FlagFalse);
    QVERIFY(state.WavHelpText.startsWith(
        QStringLiteral("VQ250 sound files must be .wav files and must be\rPCM")));
    QCOMPARE(rig.app->platform().replyTimer.interval(), 8000);
    QVERIFY(!rig.app->platform().replyTimer.isActive());
    // Armed, it runs a precise 8000 ms from that moment.
    rig.app->platform().replyTimer.start();
    const QTimer &armed = dynamic_cast<QtOneShotTimer &>(rig.app->platform().replyTimer).timer();
    QCOMPARE(armed.timerType(), Qt::PreciseTimer);
    QVERIFY(armed.isSingleShot());
    QVERIFY2(armed.remainingTime() >= 7990 && armed.remainingTime() <= 8000,
        qPrintable(QString::number(armed.remainingTime())));
    rig.app->platform().replyTimer.stop();

    // Centred on its screen.
    const QRect screen = rig.app->form().screen()->availableGeometry();
    QVERIFY(qAbs(rig.app->form().geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(rig.app->form().geometry().center().y() - screen.center().y()) <= 1);
    // The progress window is not made by start-up.
    QVERIFY(rig.app->progress().window() == nullptr);
}

void TestLoaderApp::replyTimerTicksIntoState()
{
    Rig rig;
    QCOMPARE(rig.app->start(), 0);
    OneShotTimer &timer = rig.app->platform().replyTimer;
    timer.setInterval(5); // shortened; the program's value is 8000
    timer.start();
    QTRY_COMPARE_WITH_TIMEOUT(rig.app->state().TimedOut, qint16(-1), 5000);
    QVERIFY(!timer.isActive());
}

void TestLoaderApp::quitButtonReleasesPortAndEnds()
{
    Rig rig;
    QCOMPARE(rig.app->start(), 0);
    QVERIFY(!rig.released);
    QTest::mouseClick(
        rig.app->form().findChild<QWidget *>(QStringLiteral("QuitBtn")), Qt::LeftButton);
    QVERIFY(rig.released);
    QCOMPARE(rig.endedWith, QList<int> { 0 });
}

void TestLoaderApp::closeBoxEndsLikeQuit()
{
    Rig rig;
    QCOMPARE(rig.app->start(), 0);
    rig.app->form().close();
    QVERIFY(rig.released);
    QCOMPARE(rig.endedWith, QList<int> { 0 });
}

void TestLoaderApp::quitEndsInsideNestedWait()
{
    Rig rig;
    QCOMPARE(rig.app->start(), 0);
    QWidget *quit = rig.app->form().findChild<QWidget *>(QStringLiteral("QuitBtn"));
    // A command waiting for the device: it polls and lets events through.
    // The click arrives as an event during that wait and must end the
    // program there, not after the wait.
    QTimer::singleShot(0, quit, [quit] { QTest::mouseClick(quit, Qt::LeftButton); });
    EventLoop &events = rig.app->platform().events;
    QElapsedTimer waited;
    waited.start();
    bool endedDuringWait = false;
    while (waited.elapsed() < 5000) {
        events.processEvents();
        if (!rig.endedWith.isEmpty()) {
            endedDuringWait = true;
            break;
        }
    }
    QVERIFY(endedDuringWait);
    QVERIFY(rig.released);
    QCOMPARE(rig.endedWith, QList<int> { 0 });
}

QTEST_MAIN(TestLoaderApp)
#include "tst_loaderapp.moc"
