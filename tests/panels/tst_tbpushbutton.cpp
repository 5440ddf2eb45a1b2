#include "tbpushbutton.h"

#include <QTimer>
#include <QtTest>

namespace {

// The picture of the button's current look and whether it is enabled.
QString look(const TBPushButton &button)
{
    const QString sheet = button.styleSheet();
    const int start = sheet.indexOf(QLatin1String(":/images/")) + 9;
    return sheet.mid(start, sheet.indexOf(QLatin1Char(')'), start) - start) +
           (button.isEnabled() ? " enabled" : " disabled");
}

} // namespace

// The state button: its three looks, and the blinking that only setActive ends.
class TestTBPushButton : public QObject
{
    Q_OBJECT
private slots:
    void looksAndBlinking();
};

void TestTBPushButton::looksAndBlinking()
{
    TBPushButton button;
    auto *timer = button.findChild<QTimer *>();
    QCOMPARE(timer->interval(), 500);
    button.setActive(false);
    QCOMPARE(look(button), QStringLiteral("button_nonselected.png disabled"));
    QVERIFY(button.styleSheet().contains(QLatin1String("color: rgb(255, 255, 255);")));

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

QTEST_MAIN(TestTBPushButton)
#include "tst_tbpushbutton.moc"
