#include "sim/VirtualEventLoop.h"

#include <QTest>

using namespace vq250;

// Virtual time: a wait jumps to the next deadline or wake-up, never hangs,
// and runs calls only inside event processing.
class TestVirtualEventLoop : public QObject
{
    Q_OBJECT

private slots:
    void timers()
    {
        VirtualEventLoop loop;
        auto timer = loop.createTimer();
        QList<qint64> ticks;
        timer->setOnTick([&] { ticks << loop.nowUs(); });
        timer->setInterval(8000);
        timer->start();
        loop.processEvents();
        QVERIFY(ticks.isEmpty() && loop.nowUs() == 0);
        loop.advanceTo(5000000);
        timer->start(); // re-armed for the full interval
        loop.waitForEvents();
        QCOMPARE(ticks, QList<qint64>({ 13000000 }));
        QVERIFY(!timer->isActive());
        loop.waitForEvents(); // at most once per arming; nothing pending: no hang, no time
        QCOMPARE(ticks.size(), 1);
        QCOMPARE(loop.nowUs(), 13000000);
        QCOMPARE(loop.idleWaits(), 1);
        timer->setInterval(10);
        timer->start();
        timer->stop();
        loop.waitForEvents();
        QCOMPARE(ticks.size(), 1);
        QCOMPARE(loop.idleWaits(), 2);
        timer->setInterval(3);
        timer->start();
        loop.advanceTo(13010000); // runs what falls due on the way
        QCOMPARE(ticks, QList<qint64>({ 13000000, 13003000 }));
    }

    void wakeUpsAndOrder()
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
        auto late = loop.createTimer();
        auto early = loop.createTimer();
        QStringList order;
        late->setOnTick([&] { order << QStringLiteral("late@%1").arg(loop.nowUs()); });
        early->setOnTick([&] { order << QStringLiteral("early@%1").arg(loop.nowUs()); });
        late->setInterval(10);
        early->setInterval(5);
        late->start();
        early->start();
        loop.wakeAt(7300);
        for (int i = 0; i < 3; ++i)
            loop.waitForEvents();
        QCOMPARE(order, QStringList({ "early@5300", "late@10300" }));
        QList<qint64> ran;
        loop.callAt(10300, [&] { ran << loop.nowUs(); });
        loop.callAt(10700, [&] { ran << loop.nowUs(); });
        QVERIFY(ran.isEmpty());
        loop.processEvents();
        QCOMPARE(ran, QList<qint64>({ 10300 }));
        loop.waitForEvents();
        QCOMPARE(ran, QList<qint64>({ 10300, 10700 }));
    }

    void timerRestartedByItsTickWaitsForTheNextPass()
    {
        VirtualEventLoop loop;
        auto timer = loop.createTimer();
        int ticks = 0;
        timer->setInterval(0);
        timer->setOnTick([&] { ++ticks, timer->start(); });
        timer->start();
        loop.processEvents();
        QCOMPARE(ticks, 1);
        loop.processEvents();
        QCOMPARE(ticks, 2);
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
        QCOMPARE(timer->interval(), 1);
    }
};

QTEST_GUILESS_MAIN(TestVirtualEventLoop)
#include "tst_virtualeventloop.moc"
