#include "LoadCliRig.h"
#include "PtyDevice.h"
#include "WireExpectation.h"

#include "platform/QtSerialPort.h"

#include <QFile>
#include <QtTest>

using namespace vq250;
using namespace vq250::test;

// vq250-load through the real serial port layer (QSerialPort) to a device
// simulator on a pseudo-terminal.
class TestLoadPty : public QObject
{
    Q_OBJECT

private slots:
    void loadsThroughAPseudoTerminal();
    void portHeldByAnotherProgram();
};

void TestLoadPty::loadsThroughAPseudoTerminal()
{
    PtyDevice device;
    QVERIFY(device.ok());
    SoundFolder folder;
    const QByteArray sound = noise(1500, 11);
    const QString path = folder.wav(QStringLiteral("Chime.wav"), sound);
    const QString tracePath = folder.path(QStringLiteral("wire.txt"));

    const LoadCliRun run = runLoad(
        { "--port", device.slaveName(), "--trace", tracePath, "--name", "PtyChime", path, "c5" },
        [](loadcli::LoadProgram &program) { program.setReplyTimeoutMs(2000); });

    // A pseudo-terminal has no DTR line: one warning, then on without it.
    const QString warning = QStringLiteral("vq250-load: warning: ") + device.slaveName()
        + QStringLiteral(": the DTR line cannot be set on this device (");
    QVERIFY2(run.err.startsWith(warning), qPrintable(run.err));
    QCOMPARE(run.err.count(QStringLiteral("DTR")), 2); // both in the one warning
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(run.status, int(loadcli::ExitLoaded));
    QCOMPARE(run.out,
        QStringLiteral("Loaded ") + path
            + QStringLiteral(" into C5: 1500 bytes, name \"PtyChime\", volume 18, looping\n"));

    // The bytes that arrived, exactly those of the transfer.
    const QByteArray header = expectedHeader(18, "PtyChime", 1500, true);
    const ExpectedWire expected = expectedTransfer(12, 5, header, sound);
    QCOMPARE(device.received().size(), expected.toDevice.size());
    QCOMPARE(device.received(), expected.toDevice);
    QCOMPARE(device.badChecksums(), 0);
    QVERIFY(device.complete());
    QCOMPARE(int(device.station()), 12);
    QCOMPARE(int(device.bg()), 5);
    QCOMPARE(device.image(), header + sound);

    // The trace of the real port: what was written, with DTR as the loader
    // set it, and what was read.
    QFile trace(tracePath);
    QVERIFY(trace.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(trace.readAll());
    const TracedBytes sent = tracedBytes(text, true);
    QCOMPARE(sent.bytes, expected.toDevice);
    QCOMPARE(sent.dtr, expected.dtr);
    QCOMPARE(tracedBytes(text, false).bytes, expected.fromDevice);
}

void TestLoadPty::portHeldByAnotherProgram()
{
    PtyDevice device;
    QVERIFY(device.ok());
    QtSerialPort holder(device.slaveName());
    QVERIFY2(holder.open(), qPrintable(holder.errorText()));
    SoundFolder folder;
    const QString path = folder.wav(QStringLiteral("s.wav"), noise(10, 12));

    const LoadCliRun run = runLoad({ "--port", device.slaveName(), path, "A1" });

    QCOMPARE(run.status, int(loadcli::ExitPortFailed));
    QVERIFY2(run.err.startsWith(QStringLiteral("vq250-load: Cannot open serial port ")
                 + device.slaveName() + QStringLiteral(": it is in use by another program (")),
        qPrintable(run.err));
    QCOMPARE(device.received(), QByteArray());
}

QTEST_GUILESS_MAIN(TestLoadPty)
#include "tst_loadpty.moc"
