#include "tbpushbutton.h"

#include <QTimer>
#include <QtTest>

namespace {

// The picture of the button's current look.
QString image(const TBPushButton &button)
{
    const QString sheet = button.styleSheet();
    const int start = sheet.indexOf(QLatin1String(":/images/")) + 9;
    return sheet.mid(start, sheet.indexOf(QLatin1Char(')'), start) - start);
}

} // namespace

// The state button: its three looks and the blinking that only setActive ends.
class TestTBPushButton : public QObject
{
    Q_OBJECT
private slots:
    void looks_data();
    void looks();
    void blinkingAlternatesUntilSetActive();
};

void TestTBPushButton::looks_data()
{
    QTest::addColumn<int>("call"); // 0 setActive(false), 1 setActive(true), 2 startBlinking
    QTest::addColumn<QString>("image");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("selected is enabled") << 1 << "button_selected.png" << true;
    QTest::newRow("non-selected is disabled") << 0 << "button_nonselected.png" << false;
    QTest::newRow("running is enabled") << 2 << "button_state_running.png" << true;
}

void TestTBPushButton::looks()
{
    QFETCH(int, call);
    TBPushButton button;
    button.setText(QStringLiteral("Brew"));
    if (call == 2)
        button.startBlinking();
    else
        button.setActive(call == 1);
    QTEST(image(button), "image");
    QTEST(button.isEnabled(), "enabled");
    QVERIFY(button.styleSheet().contains(QLatin1String("color: rgb(255, 255, 255);")));
    QCOMPARE(button.text(), QStringLiteral("Brew")); // callers own the text
}

void TestTBPushButton::blinkingAlternatesUntilSetActive()
{
    TBPushButton button;
    auto *timer = button.findChild<QTimer *>();
    QCOMPARE(timer->interval(), 500);
    QVERIFY(!timer->isActive());

    button.startBlinking();
    QVERIFY(timer->isActive());
    QStringList shown;
    for (int tick = 0; tick < 3; ++tick) {
        button.blinkTimeOut();
        shown << image(button);
    }
    QCOMPARE(shown, QStringList({"button_nonselected.png", "button_state_running.png",
                                 "button_nonselected.png"}));

    // Still clickable, and a click does not end the blinking.
    QSignalSpy clicks(&button, &QPushButton::clicked);
    button.click();
    QCOMPARE(clicks.count(), 1);
    QVERIFY(button.isBlinking() && timer->isActive());

    button.setActive(true);
    QVERIFY(!timer->isActive());
    button.blinkTimeOut();
    QCOMPARE(image(button), QStringLiteral("button_selected.png"));
}

QTEST_MAIN(TestTBPushButton)
#include "tst_tbpushbutton.moc"
