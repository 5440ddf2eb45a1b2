#include "qdevicemachine.h"
#include "thermosmachine.h"
#include "thermostimersdialog.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QString kMac = QStringLiteral("00564f524e03");
constexpr int kTube = 2;

} // namespace

// The thermos board on a clock of the test: panels against brew start, ping and end, the
// blinking number of a brewing thermos, the clock and Back.
class TestThermosTimersDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void withoutBrewsEveryPanelHasNoData();
    void panelFollowsABrew();
    void numberOfABrewingThermosBlinks();
    void backHidesWhileTheTimersKeepRunning();

private:
    QLabel *label(const QString &name, int n) const
    {
        return dialog->findChild<QLabel *>(name + QString::number(n));
    }
    // Text, style sheet and enabled state of a panel's label.
    QString look(const QString &name, int n) const
    {
        const QLabel *shown = label(name, n);
        return shown->text() + " | " + shown->styleSheet() +
               (shown->isEnabled() ? " | enabled" : " | disabled");
    }
    QTimer *timer(int interval) const
    {
        const auto timers = dialog->findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
        for (QTimer *candidate : timers) {
            if (candidate->interval() == interval)
                return candidate;
        }
        return nullptr;
    }
    void advance(int seconds) { current = current.addSecs(seconds); }

    QDateTime current;
    std::unique_ptr<ThermosMachine> thermoses;
    std::unique_ptr<ThermosTimersDialog> dialog;
};

void TestThermosTimersDialog::initTestCase()
{
    QDeviceMachine::setReceivePort(std::nullopt); // the units' names only, no UDP
    QDeviceMachine::instance();
}

void TestThermosTimersDialog::init()
{
    current = QDateTime(QDate(2024, 5, 6), QTime(14, 28, 0));
    const ThermosClock clock = [this] { return current; };
    thermoses = std::make_unique<ThermosMachine>(clock);
    dialog = std::make_unique<ThermosTimersDialog>(nullptr, *thermoses, clock);
    dialog->show();
}

void TestThermosTimersDialog::cleanup()
{
    dialog.reset();
    thermoses.reset();
    QDeviceMachine::instance()->clearAll();
}

void TestThermosTimersDialog::withoutBrewsEveryPanelHasNoData()
{
    QCOMPARE(dialog->findChild<QLabel *>("lblCurrentTimeVal")->text(),
             QStringLiteral("2024-05-06 14:28"));
    for (int tick = 0; tick < 3; ++tick)
        dialog->theBlinkTimer_timeout();
    for (int n = 1; n <= 8; ++n) {
        for (const char *name :
             {"lblRecipeNameVal", "lblUnitVal", "lblBrewTimerVal", "lblBrewKlockVal"})
            QCOMPARE(look(name, n), QStringLiteral("No data | color:gray; | disabled"));
        QCOMPARE(look("lblId", n), QString::number(n) + " | color:gray; | disabled");
    }
}

void TestThermosTimersDialog::panelFollowsABrew()
{
    thermoses->brewStart(kMac, "Espresso", "1:100:98", 3, 194);
    thermoses->brewStart(kMac, "Spare", "1:100:98", 9, 194); // no panel shows the spare
    dialog->the1000Timer_timeout();
    QCOMPARE(look("lblBrewTimerVal", 3),
             QStringLiteral("Brewtime left:03m 14s | color:blue; | enabled"));
    QCOMPARE(label("lblRecipeNameVal", 3)->text(), QStringLiteral("Espresso"));
    QCOMPARE(label("lblBrewKlockVal", 3)->text(), QStringLiteral("Brewstart: 14:28"));
    QCOMPARE(label("lblUnitVal", 3)->text(), kMac); // a unit the registry does not know
    QCOMPARE(label("lblRecipeNameVal", 1)->text(), QStringLiteral("No data"));

    QDeviceMachine::instance()->local_seenDevice(kMac, "127.0.0.1", "Tube 3", kTube, "71405",
                                                 "190918");
    advance(60);
    thermoses->brewPing(kMac, 3, 100);
    dialog->the1000Timer_timeout();
    QCOMPARE(label("lblBrewTimerVal", 3)->text(), QStringLiteral("Brewtime left:01m 40s"));
    QCOMPARE(label("lblUnitVal", 3)->text(), QStringLiteral("Tube 3"));
    QCOMPARE(dialog->findChild<QLabel *>("lblCurrentTimeVal")->text(),
             QStringLiteral("2024-05-06 14:29"));

    advance(120);
    thermoses->brewEnd(kMac, "", "1:100:98", 3, 25);
    advance(1);
    dialog->the1000Timer_timeout();
    QCOMPARE(look("lblBrewTimerVal", 3),
             QStringLiteral("Rebrew in:00h 24m | color:green; | enabled"));
    QCOMPARE(label("lblBrewKlockVal", 3)->text(), QStringLiteral("Brewtime: 14:31"));
    QCOMPARE(label("lblRecipeNameVal", 3)->text(), QStringLiteral("Espresso"));

    // Due: the time text turns red at once, the labels set before it a refresh later.
    advance(25 * 60);
    dialog->the1000Timer_timeout();
    QCOMPARE(look("lblBrewTimerVal", 3),
             QStringLiteral("Rebrew in:00m 00s | color:red; | enabled"));
    QCOMPARE(label("lblRecipeNameVal", 3)->styleSheet(), QStringLiteral("color:green;"));
    dialog->the1000Timer_timeout();
    QCOMPARE(label("lblRecipeNameVal", 3)->styleSheet(), QStringLiteral("color:red;"));
}

void TestThermosTimersDialog::numberOfABrewingThermosBlinks()
{
    thermoses->brewStart(kMac, "Espresso", "", 2, 600);
    QStringList brewing, idle;
    for (int tick = 0; tick < 12; ++tick) {
        dialog->theBlinkTimer_timeout();
        brewing << label("lblId", 2)->text();
        idle << label("lblId", 1)->text();
    }
    QCOMPARE(brewing, QStringList({"", "2", "", "2", "", "2", "", "2", "", "2", "", "2"}));
    QCOMPARE(idle.join(QString()), QStringLiteral("111111111111"));
}

void TestThermosTimersDialog::backHidesWhileTheTimersKeepRunning()
{
    QTimer *refresh = timer(1000);
    QTimer *blink = timer(500);
    QVERIFY(refresh && blink);
    dialog->findChild<QPushButton *>("btnBack")->click();
    QVERIFY(!dialog->isVisible());
    QVERIFY(refresh->isActive() && blink->isActive());

    thermoses->brewStart(kMac, "Lungo", "", 5, 90);
    QSignalSpy refreshed(refresh, &QTimer::timeout);
    refresh->start(0);
    QVERIFY(refreshed.wait(1000));
    dialog->show();
    QCOMPARE(label("lblRecipeNameVal", 5)->text(), QStringLiteral("Lungo"));
}

QTEST_MAIN(TestThermosTimersDialog)
#include "tst_thermostimersdialog.moc"
