#include "SoundRig.h"

#include "errors/ErrorTable.h"
#include "sound/OpenCommand.h"

#include <QDir>
#include <QStandardPaths>
#include <QtTest>

#include <sys/stat.h>

using namespace vq250;
using namespace vq250::fakes;

namespace
{

const QString Help = QStringLiteral("help text");

// SoundBuf as a byte array, for whole-buffer comparisons.
QByteArray bufferOf(const ProgramState &state)
{
    return QByteArray(reinterpret_cast<const char *>(state.SoundBuf.data()), SoundBufSize);
}

QByteArray firstBytes(const QByteArray &file, int count)
{
    return file.left(count).leftJustified(count, '\0');
}

QString tooLongPrompt(int bytes)
{
    return QStringLiteral("Sound File too long.\rMust be less than 131056 Bytes.\r"
                          "(Approx. 16.3 seconds)\rYour File is %1 Bytes.\r"
                          "Your Sound will be Truncated.")
        .arg(bytes);
}

// A WAV file with the common header whose data size field says `declared`
// while `present` sample bytes follow.
QByteArray soundFile(int declared, int present)
{
    return WavBuilder().fmt().chunk("data", quint32(declared), sampleBytes(present)).build();
}

// Values the operator had in the window before the open.
void fillWindow(FakeMainView &window)
{
    window.volumeText = QStringLiteral("200");
    window.loopValue = Unchecked;
    window.name = QStringLiteral("Old");
    window.lastOpenedFile = QStringLiteral("old.wav");
    window.fileLenSec = QStringLiteral("3 Sec.");
}

} // namespace

class TestOpenCommand : public QObject
{
    Q_OBJECT

private slots:
    void flushAndDialog_data();
    void flushAndDialog();
    void initialFolder();
    void accepted_data();
    void accepted();
    void progressValues_data();
    void progressValues();
    void bufferContents_data();
    void bufferContents();
    void rejected_data();
    void rejected();
    void endsSilently_data();
    void endsSilently();
    void readFailureHidesProgress_data();
    void readFailureHidesProgress();
    void staleHeaderBytes_data();
    void staleHeaderBytes();
};

void TestOpenCommand::flushAndDialog_data()
{
    QTest::addColumn<QByteArray>("waiting");
    QTest::addColumn<int>("readAlls");

    QTest::newRow("stale input") << QByteArray("\x73\x01\x02", 3) << 1;
    QTest::newRow("no input") << QByteArray() << 0;
}

void TestOpenCommand::flushAndDialog()
{
    QFETCH(QByteArray, waiting);
    QFETCH(int, readAlls);

    SoundRig rig;
    rig.port.incoming = waiting;
    rig.state->ErrCode = 240;
    rig.state->FileOpened = FlagTrue;
    fillWindow(rig.window);
    rig.dialog.nextPath.reset(); // cancelled

    QCOMPARE(OpenSound(*rig.state, rig.platform).kind, OpenResult::Kind::Cancelled);

    QCOMPARE(rig.port.readAllCalls, readAlls);
    QCOMPARE(int(rig.state->RxCount), int(waiting.size()));
    QVERIFY(rig.port.incoming.isEmpty());
    QCOMPARE(int(rig.state->ErrCode), 0);
    QCOMPARE(rig.dialog.opened, 1);
    QCOMPARE(
        rig.dialog.lastFilter, QStringLiteral("All Files (*.*)|*.*|Sound Files (*.wav)|*.wav"));
    QCOMPARE(rig.dialog.lastFilterIndex, 2);
    QCOMPARE(
        rig.dialog.lastFolder, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    // A cancelled dialog ends the command before anything else changes.
    QCOMPARE(rig.state->FileOpened, FlagTrue);
    QCOMPARE(rig.window.repaints, 0);
    QCOMPARE(rig.window.lastOpenedFile, QStringLiteral("old.wav"));
    QCOMPARE(rig.window.fileLenSec, QStringLiteral("3 Sec."));
    QVERIFY(rig.box.shown.isEmpty());
    QVERIFY(rig.progress.events.isEmpty());
}

void TestOpenCommand::initialFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QTemporaryDir library;
    QCOMPARE(soundLibraryFolder(), QStringLiteral("C:\\My Documents\\VQ250SndLib\\"));
    QCOMPARE(initialSoundFolder(library.path()), library.path());
    QCOMPARE(initialSoundFolder(library.filePath(QStringLiteral("missing"))), documents);
    QCOMPARE(initialSoundFolder(QStringLiteral(".")), documents); // never the working folder
#ifndef Q_OS_WIN
    QCOMPARE(initialSoundFolder(soundLibraryFolder()), documents);
#endif
}

void TestOpenCommand::accepted_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<qint32>("soundLen");
    QTest::addColumn<QString>("seconds");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("tooLongBytes"); // -1: no box

    QTest::newRow("common") << "Doorbell.wav" << WavBuilder::pcm8(sampleBytes(100)) << 100
                            << "0.0125 Sec."
                            << "Doorbell" << -1;
    QTest::newRow("empty data chunk") << "Silence.wav" << WavBuilder::pcm8({}) << 0 << "0 Sec."
                                      << "Silence" << -1;
    QTest::newRow("long name") << "Announcement2.wav" << WavBuilder::pcm8(sampleBytes(8000)) << 8000
                               << "1 Sec."
                               << "Announceme" << -1;
    QTest::newRow("131056") << "Max.wav" << soundFile(131056, 131056) << 131056 << "16.382 Sec."
                            << "Max" << -1;
    QTest::newRow("131057") << "Over.wav" << soundFile(131057, 131057) << 131056 << "16.382 Sec."
                            << "Over" << 131057;
    QTest::newRow("300000") << "Huge.wav" << soundFile(300000, 300000) << 131056 << "16.382 Sec."
                            << "Huge" << 300000;
    QTest::newRow("cut short") << "Cut.wav" << soundFile(1000, 300) << 300 << "0.0375 Sec."
                               << "Cut" << -1;
    QTest::newRow("cut short, still too long")
        << "CutLong.wav" << soundFile(300000, 140000) << 131056 << "16.382 Sec."
        << "CutLong" << 140000;
    QTest::newRow("cut short below the cap")
        << "CutMid.wav" << soundFile(200000, 100000) << 100000 << "12.5 Sec."
        << "CutMid" << -1;
    QTest::newRow("data header cut off")
        << "Stub.wav" << WavBuilder().fmt().raw("data\x05").build() << 0 << "0 Sec."
        << "Stub" << -1;
}

void TestOpenCommand::accepted()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, file);
    QFETCH(qint32, soundLen);
    QFETCH(QString, seconds);
    QFETCH(QString, name);
    QFETCH(int, tooLongBytes);

    SoundRig rig;
    fillWindow(rig.window);
    rig.dialog.nextPath = rig.file(fileName, file);
    qsizetype progressEventsAtBox = -1;
    rig.box.onShow = [&] { progressEventsAtBox = rig.progress.events.size(); };

    const OpenResult result = OpenSound(*rig.state, rig.platform);
    QCOMPARE(result.kind, OpenResult::Kind::Opened);
    QCOMPARE(result.soundLen, soundLen);
    QCOMPARE(result.cut, tooLongBytes >= 0);

    const ProgramState &state = *rig.state;
    QCOMPARE(state.FileOpened, FlagTrue);
    QCOMPARE(int(state.ErrCode), 0);
    QCOMPARE(state.SoundLen, soundLen);
    QCOMPARE(state.SoundFilePath, *rig.dialog.nextPath);
    QCOMPARE(state.SoundName, name);
    QCOMPARE(rig.window.lastOpenedFile, QDir::toNativeSeparators(*rig.dialog.nextPath));
    QCOMPARE(rig.window.name, name);
    QCOMPARE(rig.window.fileLenSec, seconds);
    QCOMPARE(rig.window.volumeText, QStringLiteral("18"));
    QCOMPARE(rig.window.loopValue, int(Checked));
    QCOMPARE(rig.window.repaints, 2); // after the dialog, after hiding the progress window

    if (tooLongBytes < 0) {
        QVERIFY(rig.box.shown.isEmpty());
    } else {
        QCOMPARE(rig.box.shown.size(), 1);
        QCOMPARE(rig.box.shown[0].title, QStringLiteral("Sound Too Long"));
        QCOMPARE(rig.box.shown[0].style, 0);
        QCOMPARE(rig.box.shown[0].prompt, tooLongPrompt(tooLongBytes));
        QCOMPARE(progressEventsAtBox, 0); // the box comes before the progress window
    }

    const QStringList head { "message:Opening Sound File", "value:0", "show", "refresh" };
    QCOMPARE(rig.progress.events.mid(0, 4), head);
    QCOMPARE(rig.progress.events.last(), QStringLiteral("hide"));
    QVERIFY(!rig.progress.visible);
}

void TestOpenCommand::progressValues_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<QList<float>>("values");

    const auto upTo = [](float step, int count) {
        QList<float> values { 0 };
        for (int k = 1; k <= count; ++k)
            values << std::min(100.0f, step * float(k));
        return values;
    };
    QTest::newRow("0") << 0 << QList<float> { 0 };
    QTest::newRow("7995, counter never reaches 8000") << 7995 << QList<float> { 0 };
    QTest::newRow("7996, one update") << 7996 << QList<float> { 0, 100 };
    QTest::newRow("8191") << 8191 << QList<float> { 0, 100 };
    QTest::newRow("8192, step 100") << 8192 << QList<float> { 0, 100 };
    QTest::newRow("16384, step 50") << 16384 << QList<float> { 0, 50, 100 };
    QTest::newRow("24000, step 34 stops at 100") << 24000 << QList<float> { 0, 34, 68, 100 };
    QTest::newRow("65536, step 12.5 to 12") << 65536 << upTo(12, 8);
    QTest::newRow("131056, step 6") << 131056 << upTo(6, 16);
    QTest::newRow("262128, step 3") << 262128 << upTo(3, 32);
    QTest::newRow("300000, read 262128") << 300000 << upTo(3, 32);
}

void TestOpenCommand::progressValues()
{
    QFETCH(int, samples);
    QFETCH(QList<float>, values);

    SoundRig rig;
    rig.dialog.nextPath = rig.file(QStringLiteral("p.wav"), soundFile(samples, samples));
    OpenSound(*rig.state, rig.platform);

    QCOMPARE(rig.state->FileOpened, FlagTrue);
    QCOMPARE(rig.progress.values, values);
}

void TestOpenCommand::bufferContents_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("sampleOffset");
    QTest::addColumn<int>("samplesRead");

    QTest::newRow("100 samples") << WavBuilder::pcm8(sampleBytes(100)) << 44 << 100;
    QTest::newRow("10 samples, file shorter than 71")
        << WavBuilder::pcm8(sampleBytes(10, 0xA0)) << 44 << 10;
    QTest::newRow("fact chunk")
        << WavBuilder().fmt().chunk("fact", le32(7)).data(sampleBytes(60)).build() << 56 << 60;
    QTest::newRow("cut short") << soundFile(1000, 300) << 44 << 300;
    QTest::newRow("300000") << soundFile(300000, 300000) << 44 << 262128;
}

void TestOpenCommand::bufferContents()
{
    QFETCH(QByteArray, file);
    QFETCH(int, sampleOffset);
    QFETCH(int, samplesRead);

    SoundRig rig;
    rig.state->SoundBuf.fill(0xEE); // an earlier sound
    rig.dialog.nextPath = rig.file(QStringLiteral("b.wav"), file);
    OpenSound(*rig.state, rig.platform);
    QCOMPARE(rig.state->FileOpened, FlagTrue);
    QCOMPARE(rig.state->SampleOffset, sampleOffset);

    // 0 to 70: the file's first bytes, zeros past its end; 12 on: the size
    // field and the samples; behind them the earlier sound stays.
    QByteArray expected(SoundBufSize, char(0xEE));
    expected.replace(0, 71, firstBytes(file, 71));
    expected.replace(12, 4 + samplesRead, file.mid(sampleOffset - 4, 4 + samplesRead));
    QCOMPARE(bufferOf(*rig.state), expected);
}

void TestOpenCommand::rejected_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("title");

    FmtFields stereo;
    stereo.channels = 2;
    FmtFields sixteen;
    sixteen.bitsPerSample = 16;
    QTest::newRow("RIFX") << WavBuilder().riffTag("RIFX").fmt().data({}).build() << 240
                          << "Unknown File Type (UnknownFileTypeEr)";
    QTest::newRow("not WAVE") << WavBuilder().formType("AVI ").build() << 241
                              << "Not a .wav file (NotWaveFileEr)";
    QTest::newRow("stereo") << WavBuilder().fmt(stereo).data({}).build() << 242
                            << "Wrong Sound File Codec (WrongCodecEr)";
    QTest::newRow("16-bit") << WavBuilder().fmt(sixteen).data({}).build() << 243
                            << "Wrong Sound File Sample Format (WrongSampleFormatEr)";
    QTest::newRow("text file") << QByteArray("hello") << 240
                               << "Unknown File Type (UnknownFileTypeEr)";
}

void TestOpenCommand::rejected()
{
    QFETCH(QByteArray, file);
    QFETCH(int, code);
    QFETCH(QString, title);

    SoundRig rig;
    rig.state->WavHelpText = Help;
    rig.state->FileOpened = FlagTrue; // an earlier sound
    rig.state->SoundLen = 5000;
    rig.state->SampleOffset = 44;
    fillWindow(rig.window);
    rig.dialog.nextPath = rig.file(QStringLiteral("r.wav"), file);

    const OpenResult result = OpenSound(*rig.state, rig.platform);
    QCOMPARE(result.kind, OpenResult::Kind::Rejected);
    QCOMPARE(int(result.code), code);

    QCOMPARE(rig.box.shown.size(), 1);
    QCOMPARE(rig.box.shown[0].title, title);
    QCOMPARE(rig.box.shown[0].style, 48);
    QCOMPARE(rig.box.shown[0].prompt, errorPrompt(quint8(code), Help));
    QCOMPARE(int(rig.state->ErrCode), 0);
    QCOMPARE(rig.state->FileOpened, FlagFalse);
    QCOMPARE(rig.state->SoundFilePath, *rig.dialog.nextPath);
    QCOMPARE(rig.state->SoundLen, 5000);
    QCOMPARE(rig.state->SampleOffset, 44);
    QCOMPARE(bufferOf(*rig.state).left(71), firstBytes(file, 71));
    QCOMPARE(rig.window.lastOpenedFile, QStringLiteral("Unknown"));
    QCOMPARE(rig.window.name, QString());
    QCOMPARE(rig.window.fileLenSec, QStringLiteral("0.0000 Sec."));
    QCOMPARE(rig.window.volumeText, QStringLiteral("200"));
    QCOMPARE(rig.window.loopValue, int(Unchecked));
    QVERIFY(rig.progress.events.isEmpty());
}

void TestOpenCommand::endsSilently_data()
{
    QTest::addColumn<QString>("fileName"); // "" = a path that does not exist
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("pathKept");
    QTest::addColumn<QString>("reason"); // in the command's result

    const QString overflow = QStringLiteral("a size in its header is 2147483648 or more");
    QTest::newRow("missing") << QString() << QByteArray() << false << "no such file";
    QTest::newRow("folder") << "folder" << QByteArray() << true << "it is a folder";
    QTest::newRow("FIFO, never opened")
        << "fifo" << QByteArray() << true << "not a regular file: a FIFO";
    QTest::newRow("data size 0x80000000")
        << "o.wav" << WavBuilder().fmt().chunk("data", 0x80000000, {}).build() << true << overflow;
    QTest::newRow("codec overflow")
        << "c.wav" << WavBuilder().fmt().data({}).build().replace(23, 1, "\x80") << true
        << overflow;
}

void TestOpenCommand::endsSilently()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, file);
    QFETCH(bool, pathKept);
    QFETCH(QString, reason);

    SoundRig rig;
    rig.state->FileOpened = FlagTrue;
    rig.state->SoundFilePath = QStringLiteral("earlier.wav");
    rig.state->SoundLen = 5000;
    fillWindow(rig.window);
    QString path = rig.dir.filePath(QStringLiteral("nothing-here.wav"));
    if (fileName == QLatin1String("folder")) {
        path = rig.dir.filePath(fileName);
        QVERIFY(QDir().mkpath(path));
    } else if (fileName == QLatin1String("fifo")) {
        path = rig.dir.filePath(fileName);
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    } else if (!fileName.isEmpty()) {
        path = rig.file(fileName, file);
    }
    rig.dialog.nextPath = path;

    const OpenResult result = OpenSound(*rig.state, rig.platform);
    QCOMPARE(result.kind, OpenResult::Kind::Failed);
    QCOMPARE(result.reason, reason);

    QVERIFY(rig.box.shown.isEmpty());
    QCOMPARE(int(rig.state->ErrCode), 0);
    QCOMPARE(rig.state->FileOpened, FlagFalse);
    QCOMPARE(rig.state->SoundFilePath, pathKept ? path : QStringLiteral("earlier.wav"));
    QCOMPARE(rig.state->SoundLen, 5000);
    QCOMPARE(rig.window.lastOpenedFile, QStringLiteral("Unknown"));
    QCOMPARE(rig.window.fileLenSec, QStringLiteral("0.0000 Sec."));
    QCOMPARE(rig.window.volumeText, QStringLiteral("200"));
    QVERIFY(rig.progress.events.isEmpty());
}

void TestOpenCommand::readFailureHidesProgress_data()
{
    QTest::addColumn<bool>("removeFile"); // else cut it short
    QTest::addColumn<QString>("reason"); // in the command's result

    QTest::newRow("file cut short") << false << "read error";
    QTest::newRow("file removed") << true << "No such file or directory";
}

void TestOpenCommand::readFailureHidesProgress()
{
    QFETCH(bool, removeFile);
    QFETCH(QString, reason);

    SoundRig rig;
    const QString path = rig.file(QStringLiteral("long.wav"), soundFile(140000, 140000));
    rig.dialog.nextPath = path;
    // While the "Sound Too Long" box is up, the file changes.
    rig.box.onShow = [&] {
        if (removeFile)
            QFile::remove(path);
        else
            QFile::resize(path, 1000);
    };

    const OpenResult result = OpenSound(*rig.state, rig.platform);
    QCOMPARE(result.kind, OpenResult::Kind::Failed);
    QCOMPARE(result.reason, reason);

    QCOMPARE(rig.box.shown.size(), 1);
    QCOMPARE(rig.state->FileOpened, FlagFalse);
    QCOMPARE(rig.window.lastOpenedFile, QStringLiteral("Unknown"));
    QCOMPARE(rig.progress.events,
        QStringList({ "message:Opening Sound File", "value:0", "show", "refresh", "hide" }));
    QVERIFY(!rig.progress.visible);
    QCOMPARE(rig.window.repaints, 2);
}

void TestOpenCommand::staleHeaderBytes_data()
{
    QTest::addColumn<QByteArray>("earlier");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("opens");

    // "fmt " at 48: its bits-per-sample field ends at byte 71, past the 71
    // bytes kept in SoundBuf. The earlier file has 0xFF there.
    QTest::newRow("fmt at 48") << WavBuilder::pcm8(QByteArray(100, char(0xFF)))
                               << WavBuilder().data(sampleBytes(28)).fmt().build() << true;
    // "fmt " at 60 in a file that ends with its head: the fields lie past the
    // end. The earlier file has a good format body exactly there.
    QByteArray goodThere(100, char(0xFF));
    goodThere.replace(68 - 44, 16, FmtFields().body());
    QTest::newRow("fmt at 60, fields past the end")
        << WavBuilder::pcm8(goodThere)
        << WavBuilder().data(sampleBytes(40)).raw(QByteArray("fmt ") + le32(16)).build() << false;
}

void TestOpenCommand::staleHeaderBytes()
{
    QFETCH(QByteArray, earlier);
    QFETCH(QByteArray, file);
    QFETCH(bool, opens);

    SoundRig rig;
    rig.dialog.nextPath = rig.file(QStringLiteral("earlier.wav"), earlier);
    OpenSound(*rig.state, rig.platform);
    QCOMPARE(rig.state->FileOpened, FlagTrue);

    rig.dialog.nextPath = rig.file(QStringLiteral("this.wav"), file);
    OpenSound(*rig.state, rig.platform);

    QCOMPARE(rig.state->FileOpened, opens ? FlagTrue : FlagFalse);
    QCOMPARE(rig.box.shown.size(), opens ? 0 : 1);
    if (!opens)
        QCOMPARE(rig.box.shown[0].title, QStringLiteral("Wrong Sound File Codec (WrongCodecEr)"));
    QCOMPARE(bufferOf(*rig.state).left(12), firstBytes(file, 12));
    if (!opens)
        QCOMPARE(bufferOf(*rig.state).left(71), firstBytes(file, 71));
}

QTEST_MAIN(TestOpenCommand)
#include "tst_opencommand.moc"
