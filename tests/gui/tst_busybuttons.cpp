#include "../load/LoadRig.h"

#include "app/DemoFaultMenu.h"
#include "gui/Form1.h"
#include "load/LoadCommand.h"
#include "sound/OpenCommand.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace vq250;
using namespace vq250::test;

// While a load is on the line, Open, Load and Truncate must not start a
// second command; Quit stays available. The real main window stands in for
// the window fields, the emulated VQ250 for the device.
class TestBusyButtons : public QObject
{
    Q_OBJECT

private slots:
    void clicksDuringTransferChangeNothing_data();
    void clicksDuringTransferChangeNothing();
    void demoFaultMenuMarksTheArmedFault();
};

void TestBusyButtons::clicksDuringTransferChangeNothing_data()
{
    QTest::addColumn<QList<DeviceFault>>("faults");
    QTest::addColumn<QString>("box");
    QTest::newRow("success") << QList<DeviceFault> {} << QString();
    QTest::newRow("device error") << QList<DeviceFault> {
        DeviceFault::errorReply(1, DeviceFault::Checksum, 3)
    } << QStringLiteral("Serial Checksum Error (CkSmEr)");
    QTest::newRow("time-out") << QList<DeviceFault> { DeviceFault::goSilent(2, 0) }
                              << QStringLiteral("PC to VQ250 Serial Comm Error (PCcommEr)");
}

void TestBusyButtons::clicksDuringTransferChangeNothing()
{
    QFETCH(QList<DeviceFault>, faults);
    QFETCH(QString, box);

    Form1 form;
    EmulatorOptions options;
    options.flashWriteNs = 20000000;
    options.faults.assign(faults.begin(), faults.end());
    LoadRig rig(options, &form);
    QVERIFY(rig.ok);

    rig.dialog.nextPath = rig.wavFile(QStringLiteral("Chime.wav"), fakes::sampleBytes(30000));
    OpenSound(*rig.state, rig.platform);
    QCOMPARE(rig.state->FileOpened, FlagTrue);
    form.findChild<QLineEdit *>(QStringLiteral("DestinTxt"))->setText(QStringLiteral("A1"));

    QSignalSpy opens(&form, &Form1::openClicked);
    QSignalSpy loads(&form, &Form1::loadClicked);
    QSignalSpy truncates(&form, &Form1::truncateClicked);
    const QStringList busy { QStringLiteral("OpenFileBtn"), QStringLiteral("LoadBGbtn"),
        QStringLiteral("TruncateFor8Btn") };
    auto clickAll = [&] {
        for (const QString &name : busy)
            form.findChild<QAbstractButton *>(name)->click();
    };

    // The operator pressed LOAD from the keyboard.
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QWidget *load = form.findChild<QWidget *>(busy[1]);
    load->setFocus();
    QCOMPARE(QApplication::focusWidget(), load);
    auto *looping = form.findChild<QCheckBox *>(QStringLiteral("CheckLooping"));
    QCOMPARE(looping->checkState(), Qt::Checked);

    // Half-way through the first data block, the operator clicks all three
    // and presses keys: none reaches an entry under the progress window.
    bool clickedDuringTransfer = false;
    bool enabledDuringTransfer = true;
    QWidget *focusDuringTransfer = nullptr;
    rig.events.callAt(1000000, [&] {
        clickedDuringTransfer = rig.progress.visible;
        enabledDuringTransfer = form.findChild<QAbstractButton *>(busy[0])->isEnabled()
            || form.findChild<QAbstractButton *>(busy[1])->isEnabled()
            || form.findChild<QAbstractButton *>(busy[2])->isEnabled();
        clickAll();
        focusDuringTransfer = QApplication::focusWidget();
        for (Qt::Key key : { Qt::Key_Space, Qt::Key_7, Qt::Key_Backtab, Qt::Key_Space })
            QTest::keyClick(QApplication::focusWidget(), key);
    });
    LoadSound(*rig.state, rig.platform);

    QCOMPARE(focusDuringTransfer, &form);
    QCOMPARE(looping->checkState(), Qt::Checked);
    QCOMPARE(form.volume(), QStringLiteral("18"));
    QCOMPARE(QApplication::focusWidget(), load);

    QVERIFY(clickedDuringTransfer);
    QVERIFY(!enabledDuringTransfer);
    QCOMPARE(opens.count() + loads.count() + truncates.count(), 0);
    QVERIFY(form.findChild<QAbstractButton *>(QStringLiteral("QuitBtn"))->isEnabled());
    if (box.isEmpty()) {
        QVERIFY(rig.box.shown.isEmpty());
        QVERIFY(rig.port->device().slot(10, 1)->complete);
    } else {
        QCOMPARE(rig.box.shown.size(), 1);
        QCOMPARE(rig.box.shown[0].title, box);
    }

    // Every way out gives the buttons back.
    clickAll();
    QCOMPARE(opens.count(), 1);
    QCOMPARE(loads.count(), 1);
    QCOMPARE(truncates.count(), 1);
}

// The demo's menu: the armed fault has the check mark until it has played,
// and a device gone silent for it answers the next load.
void TestBusyButtons::demoFaultMenuMarksTheArmedFault()
{
    Form1 form;
    LoadRig rig({}, &form);
    QObject::connect(&form, &Form1::loadClicked, [&] { LoadSound(*rig.state, rig.platform); });
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

    rig.dialog.nextPath = rig.wavFile(QStringLiteral("Chime.wav"), fakes::sampleBytes(3000));
    OpenSound(*rig.state, rig.platform);
    form.findChild<QLineEdit *>(QStringLiteral("DestinTxt"))->setText(QStringLiteral("A1"));
    auto *load = form.findChild<QAbstractButton *>(QStringLiteral("LoadBGbtn"));
    load->click();
    QCOMPARE(rig.box.shown.size(), 1);
    QCOMPARE(marked(), QString());
    load->click();
    QCOMPARE(rig.box.shown.size(), 1);
    QVERIFY(rig.port->device().slot(10, 1)->complete);
}

QTEST_MAIN(TestBusyButtons)
#include "tst_busybuttons.moc"
