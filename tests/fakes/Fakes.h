#pragma once

// Stand-ins for the platform layer. Each records what the code under test
// did and answers what the test told it to.

#include "platform/FileDialog.h"
#include "platform/MainView.h"
#include "platform/MessageBox.h"
#include "platform/ProgressView.h"
#include "platform/SerialPort.h"

#include <QList>
#include <QStringList>
#include <deque>

namespace vq250::fakes
{

// A serial port without a device: the test queues what "arrives" and reads
// back what was written, each byte with the DTR state it went out with.
class FakeSerialPort : public SerialPort
{
public:
    struct Sent {
        quint8 byte;
        bool dtr;
    };

    QStringList calls; // start-up settings in call order, e.g. "CommPort=1"
    bool refuseOpen = false;
    QString openError = QStringLiteral("/dev/ttyS0: No such file or directory");
    bool dtr = false;
    QList<Sent> sent;
    QByteArray incoming; // bytes waiting to be read
    int pendingTx = 0; // what bytesToWrite() reports
    int readAllCalls = 0;

    void setCommPort(int number) override { calls << QStringLiteral("CommPort=%1").arg(number); }
    void setSettings(const QString &text) override { calls << QStringLiteral("Settings=") + text; }
    void setBinaryInput(bool binary) override
    {
        calls << QStringLiteral("InputMode=%1").arg(binary ? 1 : 0);
    }
    void setInBufferSize(int bytes) override
    {
        calls << QStringLiteral("InBufferSize=%1").arg(bytes);
    }
    void setOutBufferSize(int bytes) override
    {
        calls << QStringLiteral("OutBufferSize=%1").arg(bytes);
    }
    bool open() override
    {
        calls << QStringLiteral("PortOpen=True");
        m_open = !refuseOpen;
        return m_open;
    }
    void setReceiveThreshold(int bytes) override
    {
        calls << QStringLiteral("RThreshold=%1").arg(bytes);
    }
    bool isOpen() const override { return m_open; }
    QString errorText() const override { return refuseOpen ? openError : QString(); }

    void setDtr(bool asserted) override { dtr = asserted; }
    int bytesToWrite() const override { return pendingTx; }
    int bytesAvailable() const override { return int(incoming.size()); }
    void write(const QByteArray &bytes) override
    {
        for (char c : bytes)
            sent.append({ quint8(c), dtr });
    }
    QByteArray readAll() override
    {
        ++readAllCalls;
        QByteArray all = incoming;
        incoming.clear();
        return all;
    }
    void discardOutput() override { pendingTx = 0; }

private:
    bool m_open = false;
};

// A message box whose answers the test sets in advance (OK when none is set).
class FakeMessageBox : public MessageBox
{
public:
    struct Shown {
        QString prompt;
        int style;
        QString title;
    };
    QList<Shown> shown;
    std::deque<MsgAnswer> answers;

    MsgAnswer show(const QString &prompt, int style, const QString &title) override
    {
        shown.append({ prompt, style, title });
        if (answers.empty())
            return MsgOk;
        const MsgAnswer next = answers.front();
        answers.pop_front();
        return next;
    }
};

// A file dialog that yields the path the test set (nothing = cancelled).
class FakeFileDialog : public FileDialog
{
public:
    std::optional<QString> nextPath;
    QString lastFilter;
    QString lastFolder;
    int lastFilterIndex = 0;
    int opened = 0;

    std::optional<QString> openFile(
        const QString &filter, const QString &initialFolder, int filterIndex) override
    {
        ++opened;
        lastFilter = filter;
        lastFolder = initialFolder;
        lastFilterIndex = filterIndex;
        return nextPath;
    }
};

// The progress window as a record of everything done to it.
class FakeProgressView : public ProgressView
{
public:
    QString message;
    float value = 0;
    bool visible = false;
    QList<float> values; // every value set, in order
    QStringList events; // "message:..", "value:..", "show", "hide", "refresh"

    void setMessage(const QString &text) override
    {
        message = text;
        events << QStringLiteral("message:") + text;
    }
    void setValue(float percent) override
    {
        value = percent;
        values << percent;
        events << QStringLiteral("value:%1").arg(double(percent));
    }
    void setVisible(bool show) override
    {
        visible = show;
        events << (show ? QStringLiteral("show") : QStringLiteral("hide"));
    }
    void refresh() override { events << QStringLiteral("refresh"); }
};

// The main window's fields as plain values.
class FakeMainView : public MainView
{
public:
    QString lastOpenedFile = QStringLiteral("none");
    QString fileLenSec = QStringLiteral("0.0000 Sec.");
    QString name;
    QString volumeText;
    QString destinationText;
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
    void setCommandsEnabled(bool enabled) override
    {
        commandsEnabled = enabled;
        enabledHistory << enabled;
    }
    void repaint() override { ++repaints; }
};

} // namespace vq250::fakes
