#include "gui/Design.h"
#include "gui/Progress.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QtTest>

using namespace vq250;

class TestProgress : public QObject
{
    Q_OBJECT

private slots:
    void notCreatedBeforeFirstUse();
    void firstUse_data();
    void firstUse();
    void design();
    void secondShowAfterHide();
    void barAt100IsFull();
    void valuesRoundedAndKeptInRange_data();
    void valuesRoundedAndKeptInRange();
    void hiddenKeepsMessageAndValue();
    void closeBoxAndEscapeLeaveItUp();
    void centredOnOwnerWhenFirstShown();
    void modeless();
};

void TestProgress::notCreatedBeforeFirstUse()
{
    WidgetProgressView progress;
    QVERIFY(progress.window() == nullptr);
}

void TestProgress::firstUse_data()
{
    QTest::addColumn<int>("operation");
    QTest::newRow("message") << 0;
    QTest::newRow("refresh") << 1;
    QTest::newRow("hide") << 2;
}

void TestProgress::firstUse()
{
    QFETCH(int, operation);
    WidgetProgressView progress;
    switch (operation) {
    case 0:
        progress.setMessage(QStringLiteral("Opening Sound File"));
        break;
    case 1:
        progress.refresh();
        break;
    default:
        progress.setVisible(false);
        break;
    }
    Progress *window = progress.window();
    QVERIFY(window);
    QCOMPARE(window->bar().value(), 0);
    // Creation does not show the window.
    QVERIFY(!window->isVisible());
}

void TestProgress::design()
{
    WidgetProgressView progress;
    progress.refresh();
    Progress *window = progress.window();
    QCOMPARE(window->objectName(), QStringLiteral("Progress"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Progress"));
    QCOMPARE(window->size(), QSize(233, 97));
    QCOMPARE(window->minimumSize(), QSize(233, 97));
    QCOMPARE(window->maximumSize(), QSize(233, 97));

    auto *message = window->findChild<QLabel *>(QStringLiteral("ProgressMsg"));
    QVERIFY(message);
    QCOMPARE(message, &window->message());
    QCOMPARE(message->geometry(), QRect(16, 8, 201, 17));
    QCOMPARE(message->text(), QStringLiteral("Writing Sound to Flash BG# A8"));
    QCOMPARE(message->font(), arialFont(9.75, true));
    QCOMPARE(int(message->alignment() & Qt::AlignHorizontal_Mask), int(Qt::AlignHCenter));
    QVERIFY(!message->autoFillBackground());

    auto *bar = window->findChild<QProgressBar *>(QStringLiteral("ProgressBar"));
    QVERIFY(bar);
    QCOMPARE(bar, &window->bar());
    QCOMPARE(bar->geometry(), QRect(24, 32, 185, 17));
    QCOMPARE(bar->orientation(), Qt::Horizontal);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
}

void TestProgress::secondShowAfterHide()
{
    WidgetProgressView progress;
    progress.setMessage(QStringLiteral("Writing Sound to Flash BG# A1"));
    progress.setValue(0);
    progress.setVisible(true);
    progress.refresh();
    Progress *first = progress.window();
    QVERIFY(QTest::qWaitForWindowExposed(first));
    progress.setValue(64);
    progress.setVisible(false);
    QVERIFY(!first->isVisible());

    progress.setMessage(QStringLiteral("Writing Sound to Flash BG# F8"));
    progress.setValue(0);
    progress.setVisible(true);
    progress.refresh();
    QCOMPARE(progress.window(), first);
    QVERIFY(first->isVisible());
    QCOMPARE(first->message().text(), QStringLiteral("Writing Sound to Flash BG# F8"));
    QCOMPARE(first->bar().value(), 0);
}

void TestProgress::barAt100IsFull()
{
    WidgetProgressView progress;
    progress.setValue(100.0f);
    QProgressBar &bar = progress.window()->bar();
    QCOMPARE(bar.value(), 100);
    QCOMPARE(bar.value(), bar.maximum());
}

void TestProgress::valuesRoundedAndKeptInRange_data()
{
    QTest::addColumn<float>("percent");
    QTest::addColumn<int>("shown");
    QTest::newRow("whole") << 37.0f << 37;
    QTest::newRow("rounds down") << 12.4f << 12;
    QTest::newRow("rounds up") << 12.6f << 13;
    QTest::newRow("below range") << -5.0f << 0;
    QTest::newRow("above range") << 250.0f << 100;
}

void TestProgress::valuesRoundedAndKeptInRange()
{
    QFETCH(float, percent);
    QFETCH(int, shown);
    WidgetProgressView progress;
    progress.setValue(50.0f);
    progress.setValue(percent);
    QCOMPARE(progress.window()->bar().value(), shown);
}

void TestProgress::hiddenKeepsMessageAndValue()
{
    WidgetProgressView progress;
    progress.setMessage(QStringLiteral("Opening Sound File"));
    progress.setValue(80);
    progress.setVisible(true);
    progress.setVisible(false);
    QCOMPARE(progress.window()->message().text(), QStringLiteral("Opening Sound File"));
    QCOMPARE(progress.window()->bar().value(), 80);
}

void TestProgress::closeBoxAndEscapeLeaveItUp()
{
    WidgetProgressView progress;
    progress.setMessage(QStringLiteral("Writing Sound to Flash BG# A1"));
    progress.setValue(40);
    progress.setVisible(true);
    Progress *window = progress.window();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    QVERIFY(!window->close());
    QTest::keyClick(window, Qt::Key_Escape);
    QCoreApplication::processEvents();
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Progress"));
    QCOMPARE(window->size(), QSize(233, 97));
    QCOMPARE(window->bar().value(), 40);

    // Only the command takes it away.
    progress.setVisible(false);
    QVERIFY(!window->isVisible());
}

void TestProgress::centredOnOwnerWhenFirstShown()
{
    QWidget owner;
    owner.setGeometry(100, 80, 600, 400);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    WidgetProgressView progress(&owner);
    progress.setVisible(true);
    Progress *window = progress.window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->geometry().center(), owner.geometry().center());
    QCOMPARE(window->windowHandle()->transientParent(), owner.windowHandle());

    // Moved by the operator, it stays where it was put.
    window->move(10, 10);
    progress.setVisible(false);
    progress.setVisible(true);
    QCOMPARE(window->pos(), QPoint(10, 10));
}

void TestProgress::modeless()
{
    WidgetProgressView progress;
    progress.setVisible(true);
    QVERIFY(!progress.window()->isModal());
    QCOMPARE(progress.window()->windowModality(), Qt::NonModal);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
