#include "app/DemoFaultMenu.h"
#include "core/ProgramState.h"
#include "gui/Design.h"
#include "gui/LoaderApp.h"
#include "load/LoadCommand.h"
#include "sound/OpenCommand.h"
#include "support/Rig.h"

#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

using namespace vq250;
using namespace vq250::test;

namespace
{

// Runs `act` on the modal dialog of type T once its exec() has it up, and
// sets `seen`. One still up 5 s later is rejected and `seen` cleared, so the
// test fails instead of hanging in exec().
template <typename T> void whenModalShows(std::function<void(T &)> act, bool *seen)
{
    auto *poll = new QTimer(qApp); // the application takes it down if the test ends first
    QObject::connect(poll, &QTimer::timeout, [poll, act, seen, polls = 0]() mutable {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        const bool up = dialog && dialog->isVisible();
        if (!up && ++polls < 500)
            return;
        poll->stop();
        poll->deleteLater();
        if (!up)
            return; // never came: `seen` stays false
        *seen = true;
        QTimer::singleShot(5000, dialog, [dialog, seen] {
            *seen = false;
            dialog->reject();
        });
        act(*dialog);
    });
    poll->start(10);
}

using B = QMessageBox;

const char *const OpenFilter = "All Files (*.*)|*.*|Sound Files (*.wav)|*.wav";

// A fake port that tells when it has been released.
struct WatchedPort final : FakeSerialPort {
    bool *released = nullptr;
    ~WatchedPort() override { *released = true; }
};

// The program over a fake port, with a fake start-up box and ports present.
struct App {
    bool released = false;
    WatchedPort *port = new WatchedPort; // owned by the app
    FakeMessageBox startupBox;
    QList<int> endedWith;
    LoaderApp app;

    explicit App(const QList<cli::PortDescription> &present = {})
        : app(
            std::unique_ptr<SerialPort>(port), &startupBox,
            [this](int status) { endedWith << status; }, [present] { return present; })
    {
        port->released = &released;
    }
};

} // namespace

// The program's windows: the real message box, file dialog and progress
// window, set up as the commands ask; start-up, quitting, and a load
// through the real main window over the emulated VQ250.
class TestLoaderApp : public QObject
{
    Q_OBJECT

private slots:
    // The real box, shown modal and answered as an operator would: its
    // buttons and icon by style, OK the default; no title gives the
    // program's. The prompt is plain text, never markup; a lone carriage
    // return breaks the line, for display only.
    void answers()
    {
        const struct {
            int style, action; // the close box 'x', OK 'o', Cancel 'c' or Escape 'e'
            const char *title;
            MsgAnswer answer;
            B::StandardButtons buttons;
            B::Icon icon;
        } rows[]
            = { { 0, 'x', "", MsgOk, B::Ok, B::NoIcon }, { 48, 'o', "T", MsgOk, B::Ok, B::Warning },
                  { 1, 'o', "T", MsgOk, B::Ok | B::Cancel, B::NoIcon },
                  { 1, 'c', "T", MsgCancel, B::Ok | B::Cancel, B::NoIcon },
                  { 49, 'e', "T", MsgCancel, B::Ok | B::Cancel, B::Warning } };
        for (const auto &row : rows) {
            bool seen = false;
            whenModalShows<QMessageBox>(
                [&](QMessageBox &box) {
                    if (row.action == 'e')
                        QTest::keyClick(&box, Qt::Key_Escape);
                    else if (row.action == 'x')
                        box.close();
                    else
                        box.button(row.action == 'o' ? B::Ok : B::Cancel)->click();
                    QCOMPARE(box.textFormat(), Qt::PlainText);
                    QCOMPARE(box.text(), QStringLiteral("<b>C:\\a&b.wav</b>\n\nCode\nX\nY"));
                    QCOMPARE(
                        box.windowTitle(), QString::fromLatin1(*row.title ? row.title : "VQ250"));
                    QCOMPARE(box.standardButtons(), row.buttons);
                    QCOMPARE(box.icon(), row.icon);
                    QCOMPARE(box.defaultButton(), box.button(B::Ok));
                },
                &seen);
            const QString prompt = QStringLiteral("<b>C:\\a&b.wav</b>\r\rCode\r\nX\nY");
            QCOMPARE(WidgetMessageBox().show(prompt, row.style, row.title), row.answer);
            QVERIFY(seen);
        }
    }

    void fileDialog()
    {
        const struct {
            const char *filter;
            QStringList expected;
        } rows[] = { { "Sounds|*.wav;*.WAV", { "Sounds (*.wav *.WAV)" } },
            { "Sounds (*.snd)|*.wav", { "Sounds (*.snd) (*.wav)" } },
            { "Sounds|*.wav|Other", { "Sounds (*.wav)" } }, { "", {} } };
        for (const auto &row : rows)
            QCOMPARE(qtNameFilters(QString::fromLatin1(row.filter)), row.expected);
        QTemporaryDir folder;
        QFileDialog dialog;
        configureFileDialog(dialog, OpenFilter, folder.path(), 2);
        QCOMPARE(dialog.nameFilters(), (QStringList { "All Files (*.*)", "Sound Files (*.wav)" }));
        QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("Sound Files (*.wav)"));
        QCOMPARE(dialog.directory().absolutePath(), QDir(folder.path()).absolutePath());
        QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
        // The design's folder is not on this computer.
        QCOMPARE(startFolder(QStringLiteral("C:\\My Documents\\VQ250SndLib\\")), QDir::homePath());

        // Cancelled, the real dialog yields nothing.
        bool seen = false;
        QStringList shown;
        whenModalShows<QFileDialog>(
            [&](QFileDialog &up) {
                shown << up.directory().absolutePath() << up.selectedNameFilter();
                up.reject();
            },
            &seen);
        QVERIFY(!WidgetFileDialog().openFile(OpenFilter, folder.path(), 1));
        QVERIFY(seen);
        QCOMPARE(shown, QStringList({ QDir(folder.path()).absolutePath(), "All Files (*.*)" }));

        // The accepted path is mapped without a modal exec(): accepting a real
        // dialog races its file-system model, which loads in another thread.
        const QStringList bell = { QStringLiteral("/sounds/bell.wav") };
        QCOMPARE(chosenPath(QDialog::Accepted, bell), std::optional<QString>(bell[0]));
        QCOMPARE(chosenPath(QDialog::Rejected, bell), std::optional<QString>());
        QCOMPARE(chosenPath(QDialog::Accepted, {}), std::optional<QString>());
    }

    // Made on first use, not shown by it, nor when filled in; the bar shows
    // whole percents. Shown first, it is centred on its owner; the close box
    // and Escape leave it up, only the command takes it away; hidden, it
    // keeps its message and value; shown again, it is the same window where
    // the operator moved it, never modal.
    void progressWindow()
    {
        QWidget owner;
        owner.setGeometry(100, 80, 600, 400);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        WidgetProgressView progress(&owner);
        progress.refresh();
        Progress *window = progress.window();
        QVERIFY(window && !window->isVisible());
        QCOMPARE(QStringList({ window->objectName(), window->windowTitle(),
                     window->message().objectName(), window->bar().objectName() }),
            QStringList({ "Progress", "Progress", "ProgressMsg", "ProgressBar" }));
        QCOMPARE(window->minimumSize(), QSize(233, 97));
        QCOMPARE(window->maximumSize(), QSize(233, 97));
        const QLabel &message = window->message();
        QCOMPARE(message.geometry(), QRect(16, 8, 201, 17));
        QCOMPARE(message.text(), QStringLiteral("Writing Sound to Flash BG# A8"));
        QCOMPARE(message.font(), arialFont(9.75, true));
        QCOMPARE(message.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QVERIFY(!message.autoFillBackground());
        const QProgressBar &bar = window->bar();
        QCOMPARE(bar.geometry(), QRect(24, 32, 185, 17));
        QCOMPARE(bar.orientation(), Qt::Horizontal);
        QCOMPARE(bar.maximum(), 100);
        QCOMPARE(bar.value(), 0);
        // Rounded to the nearest whole percent, held within 0..100.
        for (const auto &[percent, shown] : { std::pair { 12.4f, 12 }, std::pair { 12.6f, 13 },
                 std::pair { -5.0f, 0 }, std::pair { 250.0f, 100 } }) {
            progress.setValue(50);
            progress.setValue(percent);
            QCOMPARE(bar.value(), shown);
        }

        progress.setMessage(QStringLiteral("Writing Sound to Flash BG# A1"));
        progress.setValue(64);
        QVERIFY(!window->isVisible());
        progress.setVisible(true);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->geometry().center(), owner.geometry().center());
        QCOMPARE(window->windowHandle()->transientParent(), owner.windowHandle());
        QVERIFY(!window->close());
        QTest::keyClick(window, Qt::Key_Escape);
        QCoreApplication::processEvents();
        QVERIFY(window->isVisible());
        window->move(10, 10);
        progress.setVisible(false);
        QVERIFY(!window->isVisible());
        QCOMPARE(message.text(), QStringLiteral("Writing Sound to Flash BG# A1"));
        QCOMPARE(bar.value(), 64);
        progress.setMessage(QStringLiteral("Writing Sound to Flash BG# F8"));
        progress.setVisible(true);
        QCOMPARE(progress.window(), window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->pos(), QPoint(10, 10));
        QCOMPARE(message.text(), QStringLiteral("Writing Sound to Flash BG# F8"));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
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
            QVERIFY(!rig.app.form().isVisible());
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
            QTRY_COMPARE_WITH_TIMEOUT(rig.endedWith, QList<int> { 0 }, 5000);
            QVERIFY(rig.released);
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
