#include "app/DemoFaultMenu.h"
#include "gui/Form1.h"
#include "load/LoadCommand.h"
#include "sound/OpenCommand.h"
#include "support/Rig.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace vq250;
using namespace vq250::test;

// The real main window over the emulated VQ250: while a load is on the line,
// Open, Load and Truncate start nothing and no key reaches an entry; Quit
// stays available; every way out gives the buttons and the focus back.
class TestBusyButtons : public QObject
{
    Q_OBJECT

private slots:
    void clicksAndKeysDuringTransferChangeNothing()
    {
        const struct {
            std::vector<DeviceFault> faults;
            const char *box;
        } rows[] = { { {}, nullptr },
            { { DeviceFault::errorReply(1, DeviceFault::Checksum, 3) },
                "Serial Checksum Error (CkSmEr)" },
            { { DeviceFault::goSilent(2, 0) }, "PC to VQ250 Serial Comm Error (PCcommEr)" } };
        for (const auto &row : rows) {
            Form1 form;
            EmulatorOptions options;
            options.flashWriteNs = 20000000;
            options.faults = row.faults;
            Rig rig(options);
            Platform platform { *rig.port, rig.box, rig.dialog, rig.events, *rig.timer,
                rig.progress, form };
            rig.dialog.nextPath = rig.wav(QStringLiteral("Chime.wav"), sampleBytes(30000));
            OpenSound(*rig.state, platform);
            form.findChild<QLineEdit *>(QStringLiteral("DestinTxt"))->setText("A1");
            QSignalSpy opens(&form, &Form1::openClicked);
            QSignalSpy loads(&form, &Form1::loadClicked);
            QSignalSpy truncates(&form, &Form1::truncateClicked);
            auto button = [&form](const char *name) {
                return form.findChild<QAbstractButton *>(QString::fromLatin1(name));
            };
            const char *busy[] = { "OpenFileBtn", "LoadBGbtn", "TruncateFor8Btn" };
            // The operator pressed LOAD from the keyboard.
            form.show();
            QVERIFY(QTest::qWaitForWindowActive(&form));
            button("LoadBGbtn")->setFocus();
            auto *looping = form.findChild<QCheckBox *>(QStringLiteral("CheckLooping"));
            QCOMPARE(looping->checkState(), Qt::Checked);
            // Half-way through the first data block: clicks on all three, keys.
            bool clickedDuringTransfer = false;
            QWidget *focusDuringTransfer = nullptr;
            rig.events.callAt(1000000, [&] {
                clickedDuringTransfer = rig.progress.visible;
                for (const char *name : busy) {
                    QVERIFY(!button(name)->isEnabled());
                    button(name)->click();
                }
                QVERIFY(button("QuitBtn")->isEnabled());
                focusDuringTransfer = QApplication::focusWidget();
                for (Qt::Key key : { Qt::Key_Space, Qt::Key_7, Qt::Key_Backtab, Qt::Key_Space })
                    QTest::keyClick(QApplication::focusWidget(), key);
            });
            LoadSound(*rig.state, platform);
            QVERIFY(clickedDuringTransfer);
            QCOMPARE(focusDuringTransfer, &form);
            QCOMPARE(looping->checkState(), Qt::Checked);
            QCOMPARE(form.volume(), QStringLiteral("18"));
            QCOMPARE(QApplication::focusWidget(), button("LoadBGbtn"));
            QCOMPARE(opens.count() + loads.count() + truncates.count(), 0);
            QCOMPARE(rig.box.shown.size(), row.box ? 1 : 0);
            if (row.box)
                QCOMPARE(rig.box.shown[0].title, QString::fromLatin1(row.box));
            for (int clicks = 1; clicks <= 3; ++clicks) // each button to its own signal
                for (int i = 0; i < clicks; ++i)
                    button(busy[clicks - 1])->click();
            QCOMPARE(opens.count() * 100 + loads.count() * 10 + truncates.count(), 123);
        }
    }

    // The demo's menu: the armed fault has the check mark until it has
    // played, and a device gone silent for it answers the next load.
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

QTEST_MAIN(TestBusyButtons)
#include "tst_busybuttons.moc"
