#include "gui/Design.h"
#include "gui/Form1.h"
#include "gui/PictureButton.h"
#include "gui/Pictures.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
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
// tips, pictures, tab order, and its fields and buttons.
class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_form = std::make_unique<Form1>();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    void cleanup() { m_form.reset(); }

    void window()
    {
        QCOMPARE(m_form->objectName(), QStringLiteral("Form1"));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("VQ250"));
        QCOMPARE(m_form->size(), QSize(600, 400));
        QCOMPARE(m_form->minimumSize(), QSize(600, 400));
        QCOMPARE(m_form->maximumSize(), QSize(600, 400));
        QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(m_form->palette().color(QPalette::Window), Beige);
        QVERIFY(m_form->autoFillBackground());
        QCOMPARE(m_form->font(), arialFont(8.25, false));
        for (const char *name : { "OpenFileBtn", "LoadBGbtn", "TruncateFor8Btn", "QuitBtn" })
            QVERIFY2(m_form->findChild<QWidget *>(QString::fromLatin1(name))->isEnabled(), name);
        const QFontInfo info(arialFont(9.75, true));
        QVERIFY2(info.family() == "Arial" || info.family() == "Liberation Sans",
            qPrintable(info.family()));
    }

    // Every control: geometry, text, font (L 9.75 bold, S 8.25 bold, P 8.25),
    // horizontal alignment (l, c, r), tool tip, shown.
    void controls()
    {
        const struct {
            const char *name;
            QRect geometry;
            const char *text;
            char font, align;
            const char *toolTip = "";
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
            { "LabelSource", { 168, 256, 57, 17 }, "Source", 'S', 'c', "", false },
            { "LabelDestin", { 312, 256, 73, 17 }, "Destination", 'S', 'c' },
            { "VQ250SoundName", { 272, 128, 97, 19 }, "", 'P', 'l' },
            { "VolumeBufTxt", { 336, 176, 33, 19 }, "", 'P', 'c' },
            { "SourceTxt", { 176, 232, 41, 25 }, "", 'L', 'c', "", false },
            { "DestinTxt", { 328, 232, 41, 25 }, "", 'L', 'c' },
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
            auto *widget = m_form->findChild<QWidget *>(QString::fromLatin1(row.name));
            QVERIFY2(widget && widget->parentWidget() == m_form.get(), row.name);
            QCOMPARE(widget->geometry(), row.geometry);
            QCOMPARE(widget->toolTip(), QString::fromLatin1(row.toolTip));
            QVERIFY2(widget->isVisible() == row.shown, row.name);
            if (row.font)
                QCOMPARE(widget->font(),
                    row.font == 'L' ? arialFont(9.75, true) : arialFont(8.25, row.font == 'S'));
            Qt::Alignment align;
            QString text;
            if (auto *label = qobject_cast<QLabel *>(widget)) {
                align = label->alignment();
                text = label->text();
            } else if (auto *entry = qobject_cast<QLineEdit *>(widget)) {
                align = entry->alignment();
                text = entry->text();
                QVERIFY(!entry->isReadOnly());
            } else if (auto *box = qobject_cast<QCheckBox *>(widget)) {
                text = box->text();
            } else if (auto *button = qobject_cast<PictureButton *>(widget)) {
                QCOMPARE(button->face().size(), QSize(75, 35));
                text = button->text();
            }
            QCOMPARE(text, QString::fromLatin1(row.text));
            if (row.align)
                QCOMPARE(align & Qt::AlignHorizontal_Mask,
                    row.align == 'l'       ? Qt::AlignLeft
                        : row.align == 'c' ? Qt::AlignHCenter
                                           : Qt::AlignRight);
        }
    }

    // What a screen reader announces for each control that takes input.
    void accessibleNames()
    {
        const struct {
            const char *name, *spoken;
        } rows[] = { { "VQ250SoundName", "VQ250 Sound Name" }, { "VolumeBufTxt", "Default Volume" },
            { "SourceTxt", "Source" }, { "DestinTxt", "Destination" },
            { "CheckLooping", "Loop Sound" }, { "OpenFileBtn", "Open a Sound File" },
            { "LoadBGbtn", "Load Buffer Sound to VQ250" },
            { "TruncateFor8Btn", "Cut Sound to 8 Sec." }, { "QuitBtn", "Exit This Program" } };
        for (const auto &row : rows) {
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(
                m_form->findChild<QWidget *>(QString::fromLatin1(row.name)));
            QVERIFY2(face && face->text(QAccessible::Name) == row.spoken, row.name);
        }
    }

    void layersAndColours()
    {
        auto *file = m_form->findChild<QLabel *>(QStringLiteral("LabelLastOpenedFile"));
        QVERIFY(file->autoFillBackground());
        QCOMPARE(file->palette().color(QPalette::Window), Beige);
        QCOMPARE(file->frameShape(), QFrame::Box);
        QCOMPARE(file->lineWidth(), 1);
        QCOMPARE(m_form->findChild<QLabel *>(QStringLiteral("LabelSoundName"))->frameShape(),
            QFrame::NoFrame);
        auto *shape = m_form->findChild<QWidget *>(QStringLiteral("Shape1"));
        QVERIFY(shape->autoFillBackground());
        QCOMPARE(shape->palette().color(QPalette::Window), Beige);
        // What lies over the box is what a click or the eye finds first.
        for (const char *name : { "LabelBufferSound", "LabelLastOpened", "LabelLastOpenedFile",
                 "VQ250SoundName", "LabelFileLenSec", "VolumeBufTxt", "CheckLooping" }) {
            auto *widget = m_form->findChild<QWidget *>(QString::fromLatin1(name));
            QCOMPARE(m_form->childAt(widget->geometry().center()), widget);
        }
        QCOMPARE(m_form->childAt(QPoint(140, 215)), shape);
        // The volume box overlaps the check box and lies above it; the check
        // box is drawn in beige, not in the style's button grey.
        QCOMPARE(m_form->childAt(QPoint(350, 193)), m_form->findChild<QWidget *>("VolumeBufTxt"));
        auto *box = m_form->findChild<QCheckBox *>(QStringLiteral("CheckLooping"));
        const QImage shown = box->grab().toImage();
        QCOMPARE(QColor(shown.pixel(box->width() - 2, box->height() - 2)), Beige);
        QCOMPARE(box->checkState(), Qt::Unchecked);
    }

    void tabOrder()
    {
        QWidget *first = m_form->findChild<QWidget *>(QStringLiteral("OpenFileBtn"));
        QStringList order;
        QWidget *w = first;
        do {
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible()
                && w->parentWidget() == m_form.get())
                order << w->objectName();
            w = w->nextInFocusChain();
        } while (w != first && order.size() < 50);
        QCOMPARE(order,
            QStringList({ "OpenFileBtn", "VQ250SoundName", "VolumeBufTxt", "DestinTxt", "LoadBGbtn",
                "CheckLooping", "TruncateFor8Btn", "QuitBtn" }));
    }

    void fieldsThroughMainView()
    {
        MainView &view = *m_form;
        auto text = [this](const char *name) {
            QWidget *w = m_form->findChild<QWidget *>(QString::fromLatin1(name));
            auto *label = qobject_cast<QLabel *>(w);
            return label ? label->text() : qobject_cast<QLineEdit *>(w)->text();
        };
        view.setLastOpenedFile(QStringLiteral("/sounds/bell.wav"));
        QCOMPARE(text("LabelLastOpenedFile"), QStringLiteral("/sounds/bell.wav"));
        view.setFileLenSec(QStringLiteral("1.25 Sec."));
        QCOMPARE(text("LabelFileLenSec"), QStringLiteral("1.25 Sec."));
        view.setSoundName(QStringLiteral("bell"));
        QCOMPARE(text("VQ250SoundName"), QStringLiteral("bell"));
        view.setVolume(QStringLiteral("18"));
        QCOMPARE(text("VolumeBufTxt"), QStringLiteral("18"));
        QCOMPARE(view.volume(), QStringLiteral("18"));
        QTest::keyClicks(m_form->findChild<QLineEdit *>(QStringLiteral("DestinTxt")), "A1");
        QCOMPARE(view.destination(), QStringLiteral("A1"));
        auto *name = m_form->findChild<QLineEdit *>(QStringLiteral("VQ250SoundName"));
        name->clear();
        QTest::keyClicks(name, QStringLiteral("ABCDEFGHIJKL")); // reaches the commands whole
        QCOMPARE(view.soundName(), QStringLiteral("ABCDEFGHIJKL"));
        // Too long for the label: the middle gives way, the file name stays.
        auto *path = m_form->findChild<QLabel *>(QStringLiteral("LabelLastOpenedFile"));
        const QString longPath = QStringLiteral(
            "/home/technician/sound-library/station-a/background-loops/2026-12/Chime.wav");
        view.setLastOpenedFile(longPath);
        QVERIFY2(path->text().startsWith("/home/") && path->text().contains(QChar(0x2026))
                && path->text().endsWith("/Chime.wav"),
            qPrintable(path->text()));
        QVERIFY(path->fontMetrics().horizontalAdvance(path->text()) < path->contentsRect().width());
        QCOMPARE(path->toolTip(), longPath);
        m_form->setVersionText(QStringLiteral("1.05"));
        QCOMPARE(text("LabelVersionNum"), QStringLiteral("Version 1.05"));
        auto *box = m_form->findChild<QCheckBox *>(QStringLiteral("CheckLooping"));
        for (const auto &[value, state] :
            { std::pair { int(Unchecked), Qt::Unchecked }, std::pair { int(Checked), Qt::Checked },
                std::pair { int(Greyed), Qt::PartiallyChecked } }) {
            m_form->setLooping(value);
            QCOMPARE(box->checkState(), state);
            QCOMPARE(m_form->looping(), value);
        }
    }

    void pictures()
    {
        QCOMPARE(picture(QStringLiteral("background")).size(), QSize(600, 400));
        for (const char *name : { "open", "load", "truncate", "quit" })
            QCOMPARE(picture(QString::fromLatin1(name)).size(), QSize(75, 35));
        QVERIFY(picture(QStringLiteral("nosuch")).isNull());

        // Pixels within 12 of the mask colour in every channel are not drawn.
        const struct {
            QColor colour;
            bool masked;
        } rows[] = { { { 184, 185, 169 }, true }, { { 196, 173, 181 }, true },
            { { 197, 185, 169 }, false }, { { 184, 172, 169 }, false },
            { { 184, 185, 182 }, false }, { { 180, 180, 180 }, true }, { { 255, 255, 255 }, false },
            { { 0, 128, 128 }, false } };
        for (const auto &row : rows) {
            QImage image(3, 1, QImage::Format_RGB32);
            image.fill(Qt::black);
            image.setPixelColor(1, 0, row.colour);
            const QImage out = maskedPicture(image, Beige);
            QCOMPARE(out.format(), QImage::Format_ARGB32);
            QCOMPARE(qAlpha(out.pixel(1, 0)) == 0, row.masked);
            QCOMPARE(out.pixel(0, 0), qRgba(0, 0, 0, 255));
            QCOMPARE(out.pixel(2, 0), qRgba(0, 0, 0, 255));
        }

        // Button corners are masked and show the beige behind; the body is whole.
        for (const char *name : { "OpenFileBtn", "LoadBGbtn", "TruncateFor8Btn", "QuitBtn" }) {
            auto *button = m_form->findChild<PictureButton *>(QString::fromLatin1(name));
            const QImage face = button->face().toImage();
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

private:
    std::unique_ptr<Form1> m_form;
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
