#include "SoundRig.h"

#include "sound/Truncate.h"

#include <QLocale>
#include <QtTest>
#include <algorithm>

using namespace vq250;
using namespace vq250::fakes;

class TestTruncate : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void truncate_data();
    void truncate();
    void secondClickChangesNothing();
};

void TestTruncate::truncate_data()
{
    QTest::addColumn<qint32>("soundLen");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<qint32>("afterLen");
    QTest::addColumn<QString>("label"); // the label's text afterwards
    QTest::addColumn<int>("kind"); // of the command's result

    const int cut = int(TruncateResult::Kind::Cut);
    const int cancelled = int(TruncateResult::Kind::Cancelled);
    const int fits = int(TruncateResult::Kind::AlreadyShort);

    const QString untouched = QStringLiteral("untouched");
    QTest::newRow("131056, OK") << 131056 << int(MsgOk) << "C" << 65519 << "8.1899 Sec." << cut;
    QTest::newRow("131056, OK, comma locale")
        << 131056 << int(MsgOk) << "de_DE" << 65519 << "8,1899 Sec." << cut;
    QTest::newRow("65520, OK") << 65520 << int(MsgOk) << "C" << 65519 << "8.1899 Sec." << cut;
    QTest::newRow("131056, Cancel")
        << 131056 << int(MsgCancel) << "C" << 131056 << untouched << cancelled;
    QTest::newRow("65519, OK") << 65519 << int(MsgOk) << "C" << 65519 << untouched << fits;
    QTest::newRow("1000, OK") << 1000 << int(MsgOk) << "C" << 1000 << untouched << fits;
    QTest::newRow("nothing opened, OK") << 0 << int(MsgOk) << "C" << 0 << untouched << fits;
}

void TestTruncate::truncate()
{
    QFETCH(qint32, soundLen);
    QFETCH(int, answer);
    QFETCH(QString, locale);
    QFETCH(qint32, afterLen);
    QFETCH(QString, label);
    QFETCH(int, kind);

    QLocale::setDefault(QLocale(locale));
    SoundRig rig;
    ProgramState &state = *rig.state;
    state.SoundLen = soundLen;
    state.FileOpened = FlagFalse; // not looked at
    state.SoundName = QStringLiteral("Bell");
    state.SoundBuf.fill(0x5A);
    rig.window.fileLenSec = QStringLiteral("untouched");
    rig.box.answers.push_back(MsgAnswer(answer));

    const TruncateResult result = TruncateForBG8(state, rig.platform);
    QCOMPARE(int(result.kind), kind);
    QCOMPARE(result.soundLen, afterLen);

    QCOMPARE(rig.box.shown.size(), 1);
    QCOMPARE(rig.box.shown[0].title, QStringLiteral("Truncate Sound for BG#8?"));
    QCOMPARE(rig.box.shown[0].style, 1);
    QCOMPARE(rig.box.shown[0].prompt,
        QStringLiteral("Do you want to truncate the sound\rto a length of 65519 bytes\r"
                       "(Approx. 8.1 seconds)\rso it will fit into a BG#8 storage location?"));
    QCOMPARE(state.SoundLen, afterLen);
    QCOMPARE(rig.window.fileLenSec, label);
    QCOMPARE(state.FileOpened, FlagFalse);
    QCOMPARE(state.SoundName, QStringLiteral("Bell"));
    QCOMPARE(int(state.ErrCode), 0);
    QVERIFY(std::all_of(
        state.SoundBuf.begin(), state.SoundBuf.end(), [](quint8 b) { return b == 0x5A; }));
    QVERIFY(rig.progress.events.isEmpty());
}

void TestTruncate::secondClickChangesNothing()
{
    SoundRig rig;
    rig.state->SoundLen = 131056;
    TruncateForBG8(*rig.state, rig.platform);
    rig.window.fileLenSec = QStringLiteral("untouched");
    TruncateForBG8(*rig.state, rig.platform);

    QCOMPARE(rig.box.shown.size(), 2); // asked on every click
    QCOMPARE(rig.state->SoundLen, 65519);
    QCOMPARE(rig.window.fileLenSec, QStringLiteral("untouched"));
}

QTEST_APPLESS_MAIN(TestTruncate)
#include "tst_truncate.moc"
