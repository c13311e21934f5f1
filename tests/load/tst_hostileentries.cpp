#include "LoadRig.h"

#include "load/LoadCommand.h"
#include "sound/OpenCommand.h"

#include <QtTest>

using namespace vq250;
using namespace vq250::test;

namespace
{

const QString Station = QStringLiteral("Need Valid Station Letter");
const QString BgNumber = QStringLiteral("Need Valid BG Number");
const QString Volume = QStringLiteral("Default Volume Out of Range");
const QString NameTooLong = QStringLiteral("Sound Name Too Long");

constexpr int SoundBytes = 300;

QString astral(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QString::fromUcs4(U"\U0001F600");
    return text;
}

QString withNul(const QString &before, const QString &after)
{
    return before + QChar(0) + after;
}

// The 16 header bytes for the sound of SoundBytes samples.
QByteArray headerFor(int volume, const QByteArray &nameBytes, bool looping)
{
    QByteArray header;
    header.append(char(87));
    header.append(char(volume));
    header.append(nameBytes.leftJustified(10, char(160)));
    header.append(char(SoundBytes & 0xFF));
    header.append(char(SoundBytes >> 8));
    header.append(char(0));
    header.append(char(looping ? 1 : 0));
    return header;
}

// A rig with a sound opened through the file dialog, then the entries typed.
struct OpenedRig {
    OpenedRig()
    {
        samples = fakes::sampleBytes(SoundBytes, 7);
        rig.dialog.nextPath = rig.wavFile(QStringLiteral("Hostile.wav"), samples);
        OpenSound(*rig.state, rig.platform);
        rig.progress.events.clear(); // the open's own progress window
    }
    void type(const QString &dest, const QString &volume, const QString &name, int loop = Checked)
    {
        rig.window.destinationText = dest;
        rig.window.volumeText = volume;
        rig.window.name = name;
        rig.window.loopValue = loop;
    }

    LoadRig rig;
    QByteArray samples;
};

} // namespace

// The load command fed entries no operator should type: huge texts, control
// characters, characters outside ISO 8859-1 and beyond 16 bits, numbers far
// beyond any integer. Each ends in the right refusal with nothing sent, or
// in a transfer whose header carries exactly the bytes the rules give.
class TestHostileEntries : public QObject
{
    Q_OBJECT

private slots:
    void refused_data();
    void refused();
    void loaded_data();
    void loaded();
};

void TestHostileEntries::refused_data()
{
    QTest::addColumn<QString>("dest");
    QTest::addColumn<QString>("volume");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");

    const QString ok = QStringLiteral("Ok");
    QTest::newRow("dest 100k line feeds") << QString(100000, QChar(10)) << "18" << ok << Station;
    QTest::newRow("dest tab first") << "\tA1"
                                    << "18" << ok << Station;
    QTest::newRow("dest tab second") << "A\t1"
                                     << "18" << ok << BgNumber;
    QTest::newRow("dest CR first") << "\r1"
                                   << "18" << ok << Station;
    QTest::newRow("dest LF second") << "A\n"
                                    << "18" << ok << BgNumber;
    QTest::newRow("dest NUL first") << withNul({}, "1") << "18" << ok << Station;
    QTest::newRow("dest NUL second") << withNul("A", "1") << "18" << ok << BgNumber;
    QTest::newRow("dest astral first") << astral(1) + "1"
                                       << "18" << ok << Station;
    QTest::newRow("dest astral second") << "A" + astral(1) << "18" << ok << BgNumber;
    QTest::newRow("dest lone surrogate second")
        << QStringLiteral("A") + QChar(0xDC00) << "18" << ok << BgNumber;
    QTest::newRow("dest fullwidth letter") << QStringLiteral("\uFF211") << "18" << ok << Station;
    QTest::newRow("dest fullwidth digit") << QStringLiteral("A\uFF11") << "18" << ok << BgNumber;
    QTest::newRow("dest latin-1 letter") << QStringLiteral("\u00C11") << "18" << ok << Station;

    QTest::newRow("volume 10^30") << "A1"
                                  << "1" + QString(30, QLatin1Char('0')) << ok << Volume;
    QTest::newRow("volume 100k nines") << "A1" << QString(100000, QLatin1Char('9')) << ok << Volume;
    QTest::newRow("volume 100k blanks")
        << "A1" << QString(100000, QLatin1Char(' ')) << ok << Volume;
    QTest::newRow("volume NUL behind") << "A1" << withNul("18", {}) << ok << Volume;
    QTest::newRow("volume NUL in front") << "A1" << withNul({}, "18") << ok << Volume;
    QTest::newRow("volume NUL inside") << "A1" << withNul("1", "8") << ok << Volume;
    QTest::newRow("volume CR LF") << "A1"
                                  << "18\r\n"
                                  << ok << Volume;
    QTest::newRow("volume astral digits")
        << "A1" << QString::fromUcs4(U"\U0001D7CF\U0001D7D6") << ok << Volume;
    QTest::newRow("volume superscript") << "A1" << QStringLiteral("\u00B9\u00B2") << ok << Volume;

    QTest::newRow("name 11 astral") << "A1"
                                    << "18" << astral(11) << NameTooLong;
    QTest::newRow("name 100k NULs") << "A1"
                                    << "18" << QString(100000, QChar(0)) << NameTooLong;
    QTest::newRow("name 11 CRs") << "A1"
                                 << "18" << QString(11, QChar(13)) << NameTooLong;
    QTest::newRow("name 10 and a combining mark")
        << "A1"
        << "18" << QStringLiteral("Announceme\u0301") << NameTooLong;

    QTest::newRow("everything hostile: station first")
        << QString(100000, QChar(0)) << QString(100000, QLatin1Char('9')) << astral(50000)
        << Station;
    QTest::newRow("volume before a huge name")
        << "A1"
        << "1" + QString(30, QLatin1Char('0')) << astral(50000) << Volume;
}

void TestHostileEntries::refused()
{
    QFETCH(QString, dest);
    QFETCH(QString, volume);
    QFETCH(QString, name);
    QFETCH(QString, title);

    OpenedRig opened;
    LoadRig &rig = opened.rig;
    QCOMPARE(rig.state->FileOpened, FlagTrue);
    const QString nameBefore = rig.state->SoundName;
    opened.type(dest, volume, name);

    LoadSound(*rig.state, rig.platform);

    QCOMPARE(rig.box.shown.size(), 1);
    QCOMPARE(rig.box.shown[0].title, title);
    QCOMPARE(rig.box.shown[0].style, int(MsgOkOnly));
    QCOMPARE(rig.port->bytesToDevice(), qint64(0));
    QCOMPARE(rig.state->ErrCode, quint8(0));
    QCOMPARE(rig.state->SoundName, nameBefore);
    QVERIFY(rig.progress.events.isEmpty());
}

void TestHostileEntries::loaded_data()
{
    QTest::addColumn<QString>("dest");
    QTest::addColumn<QString>("volume");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("station");
    QTest::addColumn<int>("bg");
    QTest::addColumn<QByteArray>("header");

    const QByteArray bell("Bell");
    QTest::newRow("dest A1 then 100k junk") << "A1" + QString(100000, QChar(0x2603)) << "18"
                                            << "Bell" << 10 << 1 << headerFor(18, bell, true);
    QTest::newRow("dest A1 then CR LF") << "A1\r\n"
                                        << "18"
                                        << "Bell" << 10 << 1 << headerFor(18, bell, true);
    QTest::newRow("dest A1 then NUL") << withNul("A1", "x") << "18"
                                      << "Bell" << 10 << 1 << headerFor(18, bell, true);
    QTest::newRow("dest f8 then tab") << "f8\t"
                                      << "18"
                                      << "Bell" << 15 << 8 << headerFor(18, bell, true);

    QTest::newRow("name control chars") << "B2"
                                        << "18" << withNul("\t\r\n", "x") << 11 << 2
                                        << headerFor(18, QByteArray("\t\r\n\0x", 5), true);
    QTest::newRow("name ten NULs")
        << "B2"
        << "18" << QString(10, QChar(0)) << 11 << 2 << headerFor(18, QByteArray(10, '\0'), true);
    QTest::newRow("name DEL and C1") << "B2"
                                     << "18" << QStringLiteral("\u007F\u0085") << 11 << 2
                                     << headerFor(18, QByteArray("\x7F\x85"), true);
    QTest::newRow("name outside latin-1") << "C3"
                                          << "18" << QStringLiteral("\u03A9\u20AC\u0416") << 12 << 3
                                          << headerFor(18, QByteArray("???"), true);
    QTest::newRow("name ten astral")
        << "C3"
        << "18" << astral(10) << 12 << 3 << headerFor(18, QByteArray(10, '?'), true);
    QTest::newRow("name lone surrogate") << "C3"
                                         << "18" << QStringLiteral("a") + QChar(0xD800) + "b" << 12
                                         << 3 << headerFor(18, QByteArray("a?b"), true);
    // A no-break space is byte 160, the pad byte itself: sent as it is.
    QTest::newRow("name latin-1 edges") << "C3"
                                        << "18" << QStringLiteral("\u00A0\u00FF\u0080") << 12 << 3
                                        << headerFor(18, QByteArray("\xA0\xFF\x80"), true);

    QTest::newRow("volume 100k zeros then 7")
        << "D4" << QString(100000, QLatin1Char('0')) + "7"
        << "V" << 13 << 4 << headerFor(7, QByteArray("V"), true);
    QTest::newRow("volume between tabs") << "D4"
                                         << "\t255\t"
                                         << "V" << 13 << 4 << headerFor(255, QByteArray("V"), true);
}

void TestHostileEntries::loaded()
{
    QFETCH(QString, dest);
    QFETCH(QString, volume);
    QFETCH(QString, name);
    QFETCH(int, station);
    QFETCH(int, bg);
    QFETCH(QByteArray, header);

    OpenedRig opened;
    LoadRig &rig = opened.rig;
    QCOMPARE(rig.state->FileOpened, FlagTrue);
    opened.type(dest, volume, name);

    LoadSound(*rig.state, rig.platform);

    QVERIFY2(rig.box.shown.isEmpty(), qPrintable(rig.box.shown.value(0).title));
    const StoredSlot *slot = rig.port->device().slot(quint8(station), quint8(bg));
    QVERIFY(slot);
    QVERIFY(slot->complete);
    QCOMPARE(slot->header, header);
    QCOMPARE(slot->sound(), opened.samples);
    QCOMPARE(rig.state->SoundName, name);
    QVERIFY(!rig.progress.visible);
}

QTEST_GUILESS_MAIN(TestHostileEntries)
#include "tst_hostileentries.moc"
