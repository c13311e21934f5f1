#pragma once

// The windows of a headless run as plain records: what a command showed in
// its boxes, its progress window and the main window's fields, and the
// answers an operator would have given. For the tests, the soak and the
// fuzz targets.

#include "platform/FileDialog.h"
#include "platform/MainView.h"
#include "platform/MessageBox.h"
#include "platform/ProgressView.h"

#include <QList>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

namespace vq250
{

// A message box whose answers a caller sets in advance (OK when none is
// set); `onShow` runs while it is up, as an operator could change files
// behind the program's back.
class HeadlessMessageBox : public MessageBox
{
public:
    struct Shown {
        QString prompt;
        int style;
        QString title;
    };
    QList<Shown> shown;
    std::deque<MsgAnswer> answers;
    std::function<void()> onShow;

    MsgAnswer show(const QString &prompt, int style, const QString &title) override
    {
        if (onShow)
            onShow();
        shown.append({ prompt, style, title });
        if (answers.empty())
            return MsgOk;
        const MsgAnswer next = answers.front();
        answers.pop_front();
        return next;
    }
};

// A file dialog that yields the path set in advance (nothing = cancelled).
class HeadlessFileDialog : public FileDialog
{
public:
    std::optional<QString> nextPath;
    QString lastFilter, lastFolder;
    int lastFilterIndex = 0;
    int opened = 0;

    std::optional<QString> openFile(
        const QString &filter, const QString &folder, int index) override
    {
        ++opened, lastFilter = filter, lastFolder = folder, lastFilterIndex = index;
        return nextPath;
    }
};

// The progress window as a record of everything done to it.
class HeadlessProgressView : public ProgressView
{
public:
    QString message;
    bool visible = false;
    QList<float> values; // every value set, in order
    QStringList events; // "message:..", "value:..", "show", "hide", "refresh"

    void setMessage(const QString &text) override { events << "message:" + (message = text); }
    void setValue(float percent) override
    {
        values << percent;
        events << QStringLiteral("value:%1").arg(double(percent));
    }
    void setVisible(bool show) override { events << ((visible = show) ? "show" : "hide"); }
    void refresh() override { events << QStringLiteral("refresh"); }
};

// The main window's fields as plain values.
class HeadlessMainView : public MainView
{
public:
    QString lastOpenedFile = QStringLiteral("none");
    QString fileLenSec = QStringLiteral("0.0000 Sec.");
    QString name, volumeText, destinationText;
    int loopValue = Unchecked;
    bool commandsEnabled = true;
    int repaints = 0;
    QList<bool> enabledHistory;

    void setLastOpenedFile(const QString &text) override { lastOpenedFile = text; }
    void setFileLenSec(const QString &text) override { fileLenSec = text; }
    QString soundName() const override { return name; }
    void setSoundName(const QString &text) override { name = text; }
    QString volume() const override { return volumeText; }
    void setVolume(const QString &text) override { volumeText = text; }
    QString destination() const override { return destinationText; }
    int looping() const override { return loopValue; }
    void setLooping(int value) override { loopValue = value; }
    void setCommandsEnabled(bool on) override { enabledHistory << (commandsEnabled = on); }
    void repaint() override { ++repaints; }
};

} // namespace vq250
