#include "controlcentercommands.h"
#include "tbmacro.h"
#include "tbpushbutton.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

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

// The picture of a state button's current look and whether it is enabled.
QString look(const TBPushButton &button)
{
    const QString sheet = button.styleSheet();
    const int start = sheet.indexOf(QLatin1String(":/images/")) + 9;
    return sheet.mid(start, sheet.indexOf(QLatin1Char(')'), start) - start) +
           (button.isEnabled() ? " enabled" : " disabled");
}

} // namespace

// The control center by its form: program commands and button locking, Stop and Close,
// the ping and the "Loop 25" repeat; and the looks of its state buttons.
class TestTBMacro : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        panel = std::make_unique<TBMacro>();
        sent = std::make_unique<QSignalSpy>(panel.get(), &TBMacro::sendData);
        panel->show();
    }
    void buttonsAndPing()
    {
        const int programs = ControlCenterCommands::programs().size();
        QStringList commands;
        for (int program : ControlCenterCommands::programs()) {
            button("btn" + QString::number(program))->click();
            QCOMPARE(unlockedPrograms(), 0);
            panel->gotRow(QStringLiteral("MACRO_DONE"));
            QCOMPARE(unlockedPrograms(), programs);
            commands << QStringLiteral("/em %1\r\n").arg(program);
        }
        // Stop and Close unlock the buttons; Close only hides the panel.
        button("btn3")->click();
        button("btnStop")->click();
        QCOMPARE(unlockedPrograms(), programs);
        button("btn4")->click();
        button("btnClose")->click();
        QCOMPARE(unlockedPrograms(), programs);
        QVERIFY(!panel->isVisible());
        QCOMPARE(sentLines(), (commands + QStringList{"/em 3\r\n", "stop\r\n", "/em 4\r\n"}));

        // No ping while hidden; shown again, the next minute's tick pings.
        sent->clear();
        fireNow(*panel, 60000);
        panel->show();
        fireNow(*panel, 60000);
        QCOMPARE(sentLines(), QStringList{"ping\r\n"});
    }
    void loopRepeat_data()
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
    void loopRepeat()
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
        QCOMPARE(unlockedPrograms(),
                 sent->isEmpty() ? ControlCenterCommands::programs().size() : 0);
        QVERIFY(!panel->pendingLoop());
        const QList<QTimer *> timers = panel->findChildren<QTimer *>();
        QVERIFY(
            std::none_of(timers.begin(), timers.end(), // no second repeat left behind
                         [](QTimer *timer) { return timer->isActive() && timer->isSingleShot(); }));
    }
    // Three looks, and the blinking that only setActive ends.
    void stateButtonBlinksUntilSetActive()
    {
        TBPushButton button;
        auto *timer = button.findChild<QTimer *>();
        button.setActive(false);
        QCOMPARE(look(button), QStringLiteral("button_nonselected.png disabled"));

        button.startBlinking();
        QCOMPARE(look(button), QStringLiteral("button_state_running.png enabled"));
        button.blinkTimeOut();
        QCOMPARE(look(button), QStringLiteral("button_nonselected.png enabled"));
        // A click does not end the blinking; setActive does, at once.
        button.click();
        QVERIFY(button.isBlinking() && timer->isActive());
        button.setActive(true);
        button.blinkTimeOut();
        QCOMPARE(look(button), QStringLiteral("button_selected.png enabled"));
        QVERIFY(!timer->isActive());
    }

private:
    QPushButton *button(const QString &name) const { return panel->findChild<QPushButton *>(name); }
    QStringList sentLines() const
    {
        QStringList lines;
        for (const QList<QVariant> &arguments : *sent)
            lines << arguments.first().toString();
        return lines;
    }
    int unlockedPrograms() const
    {
        const QVector<int> &programs = ControlCenterCommands::programs();
        return int(std::count_if(programs.begin(), programs.end(), [this](int n) {
            return button("btn" + QString::number(n))->isEnabled();
        }));
    }

    std::unique_ptr<TBMacro> panel;
    std::unique_ptr<QSignalSpy> sent;
};

QTEST_MAIN(TestTBMacro)
#include "tst_tbmacro.moc"
