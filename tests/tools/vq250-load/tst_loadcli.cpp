#include "LoadCliRig.h"
#include "WireExpectation.h"

#include "load/LoadCommand.h"
#include "vq250-load/LoadOptions.h"

#include <QFile>
#include <QtTest>

using namespace vq250;
using namespace vq250::test;
using loadcli::ExitStatus;

Q_DECLARE_METATYPE(vq250::DeviceFault)

namespace
{

QString refusalText(const LoadRefusal &refusal)
{
    return QStringLiteral("vq250-load: ") + refusal.title + QLatin1Char('\n')
        + refusal.lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

// vq250-load run in this process against the emulated VQ250 in real time.
class TestLoadCli : public QObject
{
    Q_OBJECT

private slots:
    void storesTheSound_data();
    void storesTheSound();
    void refusals_data();
    void refusals();
    void tooLongSoundIsOnlyAWarning();
    void rejectedFiles_data();
    void rejectedFiles();
    void transferFailures_data();
    void transferFailures();
    void traceHoldsTheTransfer();
    void traceOfARefusedLoadIsEmpty();
    void missingPortNamesIt();
    void usageErrors_data();
    void usageErrors();
    void helpListsTheExitStatuses();
    void listsPorts();
};

void TestLoadCli::storesTheSound_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("dest");
    QTest::addColumn<int>("station");
    QTest::addColumn<int>("bg");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("volume");
    QTest::addColumn<bool>("loop");
    QTest::addColumn<QString>("said");

    QTest::newRow("open command's defaults")
        << 700 << "Doorbell.wav" << QStringList() << "a1" << 10 << 1 << "Doorbell" << 18 << true
        << "into A1 of the emulated VQ250: 700 bytes, name \"Doorbell\", volume 18, looping";
    QTest::newRow("proposed name cut to ten")
        << 300 << "Announcement2.wav" << QStringList() << "B2" << 11 << 2 << "Announceme" << 18
        << true
        << "into B2 of the emulated VQ250: 300 bytes, name \"Announceme\", volume 18, looping";
    QTest::newRow("entries overridden")
        << 500 << "x.wav" << QStringList { "--volume", "0", "--name", "Bell", "--no-loop" } << "F8"
        << 15 << 8 << "Bell" << 0 << false
        << "into F8 of the emulated VQ250: 500 bytes, name \"Bell\", volume 0, not looping";
    QTest::newRow("empty sound and name")
        << 0 << "Silence.wav" << QStringList { "--name", "" } << "C3" << 12 << 3 << "" << 18 << true
        << "into C3 of the emulated VQ250: 0 bytes, name \"\", volume 18, looping";
    QTest::newRow("volume as the window reads it")
        << 200 << "v.wav" << QStringList { "--volume", " 255 " } << "e7xyz" << 14 << 7 << "v" << 255
        << true << "into E7 of the emulated VQ250: 200 bytes, name \"v\", volume 255, looping";
}

void TestLoadCli::storesTheSound()
{
    QFETCH(int, samples);
    QFETCH(QString, fileName);
    QFETCH(QStringList, options);
    QFETCH(QString, dest);
    QFETCH(int, station);
    QFETCH(int, bg);
    QFETCH(QString, name);
    QFETCH(int, volume);
    QFETCH(bool, loop);
    QFETCH(QString, said);

    SoundFolder folder;
    const QByteArray sound = noise(samples, quint32(samples + bg));
    const QString path = folder.wav(fileName, sound);

    const LoadCliRun run
        = runLoad(QStringList { "--emulate" } + options + QStringList { path, dest });

    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, int(loadcli::ExitLoaded));
    QCOMPARE(
        run.out, QStringLiteral("Loaded ") + path + QLatin1Char(' ') + said + QLatin1Char('\n'));
    QVERIFY(run.emulator());
    const StoredSlot *slot = run.emulator()->device().slot(quint8(station), quint8(bg));
    QVERIFY(slot);
    QVERIFY(slot->complete);
    QCOMPARE(slot->sound(), sound);
    QCOMPARE(slot->header, expectedHeader(quint8(volume), name.toLatin1(), samples, loop));
    QCOMPARE(run.emulator()->device().completedTransfers(), 1);
}

void TestLoadCli::refusals_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("dest");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expected");

    QTest::newRow("station G") << 100 << QStringList() << "G1"
                               << "Need Valid Station Letter" << refusalText(stationRefusal());
    QTest::newRow("empty destination")
        << 100 << QStringList() << ""
        << "Need Valid Station Letter" << refusalText(stationRefusal());
    QTest::newRow("BG 9") << 100 << QStringList() << "A9"
                          << "Need Valid BG Number" << refusalText(bgNumberRefusal());
    QTest::newRow("too long for BG#8")
        << 65520 << QStringList() << "A8"
        << "Too Long for BG#8" << refusalText(tooLongForBg8Refusal());
    QTest::newRow("volume 256") << 100 << QStringList { "--volume", "256" } << "A1"
                                << "Default Volume Out of Range" << refusalText(volumeRefusal());
    QTest::newRow("volume -1") << 100 << QStringList { "--volume", "-1" } << "A1"
                               << "Default Volume Out of Range" << refusalText(volumeRefusal());
    QTest::newRow("volume in words")
        << 100 << QStringList { "--volume", "loud" } << "A1"
        << "Default Volume Out of Range" << refusalText(volumeRefusal());
    QTest::newRow("eleven-character name")
        << 100 << QStringList { "--name", "ElevenChars" } << "A1"
        << "Sound Name Too Long" << refusalText(nameTooLongRefusal());
    // The order of the checks: the station before the volume.
    QTest::newRow("station before volume")
        << 100 << QStringList { "--volume", "999" } << "Z1"
        << "Need Valid Station Letter" << refusalText(stationRefusal());
}

void TestLoadCli::refusals()
{
    QFETCH(int, samples);
    QFETCH(QStringList, options);
    QFETCH(QString, dest);
    QFETCH(QString, title);
    QFETCH(QString, expected);

    SoundFolder folder;
    const QString path = folder.wav(QStringLiteral("s.wav"), noise(samples, 5));

    const LoadCliRun run
        = runLoad(QStringList { "--emulate" } + options + QStringList { path, dest });

    QCOMPARE(run.status, int(loadcli::ExitRefused));
    QVERIFY(run.err.startsWith(QStringLiteral("vq250-load: ") + title + QLatin1Char('\n')));
    QCOMPARE(run.err, expected);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.emulator()->bytesToDevice(), qint64(0));
}

void TestLoadCli::tooLongSoundIsOnlyAWarning()
{
    SoundFolder folder;
    const QString path = folder.wav(QStringLiteral("Long.wav"), noise(131057, 6));

    // Slot 8 refuses it before anything is sent, which keeps the test short.
    const LoadCliRun run = runLoad({ "--emulate", path, "A8" });

    QCOMPARE(run.status, int(loadcli::ExitRefused));
    QCOMPARE(run.err,
        QStringLiteral("vq250-load: warning: Sound Too Long\n"
                       "Sound File too long.\n"
                       "Must be less than 131056 Bytes.\n"
                       "(Approx. 16.3 seconds)\n"
                       "Your File is 131057 Bytes.\n"
                       "Your Sound will be Truncated.\n")
            + refusalText(tooLongForBg8Refusal()));
}

void TestLoadCli::rejectedFiles_data()
{
    using fakes::FmtFields;
    using fakes::WavBuilder;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<QString>("lastLine");

    const QByteArray samples = fakes::sampleBytes(50);
    FmtFields stereo;
    stereo.channels = 2;
    FmtFields cd;
    cd.sampleRate = 44100;

    QTest::newRow("F0 not RIFF") << WavBuilder().riffTag("RIFX").fmt().data(samples).build()
                                 << "vq250-load: Unknown File Type (UnknownFileTypeEr)"
                                 << "Error Code = F0";
    QTest::newRow("F1 not WAVE") << WavBuilder().formType("AVI ").fmt().data(samples).build()
                                 << "vq250-load: Not a .wav file (NotWaveFileEr)"
                                 << "Error Code = F1";
    QTest::newRow("F2 stereo") << WavBuilder().fmt(stereo).data(samples).build()
                               << "vq250-load: Wrong Sound File Codec (WrongCodecEr)"
                               << "Error Code = F2";
    QTest::newRow("F3 44.1 kHz")
        << WavBuilder().fmt(cd).data(samples).build()
        << "vq250-load: Wrong Sound File Sample Format (WrongSampleFormatEr)"
        << "Error Code = F3";
    QTest::newRow("size field overflow")
        << WavBuilder().fmt().chunk("data", 0x80000000u, samples).build()
        << "vq250-load: cannot open the sound file PATH: a size in its header is 2147483648 or more"
        << "";
}

void TestLoadCli::rejectedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, firstLine);
    QFETCH(QString, lastLine);

    SoundFolder folder;
    const QString path = folder.file(QStringLiteral("bad.wav"), bytes);
    firstLine.replace(QStringLiteral("PATH"), path);

    const LoadCliRun run = runLoad({ "--emulate", path, "A1" });

    QCOMPARE(run.status, int(loadcli::ExitSoundRejected));
    QCOMPARE(run.err.section(QLatin1Char('\n'), 0, 0), firstLine);
    if (lastLine.isEmpty())
        QCOMPARE(run.err, firstLine + QLatin1Char('\n'));
    else
        QVERIFY2(run.err.endsWith(QStringLiteral("\n\n") + lastLine + QLatin1Char('\n')),
            qPrintable(run.err));
    QVERIFY(!run.err.contains(QChar(13)));
    QCOMPARE(run.out, QString());
    QCOMPARE(run.emulator()->bytesToDevice(), qint64(0));
}

void TestLoadCli::transferFailures_data()
{
    QTest::addColumn<DeviceFault>("fault");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("codeLine");

    QTest::newRow("flash write error") << DeviceFault::errorReply(1, DeviceFault::Checksum, 19)
                                       << 2000 << "Flash Memory Write Error (FlshSvEr)"
                                       << "Error Code = 13";
    QTest::newRow("busy instead of a request")
        << DeviceFault::replaceAnswer(0, 0xFF) << 2000 << "VQ250 is Busy (VQbusyEr)"
        << "Error Code = FF";
    QTest::newRow("early completion byte")
        << DeviceFault::replaceAnswer(0, 0x73) << 2000 << "Unrecognized Error Code"
        << "Error Code = 73";
    QTest::newRow("device goes silent")
        << DeviceFault::goSilent(1, 0) << 300 << "PC to VQ250 Serial Comm Error (PCcommEr)"
        << "Error Code = E0";
}

void TestLoadCli::transferFailures()
{
    QFETCH(DeviceFault, fault);
    QFETCH(int, timeoutMs);
    QFETCH(QString, title);
    QFETCH(QString, codeLine);

    SoundFolder folder;
    const QString path = folder.wav(QStringLiteral("s.wav"), noise(300, 7));

    const LoadCliRun run = runLoad({ "--emulate", path, "B1" }, [&](loadcli::LoadProgram &program) {
        EmulatorOptions options;
        // With no flash time an answer can share a read with the checksum's
        // echo, where the transfer does not look for a code.
        options.flashWriteNs = loadcli::EmulatorFlashWriteNs;
        options.faults.push_back(fault);
        program.setEmulatorOptions(options);
        program.setReplyTimeoutMs(timeoutMs);
    });

    QCOMPARE(run.status, int(loadcli::ExitTransferFailed));
    QVERIFY2(run.err.startsWith(QStringLiteral("vq250-load: ") + title + QLatin1Char('\n')),
        qPrintable(run.err));
    QVERIFY2(run.err.endsWith(QStringLiteral("\n\n") + codeLine + QLatin1Char('\n')),
        qPrintable(run.err));
    QCOMPARE(run.out, QString());
    const StoredSlot *slot = run.emulator()->device().slot(11, 1);
    QVERIFY(!slot || !slot->complete);
}

void TestLoadCli::traceHoldsTheTransfer()
{
    SoundFolder folder;
    const QByteArray sound = noise(400, 8);
    const QString path = folder.wav(QStringLiteral("Trace.wav"), sound);
    const QString tracePath = folder.path(QStringLiteral("wire.txt"));

    const LoadCliRun run = runLoad(
        { "--emulate", "--trace", tracePath, "--volume", "30", "--name", "Tr", path, "D4" });

    QCOMPARE(run.status, int(loadcli::ExitLoaded));
    const QString text = readText(tracePath);
    QVERIFY(text.startsWith(QStringLiteral("# VQ250 wire trace\n")));
    const ExpectedWire expected
        = expectedTransfer(13, 4, expectedHeader(30, "Tr", 400, true), sound);
    const TracedBytes sent = tracedBytes(text, true);
    QCOMPARE(sent.bytes.size(), expected.toDevice.size());
    QCOMPARE(sent.bytes, expected.toDevice);
    QCOMPARE(sent.dtr, expected.dtr);
    QCOMPARE(tracedBytes(text, false).bytes, expected.fromDevice);
}

void TestLoadCli::traceOfARefusedLoadIsEmpty()
{
    SoundFolder folder;
    const QString path = folder.wav(QStringLiteral("s.wav"), noise(10, 9));
    const QString tracePath = folder.path(QStringLiteral("wire.txt"));
    QVERIFY(fakes::writeFile(tracePath, "left from before\n"));

    const LoadCliRun run = runLoad({ "--emulate", "--trace", tracePath, path, "A0" });

    QCOMPARE(run.status, int(loadcli::ExitRefused));
    QCOMPARE(
        readText(tracePath), QStringLiteral("# VQ250 wire trace\n# time_us dir dtr byte note\n"));
}

void TestLoadCli::missingPortNamesIt()
{
    SoundFolder folder;
    const QString path = folder.wav(QStringLiteral("s.wav"), noise(10, 10));

    const LoadCliRun run = runLoad({ "--port", "/nonexistent/ttyVQ9", path, "A1" });

    QCOMPARE(run.status, int(loadcli::ExitPortFailed));
    QVERIFY2(
        run.err.startsWith(QStringLiteral(
            "vq250-load: Cannot open serial port /nonexistent/ttyVQ9: the port does not exist")),
        qPrintable(run.err));
    QVERIFY(run.err.endsWith(QStringLiteral(".\n")));
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(run.out, QString());
}

void TestLoadCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("nothing") << QStringList() << "expected FILE.wav and DEST, got 0 argument(s)";
    QTest::newRow("no destination")
        << QStringList { "--emulate", "a.wav" } << "expected FILE.wav and DEST, got 1 argument(s)";
    QTest::newRow("three names") << QStringList { "a.wav", "A1", "B2" }
                                 << "expected FILE.wav and DEST, got 3 argument(s)";
    QTest::newRow("port and emulator") << QStringList { "--port", "COM3", "--emulate", "a", "A1" }
                                       << "--port and --emulate exclude each other";
    QTest::newRow("empty port name")
        << QStringList { "--port", "", "a.wav", "A1" } << "--port needs a port name";
    QTest::newRow("unknown option")
        << QStringList { "--bogus", "a.wav", "A1" } << "Unknown option 'bogus'.";
    QTest::newRow("volume without value")
        << QStringList { "a.wav", "A1", "--volume" } << "Missing value after '--volume'.";
    QTest::newRow("trace into no folder")
        << QStringList { "--emulate", "--trace", "/nonexistent/dir/t.txt", "a.wav", "A1" }
        << "cannot write the trace file /nonexistent/dir/t.txt";
}

void TestLoadCli::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    const LoadCliRun run = runLoad(arguments);

    QCOMPARE(run.status, int(loadcli::ExitUsage));
    QVERIFY2(run.err.startsWith(QStringLiteral("vq250-load: ") + message), qPrintable(run.err));
    QCOMPARE(run.out, QString());
    QVERIFY(!run.emulator());
}

void TestLoadCli::helpListsTheExitStatuses()
{
    const LoadCliRun run = runLoad({ "--help", "--emulate" });

    QCOMPARE(run.status, int(loadcli::ExitLoaded));
    QCOMPARE(run.err, QString());
    QCOMPARE(run.out, loadcli::loadUsage());
    QVERIFY(run.out.startsWith(QStringLiteral("Usage: vq250-load [OPTION]... FILE.wav DEST\n")));
    for (const char *line : { "  0  the sound was loaded", "  1  the load was refused",
             "  2  usage error", "  3  the serial port cannot be opened",
             "  4  the sound file was rejected", "  5  the transfer failed" })
        QVERIFY2(run.out.contains(QLatin1String(line)), line);
    for (const char *option : { "--port <NAME>", "--emulate", "--volume <N>", "--name <TEXT>",
             "--no-loop", "--trace <FILE>", "--list-ports", "--help" })
        QVERIFY2(run.out.contains(QLatin1String(option)), option);
}

void TestLoadCli::listsPorts()
{
    const LoadCliRun run = runLoad({ "--list-ports" });

    QCOMPARE(run.status, int(loadcli::ExitLoaded));
    QCOMPARE(run.err, QString());
    QVERIFY(run.out.endsWith(QLatin1Char('\n')));
    const QStringList lines = run.out.trimmed().split(QLatin1Char('\n'));
    if (lines == QStringList { QStringLiteral("No serial ports found.") })
        return;
    // The text of each line is checked with literal ports in tst_loaderapp.
    for (const QString &line : lines)
        QVERIFY2(line.startsWith(QLatin1Char('/')) || line.startsWith(QLatin1String("COM")),
            qPrintable(line));
}

QTEST_GUILESS_MAIN(TestLoadCli)
#include "tst_loadcli.moc"
