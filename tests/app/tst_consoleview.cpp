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
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtTest>

namespace {

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

int drawnPoints(const PlotTab &plot)
{
    const auto *view = child<QtCharts::QChartView>(plot, "chartView");
    for (QtCharts::QAbstractSeries *series : view->chart()->series()) {
        if (series->name() == QLatin1String("Temp H1"))
            return static_cast<QtCharts::QLineSeries *>(series)->count();
    }
    qFatal("no curve Temp H1");
}

TBTubeLogData heating(float tempH1)
{
    TBTubeLogData record = telemetryRecord(QStringLiteral("10.0.0.50"));
    record.tempH1 = tempH1;
    return record;
}

} // namespace

// The Console and Plot tabs as widgets: following the newest line, find, save and clear; the
// paused plot and its export.
class TestConsoleView : public QObject
{
    Q_OBJECT
private slots:
    void init() { prompter = FakePrompter(); }

    void viewFollowsTheNewestUnlessScrolledUp()
    {
        ConsoleChannel console;
        ConsoleTab tab(console, prompter);
        tab.resize(400, 300);
        tab.show();
        auto *view = child<QListView>(tab, "lstConsole");
        QScrollBar *bar = view->verticalScrollBar();
        auto *lines = tab.findChild<ConsoleHistoryModel *>();
        lines->setStamped(false);
        addLines(lines, 0, 200);
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(bar->maximum() > 0);
        // Scrolled up, the view stays on the lines read, also while the oldest are dropped.
        const int capacity = ConsoleHistory::kDefaultCapacity;
        addLines(lines, 200, capacity);
        bar->setValue(100);
        QCOMPARE(topRow(view), QStringLiteral("line 100"));
        addLines(lines, capacity, capacity + 50);
        QCOMPARE(lines->rowCount(), capacity);
        QTRY_COMPARE(topRow(view), QStringLiteral("line 100")); // once the view is laid out
        // Back at the end it follows again.
        view->scrollToBottom();
        addLines(lines, 0, 10);
        QCOMPARE(bar->value(), bar->maximum());
    }

    void findSaveAndClear()
    {
        ConsoleChannel console;
        ConsoleTab tab(console, prompter);
        tab.show();
        QVERIFY(QTest::qWaitForWindowActive(&tab));
        auto *lines = tab.findChild<ConsoleHistoryModel *>();
        lines->addSent(QStringLiteral("ping"));
        lines->addReceived(QStringLiteral("pong"));
        lines->addSent(QStringLiteral("ping"));
        lines->addReceived(QString::fromUtf8("pong K\u00f6ln"));
        auto *find = child<QLineEdit>(tab, "txtFind");
        auto *view = child<QListView>(tab, "lstConsole");
        QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(find->hasFocus());
        QTest::keyClicks(find, QStringLiteral("PONG"));
        QTest::keyClick(find, Qt::Key_Return);
        QCOMPARE(view->currentIndex().row(), 1);
        QTest::keyClick(find, Qt::Key_Return);
        QCOMPARE(view->currentIndex().row(), 3);
        find->setText(QStringLiteral("absent"));
        QTest::keyClick(find, Qt::Key_Return);
        QCOMPARE(child<QLabel>(tab, "lblFindResult")->text(), QStringLiteral("Not found"));

        // What the view shows, stamps switched off, in the console's own encoding.
        child<QCheckBox>(tab, "cheTimeStamps")->setChecked(false);
        auto *save = child<QPushButton>(tab, "btnSave");
        prompter.answer(QStringLiteral("saved.txt"));
        save->click();
        QCOMPARE(fileBytes("saved.txt"), QByteArray("> ping\npong\n> ping\npong K\xf6ln\n"));
        QCOMPARE(prompter.asked.last().kind, FakePrompter::Kind::SaveFile);
        // A cancelled chooser writes nothing; a file that cannot be written is told.
        prompter.answer(QString());
        save->click();
        QCOMPARE(prompter.asked.size(), 2);
        prompter.answer(QStringLiteral("no such folder/saved.txt"));
        save->click();
        QCOMPARE(prompter.asked.last().kind, FakePrompter::Kind::Warning);
        QVERIFY(prompter.asked.last().text.startsWith(QLatin1String("Could not write ")));

        child<QPushButton>(tab, "btnClear")->click();
        QCOMPARE(lines->rowCount() + lines->history().size(), 0);
    }

    void pausedPlotKeepsItsPictureAndExportsIt()
    {
        PlotTab plot(prompter);
        plot.addRecord(heating(60));
        QTRY_COMPARE(drawnPoints(plot), 1);
        const qint64 drawn = QDateTime::currentMSecsSinceEpoch();
        QTRY_VERIFY(QDateTime::currentMSecsSinceEpoch() > drawn); // the next record comes later
        // Paused, a new record and another window redraw the picture as it was at the pause.
        auto *pause = child<QPushButton>(plot, "btnPause");
        pause->click();
        QCOMPARE(pause->text(), QStringLiteral("Resume"));
        plot.addRecord(heating(61));
        child<QComboBox>(plot, "cboWindow")->setCurrentIndex(2);
        QCOMPARE(drawnPoints(plot), 1);
        // The export holds what is drawn: the header and the one sample from before the pause.
        prompter.answer(QStringLiteral("plot.csv"));
        child<QPushButton>(plot, "btnExport")->click();
        const QList<QByteArray> rows = fileBytes(QStringLiteral("plot.csv")).split('\n');
        QCOMPARE(rows.size(), 3);
        QVERIFY(rows.at(0).startsWith("time,macHigh,"));
        QCOMPARE(rows.at(1).split(',').at(6), QByteArray("60"));
        pause->click();
        QCOMPARE(drawnPoints(plot), 2);
    }

private:
    FakePrompter prompter;
};

QTEST_MAIN(TestConsoleView)
#include "tst_consoleview.moc"
