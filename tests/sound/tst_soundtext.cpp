#include "sound/SoundText.h"

#include <QLocale>
#include <QTest>

using namespace vq250;

class TestSoundText : public QObject
{
    Q_OBJECT

private slots:
    void soundNameFromPath()
    {
        const struct {
            const char *path, *name;
        } rows[] = { { "C:\\Sounds\\Doorbell.wav", "Doorbell" },
            { "C:/Sounds/Doorbell.wav", "Doorbell" }, { "C:\\Sounds/sub\\Chime.wav", "Chime" },
            { "C:\\Sounds\\Announcement2.wav", "Announceme" },
            { "/snd/ExactlyTen.wav", "ExactlyTen" }, { "C:\\Sounds\\door.bell.wav", "door" },
            { "/home/op.d/bell.wav", "bell" }, { "C:\\Sounds\\.wav", "" },
            { "Doorbell.wav", "Doorbell" }, { "/snd/Doorbell", "Doorbell" }, { "", "" } };
        for (const auto &row : rows)
            QCOMPARE(SoundNameFromPath(row.path), QString::fromLatin1(row.name));
    }

    // Ten-thousandths of a second, half-way cases to the even neighbour; no
    // group separator; the decimal point ("|" here) of the operator's language.
    void secondsText()
    {
        const struct {
            qint32 bytes;
            const char *text;
        } rows[] = { { 0, "0 Sec." }, { 1, "0|0001 Sec." }, { 2, "0|0002 Sec." },
            { 3, "0|0004 Sec." }, { 6, "0|0008 Sec." }, { 10, "0|0012 Sec." }, { 800, "0|1 Sec." },
            { 4000, "0|5 Sec." }, { 8000, "1 Sec." }, { 65519, "8|1899 Sec." },
            { 131056, "16|382 Sec." }, { 262128, "32|766 Sec." }, { 80000, "10 Sec." },
            { 2147483647, "268435|4559 Sec." } };
        const struct {
            const char *name;
            char point;
        } locales[] = { { "C", '.' }, { "de_DE", ',' } };
        for (const auto &locale : locales) {
            QLocale::setDefault(QLocale(QString::fromLatin1(locale.name)));
            for (const auto &row : rows)
                QCOMPARE(vq250::secondsText(row.bytes),
                    QString::fromLatin1(row.text).replace('|', locale.point));
        }
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_APPLESS_MAIN(TestSoundText)
#include "tst_soundtext.moc"
