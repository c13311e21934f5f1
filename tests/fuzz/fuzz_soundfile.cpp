// Arbitrary bytes as a sound file, opened through the open command with fakes
// for the window, the dialogs and the progress window: it ends accepted,
// refused with one box for 240 to 243, or without a message.

#include "FuzzCheck.h"

#include "errors/ErrorTable.h"
#include "sound/OpenCommand.h"
#include "sound/SoundFile.h"
#include "support/Rig.h"

#include <QDir>

#include <algorithm>
#include <cstdint>

using namespace vq250;

namespace
{

// Left in the state by an earlier open, so a leftover shows.
constexpr quint8 OldByte = 0xEE;
constexpr qint32 OldSoundLen = 4242;
constexpr qint32 OldSampleOffset = 44;
const QString HelpText = QStringLiteral("help");

// The file's bytes from `offset` on, `count` of them, zero where it has none.
QByteArray fileBytes(const QByteArray &file, qint64 offset, int count)
{
    return file.mid(offset, count).leftJustified(count, '\0');
}

QByteArray bufferBytes(const ProgramState &state, int from, int count)
{
    return QByteArray(reinterpret_cast<const char *>(state.SoundBuf.data()) + from, count);
}

void checkAccepted(const ProgramState &state, const fakes::FakeMessageBox &box,
    const fakes::FakeMainView &window, const QByteArray &file)
{
    FUZZ_CHECK(state.SoundLen >= 0 && state.SoundLen <= SoundKeepMax, "SoundLen out of range");
    FUZZ_CHECK(file.startsWith("RIFF") && file.mid(8, 4) == "WAVE", "accepted a non-WAVE file");
    FUZZ_CHECK(state.SampleOffset >= 20 && state.SampleOffset <= 68, "sample offset off the walk");
    // No box but the "Sound Too Long" notice, and only for a longer sound.
    if (!box.shown.isEmpty()) {
        FUZZ_CHECK(box.shown[0].title == QLatin1String("Sound Too Long"), "unexpected box");
        FUZZ_CHECK(box.shown[0].style == MsgOkOnly, "too-long box style");
        FUZZ_CHECK(state.SoundLen == SoundKeepMax, "announced but not cut");
    }
    // The size field and the samples, byte for byte as the file holds them;
    // a sound never reaches past the end of the file.
    FUZZ_CHECK(state.SoundLen == 0 || qint64(state.SampleOffset) + state.SoundLen <= file.size(),
        "samples past the file");
    FUZZ_CHECK(bufferBytes(state, 12, 4) == fileBytes(file, state.SampleOffset - 4, 4),
        "size field not at 12");
    FUZZ_CHECK(bufferBytes(state, 16, state.SoundLen)
            == fileBytes(file, state.SampleOffset, state.SoundLen),
        "samples differ from the file");
    FUZZ_CHECK(window.volumeText == QLatin1String("18"), "volume not reset");
    FUZZ_CHECK(window.loopValue == Checked, "loop not checked");
    FUZZ_CHECK(window.name == state.SoundName, "name box differs from SoundName");
    FUZZ_CHECK(state.SoundName.size() <= 10, "proposed name too long");
    FUZZ_CHECK(
        window.lastOpenedFile == QDir::toNativeSeparators(state.SoundFilePath), "path label");
    FUZZ_CHECK(window.fileLenSec.endsWith(QLatin1String(" Sec.")), "seconds label");
}

void checkNotOpened(const ProgramState &state, const fakes::FakeMessageBox &box,
    const fakes::FakeMainView &window, const QByteArray &file)
{
    FUZZ_CHECK(state.SoundLen == OldSoundLen && state.SampleOffset == OldSampleOffset,
        "a refused file changed the last good sound's length or offset");
    FUZZ_CHECK(window.lastOpenedFile == QLatin1String("Unknown"), "path label after refusal");
    FUZZ_CHECK(window.volumeText == QLatin1String("7"), "volume changed by a refused file");
    // The header read still lands in SoundBuf 0 to 70.
    const int header = int(std::min<qint64>(file.size(), 71));
    FUZZ_CHECK(bufferBytes(state, 0, header) == file.left(header), "header bytes not in SoundBuf");
    if (box.shown.isEmpty())
        return; // ended without a message: an overflowing size field
    const auto &refusal = box.shown[0];
    const quint8 code = quint8(refusal.prompt.right(2).toUInt(nullptr, 16)); // "Error Code = F0"
    FUZZ_CHECK(code >= UnknownFileTypeEr && code <= WrongSampleFormatEr, "refusal is not 240-243");
    FUZZ_CHECK(refusal.style == MsgOkExclamation, "refusal box style");
    FUZZ_CHECK(refusal.title == errorMessage(code, HelpText).title
            && refusal.prompt == errorPrompt(code, HelpText),
        "refusal box text");
    if (code != UnknownFileTypeEr)
        FUZZ_CHECK(file.startsWith("RIFF"), "format code for a non-RIFF file");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), int(size));
    test::Rig rig;
    const QString path = rig.file(QStringLiteral("Fuzzed.wav"), file);
    FUZZ_CHECK(!path.isEmpty(), "cannot write the input file");

    ProgramState &state = *rig.state;
    state.WavHelpText = HelpText;
    state.SoundBuf.fill(OldByte);
    state.SoundLen = OldSoundLen;
    state.SampleOffset = OldSampleOffset;
    state.FileOpened = FlagTrue;
    state.SoundName = QStringLiteral("Previous");
    rig.dialog.nextPath = path;
    rig.window.volumeText = QStringLiteral("7");
    rig.window.loopValue = Unchecked;

    fakes::FakeSerialPort port;
    Platform platform = rig.on(port);
    OpenSound(state, platform);

    FUZZ_CHECK(!rig.progress.visible, "progress window left up");
    FUZZ_CHECK(state.ErrCode == 0, "error code left set");
    FUZZ_CHECK(rig.box.shown.size() <= 1, "more than one box");
    FUZZ_CHECK(state.SoundFilePath == path, "SoundFilePath not set");
    if (state.FileOpened == FlagTrue)
        checkAccepted(state, rig.box, rig.window, file);
    else {
        FUZZ_CHECK(state.FileOpened == FlagFalse, "FileOpened neither true nor false");
        checkNotOpened(state, rig.box, rig.window, file);
    }
    return 0;
}
