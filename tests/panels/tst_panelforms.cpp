#include "controlcentercommands.h"
#include "tbmacro.h"
#include "tbpushbutton.h"
#include "thermosmachine.h"
#include "thermostimersdialog.h"

#include <QCheckBox>
#include <QLabel>
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

const QString kMac = QStringLiteral("00564f524e03");

} // namespace

// The panels by their forms. The control center: program commands and button locking, Stop
// and Close, the ping and the "Loop 25" repeat, and the looks of its state buttons. The thermos
// board on a clock of the test: a brewing thermos, the clock, Back with the timers running on,
// and the blinking number; the texts are the thermos records'.
class TestPanelForms : public QObject
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

    void panelFollowsABrewWhileHidden()
    {
        QCOMPARE(panelLook("lblUnitVal", 4), QStringLiteral("No data | color:gray; | off"));
        thermoses.brewStart(kMac, "Espresso", "1:100:98", 4, 194);

        // Back hides the board; its refresh goes on and keeps the panel and the clock current.
        dialog->show();
        dialog->findChild<QPushButton *>("btnBack")->click();
        QVERIFY(!dialog->isVisible());
        now = now.addSecs(60);
        QTimer *refresh = dialog->findChild<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(refresh->interval(), 1000);
        QSignalSpy refreshed(refresh, &QTimer::timeout);
        refresh->start(0);
        QVERIFY(refreshed.wait(1000));
        QStringList panel;
        for (const char *label :
             {"lblId", "lblBrewTimerVal", "lblRecipeNameVal", "lblBrewKlockVal", "lblUnitVal"})
            panel << panelLook(label, 4);
        QCOMPARE(panel, (QStringList{"4 | color:blue;", "Brewtime left:02m 14s | color:blue;",
                                     "Espresso | color:blue;", "Brewstart: 14:28 | color:blue;",
                                     kMac + " | color:blue;"})); // a unit nobody announced
        QCOMPARE(dialog->findChild<QLabel *>("lblCurrentTimeVal")->text(), "2024-05-06 14:29");
    }
    void numberOfABrewingThermosBlinks()
    {
        thermoses.brewStart(kMac, "Espresso", "", 2, 600);
        QString brewing, idle;
        for (int tick = 0; tick < 12; ++tick) {
            dialog->theBlinkTimer_timeout();
            brewing += dialog->findChild<QLabel *>("lblId2")->text().isEmpty() ? '_' : '2';
            idle += dialog->findChild<QLabel *>("lblId1")->text();
        }
        // Off and on every tick, whatever the phase the running blink timer left.
        QVERIFY2(brewing == "_2_2_2_2_2_2" || brewing == "2_2_2_2_2_2_", qPrintable(brewing));
        QCOMPARE(idle, QStringLiteral("111111111111"));
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

    // Text, colour and enabled state of a label of panel n.
    QString panelLook(const char *label, int n) const
    {
        const auto *shown = dialog->findChild<QLabel *>(QLatin1String(label) + QString::number(n));
        return shown->text() + " | " + shown->styleSheet() + (shown->isEnabled() ? "" : " | off");
    }

    QDateTime now{QDate(2024, 5, 6), QTime(14, 28)};
    const ThermosClock clock = [this] { return now; };
    ThermosMachine thermoses{clock};
    std::unique_ptr<ThermosTimersDialog> dialog =
        std::make_unique<ThermosTimersDialog>(nullptr, thermoses, clock);
};

QTEST_MAIN(TestPanelForms)
#include "tst_panelforms.moc"
