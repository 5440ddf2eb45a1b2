#include "simrecipe.h"
#include "tbrowparser.h"
#include "tubesimulation.h"

#include <QtTest>

using namespace std::chrono_literals;

namespace {

SimRecipe espresso()
{
    SimRecipe recipe;
    QString error;
    SimRecipe::parse(QStringLiteral("2:100:98:97:60:108:10:45:6:90:3:50:\"Espresso\""), &recipe,
                     &error);
    return recipe;
}

} // namespace

Q_DECLARE_METATYPE(BrewEvent)

class TestTubeSimulation : public QObject
{
    Q_OBJECT
private slots:
    void runShowsEveryRowForm_data();
    void runShowsEveryRowForm();
    void brewRunsToItsEndOrStopsQuietly();
};

void TestTubeSimulation::runShowsEveryRowForm_data()
{
    QTest::addColumn<int>("runMs");
    QTest::addColumn<int>("steps");
    QTest::newRow("run shorter than one row interval") << 100 << 1;
    QTest::newRow("run of several row intervals") << 3000 << 40;
}

void TestTubeSimulation::runShowsEveryRowForm()
{
    QFETCH(int, runMs);
    QFETCH(int, steps);
    TubeSimulation tube(std::chrono::milliseconds(runMs), 1000ms);
    QStringList rows;
    connect(&tube, &TubeSimulation::row, [&rows](const QString &row) { rows << row; });
    QList<QPair<int, uint32_t>> changes;
    connect(&tube, &TubeSimulation::objectChanged, [&changes](int id, uint32_t value) {
        changes.append({id, value});
    });
    QVERIFY(tube.startProgram(12));
    QCOMPARE(tube.objects().value(11), 1u);
    QVERIFY(changes.contains({14, 1u}));
    for (int i = 0; i < steps; ++i)
        tube.advance(100ms);
    QVERIFY(!tube.busy());
    for (int id = TubeSimulation::kFirstOutput; id <= TubeSimulation::kLastOutput; ++id)
        QCOMPARE(tube.objects().value(id), 0u);
    QVERIFY(changes.contains({14, 0u}));
    QCOMPARE(tube.objects().value(TubeSimulation::kSetTempObject), 920u);

    QCOMPARE(rows.last(), QStringLiteral("MACRO_DONE"));
    // Each row is read by the program's row parser, which names the form it took it for.
    QSet<QString> forms;
    for (const QString &row : rows.mid(0, rows.size() - 1))
        forms.insert(TBRowParser::parse(row, false).trace.section(QLatin1Char(' '), 0, 0));
    QCOMPARE(forms, (QSet<QString>{"TBMacro", "TBHeater", "TBEnd", "TBRun", "TBObj"}));
    QVERIFY(rows.indexOf(QRegularExpression(QStringLiteral(".*MacroEnd: M12 TT:\\d+"))) >= 0);
    QVERIFY(rows.indexOf(QRegularExpression(QStringLiteral(".*V:1800\\.0 F:.* P:100 E:.*"))) >= 0);
}

void TestTubeSimulation::brewRunsToItsEndOrStopsQuietly()
{
    qRegisterMetaType<BrewEvent>();
    TubeSimulation tube(4000ms, 1000ms);
    QStringList rows;
    connect(&tube, &TubeSimulation::row, [&rows](const QString &row) { rows << row; });
    QSignalSpy started(&tube, &TubeSimulation::brewStarted);
    QSignalSpy ended(&tube, &TubeSimulation::brewEnded);
    QVERIFY(tube.startBrew(espresso()));
    QCOMPARE(started.count(), 1);
    const BrewEvent start = started.first().first().value<BrewEvent>();
    QCOMPARE(QVariantList({start.thermosId, start.timeValue, start.name, start.recipeText}),
             QVariantList({3, 4, "Espresso", "2:100:98:97:60:108:10:45:6:90:3:50"}));
    QCOMPARE(tube.objects().value(TubeSimulation::kSetTempObject), 980u); // brew temperature 1

    tube.advance(1000ms);
    const TubeSample p = tube.sample();
    QCOMPARE(QList<double>({double(p.state), double(p.macro), double(p.thermosId), double(p.eta),
                            p.targVol, p.currVol, p.percent}),
             QList<double>({4, TubeSimulation::kBrewMacro, 3, 3, 1800, 450, 25}));

    tube.advance(3000ms);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().value<BrewEvent>().timeValue, 50);
    QCOMPARE(tube.sample().state, 2);
    QCOMPARE(tube.objects().value(TubeSimulation::kSetTempObject), 920u);

    // A stopped brew ends without MACRO_DONE and without a brew end.
    rows.clear();
    QVERIFY(tube.startBrew(espresso()));
    tube.advance(300ms);
    QVERIFY(tube.stop());
    QVERIFY(!tube.busy());
    QVERIFY(!rows.contains(QStringLiteral("MACRO_DONE")));
    QCOMPARE(ended.count(), 1);
    QCOMPARE(tube.objects().value(11), 0u);
    QVERIFY(!tube.stop());
}

QTEST_GUILESS_MAIN(TestTubeSimulation)
#include "tst_tubesimulation.moc"
