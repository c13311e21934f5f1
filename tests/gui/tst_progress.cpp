#include "gui/Design.h"
#include "gui/Progress.h"

#include <QLabel>
#include <QProgressBar>
#include <QTest>

using namespace vq250;

// The progress window: made on first use, never before; one window for
// every command; a close box that only hides it.
class TestProgress : public QObject
{
    Q_OBJECT

private slots:
    void madeOnFirstUseWithoutShowing()
    {
        WidgetProgressView unused;
        QVERIFY(unused.window() == nullptr);
        for (int operation = 0; operation < 3; ++operation) {
            WidgetProgressView progress;
            if (operation == 0)
                progress.setMessage(QStringLiteral("Opening Sound File"));
            else if (operation == 1)
                progress.refresh();
            else
                progress.setVisible(false);
            QVERIFY(progress.window());
            QCOMPARE(progress.window()->bar().value(), 0);
            QVERIFY(!progress.window()->isVisible());
        }
    }

    void design()
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
        QCOMPARE(message, &window->message());
        QCOMPARE(message->geometry(), QRect(16, 8, 201, 17));
        QCOMPARE(message->text(), QStringLiteral("Writing Sound to Flash BG# A8"));
        QCOMPARE(message->font(), arialFont(9.75, true));
        QCOMPARE(message->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QVERIFY(!message->autoFillBackground());
        auto *bar = window->findChild<QProgressBar *>(QStringLiteral("ProgressBar"));
        QCOMPARE(bar, &window->bar());
        QCOMPARE(bar->geometry(), QRect(24, 32, 185, 17));
        QCOMPARE(bar->orientation(), Qt::Horizontal);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);
    }

    void values()
    {
        const struct {
            float percent;
            int shown;
        } rows[]
            = { { 37, 37 }, { 12.4f, 12 }, { 12.6f, 13 }, { -5, 0 }, { 250, 100 }, { 100, 100 } };
        for (const auto &row : rows) {
            WidgetProgressView progress;
            progress.setValue(50);
            progress.setValue(row.percent);
            QCOMPARE(progress.window()->bar().value(), row.shown);
        }
    }

    // Hidden, it keeps its message and value; the close box and Escape leave
    // it up, only the command takes it away; shown again, it is the same
    // window, never modal.
    void hideAndShowAgain()
    {
        WidgetProgressView progress;
        progress.setMessage(QStringLiteral("Writing Sound to Flash BG# A1"));
        progress.setValue(64);
        progress.setVisible(true);
        progress.refresh();
        Progress *first = progress.window();
        QVERIFY(QTest::qWaitForWindowExposed(first));
        QVERIFY(!first->close());
        QTest::keyClick(first, Qt::Key_Escape);
        QCoreApplication::processEvents();
        QVERIFY(first->isVisible());
        QCOMPARE(first->size(), QSize(233, 97));
        progress.setVisible(false);
        QVERIFY(!first->isVisible());
        QCOMPARE(first->message().text(), QStringLiteral("Writing Sound to Flash BG# A1"));
        QCOMPARE(first->bar().value(), 64);
        progress.setMessage(QStringLiteral("Writing Sound to Flash BG# F8"));
        progress.setValue(0);
        progress.setVisible(true);
        QCOMPARE(progress.window(), first);
        QVERIFY(first->isVisible());
        QCOMPARE(first->message().text(), QStringLiteral("Writing Sound to Flash BG# F8"));
        QCOMPARE(first->bar().value(), 0);
        QCOMPARE(first->windowModality(), Qt::NonModal);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    // Centred on its owner when first shown; moved by the operator, it stays.
    void placement()
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
        window->move(10, 10);
        progress.setVisible(false);
        progress.setVisible(true);
        QCOMPARE(window->pos(), QPoint(10, 10));
    }
};

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
