#include "simrecipe.h"
#include "tubesimulation.h"

#include <QtTest>

using namespace std::chrono_literals;

namespace {

// The five row forms the control center reads, tried in its order, without regard to case.
const QStringList kRowForms = {
    QStringLiteral("^IO \\[(.*)\\]: M:(.*) C:(.*) S:(.*) T:(.*)$"),
    QStringLiteral("^IO \\[(.*)\\]: H0:(.*) H1:(.*) H2:(.*) H3:(.*) H4:(.*)$"),
    QStringLiteral("^IO \\[(.*)\\]: MacroEnd: M(.*) TT:(.*)$"),
    QStringLiteral("^IO \\[(.*)\\]: I:(.*) H1:(.*) H2:(.*) H:(.*) V:(.*) F:(.*) P:(.*) E:(.*)$"),
    QStringLiteral("^IO \\[(.*)\\]: O:(.*) V:(.*) T:(.*)$"),
};

int formOf(const QString &row)
{
    for (int i = 0; i < kRowForms.size(); ++i) {
        const QRegularExpression form(kRowForms.at(i), QRegularExpression::CaseInsensitiveOption);
        if (form.match(row + QLatin1Char('\n')).hasMatch())
            return i + 1;
    }
    return 0;
}

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
    void outputsFollowTheRun();
    void brewReportsStartPingAndEnd();
    void stopEndsWithoutMacroDone();
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
    QVERIFY(tube.startProgram(12));
    for (int i = 0; i < steps; ++i)
        tube.advance(100ms);
    QVERIFY(!tube.busy());

    QCOMPARE(rows.last(), QStringLiteral("MACRO_DONE"));
    QSet<int> forms;
    for (const QString &row : rows.mid(0, rows.size() - 1)) {
        QVERIFY2(formOf(row) > 0, qPrintable(row));
        forms.insert(formOf(row));
    }
    QCOMPARE(forms, (QSet<int>{1, 2, 3, 4, 5}));
    QVERIFY(rows.indexOf(QRegularExpression(QStringLiteral(".*MacroEnd: M12 TT:\\d+"))) >= 0);
    QVERIFY(rows.indexOf(QRegularExpression(QStringLiteral(".*V:1800\\.0 F:.* P:100 E:.*"))) >= 0);
}

void TestTubeSimulation::outputsFollowTheRun()
{
    TubeSimulation tube(1000ms, 1000ms);
    QList<QPair<int, uint32_t>> changes;
    connect(&tube, &TubeSimulation::objectChanged, [&changes](int id, uint32_t value) {
        changes.append({id, value});
    });
    tube.startProgram(10);
    QCOMPARE(tube.objects().value(11), 1u);
    QCOMPARE(tube.objects().value(12), 1u);
    QVERIFY(changes.contains({14, 1u}));
    tube.advance(1000ms);
    for (int id = TubeSimulation::kFirstOutput; id <= TubeSimulation::kLastOutput; ++id)
        QCOMPARE(tube.objects().value(id), 0u);
    QVERIFY(changes.contains({14, 0u}));
    QCOMPARE(tube.objects().value(TubeSimulation::kSetTempObject), 920u);
}

void TestTubeSimulation::brewReportsStartPingAndEnd()
{
    qRegisterMetaType<BrewEvent>();
    TubeSimulation tube(4000ms, 1000ms);
    QSignalSpy started(&tube, &TubeSimulation::brewStarted);
    QSignalSpy ended(&tube, &TubeSimulation::brewEnded);
    QVERIFY(tube.startBrew(espresso()));
    QCOMPARE(started.count(), 1);
    const BrewEvent start = started.first().first().value<BrewEvent>();
    QCOMPARE(start.thermosId, 3);
    QCOMPARE(start.timeValue, 4);
    QCOMPARE(start.name, QStringLiteral("Espresso"));
    QCOMPARE(start.recipeText, QStringLiteral("2:100:98:97:60:108:10:45:6:90:3:50"));
    QCOMPARE(tube.objects().value(TubeSimulation::kSetTempObject), 980u); // brew temperature 1

    tube.advance(1000ms);
    const TubeSample ping = tube.sample();
    QCOMPARE(ping.state, 4);
    QCOMPARE(ping.macro, TubeSimulation::kBrewMacro);
    QCOMPARE(ping.thermosId, 3);
    QCOMPARE(ping.eta, 3);
    QCOMPARE(ping.targVol, 1800.0);
    QCOMPARE(ping.currVol, 450.0);
    QCOMPARE(ping.percent, 25.0);

    tube.advance(3000ms);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().value<BrewEvent>().timeValue, 50);
    QCOMPARE(tube.sample().state, 2);
    QCOMPARE(tube.objects().value(TubeSimulation::kSetTempObject), 920u);
}

void TestTubeSimulation::stopEndsWithoutMacroDone()
{
    TubeSimulation tube(1000ms, 100ms);
    QStringList rows;
    connect(&tube, &TubeSimulation::row, [&rows](const QString &row) { rows << row; });
    QSignalSpy ended(&tube, &TubeSimulation::brewEnded);
    tube.startBrew(espresso());
    tube.advance(300ms);
    QVERIFY(tube.stop());
    QVERIFY(!tube.busy());
    QVERIFY(!rows.contains(QStringLiteral("MACRO_DONE")));
    QCOMPARE(ended.count(), 0);
    QCOMPARE(tube.objects().value(11), 0u);
    QVERIFY(!tube.stop());
}

QTEST_GUILESS_MAIN(TestTubeSimulation)
#include "tst_tubesimulation.moc"
