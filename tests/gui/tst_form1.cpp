#include "gui/Design.h"
#include "gui/Form1.h"
#include "gui/PictureButton.h"
#include "gui/Pictures.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace vq250;

namespace
{

const QColor Beige(184, 185, 169);

bool sameColour(QRgb a, const QColor &b, int tolerance)
{
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance
        && std::abs(qBlue(a) - b.blue()) <= tolerance;
}

} // namespace

// The main window as the operator sees it: geometry, fonts, captions, tool
// tips, pictures, tab order, its fields and buttons.
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

private:
    std::unique_ptr<Form1> m_form;
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
