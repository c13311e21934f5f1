// vq250-check FILE...: applies the open command's checks and caps to each
// file and prints one tab-separated line per file.

#include "cli/CommandLine.h"
#include "core/ProgramState.h"
#include "errors/ErrorTable.h"
#include "library/LibraryCheck.h"
#include "sound/CommandLineFiles.h"
#include "sound/FileKind.h"
#include "sound/SoundFile.h"
#include "sound/SoundText.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <memory>

#include <unistd.h>

using namespace vq250;

namespace
{

enum ExitStatus { AllAccepted = 0, SomeNotAccepted = 1, UsageError = 2, WriteFailed = 3 };

const char *const Usage
    = "Usage: vq250-check FILE...\n"
      "  or:  vq250-check --library LIBRARY.csv\n"
      "Checks each sound file as the VQ250 Loader's open command does and prints\n"
      "one line of tab-separated fields per file:\n"
      "  PATH  ok  SAMPLE-OFFSET  DECLARED-SIZE  SOUND-LEN  SECONDS  NAME  [too-long]\n"
      "  PATH  rejected  CODE  TITLE\n"
      "  PATH  failed  REASON\n"
      "SOUND-LEN is the length the loader would keep; too-long marks a sound it\n"
      "would announce as too long and cut.\n"
      "Only regular files are read: a directory, FIFO, socket or device fails with\n"
      "its kind as the REASON and is never opened.\n"
      "PATH and NAME are escaped so every file is one line: \\\\ for a backslash,\n"
      "\\t, \\n, \\r, and \\xHH for other control characters and bytes that are not UTF-8.\n"
      "With --library, checks every row of a library file as vq250-load --library\n"
      "does before it sends anything, one line per row:\n"
      "  LIBRARY:ROW  DEST  FILE  ok  SOUND-LEN  SECONDS  NAME  VOLUME  loop|no-loop\n"
      "  LIBRARY:ROW  DEST  FILE  invalid|failed|rejected|refused  WHY...\n"
      "and a last line with the sounds, their bytes and their time on the line.\n"
      "\n"
      "Options:\n"
      "  -h, --help               Show this help and exit.\n"
      "  --version                Show the version and exit.\n"
      "  --library <LIBRARY.csv>  Check a library table instead of sound files.\n"
      "\n"
      "Exit status: 0 when every file is accepted, 1 when any is not, 2 on a usage error,\n"
      "3 when the lines could not be written.\n";

QString lineFor(const QByteArray &path, const SoundFileResult &result, const ProgramState &state)
{
    QStringList fields { oneLinePath(path) };
    switch (result.outcome) {
    case SoundFileOutcome::Accepted:
        fields << QStringLiteral("ok") << QString::number(result.sampleOffset)
               << QString::number(result.declaredSize) << QString::number(result.soundLen)
               << secondsText(result.soundLen) << oneLinePath(state.SoundName.toUtf8());
        if (result.tooLong)
            fields << QStringLiteral("too-long");
        break;
    case SoundFileOutcome::Rejected:
        fields << QStringLiteral("rejected") << QString::number(result.errCode, 16).toUpper()
               << errorMessage(result.errCode, QString()).title;
        break;
    case SoundFileOutcome::Missing:
    case SoundFileOutcome::Unreadable:
    case SoundFileOutcome::Overflow:
        fields << QStringLiteral("failed") << result.reason;
        break;
    }
    return fields.join(QLatin1Char('\t'));
}

int printLibraryCheck(const QString &path, QTextStream &err)
{
    const LibraryCheck check = checkLibraryFile(path);
    QString lines;
    for (const LibraryVerdict &verdict : check.verdicts)
        lines += verdictLine(path, verdict) + QLatin1Char('\n');
    lines += path + QStringLiteral(": ")
        + (check.passed() ? libraryEstimate(check)
                          : QStringLiteral("%1 problem(s)").arg(check.problems))
        + QLatin1Char('\n');
    if (const int error = writeAll(STDOUT_FILENO, lines.toUtf8())) {
        err << "vq250-check: cannot write to standard output: " << systemReason(error) << "\n";
        return WriteFailed;
    }
    return check.passed() ? AllAccepted : SomeNotAccepted;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList given = app.arguments().mid(1);
    if (given.size() == 2 && given.constFirst() == QLatin1String("--library"))
        return printLibraryCheck(given.at(1), err);

    QStringList files;
    bool optionsEnded = false;
    const NativeArguments native(argc, argv);
    const QStringList args = native.texts().mid(1);
    for (const QString &arg : args) {
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded
            && (arg == QLatin1String("--help") || arg == QLatin1String("-h"))) {
            out << Usage;
            return AllAccepted;
        } else if (!optionsEnded && arg == QLatin1String("--version")) {
            out << cli::versionText(QStringLiteral("vq250-check"));
            return AllAccepted;
        } else if (!optionsEnded && arg.size() > 1 && arg.startsWith(QLatin1Char('-'))) {
            err << "vq250-check: unknown option " << arg << "\n" << Usage;
            return UsageError;
        } else {
            files << arg;
        }
    }
    if (files.isEmpty()) {
        err << Usage;
        return UsageError;
    }

    // One state for all files, as in the loader; each file starts with no error.
    const auto state = std::make_unique<ProgramState>();
    SilentSoundFileEvents silent;
    int status = AllAccepted;
    for (const QByteArray &path : native.bytesOf(files)) {
        state->ErrCode = 0;
        const SoundFileResult result = readSoundFile(*state, path, silent);
        const QString line = lineFor(path, result, *state) + QLatin1Char('\n');
        if (const int error = writeAll(STDOUT_FILENO, line.toUtf8())) {
            err << "vq250-check: cannot write to standard output: " << systemReason(error) << "\n";
            return WriteFailed;
        }
        if (result.outcome != SoundFileOutcome::Accepted)
            status = SomeNotAccepted;
    }
    return status;
}
