#include "sound/OpenCommand.h"

#include "core/PortCounts.h"
#include "core/ProgramState.h"
#include "errors/ErrorTable.h"
#include "platform/FileDialog.h"
#include "platform/MainView.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/ProgressView.h"
#include "sound/SoundFile.h"
#include "sound/SoundText.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace vq250
{

namespace
{

const QChar CR(13);

// Shows the "Sound Too Long" box and the progress window for a file being
// read. Hides the progress window again on every way out, so a failure
// half-way never leaves it up.
class OpenWindowEvents final : public SoundFileEvents
{
public:
    explicit OpenWindowEvents(Platform &platform)
        : m_platform(platform)
    {
    }
    OpenWindowEvents(const OpenWindowEvents &) = delete;
    OpenWindowEvents &operator=(const OpenWindowEvents &) = delete;
    ~OpenWindowEvents() override { hideProgress(); }

    void tooLong(qint32 soundLen) override
    {
        m_platform.box.show(soundTooLongPrompt(soundLen), MsgOkOnly, soundTooLongTitle());
    }
    void readStarting() override
    {
        m_platform.progress.setMessage(QStringLiteral("Opening Sound File"));
        m_platform.progress.setValue(0);
        m_platform.progress.setVisible(true);
        m_platform.progress.refresh();
        m_shown = true;
    }
    void progressed(qint16 value) override { m_platform.progress.setValue(float(value)); }

    void hideProgress()
    {
        if (!m_shown)
            return;
        m_shown = false;
        m_platform.progress.setVisible(false);
        m_platform.window.repaint();
    }

private:
    Platform &m_platform;
    bool m_shown = false;
};

// Why a file the reader did not judge failed to open, in a few words.
QString reasonNotOpened(const QString &path, const SoundFileResult &result)
{
    switch (result.outcome) {
    case SoundFileOutcome::Missing:
        return QStringLiteral("no such file");
    case SoundFileOutcome::Overflow:
        return QStringLiteral("a size in its header is 2147483648 or more");
    case SoundFileOutcome::Unreadable:
    case SoundFileOutcome::Rejected:
    case SoundFileOutcome::Accepted:
        break;
    }
    if (QFileInfo(path).isDir())
        return QStringLiteral("it is a folder");
    return result.systemReason.isEmpty() ? result.reason : result.systemReason;
}

} // namespace

QString soundLibraryFolder()
{
    return QStringLiteral("C:\\My Documents\\VQ250SndLib\\");
}

QString soundFileFilter()
{
    return QStringLiteral("All Files (*.*)|*.*|") + QStringLiteral("Sound Files (*.wav)|*.wav");
}

QString initialSoundFolder(const QString &preferred)
{
    const QFileInfo folder(preferred);
    if (folder.isAbsolute() && folder.isDir())
        return preferred;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString defaultVolumeEntry()
{
    return QStringLiteral("18");
}

QString soundTooLongTitle()
{
    return QStringLiteral("Sound Too Long");
}

QString soundTooLongPrompt(qint32 soundLen)
{
    return QStringList {
        QStringLiteral("Sound File too long."),
        QStringLiteral("Must be less than %1 Bytes.").arg(SoundKeepMax),
        QStringLiteral("(Approx. 16.3 seconds)"),
        QStringLiteral("Your File is %1 Bytes.").arg(soundLen),
        QStringLiteral("Your Sound will be Truncated."),
    }
        .join(CR);
}

OpenResult OpenSound(ProgramState &state, Platform &platform)
{
    OpenResult opened;
    state.RxCount = discardStaleInput(platform.port);
    state.ErrCode = 0;

    constexpr int SoundFilesEntry = 2;
    const std::optional<QString> path = platform.dialog.openFile(
        soundFileFilter(), initialSoundFolder(soundLibraryFolder()), SoundFilesEntry);
    if (!path)
        return opened;
    platform.window.repaint();
    state.FileOpened = FlagFalse;
    platform.window.setLastOpenedFile(QStringLiteral("Unknown"));
    platform.window.setSoundName(QString());
    platform.window.setFileLenSec(QStringLiteral("0.0000 Sec."));

    OpenWindowEvents events(platform);
    const SoundFileResult result = readSoundFile(state, *path, events);
    if (result.outcome == SoundFileOutcome::Rejected) {
        opened.kind = OpenResult::Kind::Rejected;
        opened.code = result.errCode;
        ReportError(state, platform.box);
        return opened;
    }
    if (result.outcome != SoundFileOutcome::Accepted) {
        opened.kind = OpenResult::Kind::Failed;
        opened.reason = reasonNotOpened(*path, result);
        return opened;
    }

    platform.window.setLastOpenedFile(QDir::toNativeSeparators(state.SoundFilePath));
    platform.window.setSoundName(state.SoundName);
    platform.window.setFileLenSec(secondsText(state.SoundLen));
    platform.window.setVolume(defaultVolumeEntry());
    platform.window.setLooping(Checked);
    events.hideProgress();
    state.FileOpened = FlagTrue;
    opened.kind = OpenResult::Kind::Opened;
    opened.soundLen = state.SoundLen;
    opened.cut = result.tooLong;
    return opened;
}

} // namespace vq250
