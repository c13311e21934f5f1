#pragma once

// Stand-ins for the platform layer. Each records what the code under test
// did and answers what the test told it to.

#include "platform/FileDialog.h"
#include "platform/MainView.h"
#include "platform/MessageBox.h"
#include "platform/ProgressView.h"
#include "platform/SerialPort.h"
#include "sim/VirtualEventLoop.h"

#include <QList>
#include <QStringList>
#include <deque>
#include <functional>

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

    void setCommPort(int n) override { calls << QStringLiteral("CommPort=%1").arg(n); }
    void setSettings(const QString &text) override { calls << "Settings=" + text; }
    void setBinaryInput(bool on) override
    {
        calls << QStringLiteral("InputMode=%1").arg(on ? 1 : 0);
    }
    void setInBufferSize(int n) override { calls << QStringLiteral("InBufferSize=%1").arg(n); }
    void setOutBufferSize(int n) override { calls << QStringLiteral("OutBufferSize=%1").arg(n); }
    bool open() override { return calls << QStringLiteral("PortOpen=True"), m_open = !refuseOpen; }
    void setReceiveThreshold(int n) override { calls << QStringLiteral("RThreshold=%1").arg(n); }
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
    QByteArray readAll() override { return ++readAllCalls, std::exchange(incoming, {}); }
    void discardOutput() override { pendingTx = 0; }

private:
    bool m_open = false;
};

// A serial port whose far end is a script in virtual time: `onWrite` sees
// each written byte and may answer; answers become readable only through
// event processing, as with a real port. Not a device: it knows no protocol.
class ScriptedSerialPort : public FakeSerialPort
{
public:
    explicit ScriptedSerialPort(VirtualEventLoop &events)
        : m_events(events)
    {
    }
    std::function<void(quint8 byte)> onWrite;
    QList<qint64> writeTimesUs; // when each byte was written

    // `bytes` become readable together, `afterUs` from now.
    void reply(const QByteArray &bytes, qint64 afterUs = 200)
    {
        m_events.callAt(m_events.nowUs() + afterUs, [this, bytes] { incoming += bytes; });
    }
    // The send buffer reports `count` bytes until `untilUs` from now.
    void holdTx(int count, qint64 untilUs)
    {
        pendingTx = count;
        m_events.callAt(m_events.nowUs() + untilUs, [this] { pendingTx = 0; });
    }
    void write(const QByteArray &bytes) override
    {
        for (char c : bytes) {
            FakeSerialPort::write(QByteArray(1, c));
            writeTimesUs.append(m_events.nowUs());
            if (onWrite)
                onWrite(quint8(c));
        }
    }

private:
    VirtualEventLoop &m_events;
};

// A message box whose answers the test sets in advance (OK when none is
// set); `onShow` runs while it is up, as an operator could change files
// behind the program's back.
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

// A file dialog that yields the path the test set (nothing = cancelled).
class FakeFileDialog : public FileDialog
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
class FakeProgressView : public ProgressView
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
class FakeMainView : public MainView
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

} // namespace vq250::fakes
