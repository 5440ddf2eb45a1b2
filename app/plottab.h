#pragma once

#include "tbtubelogdata.h"
#include "telemetryhistory.h"

#include <QDateTime>
#include <QTimer>
#include <QWidget>
#include <array>
#include <iterator>
#include <memory>

class Prompter;

namespace QtCharts {
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
} // namespace QtCharts

namespace Ui {
class PlotTab;
}

// The "Plot" tab: the connected board's temperatures, flow and power over the last 1, 10 or
// 60 minutes, drawn from the records the status panel shows. Pausing freezes the picture
// while the records are still kept; "Export CSV…" writes the samples drawn.
class PlotTab : public QWidget
{
    Q_OBJECT
public:
    explicit PlotTab(Prompter &prompter, QWidget *parent = nullptr);
    ~PlotTab() override;

    void addRecord(const TBTubeLogData &record);
    const TelemetryHistory &samples() const { return history; }

private slots:
    void on_cboWindow_currentIndexChanged(int index);
    void on_btnPause_toggled(bool on);
    void on_btnExport_clicked();

private:
    enum Axis { Temperature, Flow, Power, AxisCount };

    void buildChart();
    QtCharts::QValueAxis *addValueAxis(const QString &title, Qt::Alignment side);
    void redraw();
    void fitValueAxes();
    QDateTime windowStart(const QDateTime &end) const;

    std::unique_ptr<Ui::PlotTab> ui;
    Prompter &prompter;
    TelemetryHistory history;
    std::array<QtCharts::QLineSeries *, std::size(TelemetryHistory::kQuantities)> curves{};
    std::array<QtCharts::QValueAxis *, AxisCount> valueAxes{};
    QtCharts::QDateTimeAxis *timeAxis = nullptr;
    QTimer redrawTimer;
    bool paused = false;
    QDateTime shownEnd; // the end of the window drawn: the last redraw, or the pause
};
