#include "gui/WidgetFileDialog.h"
#include "gui/WidgetMessageBox.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace vq250;

namespace
{

// Runs `act` on the modal dialog of type T once it is up and sets `seen`.
// A dialog still up 5 s after it came (not acted on in time, or not closed
// by `act`) is rejected and `seen` cleared, so the test fails instead of
// hanging in the dialog's exec().
template <typename T> void whenModalShows(std::function<void(T &)> act, bool *seen)
{
    auto *poll = new QTimer(qApp); // the application takes it down if the test ends first
    auto clock = std::make_shared<QElapsedTimer>();
    QObject::connect(poll, &QTimer::timeout, [poll, clock, act, seen] {
        T *dialog = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *candidate = qobject_cast<T *>(top); candidate && candidate->isVisible())
                dialog = candidate;
        if (!dialog && !clock->isValid())
            return; // not up yet
        if (dialog && !clock->isValid()) {
            clock->start();
            *seen = true;
            act(*dialog);
            return;
        }
        if (dialog && clock->elapsed() > 5000) {
            *seen = false;
            dialog->reject();
        } else if (dialog) {
            return;
        }
        poll->stop();
        poll->deleteLater();
    });
    poll->start(10);
}

const char *const OpenFilter = "All Files (*.*)|*.*|Sound Files (*.wav)|*.wav";

} // namespace

// The real message box and file dialog, set up as the commands ask.
class TestWidgetDialogs : public QObject
{
    Q_OBJECT

private slots:
    // A lone carriage return breaks the line, for display only.
    void displayText()
    {
        const struct {
            const char *prompt, *shown;
        } rows[] = { { "Serial Comm Error.", "Serial Comm Error." }, { "A\rB", "A\nB" },
            { "A\r\rError Code = 3", "A\n\nError Code = 3" }, { "A\r", "A\n" },
            { "A\r\nB", "A\nB" }, { "A\nB", "A\nB" }, { "A\r   B", "A\n   B" } };
        for (const auto &row : rows)
            QCOMPARE(vq250::displayText(QString::fromLatin1(row.prompt)),
                QString::fromLatin1(row.shown));
    }

    void style()
    {
        using B = QMessageBox;
        const struct {
            int style;
            B::StandardButtons buttons;
            B::Icon icon;
            B::StandardButton escape;
        } rows[] = { { 0, B::Ok, B::NoIcon, B::Ok }, { 1, B::Ok | B::Cancel, B::NoIcon, B::Cancel },
            { 48, B::Ok, B::Warning, B::Ok }, { 49, B::Ok | B::Cancel, B::Warning, B::Cancel } };
        for (const auto &row : rows) {
            QMessageBox box;
            configureMessageBox(
                box, QStringLiteral("Line one\rLine two"), row.style, QStringLiteral("Title"));
            QCOMPARE(box.standardButtons(), row.buttons);
            QCOMPARE(box.icon(), row.icon);
            QCOMPARE(box.standardButton(box.escapeButton()), row.escape);
            QCOMPARE(box.defaultButton(), box.button(QMessageBox::Ok));
            QCOMPARE(box.windowTitle(), QStringLiteral("Title"));
            QCOMPARE(box.text(), QStringLiteral("Line one\nLine two"));
        }
        QMessageBox box; // no title: the program's; the prompt as plain text
        configureMessageBox(box, QStringLiteral("<b>C:\\a&b.wav</b>"), 0, QString());
        QCOMPARE(box.windowTitle(), QStringLiteral("VQ250"));
        QCOMPARE(box.textFormat(), Qt::PlainText);
        auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->text(), QStringLiteral("<b>C:\\a&b.wav</b>"));
    }

    void answers()
    {
        const struct {
            int style;
            const char *action;
            MsgAnswer answer;
        } rows[] = { { 0, "ok", MsgOk }, { 0, "close", MsgOk }, { 48, "ok", MsgOk },
            { 48, "close", MsgOk }, { 1, "ok", MsgOk }, { 1, "cancel", MsgCancel },
            { 1, "close", MsgCancel }, { 1, "escape", MsgCancel } };
        for (const auto &row : rows) {
            bool seen = false;
            QString shownText;
            const QByteArray action = row.action;
            whenModalShows<QMessageBox>(
                [&](QMessageBox &box) {
                    shownText = box.text();
                    if (action == "ok")
                        box.button(QMessageBox::Ok)->click();
                    else if (action == "cancel")
                        box.button(QMessageBox::Cancel)->click();
                    else if (action == "escape")
                        QTest::keyClick(&box, Qt::Key_Escape);
                    else
                        box.close();
                },
                &seen);
            WidgetMessageBox real;
            const MsgAnswer got
                = real.show(QStringLiteral("First\rSecond"), row.style, QStringLiteral("T"));
            QVERIFY(seen);
            QCOMPARE(got, row.answer);
            QCOMPARE(shownText, QStringLiteral("First\nSecond"));
        }
    }

    void nameFilters()
    {
        const struct {
            const char *filter;
            QStringList expected;
        } rows[] = { { OpenFilter, { "All Files (*.*)", "Sound Files (*.wav)" } },
            { "Sounds|*.wav|Everything|*", { "Sounds (*.wav)", "Everything (*)" } },
            { "Sounds|*.wav;*.WAV", { "Sounds (*.wav *.WAV)" } },
            { "Sounds (*.snd)|*.wav", { "Sounds (*.snd) (*.wav)" } },
            { "Sounds|*.wav|Other", { "Sounds (*.wav)" } }, { "", {} } };
        for (const auto &row : rows)
            QCOMPARE(qtNameFilters(QString::fromLatin1(row.filter)), row.expected);
    }

    void fileDialog()
    {
        QTemporaryDir folder;
        QFileDialog dialog;
        configureFileDialog(dialog, OpenFilter, folder.path(), 2);
        QCOMPARE(dialog.nameFilters(), (QStringList { "All Files (*.*)", "Sound Files (*.wav)" }));
        QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("Sound Files (*.wav)"));
        QCOMPARE(dialog.directory().absolutePath(), QDir(folder.path()).absolutePath());
        QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
        QFileDialog first;
        configureFileDialog(
            first, OpenFilter, QStringLiteral("C:\\My Documents\\VQ250SndLib\\"), 1);
        QCOMPARE(first.selectedNameFilter(), QStringLiteral("All Files (*.*)"));
        QCOMPARE(
            first.directory().absolutePath(), QDir::home().absolutePath()); // no such folder here

        // Cancelled, the real dialog yields nothing.
        bool seen = false;
        QString shownFolder;
        whenModalShows<QFileDialog>(
            [&](QFileDialog &shown) {
                shownFolder = shown.directory().absolutePath();
                shown.reject();
            },
            &seen);
        WidgetFileDialog real;
        QVERIFY(!real.openFile(QStringLiteral("Sound Files (*.wav)|*.wav"), folder.path(), 1));
        QVERIFY(seen);
        QCOMPARE(shownFolder, QDir(folder.path()).absolutePath());

        // The accepted path is mapped without a modal exec(): accepting a real
        // dialog races its file-system model, which loads in another thread.
        QCOMPARE(chosenPath(QDialog::Accepted, { QStringLiteral("/sounds/bell.wav") }),
            std::optional<QString>(QStringLiteral("/sounds/bell.wav")));
        QCOMPARE(chosenPath(QDialog::Rejected, { QStringLiteral("/sounds/bell.wav") }),
            std::optional<QString>());
        QCOMPARE(chosenPath(QDialog::Accepted, {}), std::optional<QString>());
    }
};

QTEST_MAIN(TestWidgetDialogs)
#include "tst_widgetdialogs.moc"
