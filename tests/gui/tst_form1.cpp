#include "app/DemoFaultMenu.h"
#include "core/ProgramState.h"
#include "gui/Design.h"
#include "gui/Form1.h"
#include "gui/LoaderApp.h"
#include "gui/PictureButton.h"
#include "gui/Pictures.h"
#include "load/LoadCommand.h"
#include "sound/OpenCommand.h"
#include "support/Rig.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
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

const QColor Beige(184, 185, 169);

bool sameColour(QRgb a, const QColor &b, int tolerance)
{
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance
        && std::abs(qBlue(a) - b.blue()) <= tolerance;
}

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

// The program's windows: the main window as the operator sees it (geometry,
// fonts, captions, tool tips, pictures, tab order, its fields and buttons);
// the real message box, file dialog and progress window, set up as the
// commands ask; start-up, quitting, and a load through the real main window
// over the emulated VQ250.
class TestForm1 : public QObject
{
    Q_OBJECT

    QWidget *child(const char *name) const
    {
        return m_form->findChild<QWidget *>(QString::fromLatin1(name));
    }

private slots:
    void init()
    {
        m_form = std::make_unique<Form1>();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    void cleanup() { m_form.reset(); }

    // The window, then every control: geometry, text, font (L 9.75 bold,
    // S 8.25 bold, P 8.25), horizontal alignment (l, c, r), tool tip, shown;
    // all enabled, none read-only. A screen reader names each by its text,
    // else by its own spoken name, else by its tool tip. Then the tab order.
    void controls()
    {
        QCOMPARE(m_form->objectName(), QStringLiteral("Form1"));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("VQ250"));
        QCOMPARE(m_form->minimumSize(), QSize(600, 400));
        QCOMPARE(m_form->maximumSize(), QSize(600, 400));
        QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(m_form->font(), arialFont(8.25, false));
        const QFontInfo info(arialFont(9.75, true));
        QVERIFY2(info.family() == "Arial" || info.family() == "Liberation Sans",
            qPrintable(info.family()));
        const struct {
            const char *name;
            QRect geometry;
            const char *text;
            char font, align;
            const char *toolTip = "", *spoken = "";
            bool shown = true;
        } rows[] = {
            { "LabelVersionNum", { 8, 24, 104, 16 }, "Version", 'L', 'l' },
            { "LabelBufferSound", { 136, 72, 273, 17 }, "Buffer Sound", 'L', 'c' },
            { "LabelLastOpened", { 144, 88, 113, 17 }, "Last Opened File:", 'S', 'l' },
            { "LabelLastOpenedFile", { 144, 104, 257, 17 }, "none", 'P', 'l' },
            { "LabelSoundName", { 144, 128, 121, 17 }, "VQ250 Sound Name:", 'S', 'r' },
            { "LabelSoundLength", { 208, 152, 57, 17 }, "Length:", 'S', 'r' },
            { "LabelFileLenSec", { 272, 152, 65, 17 }, "0.0000 Sec.", 'P', 'r' },
            { "LabelVolBuf", { 224, 176, 105, 17 }, "Default Volume:", 'S', 'r' },
            { "LabelSource", { 168, 256, 57, 17 }, "Source", 'S', 'c', "", "", false },
            { "LabelDestin", { 312, 256, 73, 17 }, "Destination", 'S', 'c' },
            { "VQ250SoundName", { 272, 128, 97, 19 }, "", 'P', 'l', "", "VQ250 Sound Name" },
            { "VolumeBufTxt", { 336, 176, 33, 19 }, "", 'P', 'c', "", "Default Volume" },
            { "SourceTxt", { 176, 232, 41, 25 }, "", 'L', 'c', "", "Source", false },
            { "DestinTxt", { 328, 232, 41, 25 }, "", 'L', 'c', "", "Destination" },
            { "CheckLooping", { 272, 192, 96, 25 }, "Loop Sound", 'S', 0,
                "Loop Sound Continuously" },
            { "OpenFileBtn", { 120, 7, 76, 35 }, "", 0, 0, "Open a Sound File" },
            { "LoadBGbtn", { 216, 7, 76, 35 }, "", 0, 0, "Load Buffer Sound to VQ250" },
            { "TruncateFor8Btn", { 312, 7, 76, 35 }, "", 0, 0, "Cut Sound to 8 Sec." },
            { "QuitBtn", { 512, 7, 76, 35 }, "", 0, 0, "Exit This Program" },
            { "Shape1", { 136, 72, 273, 153 }, "", 0, 0 },
        };
        const auto children
            = m_form->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(children.size(), int(std::size(rows)));
        for (const auto &row : rows) {
            QWidget *widget = child(row.name);
            QVERIFY2(widget && widget->parentWidget() == m_form.get(), row.name);
            QCOMPARE(widget->geometry(), row.geometry);
            QCOMPARE(widget->toolTip(), QString::fromLatin1(row.toolTip));
            QVERIFY2(widget->isVisible() == row.shown && widget->isEnabled(), row.name);
            QVERIFY2(!widget->property("readOnly").toBool(), row.name);
            QCOMPARE(widget->property("text").toString(), QString::fromLatin1(row.text));
            const char *spoken = *row.text ? row.text : *row.spoken ? row.spoken : row.toolTip;
            QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name),
                QString::fromLatin1(spoken));
            if (row.font)
                QCOMPARE(widget->font(),
                    row.font == 'L' ? arialFont(9.75, true) : arialFont(8.25, row.font == 'S'));
            if (row.align)
                QCOMPARE(
                    widget->property("alignment").value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
                    row.align == 'l'       ? Qt::AlignLeft
                        : row.align == 'c' ? Qt::AlignHCenter
                                           : Qt::AlignRight);
        }
        QStringList order;
        QWidget *first = child("OpenFileBtn");
        for (QWidget *w = first; order.isEmpty() || w != first; w = w->nextInFocusChain())
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible()
                && w->parentWidget() == m_form.get())
                order << w->objectName();
        QCOMPARE(order,
            QStringList({ "OpenFileBtn", "VQ250SoundName", "VolumeBufTxt", "DestinTxt", "LoadBGbtn",
                "CheckLooping", "TruncateFor8Btn", "QuitBtn" }));
    }

    // What the eye finds: frames, beige fills, what lies on top, the pictures.
    void looks()
    {
        auto *file = static_cast<QLabel *>(child("LabelLastOpenedFile"));
        QCOMPARE(file->frameShape(), QFrame::Box);
        QCOMPARE(file->lineWidth(), 1);
        QCOMPARE(static_cast<QLabel *>(child("LabelSoundName"))->frameShape(), QFrame::NoFrame);
        for (QWidget *beige : { static_cast<QWidget *>(m_form.get()), child("Shape1"),
                 child("LabelLastOpenedFile") }) {
            QVERIFY(beige->autoFillBackground());
            QCOMPARE(beige->palette().color(QPalette::Window), Beige);
        }
        // What lies over the box is what a click or the eye finds first.
        for (const char *name : { "LabelBufferSound", "LabelLastOpened", "LabelLastOpenedFile",
                 "VQ250SoundName", "LabelFileLenSec", "VolumeBufTxt", "CheckLooping" })
            QCOMPARE(m_form->childAt(child(name)->geometry().center()), child(name));
        QCOMPARE(m_form->childAt(QPoint(140, 215)), child("Shape1"));
        // The volume box overlaps the check box and lies above it; the check
        // box is drawn in beige, not in the style's button grey.
        QCOMPARE(m_form->childAt(QPoint(350, 193)), child("VolumeBufTxt"));
        auto *box = static_cast<QCheckBox *>(child("CheckLooping"));
        QCOMPARE(QColor(box->grab().toImage().pixel(box->width() - 2, box->height() - 2)), Beige);
        QCOMPARE(box->checkState(), Qt::Unchecked);

        QCOMPARE(picture(QStringLiteral("background")).size(), QSize(600, 400));
        // Pixels within 12 of the mask colour in every channel are not drawn.
        for (const auto &[colour, masked] : { std::pair { QColor(196, 173, 181), true },
                 { QColor(172, 197, 157), true }, { QColor(197, 185, 169), false },
                 { QColor(184, 172, 169), false }, { QColor(184, 185, 182), false } }) {
            QImage image(1, 1, QImage::Format_RGB32);
            image.setPixelColor(0, 0, colour);
            QCOMPARE(qAlpha(maskedPicture(image, Beige).pixel(0, 0)) == 0, masked);
        }

        // Button corners are masked and show the beige behind; the body is whole.
        for (const char *name : { "OpenFileBtn", "LoadBGbtn", "TruncateFor8Btn", "QuitBtn" }) {
            auto *button = static_cast<PictureButton *>(child(name));
            const QImage face = button->face().toImage();
            QCOMPARE(face.size(), QSize(75, 35));
            for (const QPoint corner :
                { QPoint(0, 0), QPoint(74, 0), QPoint(0, 34), QPoint(74, 34) })
                QCOMPARE(qAlpha(face.pixel(corner)), 0);
            for (int y = 8; y < 27; ++y)
                for (int x = 8; x < 67; ++x)
                    QVERIFY(qAlpha(face.pixel(x, y)) != 0);
            const QImage shown = button->grab().toImage();
            QVERIFY(sameColour(shown.pixel(0, 0), Beige, 0));
            QVERIFY(sameColour(shown.pixel(75, 34), Beige, 0));
            QVERIFY(!sameColour(shown.pixel(37, 17), Beige, MaskTolerance));
        }

        // The background: a pale field at the right, a beige bar and panel.
        const QImage shown = m_form->grab().toImage();
        const QRgb field = shown.pixel(580, 380);
        QVERIFY(!sameColour(field, Beige, 20) && qBlue(field) > 200 && qGreen(field) > 200);
        QVERIFY(sameColour(shown.pixel(595, 20), Beige, 6));
        QVERIFY(sameColour(shown.pixel(100, 3), Beige, 6));
        QVERIFY(sameColour(shown.pixel(3, 390), Beige, 6));
    }

    void fieldsThroughMainView()
    {
        MainView &view = *m_form;
        view.setLastOpenedFile(QStringLiteral("/sounds/bell.wav"));
        view.setFileLenSec(QStringLiteral("1.25 Sec."));
        view.setSoundName(QStringLiteral("bell"));
        view.setVolume(QStringLiteral("18"));
        QStringList shown;
        for (const char *name :
            { "LabelLastOpenedFile", "LabelFileLenSec", "VQ250SoundName", "VolumeBufTxt" })
            shown << child(name)->property("text").toString();
        QCOMPARE(shown, QStringList({ "/sounds/bell.wav", "1.25 Sec.", "bell", "18" }));
        QTest::keyClicks(child("DestinTxt"), "A1");
        static_cast<QLineEdit *>(child("VQ250SoundName"))->clear();
        QTest::keyClicks(child("VQ250SoundName"), "ABCDEFGHIJKL"); // reaches the commands whole
        QCOMPARE(QStringList({ view.volume(), view.destination(), view.soundName() }),
            QStringList({ "18", "A1", "ABCDEFGHIJKL" }));
        // Too long for the label: the middle gives way, the file name stays.
        auto *path = static_cast<QLabel *>(child("LabelLastOpenedFile"));
        const QString longPath = QStringLiteral(
            "/home/technician/sound-library/station-a/background-loops/2026-12/Chime.wav");
        view.setLastOpenedFile(longPath);
        QVERIFY2(path->text().startsWith("/home/") && path->text().contains(QChar(0x2026))
                && path->text().endsWith("/Chime.wav"),
            qPrintable(path->text()));
        QVERIFY(path->fontMetrics().horizontalAdvance(path->text()) < path->contentsRect().width());
        QCOMPARE(path->toolTip(), longPath);
        auto *box = static_cast<QCheckBox *>(child("CheckLooping"));
        for (const auto &[value, state] : { std::pair { int(Unchecked), Qt::Unchecked },
                 { int(Checked), Qt::Checked }, { int(Greyed), Qt::PartiallyChecked } }) {
            m_form->setLooping(value);
            QCOMPARE(box->checkState(), state);
            QCOMPARE(m_form->looping(), value);
        }
    }

    // While a command runs, Open, Load and Truncate start nothing and the
    // window itself holds the focus, so no key reaches an entry; Quit stays.
    // Afterwards the focus comes back and each button gives its own signal.
    void busyHoldsOffCommands()
    {
        QSignalSpy opens(m_form.get(), &Form1::openClicked);
        QSignalSpy loads(m_form.get(), &Form1::loadClicked);
        QSignalSpy truncates(m_form.get(), &Form1::truncateClicked);
        auto button
            = [this](const char *name) { return static_cast<QAbstractButton *>(child(name)); };
        const char *busy[] = { "OpenFileBtn", "LoadBGbtn", "TruncateFor8Btn" };
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        m_form->setLooping(Checked);
        button("LoadBGbtn")->setFocus();
        m_form->setCommandsEnabled(false);
        QCOMPARE(QApplication::focusWidget(), m_form.get());
        for (const char *name : busy) {
            QVERIFY2(!button(name)->isEnabled(), name);
            button(name)->click();
        }
        QVERIFY(button("QuitBtn")->isEnabled());
        for (Qt::Key key :
            { Qt::Key_Space, Qt::Key_7, Qt::Key_Tab, Qt::Key_7, Qt::Key_Backtab, Qt::Key_Space })
            QTest::keyClick(QApplication::focusWidget(), key);
        m_form->setCommandsEnabled(true);
        QCOMPARE(m_form->looping(), int(Checked));
        QCOMPARE(m_form->soundName() + m_form->volume(), QString());
        QCOMPARE(QApplication::focusWidget(), button("LoadBGbtn"));
        for (int clicks = 1; clicks <= 3; ++clicks)
            for (int i = 0; i < clicks; ++i)
                button(busy[clicks - 1])->click();
        QCOMPARE(opens.count() * 100 + loads.count() * 10 + truncates.count(), 123);
    }

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

private:
    std::unique_ptr<Form1> m_form;
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
