#include "gui/Form1.h"

#include "gui/Design.h"
#include "gui/PictureButton.h"
#include "gui/Pictures.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <utility>
#include <vector>

namespace vq250
{
namespace
{

constexpr int ClientWidth = 600; // 9000 twips
constexpr int ClientHeight = 400; // 6000 twips
constexpr int ButtonTop = 110;
constexpr int ButtonWidth = 1136;
constexpr int ButtonHeight = 530;

void fillWith(QWidget &widget, const QColor &colour)
{
    // Buttons fill with their Button role, everything else with Window.
    QPalette palette = widget.palette();
    palette.setColor(widget.backgroundRole(), colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

} // namespace

Form1::Form1(QWidget *parent)
    : QWidget(parent,
        Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
            | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_background(QPixmap::fromImage(picture(QStringLiteral("background"))))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("VQ250"));
    setFixedSize(ClientWidth, ClientHeight);
    setFont(windowDefaultFont());
    fillWith(*this, colourFromBgr(PanelBgr));

    // Creation order is stacking order: the group's box first, beneath all.
    buildGroup();
    buildButtons();
    buildLabels();
    buildEntries();
    setTabOrderByIndex();
}

void Form1::buildGroup()
{
    auto *shape = new QWidget(this);
    shape->setObjectName(QStringLiteral("Shape1"));
    shape->setGeometry(twipsRect(2040, 1080, 4095, 2295));
    fillWith(*shape, colourFromBgr(PanelBgr));
}

PictureButton *Form1::addButton(
    const char *name, int left, const char *pictureName, const QString &toolTip)
{
    auto *button = new PictureButton(
        picture(QString::fromLatin1(pictureName)), colourFromBgr(PanelBgr), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(twipsRect(left, ButtonTop, ButtonWidth, ButtonHeight));
    button->setToolTip(toolTip);
    // A picture has no words for a screen reader: it reads the tool tip.
    button->setAccessibleName(toolTip);
    return button;
}

void Form1::buildButtons()
{
    m_openFileBtn = addButton("OpenFileBtn", 1800, "open", QStringLiteral("Open a Sound File"));
    m_loadBGbtn
        = addButton("LoadBGbtn", 3240, "load", QStringLiteral("Load Buffer Sound to VQ250"));
    m_truncateFor8Btn
        = addButton("TruncateFor8Btn", 4680, "truncate", QStringLiteral("Cut Sound to 8 Sec."));
    m_quitBtn = addButton("QuitBtn", 7680, "quit", QStringLiteral("Exit This Program"));

    connect(m_openFileBtn, &QAbstractButton::clicked, this, &Form1::openClicked);
    connect(m_loadBGbtn, &QAbstractButton::clicked, this, &Form1::loadClicked);
    connect(m_truncateFor8Btn, &QAbstractButton::clicked, this, &Form1::truncateClicked);
    connect(m_quitBtn, &QAbstractButton::clicked, this, &Form1::quitRequested);
}

QLabel *Form1::addLabel(const char *name, const QRect &geometry, const QString &caption,
    const QFont &font, Qt::Alignment alignment)
{
    auto *label = new QLabel(caption, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setFont(font);
    // Captions sit at the top of their box, as the design draws them.
    label->setAlignment(alignment | Qt::AlignTop);
    return label;
}

void Form1::buildLabels()
{
    const QFont large = largeBoldFont();
    const QFont small = smallBoldFont();
    const QFont plain = windowDefaultFont();

    m_labelVersionNum = addLabel("LabelVersionNum", twipsRect(120, 360, 1560, 240),
        QStringLiteral("Version"), large, Qt::AlignLeft);
    QPalette teal = m_labelVersionNum->palette();
    teal.setColor(QPalette::WindowText, colourFromBgr(VersionTextBgr));
    m_labelVersionNum->setPalette(teal);

    addLabel("LabelBufferSound", twipsRect(2040, 1080, 4095, 255), QStringLiteral("Buffer Sound"),
        large, Qt::AlignHCenter);
    addLabel("LabelLastOpened", twipsRect(2160, 1320, 1695, 255),
        QStringLiteral("Last Opened File:"), small, Qt::AlignLeft);

    m_labelLastOpenedFile = addLabel("LabelLastOpenedFile", twipsRect(2160, 1560, 3855, 255),
        QStringLiteral("none"), plain, Qt::AlignLeft);
    m_labelLastOpenedFile->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_labelLastOpenedFile->setLineWidth(1);
    fillWith(*m_labelLastOpenedFile, colourFromBgr(PanelBgr));

    addLabel("LabelSoundName", twipsRect(2160, 1920, 1815, 255),
        QStringLiteral("VQ250 Sound Name:"), small, Qt::AlignRight);
    addLabel("LabelSoundLength", twipsRect(3120, 2280, 855, 255), QStringLiteral("Length:"), small,
        Qt::AlignRight);
    m_labelFileLenSec = addLabel("LabelFileLenSec", twipsRect(4080, 2280, 975, 255),
        QStringLiteral("0.0000 Sec."), plain, Qt::AlignRight);
    addLabel("LabelVolBuf", twipsRect(3360, 2640, 1575, 255), QStringLiteral("Default Volume:"),
        small, Qt::AlignRight);
    // The operator never enters a source: the field and its label stay hidden.
    addLabel("LabelSource", twipsRect(2520, 3840, 855, 255), QStringLiteral("Source"), small,
        Qt::AlignHCenter)
        ->hide();
    addLabel("LabelDestin", twipsRect(4680, 3840, 1095, 255), QStringLiteral("Destination"), small,
        Qt::AlignHCenter);
}

QLineEdit *Form1::addEntry(const char *name, const QRect &geometry, const QFont &font,
    Qt::Alignment alignment, const QString &accessibleName)
{
    auto *entry = new QLineEdit(this);
    entry->setObjectName(QString::fromLatin1(name));
    entry->setAccessibleName(accessibleName);
    entry->setGeometry(geometry);
    entry->setFont(font);
    entry->setAlignment(alignment | Qt::AlignVCenter);
    return entry;
}

void Form1::buildEntries()
{
    // The check box reaches 3 px up into the volume box; made first, it lies
    // beneath it, so the box shows whole.
    m_checkLooping = new QCheckBox(QStringLiteral("Loop Sound"), this);
    m_checkLooping->setObjectName(QStringLiteral("CheckLooping"));
    m_checkLooping->setGeometry(twipsRect(4080, 2880, 1440, 378));
    m_checkLooping->setFont(smallBoldFont());
    m_checkLooping->setToolTip(QStringLiteral("Loop Sound Continuously"));
    fillWith(*m_checkLooping, colourFromBgr(PanelBgr));

    // Each box is named for a screen reader by the label beside it.
    m_soundName = addEntry("VQ250SoundName", twipsRect(4080, 1920, 1455, 285), windowDefaultFont(),
        Qt::AlignLeft, QStringLiteral("VQ250 Sound Name"));
    m_volumeBufTxt = addEntry("VolumeBufTxt", twipsRect(5040, 2640, 495, 285), windowDefaultFont(),
        Qt::AlignHCenter, QStringLiteral("Default Volume"));
    m_sourceTxt = addEntry("SourceTxt", twipsRect(2640, 3480, 615, 375), largeBoldFont(),
        Qt::AlignHCenter, QStringLiteral("Source"));
    m_sourceTxt->hide();
    m_destinTxt = addEntry("DestinTxt", twipsRect(4920, 3480, 615, 375), largeBoldFont(),
        Qt::AlignHCenter, QStringLiteral("Destination"));
}

void Form1::setTabOrderByIndex()
{
    // The controls that take focus, by their design tab index.
    std::vector<std::pair<int, QWidget *>> order = {
        { 0, m_openFileBtn },
        { 1, m_soundName },
        { 2, m_volumeBufTxt },
        { 3, m_sourceTxt },
        { 4, m_destinTxt },
        { 5, m_loadBGbtn },
        { 10, m_checkLooping },
        { 11, m_truncateFor8Btn },
        { 15, m_quitBtn },
    };
    std::sort(
        order.begin(), order.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1].second, order[i].second);
}

void Form1::setVersionText(const QString &versionText)
{
    m_labelVersionNum->setText(QStringLiteral("Version ") + versionText);
}

void Form1::centreOnScreen()
{
    const QScreen *where = screen();
    if (!where)
        return;
    // The client area is what we know before the window system adds a frame.
    QRect placed = rect();
    placed.moveCenter(where->availableGeometry().center());
    setGeometry(placed);
}

void Form1::setLastOpenedFile(const QString &text)
{
    m_lastOpenedFile = text;
    showLastOpenedFile();
}

// A path too long for the label loses its middle, never the file name at
// its end; the tool tip and a screen reader have it whole.
void Form1::showLastOpenedFile()
{
    QLabel &label = *m_labelLastOpenedFile;
    const QFontMetrics metrics = label.fontMetrics();
    // The frame, and the indent a framed label keeps: half an "x" each side.
    const int room = label.contentsRect().width() - metrics.horizontalAdvance(QLatin1Char('x'));
    label.setText(metrics.elidedText(m_lastOpenedFile, Qt::ElideMiddle, room));
    label.setToolTip(m_lastOpenedFile);
    label.setAccessibleName(m_lastOpenedFile);
}

void Form1::setFileLenSec(const QString &text)
{
    m_labelFileLenSec->setText(text);
}

QString Form1::soundName() const
{
    return m_soundName->text();
}

void Form1::setSoundName(const QString &text)
{
    m_soundName->setText(text);
}

QString Form1::volume() const
{
    return m_volumeBufTxt->text();
}

void Form1::setVolume(const QString &text)
{
    m_volumeBufTxt->setText(text);
}

QString Form1::destination() const
{
    return m_destinTxt->text();
}

int Form1::looping() const
{
    switch (m_checkLooping->checkState()) {
    case Qt::Checked:
        return Checked;
    case Qt::PartiallyChecked:
        return Greyed;
    default:
        return Unchecked;
    }
}

void Form1::setLooping(int value)
{
    if (value == Greyed) {
        m_checkLooping->setTristate(true);
        m_checkLooping->setCheckState(Qt::PartiallyChecked);
        return;
    }
    m_checkLooping->setTristate(false);
    m_checkLooping->setCheckState(value == Checked ? Qt::Checked : Qt::Unchecked);
}

// The entries the operator types into or toggles; the progress window may
// cover them during a transfer.
QList<QWidget *> Form1::entries() const
{
    return { m_soundName, m_volumeBufTxt, m_destinTxt, m_checkLooping };
}

// Disabling the focused button would pass the focus on to the next control
// in the chain, perhaps one under the progress window, where a key would
// change it unseen. So while busy the window itself holds the focus and the
// entries take none; afterwards it goes back where it was.
void Form1::setCommandsEnabled(bool enabled)
{
    if (!enabled) {
        if (!m_focusBeforeBusy)
            m_focusBeforeBusy = focusWidget();
        setFocus(Qt::OtherFocusReason);
    }
    for (QWidget *entry : entries())
        entry->setFocusPolicy(enabled ? Qt::StrongFocus : Qt::NoFocus);
    m_openFileBtn->setEnabled(enabled);
    m_loadBGbtn->setEnabled(enabled);
    m_truncateFor8Btn->setEnabled(enabled);
    if (enabled && m_focusBeforeBusy) {
        m_focusBeforeBusy->setFocus(Qt::OtherFocusReason);
        m_focusBeforeBusy = nullptr;
    }
}

void Form1::repaint()
{
    QWidget::repaint();
}

void Form1::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
}

void Form1::closeEvent(QCloseEvent *event)
{
    // The close box ends the program just as QuitBtn does.
    emit quitRequested();
    event->accept();
}

} // namespace vq250
