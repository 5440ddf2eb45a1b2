#pragma once

#include "thermosrecord.h"

#include <QDialog>
#include <QString>

class QTimer;
class ThermosMachine;

namespace Ui {
class ThermosTimersDialog;
}

// The thermos board: one panel per thermos with its recipe, brewing unit, time left or time
// to rebrew and brew clock, coloured by its state, and a large clock. It shows what the
// thermos tracker knows, refreshed every second, with the number of each brewing thermos
// blinking.
class ThermosTimersDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kRefreshIntervalMs = 1000;
    static constexpr int kBlinkIntervalMs = 500;

    // The tracker and the clock are the program's own; tests pass theirs.
    ThermosTimersDialog(QWidget *parent, ThermosMachine &thermoses,
                        ThermosClock now = &QDateTime::currentDateTime);
    ~ThermosTimersDialog() override;

signals:
    void closing(int);
    void sendData(QString); // never emitted

public slots:
    void the1000Timer_timeout();
    void theBlinkTimer_timeout();
    void on_pushButton_clicked();
    void on_btnBack_clicked();

private:
    void refreshPanel(int n);
    void showDigits(bool hideBrewing);

    Ui::ThermosTimersDialog *ui;
    ThermosMachine &thermoses;
    ThermosClock now;
    QTimer *the1000Timer = nullptr;
    QTimer *theBlinkTimer = nullptr;
    int blinkCount = 0;
};
