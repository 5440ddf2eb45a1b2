#include "tbmacro.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QStringList kProgramButtons = {"btn1",  "btn2",  "btn3",  "btn4",  "btn9",  "btn10", "btn11",
                                     "btn12", "btn13", "btn14", "btn15", "btn16", "btn17", "btn25"};

QStringList sentLines(const QSignalSpy &sent)
{
    QStringList lines;
    for (const QList<QVariant> &arguments : sent)
        lines << arguments.first().toString();
    return lines;
}

// How many program buttons are enabled.
int enabledPrograms(const TBMacro &panel)
{
    int count = 0;
    for (const QString &name : kProgramButtons)
        count += panel.findChild<QPushButton *>(name)->isEnabled() ? 1 : 0;
    return count;
}

QTimer *timerOf(const TBMacro &panel, int interval)
{
    for (QTimer *timer : panel.findChildren<QTimer *>()) {
        if (timer->interval() == interval && timer->isActive())
            return timer;
    }
    return nullptr;
}

// Lets a timer of the panel fire once now instead of after minutes.
void fireNow(QTimer *timer)
{
    const int interval = timer->interval();
    QSignalSpy fired(timer, &QTimer::timeout);
    const QPointer<QTimer> kept(timer); // a single-shot repeat goes once it has fired
    timer->start(0);
    QVERIFY(fired.wait(1000));
    if (kept && kept->isActive())
        kept->start(interval);
}

} // namespace

// The control center: program commands and button locking, the ping, the "Loop 25" repeat
// and the status area fed by console rows.
class TestTBMacro : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void programButtonsSendTheirCommandAndLock();
    void stopAndCloseUnlock_data();
    void stopAndCloseUnlock();
    void pingOnlyWhileVisible();
    void loopRepeat_data();
    void loopRepeat();
    void statusAreaFollowsRows();

private:
    std::unique_ptr<TBMacro> panel;
    std::unique_ptr<QSignalSpy> sent;
};

void TestTBMacro::init()
{
    panel = std::make_unique<TBMacro>();
    sent = std::make_unique<QSignalSpy>(panel.get(), &TBMacro::sendData);
    panel->show();
}

void TestTBMacro::cleanup()
{
    sent.reset();
    panel.reset();
}

void TestTBMacro::programButtonsSendTheirCommandAndLock()
{
    for (const QString &name : kProgramButtons) {
        panel->findChild<QPushButton *>(name)->click();
        QCOMPARE(enabledPrograms(*panel), 0);
        panel->gotRow(QStringLiteral("MACRO_DONE"));
        QCOMPARE(enabledPrograms(*panel), kProgramButtons.size());
    }
    QCOMPARE(sentLines(*sent),
             QStringList({"/em 1\r\n", "/em 2\r\n", "/em 3\r\n", "/em 4\r\n", "/em 9\r\n",
                          "/em 10\r\n", "/em 11\r\n", "/em 12\r\n", "/em 13\r\n", "/em 14\r\n",
                          "/em 15\r\n", "/em 16\r\n", "/em 17\r\n", "/em 25\r\n"}));
}

void TestTBMacro::stopAndCloseUnlock_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("wantSent");
    QTest::addColumn<bool>("visible");
    QTest::newRow("Stop unlocks and sends stop") << "btnStop" << QStringList{"stop\r\n"} << true;
    QTest::newRow("Close unlocks and hides") << "btnClose" << QStringList() << false;
}

void TestTBMacro::stopAndCloseUnlock()
{
    QFETCH(QString, button);
    panel->findChild<QPushButton *>("btn3")->click();
    sent->clear();
    panel->findChild<QPushButton *>(button)->click();
    QCOMPARE(enabledPrograms(*panel), kProgramButtons.size());
    QTEST(sentLines(*sent), "wantSent");
    QTEST(panel->isVisible(), "visible");
}

void TestTBMacro::pingOnlyWhileVisible()
{
    QTimer *pinger = timerOf(*panel, 60000);
    QVERIFY(pinger && !pinger->isSingleShot());
    panel->hide();
    fireNow(pinger);
    QVERIFY(sent->isEmpty());
    panel->show();
    fireNow(pinger);
    QCOMPARE(sentLines(*sent), QStringList{"ping\r\n"});
}

void TestTBMacro::loopRepeat_data()
{
    QTest::addColumn<bool>("tickedBefore");
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QStringList>("wantSent");
    const QStringList repeat{"/em 25\r\n"};
    QTest::newRow("MACRO_DONE with Loop 25 repeats program 25") << true << "" << repeat;
    QTest::newRow("ticking after MACRO_DONE schedules nothing") << false << "tick" << QStringList();
    QTest::newRow("unticking during the wait cancels the repeat")
        << true << "untick" << QStringList();
    QTest::newRow("closing the panel drops the repeat") << true << "close" << QStringList();
    QTest::newRow("a second MACRO_DONE waits anew, one repeat") << true << "done" << repeat;
}

void TestTBMacro::loopRepeat()
{
    QFETCH(bool, tickedBefore);
    QFETCH(QString, meanwhile);
    auto *loop = panel->findChild<QCheckBox *>("cheLoop300");
    loop->setChecked(tickedBefore);
    panel->gotRow(QStringLiteral("MACRO_DONE"));
    if (meanwhile == "tick")
        loop->setChecked(true);
    else if (meanwhile == "untick")
        loop->setChecked(false);
    else if (meanwhile == "done")
        panel->gotRow(QStringLiteral("MACRO_DONE"));
    else if (meanwhile == "close")
        panel->close();
    panel->show();

    const QList<QTimer *> repeats = panel->findChildren<QTimer *>();
    const int waiting = int(std::count_if(repeats.begin(), repeats.end(), [](QTimer *timer) {
        return timer->isActive() && timer->isSingleShot() && timer->interval() == 120000;
    }));
    QCOMPARE(waiting, panel->pendingLoop() ? 1 : 0);
    if (QTimer *timer = timerOf(*panel, 120000))
        fireNow(timer);
    QTEST(sentLines(*sent), "wantSent");
    QCOMPARE(enabledPrograms(*panel), sent->isEmpty() ? kProgramButtons.size() : 0);
    QVERIFY(!panel->pendingLoop());
}

void TestTBMacro::statusAreaFollowsRows()
{
    panel->gotRow(QStringLiteral("IO [x]: I:20.5 H1:90 H2:91 H:85 V:123.4 F:5.26 P:40 E:12"));
    panel->gotRow(QStringLiteral("IO [x]: O:14 V:1 T:5"));
    QCOMPARE(panel->findChild<QLabel *>("lblStatusDispWater")->text(), QStringLiteral("123.4 ml"));
    QCOMPARE(panel->findChild<QLabel *>("lblStatusHat")->text(), QStringLiteral("CLOSED"));
    QCOMPARE(panel->findChild<QProgressBar *>("progressBar")->value(), 40);
}

QTEST_MAIN(TestTBMacro)
#include "tst_tbmacro.moc"
