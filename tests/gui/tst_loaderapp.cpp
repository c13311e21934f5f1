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

using Ports = QList<cli::PortDescription>;

class TestLoaderApp : public QObject
{
    Q_OBJECT

private slots:
    void refusedPortEndsWithoutWindow()
    {
        const QString how = "\nStart the program with the port to use, for example:\n"
                            "vq250 --port /dev/ttyUSB0";
        const QString denied = "/dev/ttyS0: Permission denied\n\n";
        const struct {
            Ports present;
            QString prompt;
        } rows[] = {
            { {}, denied + "No serial ports found.\n" + how },
            { { { "/dev/ttyS0", "", "", "" } },
                denied + "Serial ports on this computer:\n/dev/ttyS0\n" + how },
            { { { "/dev/ttyUSB1", "FT232R USB UART", "FTDI", "A10K" },
                  { "/dev/ttyACM0", "", "Arduino", "" }, { "/dev/ttyS0", "16550A", "", "" } },
                denied
                    + "Serial ports on this computer:\n"
                      "/dev/ttyUSB1  FT232R USB UART, FTDI, serial number A10K\n"
                      "/dev/ttyACM0  Arduino\n/dev/ttyS0  16550A\n"
                    + how },
        };
        for (const auto &row : rows) {
            Rig rig(true, row.present);
            rig.port->openError = QStringLiteral("/dev/ttyS0: Permission denied");
            QCOMPARE(rig.app->start(), 1);
            QCOMPARE(rig.startupBox.shown.size(), 1);
            QCOMPARE(rig.startupBox.shown[0].prompt, row.prompt);
            QCOMPARE(rig.startupBox.shown[0].title, QStringLiteral("VQ250"));
            QCOMPARE(rig.startupBox.shown[0].style, int(MsgOkExclamation));
            QCoreApplication::processEvents();
            QVERIFY(!anyWindowVisible());
            // No further start-up step ran.
            QVERIFY(!rig.port->calls.contains(QStringLiteral("RThreshold=1")));
            QVERIFY(rig.app->state().WavHelpText.isEmpty());
            QVERIFY(rig.endedWith.isEmpty());
        }
    }

    void startShowsVersionAndWindow()
    {
        Rig rig;
        QCOMPARE(rig.app->start(), 0);
        QVERIFY(rig.startupBox.shown.isEmpty());
        QCOMPARE(rig.port->calls.last(), QStringLiteral("RThreshold=1")); // the order: tst_startup
        QVERIFY(rig.app->form().isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(&rig.app->form()));
        auto *version = rig.app->form().findChild<QLabel *>(QStringLiteral("LabelVersionNum"));
        QVERIFY(version);
        QCOMPARE(version->text(), QStringLiteral("Version 1.05"));

        const ProgramState &state = rig.app->state();
        QCOMPARE(state.VersionText, QStringLiteral("1.05"));
        QVERIFY(!rig.app->platform().replyTimer.isActive());
        // Armed, it runs a precise 8000 ms from that moment.
        rig.app->platform().replyTimer.start();
        const QTimer &armed
            = dynamic_cast<QtOneShotTimer &>(rig.app->platform().replyTimer).timer();
        QCOMPARE(armed.timerType(), Qt::PreciseTimer);
        QVERIFY(armed.isSingleShot());
        QVERIFY(armed.isActive());
        QCOMPARE(armed.interval(), 8000);
        rig.app->platform().replyTimer.stop();

        // Centred on its screen.
        const QRect screen = rig.app->form().screen()->availableGeometry();
        QVERIFY(qAbs(rig.app->form().geometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(rig.app->form().geometry().center().y() - screen.center().y()) <= 1);
        // The progress window is not made by start-up.
        QVERIFY(rig.app->progress().window() == nullptr);
    }

    void replyTimerTicksIntoState()
    {
        Rig rig;
        QCOMPARE(rig.app->start(), 0);
        OneShotTimer &timer = rig.app->platform().replyTimer;
        timer.setInterval(5); // shortened; the program's value is 8000
        timer.start();
        QTRY_COMPARE_WITH_TIMEOUT(rig.app->state().TimedOut, qint16(-1), 5000);
        QVERIFY(!timer.isActive());
    }

    // The Quit button and the close box both release the port and end.
    void quitAndCloseBoxEnd()
    {
        for (const bool closeBox : { false, true }) {
            Rig rig;
            QCOMPARE(rig.app->start(), 0);
            QVERIFY(!rig.released);
            if (closeBox)
                rig.app->form().close();
            else
                QTest::mouseClick(rig.app->form().findChild<QWidget *>(QStringLiteral("QuitBtn")),
                    Qt::LeftButton);
            QVERIFY(rig.released);
            QCOMPARE(rig.endedWith, QList<int> { 0 });
        }
    }

    void quitEndsInsideNestedWait()
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
};

QTEST_MAIN(TestLoaderApp)
#include "tst_loaderapp.moc"
