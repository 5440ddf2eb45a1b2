#include "thermostimersdialog.h"
#include "ui_thermostimersdialog.h"

#include "childwindowid.h"
#include "qdevicemachine.h"
#include "thermosmachine.h"

#include <QLabel>
#include <QTimer>

#include <utility>

namespace {

constexpr int kTubeBoard = 2;    // the units that brew are tube boards
constexpr int kSteadyTicks = 10; // blink ticks in a row after which the count starts again

} // namespace

ThermosTimersDialog::ThermosTimersDialog(QWidget *parent, ThermosMachine &thermoses,
                                         ThermosClock now)
    : QDialog(parent)
    , ui(new Ui::ThermosTimersDialog)
    , thermoses(thermoses)
    , now(std::move(now))
{
    ui->setupUi(this);
    ui->lblCurrentTimeVal->setText(this->now().toString(QStringLiteral("hh:mm")));
    the1000Timer_timeout(); // every panel is filled before the dialog is shown
    the1000Timer = new QTimer(this);
    the1000Timer->setInterval(kRefreshIntervalMs);
    connect(the1000Timer, &QTimer::timeout, this, &ThermosTimersDialog::the1000Timer_timeout);
    theBlinkTimer = new QTimer(this);
    theBlinkTimer->setInterval(kBlinkIntervalMs);
    connect(theBlinkTimer, &QTimer::timeout, this, &ThermosTimersDialog::theBlinkTimer_timeout);
    the1000Timer->start();
    theBlinkTimer->start();
    ui->btnBack->setActive(true);
}

ThermosTimersDialog::~ThermosTimersDialog()
{
    delete ui;
}

void ThermosTimersDialog::the1000Timer_timeout()
{
    ui->lblCurrentTimeVal->setText(now().toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    for (int n = 1; n <= ThermosMachine::kThermosCount; ++n)
        refreshPanel(n);
}

void ThermosTimersDialog::refreshPanel(int n)
{
    ThermosRecord *record = thermoses.thermos(n);
    const auto label = [this, n](const char *name) {
        return findChild<QLabel *>(QLatin1String(name) + QString::number(n));
    };
    // Each label takes the colour of the state it is given after the one before it, so the
    // labels set before the time text may show the previous state's colour for one second.
    const auto paint = [record](QLabel *shown) {
        shown->setStyleSheet(record->colorStyle());
        shown->setEnabled(record->hasData());
    };
    const auto show = [&](const char *name, const QString &text) {
        QLabel *shown = label(name);
        shown->setText(text);
        paint(shown);
    };
    paint(label("lblId")); // its text is the blink timer's
    show("lblRecipeNameVal", record->nameText());
    show("lblBrewKlockVal", record->startText());
    show("lblBrewTimerVal", record->timeText()); // may make a brewed thermos due
    const QDeviceMachine *registry = QDeviceMachine::existingInstance();
    const QString guid = record->guidText();
    show("lblUnitVal", registry ? registry->deviceName(kTubeBoard, guid) : guid);
}

void ThermosTimersDialog::theBlinkTimer_timeout()
{
    ++blinkCount;
    if (blinkCount <= kSteadyTicks && blinkCount % 2 == 0) {
        showDigits(false);
        return;
    }
    if (blinkCount > kSteadyTicks)
        blinkCount = 1;
    showDigits(true);
}

void ThermosTimersDialog::showDigits(bool hideBrewing)
{
    for (int n = 1; n <= ThermosMachine::kThermosCount; ++n) {
        const bool brewing = thermoses.thermos(n)->state == ThermosRecord::Brewing;
        findChild<QLabel *>(QStringLiteral("lblId%1").arg(n))
            ->setText(hideBrewing && brewing ? QString() : QString::number(n));
    }
}

void ThermosTimersDialog::on_pushButton_clicked()
{
    the1000Timer->stop();
    the1000Timer->deleteLater();
    theBlinkTimer->stop();
    theBlinkTimer->deleteLater();
    emit closing(int(ChildWindowId::ThermosTimers));
    deleteLater();
    close();
}

void ThermosTimersDialog::on_btnBack_clicked()
{
    hide(); // the timers keep the panels current for the next showing
}
