#include "gui/WidgetFileDialog.h"
#include "gui/WidgetMessageBox.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace vq250;

namespace
{

// Runs `act` on the modal dialog of type T once it is up; gives up after
// a bounded wait so a missing dialog fails the test instead of hanging it.
template <typename T> void whenModalShows(std::function<void(T &)> act, bool *seen)
{
    auto *poll = new QTimer;
    auto *clock = new QElapsedTimer;
    clock->start();
    QObject::connect(poll, &QTimer::timeout, [poll, clock, act, seen] {
        T *dialog = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *candidate = qobject_cast<T *>(top); candidate && candidate->isVisible())
                dialog = candidate;
        const bool timedOut = clock->elapsed() > 5000;
        if (!dialog && !timedOut)
            return;
        poll->stop();
        poll->deleteLater();
        delete clock;
        if (dialog) {
            *seen = true;
            act(*dialog);
        }
    });
    poll->start(10);
}

} // namespace

class TestWidgetDialogs : public QObject
{
    Q_OBJECT

private slots:
    void displayText_data();
    void displayText();
    void style_data();
    void style();
    void emptyTitleIsApplicationTitle();
    void promptShownAsPlainText();
    void answers_data();
    void answers();

    void nameFilters_data();
    void nameFilters();
    void dialogSetUp();
    void cancelYieldsNothing();
    void chosenFileYieldsPath();
};

void TestWidgetDialogs::displayText_data()
{
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("shown");
    QTest::newRow("one line") << "Serial Comm Error."
                              << "Serial Comm Error.";
    QTest::newRow("two lines") << "A\rB"
                               << "A\nB";
    QTest::newRow("empty line") << "A\r\rError Code = 3"
                                << "A\n\nError Code = 3";
    QTest::newRow("trailing") << "A\r"
                              << "A\n";
    QTest::newRow("pair is one break") << "A\r\nB"
                                       << "A\nB";
    QTest::newRow("line feed kept") << "A\nB"
                                    << "A\nB";
    QTest::newRow("indent kept") << "A\r   B"
                                 << "A\n   B";
}

void TestWidgetDialogs::displayText()
{
    QFETCH(QString, prompt);
    QFETCH(QString, shown);
    QCOMPARE(vq250::displayText(prompt), shown);
}

void TestWidgetDialogs::style_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("escape");

    QTest::newRow("0 OK") << 0 << int(QMessageBox::Ok) << int(QMessageBox::NoIcon)
                          << int(QMessageBox::Ok);
    QTest::newRow("1 OK Cancel") << 1 << int(QMessageBox::Ok | QMessageBox::Cancel)
                                 << int(QMessageBox::NoIcon) << int(QMessageBox::Cancel);
    QTest::newRow("48 OK warning")
        << 48 << int(QMessageBox::Ok) << int(QMessageBox::Warning) << int(QMessageBox::Ok);
    QTest::newRow("49 OK Cancel warning") << 49 << int(QMessageBox::Ok | QMessageBox::Cancel)
                                          << int(QMessageBox::Warning) << int(QMessageBox::Cancel);
}

void TestWidgetDialogs::style()
{
    QFETCH(int, style);
    QFETCH(int, buttons);
    QFETCH(int, icon);
    QFETCH(int, escape);

    QMessageBox box;
    configureMessageBox(box, QStringLiteral("Line one\rLine two"), style, QStringLiteral("Title"));
    QCOMPARE(int(box.standardButtons()), buttons);
    QCOMPARE(int(box.icon()), icon);
    QCOMPARE(int(box.standardButton(box.escapeButton())), escape);
    QCOMPARE(box.defaultButton(), box.button(QMessageBox::Ok));
    QCOMPARE(box.windowTitle(), QStringLiteral("Title"));
    QCOMPARE(box.text(), QStringLiteral("Line one\nLine two"));
}

void TestWidgetDialogs::emptyTitleIsApplicationTitle()
{
    QMessageBox box;
    configureMessageBox(box, QStringLiteral("x"), 0, QString());
    QCOMPARE(box.windowTitle(), QStringLiteral("VQ250"));
    QCOMPARE(applicationTitle(), QStringLiteral("VQ250"));
}

void TestWidgetDialogs::promptShownAsPlainText()
{
    QMessageBox box;
    configureMessageBox(box, QStringLiteral("<b>C:\\a&b.wav</b>"), 0, QStringLiteral("t"));
    QCOMPARE(box.textFormat(), Qt::PlainText);
    auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    QVERIFY(label);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(label->text(), QStringLiteral("<b>C:\\a&b.wav</b>"));
}

void TestWidgetDialogs::answers_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("answer");

    QTest::newRow("0 OK") << 0 << "ok" << int(MsgOk);
    QTest::newRow("0 closed") << 0 << "close" << int(MsgOk);
    QTest::newRow("48 OK") << 48 << "ok" << int(MsgOk);
    QTest::newRow("48 closed") << 48 << "close" << int(MsgOk);
    QTest::newRow("1 OK") << 1 << "ok" << int(MsgOk);
    QTest::newRow("1 Cancel") << 1 << "cancel" << int(MsgCancel);
    QTest::newRow("1 closed") << 1 << "close" << int(MsgCancel);
    QTest::newRow("1 escape") << 1 << "escape" << int(MsgCancel);
}

void TestWidgetDialogs::answers()
{
    QFETCH(int, style);
    QFETCH(QString, action);
    QFETCH(int, answer);

    bool seen = false;
    QString shownText;
    whenModalShows<QMessageBox>(
        [&](QMessageBox &box) {
            shownText = box.text();
            if (action == QLatin1String("ok"))
                box.button(QMessageBox::Ok)->click();
            else if (action == QLatin1String("cancel"))
                box.button(QMessageBox::Cancel)->click();
            else if (action == QLatin1String("escape"))
                QTest::keyClick(&box, Qt::Key_Escape);
            else
                box.close();
        },
        &seen);
    WidgetMessageBox real;
    const MsgAnswer got = real.show(QStringLiteral("First\rSecond"), style, QStringLiteral("T"));
    QVERIFY(seen);
    QCOMPARE(int(got), answer);
    QCOMPARE(shownText, QStringLiteral("First\nSecond"));
}

void TestWidgetDialogs::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("open command's filters")
        << "All Files (*.*)|*.*|Sound Files (*.wav)|*.wav"
        << QStringList { "All Files (*.*)", "Sound Files (*.wav)" };
    QTest::newRow("bare descriptions")
        << "Sounds|*.wav|Everything|*" << QStringList { "Sounds (*.wav)", "Everything (*)" };
    QTest::newRow("several patterns")
        << "Sounds|*.wav;*.WAV" << QStringList { "Sounds (*.wav *.WAV)" };
    QTest::newRow("own tail differs")
        << "Sounds (*.snd)|*.wav" << QStringList { "Sounds (*.snd) (*.wav)" };
    QTest::newRow("dangling description")
        << "Sounds|*.wav|Other" << QStringList { "Sounds (*.wav)" };
    QTest::newRow("empty") << "" << QStringList {};
}

void TestWidgetDialogs::nameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(qtNameFilters(filter), expected);
}

void TestWidgetDialogs::dialogSetUp()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFileDialog dialog;
    configureFileDialog(
        dialog, QStringLiteral("All Files (*.*)|*.*|Sound Files (*.wav)|*.wav"), folder.path(), 2);
    QCOMPARE(dialog.nameFilters(), (QStringList { "All Files (*.*)", "Sound Files (*.wav)" }));
    QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("Sound Files (*.wav)"));
    QCOMPARE(dialog.directory().absolutePath(), QDir(folder.path()).absolutePath());
    QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);

    QFileDialog first;
    configureFileDialog(first, QStringLiteral("All Files (*.*)|*.*|Sound Files (*.wav)|*.wav"),
        QStringLiteral("C:\\My Documents\\VQ250SndLib\\"), 1);
    QCOMPARE(first.selectedNameFilter(), QStringLiteral("All Files (*.*)"));
    // A folder that does not exist here falls back to the home folder.
    QCOMPARE(first.directory().absolutePath(), QDir::home().absolutePath());
}

void TestWidgetDialogs::cancelYieldsNothing()
{
    QTemporaryDir folder;
    bool seen = false;
    QString shownFolder;
    whenModalShows<QFileDialog>(
        [&](QFileDialog &dialog) {
            shownFolder = dialog.directory().absolutePath();
            dialog.reject();
        },
        &seen);
    WidgetFileDialog real;
    const auto path = real.openFile(QStringLiteral("Sound Files (*.wav)|*.wav"), folder.path(), 1);
    QVERIFY(seen);
    QVERIFY(!path.has_value());
    QCOMPARE(shownFolder, QDir(folder.path()).absolutePath());
}

// The accepted path is mapped without a modal exec(): accepting a real
// dialog races its file-system model, which loads in another thread.
void TestWidgetDialogs::chosenFileYieldsPath()
{
    QCOMPARE(chosenPath(QDialog::Accepted, { QStringLiteral("/sounds/bell.wav") }),
        std::optional<QString>(QStringLiteral("/sounds/bell.wav")));
    QCOMPARE(chosenPath(QDialog::Rejected, { QStringLiteral("/sounds/bell.wav") }),
        std::optional<QString>());
    QCOMPARE(chosenPath(QDialog::Accepted, {}), std::optional<QString>());
}

QTEST_MAIN(TestWidgetDialogs)
#include "tst_widgetdialogs.moc"
