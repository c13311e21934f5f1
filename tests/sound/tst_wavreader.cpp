#include "core/ProgramState.h"
#include "fakes/WavBuilder.h"
#include "sound/WavReader.h"

#include <QtTest>

#include <memory>

using namespace vq250;
using namespace vq250::fakes;

Q_DECLARE_METATYPE(WavCheck)

namespace
{

WavHeader headerOf(const QByteArray &file)
{
    WavHeader header {};
    for (int i = 0; i < WavHeaderBytes && i < file.size(); ++i)
        header[size_t(i)] = quint8(file[i]);
    return header;
}

FmtFields fmtWith(void (*change)(FmtFields &))
{
    FmtFields fields;
    change(fields);
    return fields;
}

} // namespace

class TestWavReader : public QObject
{
    Q_OBJECT

private slots:
    void bytesToLong_data();
    void bytesToLong();
    void bytesToLongStopsAtArrayEnd();
    void checkWavFile_data();
    void checkWavFile();
    void acceptanceLeavesErrCodeAlone();
};

void TestWavReader::bytesToLong_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("n");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint32>("value");

    QTest::newRow("8000") << QByteArray("\x40\x1F\x00\x00", 4) << 4 << true << 8000;
    QTest::newRow("65537") << QByteArray("\x01\x00\x01\x00", 4) << 4 << true << 65537;
    QTest::newRow("two bytes FF FF") << QByteArray("\xFF\xFF", 2) << 2 << true << 65535;
    QTest::newRow("n 0") << QByteArray("\xFF\xFF\xFF\xFF", 4) << 0 << true << 0;
    QTest::newRow("n -1") << QByteArray("\xFF\xFF\xFF\xFF", 4) << -1 << true << 0;
    QTest::newRow("n -32768") << QByteArray("\x00\x00\x00\x00", 4) << -32768 << false << 0;
    QTest::newRow("one byte") << QByteArray("\xC8\xFF", 2) << 1 << true << 200;
    QTest::newRow("three bytes") << QByteArray("\xFF\xFF\xFF\xFF", 4) << 3 << true << 16777215;
    QTest::newRow("largest") << QByteArray("\xFF\xFF\xFF\x7F", 4) << 4 << true << 2147483647;
    QTest::newRow("2^31") << QByteArray("\x00\x00\x00\x80", 4) << 4 << false << 0;
    QTest::newRow("all FF") << QByteArray("\xFF\xFF\xFF\xFF", 4) << 4 << false << 0;
}

void TestWavReader::bytesToLong()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, n);
    QFETCH(bool, ok);
    QFETCH(qint32, value);

    const auto result = BytesToLong(reinterpret_cast<const quint8 *>(bytes.constData()), qint16(n));
    QCOMPARE(result.has_value(), ok);
    if (ok)
        QCOMPARE(*result, value);
}

void TestWavReader::bytesToLongStopsAtArrayEnd()
{
    const std::array<quint8, 4> bytes { 0x01, 0x02, 0x03, 0x04 };
    QCOMPARE(BytesToLong(bytes, 4).value_or(-1), 0x04030201);
    QCOMPARE(BytesToLong(bytes, 3).value_or(-1), 0x030201);
    QVERIFY(!BytesToLong(bytes, 5).has_value());
}

void TestWavReader::checkWavFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<WavCheck>("outcome");
    QTest::addColumn<int>("errCode");
    QTest::addColumn<qint32>("sampleOffset");
    QTest::addColumn<qint32>("soundLen");

    const auto ok = [](const char *name, const QByteArray &file, qint32 offset, qint32 length) {
        QTest::newRow(name) << file << WavCheck::Accepted << 0 << offset << length;
    };
    const auto rejected = [](const char *name, const QByteArray &file, int code) {
        QTest::newRow(name) << file << WavCheck::Rejected << code << 0 << 0;
    };
    const auto overflow = [](const char *name, const QByteArray &file) {
        QTest::newRow(name) << file << WavCheck::Overflow << 0 << 0 << 0;
    };
    const QByteArray samples = sampleBytes(100);

    // Accepted layouts.
    ok("common 44-byte header", WavBuilder::pcm8(samples), 44, 100);
    ok("18-byte fmt", WavBuilder().fmt({}, le16(0)).data(samples).build(), 46, 100);
    ok("fact chunk", WavBuilder().fmt().chunk("fact", le32(1234)).data(samples).build(), 56, 100);
    ok("RIFF size 0", WavBuilder().riffSize(0).fmt().data(samples).build(), 44, 100);
    ok("empty data chunk", WavBuilder::pcm8({}), 44, 0);
    ok("data size beyond the file", WavBuilder().fmt().chunk("data", 5000, samples).build(), 44,
        5000);
    ok("largest data size", WavBuilder().fmt().chunk("data", 0x7FFFFFFF, samples).build(), 44,
        0x7FFFFFFF);
    ok("chunk at 60", WavBuilder().fmt({}, QByteArray(24, 'x')).data(samples).build(), 68, 100);
    ok("odd size without pad byte", WavBuilder().fmt().chunk("fact", "abc").data(samples).build(),
        55, 100);
    ok("tiny data before fmt", WavBuilder().data({}).fmt().build(), 20, 0);
    ok("second fmt is the one tested",
        WavBuilder().fmt(fmtWith([](FmtFields &f) { f.channels = 2; })).fmt().data(samples).build(),
        68, 100);

    // The head.
    rejected("RIFX", WavBuilder().riffTag("RIFX").fmt().data(samples).build(), 240);
    rejected("riff", WavBuilder().riffTag("riff").fmt().data(samples).build(), 240);
    rejected("RIFX and not WAVE", WavBuilder().riffTag("RIFX").formType("AVI ").build(), 240);
    rejected("not WAVE", WavBuilder().formType("AVI ").fmt().data(samples).build(), 241);
    rejected("wave", WavBuilder().formType("wave").fmt().data(samples).build(), 241);
    rejected("empty file", QByteArray(), 240);
    rejected("RIFF alone", QByteArray("RIFF"), 241);

    // The chunk walk.
    rejected("LIST before data", WavBuilder().fmt().chunk("LIST", "INFOabcd").data(samples).build(),
        240);
    rejected(
        "LIST before fmt", WavBuilder().chunk("LIST", "INFO").fmt().data(samples).build(), 240);
    rejected(
        "tag in lower case", WavBuilder().chunk("FMT ", FmtFields().body()).data({}).build(), 240);
    rejected("chunk at 65", WavBuilder().fmt({}, QByteArray(29, 'x')).data(samples).build(), 240);
    rejected("odd size with pad byte",
        WavBuilder().fmt().chunk("fact", "abc").raw(QByteArray(1, '\0')).data(samples).build(),
        240);
    rejected("big data before fmt", WavBuilder().data(samples).fmt().build(), 240);
    rejected("no data chunk", WavBuilder().fmt().build(), 240);
    rejected("bad tag before a huge size", WavBuilder().fmt().chunk("junk", 0x80000000, {}).build(),
        240);
    rejected("walk runs past 60 without overflow",
        WavBuilder().chunk("fact", 0x7FFFFF00, {}).build(), 240);

    // The codec.
    rejected("stereo",
        WavBuilder()
            .fmt(fmtWith([](FmtFields &f) {
                f.channels = 2;
                f.byteRate = 16000;
                f.blockAlign = 2;
            }))
            .data(samples)
            .build(),
        242);
    rejected("IEEE float",
        WavBuilder().fmt(fmtWith([](FmtFields &f) { f.formatTag = 3; })).data({}).build(), 242);
    rejected("A-law",
        WavBuilder().fmt(fmtWith([](FmtFields &f) { f.formatTag = 6; })).data({}).build(), 242);
    rejected("mu-law",
        WavBuilder().fmt(fmtWith([](FmtFields &f) { f.formatTag = 7; })).data({}).build(), 242);
    rejected("later fmt wrong",
        WavBuilder().fmt().fmt(fmtWith([](FmtFields &f) { f.channels = 2; })).data(samples).build(),
        242);

    // The sample format.
    rejected("16-bit",
        WavBuilder()
            .fmt(fmtWith([](FmtFields &f) {
                f.byteRate = 16000;
                f.blockAlign = 2;
                f.bitsPerSample = 16;
            }))
            .data(samples)
            .build(),
        243);
    rejected("11025 Hz",
        WavBuilder()
            .fmt(fmtWith([](FmtFields &f) {
                f.sampleRate = 11025;
                f.byteRate = 11025;
            }))
            .data(samples)
            .build(),
        243);
    rejected("byte rate only",
        WavBuilder().fmt(fmtWith([](FmtFields &f) { f.byteRate = 8001; })).data({}).build(), 243);
    rejected("block align only",
        WavBuilder().fmt(fmtWith([](FmtFields &f) { f.blockAlign = 2; })).data({}).build(), 243);
    rejected("bits only",
        WavBuilder().fmt(fmtWith([](FmtFields &f) { f.bitsPerSample = 16; })).data({}).build(),
        243);
    rejected("14-byte fmt",
        WavBuilder().chunk("fmt ", FmtFields().body().left(14)).data(samples).build(), 243);

    // Overflow: no error code.
    overflow("data size 0x80000000", WavBuilder().fmt().chunk("data", 0x80000000, {}).build());
    overflow("fmt size 0xFFFFFFFF", WavBuilder().chunk("fmt ", 0xFFFFFFFF, {}).build());
    overflow("fact size 0x80000000", WavBuilder().chunk("fact", 0x80000000, {}).build());
    overflow("walk position", WavBuilder().chunk("fact", 0x7FFFFFF0, {}).build());
    overflow("codec field",
        WavBuilder().fmt(fmtWith([](FmtFields &f) { f.channels = 0x8001; })).data({}).build());
    overflow("format field before the test",
        WavBuilder()
            .fmt(fmtWith([](FmtFields &f) {
                f.sampleRate = 11025;
                f.byteRate = 0x80000000;
            }))
            .data({})
            .build());
}

void TestWavReader::checkWavFile()
{
    QFETCH(QByteArray, file);
    QFETCH(WavCheck, outcome);
    QFETCH(int, errCode);
    QFETCH(qint32, sampleOffset);
    QFETCH(qint32, soundLen);

    auto state = std::make_unique<ProgramState>();
    state->SampleOffset = 1234; // from an earlier file
    state->SoundLen = 5678;

    QCOMPARE(CheckWavFile(*state, headerOf(file)), outcome);
    QCOMPARE(int(state->ErrCode), errCode);
    if (outcome == WavCheck::Accepted) {
        QCOMPARE(state->SampleOffset, sampleOffset);
        QCOMPARE(state->SampleOffset, state->DataOffset + 8);
        QCOMPARE(state->SoundLen, soundLen);
    } else {
        QCOMPARE(state->SampleOffset, 1234);
        QCOMPARE(state->SoundLen, 5678);
    }
}

void TestWavReader::acceptanceLeavesErrCodeAlone()
{
    auto state = std::make_unique<ProgramState>();
    state->ErrCode = 7;
    QCOMPARE(CheckWavFile(*state, headerOf(WavBuilder::pcm8(sampleBytes(3)))), WavCheck::Accepted);
    QCOMPARE(int(state->ErrCode), 7);
    QCOMPARE(state->FmtOffset, 12);
    QCOMPARE(state->DataOffset, 36);
}

QTEST_APPLESS_MAIN(TestWavReader)
#include "tst_wavreader.moc"
