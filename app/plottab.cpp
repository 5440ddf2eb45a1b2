#include "plottab.h"

#include "fileexport.h"
#include "ui_plottab.h"

#include <QColor>

#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <chrono>

using namespace QtCharts;

namespace {

constexpr int kWindowMinutes[] = {1, 10, 60};
constexpr int kDefaultWindow = 1; // 10 minutes
// Records come about once a second; a few that come together are drawn once.
constexpr auto kRedrawDelay = std::chrono::milliseconds(250);

struct Curve
{
    const char *name;
    int axis;    // PlotTab::Axis
    QRgb colour; // six the eye tells apart; the chart themes repeat after five
};

// In the order of TelemetryHistory::kQuantities: four temperatures, flow, power.
constexpr Curve kCurves[] = {{QT_TRANSLATE_NOOP("PlotTab", "Temp in"), 0, 0x1f77b4},
                             {QT_TRANSLATE_NOOP("PlotTab", "Temp H1"), 0, 0xff7f0e},
                             {QT_TRANSLATE_NOOP("PlotTab", "Temp H2"), 0, 0x2ca02c},
                             {QT_TRANSLATE_NOOP("PlotTab", "Temp H3"), 0, 0x9467bd},
                             {QT_TRANSLATE_NOOP("PlotTab", "Flow"), 1, 0x17becf},
                             {QT_TRANSLATE_NOOP("PlotTab", "Power"), 2, 0xd62728}};

constexpr int kTimeTicks = 4; // "hh:mm:ss" labels that fit a narrow tab

// The smallest top of each value axis, so that an idle board's flat lines keep a sane scale.
constexpr double kAxisTop[] = {100, 10, 1000};

} // namespace

PlotTab::PlotTab(Prompter &prompter, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::PlotTab)
    , prompter(prompter)
{
    ui->setupUi(this);
    buildChart();
    redrawTimer.setSingleShot(true);
    redrawTimer.setInterval(kRedrawDelay);
    connect(&redrawTimer, &QTimer::timeout, this, &PlotTab::redraw);
    for (const int minutes : kWindowMinutes)
        ui->cboWindow->addItem(tr("%1 min").arg(minutes), minutes);
    ui->cboWindow->setCurrentIndex(kDefaultWindow);
}

PlotTab::~PlotTab() = default;

void PlotTab::buildChart()
{
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins());
    ui->chartView->setChart(chart);
    ui->chartView->setRenderHint(QPainter::Antialiasing);

    timeAxis = new QDateTimeAxis;
    timeAxis->setFormat(QStringLiteral("hh:mm:ss"));
    timeAxis->setTickCount(kTimeTicks);
    timeAxis->setTitleText(tr("Time"));
    chart->addAxis(timeAxis, Qt::AlignBottom);
    valueAxes[Temperature] =
        addValueAxis(tr("Temperature (%1C)").arg(QChar(0x00b0)), Qt::AlignLeft);
    valueAxes[Flow] = addValueAxis(tr("Flow (ml/s)"), Qt::AlignRight);
    valueAxes[Power] = addValueAxis(tr("Power (W)"), Qt::AlignRight);

    for (size_t i = 0; i < curves.size(); ++i) {
        auto *series = new QLineSeries;
        series->setName(tr(kCurves[i].name));
        chart->addSeries(series);
        series->setColor(QColor(kCurves[i].colour));
        series->attachAxis(timeAxis);
        series->attachAxis(valueAxes[kCurves[i].axis]);
        curves[i] = series;
        // The right-hand axes hold one curve each and take its colour, to read at a glance.
        if (kCurves[i].axis != Temperature)
            valueAxes[kCurves[i].axis]->setLabelsColor(series->color());
    }
}

QValueAxis *PlotTab::addValueAxis(const QString &title, Qt::Alignment side)
{
    auto *axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setLabelFormat(QStringLiteral("%.0f"));
    ui->chartView->chart()->addAxis(axis, side);
    return axis;
}

void PlotTab::addRecord(const TBTubeLogData &record)
{
    history.append(QDateTime::currentDateTime(), record);
    if (!paused && !redrawTimer.isActive())
        redrawTimer.start();
}

QDateTime PlotTab::windowStart(const QDateTime &end) const
{
    return end.addSecs(-60 * ui->cboWindow->currentData().toInt());
}

void PlotTab::redraw()
{
    redrawTimer.stop();
    if (!paused || !shownEnd.isValid())
        shownEnd = QDateTime::currentDateTime();
    const QDateTime from = windowStart(shownEnd);
    for (size_t i = 0; i < curves.size(); ++i)
        curves[i]->replace(history.points(TelemetryHistory::kQuantities[i], from, shownEnd));
    timeAxis->setRange(from, shownEnd);
    fitValueAxes();
}

void PlotTab::fitValueAxes()
{
    // Each axis spans from zero (or a lower value drawn) to the highest value drawn, and at
    // least to its smallest top.
    std::array<double, AxisCount> low{};
    std::array<double, AxisCount> high{};
    std::copy(std::begin(kAxisTop), std::end(kAxisTop), high.begin());
    for (size_t i = 0; i < curves.size(); ++i) {
        const int axis = kCurves[i].axis;
        for (const QPointF &point : curves[i]->pointsVector()) {
            low[axis] = qMin(low[axis], point.y());
            high[axis] = qMax(high[axis], point.y());
        }
    }
    for (int axis = 0; axis < AxisCount; ++axis) {
        valueAxes[axis]->setRange(low[axis], high[axis]);
        valueAxes[axis]->applyNiceNumbers();
    }
}

void PlotTab::on_cboWindow_currentIndexChanged(int index)
{
    Q_UNUSED(index)
    redraw();
}

void PlotTab::on_btnPause_toggled(bool on)
{
    paused = on;
    ui->btnPause->setText(on ? tr("Resume") : tr("Pause"));
    if (!on)
        redraw();
}

void PlotTab::on_btnExport_clicked()
{
    const QDateTime to = shownEnd.isValid() ? shownEnd : QDateTime::currentDateTime();
    FileExport::save(prompter, tr("Export CSV"), QStringLiteral("telemetry.csv"),
                     tr("CSV files (*.csv);;All files (*)"), QIODevice::NotOpen,
                     [&](QIODevice *file) { return history.writeCsv(file, windowStart(to), to); });
}
