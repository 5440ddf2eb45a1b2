#include "tbreciperunner.h"
#include "ui_tbreciperunner.h"

#include "childwindowid.h"
#include "controlcentercommands.h"
#include "panelslogging.h"
#include "prompter.h"
#include "qdevicemachine.h"
#include "recipepresets.h"

#include <QSignalBlocker>

namespace {

const QString kStop = QStringLiteral("STOP");
const QString kBrew = QStringLiteral("Brew");
const QString kRed = QStringLiteral("color:rgb(170, 0, 0);");
const QString kBlack = QStringLiteral("color:rgb(0, 0, 0);");
constexpr int kNoRecipe = 255; // the main device's state while no recipe runs on it

void showNumber(QLabel *label, int value)
{
    label->setText(QString::number(value));
}

} // namespace

TBRecipeRunner::TBRecipeRunner(QWidget *parent, Prompter &prompter)
    : QDialog(parent)
    , ui(new Ui::TBRecipeRunner)
    , prompter(prompter)
{
    ui->setupUi(this);
    setupSliders();
    setProgressShown(false);
    const QList<TBPushButton *> buttons = ui->recipeControls->findChildren<TBPushButton *>();
    for (TBPushButton *button : buttons)
        button->setActive(true);
    ui->btnBack->setActive(true);
    ui->btnSave->setActive(true);
    ui->Brew->setActive(true);
    setValues();
    for (int number = 1; number <= RecipePresets::kCount; ++number)
        refreshPresetCaption(number);
    ui->Brew->setText(kBrew);
}

TBRecipeRunner::~TBRecipeRunner()
{
    delete ui;
}

void TBRecipeRunner::setupSliders()
{
    using F = Recipe::Field;
    const std::pair<QSlider *, F> sliders[] = {
        {ui->sliTemp0, F::Temp0},
        {ui->sliTemp30, F::Temp30},
        {ui->sliTemp60, F::Temp60},
        {ui->sliBrewStrength, F::BrewStrength},
        {ui->sliGrams, F::Grams},
        {ui->sliWaterAmount, F::WaterAmount},
        {ui->sliPreInfPerc, F::PreInfPerc},
        {ui->sliPreInfDelay, F::PreInfDelay},
        {ui->sliPorOvIt, F::PorOvIt},
        {ui->slilblAfterDrip, F::AfterDrip},
        {ui->sliThermosCountDownTimerVal, F::ThermosCountDownTimerVal},
    };
    // Setting a range moves the slider into it; the recipe's defaults must not follow.
    for (const auto &[slider, field] : sliders) {
        const QSignalBlocker blocker(slider);
        const Recipe::Range range = Recipe::range(field);
        slider->setRange(range.minimum, range.maximum);
        slider->setSingleStep(range.step);
    }
    const QSignalBlocker blocker(ui->cboThermosID);
    ui->cboThermosID->addItem(tr("Disabled"), 0);
    for (int id = 1; id <= Recipe::kThermosCount; ++id)
        ui->cboThermosID->addItem(tr("Thermos %1").arg(id), id);
}

// ---------------------------------------------------------------------------------------
// Sliders

void TBRecipeRunner::plainMoved(int &field, QLabel *label, int value)
{
    if (value == field)
        return;
    field = value;
    showNumber(label, value);
}

void TBRecipeRunner::brewStrengthMoved(int value)
{
    if (value == recipe.brewStrength)
        return;
    recipe.setBrewStrength(value);
    showNumber(ui->lblStrength_Value, recipe.brewStrength);
    showCoupled();
}

void TBRecipeRunner::gramsMoved(int value)
{
    if (value == recipe.grams)
        return;
    recipe.setGrams(value);
    showCoupled();
}

void TBRecipeRunner::waterAmountMoved(int value)
{
    if (value == recipe.waterAmount)
        return;
    recipe.setWaterAmount(value);
    showCoupled();
}

void TBRecipeRunner::showCoupled()
{
    // Moving the sliders runs their handlers, which find the values stored already.
    showNumber(ui->lblGrams_Value, recipe.grams);
    showNumber(ui->lblWateAmount_Value, recipe.waterAmount);
    ui->sliGrams->setValue(recipe.grams);
    ui->sliWaterAmount->setValue(recipe.waterAmount);
    if (recipe.porOvIt > 0)
        showPulse();
    check_values();
}

void TBRecipeRunner::preInfPercMoved(int value)
{
    if (value == recipe.preInfPerc)
        return;
    recipe.preInfPerc = value;
    if (recipe.porOvIt >= 1)
        showPulse();
    check_values();
    showNumber(ui->lblPreInfPers_Value, value);
}

void TBRecipeRunner::porOvItMoved(int value)
{
    if (value == recipe.porOvIt)
        return;
    recipe.porOvIt = value;
    showPulse();
    check_values();
}

void TBRecipeRunner::afterDripMoved(int value)
{
    if (value == recipe.afterDrip)
        return;
    recipe.afterDrip = value;
    ui->lblAfterDripVal->setText(Recipe::minutesSeconds(value));
}

void TBRecipeRunner::countDownMoved(int value)
{
    recipe.thermosCountDownTimerVal = value;
    check_values();
    ui->lblThermosCountDownTimerVal->setText(Recipe::hoursMinutes(value));
}

void TBRecipeRunner::showPulse()
{
    ui->lblPorOvIt_Value->setText(recipe.pulseText());
}

void TBRecipeRunner::nudge(QSlider *slider, int direction)
{
    // The slider keeps the value within its range and runs its handler.
    slider->setValue(slider->value() + direction * slider->singleStep());
}

void TBRecipeRunner::on_sliTemp0_sliderMoved(int position)
{
    plainMoved(recipe.temp0, ui->lblTemp0_Value, position);
}

void TBRecipeRunner::on_sliTemp0_valueChanged(int value)
{
    plainMoved(recipe.temp0, ui->lblTemp0_Value, value);
}

void TBRecipeRunner::on_sliTemp30_sliderMoved(int position)
{
    plainMoved(recipe.temp30, ui->lblTemp30_Value, position);
}

void TBRecipeRunner::on_sliTemp30_valueChanged(int value)
{
    plainMoved(recipe.temp30, ui->lblTemp30_Value, value);
}

void TBRecipeRunner::on_sliTemp60_sliderMoved(int position)
{
    plainMoved(recipe.temp60, ui->lblTemp60_Value, position);
}

void TBRecipeRunner::on_sliTemp60_valueChanged(int value)
{
    plainMoved(recipe.temp60, ui->lblTemp60_Value, value);
}

void TBRecipeRunner::on_sliBrewStrength_sliderMoved(int position)
{
    brewStrengthMoved(position);
}

void TBRecipeRunner::on_sliBrewStrength_valueChanged(int value)
{
    brewStrengthMoved(value);
}

void TBRecipeRunner::on_sliGrams_sliderMoved(int position)
{
    gramsMoved(position);
}

void TBRecipeRunner::on_sliGrams_valueChanged(int value)
{
    gramsMoved(value);
}

void TBRecipeRunner::on_sliWaterAmount_sliderMoved(int position)
{
    waterAmountMoved(position);
}

void TBRecipeRunner::on_sliWaterAmount_valueChanged(int value)
{
    waterAmountMoved(value);
}

void TBRecipeRunner::on_sliPreInfPerc_sliderMoved(int position)
{
    preInfPercMoved(position);
}

void TBRecipeRunner::on_sliPreInfPerc_valueChanged(int value)
{
    preInfPercMoved(value);
}

void TBRecipeRunner::on_sliPreInfDelay_sliderMoved(int position)
{
    plainMoved(recipe.preInfDelay, ui->lblPrInfDelay_Value, position);
}

void TBRecipeRunner::on_sliPreInfDelay_valueChanged(int value)
{
    plainMoved(recipe.preInfDelay, ui->lblPrInfDelay_Value, value);
}

void TBRecipeRunner::on_sliPorOvIt_sliderMoved(int position)
{
    porOvItMoved(position);
}

void TBRecipeRunner::on_sliPorOvIt_valueChanged(int value)
{
    porOvItMoved(value);
}

void TBRecipeRunner::on_slilblAfterDrip_sliderMoved(int position)
{
    afterDripMoved(position);
}

void TBRecipeRunner::on_slilblAfterDrip_valueChanged(int value)
{
    afterDripMoved(value);
}

void TBRecipeRunner::on_sliThermosCountDownTimerVal_sliderMoved(int position)
{
    countDownMoved(position);
}

void TBRecipeRunner::on_sliThermosCountDownTimerVal_valueChanged(int value)
{
    countDownMoved(value);
}

void TBRecipeRunner::on_btnMinus_clicked()
{
    nudge(ui->sliBrewStrength, -1);
}

void TBRecipeRunner::on_btnPlus_clicked()
{
    nudge(ui->sliBrewStrength, +1);
}

void TBRecipeRunner::on_btnMinus_2_clicked()
{
    nudge(ui->sliWaterAmount, -1);
}

void TBRecipeRunner::on_btnPlus_2_clicked()
{
    nudge(ui->sliWaterAmount, +1);
}

void TBRecipeRunner::on_btnMinus_3_clicked()
{
    nudge(ui->sliGrams, -1);
}

void TBRecipeRunner::on_btnPlus_3_clicked()
{
    nudge(ui->sliGrams, +1);
}

void TBRecipeRunner::on_btnMinus_4_clicked()
{
    nudge(ui->sliTemp0, -1);
}

void TBRecipeRunner::on_btnPlus_4_clicked()
{
    nudge(ui->sliTemp0, +1);
}

void TBRecipeRunner::on_btnMinus_5_clicked()
{
    nudge(ui->sliPreInfPerc, -1);
}

void TBRecipeRunner::on_btnPlus_5_clicked()
{
    nudge(ui->sliPreInfPerc, +1);
}

void TBRecipeRunner::on_btnMinus_6_clicked()
{
    nudge(ui->sliPreInfDelay, -1);
}

void TBRecipeRunner::on_btnPlus_6_clicked()
{
    nudge(ui->sliPreInfDelay, +1);
}

void TBRecipeRunner::on_btnMinus_7_clicked()
{
    nudge(ui->sliTemp30, -1);
}

void TBRecipeRunner::on_btnPlus_7_clicked()
{
    nudge(ui->sliTemp30, +1);
}

void TBRecipeRunner::on_btnMinus_8_clicked()
{
    nudge(ui->sliTemp60, -1);
}

void TBRecipeRunner::on_btnPlus_8_clicked()
{
    nudge(ui->sliTemp60, +1);
}

void TBRecipeRunner::on_btnMinus_9_clicked()
{
    nudge(ui->sliPorOvIt, -1);
}

void TBRecipeRunner::on_btnPlus_9_clicked()
{
    nudge(ui->sliPorOvIt, +1);
}

void TBRecipeRunner::on_btnMinus_10_clicked()
{
    nudge(ui->slilblAfterDrip, -1);
}

void TBRecipeRunner::on_btnPlus_10_clicked()
{
    nudge(ui->slilblAfterDrip, +1);
}

void TBRecipeRunner::on_btnMinus_11_clicked()
{
    nudge(ui->sliThermosCountDownTimerVal, -1);
}

void TBRecipeRunner::on_btnPlus_11_clicked()
{
    nudge(ui->sliThermosCountDownTimerVal, +1);
}

void TBRecipeRunner::check_values()
{
    if (recipe.pulseTooLarge()) {
        ui->Brew->setEnabled(false);
        ui->lblPorOvIt_Value->setStyleSheet(kRed);
        return;
    }
    ui->lblPorOvIt_Value->setStyleSheet(kBlack);
    const bool waterOutOfRange = recipe.waterOutOfRange();
    ui->Brew->setEnabled(!waterOutOfRange);
    ui->lblWateAmount_Value->setStyleSheet(waterOutOfRange ? kRed : kBlack);
}

void TBRecipeRunner::setValues()
{
    // Labels first: a slider that cannot take a stored value runs its handler, which then
    // shows the value the slider kept.
    showNumber(ui->lblTemp0_Value, recipe.temp0);
    showNumber(ui->lblTemp30_Value, recipe.temp30);
    showNumber(ui->lblTemp60_Value, recipe.temp60);
    showNumber(ui->lblStrength_Value, recipe.brewStrength);
    showNumber(ui->lblGrams_Value, recipe.grams);
    showNumber(ui->lblWateAmount_Value, recipe.waterAmount);
    showNumber(ui->lblPreInfPers_Value, recipe.preInfPerc);
    showNumber(ui->lblPrInfDelay_Value, recipe.preInfDelay);
    ui->lblPorOvIt_Value->setText(recipe.pulseText(false));
    ui->lblAfterDripVal->setText(Recipe::minutesSeconds(recipe.afterDrip));
    ui->lblThermosCountDownTimerVal->setText(Recipe::hoursMinutes(recipe.thermosCountDownTimerVal));

    ui->sliTemp0->setValue(recipe.temp0);
    ui->sliTemp30->setValue(recipe.temp30);
    ui->sliTemp60->setValue(recipe.temp60);
    ui->sliBrewStrength->setValue(recipe.brewStrength);
    ui->sliGrams->setValue(recipe.grams);
    ui->sliWaterAmount->setValue(recipe.waterAmount);
    ui->sliPreInfPerc->setValue(recipe.preInfPerc);
    ui->sliPreInfDelay->setValue(recipe.preInfDelay);
    ui->sliPorOvIt->setValue(recipe.porOvIt);
    ui->slilblAfterDrip->setValue(recipe.afterDrip);
    ui->sliThermosCountDownTimerVal->setValue(recipe.thermosCountDownTimerVal);
    ui->cboThermosID->setCurrentIndex(recipe.thermosID);
    ui->txtName->setText(recipe.name);
    ui->btnSaveToMachine->setActive(false);
}

// ---------------------------------------------------------------------------------------
// Brewing and the machine

void TBRecipeRunner::on_Brew_clicked()
{
    if (ui->Brew->text() == kStop) {
        emit sendData(ControlCenterCommands::stopCommand());
        markMainDevice(kNoRecipe, QString());
        enableControls(Idle);
        return;
    }
    // A recipe the guards refuse is not sent; the red captions tell why.
    if (recipe.sendable()) {
        sendRecipeCommand(recipe.brewCommand());
        // Marks the recipe running on that machine.
        markMainDevice(recipe.recipeNumber, recipe.name);
        ui->progress->setValue(0);
        mode = Brewing;
    }
    enableControls(mode);
}

void TBRecipeRunner::on_btnSaveToMachine_clicked()
{
    if (recipe.sendable())
        sendRecipeCommand(recipe.saveCommand());
}

void TBRecipeRunner::sendRecipeCommand(const QString &command)
{
    qCDebug(lcPanels).noquote() << command.trimmed();
    emit sendData(command);
}

void TBRecipeRunner::markMainDevice(int state, const QString &extra)
{
    const QDeviceMachine *registry = QDeviceMachine::existingInstance();
    if (Device *device = registry ? registry->mainDevice() : nullptr) {
        device->state = state;
        device->extra = extra;
    }
}

void TBRecipeRunner::progress(int aValue, int time)
{
    ui->progress->setValue(aValue);
    ui->lblTimeLeftVal->setText(Recipe::minutesSeconds(time));
    if (time == 0 && mode == Brewing)
        enableControls(Idle);
    else if (time >= 1 && mode == Idle) // a brew started elsewhere
        enableControls(Brewing);
}

void TBRecipeRunner::setProgressShown(bool shown)
{
    ui->progress->setVisible(shown);
    ui->lblTimeLeftVal->setVisible(shown);
}

void TBRecipeRunner::enableControls(int mode)
{
    this->mode = mode;
    setProgressShown(mode == Brewing);
    ui->recipeControls->setEnabled(mode == Idle);
    showPresetButtons(mode);
    switch (mode) {
    case Brewing:
        ui->btnBack->setEnabled(false);
        ui->btnSave->setEnabled(false);
        ui->btnSaveToMachine->setActive(false);
        ui->Brew->setText(kStop);
        ui->Brew->startBlinking();
        break;
    case Idle:
        ui->btnBack->setActive(true);
        ui->btnSave->setActive(true);
        ui->Brew->setActive(true);
        ui->Brew->setText(kBrew);
        break;
    case ChoosingPreset:
        ui->btnSave->setEnabled(true);
        ui->btnBack->setEnabled(false);
        ui->Brew->setText(kBrew);
        ui->Brew->setActive(false);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------
// Presets

void TBRecipeRunner::on_btnPreset1_clicked()
{
    presetClicked(1);
}

void TBRecipeRunner::on_btnPreset2_clicked()
{
    presetClicked(2);
}

void TBRecipeRunner::on_btnPreset3_clicked()
{
    presetClicked(3);
}

void TBRecipeRunner::on_btnPreset4_clicked()
{
    presetClicked(4);
}

void TBRecipeRunner::on_btnPreset5_clicked()
{
    presetClicked(5);
}

void TBRecipeRunner::on_btnPreset6_clicked()
{
    presetClicked(6);
}

void TBRecipeRunner::on_btnPreset7_clicked()
{
    presetClicked(7);
}

void TBRecipeRunner::on_btnPreset8_clicked()
{
    presetClicked(8);
}

void TBRecipeRunner::presetClicked(int number)
{
    recipe.recipeNumber = number;
    if (mode == Idle) {
        loadPreset(number);
        setValues();
        enableControls(mode);
    } else if (mode == ChoosingPreset) {
        savePreset(number);
        refreshPresetCaption(number);
        enableControls(Idle);
    }
    // The only place that offers storing the recipe in the machine.
    ui->btnSaveToMachine->setText(tr("Push recipe %1").arg(number));
    ui->btnSaveToMachine->setActive(true);
}

void TBRecipeRunner::loadPreset(int index)
{
    const std::optional<Recipe> stored = RecipePresets::load(index);
    if (!stored)
        return;
    const int number = recipe.recipeNumber; // the stored number is not read back
    recipe = *stored;
    recipe.recipeNumber = number;
    setValues();
}

void TBRecipeRunner::savePreset(int number)
{
    RecipePresets::save(number, recipe);
}

QVariant TBRecipeRunner::getSettings(QString name, QVariant defVal)
{
    return RecipePresets::value(name, defVal);
}

void TBRecipeRunner::setSettings(QString name, QVariant value)
{
    RecipePresets::setValue(name, value);
}

void TBRecipeRunner::on_btnSave_clicked()
{
    enableControls(ChoosingPreset); // the next preset button pressed takes the recipe
}

TBPushButton *TBRecipeRunner::presetButton(int number) const
{
    return findChild<TBPushButton *>(QStringLiteral("btnPreset%1").arg(number));
}

void TBRecipeRunner::refreshPresetCaption(int number)
{
    const RecipePresets::Caption caption = RecipePresets::caption(number);
    TBPushButton *button = presetButton(number);
    button->setActive(caption.stored);
    if (caption.text)
        button->setText(*caption.text);
}

void TBRecipeRunner::showPresetButtons(int mode)
{
    for (int number = 1; number <= RecipePresets::kCount; ++number) {
        TBPushButton *button = presetButton(number);
        button->setVisible(mode != Brewing);
        if (mode == Brewing)
            button->setActive(false);
        else if (mode == Idle)
            refreshPresetCaption(number);
        else if (mode == ChoosingPreset)
            button->setActive(true);
    }
}

// ---------------------------------------------------------------------------------------
// The name, the thermos and closing

void TBRecipeRunner::on_txtName_editingFinished()
{
    const QString text = ui->txtName->text();
    if (text == recipe.name)
        return;
    const QString refusal = Recipe::nameRefusal(text);
    if (refusal.isEmpty()) {
        recipe.name = text;
        return;
    }
    // The field shows the kept name before the warning takes the focus, so the editing
    // that the focus change finishes finds nothing new.
    ui->txtName->setText(recipe.name);
    prompter.warning(tr("Recipe name"), refusal);
}

void TBRecipeRunner::on_txtName_returnPressed()
{
    ui->txtName->setFocus();
}

void TBRecipeRunner::on_cboThermosID_currentIndexChanged(int index)
{
    recipe.thermosID = index;
}

void TBRecipeRunner::on_btnCancel_clicked()
{
    emit closing(int(ChildWindowId::RecipeRunner));
    deleteLater();
}

void TBRecipeRunner::on_btnBack_clicked()
{
    hide();
}

void TBRecipeRunner::disconnected()
{
    hide();
}

void TBRecipeRunner::close_window()
{
    if (mode == ChoosingPreset)
        enableControls(Idle);
    else if (mode != Brewing)
        on_btnCancel_clicked();
}
