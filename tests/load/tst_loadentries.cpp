#include "load/Destination.h"
#include "load/SoundHeader.h"

#include <QtTest>

using namespace vq250;

// What the load command makes of the operator's entries, before any check
// that needs a sound or a device.
class TestLoadEntries : public QObject
{
    Q_OBJECT

private slots:
    void hexDigitValue_data();
    void hexDigitValue();
    void destination_data();
    void destination();
    void volume_data();
    void volume();
    void nameBytes_data();
    void nameBytes();
    void header_data();
    void header();
};

void TestLoadEntries::hexDigitValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("9") << "9" << 9;
    QTest::newRow("A") << "A" << 10;
    QTest::newRow("F") << "F" << 15;
    QTest::newRow("a") << "a" << 10;
    QTest::newRow("f") << "f" << 15;
    QTest::newRow("star") << "*" << 25;
    QTest::newRow("G") << "G" << 32;
    QTest::newRow("g") << "g" << 32;
    QTest::newRow("blank") << " " << 32;
    QTest::newRow("empty") << "" << 32;
    QTest::newRow("only first counts") << "B7" << 11;
    QTest::newRow("fullwidth digit") << QString(QChar(0xFF11)) << 32;
    QTest::newRow("arabic-indic digit") << QString(QChar(0x0663)) << 32;
}

void TestLoadEntries::hexDigitValue()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(int(HexDigitValue(text)), value);
}

void TestLoadEntries::destination_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("station");
    QTest::addColumn<int>("bgNum");
    QTest::addColumn<bool>("stationValid");
    QTest::addColumn<bool>("bgNumValid");
    QTest::newRow("A1") << "A1" << 10 << 1 << true << true;
    QTest::newRow("a1") << "a1" << 10 << 1 << true << true;
    QTest::newRow("f8") << "f8" << 15 << 8 << true << true;
    QTest::newRow("A12") << "A12" << 10 << 1 << true << true;
    QTest::newRow("A1xyz") << "A1xyz" << 10 << 1 << true << true;
    QTest::newRow("A") << "A" << 10 << 32 << true << false;
    QTest::newRow("empty") << "" << 32 << 32 << false << false;
    QTest::newRow("blank A1") << " A1" << 32 << 10 << false << false;
    QTest::newRow("G1") << "G1" << 32 << 1 << false << true;
    QTest::newRow("11") << "11" << 1 << 1 << false << true;
    QTest::newRow("*1") << "*1" << 25 << 1 << false << true;
    QTest::newRow("A0") << "A0" << 10 << 0 << true << false;
    QTest::newRow("A9") << "A9" << 10 << 9 << true << false;
    QTest::newRow("AB") << "AB" << 10 << 11 << true << false;
    QTest::newRow("A*") << "A*" << 10 << 25 << true << false;
    QTest::newRow("1A") << "1A" << 1 << 10 << false << false;
}

void TestLoadEntries::destination()
{
    QFETCH(QString, entry);
    QFETCH(int, station);
    QFETCH(int, bgNum);
    QFETCH(bool, stationValid);
    QFETCH(bool, bgNumValid);
    const Destination d = parseDestination(entry);
    QCOMPARE(int(d.station), station);
    QCOMPARE(int(d.bgNum), bgNum);
    QCOMPARE(d.stationValid(), stationValid);
    QCOMPARE(d.bgNumValid(), bgNumValid);
}

void TestLoadEntries::volume_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("volume"); // -1: refused
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("18") << "18" << 18;
    QTest::newRow("255") << "255" << 255;
    QTest::newRow("256") << "256" << -1;
    QTest::newRow("-1") << "-1" << -1;
    QTest::newRow("-0") << "-0" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("blanks only") << "   " << -1;
    QTest::newRow("letters") << "abc" << -1;
    QTest::newRow("digits then letter") << "18a" << -1;
    QTest::newRow("hex") << "0x12" << -1;
    QTest::newRow("fraction") << "18.5" << -1;
    QTest::newRow("comma fraction") << "18,0" << -1;
    QTest::newRow("exponent") << "1e2" << -1;
    QTest::newRow("surrounding blanks") << "  42 " << 42;
    QTest::newRow("tab") << "\t42" << 42;
    QTest::newRow("plus") << "+42" << 42;
    QTest::newRow("blank plus") << " +7 " << 7;
    QTest::newRow("plus blank digits") << "+ 7" << -1;
    QTest::newRow("two plus") << "++7" << -1;
    QTest::newRow("sign inside") << "1+2" << -1;
    QTest::newRow("inner blank") << "1 8" << -1;
    QTest::newRow("leading zeros") << "000018" << 18;
    QTest::newRow("plus only") << "+" << -1;
    QTest::newRow("10^30") << QString(QLatin1Char('1')) + QString(30, QLatin1Char('0')) << -1;
    QTest::newRow("long zeros") << QString(5000, QLatin1Char('0')) + "255" << 255;
    QTest::newRow("fullwidth digits") << QString(QChar(0xFF11)) + QChar(0xFF18) << -1;
    QTest::newRow("newline") << "18\n" << -1;
}

void TestLoadEntries::volume()
{
    QFETCH(QString, entry);
    QFETCH(int, volume);
    const std::optional<quint8> parsed = parseVolume(entry);
    if (volume < 0) {
        QVERIFY(!parsed.has_value());
    } else {
        QVERIFY(parsed.has_value());
        QCOMPARE(int(*parsed), volume);
    }
}

void TestLoadEntries::nameBytes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("length");
    QTest::newRow("ascii") << "Doorbell" << QByteArray("Doorbell") << 8;
    QTest::newRow("latin-1") << QStringLiteral("Caf\u00e9 \u00c4\u00ff")
                             << QByteArray("Caf\xe9 \xc4\xff") << 7;
    QTest::newRow("outside latin-1") << QStringLiteral("\u20ac5 \u0416") << QByteArray("?5 ?") << 4;
    QTest::newRow("astral is one char")
        << QString::fromUcs4(U"a\U0001F600b") << QByteArray("a?b") << 3;
    QTest::newRow("control chars") << QStringLiteral("a\tb\x01") << QByteArray("a\tb\x01") << 4;
    QTest::newRow("empty") << "" << QByteArray() << 0;
}

void TestLoadEntries::nameBytes()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, length);
    QCOMPARE(vq250::nameBytes(name), bytes);
    QCOMPARE(nameLength(name), length);
}

void TestLoadEntries::header_data()
{
    QTest::addColumn<int>("volume");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("soundLen");
    QTest::addColumn<bool>("looping");
    QTest::addColumn<QByteArray>("expected");

    auto bytes = [](std::initializer_list<int> list) {
        QByteArray b;
        for (int v : list)
            b.append(char(v));
        return b;
    };
    const int P = 160;
    QTest::newRow("volume 0, empty name")
        << 0 << "" << 0 << false << bytes({ 87, 0, P, P, P, P, P, P, P, P, P, P, 0, 0, 0, 0 });
    QTest::newRow("volume 255, 3 chars, looping")
        << 255 << "Abc" << 1 << true
        << bytes({ 87, 255, 'A', 'b', 'c', P, P, P, P, P, P, P, 1, 0, 0, 1 });
    QTest::newRow("10 chars, 70000 bytes")
        << 18 << "Announceme" << 70000 << true
        << bytes({ 87, 18, 'A', 'n', 'n', 'o', 'u', 'n', 'c', 'e', 'm', 'e', 112, 17, 1, 1 });
    QTest::newRow("131056 bytes") << 18 << "x" << 131056 << false
                                  << bytes({ 87, 18, 'x', P, P, P, P, P, P, P, P, P, 0xF0, 0xFF,
                                         0x01, 0 });
}

void TestLoadEntries::header()
{
    QFETCH(int, volume);
    QFETCH(QString, name);
    QFETCH(int, soundLen);
    QFETCH(bool, looping);
    QFETCH(QByteArray, expected);
    const std::array<quint8, 4> len { quint8(soundLen), quint8(soundLen >> 8),
        quint8(soundLen >> 16), quint8(soundLen >> 24) };
    const auto h = soundHeader(quint8(volume), name, len, looping);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(h.data()), int(h.size())), expected);
}

QTEST_GUILESS_MAIN(TestLoadEntries)
#include "tst_loadentries.moc"
