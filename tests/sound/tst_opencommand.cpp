#include "sound/OpenCommand.h"
#include "sound/Truncate.h"
#include "support/Rig.h"

#include <QDir>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>

using namespace vq250;
using namespace vq250::test;

namespace
{

QByteArray bufferOf(const ProgramState &state)
{
    return QByteArray(reinterpret_cast<const char *>(state.SoundBuf.data()), SoundBufSize);
}

QByteArray firstBytes(const QByteArray &file, int count)
{
    return file.left(count).leftJustified(count, '\0');
}

// What the operator had in the window before the open.
void fillWindow(FakeMainView &window)
{
    window.volumeText = QStringLiteral("200");
    window.loopValue = Unchecked;
    window.name = QStringLiteral("Old");
    window.lastOpenedFile = QStringLiteral("old.wav");
    window.fileLenSec = QStringLiteral("3 Sec.");
}

// The window's file, length, volume, name and loop entries, as one text.
QString windowOf(const FakeMainView &window)
{
    return QStringList { window.lastOpenedFile, window.fileLenSec, window.volumeText, window.name,
        QString::number(window.loopValue) }
        .join('|');
}

} // namespace

// The open command and the BG#8 cut, through the platform's fakes.
class TestOpenCommand : public QObject
{
    Q_OBJECT

private slots:
    // Stale input is flushed first; a cancelled dialog ends the command. The
    // dialog opens in Documents: the sound library's Windows path is no folder.
    void flushAndDialog()
    {
        for (const QByteArray &waiting : { QByteArray("\x73\x01\x02", 3), QByteArray() }) {
            Rig rig;
            FakeSerialPort port;
            Platform platform = rig.on(port);
            port.incoming = waiting;
            rig.state->ErrCode = 240;
            rig.state->FileOpened = FlagTrue;
            fillWindow(rig.window);

            QCOMPARE(OpenSound(*rig.state, platform).kind, OpenResult::Kind::Cancelled);
            QCOMPARE(port.readAllCalls, waiting.isEmpty() ? 0 : 1);
            QCOMPARE(int(rig.state->RxCount), int(waiting.size()));
            QCOMPARE(int(rig.state->ErrCode), 0);
            QCOMPARE(rig.dialog.opened, 1);
            QCOMPARE(rig.dialog.lastFilter,
                QStringLiteral("All Files (*.*)|*.*|Sound Files (*.wav)|*.wav"));
            QCOMPARE(rig.dialog.lastFilterIndex, 2);
            QCOMPARE(rig.dialog.lastFolder,
                QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
            QCOMPARE(rig.state->FileOpened, FlagTrue);
            QCOMPARE(rig.window.repaints, 0);
            QCOMPARE(windowOf(rig.window), QStringLiteral("old.wav|3 Sec.|200|Old|0"));
            QVERIFY(rig.box.shown.isEmpty() && rig.progress.events.isEmpty());
        }
    }

    void accepted()
    {
        const struct {
            const char *name; // of the file, without ".wav"
            QByteArray file;
            int soundLen, tooLongBytes; // -1: no box
            const char *seconds;
        } rows[] = {
            { "Doorbell", WavBuilder::pcm8(sampleBytes(100)), 100, -1, "0.0125 Sec." },
            { "Silence", WavBuilder::pcm8({}), 0, -1, "0 Sec." },
            { "Max", soundFile(131056, 131056), 131056, -1, "16.382 Sec." },
            { "Over", soundFile(131057, 131057), 131056, 131057, "16.382 Sec." },
            { "Huge", soundFile(300000, 300000), 131056, 300000, "16.382 Sec." },
            { "CutLong", soundFile(300000, 140000), 131056, 140000, "16.382 Sec." },
            { "CutMid", soundFile(200000, 100000), 100000, -1, "12.5 Sec." },
            { "Stub", WavBuilder().fmt().raw("data\x05").build(), 0, -1, "0 Sec." },
        };
        for (const auto &row : rows) {
            Rig rig;
            fillWindow(rig.window);
            const QString path = rig.file(QString::fromLatin1(row.name) + ".wav", row.file);
            rig.dialog.nextPath = path;
            qsizetype progressEventsAtBox = -1;
            rig.box.onShow = [&] { progressEventsAtBox = rig.progress.events.size(); };

            const OpenResult result = OpenSound(*rig.state, rig.platform);
            QCOMPARE(result.kind, OpenResult::Kind::Opened);
            QCOMPARE(result.soundLen, row.soundLen);
            QCOMPARE(result.cut, row.tooLongBytes >= 0);
            const ProgramState &state = *rig.state;
            QVERIFY2(state.FileOpened == FlagTrue && state.ErrCode == 0, row.name);
            QCOMPARE(state.SoundLen, row.soundLen);
            QCOMPARE(state.SoundFilePath, path);
            QCOMPARE(state.SoundName, QString::fromLatin1(row.name));
            QCOMPARE(windowOf(rig.window),
                QDir::toNativeSeparators(path) + "|" + row.seconds + "|18|" + row.name + "|1");
            QCOMPARE(rig.window.repaints, 2); // after the dialog, after hiding the progress window
            // The box comes before the progress window.
            QCOMPARE(progressEventsAtBox, row.tooLongBytes < 0 ? -1 : 0);
            QCOMPARE(rig.box.shown.size(), row.tooLongBytes < 0 ? 0 : 1);
            for (const HeadlessMessageBox::Shown &box : rig.box.shown)
                QCOMPARE(box.title + '|' + QString::number(box.style) + '|' + box.prompt,
                    QStringLiteral("Sound Too Long|0|Sound File too long.\r"
                                   "Must be less than 131056 Bytes.\r(Approx. 16.3 seconds)\r"
                                   "Your File is %1 Bytes.\rYour Sound will be Truncated.")
                        .arg(row.tooLongBytes));
            QCOMPARE(rig.progress.events.mid(0, 4),
                QStringList({ "message:Opening Sound File", "value:0", "show", "refresh" }));
            QCOMPARE(rig.progress.events.last(), QStringLiteral("hide"));
        }
    }

    // 0 to 70 of SoundBuf: the file's first bytes, zeros past its end; 12 on:
    // the size field and the samples; behind them the earlier sound stays.
    void reads()
    {
        const struct {
            QByteArray file;
            int sampleOffset, samplesRead;
        } rows[] = {
            { WavBuilder::pcm8(sampleBytes(10, 0xA0)), 44, 10 },
            { WavBuilder().fmt().chunk("fact", le32(7)).data(sampleBytes(60)).build(), 56, 60 },
            { soundFile(1000, 300), 44, 300 },
            { soundFile(7995, 7995), 44, 7995 },
            { soundFile(7996, 7996), 44, 7996 },
            { soundFile(24000, 24000), 44, 24000 },
            { soundFile(65536, 65536), 44, 65536 },
            { soundFile(300000, 300000), 44, 262128 },
        };
        for (const auto &row : rows) {
            Rig rig;
            rig.state->SoundBuf.fill(0xEE);
            rig.dialog.nextPath = rig.file(QStringLiteral("b.wav"), row.file);
            OpenSound(*rig.state, rig.platform);
            QCOMPARE(rig.state->FileOpened, FlagTrue);
            QCOMPARE(rig.state->SampleOffset, row.sampleOffset);
            QByteArray expected(SoundBufSize, char(0xEE));
            expected.replace(0, 71, firstBytes(row.file, 71));
            expected.replace(
                12, 4 + row.samplesRead, row.file.mid(row.sampleOffset - 4, 4 + row.samplesRead));
            QVERIFY(bufferOf(*rig.state) == expected);
        }
    }

    // Rejected: its box, with the code; failed: no box, a reason in the
    // result. Either way the earlier sound is gone. The codes' own texts are
    // in tst_errortable, the checks in tst_wavreader.
    void notOpened()
    {
        const char *overflow = "a size in its header is 2147483648 or more";
        FmtFields sixteen;
        sixteen.bitsPerSample = 16;
        const struct {
            const char *fileName; // nullptr: a path that does not exist
            QByteArray file;
            const char *title, *detail; // no title: no box, `detail` is the reason
        } rows[] = {
            { "r.wav", "hello", "Unknown File Type (UnknownFileTypeEr)", "F0" },
            { "r.wav", WavBuilder().fmt(sixteen).data({}).build(),
                "Wrong Sound File Sample Format (WrongSampleFormatEr)", "F3" },
            { nullptr, {}, nullptr, "no such file" },
            { "fifo", {}, nullptr, "not a regular file: a FIFO" }, // never opened
            { "o.wav", soundFile(0x80000000, 0), nullptr, overflow },
        };
        for (const auto &row : rows) {
            Rig rig;
            ProgramState &state = *rig.state;
            state.WavHelpText = QStringLiteral("HELP");
            state.FileOpened = FlagTrue; // an earlier sound
            state.SoundFilePath = QStringLiteral("earlier.wav");
            state.SoundLen = 5000;
            state.SampleOffset = 44;
            fillWindow(rig.window);
            const QString path = rig.dir.filePath(row.fileName ? row.fileName : "nothing-here.wav");
            if (row.fileName && row.file.isEmpty())
                QCOMPARE(::mkfifo(QFile::encodeName(path), 0644), 0);
            else if (row.fileName)
                QVERIFY(writeFile(path, row.file));
            rig.dialog.nextPath = path;

            const OpenResult result = OpenSound(state, rig.platform);
            QCOMPARE(rig.box.shown.size(), row.title ? 1 : 0);
            if (row.title) {
                QCOMPARE(result.kind, OpenResult::Kind::Rejected);
                QCOMPARE(
                    QString::number(result.code, 16).toUpper(), QString::fromLatin1(row.detail));
                QCOMPARE(rig.box.shown[0].title, QString::fromLatin1(row.title));
                QCOMPARE(rig.box.shown[0].style, 48);
                QVERIFY(rig.box.shown[0].prompt.endsWith(
                    QStringLiteral("\rHELP\r\rError Code = ") + row.detail));
                QCOMPARE(state.SampleOffset, 44);
                QCOMPARE(bufferOf(state).left(71), firstBytes(row.file, 71));
            } else {
                QCOMPARE(result.kind, OpenResult::Kind::Failed);
                QCOMPARE(result.reason, QString::fromLatin1(row.detail));
            }
            QCOMPARE(int(state.ErrCode), 0);
            QCOMPARE(state.SoundFilePath, row.fileName ? path : QStringLiteral("earlier.wav"));
            QCOMPARE(state.SoundLen, 5000);
            QCOMPARE(state.FileOpened, FlagFalse);
            QCOMPARE(windowOf(rig.window), QStringLiteral("Unknown|0.0000 Sec.|200||0"));
            QVERIFY(rig.progress.events.isEmpty());
        }
    }

    // While the "Sound Too Long" box is up, the file is cut short or removed.
    void readFailureHidesProgress()
    {
        for (const auto &[removeFile, reason] : { std::pair { false, "read error" },
                 std::pair { true, "No such file or directory" } }) {
            Rig rig;
            const QString path = rig.file(QStringLiteral("long.wav"), soundFile(140000, 140000));
            rig.dialog.nextPath = path;
            rig.box.onShow = [&] {
                if (removeFile)
                    QFile::remove(path);
                else
                    QFile::resize(path, 1000);
            };
            const OpenResult result = OpenSound(*rig.state, rig.platform);
            QCOMPARE(result.kind, OpenResult::Kind::Failed);
            QCOMPARE(result.reason, QString::fromLatin1(reason));
            QCOMPARE(rig.box.shown.size(), 1);
            QCOMPARE(rig.state->FileOpened, FlagFalse);
            QCOMPARE(rig.progress.events,
                QStringList(
                    { "message:Opening Sound File", "value:0", "show", "refresh", "hide" }));
            QCOMPARE(rig.window.repaints, 2);
        }
    }

    // Header fields past the bytes this file gave must not come from the
    // file opened before it.
    void staleHeaderBytes()
    {
        QByteArray goodThere(100, char(0xFF));
        goodThere.replace(68 - 44, 16, FmtFields().body());
        const struct {
            QByteArray earlier, file;
            bool opens;
        } rows[] = {
            // "fmt " at 48: its bits-per-sample field ends at byte 71, past
            // the 71 bytes kept in SoundBuf; the earlier file has 0xFF there.
            { WavBuilder::pcm8(QByteArray(100, char(0xFF))),
                WavBuilder().data(sampleBytes(28)).fmt().build(), true },
            // "fmt " at 60 in a file that ends with its head; the earlier file
            // has a good format body exactly there.
            { WavBuilder::pcm8(goodThere),
                WavBuilder().data(sampleBytes(40)).raw(QByteArray("fmt ") + le32(16)).build(),
                false },
        };
        for (const auto &row : rows) {
            Rig rig;
            rig.dialog.nextPath = rig.file(QStringLiteral("earlier.wav"), row.earlier);
            OpenSound(*rig.state, rig.platform);
            QCOMPARE(rig.state->FileOpened, FlagTrue);
            rig.dialog.nextPath = rig.file(QStringLiteral("this.wav"), row.file);
            OpenSound(*rig.state, rig.platform);
            QCOMPARE(rig.state->FileOpened, row.opens ? FlagTrue : FlagFalse);
            QCOMPARE(rig.box.shown.size(), row.opens ? 0 : 1);
            if (!row.opens)
                QCOMPARE(rig.box.shown[0].title,
                    QStringLiteral("Wrong Sound File Codec (WrongCodecEr)"));
            QCOMPARE(bufferOf(*rig.state).left(row.opens ? 12 : 71),
                firstBytes(row.file, row.opens ? 12 : 71));
        }
    }

    void truncate()
    {
        using K = TruncateResult::Kind;
        const struct {
            qint32 soundLen, afterLen;
            MsgAnswer answer;
            const char *locale, *label;
            K kind;
        } rows[] = {
            { 131056, 65519, MsgOk, "de_DE", "8,1899 Sec.", K::Cut },
            { 65520, 65519, MsgOk, "C", "8.1899 Sec.", K::Cut },
            { 131056, 131056, MsgCancel, "C", "untouched", K::Cancelled },
            { 65519, 65519, MsgOk, "C", "untouched", K::AlreadyShort },
        };
        for (const auto &row : rows) {
            QLocale::setDefault(QLocale(QString::fromLatin1(row.locale)));
            Rig rig;
            ProgramState &state = *rig.state;
            state.FileOpened = FlagTrue; // and it stays so: a cut sound loads at once
            state.SoundLen = row.soundLen;
            state.SoundName = QStringLiteral("Bell");
            state.SoundBuf.fill(0x5A);
            rig.window.fileLenSec = QStringLiteral("untouched");
            rig.box.answers.push_back(row.answer);

            const TruncateResult result = TruncateForBG8(state, rig.platform);
            QCOMPARE(result.kind, row.kind);
            QCOMPARE(result.soundLen, row.afterLen);

            QCOMPARE(rig.box.shown.size(), 1);
            const HeadlessMessageBox::Shown &box = rig.box.shown[0];
            QCOMPARE(box.title + '|' + QString::number(box.style) + '|' + box.prompt,
                QStringLiteral("Truncate Sound for BG#8?|1|Do you want to truncate the sound\r"
                               "to a length of 65519 bytes\r(Approx. 8.1 seconds)\r"
                               "so it will fit into a BG#8 storage location?"));
            QCOMPARE(state.SoundLen, row.afterLen);
            QCOMPARE(rig.window.fileLenSec, QString::fromLatin1(row.label));
            QCOMPARE(state.FileOpened, FlagTrue);
            QCOMPARE(state.SoundName, QStringLiteral("Bell"));
            QCOMPARE(int(state.ErrCode), 0);
            QVERIFY(bufferOf(state) == QByteArray(SoundBufSize, 0x5A));
            QVERIFY(rig.progress.events.isEmpty());
        }
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_MAIN(TestOpenCommand)
#include "tst_opencommand.moc"
