#include "support/ChildProcess.h"
#include "support/WavBuilder.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace vq250::fakes;

namespace
{

// Started with no display, so --help and the like show they need none;
// `window` gives the offscreen platform.
ChildRun launch(const QString &program, const QByteArrayList &arguments, bool window,
    const QByteArray &stdoutPath = {}, const QByteArray &errUntil = {})
{
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        qunsetenv(name);
    if (window)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return runChild(VQ250_BIN_DIR "/" + program.toUtf8(), arguments, 10000, stdoutPath, errUntil);
}

} // namespace

// The programs' --help, --version, --port and --list-ports, their usage
// errors, and vq250-check's lines, as a shell sees them.
class TestCommandLines : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir; // the current folder, with vq250-check's files

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path()));
        qputenv("LC_ALL", "C.UTF-8"); // a point in seconds
        const struct {
            const char *name;
            QByteArray bytes;
        } files[] = { { "Doorbell.wav", WavBuilder::pcm8(sampleBytes(4000)) },
            { "Announcement2.wav", soundFile(300000, 300000) }, { "cut.wav", soundFile(1000, 300) },
            { "rifx.wav", WavBuilder().riffTag("RIFX").build() },
            { "huge.wav", soundFile(0x80000000, 0) },
            { "ok.csv", "destination,file\nB8,Doorbell.wav\n" },
            { "twice.csv", "destination,file\nA1,Doorbell.wav\nA1,cut.wav\n" } };
        for (const auto &file : files)
            QVERIFY(writeFile(m_dir.filePath(file.name), file.bytes));
    }

    // `out` and `err` (empty unless given) exact; ending in "..." a beginning; null
    // unchecked. A usage error's message (status 2) gains the line that points to --help.
    void answers()
    {
        const QString vq250Help = "Usage: vq250 [--port NAME]\n  or:  vq250 --list-ports\n...";
        const QString none = QString();
        struct Row {
            QString program;
            QByteArrayList arguments;
            int status;
            QString out, err = "";
            bool window = false; // runs with the offscreen platform
            QByteArray stdoutPath = {};
        };
        QList<Row> rows;
        for (const QString p :
            { "vq250", "vq250-demo", "vq250-load", "vq250-check", "vq250-convert", "vq250-soak" })
            rows.append({ p, { "--version" }, 0,
                p + " (VQ250 Loader) 1.5.0\nCopyright (C) 2026 The VQ250 Loader developers.\n" });
        rows += {
            { "vq250", { "-h", "--port", "COM3" }, 0, vq250Help },
            { "vq250", { "--version", "--help" }, 0, vq250Help },
            { "vq250", { "--list-ports" }, 0, none },
            { "vq250", { "--port" }, 2, "", "vq250: Missing value after '--port'." },
            { "vq250", { "--port=" }, 2, "", "vq250: --port needs a port name" },
            { "vq250", { "--baud", "9600" }, 2, "", "vq250: Unknown option 'baud'." },
            { "vq250", { "COM3" }, 2, "", "vq250: unexpected argument \"COM3\"" },
            { "vq250-demo", { "--help" }, 0, "Usage: vq250-demo [--quit-after MS]\nThe VQ250..." },
            { "vq250-demo", { "--port", "COM3" }, 2, "", "vq250-demo: Unknown option 'port'." },
            { "vq250-demo", { "--quit-after", "soon" }, 2, "",
                "vq250-demo: --quit-after needs a number of milliseconds, not \"soon\"" },
            { "vq250-demo", { "--quit-after", "100" }, 0, "", none, true },
            { "vq250-load", { "--list-ports" }, 0, none },
            { "vq250-load", { "--version", "a.wav" }, 0, "vq250-load (VQ250 Loader) 1.5.0..." },
            { "vq250-check", { "--help" }, 0,
                "Usage: vq250-check FILE...\n  or:  vq250-check --library LIBRARY.csv\nChecks..." },
            { "vq250-check", { "--", "--version" }, 1, "--version\tfailed\t..." },
            { "vq250-check", { "Announcement2.wav" }, 0,
                "Announcement2.wav\tok\t44\t300000\t131056\t16.382 Sec.\tAnnounceme\ttoo-long\n" },
            { "vq250-check", { "missing.wav", "huge.wav", "rifx.wav", "cut.wav" }, 1,
                "missing.wav\tfailed\tfile not found\nhuge.wav\tfailed\tsize field overflow\n"
                "rifx.wav\trejected\tF0\tUnknown File Type (UnknownFileTypeEr)\n"
                "cut.wav\tok\t44\t1000\t300\t0.0375 Sec.\tcut\n" },
            { "vq250-check", { "--library", "ok.csv" }, 0,
                "ok.csv:2\tB8\tDoorbell.wav\tok\t4000\t0.5 Sec.\tDoorbell\t18\tloop\n"
                "ok.csv: 1 sound(s), 4045 bytes to send: at least 0:01 on the line\n" },
            { "vq250-check", { "--library", "twice.csv" }, 1,
                "twice.csv:2\tA1\tDoorbell.wav\tok\t4000\t0.5 Sec.\tDoorbell\t18\tloop\n"
                "twice.csv:3\tA1\tcut.wav\trefused\tsame slot as row 2\n"
                "twice.csv: 1 problem(s)\n" },
            { "vq250-check", { "-h", "x.wav" }, 0, "Usage: vq250-check FILE...\n  or:..." },
            { "vq250-check", {}, 2, "", "Usage: vq250-check FILE...\n  or:..." },
            { "vq250-check", { "--bogus", "x.wav" }, 2, "",
                "vq250-check: unknown option --bogus\nUsage: vq250-check FILE...\n..." },
            { "vq250-convert", { "--help" }, 0,
                "Usage: vq250-convert INPUT OUTPUT.wav [--bg8] [--gain DB]\nConverts..." },
            { "vq250-convert", { "--version", "in.flac" }, 0, "vq250-convert (VQ250 Loader)..." },
            { "vq250-soak", { "--help" }, 0,
                "Usage: vq250-soak [--transfers N] [--seed S] [--max-length BYTES]\nLoads..." },
            { "vq250-soak", { "--transfers", "0" }, 2, "",
                "vq250-soak: --transfers needs a number above 0, --seed a whole number, "
                "--max-length 0 to 131056" },
            { "vq250", { "--help" }, 1, none,
                "vq250: cannot write standard output: No space left on device\n", false,
                "/dev/full" },
        };
        const auto matches = [](const QByteArray &bytes, const QString &expected) {
            const QString text = QString::fromUtf8(bytes);
            return expected.isNull() || text == expected
                || (expected.endsWith(QLatin1String("..."))
                    && text.startsWith(expected.chopped(3)));
        };
        for (Row &row : rows) {
            if (row.status == 2 && !row.err.endsWith(QLatin1String("...")))
                row.err
                    += QStringLiteral("\nTry '%1 --help' for more information.\n").arg(row.program);
            const ChildRun run = launch(row.program, row.arguments, row.window, row.stdoutPath);
            const QString said = row.program + ' ' + QString::fromUtf8(row.arguments.join(' '))
                + " said:\n" + QString::fromUtf8(run.out) + "\n---\n" + QString::fromUtf8(run.err);
            QVERIFY2(!run.timedOut && run.status == row.status, qPrintable(said));
            QVERIFY2(matches(run.out, row.out) && matches(run.err, row.err), qPrintable(said));
        }
    }

    // vq250 --port with no such port: the reason, the ports present and the
    // option on standard error too, before the message box that waits for OK.
    void missingPortNamesThePortsPresent()
    {
        const ChildRun run = launch("vq250", { "--port", "/nonexistent/ttyUSB0" }, true, {},
            "\n\nStart the program with the port to use, for example:\n"
            "vq250 --port /dev/ttyUSB0\n");
        // The list between them is checked with literal ports in tst_loaderapp.
        QVERIFY2(run.err.contains("Cannot open serial port /nonexistent/ttyUSB0: the port does "
                                  "not exist (No such file or directory).\n\n"),
            run.err.constData());
        QVERIFY(run.stoppedAtText); // the ending showed; waiting in the box, not crashed
    }
};

QTEST_GUILESS_MAIN(TestCommandLines)
#include "tst_commandlines.moc"
