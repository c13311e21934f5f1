#include "app/DemoFaultMenu.h"
#include "core/ProgramState.h"
#include "gui/LoaderApp.h"
#include "load/LoadCommand.h"
#include "sound/OpenCommand.h"
#include "support/Rig.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace vq250;
using namespace vq250::test;

namespace
{

// A fake port that tells when it has been released.
struct WatchedPort final : FakeSerialPort {
    bool *released;
    explicit WatchedPort(bool *flag)
        : released(flag)
    {
    }
    ~WatchedPort() override { *released = true; }
};

// The program over a fake port, with a fake start-up box and ports present.
struct App {
    bool released = false;
    WatchedPort *port = new WatchedPort(&released); // owned by the app
    FakeMessageBox startupBox;
    QList<int> endedWith;
    LoaderApp app;

    explicit App(const QList<cli::PortDescription> &present = {})
        : app(
            std::unique_ptr<SerialPort>(port), &startupBox,
            [this](int status) { endedWith << status; }, [present] { return present; })
    {
    }
};

} // namespace

// The program's window: start-up, quitting, and a load through the real
// main window over the emulated VQ250.
class TestLoaderApp : public QObject
{
    Q_OBJECT

private slots:
    // The reason and the ports present, in a box and without a window.
    void refusedPortEndsWithoutWindow()
    {
        const QString how = "\nStart the program with the port to use, for example:\n"
                            "vq250 --port /dev/ttyUSB0";
        const QString denied = "/dev/ttyS0: Permission denied\n\n";
        const struct {
            QList<cli::PortDescription> present;
            QString prompt;
        } rows[] = {
            { {}, denied + "No serial ports found.\n" + how },
            { { { "/dev/ttyUSB1", "FT232R USB UART", "FTDI", "A10K" },
                  { "/dev/ttyACM0", "", "Arduino", "" }, { "/dev/ttyS0", "16550A", "", "" },
                  { "/dev/ttyS1", "", "", "" } },
                denied
                    + "Serial ports on this computer:\n"
                      "/dev/ttyUSB1  FT232R USB UART, FTDI, serial number A10K\n"
                      "/dev/ttyACM0  Arduino\n/dev/ttyS0  16550A\n/dev/ttyS1\n"
                    + how },
        };
        for (const auto &row : rows) {
            App rig(row.present);
            rig.port->refuseOpen = true;
            rig.port->openError = QStringLiteral("/dev/ttyS0: Permission denied");
            QCOMPARE(rig.app.start(), 1);
            QCOMPARE(rig.startupBox.shown.size(), 1);
            QCOMPARE(rig.startupBox.shown[0].prompt, row.prompt);
            QCOMPARE(rig.startupBox.shown[0].title, QStringLiteral("VQ250"));
            QCOMPARE(rig.startupBox.shown[0].style, int(MsgOkExclamation));
            QCoreApplication::processEvents();
            const auto tops = QApplication::topLevelWidgets();
            QVERIFY(
                std::none_of(tops.begin(), tops.end(), [](QWidget *w) { return w->isVisible(); }));
            QVERIFY(rig.endedWith.isEmpty());
        }
    }

    // The version shown, the window centred, the reply timer armed by hand
    // runs a precise 8000 ms and its tick reaches the state.
    void startShowsVersionAndWindow()
    {
        App rig;
        QCOMPARE(rig.app.start(), 0);
        QVERIFY(rig.startupBox.shown.isEmpty());
        QVERIFY(QTest::qWaitForWindowExposed(&rig.app.form()));
        QCOMPARE(rig.app.form().findChild<QLabel *>(QStringLiteral("LabelVersionNum"))->text(),
            QStringLiteral("Version 1.05"));
        const QRect screen = rig.app.form().screen()->availableGeometry();
        QVERIFY(qAbs(rig.app.form().geometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(rig.app.form().geometry().center().y() - screen.center().y()) <= 1);
        QVERIFY(rig.app.progress().window() == nullptr); // not made by start-up

        OneShotTimer &timer = rig.app.platform().replyTimer;
        timer.start();
        const QTimer &armed = dynamic_cast<QtOneShotTimer &>(timer).timer();
        QCOMPARE(armed.timerType(), Qt::PreciseTimer);
        QVERIFY(armed.isSingleShot() && armed.isActive());
        QCOMPARE(armed.interval(), 8000);
        timer.setInterval(5); // shortened; the program's value is 8000
        timer.start();
        QTRY_COMPARE_WITH_TIMEOUT(rig.app.state().TimedOut, qint16(-1), 5000);
    }

    // The close box, and Quit clicked while a command waits for the device
    // (the wait lets events through), release the port and end there.
    void quitAndCloseBoxEnd()
    {
        for (const bool closeBox : { false, true }) {
            App rig;
            QCOMPARE(rig.app.start(), 0);
            QVERIFY(!rig.released);
            QWidget *quit = rig.app.form().findChild<QWidget *>(QStringLiteral("QuitBtn"));
            if (closeBox)
                rig.app.form().close();
            else
                QTimer::singleShot(0, quit, [quit] { QTest::mouseClick(quit, Qt::LeftButton); });
            QElapsedTimer waited;
            waited.start();
            while (rig.endedWith.isEmpty() && waited.elapsed() < 5000)
                rig.app.platform().events.processEvents();
            QVERIFY(rig.released);
            QCOMPARE(rig.endedWith, QList<int> { 0 });
        }
    }

    // Through the real main window over the emulated VQ250: the demo's menu
    // marks the armed fault until it has played, and a device gone silent
    // for it answers the next load.
    void demoFaultMenuMarksTheArmedFault()
    {
        Form1 form;
        Rig rig;
        Platform platform { *rig.port, rig.box, rig.dialog, rig.events, *rig.timer, rig.progress,
            form };
        QObject::connect(&form, &Form1::loadClicked, [&] { LoadSound(*rig.state, platform); });
        installDemoFaultMenu(form, *rig.port);
        auto marked = [&form] {
            QStringList texts;
            for (const QAction *action : form.actions())
                texts << (action->isChecked() ? action->text() : QString());
            return texts.join(QString());
        };
        form.actions().at(1)->trigger();
        form.actions().at(4)->trigger();
        QCOMPARE(marked(), QStringLiteral("Device goes silent: time-out after 8 s (PCcommEr)"));
        rig.dialog.nextPath = rig.wav(QStringLiteral("Chime.wav"), sampleBytes(3000));
        OpenSound(*rig.state, platform);
        form.findChild<QLineEdit *>(QStringLiteral("DestinTxt"))->setText("A1");
        auto *load = form.findChild<QAbstractButton *>(QStringLiteral("LoadBGbtn"));
        load->click();
        QCOMPARE(rig.box.shown.size(), 1);
        QCOMPARE(marked(), QString());
        load->click();
        QCOMPARE(rig.box.shown.size(), 1);
        QVERIFY(rig.port->device().slot(10, 1)->complete);
    }
};

QTEST_MAIN(TestLoaderApp)
#include "tst_loaderapp.moc"
