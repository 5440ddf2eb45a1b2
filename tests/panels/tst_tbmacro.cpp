#include "tbmacro.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QStringList kPrograms = {"1",  "2",  "3",  "4",  "9",  "10", "11",
                               "12", "13", "14", "15", "16", "17", "25"};

// Lets the panel's timer of this interval fire once now instead of after minutes.
void fireNow(const TBMacro &panel, int interval)
{
    for (QTimer *timer : panel.findChildren<QTimer *>()) {
        if (timer->interval() != interval || !timer->isActive())
            continue;
        QSignalSpy fired(timer, &QTimer::timeout);
        const QPointer<QTimer> kept(timer); // a single-shot repeat goes once it has fired
        timer->start(0);
        QVERIFY(fired.wait(1000));
        if (kept && kept->isActive())
            kept->start(interval);
        return;
    }
}

} // namespace

// The control center by its form: program commands and button locking, Stop and Close,
// the ping and the "Loop 25" repeat.
class TestTBMacro : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void buttonsAndPing();
    void loopRepeat_data();
    void loopRepeat();

private:
    QStringList sentLines() const
    {
        QStringList lines;
        for (const QList<QVariant> &arguments : *sent)
            lines << arguments.first().toString();
        return lines;
    }
    int unlockedPrograms() const
    {
        return int(std::count_if(kPrograms.begin(), kPrograms.end(), [this](const QString &n) {
            return panel->findChild<QPushButton *>("btn" + n)->isEnabled();
        }));
    }

    std::unique_ptr<TBMacro> panel;
    std::unique_ptr<QSignalSpy> sent;
};

void TestTBMacro::init()
{
    panel = std::make_unique<TBMacro>();
    sent = std::make_unique<QSignalSpy>(panel.get(), &TBMacro::sendData);
    panel->show();
}

void TestTBMacro::buttonsAndPing()
{
    QStringList commands;
    for (const QString &number : kPrograms) {
        panel->findChild<QPushButton *>("btn" + number)->click();
        QCOMPARE(unlockedPrograms(), 0);
        panel->gotRow(QStringLiteral("MACRO_DONE"));
        QCOMPARE(unlockedPrograms(), kPrograms.size());
        commands << "/em " + number + "\r\n";
    }
    // Stop and Close unlock the buttons; Close only hides the panel.
    panel->findChild<QPushButton *>("btn3")->click();
    panel->findChild<QPushButton *>("btnStop")->click();
    QCOMPARE(unlockedPrograms(), kPrograms.size());
    panel->findChild<QPushButton *>("btn4")->click();
    panel->findChild<QPushButton *>("btnClose")->click();
    QCOMPARE(unlockedPrograms(), kPrograms.size());
    QVERIFY(!panel->isVisible());
    QCOMPARE(sentLines(), (commands + QStringList{"/em 3\r\n", "stop\r\n", "/em 4\r\n"}));

    // No ping while hidden; shown again, the next minute's tick pings.
    sent->clear();
    fireNow(*panel, 60000);
    panel->show();
    fireNow(*panel, 60000);
    QCOMPARE(sentLines(), QStringList{"ping\r\n"});
}

void TestTBMacro::loopRepeat_data()
{
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QStringList>("wantSent");
    const QStringList repeat{"/em 25\r\n"};
    QTest::newRow("MACRO_DONE with Loop 25 repeats program 25") << "" << repeat;
    QTest::newRow("ticking after MACRO_DONE schedules nothing") << "tick" << QStringList();
    QTest::newRow("unticking during the wait cancels the repeat") << "untick" << QStringList();
    QTest::newRow("closing the panel drops the repeat") << "close" << QStringList();
    QTest::newRow("a second MACRO_DONE waits anew, one repeat") << "done" << repeat;
}

void TestTBMacro::loopRepeat()
{
    QFETCH(QString, meanwhile);
    auto *loop = panel->findChild<QCheckBox *>("cheLoop300");
    loop->setChecked(meanwhile != "tick"); // ticked before MACRO_DONE, but in one row
    panel->gotRow(QStringLiteral("MACRO_DONE"));
    if (meanwhile == "tick" || meanwhile == "untick")
        loop->setChecked(meanwhile == "tick");
    else if (meanwhile == "done")
        panel->gotRow(QStringLiteral("MACRO_DONE"));
    else if (meanwhile == "close")
        panel->close();
    panel->show();

    fireNow(*panel, 120000);
    QTEST(sentLines(), "wantSent");
    QCOMPARE(unlockedPrograms(), sent->isEmpty() ? kPrograms.size() : 0);
    QVERIFY(!panel->pendingLoop());
    const QList<QTimer *> timers = panel->findChildren<QTimer *>();
    QVERIFY(std::none_of(timers.begin(), timers.end(), // no second repeat left behind
                         [](QTimer *timer) { return timer->isActive() && timer->isSingleShot(); }));
}

QTEST_MAIN(TestTBMacro)
#include "tst_tbmacro.moc"
