#include "boardsimprocess.h"
#include "consolechannel.h"
#include "consolehistorymodel.h"
#include "consoletab.h"
#include "plottab.h"
#include "telemetryrecord.h"
#include "windowprobe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtTest>

namespace {

ConsoleHistoryModel *model(const QObject &tab)
{
    return tab.findChild<ConsoleHistoryModel *>();
}

void addLines(ConsoleHistoryModel *lines, int from, int to)
{
    for (int i = from; i < to; ++i)
        lines->addReceived(QStringLiteral("line %1").arg(i));
    lines->publish();
}

// The text of the row at the top of the view.
QString topRow(QListView *view)
{
    return view->indexAt(QPoint(2, 2)).data().toString();
}

int drawnPoints(const PlotTab &plot, const QString &curve)
{
    const auto *view = plot.findChild<QtCharts::QChartView *>(QStringLiteral("chartView"));
    for (QtCharts::QAbstractSeries *series : view->chart()->series()) {
        if (series->name() == curve)
            return static_cast<QtCharts::QLineSeries *>(series)->count();
    }
    qFatal("no curve %s", qPrintable(curve));
}

TBTubeLogData heating(const QString &ip, float tempH1)
{
    TBTubeLogData record = telemetryRecord(ip);
    record.tempH1 = tempH1;
    return record;
}

} // namespace

// The Console and Plot tabs on their own and in the main window, the last with the
// simulated board.
class TestConsoleView : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        resetWindowState();
        prompter = FakePrompter();
    }

    void viewFollowsTheNewestUnlessScrolledUp();
    void findSaveAndClear();

    void plotDrawsOnlyTheShownBoardsRecords();
    void pausedPlotKeepsItsPictureAndExportsIt();

    void simulatedBoardInBothTabs();

private:
    FakePrompter prompter;
};

void TestConsoleView::viewFollowsTheNewestUnlessScrolledUp()
{
    ConsoleChannel console;
    ConsoleTab tab(console, prompter);
    tab.resize(400, 300);
    tab.show();
    auto *view = tab.findChild<QListView *>(QStringLiteral("lstConsole"));
    QScrollBar *bar = view->verticalScrollBar();
    ConsoleHistoryModel *lines = model(tab);
    lines->setStamped(false);

    addLines(lines, 0, 200);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(bar->maximum() > 0);

    // Scrolled up, the view stays on the lines read, also while the oldest are dropped.
    addLines(lines, 200, ConsoleHistory::kDefaultCapacity);
    bar->setValue(100);
    QCOMPARE(topRow(view), QStringLiteral("line 100"));
    addLines(lines, ConsoleHistory::kDefaultCapacity, ConsoleHistory::kDefaultCapacity + 50);
    QCOMPARE(lines->rowCount(), ConsoleHistory::kDefaultCapacity);
    QTRY_COMPARE(topRow(view), QStringLiteral("line 100")); // once the view is laid out

    // Back at the end it follows again.
    view->scrollToBottom();
    addLines(lines, 0, 10);
    QCOMPARE(bar->value(), bar->maximum());
}

void TestConsoleView::findSaveAndClear()
{
    ConsoleChannel console;
    ConsoleTab tab(console, prompter);
    tab.show();
    QVERIFY(QTest::qWaitForWindowActive(&tab));
    ConsoleHistoryModel *lines = model(tab);
    lines->addSent(QStringLiteral("ping"));
    lines->addReceived(QStringLiteral("pong"));
    lines->addSent(QStringLiteral("ping"));
    lines->addReceived(QString::fromUtf8("pong K\u00f6ln"));

    auto *find = tab.findChild<QLineEdit *>(QStringLiteral("txtFind"));
    auto *view = tab.findChild<QListView *>(QStringLiteral("lstConsole"));
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(find->hasFocus());
    QTest::keyClicks(find, QStringLiteral("PONG"));
    QTest::keyClick(find, Qt::Key_Return);
    QCOMPARE(view->currentIndex().row(), 1);
    QTest::keyClick(find, Qt::Key_Return);
    QCOMPARE(view->currentIndex().row(), 3);
    find->setText(QStringLiteral("absent"));
    QTest::keyClick(find, Qt::Key_Return);
    QCOMPARE(tab.findChild<QLabel *>(QStringLiteral("lblFindResult"))->text(),
             QStringLiteral("Not found"));

    // What the view shows, stamps switched off, in the console's own encoding.
    tab.findChild<QCheckBox *>(QStringLiteral("cheTimeStamps"))->setChecked(false);
    prompter.answer(QStringLiteral("saved.txt"));
    tab.findChild<QPushButton *>(QStringLiteral("btnSave"))->click();
    QCOMPARE(fileBytes(QStringLiteral("saved.txt")),
             QByteArray("> ping\npong\n> ping\npong K\xf6ln\n"));
    QCOMPARE(prompter.asked.last().kind, FakePrompter::Kind::SaveFile);

    // A cancelled chooser writes nothing; a file that cannot be written is told.
    prompter.answer(QString());
    tab.findChild<QPushButton *>(QStringLiteral("btnSave"))->click();
    QCOMPARE(prompter.asked.size(), 2);
    prompter.answer(QStringLiteral("no such folder/saved.txt"));
    tab.findChild<QPushButton *>(QStringLiteral("btnSave"))->click();
    QCOMPARE(prompter.asked.last().kind, FakePrompter::Kind::Warning);
    QVERIFY(prompter.asked.last().text.startsWith(QLatin1String("Could not write ")));

    tab.findChild<QPushButton *>(QStringLiteral("btnClear"))->click();
    QCOMPARE(lines->rowCount(), 0);
    QCOMPARE(lines->history().size(), 0);
}

void TestConsoleView::plotDrawsOnlyTheShownBoardsRecords()
{
    SettingsStore::set("lastConnection", "10.0.0.50:23");
    MainWindow window(prompter);
    const auto *plot = window.findChild<PlotTab *>();
    emit QDeviceMachine::instance()->logReceived(heating("10.0.0.5", 50));
    emit QDeviceMachine::instance()->logReceived(heating("10.0.0.50", 60));
    QCOMPARE(plot->samples().size(), 1);
    QTRY_COMPARE(drawnPoints(*plot, "Temp H1"), 1);
}

void TestConsoleView::pausedPlotKeepsItsPictureAndExportsIt()
{
    PlotTab plot(prompter);
    plot.addRecord(heating("10.0.0.50", 60));
    QTRY_COMPARE(drawnPoints(plot, "Temp H1"), 1);
    const qint64 drawn = QDateTime::currentMSecsSinceEpoch();
    QTRY_VERIFY(QDateTime::currentMSecsSinceEpoch() > drawn); // the next record comes later

    // Paused, a new record and another window redraw the picture as it was at the pause.
    auto *pause = plot.findChild<QPushButton *>(QStringLiteral("btnPause"));
    pause->click();
    QCOMPARE(pause->text(), QStringLiteral("Resume"));
    plot.addRecord(heating("10.0.0.50", 61));
    plot.findChild<QComboBox *>(QStringLiteral("cboWindow"))->setCurrentIndex(2);
    QCOMPARE(drawnPoints(plot, "Temp H1"), 1);

    // The export holds what is drawn: the header and the one sample from before the pause.
    prompter.answer(QStringLiteral("plot.csv"));
    plot.findChild<QPushButton *>(QStringLiteral("btnExport"))->click();
    const QList<QByteArray> rows = fileBytes(QStringLiteral("plot.csv")).split('\n');
    QCOMPARE(rows.size(), 3);
    QVERIFY(rows.at(0).startsWith("time,macHigh,"));
    QCOMPARE(rows.at(1).split(',').at(6), QByteArray("60"));

    pause->click();
    QCOMPARE(drawnPoints(plot, "Temp H1"), 2);
}

void TestConsoleView::simulatedBoardInBothTabs()
{
    BoardSimProcess sim;
    QVERIFY(sim.start(BoardSimProcess::quietArguments() << "--telemetry-ms"
                                                        << "200"));
    MainWindow window(prompter);
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    QCOMPARE(tabs->tabText(0), QStringLiteral("Logdata"));
    QCOMPARE(tabs->tabText(tabs->count() - 2), QStringLiteral("Console"));
    QCOMPARE(tabs->tabText(tabs->count() - 1), QStringLiteral("Plot"));

    QVERIFY(window.connectToDevice(QStringLiteral("127.0.0.1"), sim.ports.at(0), nullptr));
    window.sendData(QStringLiteral("ping"));
    ConsoleHistoryModel *lines = model(*tabs->widget(tabs->count() - 2));
    lines->setStamped(false);
    QTRY_VERIFY(lines->rowCount() >= 3 &&
                lines->index(lines->rowCount() - 1).data().toString() == QLatin1String("pong"));
    QCOMPARE(lines->index(0).data().toString(), QStringLiteral("> debug_level 128"));
    QVERIFY(!lines
                 ->match(lines->index(0), Qt::DisplayRole, QStringLiteral("> ping"), 1,
                         Qt::MatchExactly)
                 .isEmpty());

    const auto *plot = window.findChild<PlotTab *>();
    QTRY_VERIFY_WITH_TIMEOUT(drawnPoints(*plot, "Temp in") >= 2, 5000);
    QCOMPARE(drawnPoints(*plot, "Power"), drawnPoints(*plot, "Temp in"));
}

QTEST_MAIN(TestConsoleView)
#include "tst_consoleview.moc"
