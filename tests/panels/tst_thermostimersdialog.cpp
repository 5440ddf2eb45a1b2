#include "thermosmachine.h"
#include "thermostimersdialog.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QString kMac = QStringLiteral("00564f524e03");

} // namespace

// The thermos board on a clock of the test: a panel through brew start, ping and end, the
// blinking number of a brewing thermos, the clock, and Back with the timers running on.
class TestThermosTimersDialog : public QObject
{
    Q_OBJECT
private slots:
    void panelFollowsABrew();
    void numberOfABrewingThermosBlinks();

private:
    // Text, colour and enabled state of a label of panel n.
    QString look(const char *label, int n) const
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

void TestThermosTimersDialog::panelFollowsABrew()
{
    QCOMPARE(look("lblRecipeNameVal", 4), QStringLiteral("No data | color:gray; | off"));
    QCOMPARE(look("lblUnitVal", 4), QStringLiteral("No data | color:gray; | off"));
    QCOMPARE(dialog->findChild<QLabel *>("lblCurrentTimeVal")->text(), "2024-05-06 14:28");

    thermoses.brewStart(kMac, "Espresso", "1:100:98", 4, 194);
    dialog->the1000Timer_timeout();
    QCOMPARE(look("lblId", 4), QStringLiteral("4 | color:blue;"));
    QCOMPARE(look("lblBrewTimerVal", 4), QStringLiteral("Brewtime left:03m 14s | color:blue;"));
    QCOMPARE(look("lblRecipeNameVal", 4), QStringLiteral("Espresso | color:blue;"));
    QCOMPARE(look("lblBrewKlockVal", 4), QStringLiteral("Brewstart: 14:28 | color:blue;"));
    QCOMPARE(look("lblUnitVal", 4), kMac + " | color:blue;"); // a unit nobody announced

    now = now.addSecs(60);
    thermoses.brewPing(kMac, 4, 100);
    dialog->the1000Timer_timeout();
    QCOMPARE(look("lblBrewTimerVal", 4), QStringLiteral("Brewtime left:01m 40s | color:blue;"));

    // Back hides the board; its refresh goes on and moves the brewed thermos along.
    dialog->show();
    dialog->findChild<QPushButton *>("btnBack")->click();
    QVERIFY(!dialog->isVisible());
    now = now.addSecs(120);
    thermoses.brewEnd(kMac, "", "1:100:98", 4, 25);
    now = now.addSecs(1);
    QTimer *refresh = dialog->findChild<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(refresh->interval(), 1000);
    QSignalSpy refreshed(refresh, &QTimer::timeout);
    refresh->start(0);
    QVERIFY(refreshed.wait(1000));
    QCOMPARE(look("lblBrewTimerVal", 4), QStringLiteral("Rebrew in:00h 24m | color:green;"));
    QCOMPARE(look("lblBrewKlockVal", 4), QStringLiteral("Brewtime: 14:31 | color:green;"));
    QCOMPARE(look("lblRecipeNameVal", 4), QStringLiteral("Espresso | color:green;"));
    QCOMPARE(dialog->findChild<QLabel *>("lblCurrentTimeVal")->text(), "2024-05-06 14:31");
}

void TestThermosTimersDialog::numberOfABrewingThermosBlinks()
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

QTEST_MAIN(TestThermosTimersDialog)
#include "tst_thermostimersdialog.moc"
