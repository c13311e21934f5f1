#include "library/LibraryFile.h"
#include "platform/QtSerialPort.h"
#include "sim/VirtualEventLoop.h"
#include "sim/WireTrace.h"
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

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// A trace file's bytes from the PC as the oracle writes them.
QString tracedToDevice(const QString &path)
{
    QByteArray bytes;
    QList<bool> dtr;
    for (const QByteArray &line : readBytes(path).split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() >= 4 && fields[1] == "PC>VQ") {
            bytes += char(fields[3].toUInt(nullptr, 16));
            dtr << (fields[2] == "1");
        }
    }
    return markedHex(bytes, dtr);
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
    Rig folder;
    QString library = folder.file(
        "lib.csv", "destination,file,name\nA1,a.wav,\nA2,b.wav,Bell\n# the last\nA3,c.wav,\n");
    QString a = folder.wav("a.wav", noise(300, 1));
    QString b = folder.wav("b.wav", noise(9000, 2));
    QString c = folder.wav("c.wav", noise(300, 3));
};

const QString Estimate = "DIR/lib.csv: 3 sound(s), 9742 bytes to send: at least 0:02 on the line\n";

} // namespace

// vq250-load: whole runs against the emulated VQ250, libraries, its pieces,
// and the way a load ends (Ctrl-C, SIGTERM to the binary).
class TestLoadCli : public QObject
{
    Q_OBJECT

private slots:
    void loads()
    {
        const struct {
            int samples;
            const char *fileName;
            QStringList options;
            const char *dest, *destination;
            LoadEntries header;
            const char *said;
        } rows[] = {
            { 700, "Doorbell.wav", {}, "a1", "A1", { 18, "Doorbell", true },
                "into A1 of the emulated VQ250: 700 bytes, name \"Doorbell\", volume 18, looping" },
            { 300, "Announcement2.wav", {}, "B2", "B2", { 18, "Announceme", true },
                "into B2 of the emulated VQ250: 300 bytes, name \"Announceme\", volume 18, "
                "looping" },
            { 500, "x.wav", { "--volume", "0", "--name", "Bell", "--no-loop" }, "F8", "F8",
                { 0, "Bell", false },
                "into F8 of the emulated VQ250: 500 bytes, name \"Bell\", volume 0, not looping" },
            { 0, "Silence.wav", { "--name", "" }, "C3", "C3", { 18, "", true },
                "into C3 of the emulated VQ250: 0 bytes, name \"\", volume 18, looping" },
            { 200, "v.wav", { "--volume", " 255 " }, "e7xyz", "E7", { 255, "v", true },
                "into E7 of the emulated VQ250: 200 bytes, name \"v\", volume 255, looping" },
        };
        for (const auto &row : rows) {
            Rig files;
            const QByteArray samples = noise(row.samples, row.samples);
            const QString path = files.wav(row.fileName, samples);
            const QString trace = files.dir.filePath("wire.txt");
            const Run r = run(QStringList { "--emulate", "--trace", trace } + row.options
                + QStringList { path, row.dest });
            QCOMPARE(r.err, QString());
            QCOMPARE(r.status, 0);
            QCOMPARE(r.out, "Loaded " + path + ' ' + row.said + '\n');
            const QString expected = markedHex(expectedWire(samples, row.destination, row.header));
            QVERIFY(sentWire(*r.emulator()) == expected);
            QVERIFY(tracedToDevice(trace) == expected);
        }
    }

    // A refusal ends the run with status 1, its box as lines of text, and
    // nothing on the line. Which box for which entry, and in what order, is
    // the load command's own table.
    void refusals()
    {
        const struct {
            int samples;
            QStringList options;
            const char *dest, *firstLines;
        } rows[] = {
            { 100, {}, "G1", "Need Valid Station Letter\nEnter Destination Station Letter.\n" },
            { 100, { "--volume", "256" }, "A1",
                "Default Volume Out of Range\nVolume Out of Range.\n" },
            { 100, { "--name", "Bell\nTwo" }, "A1",
                "Sound Name Not Valid\nSound Name has characters VQ250 cannot store.\n"
                "Sound Name may hold letters, digits, spaces and signs\n"
                "of ISO 8859-1 (Latin-1), but no tabs or line breaks.\n"
                "Enter name without such characters.\n" },
        };
        for (const auto &row : rows) {
            Rig files;
            const QString trace = files.file("wire.txt", "left from before\n");
            const QString path = files.wav("s.wav", noise(row.samples, 5));
            const Run r = run(QStringList { "--emulate", "--trace", trace } + row.options
                + QStringList { path, row.dest });
            QCOMPARE(r.status, 1);
            QVERIFY2(r.err.startsWith(QStringLiteral("vq250-load: ") + row.firstLines),
                qPrintable(r.err));
            QVERIFY(!r.err.contains(QChar(13)) && r.out.isEmpty());
            QCOMPARE(r.emulator()->bytesToDevice(), 0);
            // A refused load leaves every file as it was.
            QCOMPARE(readBytes(trace), QByteArray("left from before\n"));
        }
    }

    void tooLongSoundIsOnlyAWarning()
    {
        Rig files;
        const Run r = run({ "--emulate", files.wav("Long.wav", noise(131057, 6)), "A8" });
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err,
            QStringLiteral(
                "vq250-load: warning: Sound Too Long\nSound File too long.\n"
                "Must be less than 131056 Bytes.\n(Approx. 16.3 seconds)\n"
                "Your File is 131057 Bytes.\nYour Sound will be Truncated.\n"
                "vq250-load: Too Long for BG#8\nSound is too long for BG#8.\n"
                "Sound to be loaded to BG#8 is limited to\na maximum of 65519 bytes\n"
                "(Approx. 8.1 seconds).\nNeed to Truncate Sound for BG#8 before loading.\n"));
    }

    void rejectedFiles()
    {
        const QByteArray s = sampleBytes(50);
        FmtFields stereo;
        stereo.channels = 2;
        const struct {
            QByteArray bytes;
            const char *firstLine, *code;
        } rows[] = {
            { WavBuilder().riffTag("RIFX").fmt().data(s).build(),
                "Unknown File Type (UnknownFileTypeEr)", "F0" },
            { WavBuilder().fmt(stereo).data(s).build(), "Wrong Sound File Codec (WrongCodecEr)",
                "F2" },
            { WavBuilder().fmt().chunk("data", 0x80000000u, s).build(),
                "cannot open the sound file PATH: a size in its header is 2147483648 or more",
                nullptr },
        };
        for (const auto &row : rows) {
            Rig files;
            const QString path = files.file("bad.wav", row.bytes);
            const Run r = run({ "--emulate", path, "A1" });
            QCOMPARE(r.status, 4);
            const QString first = QStringLiteral("vq250-load: ")
                + QString(row.firstLine).replace("PATH", path) + '\n';
            QVERIFY2(r.err.startsWith(first), qPrintable(r.err));
            if (row.code)
                QVERIFY(r.err.endsWith(QStringLiteral("\n\nError Code = ") + row.code + '\n'));
            else
                QCOMPARE(r.err, first);
            QVERIFY(!r.err.contains(QChar(13)) && r.out.isEmpty());
            QCOMPARE(r.emulator()->bytesToDevice(), 0);
        }
    }

    void transferFailures()
    {
        const struct {
            DeviceFault fault;
            int timeoutMs;
            const char *title, *code;
        } rows[] = {
            { DeviceFault::errorReply(1, DeviceFault::Checksum, 19), 2000,
                "Flash Memory Write Error (FlshSvEr)", "13" },
            { DeviceFault::replaceAnswer(0, 0x73), 2000, "Unrecognized Error Code", "73" },
            { DeviceFault::goSilent(1, 0), 300, "PC to VQ250 Serial Comm Error (PCcommEr)", "E0" },
        };
        for (const auto &row : rows) {
            Rig files;
            const Run r = run({ "--emulate", files.wav("s.wav", noise(300, 7)), "B1" },
                [&](LoadProgram &program) {
                    EmulatorOptions options;
                    options.flashWriteNs = EmulatorFlashWriteNs;
                    options.faults.push_back(row.fault);
                    program.setEmulatorOptions(options);
                    program.setReplyTimeoutMs(row.timeoutMs);
                });
            QCOMPARE(r.status, 5);
            QVERIFY2(r.err.startsWith(QStringLiteral("vq250-load: ") + row.title + '\n'),
                qPrintable(r.err));
            QVERIFY(r.err.endsWith(QStringLiteral("\n\nError Code = ") + row.code + '\n'));
            QVERIFY(r.out.isEmpty() && !r.emulator()->device().slot(11, 1)->complete);
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
            { { "a.wav", "A1", "--volume" }, "Missing value after '--volume'." },
            { { "--emulate", "--trace", "/nonexistent/dir/t.txt", "a.wav", "A1" },
                "will not write the trace to /nonexistent/dir/t.txt: No such file or directory\n" },
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
        const Run missing = run({ "--port", "/nonexistent/ttyVQ9", "a.wav", "A1" });
        QCOMPARE(missing.status, 3);
        QVERIFY(missing.err.startsWith("vq250-load: Cannot open serial port /nonexistent/ttyVQ9: "
                                       "the port does not exist"));
        QVERIFY(missing.err.endsWith(".\n") && missing.err.count('\n') == 1);
    }

    void help()
    {
        const Run help = run({ "--help", "--emulate" });
        QCOMPARE(help.status, 0);
        QVERIFY(
            help.out.startsWith(QStringLiteral("Usage: vq250-load [OPTION]... FILE.wav DEST\n")));
        for (const char *line :
            { "  0  the sound was loaded", "  1  the load was refused", "  2  usage error",
                "  3  the serial port cannot be opened", "  4  the sound file was rejected",
                "  5  the transfer failed", "--port <NAME>", "--emulate", "--volume <N>",
                "--name <TEXT>", "--no-loop", "--trace <FILE>", "--list-ports", "--help" })
            QVERIFY2(help.out.contains(QLatin1String(line)), line);
        const Run ports = run({ "--list-ports" }); // its lines are checked in tst_loaderapp
        QVERIFY(ports.status == 0 && ports.out.endsWith('\n') && ports.err.isEmpty());
    }

    void console()
    {
        QString printed;
        ConsoleMessageBox box([&printed](const QString &text) { printed += text; });
        QCOMPARE(box.show("one\rtwo\r\rError Code = 3", MsgOkExclamation, "Title (X)"), MsgOk);
        QCOMPARE(box.show("Sound File too long.\rcut", MsgOkOnly, "Sound Too Long"), MsgOk);
        QCOMPARE(box.show("Really?", MsgOkCancel, "Question"), MsgOk);
        QCOMPARE(printed,
            QStringLiteral("vq250-load: Title (X)\none\ntwo\n\nError Code = 3\n"
                           "vq250-load: warning: Sound Too Long\nSound File too long.\ncut\n"
                           "vq250-load: Question\nReally?\n"));

        // The bar fits the terminal: it shrinks, then goes, then the message is cut.
        const struct {
            int percent;
            qint64 rate, left;
            int width;
            const char *line;
        } rows[] = { { 0, -1, -1, 80,
                         "Writing Sound to Flash BG# A1 [------------------------------]   0%" },
            { 50, 5712, 12, 80,
                "Writing Sound to Flash BG# A1 [##########-----------]  50%  5712 B/s  0:12 left" },
            { 6, 0, -1, 120,
                "Writing Sound to Flash BG# A1 [#-----------------------------]   6%  0 B/s" },
            { 102, 5760, 3725, 200,
                "Writing Sound to Flash BG# A1 [##############################] 100%  5760 B/s  "
                "1:02:05 left" },
            { 50, 5760, 12, 60, "Writing Sound to Flash BG# A1  50%  5760 B/s  0:12 left" },
            { 50, 5760, 12, 40, "Writing Sound  50%  5760 B/s  0:12 left" },
            { 50, 5760, 12, 10, "  50%  57" } };
        for (const auto &row : rows)
            QCOMPARE(TerminalProgress::line(
                         { "Writing Sound to Flash BG# A1", row.percent, row.rate, row.left },
                         row.width),
                QString::fromLatin1(row.line));

        for (const bool terminal : { false, true }) {
            QString text;
            QTextStream err(&text);
            TerminalProgress progress(err, terminal, [] { return qint64(0); }, {});
            progress.setMessage(QStringLiteral("M"));
            progress.setValue(0);
            progress.setVisible(true);
            progress.refresh();
            progress.printAbove(QStringLiteral("warning\n"));
            progress.setValue(50);
            progress.setVisible(false);
            progress.printAbove(QStringLiteral("after\n"));
            err.flush();
            // Only a terminal gets the bar, and printed lines stay clear of it.
            QCOMPARE(text,
                terminal ? QStringLiteral(
                    "\r\x1b[KM [------------------------------]   0%"
                    "\r\x1b[KM [------------------------------]   0%"
                    "\r\x1b[Kwarning\n\r\x1b[KM [------------------------------]   0%"
                    "\r\x1b[KM [###############---------------]  50%"
                    "\r\x1b[Kafter\n")
                         : QStringLiteral("warning\nafter\n"));
        }
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
        // On the line one byte per 173.612 us, each after the one before.
        QCOMPARE(port.bytesOnWire(), 1);
        clock.advanceTo(1674);
        QCOMPARE(port.bytesOnWire(), 2);
        inner.incoming = QByteArray("\xA0\x05", 2);
        QCOMPARE(port.bytesAvailable(), 2);
        clock.advanceTo(2250);
        QCOMPARE(port.readAll(), QByteArray("\xA0\x05", 2));
        QVERIFY(inner.sent.size() == 3 && inner.sent[0].dtr && !inner.sent[1].dtr
            && !inner.sent[2].dtr);
        QCOMPARE(port.bytesWritten(), 3);
        QCOMPARE(port.bytesRead(), 2);
        QCOMPARE(trace.toText(),
            QStringLiteral("# VQ250 wire trace\n# time_us dir dtr byte note\n0.000 PC>VQ 1 A0\n"
                           "500.000 PC>VQ 0 00\n500.000 PC>VQ 0 11\n1250.000 VQ>PC - A0\n"
                           "1250.000 VQ>PC - 05\n"));
    }

    void openFailures()
    {
        using E = QSerialPort;
        using F = PortOpenFailure;
        const struct {
            QSerialPort::SerialPortError error;
            bool exists, accessible;
            PortOpenFailure failure;
        } rows[] = { { E::NoError, true, true, F::None },
            { E::DeviceNotFoundError, false, false, F::Missing },
            { E::DeviceNotFoundError, true, true, F::Missing },
            { E::OpenError, false, false, F::Missing },
            { E::PermissionError, true, false, F::PermissionDenied },
            { E::PermissionError, true, true, F::Busy }, { E::OpenError, true, true, F::Other } };
        for (const auto &row : rows)
            QCOMPARE(QtSerialPort::classifyOpenFailure(row.error, row.exists, row.accessible),
                row.failure);
        const struct {
            PortOpenFailure failure;
            const char *text;
        } texts[] = { { F::Missing,
                          "Cannot open serial port /dev/ttyUSB3: the port does not exist (why)." },
            { F::PermissionDenied,
                "Cannot open serial port /dev/ttyUSB3: permission denied (why). Serial ports "
                "belong to "
                "the dialout group: add your user to it (sudo usermod -aG dialout $USER) and log "
                "in again." },
            { F::Busy,
                "Cannot open serial port /dev/ttyUSB3: it is in use by another program (why)." },
            { F::Other, "Cannot open serial port /dev/ttyUSB3: why." }, { F::None, "" } };
        for (const auto &row : texts)
            QCOMPARE(QtSerialPort::openFailureText(row.failure, "/dev/ttyUSB3", "why"),
                QString::fromLatin1(row.text));
    }

#ifdef Q_OS_LINUX
    // Through the real serial port layer to the emulated VQ250 on a
    // pseudo-terminal, which has no DTR line: one warning, then on without it.
    void throughAPseudoTerminal()
    {
        PtyDevice device;
        QVERIFY(device.isOpen());
        Rig files;
        const QByteArray samples = noise(1500, 11);
        const QString path = files.wav("Chime.wav", samples);
        const QString trace = files.dir.filePath("wire.txt");
        Run r = run(
            { "--port", device.portName(), "--trace", trace, "--name", "PtyChime", path, "c5" },
            [](LoadProgram &program) { program.setReplyTimeoutMs(2000); });
        QVERIFY2(r.err.startsWith("vq250-load: warning: " + device.portName()
                     + ": the DTR line cannot be set on this device ("),
            qPrintable(r.err));
        QCOMPARE(r.err.count('\n'), 1);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out,
            "Loaded " + path + " into C5: 1500 bytes, name \"PtyChime\", volume 18, looping\n");
        const ExpectedWire wire = expectedWire(samples, "C5", { 18, "PtyChime", true });
        QVERIFY(device.received() == wire.toDevice);
        QVERIFY(tracedToDevice(trace) == markedHex(wire)); // DTR as the loader set it
        const StoredSlot *slot = device.device().slot(12, 5);
        QVERIFY(slot && slot->complete
            && slot->image == expectedHeader(1500, { 18, "PtyChime", true }) + samples);

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

    // A library row by row, stopping at a failure or going on past it.
    void loadsRowByRow()
    {
        const QString sent = Estimate
            + "[1/3] A1 a.wav: loaded, 300 bytes in T s; 1 of 3 sounds, 345 of 9742 bytes, M:SS "
              "elapsed, M:SS left\n"
              "[2/3] A2 b.wav: failed: Serial Checksum Error (CkSmEr), 9000 bytes in T s; 2 of 3 "
              "sounds, 9397 of 9742 bytes, M:SS elapsed, M:SS left\n";
        const QString table
            = "Slot  File   Bytes  Result                                  Seconds\n"
              "A1    a.wav  300    loaded                                  T\n"
              "A2    b.wav  9000   failed: Serial Checksum Error (CkSmEr)  T\n";
        const QByteArray b = "\"A2\",\"DIR/b.wav\",\"\",\"Bell\",\"\"\n";
        const struct {
            bool keepGoing;
            QString out;
            QList<int> stored;
            QByteArray failedRows;
        } rows[] = {
            { false,
                sent + table
                    + "A3    c.wav  300    not sent                                -\n"
                      "Loaded 1 of 3 sounds.\n",
                { 1 }, b + "\"A3\",\"DIR/c.wav\",\"\",\"\",\"\"\n" },
            { true,
                sent
                    + "[3/3] A3 c.wav: loaded, 300 bytes in T s; 3 of 3 sounds, 9742 of 9742 "
                      "bytes, M:SS elapsed, M:SS left\n"
                    + table
                    + "A3    c.wav  300    loaded                                  T\n"
                      "Loaded 2 of 3 sounds.\n",
                { 1, 3 }, b },
        };
        for (const auto &row : rows) {
            ThreeSounds lib;
            const QString failed = lib.folder.dir.filePath("failed.csv");
            QStringList args { "--emulate", "--library", lib.library, "--failed-to", failed };
            if (row.keepGoing)
                args << "--keep-going";
            const Run r = run(args, [](LoadProgram &program) {
                EmulatorOptions options;
                options.faults = { DeviceFault::errorReply(2, 0, CkSmEr) };
                program.setEmulatorOptions(options);
            });

            QCOMPARE(r.status, 5);
            QCOMPARE(withoutTimes(r.out, lib.folder.dir.path()), row.out);
            for (int bg = 1; bg <= 3; ++bg) {
                const StoredSlot *slot = r.emulator()->device().slot(10, quint8(bg));
                QCOMPARE(slot && slot->complete, row.stored.contains(bg));
            }
            QCOMPARE(readBytes(failed).replace(lib.folder.dir.path().toUtf8(), "DIR"),
                "destination,file,volume,name,loop\n" + row.failedRows);
            // The failed rows make a library of their own: it checks, and the rerun loads them.
            const Run rerun = run({ "--emulate", "--library", failed });
            QCOMPARE(rerun.status, 0);
            const int left = 3 - int(row.stored.size());
            QCOMPARE(rerun.emulator()->device().completedTransfers(), left);
            QVERIFY(rerun.out.endsWith(QString("Loaded %1 of %1 sounds.\n").arg(left)));
        }
    }

    void checksBeforeSending()
    {
        ThreeSounds lib;
        lib.folder.file("lib.csv", "destination,file\nA1,a.wav\nG2,b.wav\nA1,c.wav\nA4,none.wav\n");

        const Run r = run({ "--emulate", "--library", lib.library });
        QCOMPARE(r.status, 1);
        QCOMPARE(QString(r.err).replace(lib.folder.dir.path(), "DIR"),
            "DIR/lib.csv:3\tG2\tb.wav\trefused\tNeed Valid Station Letter\n"
            "DIR/lib.csv:4\tA1\tc.wav\trefused\tsame slot as row 2\n"
            "DIR/lib.csv:5\tA4\tnone.wav\tfailed\tfile not found\n"
            "vq250-load: 3 problem(s) in DIR/lib.csv; nothing was sent\n");
        QCOMPARE(r.out, QString());
        QVERIFY(!r.emulator()); // no port was opened

        ThreeSounds good;
        const Run dry = run({ "--emulate", "--dry-run", "--library", good.library });
        QCOMPARE(dry.status, 0);
        QCOMPARE(QString(dry.out).replace(good.folder.dir.path(), "DIR"), Estimate);
        QVERIFY(!dry.emulator());
    }

    // The trace and the failed rows on one new file: refused before anything is sent.
    void outputsNeverOverlap()
    {
        ThreeSounds lib;
        const QString both = lib.folder.dir.filePath("out.txt");
        const Run r
            = run({ "--emulate", "--library", lib.library, "--trace", both, "--failed-to", both });
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.endsWith(QStringLiteral("vq250-load: will not write the failed rows to %1: "
                                               "it is %1, an input of this run\n")
                                    .arg(both)),
            qPrintable(r.err));
        QVERIFY(!r.emulator() && !QFile::exists(both));
    }

    // SIGINT in the middle of the second sound: that sound is abandoned, the
    // third never sent, the summary, trace and failed rows still written.
    void ctrlCStopsCleanly()
    {
        ThreeSounds lib;
        const QString trace = lib.folder.dir.filePath("wire.txt");
        loadcli::StopSignals stops;
        QVERIFY(stops.installed());
        QTimer watch;
        const Run r = run({ "--emulate", "--library", lib.library, "--trace", trace, "--failed-to",
                              lib.folder.dir.filePath("failed.csv") },
            [&watch, &stops](LoadProgram &program) {
                program.setStopSignals(&stops);
                QObject::connect(&watch, &QTimer::timeout, [&program] {
                    const EmulatedPort *port = program.emulator();
                    if (port && port->device().completedTransfers() == 1
                        && port->bytesToDevice() > 2000)
                        ::raise(SIGINT);
                });
                watch.start(5);
            });

        QCOMPARE(r.status, 130);
        QVERIFY2(r.err.endsWith("vq250-load: interrupted\n"), qPrintable(r.err));
        QVERIFY(withoutTimes(r.out, lib.folder.dir.path())
                    .endsWith("A1    a.wav  300    loaded       T\n"
                              "A2    b.wav  9000   interrupted  T\n"
                              "A3    c.wav  300    not sent     -\n"
                              "Loaded 1 of 3 sounds.\n"));
        QCOMPARE(int(readBytes(trace).count(" PC>VQ ")), int(r.emulator()->bytesToDevice()));
        QCOMPARE(
            parseLibrary(readBytes(lib.folder.dir.filePath("failed.csv")), "/").rows.size(), 2);
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
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 143);
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()), "vq250-load: interrupted\n");
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(
            out.contains(QRegularExpression("\nA1    long.wav  131056  (interrupted|not sent) ")),
            qPrintable(out));
        QVERIFY(out.endsWith("Loaded 0 of 1 sounds.\n"));
    }
};

QTEST_GUILESS_MAIN(TestLoadCli)
#include "tst_loadcli.moc"
