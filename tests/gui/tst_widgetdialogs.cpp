#include "gui/Design.h"
#include "gui/Progress.h"
#include "gui/WidgetFileDialog.h"
#include "gui/WidgetMessageBox.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace vq250;

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

} // namespace

// The real message box, file dialog and progress window, set up as the
// commands ask. The progress window is made on first use, never before; one
// window serves every command; its close box only hides it.
class TestWidgetDialogs : public QObject
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
            int style;
            const char *action, *title;
            MsgAnswer answer;
            B::StandardButtons buttons;
            B::Icon icon;
        } rows[] = { { 0, "close", "", MsgOk, B::Ok, B::NoIcon },
            { 48, "ok", "T", MsgOk, B::Ok, B::Warning },
            { 1, "ok", "T", MsgOk, B::Ok | B::Cancel, B::NoIcon },
            { 1, "cancel", "T", MsgCancel, B::Ok | B::Cancel, B::NoIcon },
            { 1, "close", "T", MsgCancel, B::Ok | B::Cancel, B::NoIcon },
            { 49, "escape", "T", MsgCancel, B::Ok | B::Cancel, B::Warning } };
        for (const auto &row : rows) {
            bool seen = false;
            const QByteArray action = row.action;
            whenModalShows<QMessageBox>(
                [&](QMessageBox &box) {
                    if (action == "ok" || action == "cancel")
                        box.button(action == "ok" ? B::Ok : B::Cancel)->click();
                    else if (action == "escape")
                        QTest::keyClick(&box, Qt::Key_Escape);
                    else
                        box.close();
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
        } rows[] = { { "Sounds|*.wav|Everything|*", { "Sounds (*.wav)", "Everything (*)" } },
            { "Sounds|*.wav;*.WAV", { "Sounds (*.wav *.WAV)" } },
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
        QCOMPARE(chosenPath(QDialog::Accepted, { QStringLiteral("/sounds/bell.wav") }),
            std::optional<QString>(QStringLiteral("/sounds/bell.wav")));
        QCOMPARE(chosenPath(QDialog::Rejected, { QStringLiteral("/sounds/bell.wav") }),
            std::optional<QString>());
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
        QCOMPARE(window->windowModality(), Qt::NonModal);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
};

QTEST_MAIN(TestWidgetDialogs)
#include "tst_widgetdialogs.moc"
