#include "support/ChildProcess.h"
#include "support/WavBuilder.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace vq250::fakes;

namespace
{

QByteArray soundFile(int declared, int present)
{
    return WavBuilder().fmt().chunk("data", quint32(declared), sampleBytes(present)).build();
}

} // namespace

class TestVq250Check : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void lines_data();
    void lines();

private:
    QTemporaryDir m_dir;
};

void TestVq250Check::initTestCase()
{
    QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path()));
    qputenv("LC_ALL", "C.UTF-8"); // a point in seconds
    FmtFields stereo;
    stereo.channels = 2;
    QVERIFY(writeFile(m_dir.filePath("Doorbell.wav"), WavBuilder::pcm8(sampleBytes(4000))));
    QVERIFY(writeFile(m_dir.filePath("Announcement2.wav"), soundFile(300000, 300000)));
    QVERIFY(writeFile(m_dir.filePath("cut.wav"), soundFile(1000, 300)));
    QVERIFY(writeFile(m_dir.filePath("rifx.wav"), WavBuilder().riffTag("RIFX").build()));
    QVERIFY(writeFile(m_dir.filePath("stereo.wav"), WavBuilder().fmt(stereo).data({}).build()));
    QVERIFY(writeFile(
        m_dir.filePath("huge.wav"), WavBuilder().fmt().chunk("data", 0x80000000, {}).build()));
    QVERIFY(writeFile(m_dir.filePath("-dash.wav"), WavBuilder::pcm8({})));
    QVERIFY(writeFile(m_dir.filePath("ok.csv"), "destination,file\nB8,Doorbell.wav\n"));
    QVERIFY(
        writeFile(m_dir.filePath("twice.csv"), "destination,file\nA1,Doorbell.wav\nA1,cut.wav\n"));
}

void TestVq250Check::lines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("accepted")
        << QStringList { "Doorbell.wav" }
        << QStringList { "Doorbell.wav\tok\t44\t4000\t4000\t0.5 Sec.\tDoorbell" } << 0;
    QTest::newRow("too long") << QStringList { "Announcement2.wav" }
                              << QStringList { "Announcement2.wav\tok\t44\t300000\t131056\t16.382 "
                                               "Sec.\tAnnounceme\ttoo-long" }
                              << 0;
    QTest::newRow("cut short") << QStringList { "cut.wav" }
                               << QStringList { "cut.wav\tok\t44\t1000\t300\t0.0375 Sec.\tcut" }
                               << 0;
    QTest::newRow("rejected")
        << QStringList { "rifx.wav", "stereo.wav" }
        << QStringList { "rifx.wav\trejected\tF0\tUnknown File Type (UnknownFileTypeEr)",
               "stereo.wav\trejected\tF2\tWrong Sound File Codec (WrongCodecEr)" }
        << 1;
    QTest::newRow("failed") << QStringList { "missing.wav", "huge.wav" }
                            << QStringList { "missing.wav\tfailed\tfile not found",
                                   "huge.wav\tfailed\tsize field overflow" }
                            << 1;
    QTest::newRow("one bad among good")
        << QStringList { "Doorbell.wav", "rifx.wav", "cut.wav" }
        << QStringList { "Doorbell.wav\tok\t44\t4000\t4000\t0.5 Sec.\tDoorbell",
               "rifx.wav\trejected\tF0\tUnknown File Type (UnknownFileTypeEr)",
               "cut.wav\tok\t44\t1000\t300\t0.0375 Sec.\tcut" }
        << 1;
    QTest::newRow("library")
        << QStringList { "--library", "ok.csv" }
        << QStringList { "ok.csv:2\tB8\tDoorbell.wav\tok\t4000\t0.5 Sec.\tDoorbell\t18\tloop",
               "ok.csv: 1 sound(s), 4045 bytes to send: at least 0:01 on the line" }
        << 0;
    QTest::newRow("library with a slot twice")
        << QStringList { "--library", "twice.csv" }
        << QStringList { "twice.csv:2\tA1\tDoorbell.wav\tok\t4000\t0.5 Sec.\tDoorbell\t18\tloop",
               "twice.csv:3\tA1\tcut.wav\trefused\tsame slot as row 2", "twice.csv: 1 problem(s)" }
        << 1;
    QTest::newRow("file after --") << QStringList { "--", "-dash.wav" }
                                   << QStringList { "-dash.wav\tok\t44\t0\t0\t0 Sec.\t-dash" } << 0;
}

void TestVq250Check::lines()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, lines);
    QFETCH(int, exitCode);

    QList<QByteArray> arguments;
    for (const QString &arg : args)
        arguments << arg.toUtf8();
    const ChildRun run = runChild(VQ250_CHECK_PATH, arguments, 10000);
    QCOMPARE(QString::fromUtf8(run.out), lines.join('\n') + '\n');
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, exitCode);
}

QTEST_APPLESS_MAIN(TestVq250Check)
#include "tst_vq250check.moc"
