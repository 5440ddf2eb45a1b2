#include "consolehistory.h"
#include "consolehistorymodel.h"
#include "telemetryhistory.h"
#include "telemetryrecord.h"

#include <QBuffer>
#include <QtTest>

namespace {

using Direction = ConsoleHistory::Direction;

// 13:04:05.067 local time on some day: the stamps read the same in every time zone.
const qint64 kNoon = QDateTime(QDate(2024, 5, 1), QTime(13, 4, 5, 67)).toMSecsSinceEpoch();

ConsoleHistory::Line received(const QString &text)
{
    return {kNoon, Direction::Received, text};
}

QStringList texts(const ConsoleHistoryModel &model)
{
    QStringList lines;
    for (int row = 0; row < model.rowCount(); ++row)
        lines << model.index(row).data().toString();
    return lines;
}

// Telemetry with its time in a fixed zone, so the CSV time text is the same everywhere.
QDateTime at(int minutes, int seconds = 0)
{
    return QDateTime(QDate(2024, 5, 1), QTime(14, 0), Qt::OffsetFromUTC, 7200)
        .addSecs(minutes * 60 + seconds);
}

TBTubeLogData record(float tempIn, float power = 0)
{
    TBTubeLogData d = telemetryRecord("192.168.1.20", "0004a3123412");
    d.state = 4;
    d.tempIn = tempIn;
    d.power = power;
    d.hwId = QStringLiteral("12");
    return d;
}

} // namespace

// The units behind the Console and Plot tabs: the ring of console lines and how it reaches
// the view, and the telemetry samples with their time window and CSV.
class TestViewUnits : public QObject
{
    Q_OBJECT
private slots:
    void ringKeepsNewestInOrder_data()
    {
        // Steps: a text appends a line, "-N" drops the N oldest, "!" clears.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("full ring gives up the oldest")
            << QStringList{"a", "b", "c", "d", "e"} << QStringList{"c", "d", "e"};
        QTest::newRow("after dropping the order goes on")
            << QStringList{"a", "b", "c", "-2", "d", "e", "f"} << QStringList{"d", "e", "f"};
        QTest::newRow("dropping more than held empties it")
            << QStringList{"a", "-5", "b"} << QStringList{"b"};
        QTest::newRow("cleared ring starts afresh")
            << QStringList{"a", "b", "c", "d", "!", "e"} << QStringList{"e"};
    }
    void ringKeepsNewestInOrder()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, kept);
        ConsoleHistory history(3);
        for (const QString &step : steps) {
            if (step == QLatin1String("!"))
                history.clear();
            else if (step.startsWith(QLatin1Char('-')))
                history.dropOldest(step.mid(1).toInt());
            else
                history.append(received(step));
        }
        QStringList lines;
        for (int i = 0; i < history.size(); ++i)
            lines << history.at(i).text;
        QCOMPARE(lines, kept);
    }

    void stampedTextAndLatin1FileAsShown()
    {
        QCOMPARE(ConsoleHistory::shown(received("OK"), true), QStringLiteral("13:04:05.067 OK"));
        QCOMPARE(ConsoleHistory::shown({kNoon, Direction::Sent, "led 1"}, true),
                 QStringLiteral("13:04:05.067 > led 1"));
        ConsoleHistory history(2);
        history.append(received(QStringLiteral("dropped")));
        history.append({kNoon, Direction::Sent, QStringLiteral("led 1")});
        history.append(received(QString::fromUtf8("K\u00f6ln")));
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(history.write(&out, false));
        QCOMPARE(out.data(), QByteArray("> led 1\nK\xf6ln\n"));
    }

    void findWrapsAround_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("stamped");
        QTest::addColumn<int>("found");
        QTest::newRow("hit after the start") << "l5" << 1 << true << 3;
        QTest::newRow("hit before the start found past the newest") << "l2" << 2 << true << 0;
        QTest::newRow("start past the newest begins at the oldest") << "l" << 4 << true << 0;
        QTest::newRow("dropped line not found") << "l1" << 0 << true << -1;
        QTest::newRow("sent mark is found") << "> l" << 2 << true << 1;
        QTest::newRow("stamp found when shown") << "13:04:08" << 0 << true << 1;
        QTest::newRow("stamp not found when hidden") << "13:04:08" << 0 << false << -1;
    }
    void findWrapsAround()
    {
        QFETCH(QString, needle);
        QFETCH(int, from);
        QFETCH(bool, stamped);
        QFETCH(int, found);
        // A ring of four that has wrapped: "l2" (oldest) to "l5" lie across its storage's end.
        ConsoleHistory history(4);
        for (int i = 0; i < 6; ++i)
            history.append({kNoon + i * 1000, i == 3 ? Direction::Sent : Direction::Received,
                            QStringLiteral("l%1").arg(i)});
        QCOMPARE(history.find(needle, from, stamped, Qt::CaseInsensitive), found);
    }

    void burstJoinsTheRowsInOneInsertion()
    {
        ConsoleHistoryModel model(20000);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < 10000; ++i)
            model.addReceived(QStringLiteral("reply %1").arg(i));
        model.addSent(QStringLiteral("stop"));
        QCOMPARE(model.rowCount(), 0); // the view learns nothing until the event loop turns
        QVERIFY(inserted.wait(1000));
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(model.rowCount(), 10001);
        model.setStamped(false);
        QCOMPARE(model.index(9999).data().toString(), QStringLiteral("reply 9999"));
        QCOMPARE(model.index(10000).data().toString(), QStringLiteral("> stop"));
    }

    void burstLongerThanTheRingKeepsTheNewest()
    {
        ConsoleHistoryModel model(3);
        model.setStamped(false);
        model.addReceived(QStringLiteral("a"));
        model.addReceived(QStringLiteral("b"));
        model.publish();
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy published(&model, &ConsoleHistoryModel::published);
        for (const char *line : {"c", "d", "e", "f"})
            model.addReceived(QString::fromLatin1(line));
        model.publish();
        QCOMPARE(texts(model), (QStringList{"d", "e", "f"}));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(2).toInt(), 1); // rows 0 and 1 went in one removal
        QCOMPARE(published.at(0).at(0).toInt(), 2);
    }

    void windowDropsSamplesOlderThanAnHour()
    {
        TelemetryHistory history;
        history.append(at(0), record(10));
        history.append(at(30), record(20));
        history.append(at(60), record(30)); // exactly an hour after the first: all kept
        QCOMPARE(history.size(), 3);
        history.append(at(60, 1), record(40));
        QCOMPARE(history.size(), 3);
        using Q = TelemetryHistory::Quantity;
        const auto point = [](int minutes, int seconds, qreal value) {
            return QPointF(at(minutes, seconds).toMSecsSinceEpoch(), value);
        };
        QCOMPARE(history.points(Q::TempIn, at(0), at(61)),
                 (QVector<QPointF>{point(30, 0, 20), point(60, 0, 30), point(60, 1, 40)}));
        // A one-minute window ending with the newest sample.
        QCOMPARE(history.points(Q::TempIn, at(59, 1), at(60, 1)).size(), 2);
        // A board far faster than usual is bounded by count.
        for (int i = 0; i <= TelemetryHistory::kMaxSamples; ++i)
            history.append(at(61).addMSecs(i), record(i));
        QCOMPARE(history.size(), TelemetryHistory::kMaxSamples);
        QCOMPARE(history.points(Q::TempIn, at(61), at(61)).size(), 0);
    }

    void csvOfTheSamplesInTheWindow()
    {
        TelemetryHistory history;
        history.append(at(0), record(10.f, 1800.f));
        history.append(at(5, 30), record(20.5f, 1800.f));
        history.append(at(6), record(33.25f));
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(history.writeCsv(&out, at(1), at(6)));
        QCOMPARE(out.data(),
                 QByteArray("time,macHigh,macLow,ip,state,tempIn,tempH1,tempH2,tempHat,currVol,"
                            "currFlow,targVol,targFlow,percent,power,macro,activeMacroCount,"
                            "setPowerH1,setPowerH2,setOverHeat,flowTicksLiter,eta,thermosId,aux,"
                            "hwId,swId,logId,macText,ipText\n"
                            "2024-05-01T14:05:30.000+02:00,303890,13330,335653056,4,20.5,0,0,0,0,"
                            "0,0,0,0,1800,0,0,0,0,0,0,0,0,0,12,,0,0004a3123412,192.168.1.20\n"
                            "2024-05-01T14:06:00.000+02:00,303890,13330,335653056,4,33.25,0,0,0,0,"
                            "0,0,0,0,0,0,0,0,0,0,0,0,0,0,12,,0,0004a3123412,192.168.1.20\n"));
    }
};

QTEST_GUILESS_MAIN(TestViewUnits)
#include "tst_viewunits.moc"
