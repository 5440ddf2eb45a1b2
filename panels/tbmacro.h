#pragma once

#include <QDialog>
#include <QString>

class QPushButton;
class QTimer;

namespace Ui {
class TBMacro;
}

// The control center of one tube board: buttons that start the board's stored programs,
// a stop, and a status area filled from the board's console rows. It pings the board every
// minute while visible and can repeat program 25 two minutes after each program completes.
class TBMacro : public QDialog
{
    Q_OBJECT
public:
    explicit TBMacro(QWidget *parent = nullptr);
    ~TBMacro() override;

    // The pending repeat of program 25, or null.
    const QTimer *pendingLoop() const { return loopTimer; }

signals:
    void sendData(QString aLine);

public slots:
    void gotRow(QString aCommand);
    void ping();
    void doLoop();
    void on_btn1_clicked();
    void on_btn2_clicked();
    void on_btn3_clicked();
    void on_btn4_clicked();
    void on_btn9_clicked();
    void on_btn10_clicked();
    void on_btn11_clicked();
    void on_btn12_clicked();
    void on_btn13_clicked();
    void on_btn14_clicked();
    void on_btn15_clicked();
    void on_btn16_clicked();
    void on_btn17_clicked();
    void on_btn25_clicked();
    void on_btnStop_clicked();
    void on_btnClose_clicked();
    void disableRecipeButtons(bool aState);

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void runProgram(int program);
    void scheduleLoop();
    void cancelLoop();

    Ui::TBMacro *ui;
    QTimer *pingTimer;
    QTimer *loopTimer = nullptr;
};
