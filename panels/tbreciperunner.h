#pragma once

#include "recipe.h"

#include <QDialog>
#include <QString>
#include <QVariant>

class Prompter;
class QLabel;
class QSlider;
class TBPushButton;

namespace Ui {
class TBRecipeRunner;
}

// The recipe runner: the user composes a brew recipe with sliders, keeps eight presets,
// starts and stops the brew on the connected machine, stores the recipe in the machine and
// follows the brew's progress. The numbers and texts are the recipe's; this dialog shows
// them and hands the commands to the main window.
class TBRecipeRunner : public QDialog
{
    Q_OBJECT
public:
    enum Mode { Idle = 1, Brewing = 2, ChoosingPreset = 3 };

    TBRecipeRunner(QWidget *parent, Prompter &prompter);
    ~TBRecipeRunner() override;

    int currentMode() const { return mode; }

signals:
    void closing(int);
    void sendData(QString);

public slots:
    void progress(int aValue, int time);
    void close_window();
    void disconnected();
    void on_sliTemp0_sliderMoved(int position);
    void on_sliTemp0_valueChanged(int value);
    void on_sliTemp30_sliderMoved(int position);
    void on_sliTemp30_valueChanged(int value);
    void on_sliTemp60_sliderMoved(int position);
    void on_sliTemp60_valueChanged(int value);
    void on_sliBrewStrength_sliderMoved(int position);
    void on_sliBrewStrength_valueChanged(int value);
    void on_sliGrams_sliderMoved(int position);
    void on_sliGrams_valueChanged(int value);
    void on_sliWaterAmount_sliderMoved(int position);
    void on_sliWaterAmount_valueChanged(int value);
    void on_sliPreInfPerc_sliderMoved(int position);
    void on_sliPreInfPerc_valueChanged(int value);
    void on_sliPreInfDelay_sliderMoved(int position);
    void on_sliPreInfDelay_valueChanged(int value);
    void on_sliPorOvIt_sliderMoved(int position);
    void on_sliPorOvIt_valueChanged(int value);
    void on_slilblAfterDrip_sliderMoved(int position);
    void on_slilblAfterDrip_valueChanged(int value);
    void on_sliThermosCountDownTimerVal_sliderMoved(int position);
    void on_sliThermosCountDownTimerVal_valueChanged(int value);
    void on_btnCancel_clicked();
    void on_Brew_clicked();
    void check_values();
    void on_btnPreset1_clicked();
    void on_btnPreset2_clicked();
    void on_btnPreset3_clicked();
    void on_btnPreset4_clicked();
    void on_btnPreset5_clicked();
    void on_btnPreset6_clicked();
    void on_btnPreset7_clicked();
    void on_btnPreset8_clicked();
    void loadPreset(int index);
    void savePreset(int number);
    QVariant getSettings(QString name, QVariant defVal);
    void setSettings(QString name, QVariant value);
    void on_btnSave_clicked();
    void enableControls(int mode);
    void setValues();
    void on_txtName_editingFinished();
    void on_txtName_returnPressed();
    void on_cboThermosID_currentIndexChanged(int index);
    void on_btnBack_clicked();
    void on_btnSaveToMachine_clicked();
    void on_btnMinus_clicked();
    void on_btnPlus_clicked();
    void on_btnMinus_2_clicked();
    void on_btnPlus_2_clicked();
    void on_btnMinus_3_clicked();
    void on_btnPlus_3_clicked();
    void on_btnMinus_4_clicked();
    void on_btnPlus_4_clicked();
    void on_btnMinus_5_clicked();
    void on_btnPlus_5_clicked();
    void on_btnMinus_6_clicked();
    void on_btnPlus_6_clicked();
    void on_btnMinus_7_clicked();
    void on_btnPlus_7_clicked();
    void on_btnMinus_8_clicked();
    void on_btnPlus_8_clicked();
    void on_btnMinus_9_clicked();
    void on_btnPlus_9_clicked();
    void on_btnMinus_10_clicked();
    void on_btnPlus_10_clicked();
    void on_btnMinus_11_clicked();
    void on_btnPlus_11_clicked();

private:
    void setupSliders();
    // The slider handlers; each stops when the value is the one stored already.
    void plainMoved(int &field, QLabel *label, int value);
    void brewStrengthMoved(int value);
    void gramsMoved(int value);
    void waterAmountMoved(int value);
    void preInfPercMoved(int value);
    void porOvItMoved(int value);
    void afterDripMoved(int value);
    void countDownMoved(int value);
    void showCoupled();
    void showPulse();
    static void nudge(QSlider *slider, int direction);

    void presetClicked(int number);
    TBPushButton *presetButton(int number) const;
    void refreshPresetCaption(int number);
    void showPresetButtons(int mode);
    void setProgressShown(bool shown);
    void sendRecipeCommand(const QString &command);
    static void markMainDevice(int state, const QString &extra);

    Ui::TBRecipeRunner *ui;
    Prompter &prompter;
    Recipe recipe;
    int mode = Idle;
};
