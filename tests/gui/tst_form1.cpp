#include "gui/Design.h"
#include "gui/Form1.h"
#include "gui/PictureButton.h"
#include "gui/Pictures.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace vq250;

namespace
{

const QColor Beige(184, 185, 169);

enum class FontKind { Large, Small, Plain };

QFont fontOf(FontKind kind)
{
    switch (kind) {
    case FontKind::Large:
        return arialFont(9.75, true);
    case FontKind::Small:
        return arialFont(8.25, true);
    default:
        return arialFont(8.25, false);
    }
}

bool sameColour(QRgb a, const QColor &b, int tolerance)
{
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance
        && std::abs(qBlue(a) - b.blue()) <= tolerance;
}

// What a screen reader announces for the control.
QString spokenName(QWidget *widget)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

} // namespace

Q_DECLARE_METATYPE(FontKind)

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void window();
    void twipsRounding();
    void colourFromBgrSwapsRedAndBlue();
    void labels_data();
    void labels();
    void entries_data();
    void entries();
    void checkLooping();
    void buttons_data();
    void buttons();
    void shapeBeneathGroup();
    void sourceNeverShown();
    void tabOrder();
    void fontsResolveToArialMetrics();
    void fieldsThroughMainView();
    void loopingValues_data();
    void loopingValues();
    void commandsEnabled();
    void buttonSignals();
    void closeBoxRequestsQuit();

    void picturesCompiledIn_data();
    void picturesCompiledIn();
    void maskTolerance_data();
    void maskTolerance();
    void buttonCornersMasked_data();
    void buttonCornersMasked();
    void backgroundDrawn();

private:
    std::unique_ptr<Form1> m_form;
};

void TestForm1::init()
{
    m_form = std::make_unique<Form1>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestForm1::cleanup()
{
    m_form.reset();
}

void TestForm1::window()
{
    QCOMPARE(m_form->objectName(), QStringLiteral("Form1"));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("VQ250"));
    QCOMPARE(m_form->size(), QSize(600, 400));
    QCOMPARE(m_form->minimumSize(), QSize(600, 400));
    QCOMPARE(m_form->maximumSize(), QSize(600, 400));
    QVERIFY(m_form->isWindow());
    QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(m_form->palette().color(QPalette::Window), Beige);
    QVERIFY(m_form->autoFillBackground());
    QCOMPARE(m_form->font(), fontOf(FontKind::Plain));
}

void TestForm1::twipsRounding()
{
    QCOMPARE(twipsToPixels(9000), 600);
    QCOMPARE(twipsToPixels(1136), 76); // 75.7
    QCOMPARE(twipsToPixels(530), 35); // 35.3
    QCOMPARE(twipsToPixels(110), 7); // 7.3
    QCOMPARE(twipsToPixels(378), 25); // 25.2
    QCOMPARE(twipsToPixels(7), 0);
    QCOMPARE(twipsToPixels(8), 1);
    QCOMPARE(twipsRect(2040, 1080, 4095, 2295), QRect(136, 72, 273, 153));
}

void TestForm1::colourFromBgrSwapsRedAndBlue()
{
    QCOMPARE(colourFromBgr(0x00A9B9B8), QColor(184, 185, 169));
    QCOMPARE(colourFromBgr(0x00808000), QColor(0, 128, 128));
    QCOMPARE(colourFromBgr(0x000000FF), QColor(255, 0, 0));
}

void TestForm1::labels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<FontKind>("font");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<bool>("opaque");

    auto row = [](const char *name, QRect g, const char *caption, FontKind font, Qt::Alignment a,
                   bool opaque = false) {
        QTest::newRow(name) << QString::fromLatin1(name) << g << QString::fromLatin1(caption)
                            << font << int(a) << opaque;
    };
    row("LabelVersionNum", QRect(8, 24, 104, 16), "Version", FontKind::Large, Qt::AlignLeft);
    row("LabelBufferSound", QRect(136, 72, 273, 17), "Buffer Sound", FontKind::Large,
        Qt::AlignHCenter);
    row("LabelLastOpened", QRect(144, 88, 113, 17), "Last Opened File:", FontKind::Small,
        Qt::AlignLeft);
    row("LabelLastOpenedFile", QRect(144, 104, 257, 17), "none", FontKind::Plain, Qt::AlignLeft,
        true);
    row("LabelSoundName", QRect(144, 128, 121, 17), "VQ250 Sound Name:", FontKind::Small,
        Qt::AlignRight);
    row("LabelSoundLength", QRect(208, 152, 57, 17), "Length:", FontKind::Small, Qt::AlignRight);
    row("LabelFileLenSec", QRect(272, 152, 65, 17), "0.0000 Sec.", FontKind::Plain, Qt::AlignRight);
    row("LabelVolBuf", QRect(224, 176, 105, 17), "Default Volume:", FontKind::Small,
        Qt::AlignRight);
    row("LabelSource", QRect(168, 256, 57, 17), "Source", FontKind::Small, Qt::AlignHCenter);
    row("LabelDestin", QRect(312, 256, 73, 17), "Destination", FontKind::Small, Qt::AlignHCenter);
}

void TestForm1::labels()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    QFETCH(FontKind, font);
    QFETCH(int, alignment);
    QFETCH(bool, opaque);

    auto *label = m_form->findChild<QLabel *>(name);
    QVERIFY(label);
    QCOMPARE(label->parentWidget(), m_form.get());
    QCOMPARE(label->geometry(), geometry);
    QCOMPARE(label->text(), caption);
    QCOMPARE(label->font(), fontOf(font));
    QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), alignment);
    QCOMPARE(label->autoFillBackground(), opaque);
    if (opaque) {
        QCOMPARE(label->palette().color(QPalette::Window), Beige);
        QCOMPARE(label->frameShape(), QFrame::Box);
        QCOMPARE(label->lineWidth(), 1);
    } else {
        QCOMPARE(label->frameShape(), QFrame::NoFrame);
    }
}

void TestForm1::entries_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<FontKind>("font");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QString>("accessibleName");

    QTest::newRow("VQ250SoundName") << "VQ250SoundName" << QRect(272, 128, 97, 19)
                                    << FontKind::Plain << int(Qt::AlignLeft) << "VQ250 Sound Name";
    QTest::newRow("VolumeBufTxt") << "VolumeBufTxt" << QRect(336, 176, 33, 19) << FontKind::Plain
                                  << int(Qt::AlignHCenter) << "Default Volume";
    QTest::newRow("SourceTxt") << "SourceTxt" << QRect(176, 232, 41, 25) << FontKind::Large
                               << int(Qt::AlignHCenter) << "Source";
    QTest::newRow("DestinTxt") << "DestinTxt" << QRect(328, 232, 41, 25) << FontKind::Large
                               << int(Qt::AlignHCenter) << "Destination";
}

void TestForm1::entries()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(FontKind, font);
    QFETCH(int, alignment);
    QFETCH(QString, accessibleName);

    auto *entry = m_form->findChild<QLineEdit *>(name);
    QCOMPARE(spokenName(entry), accessibleName);
    QVERIFY(entry);
    QCOMPARE(entry->geometry(), geometry);
    QCOMPARE(entry->font(), fontOf(font));
    QCOMPARE(int(entry->alignment() & Qt::AlignHorizontal_Mask), alignment);
    QVERIFY(entry->text().isEmpty());
    QVERIFY(!entry->isReadOnly());
}

void TestForm1::checkLooping()
{
    auto *box = m_form->findChild<QCheckBox *>(QStringLiteral("CheckLooping"));
    QVERIFY(box);
    QCOMPARE(box->geometry(), QRect(272, 192, 96, 25));
    QCOMPARE(box->text(), QStringLiteral("Loop Sound"));
    QCOMPARE(box->font(), fontOf(FontKind::Small));
    QCOMPARE(box->toolTip(), QStringLiteral("Loop Sound Continuously"));
    QCOMPARE(spokenName(box), QStringLiteral("Loop Sound"));
    QVERIFY(box->autoFillBackground());
    QCOMPARE(box->palette().color(box->backgroundRole()), Beige);
    QVERIFY(box->isVisible());
    // The volume box overlaps it and lies above it.
    auto *volume = m_form->findChild<QWidget *>(QStringLiteral("VolumeBufTxt"));
    QCOMPARE(m_form->childAt(QPoint(350, 193)), volume);
    // Drawn in beige, not in the style's button grey.
    const QImage shown = box->grab().toImage();
    QCOMPARE(QColor(shown.pixel(box->width() - 2, box->height() - 2)), Beige);
    QCOMPARE(box->checkState(), Qt::Unchecked);
}

void TestForm1::buttons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("left");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("OpenFileBtn") << "OpenFileBtn" << 120 << "Open a Sound File";
    QTest::newRow("LoadBGbtn") << "LoadBGbtn" << 216 << "Load Buffer Sound to VQ250";
    QTest::newRow("TruncateFor8Btn") << "TruncateFor8Btn" << 312 << "Cut Sound to 8 Sec.";
    QTest::newRow("QuitBtn") << "QuitBtn" << 512 << "Exit This Program";
}

void TestForm1::buttons()
{
    QFETCH(QString, name);
    QFETCH(int, left);
    QFETCH(QString, toolTip);

    auto *button = m_form->findChild<PictureButton *>(name);
    QVERIFY(button);
    QCOMPARE(button->geometry(), QRect(left, 7, 76, 35));
    QCOMPARE(button->toolTip(), toolTip);
    QCOMPARE(spokenName(button), toolTip);
    QVERIFY(button->text().isEmpty());
    QCOMPARE(button->face().size(), QSize(75, 35));
    QVERIFY(button->isVisible());
    QVERIFY(button->isEnabled());
}

void TestForm1::shapeBeneathGroup()
{
    auto *shape = m_form->findChild<QWidget *>(QStringLiteral("Shape1"));
    QVERIFY(shape);
    QCOMPARE(shape->geometry(), QRect(136, 72, 273, 153));
    QVERIFY(shape->autoFillBackground());
    QCOMPARE(shape->palette().color(QPalette::Window), Beige);
    // Whatever lies over the box is what a click or the eye finds first.
    const QStringList above = { "LabelBufferSound", "LabelLastOpened", "LabelLastOpenedFile",
        "VQ250SoundName", "LabelFileLenSec", "VolumeBufTxt", "CheckLooping" };
    for (const QString &name : above) {
        auto *widget = m_form->findChild<QWidget *>(name);
        QVERIFY2(widget, qPrintable(name));
        QCOMPARE(m_form->childAt(widget->geometry().center()), widget);
    }
    // Inside the box and under no control: the box itself.
    QCOMPARE(m_form->childAt(QPoint(140, 215)), shape);
}

void TestForm1::sourceNeverShown()
{
    for (const char *name : { "SourceTxt", "LabelSource" }) {
        auto *widget = m_form->findChild<QWidget *>(QString::fromLatin1(name));
        QVERIFY2(widget, name);
        QVERIFY2(widget->isHidden(), name);
        QVERIFY2(!widget->isVisible(), name);
    }
    // Every other control is visible.
    const auto children = m_form->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(children.size(), 20);
    for (QWidget *child : children) {
        if (child->objectName() == QLatin1String("SourceTxt")
            || child->objectName() == QLatin1String("LabelSource"))
            continue;
        QVERIFY2(child->isVisible(), qPrintable(child->objectName()));
    }
}

void TestForm1::tabOrder()
{
    // Walk the focus chain from the first control, keeping those that take
    // focus by the tab key and are shown.
    QWidget *first = m_form->findChild<QWidget *>(QStringLiteral("OpenFileBtn"));
    QVERIFY(first);
    QStringList order;
    QWidget *w = first;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible()
            && w->parentWidget() == m_form.get())
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != first && order.size() < 50);
    const QStringList expected = { "OpenFileBtn", "VQ250SoundName", "VolumeBufTxt", "DestinTxt",
        "LoadBGbtn", "CheckLooping", "TruncateFor8Btn", "QuitBtn" };
    QCOMPARE(order, expected);
}

void TestForm1::fontsResolveToArialMetrics()
{
    auto *label = m_form->findChild<QLabel *>(QStringLiteral("LabelBufferSound"));
    QVERIFY(label);
    const QFontInfo info(label->font());
    QVERIFY2(info.family() == QLatin1String("Arial")
            || info.family() == QLatin1String("Liberation Sans"),
        qPrintable(info.family()));
    QVERIFY(info.bold());
    QCOMPARE(label->font().pointSizeF(), 9.75);
}

void TestForm1::fieldsThroughMainView()
{
    MainView &view = *m_form;
    view.setLastOpenedFile(QStringLiteral("/sounds/bell.wav"));
    QCOMPARE(m_form->findChild<QLabel *>(QStringLiteral("LabelLastOpenedFile"))->text(),
        QStringLiteral("/sounds/bell.wav"));
    // Too long for the label: the middle gives way, the file name stays.
    auto *path = m_form->findChild<QLabel *>(QStringLiteral("LabelLastOpenedFile"));
    const QString longPath = QStringLiteral(
        "/home/technician/sound-library/station-a/background-loops/2026-12/Chime.wav");
    view.setLastOpenedFile(longPath);
    const QString shown = path->text();
    QVERIFY2(shown.startsWith(QStringLiteral("/home/")) && shown.contains(QChar(0x2026))
            && shown.endsWith(QStringLiteral("/Chime.wav")),
        qPrintable(shown));
    QVERIFY(path->fontMetrics().horizontalAdvance(path->text()) < path->contentsRect().width());
    QCOMPARE(path->toolTip(), longPath);

    view.setFileLenSec(QStringLiteral("1.25 Sec."));
    QCOMPARE(m_form->findChild<QLabel *>(QStringLiteral("LabelFileLenSec"))->text(),
        QStringLiteral("1.25 Sec."));

    view.setSoundName(QStringLiteral("bell"));
    QCOMPARE(m_form->findChild<QLineEdit *>(QStringLiteral("VQ250SoundName"))->text(),
        QStringLiteral("bell"));
    QCOMPARE(view.soundName(), QStringLiteral("bell"));
    view.setVolume(QStringLiteral("18"));
    QCOMPARE(m_form->findChild<QLineEdit *>(QStringLiteral("VolumeBufTxt"))->text(),
        QStringLiteral("18"));
    QCOMPARE(view.volume(), QStringLiteral("18"));

    auto *destin = m_form->findChild<QLineEdit *>(QStringLiteral("DestinTxt"));
    QTest::keyClicks(destin, QStringLiteral("A1"));
    QCOMPARE(view.destination(), QStringLiteral("A1"));

    // Typed text reaches the commands unchanged, however long.
    auto *name = m_form->findChild<QLineEdit *>(QStringLiteral("VQ250SoundName"));
    name->clear();
    QTest::keyClicks(name, QStringLiteral("ABCDEFGHIJKL"));
    QCOMPARE(view.soundName(), QStringLiteral("ABCDEFGHIJKL"));

    m_form->setVersionText(QStringLiteral("1.05"));
    QCOMPARE(m_form->findChild<QLabel *>(QStringLiteral("LabelVersionNum"))->text(),
        QStringLiteral("Version 1.05"));
}

void TestForm1::loopingValues_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("state");
    QTest::newRow("unchecked") << int(Unchecked) << int(Qt::Unchecked);
    QTest::newRow("checked") << int(Checked) << int(Qt::Checked);
    QTest::newRow("greyed") << int(Greyed) << int(Qt::PartiallyChecked);
}

void TestForm1::loopingValues()
{
    QFETCH(int, value);
    QFETCH(int, state);
    auto *box = m_form->findChild<QCheckBox *>(QStringLiteral("CheckLooping"));
    m_form->setLooping(value);
    QCOMPARE(int(box->checkState()), state);
    QCOMPARE(m_form->looping(), value);
}

void TestForm1::commandsEnabled()
{
    const QStringList commands = { "OpenFileBtn", "LoadBGbtn", "TruncateFor8Btn" };
    m_form->setCommandsEnabled(false);
    for (const QString &name : commands)
        QVERIFY2(!m_form->findChild<QWidget *>(name)->isEnabled(), qPrintable(name));
    // Quitting is always possible.
    QVERIFY(m_form->findChild<QWidget *>(QStringLiteral("QuitBtn"))->isEnabled());

    QSignalSpy opened(m_form.get(), &Form1::openClicked);
    QTest::mouseClick(m_form->findChild<QWidget *>(QStringLiteral("OpenFileBtn")), Qt::LeftButton);
    QCOMPARE(opened.count(), 0);

    m_form->setCommandsEnabled(true);
    for (const QString &name : commands)
        QVERIFY2(m_form->findChild<QWidget *>(name)->isEnabled(), qPrintable(name));
}

void TestForm1::buttonSignals()
{
    QSignalSpy opened(m_form.get(), &Form1::openClicked);
    QSignalSpy loaded(m_form.get(), &Form1::loadClicked);
    QSignalSpy truncated(m_form.get(), &Form1::truncateClicked);
    QSignalSpy quit(m_form.get(), &Form1::quitRequested);

    QTest::mouseClick(m_form->findChild<QWidget *>(QStringLiteral("OpenFileBtn")), Qt::LeftButton);
    QCOMPARE(opened.count(), 1);
    QTest::mouseClick(m_form->findChild<QWidget *>(QStringLiteral("LoadBGbtn")), Qt::LeftButton);
    QCOMPARE(loaded.count(), 1);
    QTest::mouseClick(
        m_form->findChild<QWidget *>(QStringLiteral("TruncateFor8Btn")), Qt::LeftButton);
    QCOMPARE(truncated.count(), 1);
    QCOMPARE(quit.count(), 0);
    QTest::mouseClick(m_form->findChild<QWidget *>(QStringLiteral("QuitBtn")), Qt::LeftButton);
    QCOMPARE(quit.count(), 1);
    QCOMPARE(opened.count() + loaded.count() + truncated.count(), 3);
}

void TestForm1::closeBoxRequestsQuit()
{
    QSignalSpy quit(m_form.get(), &Form1::quitRequested);
    QVERIFY(m_form->close());
    QCOMPARE(quit.count(), 1);
}

void TestForm1::picturesCompiledIn_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::newRow("background") << "background" << QSize(600, 400);
    for (const char *name : { "open", "load", "truncate", "quit" })
        QTest::newRow(name) << QString::fromLatin1(name) << QSize(75, 35);
}

void TestForm1::picturesCompiledIn()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QImage image = picture(name);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), size);
    QVERIFY(picture(QStringLiteral("nosuch")).isNull());
}

void TestForm1::maskTolerance_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("masked");
    QTest::newRow("exact") << QColor(184, 185, 169) << true;
    QTest::newRow("all channels at tolerance") << QColor(196, 173, 181) << true;
    QTest::newRow("red one past") << QColor(197, 185, 169) << false;
    QTest::newRow("green one past") << QColor(184, 172, 169) << false;
    QTest::newRow("blue one past") << QColor(184, 185, 182) << false;
    QTest::newRow("grey 180") << QColor(180, 180, 180) << true;
    QTest::newRow("white") << QColor(255, 255, 255) << false;
    QTest::newRow("teal") << QColor(0, 128, 128) << false;
}

void TestForm1::maskTolerance()
{
    QFETCH(QColor, colour);
    QFETCH(bool, masked);
    QImage image(3, 1, QImage::Format_RGB32);
    image.fill(Qt::black);
    image.setPixelColor(1, 0, colour);
    const QImage out = maskedPicture(image, Beige);
    QCOMPARE(out.format(), QImage::Format_ARGB32);
    QCOMPARE(qAlpha(out.pixel(1, 0)) == 0, masked);
    // Neighbours untouched.
    QCOMPARE(out.pixel(0, 0), qRgba(0, 0, 0, 255));
    QCOMPARE(out.pixel(2, 0), qRgba(0, 0, 0, 255));
}

void TestForm1::buttonCornersMasked_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : { "OpenFileBtn", "LoadBGbtn", "TruncateFor8Btn", "QuitBtn" })
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestForm1::buttonCornersMasked()
{
    QFETCH(QString, name);
    auto *button = m_form->findChild<PictureButton *>(name);
    QVERIFY(button);
    const QImage face = button->face().toImage();
    // The corners outside the rounded body are mask colour: not drawn.
    for (const QPoint corner : { QPoint(0, 0), QPoint(74, 0), QPoint(0, 34), QPoint(74, 34) })
        QCOMPARE(qAlpha(face.pixel(corner)), 0);
    // The body is drawn, and none of it is lost to the mask.
    int holes = 0;
    for (int y = 8; y < 27; ++y)
        for (int x = 8; x < 67; ++x)
            holes += qAlpha(face.pixel(x, y)) == 0 ? 1 : 0;
    QCOMPARE(holes, 0);

    // On screen the masked corners show the button's beige background.
    const QImage shown = button->grab().toImage();
    QVERIFY(sameColour(shown.pixel(0, 0), Beige, 0));
    QVERIFY(sameColour(shown.pixel(75, 34), Beige, 0));
    QVERIFY(!sameColour(shown.pixel(37, 17), Beige, MaskTolerance));
}

void TestForm1::backgroundDrawn()
{
    const QImage shown = m_form->grab().toImage();
    // Pale field at the right, beige top bar and left panel.
    const QRgb field = shown.pixel(580, 380);
    QVERIFY(!sameColour(field, Beige, 20));
    QVERIFY(qBlue(field) > 200 && qGreen(field) > 200);
    QVERIFY(sameColour(shown.pixel(595, 20), Beige, 6));
    QVERIFY(sameColour(shown.pixel(100, 3), Beige, 6));
    QVERIFY(sameColour(shown.pixel(3, 390), Beige, 6));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
