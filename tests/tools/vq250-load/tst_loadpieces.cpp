#include "fakes/Fakes.h"
#include "link/emulator/WireTrace.h"
#include "platform/QtSerialPort.h"
#include "platform/VirtualEventLoop.h"
#include "vq250-load/ConsolePlatform.h"
#include "vq250-load/LoadOptions.h"
#include "vq250-load/TerminalProgress.h"
#include "vq250-load/TracingSerialPort.h"

#include <QtTest>

using namespace vq250;
using namespace vq250::loadcli;

Q_DECLARE_METATYPE(QSerialPort::SerialPortError)
Q_DECLARE_METATYPE(vq250::PortOpenFailure)

// The parts of vq250-load one at a time: options, the console's boxes and
// progress bar, the tracing port, and how the serial port explains a
// failed open.
class TestLoadPieces : public QObject
{
    Q_OBJECT

private slots:
    void optionsReachTheLoad();
    void boxTextTurnsCarriageReturnsIntoLines();
    void boxPrintsAndAnswersOk();
    void progressLine_data();
    void progressLine();
    void progressDrawsOnlyOnATerminal();
    void progressKeepsPrintedLinesClear();
    void tracingPortRecordsBothWays();
    void openFailureClassified_data();
    void openFailureClassified();
    void openFailureTexts_data();
    void openFailureTexts();
};

void TestLoadPieces::optionsReachTheLoad()
{
    const ParsedOptions parsed = parseLoadOptions({ "vq250-load", "--port", "/dev/ttyUSB0",
        "--volume", "-3", "--name", "", "--no-loop", "--trace", "t.txt", "snd.wav", "b7" });
    QCOMPARE(parsed.error, QString());
    const LoadOptions &o = parsed.options;
    QCOMPARE(o.action, LoadOptions::Action::Load);
    QCOMPARE(o.port, QStringLiteral("/dev/ttyUSB0"));
    QVERIFY(!o.emulate);
    QCOMPARE(o.volume, std::optional<QString>(QStringLiteral("-3")));
    QCOMPARE(o.name, std::optional<QString>(QString()));
    QVERIFY(o.noLoop);
    QCOMPARE(o.tracePath, QStringLiteral("t.txt"));
    QCOMPARE(o.soundFile, QStringLiteral("snd.wav"));
    QCOMPARE(o.destination, QStringLiteral("b7"));

    const ParsedOptions plain = parseLoadOptions({ "vq250-load", "snd.wav", "A1" });
    QCOMPARE(plain.error, QString());
    QCOMPARE(plain.options.port, QString()); // port 1, as the window
    QVERIFY(!plain.options.volume && !plain.options.name && !plain.options.noLoop);

    QCOMPARE(parseLoadOptions({ "vq250-load", "--list-ports" }).options.action,
        LoadOptions::Action::ListPorts);
}

void TestLoadPieces::boxTextTurnsCarriageReturnsIntoLines()
{
    const QString prompt = QStringLiteral("one\rtwo\r\rError Code = 3");
    QCOMPARE(ConsoleMessageBox::text(prompt, QStringLiteral("Title (X)"), false),
        QStringLiteral("vq250-load: Title (X)\none\ntwo\n\nError Code = 3\n"));
    QCOMPARE(ConsoleMessageBox::text(QStringLiteral("a"), QStringLiteral("T"), true),
        QStringLiteral("vq250-load: warning: T\na\n"));
}

void TestLoadPieces::boxPrintsAndAnswersOk()
{
    QString printed;
    ConsoleMessageBox box([&printed](const QString &text) { printed += text; });

    QCOMPARE(box.show(QStringLiteral("Sound File too long.\rcut"), MsgOkOnly,
                 QStringLiteral("Sound Too Long")),
        MsgOk);
    QCOMPARE(box.show(QStringLiteral("Really?"), MsgOkCancel, QStringLiteral("Question")), MsgOk);

    QCOMPARE(printed,
        QStringLiteral("vq250-load: warning: Sound Too Long\nSound File too long.\ncut\n"
                       "vq250-load: Question\nReally?\n"));
    QCOMPARE(box.shown().size(), 2);
    QCOMPARE(box.shown()[1].title, QStringLiteral("Question"));
    QCOMPARE(box.shown()[1].style, int(MsgOkCancel));
}

void TestLoadPieces::progressLine_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<qint64>("rate");
    QTest::addColumn<QString>("line");

    QTest::newRow("start, no rate yet")
        << 0 << qint64(-1) << "Msg [------------------------------]   0%";
    QTest::newRow("half") << 50 << qint64(5712)
                          << "Msg [###############---------------]  50%  5712 B/s";
    QTest::newRow("a step short of a cell")
        << 6 << qint64(0) << "Msg [#-----------------------------]   6%  0 B/s";
    QTest::newRow("full") << 100 << qint64(5760)
                          << "Msg [##############################] 100%  5760 B/s";
    QTest::newRow("beyond full is full")
        << 102 << qint64(-1) << "Msg [##############################] 100%";
}

void TestLoadPieces::progressLine()
{
    QFETCH(int, percent);
    QFETCH(qint64, rate);
    QFETCH(QString, line);
    QCOMPARE(TerminalProgress::line(QStringLiteral("Msg"), percent, rate), line);
}

void TestLoadPieces::progressDrawsOnlyOnATerminal()
{
    qint64 sent = 0;
    for (const bool terminal : { false, true }) {
        QString text;
        QTextStream err(&text);
        TerminalProgress progress(err, terminal, [&sent] { return sent; });
        progress.setMessage(QStringLiteral("Writing Sound to Flash BG# A1"));
        progress.setValue(0);
        progress.setVisible(true);
        progress.refresh();
        sent += 100;
        progress.setValue(50);
        progress.setVisible(false);
        err.flush();
        if (!terminal) {
            QCOMPARE(text, QString());
            continue;
        }
        QVERIFY(text.startsWith(QStringLiteral("\r\x1b[KWriting Sound to Flash BG# A1 [")));
        QVERIFY(text.contains(QStringLiteral("]  50%")));
        QVERIFY(text.endsWith(QStringLiteral("\r\x1b[K"))); // the bar is gone at the end
        QVERIFY(!text.contains(QLatin1Char('\n')));
    }
}

void TestLoadPieces::progressKeepsPrintedLinesClear()
{
    QString text;
    QTextStream err(&text);
    TerminalProgress progress(err, true, {});
    progress.setMessage(QStringLiteral("M"));
    progress.setVisible(true);
    text.clear();
    progress.printAbove(QStringLiteral("warning\n"));
    err.flush();
    QCOMPARE(
        text, QStringLiteral("\r\x1b[Kwarning\n\r\x1b[K") + TerminalProgress::line("M", 0, -1));

    text.clear();
    progress.setVisible(false);
    progress.printAbove(QStringLiteral("after\n"));
    err.flush();
    QCOMPARE(text, QStringLiteral("\r\x1b[Kafter\n"));
}

void TestLoadPieces::tracingPortRecordsBothWays()
{
    VirtualEventLoop clock;
    clock.advanceTo(1000);
    fakes::FakeSerialPort inner;
    WireTrace trace;
    TracingSerialPort port(inner, clock, &trace);

    port.setDtr(true);
    port.write(QByteArray("\xA0", 1));
    clock.advanceTo(1500);
    port.setDtr(false);
    port.write(QByteArray("\x00\x11", 2));
    inner.incoming = QByteArray("\xA0\x05", 2);
    QCOMPARE(port.bytesAvailable(), 2);
    clock.advanceTo(2250);
    QCOMPARE(port.readAll(), QByteArray("\xA0\x05", 2));

    // What reached the port underneath, DTR included.
    QCOMPARE(inner.sent.size(), 3);
    QVERIFY(inner.sent[0].dtr && !inner.sent[1].dtr && !inner.sent[2].dtr);
    QCOMPARE(port.bytesWritten(), qint64(3));
    QCOMPARE(port.bytesRead(), qint64(2));

    QCOMPARE(trace.toText(),
        QStringLiteral("# VQ250 wire trace\n# time_us dir dtr byte note\n"
                       "0.000 PC>VQ 1 A0\n"
                       "500.000 PC>VQ 0 00\n"
                       "500.000 PC>VQ 0 11\n"
                       "1250.000 VQ>PC - A0\n"
                       "1250.000 VQ>PC - 05\n"));

    // Without a trace it only counts.
    TracingSerialPort counting(inner, clock);
    counting.write(QByteArray(4, 'x'));
    QCOMPARE(counting.bytesWritten(), qint64(4));
}

void TestLoadPieces::openFailureClassified_data()
{
    QTest::addColumn<QSerialPort::SerialPortError>("error");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("accessible");
    QTest::addColumn<PortOpenFailure>("failure");

    QTest::newRow("opened") << QSerialPort::NoError << true << true << PortOpenFailure::None;
    QTest::newRow("not found") << QSerialPort::DeviceNotFoundError << false << false
                               << PortOpenFailure::Missing;
    QTest::newRow("vanished after the check")
        << QSerialPort::DeviceNotFoundError << true << true << PortOpenFailure::Missing;
    QTest::newRow("no device file")
        << QSerialPort::OpenError << false << false << PortOpenFailure::Missing;
    QTest::newRow("not ours to use")
        << QSerialPort::PermissionError << true << false << PortOpenFailure::PermissionDenied;
    QTest::newRow("held by another program")
        << QSerialPort::PermissionError << true << true << PortOpenFailure::Busy;
    QTest::newRow("anything else")
        << QSerialPort::OpenError << true << true << PortOpenFailure::Other;
}

void TestLoadPieces::openFailureClassified()
{
    QFETCH(QSerialPort::SerialPortError, error);
    QFETCH(bool, exists);
    QFETCH(bool, accessible);
    QFETCH(PortOpenFailure, failure);
    QCOMPARE(QtSerialPort::classifyOpenFailure(error, exists, accessible), failure);
}

void TestLoadPieces::openFailureTexts_data()
{
    QTest::addColumn<PortOpenFailure>("failure");
    QTest::addColumn<QString>("text");

    QTest::newRow("missing")
        << PortOpenFailure::Missing
        << "Cannot open serial port /dev/ttyUSB3: the port does not exist (why).";
    QTest::newRow("permission")
        << PortOpenFailure::PermissionDenied
        << "Cannot open serial port /dev/ttyUSB3: permission denied (why). Serial ports belong to "
           "the dialout group: add your user to it (sudo usermod -aG dialout $USER) and log in "
           "again.";
    QTest::newRow("busy") << PortOpenFailure::Busy
                          << "Cannot open serial port /dev/ttyUSB3: it is in use by another "
                             "program (why).";
    QTest::newRow("other") << PortOpenFailure::Other
                           << "Cannot open serial port /dev/ttyUSB3: why.";
    QTest::newRow("none") << PortOpenFailure::None << "";
}

void TestLoadPieces::openFailureTexts()
{
    QFETCH(PortOpenFailure, failure);
    QFETCH(QString, text);
#ifndef Q_OS_LINUX
    text.remove(QRegularExpression(QStringLiteral(" Serial ports belong.*$")));
#endif
    QCOMPARE(QtSerialPort::openFailureText(
                 failure, QStringLiteral("/dev/ttyUSB3"), QStringLiteral("why")),
        text);
}

QTEST_GUILESS_MAIN(TestLoadPieces)
#include "tst_loadpieces.moc"
