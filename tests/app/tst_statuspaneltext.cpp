#include "recipeprogress.h"
#include "recordfilter.h"
#include "statuspaneltext.h"
#include "telemetryrecord.h"

#include <QtTest>

// Texts of the "Logdata" page and the rules telemetry drives: which records are shown,
// the recipe runner's progress and the start of the loop wait.
class TestStatusPanelText : public QObject
{
    Q_OBJECT
private slots:
    void recordTexts_data();
    void recordTexts();
    void objectTexts_data();
    void objectTexts();
    void recordFilter_data();
    void recordFilter();
    void macMatchMakesTheRecordsIpTheConnection();
    void recipeProgress_data();
    void recipeProgress();
};

void TestStatusPanelText::recordTexts_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("macro");
    QTest::addColumn<int>("eta");
    QTest::addColumn<QString>("texts"); // state, ETA, flow ("-": left out, keeps the old text)
    QTest::newRow("brew 998 shows its time left") << 4 << 998 << 125 << "RUNNING 02:05 5.3 ml/s";
    QTest::newRow("brew 997 too, in minutes") << 4 << 997 << 3725 << "RUNNING 62:05 5.3 ml/s";
    QTest::newRow("other macro shows no time") << 2 << 5 << 125 << "IDLE 00:00 5.3 ml/s";
    QTest::newRow("no macro: run values left out") << 2 << 0 << 125 << "IDLE 00:00 -";
    QTest::newRow("negative macro: run values left out") << 16 << -1 << 0 << "HEAT.ERR 00:00 -";
    QTest::newRow("unnamed state shows its number") << 6 << 1 << 0 << "6 00:00 5.3 ml/s";
}

void TestStatusPanelText::recordTexts()
{
    QFETCH(int, state);
    QFETCH(int, macro);
    QFETCH(int, eta);
    QFETCH(QString, texts);
    TBTubeLogData record(0x00564f52, 0x4e01, recordIp("192.168.1.50"), uint8_t(state), 20.24f, 90.f,
                         91.f, 85.96f, 123.46f, 5.26f, 250.f, 5.5f, 49.f, 2150.5f, macro, 2, 1800.f,
                         1700.f, 120.f, 1950);
    record.eta = eta;
    const StatusPanelText::Texts shown = StatusPanelText::recordTexts(record);
    QCOMPARE(QStringList({shown.value("lblCurState"), shown.value("lblETA"),
                          shown.value("lblCurrFlow", "-")})
                 .join(' '),
             texts);
    // The flows, power, volumes and percent come and go together.
    const QStringList run = {"lblCurrTargetFlow", "lblCurrFlow", "lblCurrPower",
                             "lblCurrVol",        "lblTargVol",  "lblPercent"};
    for (const QString &label : run)
        QCOMPARE(shown.contains(label), macro > 0);
    QCOMPARE(shown.value("lblCurrTempHat"), QStringLiteral("86.0 deg"));
}

void TestStatusPanelText::objectTexts_data()
{
    QTest::addColumn<qulonglong>("id");
    QTest::addColumn<qulonglong>("value");
    QTest::addColumn<QString>("shown"); // widget=text, empty: not shown
    QTest::newRow("output 11") << 11ull << 1ull << "lblO11=O11:1";
    QTest::newRow("output 18") << 18ull << 4096ull << "lblO18=O18:4096";
    QTest::newRow("target 853 drops the tenths") << 323ull << 853ull << "lblTargetTemp=085.0";
    QTest::newRow("target 1250") << 323ull << 1250ull << "lblTargetTemp=125.0";
    QTest::newRow("target wider than five") << 323ull << 123456ull << "lblTargetTemp=12345.0";
    QTest::newRow("object 19 not shown") << 19ull << 1ull << "";
    QTest::newRow("object 324 not shown") << 324ull << 1ull << "";
}

void TestStatusPanelText::objectTexts()
{
    QFETCH(qulonglong, id);
    QFETCH(qulonglong, value);
    QFETCH(QString, shown);
    const auto text = StatusPanelText::objectText(ulong(id), ulong(value));
    QCOMPARE(text ? text->widget + '=' + text->text : QString(), shown);
}

void TestStatusPanelText::recordFilter_data()
{
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("the connected address") << QString("10.0.0.50:23") << "10.0.0.50" << true;
    QTest::newRow("x.x.x.5 is not x.x.x.50 (no text prefix)")
        << QString("10.0.0.50:23") << "10.0.0.5" << false;
    QTest::newRow("x.x.x.50 is not x.x.x.5") << QString("10.0.0.5:23") << "10.0.0.50" << false;
    QTest::newRow("bare IP of an accepted connection") << QString("10.0.0.7") << "10.0.0.7" << true;
    QTest::newRow("a host name never equals an IP")
        << QString("localhost:23") << "127.0.0.1" << false;
}

void TestStatusPanelText::recordFilter()
{
    QFETCH(QString, connection);
    QFETCH(QString, ip);
    QFETCH(bool, accepted);
    const QString before = connection;
    QCOMPARE(RecordFilter::accept(telemetryRecord(ip), false, nullptr, connection), accepted);
    QCOMPARE(connection, before);
}

void TestStatusPanelText::macMatchMakesTheRecordsIpTheConnection()
{
    const Device board(2, "00564f524e01", "1.1.1.1", "71405", "2.13", "tube");
    const QString other = QStringLiteral("00564f524e02");
    QString connection = QStringLiteral("localhost:23");
    // Only for an accepted connection with a main device, and only for its MAC.
    QVERIFY(!RecordFilter::accept(telemetryRecord("10.0.0.9"), false, &board, connection));
    QVERIFY(!RecordFilter::accept(telemetryRecord("10.0.0.9"), true, nullptr, connection));
    QVERIFY(!RecordFilter::accept(telemetryRecord("10.0.0.8", other), true, &board, connection));
    QCOMPARE(connection, QStringLiteral("localhost:23"));

    QVERIFY(RecordFilter::accept(telemetryRecord("10.0.0.9"), true, &board, connection));
    QCOMPARE(connection, QStringLiteral("10.0.0.9"));
    // From then on the address decides.
    QVERIFY(RecordFilter::accept(telemetryRecord("10.0.0.9", other), true, &board, connection));
    QVERIFY(!RecordFilter::accept(telemetryRecord("10.0.0.90", other), true, &board, connection));
}

void TestStatusPanelText::recipeProgress_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("macro");
    QTest::addColumn<float>("targVol");
    QTest::addColumn<QString>("progress"); // percent/time, empty: none
    QTest::newRow("idle is done") << 2 << 0 << 250.f << "100/0";
    QTest::newRow("brewing: integer part of the share") << 4 << 998 << 250.f << "49/75";
    QTest::newRow("brewing without a target volume: 0, no division by zero")
        << 4 << 998 << 0.f << "0/75";
    QTest::newRow("brewing with a tiny target stays an int")
        << 4 << 998 << 1e-30f << QString("%1/75").arg(std::numeric_limits<int>::max());
    QTest::newRow("other macro: nothing") << 4 << 997 << 250.f << "";
}

void TestStatusPanelText::recipeProgress()
{
    QFETCH(int, state);
    QFETCH(int, macro);
    QFETCH(float, targVol);
    QFETCH(QString, progress);
    TBTubeLogData record = telemetryRecord("10.0.0.1");
    record.state = uint8_t(state);
    record.macro = macro;
    record.currVol = 124.9f;
    record.targVol = targVol;
    record.eta = 75;
    const auto got = RecipeProgress::of(record);
    QCOMPARE(got ? QString("%1/%2").arg(got->percent).arg(got->timeLeft) : QString(), progress);
}

QTEST_APPLESS_MAIN(TestStatusPanelText)
#include "tst_statuspaneltext.moc"
