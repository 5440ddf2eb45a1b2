#include "tbrowparser.h"

#include <QtTest>

// Console rows of a tube board and the control-center labels they set.
class TestTBRowParser : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void TestTBRowParser::parse_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<bool>("loopChecked");
    QTest::addColumn<QStringList>("labels"); // "label=text", in order
    QTest::addColumn<int>("progress");       // -1: not set
    QTest::addColumn<bool>("unlock");
    QTest::addColumn<bool>("loopDue");
    QTest::addColumn<QString>("trace");

    QTest::newRow("run row formats volume and flow, keeps power with its LF")
        << "IO [x]: I:20.5 H1:90 H2:91 H:85 V:123.4 F:5.26 P:40 E:12" << false
        << QStringList{"lblStatusT0=20.5",
                       "lblStatusT1=90",
                       "lblStatusT2=91",
                       "lblStatusT3=85",
                       "lblStatusDispWater=123.4 ml",
                       "lblStatusCurrentFlow=5.3 ml/s",
                       "lblStatusCalcPower=12\n"}
        << 40 << false << false
        << "TBRun LOG: [IO [x]: I:20.5 H1:90 H2:91 H:85 V:123.4 F:5.26 "
           "P:40 E:12]";
    QTest::newRow("run row with text numbers shows 0.0")
        << "IO [x]: I:a H1:b H2:c H:d V:vol F:flow P:p E:e" << false
        << QStringList{"lblStatusT0=a",
                       "lblStatusT1=b",
                       "lblStatusT2=c",
                       "lblStatusT3=d",
                       "lblStatusDispWater=0.0 ml",
                       "lblStatusCurrentFlow=0.0 ml/s",
                       "lblStatusCalcPower=e\n"}
        << 0 << false << false << "TBRun LOG: [IO [x]: I:a H1:b H2:c H:d V:vol F:flow P:p E:e]";
    QTest::newRow("progress cut to an integer")
        << "IO [x]: I:1 H1:2 H2:3 H:4 V:5 F:6 P:99.9 E:7" << false
        << QStringList{"lblStatusT0=1",
                       "lblStatusT1=2",
                       "lblStatusT2=3",
                       "lblStatusT3=4",
                       "lblStatusDispWater=5.0 ml",
                       "lblStatusCurrentFlow=6.0 ml/s",
                       "lblStatusCalcPower=7\n"}
        << 99 << false << false << "TBRun LOG: [IO [x]: I:1 H1:2 H2:3 H:4 V:5 F:6 P:99.9 E:7]";
    QTest::newRow("progress beyond int counts 0")
        << "IO [x]: I:1 H1:2 H2:3 H:4 V:5 F:6 P:1e30 E:7" << false
        << QStringList{"lblStatusT0=1",
                       "lblStatusT1=2",
                       "lblStatusT2=3",
                       "lblStatusT3=4",
                       "lblStatusDispWater=5.0 ml",
                       "lblStatusCurrentFlow=6.0 ml/s",
                       "lblStatusCalcPower=7\n"}
        << 0 << false << false << "TBRun LOG: [IO [x]: I:1 H1:2 H2:3 H:4 V:5 F:6 P:1e30 E:7]";
    QTest::newRow("progress inf counts 0")
        << "IO [x]: I:1 H1:2 H2:3 H:4 V:inf F:6 P:inf E:7" << false
        << QStringList{"lblStatusT0=1",
                       "lblStatusT1=2",
                       "lblStatusT2=3",
                       "lblStatusT3=4",
                       "lblStatusDispWater=0.0 ml",
                       "lblStatusCurrentFlow=6.0 ml/s",
                       "lblStatusCalcPower=7\n"}
        << 0 << false << false << "TBRun LOG: [IO [x]: I:1 H1:2 H2:3 H:4 V:inf F:6 P:inf E:7]";
    QTest::newRow("macro row") << "IO [12:00]: M:7 C:1 S:30 T:0" << false
                               << QStringList{"lblStatusCurrMacro=7", "lblStatusRunningMacros=1",
                                              "lblStatusRunningTime=30"}
                               << -1 << false << false
                               << "TBMacro LOG: [IO [12:00]: M:7 C:1 S:30 T:0]";
    QTest::newRow("macro row letter case ignored after IO")
        << "IO [x]: m:7 c:1 s:30 t:0" << false
        << QStringList{"lblStatusCurrMacro=7", "lblStatusRunningMacros=1",
                       "lblStatusRunningTime=30"}
        << -1 << false << false << "TBMacro LOG: [IO [x]: m:7 c:1 s:30 t:0]";
    QTest::newRow("lower-case io ignored")
        << "io [x]: m:7 c:1 s:30 t:0" << false << QStringList{} << -1 << false << false << "";
    QTest::newRow("heater row") << "IO [x]: H0:20 H1:90 H2:91 H3:85 H4:10" << false
                                << QStringList{"lblStatusT0=20", "lblStatusT1=90", "lblStatusT2=91",
                                               "lblStatusT3=85"}
                                << -1 << false << false
                                << "TBHeater LOG: [IO [x]: H0:20 H1:90 H2:91 H3:85 H4:10]";
    QTest::newRow("macro end row only traced")
        << "IO [x]: MacroEnd: M7 TT:30" << false << QStringList{} << -1 << false << false
        << "TBEnd LOG: [IO [x]: MacroEnd: M7 TT:30]";
    QTest::newRow("hat valve open at 0")
        << "IO [x]: O:14 V:0 T:5" << false << QStringList{"lblStatusHat=OPEN"} << -1 << false
        << false << "TBObj LOG: [IO [x]: O:14 V:0 T:5]";
    QTest::newRow("hat valve closed at 1")
        << "IO [x]: O:14 V:1 T:5" << false << QStringList{"lblStatusHat=CLOSED"} << -1 << false
        << false << "TBObj LOG: [IO [x]: O:14 V:1 T:5]";
    QTest::newRow("inlet valve on")
        << "IO [x]: O:11 V:3 T:5" << false << QStringList{"lblStatusInletValve=ON"} << -1 << false
        << false << "TBObj LOG: [IO [x]: O:11 V:3 T:5]";
    QTest::newRow("heater 1 off") << "IO [x]: O:12 V:0 T:5" << false
                                  << QStringList{"lblStatusH1=OFF"} << -1 << false << false
                                  << "TBObj LOG: [IO [x]: O:12 V:0 T:5]";
    QTest::newRow("heater 2 on") << "IO [x]: O:13 V:1 T:5" << false << QStringList{"lblStatusH2=ON"}
                                 << -1 << false << false << "TBObj LOG: [IO [x]: O:13 V:1 T:5]";
    QTest::newRow("pump mode as received")
        << "IO [x]: O:120 V:abc T:5" << false << QStringList{"lblStatusPump=abc"} << -1 << false
        << false << "TBObj LOG: [IO [x]: O:120 V:abc T:5]";
    QTest::newRow("target flow in tenths")
        << "IO [x]: O:261 V:55 T:5" << false << QStringList{"lblStatusTargetFlow=5.5 ml/s"} << -1
        << false << false << "TBObj LOG: [IO [x]: O:261 V:55 T:5]";
    QTest::newRow("target volume in liters")
        << "IO [x]: O:262 V:2500 T:5" << false << QStringList{"lblStatusTargetVol=2.5 liter"} << -1
        << false << false << "TBObj LOG: [IO [x]: O:262 V:2500 T:5]";
    QTest::newRow("pulses per liter share the volume label")
        << "IO [x]: O:263 V:1950 T:5" << false << QStringList{"lblStatusTargetVol=1950"} << -1
        << false << false << "TBObj LOG: [IO [x]: O:263 V:1950 T:5]";
    QTest::newRow("set temperature in tenths")
        << "IO [x]: O:323 V:925 T:5" << false << QStringList{"lblStatusSetTempp=92.5 deg"} << -1
        << false << false << "TBObj LOG: [IO [x]: O:323 V:925 T:5]";
    QTest::newRow("unknown object only traced")
        << "IO [x]: O:999 V:1 T:5" << false << QStringList{} << -1 << false << false
        << "TBObj LOG: [IO [x]: O:999 V:1 T:5]";
    QTest::newRow("object 65 only traced") << "IO [x]: O:65 V:1 T:5" << false << QStringList{} << -1
                                           << false << false << "TBObj LOG: [IO [x]: O:65 V:1 T:5]";
    QTest::newRow("unknown IO row traced")
        << "IO [x]: something\r" << false << QStringList{} << -1 << false << false
        << "TBUnknown LOG: [IO [x]: something]";
    QTest::newRow("macro done unlocks")
        << "MACRO_DONE" << false << QStringList{} << -1 << true << false << "";
    QTest::newRow("macro done with loop box is due")
        << "MACRO_DONE 7" << true << QStringList{} << -1 << true << true << "";
    QTest::newRow("other rows ignored")
        << "OK" << true << QStringList{} << -1 << false << false << "";
}

void TestTBRowParser::parse()
{
    QFETCH(QString, row);
    QFETCH(bool, loopChecked);
    QFETCH(QStringList, labels);
    QFETCH(int, progress);
    QFETCH(bool, unlock);
    QFETCH(bool, loopDue);
    QFETCH(QString, trace);

    const TBRowParser::Update u = TBRowParser::parse(row, loopChecked);
    QStringList got;
    for (const auto &label : u.labels)
        got << label.first + QLatin1Char('=') + label.second;
    QCOMPARE(got, labels);
    QCOMPARE(u.progress.value_or(-1), progress);
    QCOMPARE(u.unlockMacroButtons, unlock);
    QCOMPARE(u.loopDue, loopDue);
    QCOMPARE(u.trace, trace);
}

QTEST_APPLESS_MAIN(TestTBRowParser)
#include "tst_tbrowparser.moc"
