#include "recipeprogress.h"
#include "recordfilter.h"
#include "statuspaneltext.h"
#include "telemetryrecord.h"
#include "tubestate.h"

#include <QtTest>

// Texts of the "Logdata" page and the rules telemetry drives: which records are shown,
// the recipe runner's progress and the start of the loop wait.
class TestStatusPanelText : public QObject
{
    Q_OBJECT
private slots:
    void stateNames();
    void eta_data();
    void eta();
    void objectTexts_data();
    void objectTexts();
    void runLabelsOnlyWhileAMacroRuns();
    void recordFilter_data();
    void recordFilter();
    void macMatchMakesTheRecordsIpTheConnection();
    void recipeProgress_data();
    void recipeProgress();
};

void TestStatusPanelText::stateNames()
{
    TBTubeLogData record = telemetryRecord("10.0.0.1");
    QStringList names;
    for (int state : {2, 4, 16, 18, 19, 20, 22, 23, 6, 0}) {
        record.state = uint8_t(state);
        names << StatusPanelText::recordTexts(record).value("lblCurState");
    }
    // Unnamed states show their number.
    QCOMPARE(
        names.join(QLatin1Char(',')),
        QStringLiteral("IDLE,RUNNING,HEAT.ERR,FW.UPD,IO ERR,W.SUPP.ERR,FLOWM.ERR,MOT.ERR,6,0"));
}

void TestStatusPanelText::eta_data()
{
    QTest::addColumn<int>("macro");
    QTest::addColumn<int>("eta");
    QTest::addColumn<QString>("text");
    QTest::newRow("brew 998") << 998 << 125 << "02:05";
    QTest::newRow("brew 997") << 997 << 125 << "02:05";
    QTest::newRow("macro 5 shows none") << 5 << 125 << "00:00";
    QTest::newRow("no macro shows none") << 0 << 125 << "00:00";
    QTest::newRow("over an hour in minutes") << 998 << 3725 << "62:05";
}

void TestStatusPanelText::eta()
{
    QFETCH(int, macro);
    QFETCH(int, eta);
    QFETCH(QString, text);
    TBTubeLogData record = telemetryRecord("10.0.0.1");
    record.macro = macro;
    record.eta = eta;
    QCOMPARE(StatusPanelText::recordTexts(record).value("lblETA"), text);
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

void TestStatusPanelText::runLabelsOnlyWhileAMacroRuns()
{
    TBTubeLogData record(0x00564f52, 0x4e01, recordIp("192.168.1.50"), 4, 20.24f, 90.f, 91.f,
                         85.96f, 123.46f, 5.26f, 250.f, 5.5f, 49.f, 2150.5f, 998, 2, 1800.f, 1700.f,
                         120.f, 1950);
    record.hwId = "71405";
    record.logId = 4711;
    const StatusPanelText::Texts running = StatusPanelText::recordTexts(record);
    QStringList got;
    for (auto it = running.cbegin(); it != running.cend(); ++it)
        got << it.key() + '=' + it.value();
    QCOMPARE(got.join(QLatin1Char('|')),
             QStringLiteral(
                 "btnMAC=00564f524e01|lblActiveMacrocount=2|lblCurState=RUNNING|"
                 "lblCurrFlow=5.3 ml/s|lblCurrH1=90.0 deg|lblCurrH2=91.0 deg|lblCurrPower=2150.5 w|"
                 "lblCurrTargetFlow=5.5 ml/s|lblCurrTempHat=86.0 deg|lblCurrTempIn=20.2 deg|"
                 "lblCurrVol=123.5|lblETA=00:00|lblFlowticsLiter=1950|lblHWID=71405|"
                 "lblLogID=4711|lblLogIP=192.168.1.50|lblPercent=49.0|lblSWID=|"
                 "lblSetOverHeat=120.0|lblSetPowerH1=1800.0|lblSetPowerH2=1700.0|"
                 "lblTargVol=250.0|lbllogMacro=998"));

    for (int macro : {0, -1}) {
        record.macro = macro;
        const StatusPanelText::Texts idle = StatusPanelText::recordTexts(record);
        QCOMPARE(QSet<QString>(running.keyBegin(), running.keyEnd()) -
                     QSet<QString>(idle.keyBegin(), idle.keyEnd()),
                 (QSet<QString>{"lblCurrTargetFlow", "lblCurrFlow", "lblCurrPower", "lblCurrVol",
                                "lblTargVol", "lblPercent"}));
    }
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
