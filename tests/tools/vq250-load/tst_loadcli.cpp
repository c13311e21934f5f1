#include "platform/QtSerialPort.h"
#ifdef Q_OS_LINUX
#include "sim/PtyDevice.h"
#endif
#include "support/Rig.h"
#include "vq250-load/ConsolePlatform.h"
#include "vq250-load/LoadProgram.h"
#include "vq250-load/StopSignals.h"
#include "vq250-load/TerminalProgress.h"
#include "vq250-load/TracingSerialPort.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace vq250;
using namespace vq250::test;
using namespace vq250::loadcli;

namespace
{

// vq250-load run in this process: what it printed, its status, its emulator.
struct Run {
    int status = -1;
    QString out, err;
    std::unique_ptr<LoadProgram> program;
    const EmulatedPort *emulator() const { return program->emulator(); }
};

Run run(const QStringList &arguments, const std::function<void(LoadProgram &)> &setup = {})
{
    Run result;
    QTextStream out(&result.out);
    QTextStream err(&result.err);
    result.program = std::make_unique<LoadProgram>(out, err);
    if (setup)
        setup(*result.program);
    result.status = result.program->run(QStringList { "vq250-load" } + arguments);
    out.flush();
    err.flush();
    return result;
}

// Times vary from run to run; everything else is exact.
QString withoutTimes(QString text, const QString &folder)
{
    return text.replace(folder, "DIR")
        .replace(QRegularExpression("\\d+\\.\\d(?= s;|\\n)"), "T")
        .replace(QRegularExpression("\\d+:\\d\\d (?=elapsed|left)"), "M:SS ");
}

// Sounds of one, two and one data block: a fault at data block 2 hits only the second.
struct ThreeSounds {
    Rig folder;
    QString library = folder.file(
        "lib.csv", "destination,file,name\nA1,a.wav,\nA2,b.wav,Bell\n# the last\nA3,c.wav,\n");
    QString a = folder.wav("a.wav", noise(300, 1));
    QString b = folder.wav("b.wav", noise(9000, 2));
    QString c = folder.wav("c.wav", noise(300, 3));
};

const QString Estimate = "DIR/lib.csv: 3 sound(s), 9742 bytes to send: at least 0:02 on the line\n";

} // namespace

// vq250-load: whole runs on the emulated VQ250, libraries, its pieces, Ctrl-C and SIGTERM.
class TestLoadCli : public QObject
{
    Q_OBJECT

private slots:
    // A refused load, a rejected file, a failed transfer: the status, the box as lines of
    // text, the trace written only once bytes went out (which box when: tst_load, tst_opencommand).
    void failures()
    {
        const QByteArray sound = WavBuilder::pcm8(sampleBytes(300));
        const QByteArray rifx = WavBuilder().riffTag("RIFX").fmt().data(sampleBytes(50)).build();
        const struct {
            QByteArray file;
            QStringList options;
            int status;
            const char *firstLines, *code;
        } rows[] = {
            { sound, { "--volume", "256" }, 1,
                "Default Volume Out of Range\nVolume Out of Range.\n", nullptr },
            { rifx, {}, 4, "Unknown File Type (UnknownFileTypeEr)\nFile Open Error.\n", "F0" },
            { sound, {}, 5, "PC to VQ250 Serial Comm Error (PCcommEr)\n", "E0" },
        };
        for (const auto &row : rows) {
            Rig files;
            const QString trace = files.file("wire.txt", "left from before\n");
            const QString path = files.file("s.wav", row.file);
            const Run r = run(QStringList { "--emulate", "--trace", trace } + row.options
                    + QStringList { path, "B1" },
                [](LoadProgram &program) {
                    EmulatorOptions options;
                    options.faults = { DeviceFault::goSilent(1, 0) };
                    program.setEmulatorOptions(options);
                    program.setReplyTimeoutMs(300);
                });
            QCOMPARE(r.status, row.status);
            QVERIFY2(r.err.startsWith(QStringLiteral("vq250-load: ") + row.firstLines),
                qPrintable(r.err));
            if (row.code)
                QVERIFY(r.err.endsWith(QStringLiteral("\n\nError Code = ") + row.code + '\n'));
            QVERIFY(!r.err.contains(QChar(13)) && r.out.isEmpty());
            const bool sent = row.status == 5;
            QCOMPARE(r.emulator()->bytesToDevice() > 0, sent);
            QCOMPARE(readFile(trace) == "left from before\n", !sent);
        }
    }

    void usageErrors()
    {
        const struct {
            QStringList arguments;
            const char *message;
        } rows[] = {
            { {}, "expected FILE.wav and DEST, got 0 argument(s)" },
            { { "--emulate", "a.wav" }, "expected FILE.wav and DEST, got 1 argument(s)" },
            { { "a.wav", "A1", "B2" }, "expected FILE.wav and DEST, got 3 argument(s)" },
            { { "--port", "COM3", "--emulate", "a", "A1" },
                "--port and --emulate exclude each other" },
            { { "--port", "", "a.wav", "A1" }, "--port needs a port name" },
            { { "--bogus", "a.wav", "A1" }, "Unknown option 'bogus'." },
            { { "--library", "l.csv", "a.wav", "A1" },
                "--library takes no FILE.wav or DEST; the table names them\n" },
            { { "--library", "l.csv", "--volume", "3" },
                "--volume, --name and --no-loop go into the library's columns\n" },
            { { "--emulate", "--trace", "t\uFFFD.txt", "a.wav", "A1" }, // a name not UTF-8
                "will not write the trace to t\uFFFD.txt: its name is not UTF-8 text; name a file "
                "that is\n" },
            { { "--emulate", "--trace", "-", "a.wav", "A1" },
                "will not write the trace to -: standard output carries the report; name a "
                "file\n" },
            { { "--keep-going", "a.wav", "A1" },
                "--dry-run, --keep-going and --failed-to need --library\n" },
        };
        for (const auto &row : rows) {
            const Run r = run(row.arguments);
            QCOMPARE(r.status, 2);
            QVERIFY2(
                r.err.startsWith(QStringLiteral("vq250-load: ") + row.message), qPrintable(r.err));
            QVERIFY(r.out.isEmpty() && !r.emulator());
        }
    }

    void help()
    {
        const Run help = run({ "--help", "--emulate" });
        QCOMPARE(help.status, 0);
        QVERIFY2(help.out.startsWith("Usage: vq250-load [OPTION]... FILE.wav DEST\n"
                                     "  or:  vq250-load [OPTION]... --library LIBRARY.csv\n"
                                     "  or:  vq250-load --list-ports\n"),
            qPrintable(help.out));
        for (const char *part : { "\nExit status:\n  0  the sound was loaded\n  1  the load was "
                                  "refused (no file, station, BG number, too long for BG#8,\n",
                 "\n  2  usage error\n  3  the serial port cannot be opened\n",
                 "\n  4  the sound file was rejected", "\n  5  the transfer failed;",
                 "\n  6  everything loaded, but", "\n  130, 143  stopped by Ctrl-C" })
            QVERIFY2(help.out.contains(QLatin1String(part)), part);
    }

    void console()
    {
        QString printed;
        ConsoleMessageBox box([&printed](const QString &text) { printed += text; });
        // The one box that lets the command go on; the others show in failures().
        QCOMPARE(box.show("Sound File too long.\rcut", MsgOkOnly, "Sound Too Long"), MsgOk);
        QCOMPARE(printed, "vq250-load: warning: Sound Too Long\nSound File too long.\ncut\n");

        // The bar fits the terminal: it shrinks to ten, then goes, then the message is cut.
        const struct {
            int width, percent, rate, left;
            const char *line;
        } rows[] = { { 80, 0, -1, -1, "Load A1 [------------------------------]   0%" },
            { 47, 50, 5712, 12, "Load A1 [#####-----]  50%  5712 B/s  0:12 left" },
            { 46, 50, 5712, 12, "Load A1  50%  5712 B/s  0:12 left" },
            { 120, 6, 0, -1, "Load A1 [#-----------------------------]   6%  0 B/s" },
            { 200, 102, 5760, 3725,
                "Load A1 [##############################] 100%  5760 B/s  1:02:05 left" },
            { 31, 50, 5760, 12, "Load  50%  5760 B/s  0:12 left" },
            { 10, 50, 5760, 12, "  50%  57" } };
        for (const auto &row : rows)
            QCOMPARE(
                TerminalProgress::line({ "Load A1", row.percent, row.rate, row.left }, row.width),
                QString::fromLatin1(row.line));
    }

    void tracingPort()
    {
        VirtualEventLoop clock;
        clock.advanceTo(1000);
        FakeSerialPort inner;
        WireTrace trace;
        TracingSerialPort port(inner, clock, &trace);
        port.setDtr(true);
        port.write(QByteArray("\xA0", 1));
        clock.advanceTo(1500);
        port.setDtr(false);
        port.write(QByteArray("\x00\x11", 2));
        inner.incoming = QByteArray("\xA0\x05", 2);
        clock.advanceTo(2250);
        QCOMPARE(port.readAll(), QByteArray("\xA0\x05", 2));
        QCOMPARE(trace.toText(),
            QStringLiteral("# VQ250 wire trace\n# time_us dir dtr byte note\n0.000 PC>VQ 1 A0\n"
                           "500.000 PC>VQ 0 00\n500.000 PC>VQ 0 11\n1250.000 VQ>PC - A0\n"
                           "1250.000 VQ>PC - 05\n"));
    }

    void openFailures()
    {
        using E = QSerialPort;
        const QString port = "Cannot open serial port /dev/ttyUSB3: ";
        const QString missing = port + "the port does not exist (why).";
        const struct {
            QSerialPort::SerialPortError error;
            bool exists, accessible;
            QString text;
        } rows[] = { { E::NoError, true, true, "" },
            { E::DeviceNotFoundError, true, true, missing },
            { E::OpenError, false, false, missing },
            { E::PermissionError, true, false,
                port
                    + "permission denied (why). Serial ports belong to the dialout group: add "
                      "your user to it (sudo usermod -aG dialout $USER) and log in again." },
            { E::PermissionError, true, true, port + "it is in use by another program (why)." },
            { E::OpenError, true, true, port + "why." } };
        for (const auto &row : rows)
            QCOMPARE(QtSerialPort::openFailureText(
                         QtSerialPort::classifyOpenFailure(row.error, row.exists, row.accessible),
                         "/dev/ttyUSB3", "why"),
                row.text);
    }

#ifdef Q_OS_LINUX
    // The real serial port to a VQ250 on a pseudo-terminal (no DTR line): one warning, then on.
    // Volume, name and loop flag from the options; a destination with more after it.
    void throughAPseudoTerminal()
    {
        PtyDevice device;
        Rig files;
        const QByteArray samples = noise(1500, 11);
        const QString path = files.wav("Chime.wav", samples);
        const QString trace = files.dir.filePath("wire.txt");
        Run r = run({ "--port", device.portName(), "--trace", trace, "--volume", "0", "--name", "",
                        "--no-loop", path, "c5xyz" },
            [](LoadProgram &program) { program.setReplyTimeoutMs(2000); });
        QVERIFY2(r.err.startsWith("vq250-load: warning: " + device.portName()
                     + ": the DTR line cannot be set on this device ("),
            qPrintable(r.err));
        QCOMPARE(r.err.count('\n'), 1);
        QCOMPARE(r.status, 0);
        QCOMPARE(
            r.out, "Loaded " + path + " into C5: 1500 bytes, name \"\", volume 0, not looping\n");
        const ExpectedWire wire = expectedWire(samples, "C5", { 0, "", false });
        QVERIFY(device.received() == wire.toDevice);
        // Each byte's DTR in the trace is tracingPort()'s; here, that the real port is traced.
        QCOMPARE(int(readFile(trace).count(" PC>VQ ")), int(wire.toDevice.size()));

        r.program.reset(); // lets go of the port
        QtSerialPort holder(device.portName());
        QVERIFY2(holder.open(), qPrintable(holder.errorText()));
        const Run busy = run({ "--port", device.portName(), path, "A1" });
        QCOMPARE(busy.status, 3);
        QVERIFY2(busy.err.startsWith("vq250-load: Cannot open serial port " + device.portName()
                     + ": it is in use by another program ("),
            qPrintable(busy.err));
    }
#endif

    // A library stops at a failure, goes on past it, or is stopped by SIGINT in the second
    // sound (abandoned, the third never sent); summary, trace and failed rows still written.
    void loadsRowByRow()
    {
        const QString first = Estimate
            + "[1/3] A1 a.wav: loaded, 300 bytes in T s; 1 of 3 sounds, 345 of 9742 bytes, M:SS "
              "elapsed, M:SS left\n";
        const QString second = ", 9000 bytes in T s; 2 of 3 sounds, 9397 of 9742 bytes, M:SS "
                               "elapsed, M:SS left\n";
        const QString sent
            = first + "[2/3] A2 b.wav: failed: Serial Checksum Error (CkSmEr)" + second;
        const QString table
            = "Slot  File   Bytes  Result                                  Seconds\n"
              "A1    a.wav  300    loaded                                  T\n"
              "A2    b.wav  9000   failed: Serial Checksum Error (CkSmEr)  T\n";
        const QByteArray b = "\"A2\",\"DIR/b.wav\",\"\",\"Bell\",\"\"\n";
        const QByteArray bc = b + "\"A3\",\"DIR/c.wav\",\"\",\"\",\"\"\n";
        enum Ending { AtFailure, KeepGoing, CtrlC };
        const struct {
            Ending ending;
            int status;
            QString out;
            QList<int> stored;
            QByteArray failedRows;
        } rows[] = {
            { AtFailure, 5,
                sent + table
                    + "A3    c.wav  300    not sent                                -\n"
                      "Loaded 1 of 3 sounds.\n",
                { 1 }, bc },
            { KeepGoing, 5,
                sent
                    + "[3/3] A3 c.wav: loaded, 300 bytes in T s; 3 of 3 sounds, 9742 of 9742 "
                      "bytes, M:SS elapsed, M:SS left\n"
                    + table
                    + "A3    c.wav  300    loaded                                  T\n"
                      "Loaded 2 of 3 sounds.\n",
                { 1, 3 }, b },
            { CtrlC, 130,
                first + "[2/3] A2 b.wav: interrupted" + second
                    + "Slot  File   Bytes  Result       Seconds\n"
                      "A1    a.wav  300    loaded       T\n"
                      "A2    b.wav  9000   interrupted  T\n"
                      "A3    c.wav  300    not sent     -\n"
                      "Loaded 1 of 3 sounds.\n",
                { 1 }, bc },
        };
        for (const auto &row : rows) {
            ThreeSounds lib;
            const QString failed = lib.folder.dir.filePath("failed.csv");
            const QString trace = lib.folder.dir.filePath("wire.txt");
            QStringList args { "--emulate", "--library", lib.library, "--failed-to", failed,
                "--trace", trace };
            if (row.ending == KeepGoing)
                args << "--keep-going";
            loadcli::StopSignals stops;
            QTimer watch;
            const Run r = run(args, [&](LoadProgram &program) {
                if (row.ending != CtrlC) {
                    EmulatorOptions options;
                    options.faults = { DeviceFault::errorReply(2, 0, CkSmEr) };
                    program.setEmulatorOptions(options);
                    return;
                }
                program.setStopSignals(&stops);
                // Once: a second SIGINT ends the process, as it should for a user.
                QObject::connect(&watch, &QTimer::timeout, [&program, &watch] {
                    const EmulatedPort *port = program.emulator();
                    if (port && port->device().completedTransfers() == 1
                        && port->bytesToDevice() > 2000) {
                        watch.stop();
                        ::raise(SIGINT);
                    }
                });
                watch.start(5);
            });

            QCOMPARE(r.status, row.status);
            QVERIFY(row.ending != CtrlC || r.err.endsWith("vq250-load: interrupted\n"));
            QCOMPARE(withoutTimes(r.out, lib.folder.dir.path()), row.out);
            for (int bg = 1; bg <= 3; ++bg) {
                const StoredSlot *slot = r.emulator()->device().slot(10, quint8(bg));
                QCOMPARE(slot && slot->complete, row.stored.contains(bg));
            }
            QCOMPARE(readFile(failed).replace(lib.folder.dir.path().toUtf8(), "DIR"),
                "destination,file,volume,name,loop\n" + row.failedRows);
            QCOMPARE(int(readFile(trace).count(" PC>VQ ")), int(r.emulator()->bytesToDevice()));
        }
    }

    void checksBeforeSending()
    {
        ThreeSounds lib;
        const QString dir = lib.folder.dir.path();
        const Run dry = run({ "--emulate", "--dry-run", "--library", lib.library });
        QCOMPARE(dry.status, 0);
        QCOMPARE(QString(dry.out).replace(dir, "DIR"), Estimate);
        QVERIFY(!dry.emulator());

        // The trace and the failed rows on one new file.
        const QString both = dir + "/out.txt";
        const Run twice
            = run({ "--emulate", "--library", lib.library, "--trace", both, "--failed-to", both });
        QCOMPARE(twice.status, 2);
        QCOMPARE(QString(twice.err).replace(dir, "DIR"),
            "vq250-load: will not write the failed rows to DIR/out.txt: it is DIR/out.txt, an "
            "input of this run\n");
        QVERIFY(!twice.emulator() && !QFile::exists(both));

        lib.folder.file("lib.csv", "destination,file\nA1,a.wav\nG2,b.wav\nA4,none.wav\n");
        const Run r = run({ "--emulate", "--library", lib.library });
        QCOMPARE(r.status, 1);
        QCOMPARE(QString(r.err).replace(dir, "DIR"),
            "DIR/lib.csv:3\tG2\tb.wav\trefused\tNeed Valid Station Letter\n"
            "DIR/lib.csv:4\tA4\tnone.wav\tfailed\tfile not found\n"
            "vq250-load: 2 problem(s) in DIR/lib.csv; nothing was sent\n");
        QVERIFY(r.out.isEmpty() && !r.emulator()); // no port was opened
    }

    // As a shell runs it, SIGTERM during a library: the estimate line shows the
    // handlers are in place, and the 23 s sound is still on the line then.
    void sigtermStopsTheBinary()
    {
        Rig folder;
        folder.wav("long.wav", noise(131056, 16));
        const QString library = folder.file("lib.csv", "destination,file\nA1,long.wav\n");
        QProcess process;
        process.start(QStringLiteral(VQ250_LOAD_EXE), { "--emulate", "--library", library });
        QVERIFY(process.waitForReadyRead(10000));
        QVERIFY(::kill(pid_t(process.processId()), SIGTERM) == 0);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 143);
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()), "vq250-load: interrupted\n");
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(
            out.contains(QRegularExpression(
                "\nA1    long.wav  131056  (interrupted|not sent) .*\nLoaded 0 of 1 sounds.\n\\z")),
            qPrintable(out));
    }
};

QTEST_GUILESS_MAIN(TestLoadCli)
#include "tst_loadcli.moc"
