#pragma once

#include "platform/MainView.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace vq250
{

class PictureButton;

// The main window. Every control is a child whose object name is its design
// name, so tests and tools find them with findChild(). The window has no
// logic: its buttons only emit signals.
class Form1 final : public QWidget, public MainView
{
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);

    // LabelVersionNum: "Version " and the version text.
    void setVersionText(const QString &versionText);
    // Places the window in the middle of its screen.
    void centreOnScreen();

    void setLastOpenedFile(const QString &text) override;
    void setFileLenSec(const QString &text) override;
    QString soundName() const override;
    void setSoundName(const QString &text) override;
    QString volume() const override;
    void setVolume(const QString &text) override;
    QString destination() const override;
    int looping() const override;
    void setLooping(int value) override;
    void setCommandsEnabled(bool enabled) override;
    void repaint() override;

signals:
    void openClicked();
    void loadClicked();
    void truncateClicked();
    // QuitBtn, or the title bar's close box.
    void quitRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildGroup();
    void buildButtons();
    void buildLabels();
    void buildEntries();
    void setTabOrderByIndex();
    QLabel *addLabel(const char *name, const QRect &geometry, const QString &caption,
        const QFont &font, Qt::Alignment alignment);
    QLineEdit *addEntry(const char *name, const QRect &geometry, const QFont &font,
        Qt::Alignment alignment, const QString &accessibleName);
    QList<QWidget *> entries() const;
    void showLastOpenedFile();
    PictureButton *addButton(
        const char *name, int left, const char *pictureName, const QString &toolTip);

    QPixmap m_background;
    PictureButton *m_openFileBtn = nullptr;
    PictureButton *m_loadBGbtn = nullptr;
    PictureButton *m_truncateFor8Btn = nullptr;
    PictureButton *m_quitBtn = nullptr;
    QLabel *m_labelVersionNum = nullptr;
    QLabel *m_labelLastOpenedFile = nullptr;
    QLabel *m_labelFileLenSec = nullptr;
    QLineEdit *m_soundName = nullptr;
    QLineEdit *m_volumeBufTxt = nullptr;
    QLineEdit *m_sourceTxt = nullptr;
    QLineEdit *m_destinTxt = nullptr;
    QCheckBox *m_checkLooping = nullptr;
    QString m_lastOpenedFile; // in full; the label may show it shortened
    QPointer<QWidget> m_focusBeforeBusy;
};

} // namespace vq250
