#include "loopwait.h"
#include "recipeprogress.h"
#include "recordfilter.h"
#include "statuspaneltext.h"
#include "telemetryrecord.h"
#include "tubestate.h"

#include <QtTest>

namespace {

TBTubeLogData record(const QString &ip, const QString &mac = QStringLiteral("00564f524e01"))
{
    return telemetryRecord(ip, mac);
}

} // namespace

// Texts of the "Logdata" page and the rules telemetry drives: which records are shown,
// the recipe runner's progress and the start of the loop wait.
class TestStatusPanelText : public QObject
{
    Q_OBJECT
private slots:
    void stateNames_data();
    void stateNames();
    void etaOnlyForBrewMacros_data();
    void etaOnlyForBrewMacros();
    void objectTexts_data();
    void objectTexts();
    void recordTextsOfARunningMacro();
    void macroZeroLeavesTheSixRunLabelsOut();

    void recordFilter_data();
    void recordFilter();
    void macMatchMakesTheRecordsIpTheConnection();

    void recipeProgress_data();
    void recipeProgress();

    void loopWaitStarts_data();
    void loopWaitStarts();
    void loopWaitOverARunOfStates();
};

void TestStatusPanelText::stateNames_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("name");
    QTest::newRow("2 idle") << 2 << "IDLE";
    QTest::newRow("4 running") << 4 << "RUNNING";
    QTest::newRow("16 heater error") << 16 << "HEAT.ERR";
    QTest::newRow("18 firmware update") << 18 << "FW.UPD";
    QTest::newRow("19 io error") << 19 << "IO ERR";
    QTest::newRow("20 water supply error") << 20 << "W.SUPP.ERR";
    QTest::newRow("22 flowmeter error") << 22 << "FLOWM.ERR";
    QTest::newRow("23 motor error") << 23 << "MOT.ERR";
    QTest::newRow("unnamed 6 as its number") << 6 << "6";
    QTest::newRow("unnamed 0 as its number") << 0 << "0";
    QTest::newRow("unnamed 255 as its number") << 255 << "255";
}

void TestStatusPanelText::stateNames()
{
    QFETCH(int, state);
    QFETCH(QString, name);
    QCOMPARE(tubeStateName(state), name);
    TBTubeLogData r = record(QStringLiteral("10.0.0.1"));
    r.state = uint8_t(state);
    QCOMPARE(StatusPanelText::recordTexts(r).value(QStringLiteral("lblCurState")), name);
}

void TestStatusPanelText::etaOnlyForBrewMacros_data()
{
    QTest::addColumn<int>("macro");
    QTest::addColumn<int>("eta");
    QTest::addColumn<QString>("text");
    QTest::newRow("brew 998, 125 s") << 998 << 125 << "02:05";
    QTest::newRow("brew 997, 125 s") << 997 << 125 << "02:05";
    QTest::newRow("other macro 5 shows none") << 5 << 125 << "00:00";
    QTest::newRow("macro 999 shows none") << 999 << 125 << "00:00";
    QTest::newRow("no macro shows none") << 0 << 3600 << "00:00";
    QTest::newRow("an hour and more in minutes") << 998 << 3725 << "62:05";
    QTest::newRow("zero left") << 998 << 0 << "00:00";
}

void TestStatusPanelText::etaOnlyForBrewMacros()
{
    QFETCH(int, macro);
    QFETCH(int, eta);
    QFETCH(QString, text);
    TBTubeLogData r = record(QStringLiteral("10.0.0.1"));
    r.macro = macro;
    r.eta = eta;
    QCOMPARE(StatusPanelText::recordTexts(r).value(QStringLiteral("lblETA")), text);
}

void TestStatusPanelText::objectTexts_data()
{
    QTest::addColumn<qulonglong>("id");
    QTest::addColumn<qulonglong>("value");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("text");
    QTest::newRow("output 11") << 11ull << 1ull << "lblO11"
                               << "O11:1";
    QTest::newRow("output 18 decimal") << 18ull << 4096ull << "lblO18"
                                       << "O18:4096";
    QTest::newRow("target temp 853 drops the tenths") << 323ull << 853ull << "lblTargetTemp"
                                                      << "085.0";
    QTest::newRow("target temp 1250") << 323ull << 1250ull << "lblTargetTemp"
                                      << "125.0";
    QTest::newRow("target temp below one degree") << 323ull << 9ull << "lblTargetTemp"
                                                  << "000.0";
    QTest::newRow("target temp wider than five") << 323ull << 123456ull << "lblTargetTemp"
                                                 << "12345.0";
    QTest::newRow("output 10 not shown") << 10ull << 1ull << ""
                                         << "";
    QTest::newRow("output 19 not shown") << 19ull << 1ull << ""
                                         << "";
    QTest::newRow("object 324 not shown") << 324ull << 1ull << ""
                                          << "";
}

void TestStatusPanelText::objectTexts()
{
    QFETCH(qulonglong, id);
    QFETCH(qulonglong, value);
    QFETCH(QString, widget);
    QFETCH(QString, text);
    const auto shown = StatusPanelText::objectText(ulong(id), ulong(value));
    QCOMPARE(shown.has_value(), !widget.isEmpty());
    if (shown) {
        QCOMPARE(shown->widget, widget);
        QCOMPARE(shown->text, text);
    }
}

void TestStatusPanelText::recordTextsOfARunningMacro()
{
    TBTubeLogData r(0x00564f52, 0x4e01, recordIp("192.168.1.50"), 4, 20.24f, 90.f, 91.04f, 85.96f,
                    123.46f, 5.26f, 250.f, 5.5f, 49.f, 2150.5f, 998, 2, 1800.f, 1700.f, 120.f,
                    1950);
    r.eta = 61;
    r.hwId = QStringLiteral("71405");
    r.swId = QStringLiteral("190918");
    r.logId = 4711;
    const StatusPanelText::Texts expected = {{"lblLogID", "4711"},
                                             {"lblHWID", "71405"},
                                             {"lblSWID", "190918"},
                                             {"lblLogIP", "192.168.1.50"},
                                             {"btnMAC", "00564f524e01"},
                                             {"lbllogMacro", "998"},
                                             {"lblCurState", "RUNNING"},
                                             {"lblCurrTempIn", "20.2 deg"},
                                             {"lblCurrH1", "90.0 deg"},
                                             {"lblCurrH2", "91.0 deg"},
                                             {"lblCurrTempHat", "86.0 deg"},
                                             {"lblCurrTargetFlow", "5.5 ml/s"},
                                             {"lblCurrFlow", "5.3 ml/s"},
                                             {"lblCurrPower", "2150.5 w"},
                                             {"lblCurrVol", "123.5"},
                                             {"lblTargVol", "250.0"},
                                             {"lblPercent", "49.0"},
                                             {"lblSetPowerH1", "1800.0"},
                                             {"lblSetPowerH2", "1700.0"},
                                             {"lblSetOverHeat", "120.0"},
                                             {"lblActiveMacrocount", "2"},
                                             {"lblFlowticsLiter", "1950"},
                                             {"lblETA", "01:01"}};
    const StatusPanelText::Texts texts = StatusPanelText::recordTexts(r);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QCOMPARE(it.key() + QLatin1Char('=') + texts.value(it.key()),
                 it.key() + QLatin1Char('=') + it.value());
    QCOMPARE(texts.keys(), expected.keys());
}

void TestStatusPanelText::macroZeroLeavesTheSixRunLabelsOut()
{
    for (int macro : {0, -1}) {
        TBTubeLogData r = record(QStringLiteral("10.0.0.1"));
        r.macro = macro;
        r.currFlow = 9.f;
        const StatusPanelText::Texts texts = StatusPanelText::recordTexts(r);
        for (const char *name : {"lblCurrTargetFlow", "lblCurrFlow", "lblCurrPower", "lblCurrVol",
                                 "lblTargVol", "lblPercent"})
            QVERIFY2(!texts.contains(QLatin1String(name)), name);
        QCOMPARE(texts.size(), 17);
        QCOMPARE(texts.value(QStringLiteral("lbllogMacro")), QString::number(macro));
        QCOMPARE(texts.value(QStringLiteral("lblSetOverHeat")), QStringLiteral("0.0"));
    }
}

void TestStatusPanelText::recordFilter_data()
{
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("same address as the client connection") << "10.0.0.50:23"
                                                           << "10.0.0.50" << true;
    QTest::newRow("x.x.x.5 is not x.x.x.50 (no text prefix)") << "10.0.0.50:23"
                                                              << "10.0.0.5" << false;
    QTest::newRow("x.x.x.50 is not x.x.x.5") << "10.0.0.5:23"
                                             << "10.0.0.50" << false;
    QTest::newRow("other network") << "10.0.0.50:23"
                                   << "192.168.0.50" << false;
    QTest::newRow("bare IP from an accepted connection") << "10.0.0.7"
                                                         << "10.0.0.7" << true;
    QTest::newRow("host name never equals an IP") << "localhost:23"
                                                  << "127.0.0.1" << false;
    QTest::newRow("loopback demo connection") << "127.0.0.1:2323"
                                              << "127.0.0.1" << true;
}

void TestStatusPanelText::recordFilter()
{
    QFETCH(QString, connection);
    QFETCH(QString, ip);
    QFETCH(bool, accepted);
    const QString before = connection;
    QCOMPARE(RecordFilter::accept(record(ip), false, nullptr, connection), accepted);
    QCOMPARE(connection, before);
}

void TestStatusPanelText::macMatchMakesTheRecordsIpTheConnection()
{
    const Device board(2, QStringLiteral("00564f524e01"), QStringLiteral("1.1.1.1"),
                       QStringLiteral("71405"), QStringLiteral("2.13"), QStringLiteral("tube"));
    QString connection = QStringLiteral("localhost:23");

    // A client connection does not match by MAC.
    QVERIFY(!RecordFilter::accept(record("10.0.0.9"), false, &board, connection));
    QCOMPARE(connection, QStringLiteral("localhost:23"));
    // An accepted one without a known main device neither.
    QVERIFY(!RecordFilter::accept(record("10.0.0.9"), true, nullptr, connection));

    // Another board's record does not move the connection.
    QVERIFY(!RecordFilter::accept(record("10.0.0.8", "00564f524e02"), true, &board, connection));
    QVERIFY(RecordFilter::accept(record("10.0.0.9"), true, &board, connection));
    QCOMPARE(connection, QStringLiteral("10.0.0.9"));

    // From then on the address decides: x.x.x.90 is not x.x.x.9 and the MAC alone is not enough.
    QVERIFY(!RecordFilter::accept(record("10.0.0.90", "00564f524e02"), true, &board, connection));
    QVERIFY(RecordFilter::accept(record("10.0.0.9", "00564f524e02"), true, &board, connection));
    // Letter case of the MAC counts.
    const Device upper(2, QStringLiteral("00564F524E01"), {}, {}, {}, {});
    QVERIFY(!RecordFilter::accept(record("10.0.0.3"), true, &upper, connection));
    QCOMPARE(connection, QStringLiteral("10.0.0.9"));
}

void TestStatusPanelText::recipeProgress_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("macro");
    QTest::addColumn<float>("currVol");
    QTest::addColumn<float>("targVol");
    QTest::addColumn<int>("percent"); // -1: nothing for the runner
    QTest::addColumn<int>("time");
    QTest::newRow("idle is done") << 2 << 998 << 10.f << 250.f << 100 << 0;
    QTest::newRow("idle without a macro is done") << 2 << 0 << 0.f << 0.f << 100 << 0;
    QTest::newRow("brewing: share of the target cut to an integer")
        << 4 << 998 << 124.9f << 250.f << 49 << 75;
    QTest::newRow("brewing past the target") << 4 << 998 << 300.f << 250.f << 120 << 75;
    QTest::newRow("brewing without a target volume gives 0, not a division by zero")
        << 4 << 998 << 10.f << 0.f << 0 << 75;
    QTest::newRow("brewing with a negative target gives 0") << 4 << 998 << 10.f << -5.f << 0 << 75;
    QTest::newRow("brewing with a tiny target stays an int")
        << 4 << 998 << 3e38f << 1e-30f << std::numeric_limits<int>::max() << 75;
    QTest::newRow("other macro running: nothing") << 4 << 997 << 10.f << 250.f << -1 << 0;
    QTest::newRow("no macro running: nothing") << 4 << 0 << 10.f << 250.f << -1 << 0;
}

void TestStatusPanelText::recipeProgress()
{
    QFETCH(int, state);
    QFETCH(int, macro);
    QFETCH(float, currVol);
    QFETCH(float, targVol);
    QFETCH(int, percent);
    QFETCH(int, time);
    TBTubeLogData r = record(QStringLiteral("10.0.0.1"));
    r.state = uint8_t(state);
    r.macro = macro;
    r.currVol = currVol;
    r.targVol = targVol;
    r.eta = 75;
    const auto progress = RecipeProgress::of(r);
    QCOMPARE(progress.has_value(), percent >= 0);
    if (progress) {
        QCOMPARE(progress->percent, percent);
        QCOMPARE(progress->timeLeft, time);
    }
}

void TestStatusPanelText::loopWaitStarts_data()
{
    QTest::addColumn<int>("previous");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("armed");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("starts");
    QTest::newRow("running to idle, armed and checked") << 4 << 2 << true << true << true;
    QTest::newRow("idle to idle starts nothing") << 2 << 2 << true << true << false;
    QTest::newRow("running to running") << 4 << 4 << true << true << false;
    QTest::newRow("idle to running") << 2 << 4 << true << true << false;
    QTest::newRow("error to idle") << 16 << 2 << true << true << false;
    QTest::newRow("first record idle (previous 0)") << 0 << 2 << true << true << false;
    QTest::newRow("not armed: the box alone starts nothing") << 4 << 2 << false << true << false;
    QTest::newRow("armed but box unchecked") << 4 << 2 << true << false << false;
}

void TestStatusPanelText::loopWaitStarts()
{
    QFETCH(int, previous);
    QFETCH(int, state);
    QFETCH(bool, armed);
    QFETCH(bool, checked);
    QFETCH(bool, starts);
    QCOMPARE(LoopWait::starts(previous, state, armed, checked), starts);
}

void TestStatusPanelText::loopWaitOverARunOfStates()
{
    // States 4, 4, 2 start one wait; 2, 2 afterwards none; 4, 2 again one more.
    int previous = 0;
    QList<int> startedAt;
    const QList<int> states = {4, 4, 2, 2, 2, 4, 2};
    for (int i = 0; i < states.size(); ++i) {
        if (LoopWait::starts(previous, states.at(i), true, true))
            startedAt << i;
        previous = states.at(i);
    }
    QCOMPARE(startedAt, (QList<int>{2, 6}));
}

QTEST_APPLESS_MAIN(TestStatusPanelText)
#include "tst_statuspaneltext.moc"
