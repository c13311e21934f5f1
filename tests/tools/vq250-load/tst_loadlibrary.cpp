#include "library/LibraryFile.h"
#include "sim/EmulatedPort.h"
#include "support/WavBuilder.h"
#include "vq250-load/LoadProgram.h"
#include "vq250-load/StopSignals.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vq250;
using namespace vq250::fakes;

namespace
{

// vq250-load run in this process: what it printed, its status, its emulator.
struct LoadCliRun {
    int status = -1;
    QString out, err;
    std::unique_ptr<loadcli::LoadProgram> program;
    const EmulatedPort *emulator() const { return program->emulator(); }
};

LoadCliRun runLoad(
    const QStringList &arguments, const std::function<void(loadcli::LoadProgram &)> &setup = {})
{
    LoadCliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.program = std::make_unique<loadcli::LoadProgram>(out, err);
    if (setup)
        setup(*run.program);
    run.status = run.program->run(QStringList { "vq250-load" } + arguments);
    out.flush();
    err.flush();
    return run;
}

// A folder of files made for one test.
struct SoundFolder {
    QString file(const QString &name, const QByteArray &bytes) const
    {
        return writeFile(path(name), bytes) ? path(name) : QString();
    }
    QString wav(const QString &name, const QByteArray &samples) const
    {
        return file(name, WavBuilder::pcm8(samples));
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// Times vary from run to run; everything else is exact.
QString withoutTimes(QString text, const QString &folder)
{
    return text.replace(folder, "DIR")
        .replace(QRegularExpression("\\d+\\.\\d(?= s;|\\n)"), "T")
        .replace(QRegularExpression("\\d+:\\d\\d (?=elapsed|left)"), "M:SS ");
}

// Three sounds of one, two and one data block; a fault set at data block 2
// hits only the second.
struct ThreeSounds {
    SoundFolder folder;
    QString library = folder.file(
        "lib.csv", "destination,file,name\nA1,a.wav,\nA2,b.wav,Bell\n# the last\nA3,c.wav,\n");
    QString a = folder.wav("a.wav", noise(300, 1));
    QString b = folder.wav("b.wav", noise(9000, 2));
    QString c = folder.wav("c.wav", noise(300, 3));
};

const QString Estimate = "DIR/lib.csv: 3 sound(s), 9742 bytes to send: at least 0:02 on the line\n";

} // namespace

// vq250-load --library and the way a load ends: Ctrl-C, its outputs.
class TestLoadLibrary : public QObject
{
    Q_OBJECT

private slots:
    void loadsRowByRow_data();
    void loadsRowByRow();
    void checksBeforeSending();
    void ctrlCStopsCleanly();
    void sigtermStopsTheBinary();
    void randomPathsHarmNothing();
};

void TestLoadLibrary::loadsRowByRow_data()
{
    QTest::addColumn<bool>("keepGoing");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QList<int>>("stored");
    QTest::addColumn<QByteArray>("failedRows");

    const QString second
        = "[2/3] A2 b.wav: failed: Serial Checksum Error (CkSmEr), 9000 bytes in T "
          "s; 2 of 3 sounds, 9397 of 9742 bytes, M:SS elapsed, M:SS left\n";
    QTest::newRow("stops at the failure")
        << false << 5
        << Estimate
            + "[1/3] A1 a.wav: loaded, 300 bytes in T s; 1 of 3 sounds, 345 of 9742 bytes, M:SS "
              "elapsed, M:SS left\n"
            + second
            + "Slot  File   Bytes  Result                                  Seconds\n"
              "A1    a.wav  300    loaded                                  T\n"
              "A2    b.wav  9000   failed: Serial Checksum Error (CkSmEr)  T\n"
              "A3    c.wav  300    not sent                                -\n"
              "Loaded 1 of 3 sounds.\n"
        << QList<int> { 1 }
        << QByteArray(
               "\"A2\",\"DIR/b.wav\",\"\",\"Bell\",\"\"\n\"A3\",\"DIR/c.wav\",\"\",\"\",\"\"\n");
    QTest::newRow("keeps going") << true << 5
                                 << Estimate
            + "[1/3] A1 a.wav: loaded, 300 bytes in T s; 1 of 3 sounds, 345 of 9742 bytes, M:SS "
              "elapsed, M:SS left\n"
            + second
            + "[3/3] A3 c.wav: loaded, 300 bytes in T s; 3 of 3 sounds, 9742 of 9742 bytes, M:SS "
              "elapsed, M:SS left\n"
              "Slot  File   Bytes  Result                                  Seconds\n"
              "A1    a.wav  300    loaded                                  T\n"
              "A2    b.wav  9000   failed: Serial Checksum Error (CkSmEr)  T\n"
              "A3    c.wav  300    loaded                                  T\n"
              "Loaded 2 of 3 sounds.\n"
                                 << QList<int> { 1, 3 }
                                 << QByteArray("\"A2\",\"DIR/b.wav\",\"\",\"Bell\",\"\"\n");
}

void TestLoadLibrary::loadsRowByRow()
{
    QFETCH(bool, keepGoing);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QList<int>, stored);
    QFETCH(QByteArray, failedRows);

    ThreeSounds lib;
    const QString failed = lib.folder.path("failed.csv");
    QStringList args { "--emulate", "--library", lib.library, "--failed-to", failed };
    if (keepGoing)
        args << "--keep-going";
    const LoadCliRun run = runLoad(args, [](loadcli::LoadProgram &program) {
        EmulatorOptions options;
        options.faults = { DeviceFault::errorReply(2, 0, CkSmEr) };
        program.setEmulatorOptions(options);
    });

    QCOMPARE(run.status, status);
    QCOMPARE(withoutTimes(run.out, lib.folder.dir.path()), out);
    for (int bg = 1; bg <= 3; ++bg) {
        const StoredSlot *slot = run.emulator()->device().slot(10, quint8(bg));
        QCOMPARE(slot && slot->complete, stored.contains(bg));
    }
    const QByteArray written = readBytes(failed);
    QCOMPARE(QByteArray(written).replace(lib.folder.dir.path().toUtf8(), "DIR"),
        "destination,file,volume,name,loop\n" + failedRows);
    // The failed rows make a library of their own: it checks, and the rerun loads them.
    const LoadCliRun rerun = runLoad({ "--emulate", "--library", failed });
    QCOMPARE(rerun.status, 0);
    QCOMPARE(rerun.emulator()->device().completedTransfers(), 3 - int(stored.size()));
    QVERIFY(rerun.out.endsWith(QString("Loaded %1 of %1 sounds.\n").arg(3 - stored.size())));
}

void TestLoadLibrary::checksBeforeSending()
{
    ThreeSounds lib;
    lib.folder.file("lib.csv", "destination,file\nA1,a.wav\nG2,b.wav\nA1,c.wav\nA4,none.wav\n");

    const LoadCliRun run = runLoad({ "--emulate", "--library", lib.library });
    QCOMPARE(run.status, 1);
    QCOMPARE(QString(run.err).replace(lib.folder.dir.path(), "DIR"),
        "DIR/lib.csv:3\tG2\tb.wav\trefused\tNeed Valid Station Letter\n"
        "DIR/lib.csv:4\tA1\tc.wav\trefused\tsame slot as row 2\n"
        "DIR/lib.csv:5\tA4\tnone.wav\tfailed\tfile not found\n"
        "vq250-load: 3 problem(s) in DIR/lib.csv; nothing was sent\n");
    QCOMPARE(run.out, QString());
    QVERIFY(!run.emulator()); // no port was opened

    ThreeSounds good;
    const LoadCliRun dry = runLoad({ "--emulate", "--dry-run", "--library", good.library });
    QCOMPARE(dry.status, 0);
    QCOMPARE(QString(dry.out).replace(good.folder.dir.path(), "DIR"), Estimate);
    QVERIFY(!dry.emulator());
}

// SIGINT in the middle of the second sound: that sound is abandoned, the
// third never sent, the summary, trace and failed rows still written.
void TestLoadLibrary::ctrlCStopsCleanly()
{
    ThreeSounds lib;
    const QString trace = lib.folder.path("wire.txt");
    loadcli::StopSignals stops;
    QVERIFY(stops.installed());
    QTimer watch;
    const LoadCliRun run = runLoad({ "--emulate", "--library", lib.library, "--trace", trace,
                                       "--failed-to", lib.folder.path("failed.csv") },
        [&watch, &stops](loadcli::LoadProgram &program) {
            program.setStopSignals(&stops);
            QObject::connect(&watch, &QTimer::timeout, [&program] {
                const EmulatedPort *port = program.emulator();
                if (port && port->device().completedTransfers() == 1
                    && port->bytesToDevice() > 2000)
                    ::raise(SIGINT);
            });
            watch.start(5);
        });

    QCOMPARE(run.status, 130);
    QVERIFY2(run.err.endsWith("vq250-load: interrupted\n"), qPrintable(run.err));
    QVERIFY(withoutTimes(run.out, lib.folder.dir.path())
                .endsWith("A1    a.wav  300    loaded       T\n"
                          "A2    b.wav  9000   interrupted  T\n"
                          "A3    c.wav  300    not sent     -\n"
                          "Loaded 1 of 3 sounds.\n"));
    QCOMPARE(int(readBytes(trace).count(" PC>VQ ")), int(run.emulator()->bytesToDevice()));
    QCOMPARE(parseLibrary(readBytes(lib.folder.path("failed.csv")), "/").rows.size(), 2);
}

// Sound and trace drawn from every kind of path, 40 times: every run ends
// within its bounded waits, no input changes, nothing special turns regular.
void TestLoadLibrary::randomPathsHarmNothing()
{
    SoundFolder folder;
    const QString sound = folder.wav("v.wav", noise(100, 5));
    const QByteArray soundBytes = readBytes(sound);
    QVERIFY(QFile::link(sound, folder.path("link")));
    QVERIFY(QFile::link(folder.path("nothing"), folder.path("dangling")));
    QVERIFY(::link(QFile::encodeName(sound), QFile::encodeName(folder.path("hard"))) == 0);
    QVERIFY(QDir(folder.dir.path()).mkdir("dir"));
    QVERIFY(::mkfifo(QFile::encodeName(folder.path("fifo")), 0600) == 0);
    folder.file("empty.wav", {});
    const QByteArray latin1 = QFile::encodeName(folder.dir.path()) + "/caf\xE9.wav";
    const int fd = ::open(latin1.constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(fd >= 0 && ::write(fd, "kept", 4) == 4 && ::close(fd) == 0);
    const QStringList paths { sound, folder.path("link"), folder.path("hard"), folder.path("dir"),
        folder.path("fifo"), folder.path("dangling"), folder.path("empty.wav"), "/dev/null",
        folder.path("new.txt"), QFile::decodeName(latin1) };

    QRandomGenerator random(20261207);
    auto pick = [&random, &paths] { return paths.at(random.bounded(int(paths.size()))); };
    auto kindIs = [](const QString &path, mode_t kind) {
        struct stat info {
        };
        return ::lstat(QFile::encodeName(path), &info) == 0 && (info.st_mode & S_IFMT) == kind;
    };
    for (int i = 0; i < 40; ++i) {
        QStringList args { "--emulate" };
        if (random.bounded(2))
            args << "--trace" << pick();
        args << pick() << (random.bounded(4) ? "A1" : "G1");
        QElapsedTimer took;
        took.start();
        const LoadCliRun run
            = runLoad(args, [](loadcli::LoadProgram &program) { program.setReplyTimeoutMs(200); });
        QVERIFY2(took.elapsed() < 5000, qPrintable(args.join(' ')));
        QVERIFY2(run.status >= 0 && run.status <= 6, qPrintable(args.join(' ')));
        QCOMPARE(readBytes(sound), soundBytes);
        QVERIFY(kindIs(folder.path("fifo"), S_IFIFO) && kindIs(folder.path("dir"), S_IFDIR)
            && kindIs(folder.path("link"), S_IFLNK) && kindIs("/dev/null", S_IFCHR)
            && kindIs(folder.path("dangling"), S_IFLNK));
        char kept[8] = {};
        const int in = ::open(latin1.constData(), O_RDONLY);
        QVERIFY(in >= 0 && ::read(in, kept, sizeof kept) == 4 && ::close(in) == 0);
        QCOMPARE(QByteArray(kept), QByteArray("kept"));
    }
}

// As a shell runs it, SIGTERM during a library: the estimate line shows the
// handlers are in place, and the 23 s sound is still on the line then.
void TestLoadLibrary::sigtermStopsTheBinary()
{
    SoundFolder folder;
    folder.wav("long.wav", noise(131056, 16));
    const QString library = folder.file("lib.csv", "destination,file\nA1,long.wav\n");
    QProcess process;
    process.start(QStringLiteral(VQ250_LOAD_EXE), { "--emulate", "--library", library });
    QVERIFY(process.waitForReadyRead(10000));
    QVERIFY(::kill(pid_t(process.processId()), SIGTERM) == 0);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 143);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()), "vq250-load: interrupted\n");
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(out.contains(QRegularExpression("\nA1    long.wav  131056  (interrupted|not sent) ")),
        qPrintable(out));
    QVERIFY(out.endsWith("Loaded 0 of 1 sounds.\n"));
}

QTEST_GUILESS_MAIN(TestLoadLibrary)
#include "tst_loadlibrary.moc"
