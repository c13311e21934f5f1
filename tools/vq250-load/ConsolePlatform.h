#pragma once

#include "platform/FileDialog.h"
#include "platform/MainView.h"
#include "platform/MessageBox.h"

#include <functional>

namespace vq250::loadcli
{

// A message box on standard error: the title, then the prompt's lines. It
// answers OK, as an operator who can only close it would. The "Sound Too
// Long" box is printed as a warning: the sound is cut and the command
// carries on.
class ConsoleMessageBox final : public MessageBox
{
public:
    // `print` puts whole lines on standard error.
    using Printer = std::function<void(const QString &)>;

    explicit ConsoleMessageBox(Printer print);

    MsgAnswer show(const QString &prompt, int style, const QString &title) override;

    // "vq250-load: TITLE" (or "vq250-load: warning: TITLE") and the prompt,
    // its carriage returns turned into line breaks.
    static QString text(const QString &prompt, const QString &title, bool warning);

private:
    Printer m_print;
};

// The file dialog, answered by the command line: always the same file.
class GivenFileDialog final : public FileDialog
{
public:
    explicit GivenFileDialog(QString path = {});
    std::optional<QString> openFile(const QString &, const QString &, int) override;
    void setPath(const QString &path) { m_path = path; }

private:
    QString m_path;
};

// The main window's entry fields as plain values. The open command fills
// them as in the window; the command line then overrides what it gives.
class ConsoleMainView final : public MainView
{
public:
    void setLastOpenedFile(const QString &text) override { m_lastOpenedFile = text; }
    void setFileLenSec(const QString &text) override { m_fileLenSec = text; }
    QString soundName() const override { return m_soundName; }
    void setSoundName(const QString &text) override { m_soundName = text; }
    QString volume() const override { return m_volume; }
    void setVolume(const QString &text) override { m_volume = text; }
    QString destination() const override { return m_destination; }
    void setDestination(const QString &text) { m_destination = text; }
    int looping() const override { return m_looping; }
    void setLooping(int value) override { m_looping = value; }
    void setCommandsEnabled(bool) override { } // nothing to click here
    void repaint() override { }

    QString fileLenSec() const { return m_fileLenSec; }

private:
    QString m_lastOpenedFile;
    QString m_fileLenSec;
    QString m_soundName;
    QString m_volume;
    QString m_destination;
    int m_looping = Unchecked;
};

} // namespace vq250::loadcli
