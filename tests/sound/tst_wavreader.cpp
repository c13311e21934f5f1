#include "core/ProgramState.h"
#include "sound/SoundText.h"
#include "sound/WavReader.h"
#include "support/WavBuilder.h"

#include <QLocale>
#include <QTest>

#include <cstring>
#include <memory>

using namespace vq250;
using namespace vq250::fakes;

// The reader's header checks, and the texts a sound's file name and length give.
class TestWavReader : public QObject
{
    Q_OBJECT

private slots:
    void bytesToLong()
    {
        const struct {
            QByteArray bytes;
            int n;
            qint32 value; // -1: overflow
        } rows[] = { { QByteArray("\x40\x1F\x00\x00", 4), 4, 8000 },
            { QByteArray("\x01\x00\x01\x00", 4), 4, 65537 }, { "\xFF\xFF", 2, 65535 },
            { "\xFF\xFF\xFF\xFF", 0, 0 }, { "\xFF\xFF\xFF\xFF", -1, 0 },
            { QByteArray(4, '\0'), -32768, -1 }, { "\xC8\xFF", 1, 200 },
            { "\xFF\xFF\xFF\xFF", 3, 16777215 }, { "\xFF\xFF\xFF\x7F", 4, 2147483647 },
            { QByteArray("\x00\x00\x00\x80", 4), 4, -1 } };
        for (const auto &row : rows) {
            const auto value = BytesToLong(
                reinterpret_cast<const quint8 *>(row.bytes.constData()), qint16(row.n));
            QCOMPARE(value.value_or(-1), row.value);
        }
        const std::array<quint8, 4> bytes { 0x01, 0x02, 0x03, 0x04 };
        QCOMPARE(BytesToLong(bytes, 3).value_or(-1), 0x030201);
        QVERIFY(!BytesToLong(bytes, 5).has_value()); // stops at the array's end
    }

    void checkWavFile()
    {
        const QByteArray s = sampleBytes(100);
        const WavBuilder common = WavBuilder().fmt().data(s); // the 44-byte header
        const FmtFields stereo { 1, 2, 8000, 16000, 2, 8 };
        const auto withFmt = [](const FmtFields &fmt) { return WavBuilder().fmt(fmt).data({}); };
        const int Overflow = -1;
        const struct {
            const char *name;
            WavBuilder file;
            int code; // 0 accepted, Overflow, else the rejecting code
            qint32 offset = 0, length = 0;
        } rows[] = {
            { "common 44-byte header", common, 0, 44, 100 },
            { "RIFF size 0", WavBuilder(common).riffSize(0), 0, 44, 100 },
            { "empty data chunk", WavBuilder().fmt().data({}), 0, 44, 0 },
            { "largest size", WavBuilder().fmt().chunk("data", 0x7FFFFFFF, s), 0, 44, 0x7FFFFFFF },
            { "chunk at 60", WavBuilder().fmt({}, QByteArray(24, 'x')).data(s), 0, 68, 100 },
            { "odd size unpadded", WavBuilder().fmt().chunk("fact", "abc").data(s), 0, 55, 100 },
            { "tiny data before fmt", WavBuilder().data({}).fmt(), 0, 20, 0 },
            { "second fmt is the one tested", WavBuilder().fmt(stereo).fmt().data(s), 0, 68, 100 },
            { "RIFX", WavBuilder(common).riffTag("RIFX"), 240 },
            { "riff", WavBuilder(common).riffTag("riff"), 240 },
            { "RIFX and not WAVE", WavBuilder().riffTag("RIFX").formType("AVI "), 240 },
            { "not WAVE", WavBuilder(common).formType("AVI "), 241 },
            { "wave", WavBuilder(common).formType("wave"), 241 },
            { "tag in upper case", WavBuilder().chunk("FMT ", FmtFields().body()).data({}), 240 },
            { "chunk at 65", WavBuilder().fmt({}, QByteArray(29, 'x')).data(s), 240 },
            { "odd size padded",
                WavBuilder().fmt().chunk("fact", "abc").raw(QByteArray(1, '\0')).data(s), 240 },
            { "big data before fmt", WavBuilder().data(s).fmt(), 240 },
            { "no data chunk", WavBuilder().fmt(), 240 },
            { "bad tag before a huge size", WavBuilder().fmt().chunk("junk", 0x80000000, {}), 240 },
            { "walk past 60, no overflow", WavBuilder().chunk("fact", 0x7FFFFF00, {}), 240 },
            { "stereo", withFmt(stereo), 242 },
            { "IEEE float", withFmt({ 3, 1, 8000, 8000, 1, 8 }), 242 },
            { "rate only", withFmt({ 1, 1, 11025, 8000, 1, 8 }), 243 },
            { "byte rate only", withFmt({ 1, 1, 8000, 8001, 1, 8 }), 243 },
            { "block align only", withFmt({ 1, 1, 8000, 8000, 2, 8 }), 243 },
            { "bits only", withFmt({ 1, 1, 8000, 8000, 1, 16 }), 243 },
            { "14-byte fmt", WavBuilder().chunk("fmt ", FmtFields().body().left(14)).data(s), 243 },
            { "data size 0x80000000", WavBuilder().fmt().chunk("data", 0x80000000, {}), Overflow },
            { "fmt size 0xFFFFFFFF", WavBuilder().chunk("fmt ", 0xFFFFFFFF, {}), Overflow },
            { "walk position", WavBuilder().chunk("fact", 0x7FFFFFF0, {}), Overflow },
            { "codec field", withFmt({ 1, 0x8001, 8000, 8000, 1, 8 }), Overflow },
            { "field before its test", withFmt({ 1, 1, 11025, 0x80000000, 1, 8 }), Overflow },
        };
        for (const auto &row : rows) {
            const QByteArray file = row.file.build().leftJustified(WavHeaderBytes, '\0');
            WavHeader header {};
            std::memcpy(header.data(), file.constData(), header.size());
            auto state = std::make_unique<ProgramState>();
            state->ErrCode = 7;
            state->SampleOffset = 1234; // from an earlier file
            state->SoundLen = 5678;
            const WavCheck outcome = CheckWavFile(*state, header);
            const int seen = outcome == WavCheck::Accepted ? 0
                : outcome == WavCheck::Overflow            ? Overflow
                                                           : state->ErrCode;
            QVERIFY2(seen == row.code && state->ErrCode == (row.code > 0 ? row.code : 7), row.name);
            QVERIFY2(state->SampleOffset == (row.code ? 1234 : row.offset)
                    && state->SoundLen == (row.code ? 5678 : row.length)
                    && (row.code || state->DataOffset == row.offset - 8),
                row.name);
        }
    }

    void soundNameFromPath()
    {
        const struct {
            const char *path, *name;
        } rows[] = { { "C:\\Sounds/sub\\Chime.wav", "Chime" },
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
        for (const auto &[locale, point] : { std::pair { "C", '.' }, std::pair { "de_DE", ',' } }) {
            QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
            for (const auto &row : rows)
                QCOMPARE(vq250::secondsText(row.bytes),
                    QString::fromLatin1(row.text).replace('|', point));
        }
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_APPLESS_MAIN(TestWavReader)
#include "tst_wavreader.moc"
