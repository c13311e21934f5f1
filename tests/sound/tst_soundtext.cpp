#include "sound/SoundText.h"

#include <QLocale>
#include <QtTest>

using namespace vq250;

class TestSoundText : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void soundNameFromPath_data();
    void soundNameFromPath();
    void soundSeconds_data();
    void soundSeconds();
    void secondsText_data();
    void secondsText();
};

void TestSoundText::soundNameFromPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");

    QTest::newRow("Windows path") << "C:\\Sounds\\Doorbell.wav"
                                  << "Doorbell";
    QTest::newRow("Linux path") << "/home/op/sounds/Doorbell.wav"
                                << "Doorbell";
    QTest::newRow("Qt path on Windows") << "C:/Sounds/Doorbell.wav"
                                        << "Doorbell";
    QTest::newRow("mixed separators") << "C:\\Sounds/sub\\Chime.wav"
                                      << "Chime";
    QTest::newRow("cut to 10") << "C:\\Sounds\\Announcement2.wav"
                               << "Announceme";
    QTest::newRow("cut to 10, Linux") << "/snd/Announcement2.wav"
                                      << "Announceme";
    QTest::newRow("exactly 10") << "/snd/ExactlyTen.wav"
                                << "ExactlyTen";
    QTest::newRow("first point") << "C:\\Sounds\\door.bell.wav"
                                 << "door";
    QTest::newRow("point in a folder") << "/home/op.d/bell.wav"
                                       << "bell";
    QTest::newRow("leading point") << "C:\\Sounds\\.wav"
                                   << "";
    QTest::newRow("no folder") << "Doorbell.wav"
                               << "Doorbell";
    QTest::newRow("no extension") << "/snd/Doorbell"
                                  << "Doorbell";
    QTest::newRow("empty") << ""
                           << "";
}

void TestSoundText::soundNameFromPath()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(SoundNameFromPath(path), name);
}

void TestSoundText::soundSeconds_data()
{
    QTest::addColumn<qint32>("bytes");
    QTest::addColumn<qint64>("tenThousandths");

    QTest::newRow("0") << 0 << qint64(0);
    QTest::newRow("1") << 1 << qint64(1); // 1.25
    QTest::newRow("2 tie down") << 2 << qint64(2); // 2.5
    QTest::newRow("3") << 3 << qint64(4); // 3.75
    QTest::newRow("6 tie up") << 6 << qint64(8); // 7.5
    QTest::newRow("10 tie down") << 10 << qint64(12);
    QTest::newRow("4000") << 4000 << qint64(5000);
    QTest::newRow("8000") << 8000 << qint64(10000);
    QTest::newRow("65519") << 65519 << qint64(81899);
    QTest::newRow("131056") << 131056 << qint64(163820);
    QTest::newRow("262128") << 262128 << qint64(327660);
    QTest::newRow("largest") << 2147483647 << qint64(2684354559);
}

void TestSoundText::soundSeconds()
{
    QFETCH(qint32, bytes);
    QFETCH(qint64, tenThousandths);
    QCOMPARE(SoundSeconds(bytes), tenThousandths);
}

void TestSoundText::secondsText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<qint32>("bytes");
    QTest::addColumn<QString>("text");

    const auto rows = [](const char *locale, const char *point) {
        const auto row = [&](qint32 bytes, const QString &text) {
            QTest::addRow("%s %d", locale, bytes) << QString::fromLatin1(locale) << bytes << text;
        };
        const QString p = QString::fromLatin1(point);
        row(131056, "16" + p + "382 Sec.");
        row(65519, "8" + p + "1899 Sec.");
        row(8000, "1 Sec.");
        row(4000, "0" + p + "5 Sec.");
        row(0, "0 Sec.");
        row(2, "0" + p + "0002 Sec.");
        row(800, "0" + p + "1 Sec.");
        row(80000, "10 Sec.");
        row(2147483647, "268435" + p + "4559 Sec."); // no group separator
    };
    rows("C", ".");
    rows("en_US", ".");
    rows("de_DE", ",");
    rows("fr_FR", ",");
}

void TestSoundText::secondsText()
{
    QFETCH(QString, locale);
    QFETCH(qint32, bytes);
    QFETCH(QString, text);
    QLocale::setDefault(QLocale(locale));
    QCOMPARE(vq250::secondsText(bytes), text);
}

QTEST_APPLESS_MAIN(TestSoundText)
#include "tst_soundtext.moc"
