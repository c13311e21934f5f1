#include "load/LoadCommand.h"

#include "core/PortCounts.h"
#include "core/ProgramState.h"
#include "errors/ErrorTable.h"
#include "link/SoundTransfer.h"
#include "load/Destination.h"
#include "load/SoundHeader.h"
#include "platform/MainView.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

namespace vq250
{
namespace
{

LoadRefusal refusal(const char *title, std::initializer_list<QString> lines)
{
    return { QString::fromLatin1(title), QStringList(lines) };
}

LoadResult refuse(Platform &platform, LoadCheck check, const LoadRefusal &r)
{
    platform.box.show(r.lines.join(QChar(13)), MsgOkOnly, r.title);
    return { LoadResult::Kind::Refused, check, 0 };
}

// Open, Load and Truncate stay disabled while the transfer runs, whichever
// way it ends.
class CommandsHeldOff
{
public:
    explicit CommandsHeldOff(MainView &window)
        : m_window(window)
    {
        m_window.setCommandsEnabled(false);
    }
    ~CommandsHeldOff() { m_window.setCommandsEnabled(true); }
    CommandsHeldOff(const CommandsHeldOff &) = delete;
    CommandsHeldOff &operator=(const CommandsHeldOff &) = delete;

private:
    MainView &m_window;
};

} // namespace

LoadRefusal noFileRefusal()
{
    return refusal("Open a File for Loading",
        { QStringLiteral("Need to Open a File for Loading."),
            QStringLiteral("Either no file has been opened yet or"),
            QStringLiteral("the previous file opening was aborted or corrupted."),
            QStringLiteral("Open a new sound file before loading.") });
}

LoadRefusal stationRefusal()
{
    return refusal("Need Valid Station Letter",
        { QStringLiteral("Enter Destination Station Letter."),
            QStringLiteral("Must enter a valid Destination Station Letter"),
            QStringLiteral("(A thru F) and BG Sound Number (1 thru 8)"),
            QStringLiteral("(for example A1)"),
            QStringLiteral("before selecting Load Sound button.") });
}

LoadRefusal bgNumberRefusal()
{
    return refusal("Need Valid BG Number",
        { QStringLiteral("Enter Destination BG Sound Number."),
            QStringLiteral("Must enter a valid Destination BG Sound Number"),
            QStringLiteral("(1 thru 8) after Station Letter (A thru F)"),
            QStringLiteral("(for example A1)"),
            QStringLiteral("before selecting Load Sound button.") });
}

LoadRefusal tooLongForBg8Refusal()
{
    return refusal("Too Long for BG#8",
        { QStringLiteral("Sound is too long for BG#8."),
            QStringLiteral("Sound to be loaded to BG#8 is limited to"),
            QStringLiteral("a maximum of ") + QString::number(SoundBG8Max)
                + QStringLiteral(" bytes"),
            QStringLiteral("(Approx. 8.1 seconds)."),
            QStringLiteral("Need to Truncate Sound for BG#8 before loading.") });
}

LoadRefusal volumeRefusal()
{
    return refusal("Default Volume Out of Range",
        { QStringLiteral("Volume Out of Range."),
            QStringLiteral("Default Sound Volume must be a number from 0 to 255."),
            QStringLiteral("(0 = Silent, 255 = Full Volume)"),
            QStringLiteral("Note that this Volume Level Value is Non-Linear"),
            QStringLiteral("and a value of around 18 is usually about mid-level."),
            QStringLiteral("Enter a valid Default Volume Level then try again.") });
}

LoadRefusal nameTooLongRefusal()
{
    return refusal("Sound Name Too Long",
        { QStringLiteral("Sound Name too long."),
            QStringLiteral("Sound Name is Limited to 10 Characters in VQ250."),
            QStringLiteral("Enter name of 10 or less characters.") });
}

LoadRefusal nameCharactersRefusal()
{
    return refusal("Sound Name Not Valid",
        { QStringLiteral("Sound Name has characters VQ250 cannot store."),
            QStringLiteral("Sound Name may hold letters, digits, spaces and signs"),
            QStringLiteral("of ISO 8859-1 (Latin-1), but no tabs or line breaks."),
            QStringLiteral("Enter name without such characters.") });
}

LoadRefusal refusalFor(LoadCheck check)
{
    switch (check) {
    case LoadCheck::None:
    case LoadCheck::FileOpened:
        break;
    case LoadCheck::Station:
        return stationRefusal();
    case LoadCheck::BgNumber:
        return bgNumberRefusal();
    case LoadCheck::Bg8Length:
        return tooLongForBg8Refusal();
    case LoadCheck::Volume:
        return volumeRefusal();
    case LoadCheck::NameLength:
        return nameTooLongRefusal();
    case LoadCheck::NameCharacters:
        return nameCharactersRefusal();
    }
    return noFileRefusal();
}

QList<LoadCheck> failedLoadChecks(qint32 soundLen, const EntryTexts &entries)
{
    QList<LoadCheck> failed;
    const Destination dest = parseDestination(entries.destination);
    if (!dest.stationValid())
        failed << LoadCheck::Station;
    if (!dest.bgNumValid())
        failed << LoadCheck::BgNumber;
    else if (dest.bgNum == 8 && soundLen > SoundBG8Max)
        failed << LoadCheck::Bg8Length;
    if (!parseVolume(entries.volume))
        failed << LoadCheck::Volume;
    if (nameLength(entries.name) > SoundNameMax)
        failed << LoadCheck::NameLength;
    if (!deviceCanHoldName(entries.name))
        failed << LoadCheck::NameCharacters;
    return failed;
}

LoadResult LoadSound(ProgramState &state, Platform &platform)
{
    state.RxCount = discardStaleInput(platform.port);
    state.ErrCode = 0;

    if (state.FileOpened == FlagFalse)
        return refuse(platform, LoadCheck::FileOpened, noFileRefusal());

    const EntryTexts entries { platform.window.destination(), platform.window.volume(),
        platform.window.soundName() };
    const QList<LoadCheck> failed = failedLoadChecks(state.SoundLen, entries);
    if (!failed.isEmpty())
        return refuse(platform, failed.constFirst(), refusalFor(failed.constFirst()));

    const Destination dest = parseDestination(entries.destination);
    const quint8 volume = *parseVolume(entries.volume);
    state.SoundName = entries.name;

    LongToBytes(state, state.SoundLen);
    const auto header = soundHeader(
        volume, state.SoundName, state.LongBytes, platform.window.looping() == Checked);
    std::copy(header.begin(), header.end(), state.SoundBuf.begin());

    TransferResult written;
    {
        const CommandsHeldOff heldOff(platform.window);
        written = WriteSoundToFlash(state, platform, dest.station, dest.bgNum);
    }
    if (state.ErrCode != 0)
        ReportError(state, platform.box);
    switch (written.kind) {
    case TransferResult::Kind::Written:
        break;
    case TransferResult::Kind::Rejected:
        return { LoadResult::Kind::Rejected, LoadCheck::None, written.code };
    case TransferResult::Kind::Failed:
        return { LoadResult::Kind::Failed, LoadCheck::None, written.code };
    }
    return { LoadResult::Kind::Loaded, LoadCheck::None, 0 };
}

} // namespace vq250
