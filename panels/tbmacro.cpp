#include "tbmacro.h"
#include "ui_tbmacro.h"

#include "controlcentercommands.h"
#include "tbrowparser.h"

#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

TBMacro::TBMacro(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TBMacro)
    , pingTimer(new QTimer(this))
{
    ui->setupUi(this);
    // Runs for the whole life of the panel; ping() sends only while it is visible.
    pingTimer->setInterval(ControlCenterCommands::kPingInterval);
    connect(pingTimer, &QTimer::timeout, this, &TBMacro::ping);
    pingTimer->start();
}

TBMacro::~TBMacro()
{
    cancelLoop();
    delete ui;
}

void TBMacro::gotRow(QString aCommand)
{
    const TBRowParser::Update update = TBRowParser::parse(aCommand, ui->cheLoop300->isChecked());
    for (const auto &[name, text] : update.labels) {
        if (auto *label = findChild<QLabel *>(name))
            label->setText(text);
    }
    if (update.progress)
        ui->progressBar->setValue(*update.progress);
    if (update.unlockMacroButtons)
        disableRecipeButtons(true);
    if (update.loopDue)
        scheduleLoop();
}

void TBMacro::ping()
{
    if (isVisible())
        emit sendData(ControlCenterCommands::pingCommand());
}

void TBMacro::doLoop()
{
    if (ui->cheLoop300->isChecked() && isVisible())
        on_btn25_clicked();
    cancelLoop();
}

void TBMacro::on_btn1_clicked()
{
    runProgram(1);
}

void TBMacro::on_btn2_clicked()
{
    runProgram(2);
}

void TBMacro::on_btn3_clicked()
{
    runProgram(3);
}

void TBMacro::on_btn4_clicked()
{
    runProgram(4);
}

void TBMacro::on_btn9_clicked()
{
    runProgram(9);
}

void TBMacro::on_btn10_clicked()
{
    runProgram(10);
}

void TBMacro::on_btn11_clicked()
{
    runProgram(11);
}

void TBMacro::on_btn12_clicked()
{
    runProgram(12);
}

void TBMacro::on_btn13_clicked()
{
    runProgram(13);
}

void TBMacro::on_btn14_clicked()
{
    runProgram(14);
}

void TBMacro::on_btn15_clicked()
{
    runProgram(15);
}

void TBMacro::on_btn16_clicked()
{
    runProgram(16);
}

void TBMacro::on_btn17_clicked()
{
    runProgram(17);
}

void TBMacro::on_btn25_clicked()
{
    runProgram(ControlCenterCommands::kLoopProgram);
}

void TBMacro::on_btnStop_clicked()
{
    disableRecipeButtons(true);
    emit sendData(ControlCenterCommands::stopCommand());
}

void TBMacro::on_btnClose_clicked()
{
    disableRecipeButtons(true);
    cancelLoop();
    close(); // hidden, not destroyed
}

void TBMacro::disableRecipeButtons(bool aState)
{
    for (int program : ControlCenterCommands::programs()) {
        if (auto *button = findChild<QPushButton *>(ControlCenterCommands::buttonName(program)))
            button->setEnabled(aState);
    }
}

void TBMacro::hideEvent(QHideEvent *event)
{
    // However the panel goes (Close, the lost console, the window's own close), a repeat
    // scheduled before must not start program 25 once it is shown again. Minimizing is a
    // spontaneous hide and keeps the repeat.
    if (!event->spontaneous())
        cancelLoop();
    QDialog::hideEvent(event);
}

void TBMacro::runProgram(int program)
{
    disableRecipeButtons(false);
    emit sendData(ControlCenterCommands::programCommand(program));
}

void TBMacro::scheduleLoop()
{
    // One repeat at a time: a second MACRO_DONE during the wait starts the wait anew
    // instead of adding a second repeat.
    cancelLoop();
    loopTimer = new QTimer(this);
    loopTimer->setSingleShot(true);
    connect(loopTimer, &QTimer::timeout, this, &TBMacro::doLoop);
    loopTimer->start(TBRowParser::kLoopRepeatDelay);
}

void TBMacro::cancelLoop()
{
    if (!loopTimer)
        return;
    loopTimer->stop();
    loopTimer->deleteLater();
    loopTimer = nullptr;
}
