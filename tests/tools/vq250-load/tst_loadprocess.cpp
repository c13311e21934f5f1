#include "LoadCliRig.h"

#include <QProcess>
#include <QtTest>

using namespace vq250::test;

namespace
{

struct Finished {
    int status = -1;
    QString out;
    QString err;
};

Finished runBinary(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(VQ250_LOAD_EXE), arguments);
    Finished finished;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return finished;
    finished.status = process.exitCode();
    finished.out = QString::fromUtf8(process.readAllStandardOutput());
    finished.err = QString::fromUtf8(process.readAllStandardError());
    return finished;
}

} // namespace

// The vq250-load binary itself, as a shell runs it.
class TestLoadProcess : public QObject
{
    Q_OBJECT

private slots:
    void helpExitsZero();
    void loadsIntoTheEmulator();
    void refusalExitsOne();
    void missingPortExitsThree();
};

void TestLoadProcess::helpExitsZero()
{
    const Finished run = runBinary({ "--help" });
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.startsWith(QStringLiteral("Usage: vq250-load ")));
    QVERIFY(run.out.contains(QStringLiteral("Exit status:\n  0  the sound was loaded\n")));
    QCOMPARE(run.err, QString());
}

void TestLoadProcess::loadsIntoTheEmulator()
{
    SoundFolder folder;
    const QString path = folder.wav(QStringLiteral("Horn.wav"), noise(600, 13));

    const Finished run = runBinary({ "--emulate", path, "D2" });

    QCOMPARE(run.status, 0);
    QCOMPARE(run.out,
        QStringLiteral("Loaded ") + path
            + QStringLiteral(" into D2 of the emulated VQ250: 600 bytes, name \"Horn\", volume 18, "
                             "looping\n"));
    QCOMPARE(run.err, QString()); // no progress bar: standard error is a pipe here
}

void TestLoadProcess::refusalExitsOne()
{
    SoundFolder folder;
    const QString path = folder.wav(QStringLiteral("s.wav"), noise(10, 14));

    const Finished run = runBinary({ "--emulate", "--name", "NameOfEleven", path, "A1" });

    QCOMPARE(run.status, 1);
    QCOMPARE(run.err,
        QStringLiteral("vq250-load: Sound Name Too Long\n"
                       "Sound Name too long.\n"
                       "Sound Name is Limited to 10 Characters in VQ250.\n"
                       "Enter name of 10 or less characters.\n"));
}

void TestLoadProcess::missingPortExitsThree()
{
    const Finished run = runBinary({ "--port", "/nonexistent/ttyVQ7", "any.wav", "A1" });
    QCOMPARE(run.status, 3);
    QVERIFY2(run.err.startsWith(
                 QStringLiteral("vq250-load: Cannot open serial port /nonexistent/ttyVQ7: ")),
        qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestLoadProcess)
#include "tst_loadprocess.moc"
