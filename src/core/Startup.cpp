#include "core/Startup.h"

#include "core/ProgramState.h"
#include "platform/EventLoop.h"
#include "platform/SerialPort.h"

#include <QStringList>

namespace vq250
{

QString versionText(int major, int minor, int revision)
{
    QString minorText = QString::number(minor);
    if (minor < 10)
        minorText.prepend(QLatin1Char('0'));
    QString text = QString::number(major) + QLatin1Char('.') + minorText;
    const QString revisionText = QString::number(revision);
    if (revisionText != QLatin1String("0"))
        text += QLatin1Char('.') + revisionText;
    return text;
}

QString wavHelpText()
{
    static const char *const lines[] = {
        "VQ250 sound files must be .wav files and must be",
        "PCM 8KHz, 8Bit, Mono.",
        "Sound must be converted to this format before it can be opened.",
        "Suggested conversion procedure:",
        "* Locate and start the Sound Recorder application",
        "   on your PC. (SNDREC32.EXE)",
        "* In Sound Recorder use File>Open... to find your file",
        "   and open it. If your file is not a .wav file you may",
        "   need additional software to convert it to a .wav first.",
        "* Choose File>Save As... then select the Format Change... button",
        "   at the bottom of the Save As window.",
        "* In the Sound Selection window choose PCM from the Format list,",
        "   then choose 8,000 Hz, 8 Bit, Mono from the Attributes list,",
        "   then select the OK button.",
        "* Back in the Save As window, name your sound with a",
        "   10 character or less filename plus the .wav extension",
        "   then select the Save button.",
    };
    QStringList all;
    for (const char *line : lines)
        all << QString::fromLatin1(line);
    return all.join(QChar(13));
}

void attachReplyTimer(ProgramState &state, OneShotTimer &replyTimer)
{
    replyTimer.setOnTick([&state, &replyTimer] {
        replyTimer.stop();
        state.TimedOut = FlagTrue;
    });
}

bool runLoadStep(ProgramState &state, SerialPort &port, OneShotTimer &replyTimer)
{
    state.VersionText = versionText(VersionMajor, VersionMinor, VersionRevision);

    port.setCommPort(1);
    port.setSettings(QString::fromLatin1(LineSettings));
    port.setBinaryInput(true);
    port.setInBufferSize(PortBufferBytes);
    port.setOutBufferSize(PortBufferBytes);
    if (!port.open())
        return false;
    port.setReceiveThreshold(1);

    state.ErrCode = 0;
    attachReplyTimer(state, replyTimer);
    replyTimer.stop();
    state.TimedOut = FlagFalse;
    replyTimer.setInterval(ReplyTimeoutMs);
    state.FileOpened = FlagFalse;
    state.WavHelpText = wavHelpText();
    return true;
}

} // namespace vq250
