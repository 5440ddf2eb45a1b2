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
        const auto row = [](const char *name, const char *text, const QString &update,
                            bool loop = false) { QTest::newRow(name) << text << loop << update; };
        const QString run("T0=1|T1=2|T2=3|T3=4|DispWater=5.0 ml|CurrentFlow=6.0 ml/s|"
                          "CalcPower=7\n|progress %1");
        row("run row formats volume and flow, keeps power with its LF",
            "IO [x]: I:20.5 H1:90 H2:91 H:85 V:123.4 F:5.26 P:40 E:12",
            "T0=20.5|T1=90|T2=91|T3=85|DispWater=123.4 ml|CurrentFlow=5.3 ml/s|CalcPower=12\n|"
            "progress 40");
        row("run row with text numbers shows 0.0", "IO [x]: I:a H1:b H2:c H:d V:v F:f P:p E:e",
            "T0=a|T1=b|T2=c|T3=d|DispWater=0.0 ml|CurrentFlow=0.0 ml/s|CalcPower=e\n|progress 0");
        row("progress cut to an integer", "IO [x]: I:1 H1:2 H2:3 H:4 V:5 F:6 P:99.9 E:7",
            run.arg(99));
        row("progress beyond int counts 0", "IO [x]: I:1 H1:2 H2:3 H:4 V:5 F:6 P:1e30 E:7",
            run.arg(0));
        row("macro row, letter case ignored after IO", "IO [x]: m:7 c:1 s:30 t:0",
            "CurrMacro=7|RunningMacros=1|RunningTime=30");
        row("heaters", "IO [x]: H0:20 H1:90 H2:91 H3:85 H4:10", "T0=20|T1=90|T2=91|T3=85");
        row("hat valve open at 0", "IO [x]: O:14 V:0 T:5", "Hat=OPEN");
        row("hat valve closed at 1", "IO [x]: O:14 V:1 T:5", "Hat=CLOSED");
        row("inlet valve on", "IO [x]: O:11 V:3 T:5", "InletValve=ON");
        row("heater 1 off", "IO [x]: O:12 V:0 T:5", "H1=OFF");
        row("pump mode as received", "IO [x]: O:120 V:abc T:5", "Pump=abc");
        row("target flow in tenths", "IO [x]: O:261 V:55 T:5", "TargetFlow=5.5 ml/s");
        row("target volume in liters", "IO [x]: O:262 V:2500 T:5", "TargetVol=2.5 liter");
        row("pulses per liter share the volume label", "IO [x]: O:263 V:1950 T:5",
            "TargetVol=1950");
        row("set temperature in tenths", "IO [x]: O:323 V:925 T:5", "SetTempp=92.5 deg");
        row("lower-case io sets nothing", "io [x]: m:7 c:1 s:30 t:0", "");
        row("macro end row sets nothing", "IO [x]: MacroEnd: M7 TT:30", "");
        row("unknown object sets nothing", "IO [x]: O:999 V:1 T:5", "");
        row("macro done unlocks", "MACRO_DONE", "unlock");
        row("macro done with loop box is due", "MACRO_DONE 7", "unlock|loop due", true);
        row("other rows ignored, loop box or not", "OK", "", true);
    }

    void parse()
    {
        QFETCH(QString, row);
        QFETCH(bool, loopChecked);
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
        QTEST(got.join('|'), "update");
    }
};

QTEST_APPLESS_MAIN(TestTBRowParser)
#include "tst_tbrowparser.moc"
