#include "platform/VirtualEventLoop.h"

#include <QTest>

using namespace vq250;

class TestVirtualEventLoop : public QObject
{
    Q_OBJECT

private slots:
    void waitJumpsToTimerDeadline()
    {
        VirtualEventLoop loop;
        auto timer = loop.createTimer();
        int ticks = 0;
        timer->setOnTick([&] { ++ticks; });
        timer->setInterval(8000);
        timer->start();
        loop.processEvents();
        QCOMPARE(ticks, 0);
        QCOMPARE(loop.nowUs(), 0);
        loop.waitForEvents();
        QCOMPARE(loop.nowUs(), 8000000);
        QCOMPARE(ticks, 1);
        QVERIFY(!timer->isActive());
        loop.waitForEvents(); // fires at most once per arming
        QCOMPARE(ticks, 1);
        QCOMPARE(loop.idleWaits(), 1);
    }

    void startRearmsTheFullInterval()
    {
        VirtualEventLoop loop;
        auto timer = loop.createTimer();
        int ticks = 0;
        timer->setOnTick([&] { ++ticks; });
        timer->setInterval(8000);
        timer->start();
        loop.advanceTo(5000000);
        QCOMPARE(ticks, 0);
        timer->start();
        loop.waitForEvents();
        QCOMPARE(loop.nowUs(), 13000000);
        QCOMPARE(ticks, 1);
    }

    void stoppedTimerNeverFiresAndWaitDoesNotHang()
    {
        VirtualEventLoop loop;
        auto timer = loop.createTimer();
        int ticks = 0;
        timer->setOnTick([&] { ++ticks; });
        timer->setInterval(10);
        timer->start();
        timer->stop();
        loop.waitForEvents();
        QCOMPARE(ticks, 0);
        QCOMPARE(loop.nowUs(), 0);
        QCOMPARE(loop.idleWaits(), 1);
    }

    void wakeAtEndsAWaitWithoutTicks()
    {
        VirtualEventLoop loop;
        loop.wakeAt(300);
        loop.processEvents();
        QCOMPARE(loop.nowUs(), 0);
        loop.waitForEvents();
        QCOMPARE(loop.nowUs(), 300);
        loop.wakeAt(200); // in the past: nothing to wait for
        loop.waitForEvents();
        QCOMPARE(loop.nowUs(), 300);
        QCOMPARE(loop.idleWaits(), 1);
    }

    void earliestDeadlineComesFirst()
    {
        VirtualEventLoop loop;
        auto late = loop.createTimer();
        auto early = loop.createTimer();
        QStringList order;
        late->setOnTick([&] { order << QStringLiteral("late@%1").arg(loop.nowUs()); });
        early->setOnTick([&] { order << QStringLiteral("early@%1").arg(loop.nowUs()); });
        late->setInterval(10);
        early->setInterval(5);
        late->start();
        early->start();
        loop.wakeAt(7000);
        loop.waitForEvents();
        loop.waitForEvents();
        loop.waitForEvents();
        QCOMPARE(order, QStringList({ "early@5000", "late@10000" }));
        QCOMPARE(loop.nowUs(), 10000);
    }

    void callsRunOnlyInsideEventProcessing()
    {
        VirtualEventLoop loop;
        QList<qint64> ran;
        loop.callAt(0, [&] { ran << loop.nowUs(); });
        loop.callAt(400, [&] { ran << loop.nowUs(); });
        QVERIFY(ran.isEmpty());
        loop.processEvents();
        QCOMPARE(ran, QList<qint64>({ 0 }));
        loop.waitForEvents();
        QCOMPARE(ran, QList<qint64>({ 0, 400 }));
    }

    void timerRestartedByItsTickWaitsForTheNextPass()
    {
        VirtualEventLoop loop;
        auto timer = loop.createTimer();
        int ticks = 0;
        timer->setInterval(0);
        timer->setOnTick([&] {
            ++ticks;
            timer->start();
        });
        timer->start();
        loop.processEvents();
        QCOMPARE(ticks, 1);
        loop.processEvents();
        QCOMPARE(ticks, 2);
    }

    void advanceToRunsWhatFallsDueOnTheWay()
    {
        VirtualEventLoop loop;
        auto timer = loop.createTimer();
        qint64 firedAt = -1;
        timer->setOnTick([&] { firedAt = loop.nowUs(); });
        timer->setInterval(3);
        timer->start();
        loop.advanceTo(10000);
        QCOMPARE(firedAt, 3000);
        QCOMPARE(loop.nowUs(), 10000);
    }

    void timerOutlivingItsLoopIsHarmless()
    {
        auto loop = std::make_unique<VirtualEventLoop>();
        auto timer = loop->createTimer();
        timer->setInterval(1);
        timer->start();
        loop.reset();
        timer->stop();
        timer->start();
        QVERIFY(timer->interval() == 1);
    }
};

QTEST_GUILESS_MAIN(TestVirtualEventLoop)
#include "tst_virtualeventloop.moc"
