#include "tbrowparser.h"

#include <QtTest>

// Console rows of a tube board and the control-center labels they set, one row per rule.
class TestTBRowParser : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("loopChecked");
        QTest::addColumn<QString>("update"); // "label=text|..." without "lblStatus", then the rest
        QTest::addColumn<QString>("traced"); // the kind the row is traced as, or empty
        const auto row = [](const char *name, const char *text, bool loop, const QString &update,
                            const char *traced) {
            QTest::newRow(name) << text << loop << update << traced;
        };
        const QString run("T0=1|T1=2|T2=3|T3=4|DispWater=5.0 ml|CurrentFlow=6.0 ml/s|"
                          "CalcPower=7\n|progress %1");
        row("run row formats volume and flow, keeps power with its LF",
            "IO [x]: I:20.5 H1:90 H2:91 H:85 V:123.4 F:5.26 P:40 E:12", false,
            "T0=20.5|T1=90|T2=91|T3=85|DispWater=123.4 ml|CurrentFlow=5.3 ml/s|CalcPower=12\n|"
            "progress 40",
            "TBRun");
        row("run row with text numbers shows 0.0", "IO [x]: I:a H1:b H2:c H:d V:v F:f P:p E:e",
            false,
            "T0=a|T1=b|T2=c|T3=d|DispWater=0.0 ml|CurrentFlow=0.0 ml/s|CalcPower=e\n|"
            "progress 0",
            "TBRun");
        row("progress cut to an integer", "IO [x]: I:1 H1:2 H2:3 H:4 V:5 F:6 P:99.9 E:7", false,
            run.arg(99), "TBRun");
        row("progress beyond int counts 0", "IO [x]: I:1 H1:2 H2:3 H:4 V:5 F:6 P:1e30 E:7", false,
            run.arg(0), "TBRun");
        row("macro row, letter case ignored after IO", "IO [x]: m:7 c:1 s:30 t:0", false,
            "CurrMacro=7|RunningMacros=1|RunningTime=30", "TBMacro");
        row("lower-case io ignored", "io [x]: m:7 c:1 s:30 t:0", false, "", "");
        row("heaters", "IO [x]: H0:20 H1:90 H2:91 H3:85 H4:10", false, "T0=20|T1=90|T2=91|T3=85",
            "TBHeater");
        row("macro end row only traced", "IO [x]: MacroEnd: M7 TT:30", false, "", "TBEnd");
        row("hat valve open at 0", "IO [x]: O:14 V:0 T:5", false, "Hat=OPEN", "TBObj");
        row("hat valve closed at 1", "IO [x]: O:14 V:1 T:5", false, "Hat=CLOSED", "TBObj");
        row("inlet valve on", "IO [x]: O:11 V:3 T:5", false, "InletValve=ON", "TBObj");
        row("heater 1 off", "IO [x]: O:12 V:0 T:5", false, "H1=OFF", "TBObj");
        row("pump mode as received", "IO [x]: O:120 V:abc T:5", false, "Pump=abc", "TBObj");
        row("target flow in tenths", "IO [x]: O:261 V:55 T:5", false, "TargetFlow=5.5 ml/s",
            "TBObj");
        row("target volume in liters", "IO [x]: O:262 V:2500 T:5", false, "TargetVol=2.5 liter",
            "TBObj");
        row("pulses per liter share the volume label", "IO [x]: O:263 V:1950 T:5", false,
            "TargetVol=1950", "TBObj");
        row("set temperature in tenths", "IO [x]: O:323 V:925 T:5", false, "SetTempp=92.5 deg",
            "TBObj");
        row("unknown object only traced", "IO [x]: O:999 V:1 T:5", false, "", "TBObj");
        row("unknown IO row traced without its CR", "IO [x]: something\r", false, "", "TBUnknown");
        row("macro done unlocks", "MACRO_DONE", false, "unlock", "");
        row("macro done with loop box is due", "MACRO_DONE 7", true, "unlock|loop due", "");
        row("other rows ignored", "OK", true, "", "");
    }

    void parse()
    {
        QFETCH(QString, row);
        QFETCH(bool, loopChecked);
        QFETCH(QString, update);
        QFETCH(QString, traced);
        const TBRowParser::Update u = TBRowParser::parse(row, loopChecked);
        QStringList got;
        for (const auto &label : u.labels)
            got << QString(label.first).replace("lblStatus", "") + '=' + label.second;
        if (u.progress)
            got << QStringLiteral("progress %1").arg(*u.progress);
        if (u.unlockMacroButtons)
            got << QStringLiteral("unlock");
        if (u.loopDue)
            got << QStringLiteral("loop due");
        QCOMPARE(got.join('|'), update);
        const QString trace = QString("%1 LOG: [%2]").arg(traced, QString(row).remove('\r'));
        QCOMPARE(u.trace, traced.isEmpty() ? QString() : trace);
    }
};

QTEST_APPLESS_MAIN(TestTBRowParser)
#include "tst_tbrowparser.moc"
