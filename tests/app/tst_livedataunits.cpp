#include "consolehistory.h"
#include "consolehistorymodel.h"
#include "consolepeer.h"
#include "devicemenuentries.h"
#include "recipeprogress.h"
#include "recordfilter.h"
#include "sessionlog.h"
#include "statuspaneltext.h"
#include "telemetryhistory.h"
#include "telemetryrecord.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Descriptors of this process open on the path (Linux); -1 where that cannot be seen.
int openHandles(const QString &path)
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    if (!fds.exists())
        return -1;
    int count = 0;
    for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::Files))
        count += fd.symLinkTarget() == QFileInfo(path).canonicalFilePath() ? 1 : 0;
    return count;
}

using Direction = ConsoleHistory::Direction;

// 13:04:05.067 local time on some day: the stamps read the same in every time zone.
const qint64 kNoon = QDateTime(QDate(2024, 5, 1), QTime(13, 4, 5, 67)).toMSecsSinceEpoch();

ConsoleHistory::Line received(const QString &text)
{
    return {kNoon, Direction::Received, text};
}

QStringList shownRows(const ConsoleHistoryModel &model)
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

TBTubeLogData sample(float tempIn, float power = 0)
{
    TBTubeLogData d = telemetryRecord("192.168.1.20", "0004a3123412");
    d.state = 4;
    d.tempIn = tempIn;
    d.power = power;
    d.hwId = QStringLiteral("12");
    return d;
}

} // namespace

// The units behind the live data and its views: the "Logdata" page's texts, which records
// are shown, the recipe runner's progress, the "Devices" menu entries, the exact bytes of the
// UDP and history logs; the ring of console lines and how it reaches the view; the telemetry
// samples with their time window and CSV.
class TestLiveDataUnits : public QObject
{
    Q_OBJECT
private slots:
    void recordTexts_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("macro");
        QTest::addColumn<int>("eta");
        QTest::addColumn<QString>("texts"); // state, ETA, flow ("-": left out, keeps the old)
        QTest::newRow("brew 998 shows its time left")
            << 4 << 998 << 125 << "RUNNING 02:05 5.3 ml/s";
        QTest::newRow("brew 997 too, in minutes") << 4 << 997 << 3725 << "RUNNING 62:05 5.3 ml/s";
        QTest::newRow("other macro shows no time") << 2 << 5 << 125 << "IDLE 00:00 5.3 ml/s";
        QTest::newRow("no macro: run values left out") << 16 << 0 << 125 << "HEAT.ERR 00:00 -";
        QTest::newRow("unnamed state shows its number") << 6 << -1 << 0 << "6 00:00 -";
    }
    void recordTexts()
    {
        QFETCH(int, state);
        QFETCH(int, macro);
        QFETCH(int, eta);
        QFETCH(QString, texts);
        TBTubeLogData record(0x00564f52, 0x4e01, recordIp("192.168.1.50"), uint8_t(state), 20.24f,
                             90.f, 91.f, 85.96f, 123.46f, 5.26f, 250.f, 5.5f, 49.f, 2150.5f, macro,
                             2, 1800.f, 1700.f, 120.f, 1950);
        record.eta = eta;
        const StatusPanelText::Texts shown = StatusPanelText::recordTexts(record);
        QCOMPARE(QStringList({shown.value("lblCurState"), shown.value("lblETA"),
                              shown.value("lblCurrFlow", "-")})
                     .join(' '),
                 texts);
        // The flows, power, volumes and percent come and go together.
        for (const char *label :
             {"lblCurrTargetFlow", "lblCurrPower", "lblCurrVol", "lblTargVol", "lblPercent"})
            QCOMPARE(shown.contains(label), macro > 0);
        QCOMPARE(shown.value("lblCurrTempHat"), QStringLiteral("86.0 deg"));
    }

    void objectTexts_data()
    {
        QTest::addColumn<qulonglong>("id");
        QTest::addColumn<qulonglong>("value");
        QTest::addColumn<QString>("shown"); // widget=text, empty: not shown
        QTest::newRow("output 11") << 11ull << 1ull << "lblO11=O11:1";
        QTest::newRow("output 18") << 18ull << 4096ull << "lblO18=O18:4096";
        QTest::newRow("target 853 drops the tenths") << 323ull << 853ull << "lblTargetTemp=085.0";
        QTest::newRow("target wider than five") << 323ull << 123456ull << "lblTargetTemp=12345.0";
        QTest::newRow("object 19 not shown") << 19ull << 1ull << "";
        QTest::newRow("object 324 not shown") << 324ull << 1ull << "";
    }
    void objectTexts()
    {
        QFETCH(qulonglong, id);
        QFETCH(qulonglong, value);
        QFETCH(QString, shown);
        const auto text = StatusPanelText::objectText(ulong(id), ulong(value));
        QCOMPARE(text ? text->widget + '=' + text->text : QString(), shown);
    }

    void recordFilter_data()
    {
        QTest::addColumn<QString>("connection");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<bool>("accepted");
        const auto row = [](const char *name, const char *connection, const char *ip,
                            bool accepted) { QTest::newRow(name) << connection << ip << accepted; };
        row("the connected address", "10.0.0.50:23", "10.0.0.50", true);
        row("x.x.x.5 is not x.x.x.50", "10.0.0.50:23", "10.0.0.5", false);
        row("x.x.x.50 is not x.x.x.5", "10.0.0.5:23", "10.0.0.50", false);
        row("bare IP of an accepted connection", "10.0.0.7", "10.0.0.7", true);
        row("a host name never equals an IP", "localhost:23", "127.0.0.1", false);
    }
    void recordFilter()
    {
        QFETCH(QString, connection);
        QFETCH(QString, ip);
        QFETCH(bool, accepted);
        const QString before = connection;
        QCOMPARE(RecordFilter::accept(telemetryRecord(ip), false, nullptr, connection), accepted);
        QCOMPARE(connection, before);
    }

    void macMatchMakesTheRecordsIpTheConnection()
    {
        const Device board(2, "00564f524e01", "1.1.1.1", "71405", "2.13", "tube");
        const QString other = QStringLiteral("00564f524e02");
        QString connection = QStringLiteral("localhost:23");
        // Only for an accepted connection with a main device, and only for its MAC.
        QVERIFY(!RecordFilter::accept(telemetryRecord("10.0.0.9"), false, &board, connection));
        QVERIFY(!RecordFilter::accept(telemetryRecord("10.0.0.9"), true, nullptr, connection));
        QVERIFY(
            !RecordFilter::accept(telemetryRecord("10.0.0.8", other), true, &board, connection));
        QCOMPARE(connection, QStringLiteral("localhost:23"));
        QVERIFY(RecordFilter::accept(telemetryRecord("10.0.0.9"), true, &board, connection));
        QCOMPARE(connection, QStringLiteral("10.0.0.9"));
        // From then on the address decides.
        QVERIFY(RecordFilter::accept(telemetryRecord("10.0.0.9", other), true, &board, connection));
        QVERIFY(
            !RecordFilter::accept(telemetryRecord("10.0.0.90", other), true, &board, connection));
    }

    void recipeProgress_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("macro");
        QTest::addColumn<float>("targVol");
        QTest::addColumn<QString>("progress"); // percent/time, empty: none
        QTest::newRow("idle is done") << 2 << 0 << 250.f << "100/0";
        QTest::newRow("brewing: integer part of the share") << 4 << 998 << 250.f << "49/75";
        QTest::newRow("no target volume: 0, no division by zero") << 4 << 998 << 0.f << "0/75";
        QTest::newRow("brewing with a tiny target stays an int")
            << 4 << 998 << 1e-30f << QString("%1/75").arg(std::numeric_limits<int>::max());
        QTest::newRow("other macro: nothing") << 4 << 997 << 250.f << "";
    }
    void recipeProgress()
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

    void menuEntries_data()
    {
        QTest::addColumn<QStringList>("devices"); // "type mac ip name", or "type": empty table
        QTest::addColumn<QStringList>("entries"); // "label type mac"
        QTest::newRow("type emptied by clearType") << QStringList{"2"} << QStringList{};
        QTest::newRow("ordered by type, then name, then address")
            << QStringList{"3 03 10.0.0.3 Alpha", "2 02 10.0.0.2 Zulu", "1 01 10.0.0.1 Main",
                           "2 05 10.0.0.5 Bravo", "2 04 10.0.0.4 Bravo"}
            << QStringList{"Main (10.0.0.1) 1 01", "Bravo (10.0.0.4) 2 04", "Bravo (10.0.0.5) 2 05",
                           "Zulu (10.0.0.2) 2 02", "Alpha (10.0.0.3) 3 03"};
        // The menu keys its targets by MAC: two entries for one MAC would leave one dead.
        QTest::newRow("MAC under two types offered once, under the higher")
            << QStringList{"1 01 10.0.0.1 AsMain", "2 01 10.0.0.2 AsTube", "2 09 10.0.0.9 Other"}
            << QStringList{"AsTube (10.0.0.2) 2 01", "Other (10.0.0.9) 2 09"};
    }
    void menuEntries()
    {
        QFETCH(QStringList, devices);
        QFETCH(QStringList, entries);
        // A registry as the hub hands it out, owning nothing: the devices outlive it.
        std::vector<std::unique_ptr<Device>> owned;
        QDeviceMachine::Registry registry;
        for (const QString &text : devices) {
            const QStringList f = text.split(QLatin1Char(' '));
            QDeviceMachine::DeviceTable *&table = registry[f.at(0).toInt()];
            if (!table)
                table = new QDeviceMachine::DeviceTable;
            if (f.size() == 4) {
                owned.push_back(std::make_unique<Device>(f.at(0).toInt(), f.at(1), f.at(2),
                                                         QString(), QString(), f.at(3)));
                table->insert(f.at(1), owned.back().get());
            }
        }
        QStringList got;
        for (const DeviceMenuEntries::Entry &e : DeviceMenuEntries::fromRegistry(registry))
            got << QStringLiteral("%1 %2 %3")
                       .arg(DeviceMenuEntries::label(e.name, e.ip))
                       .arg(e.type)
                       .arg(e.mac);
        qDeleteAll(registry);
        QCOMPARE(got, entries);
    }

    void historyEntryWithAndWithoutShownRecord()
    {
        const QDateTime when(QDate(2019, 9, 18), QTime(7, 8, 9));
        // No record shown yet: both MAC places empty. "%1" in the folder stays as it is.
        QCOMPARE(SessionLog::historyEntry(when, "", "C:/100%1/"),
                 QStringLiteral("[Logdate:2019:09:18 07:08:09][MAC:]\t\t[]\t[C:/100%1/]\r\n"));
        QCOMPARE(SessionLog::historyEntry(when, "00564f524e01", "C:/100%1/"),
                 QStringLiteral("[Logdate:2019:09:18 07:08:09][MAC:00564f524e01]\t\t"
                                "[00564f524e01]\t[C:/100%1/]\r\n"));
    }

    void historyRecordsAreEntryThenTextAsSent()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("history.log");
        SessionLog::writeHistory(folder.path(), "[E1]\r\n",
                                 QString::fromUtf8("M\u00fcller\r\nstop"));
        const int handles = openHandles(path);
        SessionLog::writeHistory(folder.path(), "[E2]\r\n", "b\n");
        // ISO 8859-1, no line end added: a text without one leaves the next entry on its line.
        QCOMPARE(fileBytes(path), QByteArray("[E1]\r\nM\xfcller\r\nstop[E2]\r\nb\n"));
        QVERIFY(handles <= 0); // none held open (-1: cannot be seen here)
        // Removed between two records (someone rotated it): the next one starts it afresh.
        QVERIFY(QFile::remove(path));
        SessionLog::writeHistory(folder.path(), "[E3]\r\n", "c");
        QCOMPARE(fileBytes(path), QByteArray("[E3]\r\nc"));
        QVERIFY(SessionLog::append(path, "x\r\n")); // as the UDP log grows
        QCOMPARE(fileBytes(path), QByteArray("[E3]\r\ncx\r\n"));
        // A missing folder loses the record silently, and is not created.
        SessionLog::writeHistory(folder.filePath("log"), "[E]\r\n", "led 1");
        QVERIFY(!SessionLog::append(folder.filePath("log/udp.log"), "x\r\n"));
        QVERIFY(!QFileInfo::exists(folder.filePath("log")));
    }

    void udpRecord_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("plain line gets CR LF") << "@:2:0:$" << QByteArray("@:2:0:$\r\n");
        QTest::newRow("line ending in CR LF gets exactly one, UTF-8")
            << QString::fromLatin1("\xa4:101:1:$\r\n") << QByteArray("\xc2\xa4:101:1:$\r\n");
        QTest::newRow("CR and LF inside removed") << "a\rb\nc" << QByteArray("abc\r\n");
    }
    void udpRecord()
    {
        QFETCH(QString, line);
        QFETCH(QByteArray, record);
        QCOMPARE(SessionLog::udpRecord(line), record);
    }

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
        QCOMPARE(shownRows(model), (QStringList{"d", "e", "f"}));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(2).toInt(), 1); // rows 0 and 1 went in one removal
        QCOMPARE(published.at(0).at(0).toInt(), 2);
    }

    void windowDropsSamplesOlderThanAnHour()
    {
        TelemetryHistory history;
        history.append(at(0), sample(10));
        history.append(at(30), sample(20));
        history.append(at(60), sample(30)); // exactly an hour after the first: all kept
        QCOMPARE(history.size(), 3);
        history.append(at(60, 1), sample(40));
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
            history.append(at(61).addMSecs(i), sample(i));
        QCOMPARE(history.size(), TelemetryHistory::kMaxSamples);
        QCOMPARE(history.points(Q::TempIn, at(61), at(61)).size(), 0);
    }

    void csvOfTheSamplesInTheWindow()
    {
        TelemetryHistory history;
        history.append(at(0), sample(10.f, 1800.f));
        history.append(at(5, 30), sample(20.5f, 1800.f));
        history.append(at(6), sample(33.25f));
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

QTEST_GUILESS_MAIN(TestLiveDataUnits)
#include "tst_livedataunits.moc"
