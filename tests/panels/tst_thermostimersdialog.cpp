#include "thermosmachine.h"
#include "thermostimersdialog.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QString kMac = QStringLiteral("00564f524e03");

} // namespace

// The thermos board on a clock of the test: a panel of a brewing thermos, the clock, Back with
// the timers running on, and the blinking number. The texts are the thermos records'.
class TestThermosTimersDialog : public QObject
{
    Q_OBJECT
private slots:
    void panelFollowsABrewWhileHidden()
    {
        QCOMPARE(look("lblUnitVal", 4), QStringLiteral("No data | color:gray; | off"));
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
            panel << look(label, 4);
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

QTEST_MAIN(TestThermosTimersDialog)
#include "tst_thermostimersdialog.moc"
