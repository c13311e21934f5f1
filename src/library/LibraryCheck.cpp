#include "library/LibraryCheck.h"

#include "core/ProgramState.h"
#include "core/Protocol.h"
#include "errors/ErrorTable.h"
#include "link/SoundTransfer.h"
#include "load/Destination.h"
#include "load/LoadCommand.h"
#include "sound/CommandLineFiles.h"
#include "sound/OpenCommand.h"
#include "sound/SoundFile.h"
#include "sound/SoundText.h"

#include <QFileInfo>
#include <QHash>

#include <memory>

namespace vq250
{
namespace
{

QString statusWord(LibraryVerdict::Status status)
{
    switch (status) {
    case LibraryVerdict::Status::Ok:
        break;
    case LibraryVerdict::Status::Invalid:
        return QStringLiteral("invalid");
    case LibraryVerdict::Status::Failed:
        return QStringLiteral("failed");
    case LibraryVerdict::Status::Rejected:
        return QStringLiteral("rejected");
    case LibraryVerdict::Status::Refused:
        return QStringLiteral("refused");
    }
    return QStringLiteral("ok");
}

// The row's sound through the open command's reader, or why not.
class RowChecker
{
public:
    LibraryVerdict check(const LibraryRow &row, CheckedSound &sound)
    {
        LibraryVerdict verdict { row.row, row.destination, row.file, LibraryVerdict::Status::Ok,
            {} };
        m_state->ErrCode = 0;
        const SoundFileResult file = readSoundFile(*m_state, row.path, m_silent);
        switch (file.outcome) {
        case SoundFileOutcome::Accepted:
            break;
        case SoundFileOutcome::Rejected:
            verdict.status = LibraryVerdict::Status::Rejected;
            verdict.fields << QString::number(file.errCode, 16).toUpper()
                           << errorMessage(file.errCode, QString()).title;
            return verdict;
        case SoundFileOutcome::Missing:
        case SoundFileOutcome::Unreadable:
        case SoundFileOutcome::Overflow:
            verdict.status = LibraryVerdict::Status::Failed;
            verdict.fields << file.reason;
            return verdict;
        }

        const EntryTexts entries { row.destination, row.volume.value_or(defaultVolumeEntry()),
            row.name.value_or(m_state->SoundName) };
        const QList<LoadCheck> failed = failedLoadChecks(file.soundLen, entries);
        if (!failed.isEmpty()) {
            verdict.status = LibraryVerdict::Status::Refused;
            for (const LoadCheck check : failed)
                verdict.fields << refusalFor(check).title;
            return verdict;
        }
        sound = { row, file.soundLen, transferWireBytes(file.soundLen) };
        verdict.fields << QString::number(file.soundLen) << secondsText(file.soundLen)
                       << entries.name << entries.volume.trimmed()
                       << (row.loop.value_or(true) ? QStringLiteral("loop")
                                                   : QStringLiteral("no-loop"));
        if (file.tooLong)
            verdict.fields << QStringLiteral("too-long");
        return verdict;
    }

private:
    std::unique_ptr<ProgramState> m_state = std::make_unique<ProgramState>();
    SilentSoundFileEvents m_silent;
};

} // namespace

LibraryCheck checkLibrary(const LibraryTable &table)
{
    LibraryCheck result;
    QList<LibraryVerdict> verdicts;
    for (const LibraryProblem &problem : table.problems)
        verdicts.append({ problem.row, problem.destination, problem.file,
            LibraryVerdict::Status::Invalid, { problem.reason } });

    RowChecker checker;
    QHash<int, int> rowOfSlot; // station * 16 + BG number -> first row
    for (const LibraryRow &row : table.rows) {
        CheckedSound sound;
        LibraryVerdict verdict = checker.check(row, sound);
        const Destination dest = parseDestination(row.destination);
        if (dest.stationValid() && dest.bgNumValid()) {
            const int slot = dest.station * 16 + dest.bgNum;
            if (rowOfSlot.contains(slot)) {
                if (verdict.status == LibraryVerdict::Status::Ok)
                    verdict.fields.clear();
                verdict.status = LibraryVerdict::Status::Refused;
                verdict.fields << QStringLiteral("same slot as row %1").arg(rowOfSlot.value(slot));
            } else {
                rowOfSlot.insert(slot, row.row);
            }
        }
        if (verdict.status == LibraryVerdict::Status::Ok)
            result.sounds.append(sound);
        verdicts.append(verdict);
    }

    std::stable_sort(verdicts.begin(), verdicts.end(),
        [](const LibraryVerdict &a, const LibraryVerdict &b) { return a.row < b.row; });
    for (const LibraryVerdict &verdict : verdicts)
        if (verdict.status != LibraryVerdict::Status::Ok)
            ++result.problems;
    for (const CheckedSound &sound : result.sounds)
        result.wireBytes += sound.wireBytes;
    result.verdicts = verdicts;
    return result;
}

LibraryCheck checkLibraryFile(const QString &path)
{
    const LibraryBytes read = readLibraryFile(path);
    if (!read.error.isEmpty()) {
        LibraryCheck check;
        check.verdicts.append({ 0, {}, {}, LibraryVerdict::Status::Failed, { read.error } });
        check.problems = 1;
        return check;
    }
    return checkLibrary(parseLibrary(read.bytes, QFileInfo(path).absolutePath()));
}

QString verdictLine(const QString &library, const LibraryVerdict &verdict)
{
    QStringList fields { verdict.row > 0 ? library + QLatin1Char(':') + QString::number(verdict.row)
                                         : library };
    if (verdict.row > 0)
        fields << verdict.destination << verdict.file;
    fields << statusWord(verdict.status) << verdict.fields;
    for (QString &field : fields)
        field = oneLinePath(field.toUtf8());
    return fields.join(QLatin1Char('\t'));
}

QString clockText(qint64 seconds)
{
    const qint64 hours = seconds / 3600;
    const QString minutesAndSeconds
        = QStringLiteral("%1:%2")
              .arg(seconds / 60 % 60, hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
              .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QString::number(hours) + QLatin1Char(':') + minutesAndSeconds
                     : minutesAndSeconds;
}

QString libraryEstimate(const LibraryCheck &check)
{
    constexpr qint64 NsPerSecond = 1000000000;
    const qint64 seconds = (check.wireBytes * LineByteNs + NsPerSecond - 1) / NsPerSecond;
    return QStringLiteral("%1 sound(s), %2 bytes to send: at least %3 on the line")
        .arg(check.sounds.size())
        .arg(check.wireBytes)
        .arg(clockText(seconds));
}

} // namespace vq250
