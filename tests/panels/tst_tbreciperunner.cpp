#include "fakeprompter.h"
#include "qdevicemachine.h"
#include "recipepresets.h"
#include "settingsstore.h"
#include "tbpushbutton.h"
#include "tbreciperunner.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSettings>
#include <QSlider>
#include <QtTest>

namespace {

const QString kEspresso = QStringLiteral("1:100:98:98:60:108:10:45:6:90:1:50:\"Espresso\"");
const QString kDefaultNumbers = QStringLiteral("100:98:98:60:108:10:45:6:90:1:50");

QSettings presetStore()
{
    return QSettings(QString::fromLatin1(SettingsStore::kOrganization),
                     QString::fromLatin1(RecipePresets::kApplication));
}

// A recipe runner with what it sent and its closings recorded; reopened like a program
// restart, on the same preset store.
struct Runner
{
    Runner() { open(); }

    void open()
    {
        dialog = std::make_unique<TBRecipeRunner>(nullptr, prompter);
        sent = std::make_unique<QSignalSpy>(dialog.get(), &TBRecipeRunner::sendData);
        closings = std::make_unique<QSignalSpy>(dialog.get(), &TBRecipeRunner::closing);
        dialog->show();
    }

    template<typename T = QWidget> T *widget(const QString &name) const
    {
        T *found = dialog->findChild<T *>(name);
        if (!found)
            qFatal("no %s in the recipe runner", qPrintable(name));
        return found;
    }

    // One step: "sliName=value" moves a slider, "name=text" types a recipe name and
    // presses Return, "progress=percent,time" reports progress, "close_window" and
    // "reopen" do so, any other word clicks that button.
    void step(const QString &what)
    {
        const QString key = what.section(QLatin1Char('='), 0, 0);
        const QString value = what.section(QLatin1Char('='), 1);
        if (key.startsWith(QLatin1String("sli"))) {
            widget<QSlider>(key)->setValue(value.toInt());
        } else if (key == QLatin1String("name")) {
            auto *field = widget<QLineEdit>("txtName");
            field->setText(value);
            QTest::keyClick(field, Qt::Key_Return);
        } else if (key == QLatin1String("progress")) {
            dialog->progress(value.section(',', 0, 0).toInt(), value.section(',', 1).toInt());
        } else if (key == QLatin1String("close_window")) {
            dialog->close_window();
        } else if (key == QLatin1String("reopen")) {
            open();
        } else {
            widget<QAbstractButton>(key)->click();
        }
    }

    // What the expectation "key=value" looks at: "sent" (the commands joined by "|"),
    // "mode", "closing", "warnings", "name.enabled", "name.visible", "name.style",
    // "name.blinking", or the text or value of the widget name.
    QString observe(const QString &key) const
    {
        const QString name = key.section(QLatin1Char('.'), 0, 0);
        const QString aspect = key.section(QLatin1Char('.'), 1);
        if (key == QLatin1String("sent")) {
            QStringList lines;
            for (const QList<QVariant> &arguments : *sent)
                lines << arguments.first().toString();
            return lines.join(QLatin1Char('|'));
        }
        if (key == QLatin1String("mode"))
            return QString::number(dialog->currentMode());
        if (key == QLatin1String("closing"))
            return closings->isEmpty() ? QString() : closings->first().first().toString();
        if (key == QLatin1String("warnings"))
            return QString::number(prompter.asked.size());
        if (aspect == QLatin1String("enabled"))
            return widget(name)->isEnabled() ? "true" : "false";
        if (aspect == QLatin1String("visible"))
            return widget(name)->isVisible() ? "true" : "false";
        if (aspect == QLatin1String("style"))
            return widget(name)->styleSheet();
        if (aspect == QLatin1String("blinking"))
            return widget<TBPushButton>(name)->isBlinking() ? "true" : "false";
        QWidget *shown = widget(name);
        if (auto *slider = qobject_cast<QSlider *>(shown))
            return QString::number(slider->value());
        if (auto *combo = qobject_cast<QComboBox *>(shown))
            return combo->currentText();
        if (auto *field = qobject_cast<QLineEdit *>(shown))
            return field->text();
        if (auto *bar = qobject_cast<QProgressBar *>(shown))
            return QString::number(bar->value());
        if (auto *label = qobject_cast<QLabel *>(shown))
            return label->text();
        return widget<QAbstractButton>(name)->text();
    }

    FakePrompter prompter;
    std::unique_ptr<TBRecipeRunner> dialog;
    std::unique_ptr<QSignalSpy> sent;
    std::unique_ptr<QSignalSpy> closings;
};

QString brew(int number, const QString &numbers, const QString &name = "Preset")
{
    return QStringLiteral("tb4 %1:%2:\"%3\"\r\n").arg(number).arg(numbers, name);
}

} // namespace

// The recipe runner by its form: sliders and their coupling, the guards, Brew and Save to
// machine, progress, presets, refused names and closing.
class TestTBRecipeRunner : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void scenario_data();
    void scenario();
    void mainDeviceMarkedWhileBrewing();
};

void TestTBRecipeRunner::init()
{
    presetStore().clear();
}

void TestTBRecipeRunner::scenario_data()
{
    QTest::addColumn<QString>("preset4"); // stored before the runner opens
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");
    const QString none;
    const QString red = QStringLiteral("color:rgb(170, 0, 0);");

    QTest::newRow("defaults") << none << QStringList()
                              << QStringList{"lblGrams_Value=108",
                                             "lblWateAmount_Value=1800",
                                             "lblPorOvIt_Value=6 (270)",
                                             "lblAfterDripVal=01m 30s",
                                             "lblThermosCountDownTimerVal=00h 50m",
                                             "cboThermosID=Thermos 1",
                                             "txtName=Preset",
                                             "progress.visible=false",
                                             "btnSaveToMachine.enabled=false",
                                             "btnPreset1=[1:N/A]",
                                             "btnPreset1.enabled=false",
                                             "mode=1"};
    QTest::newRow("a slider move shows 6 pulses of 270 ml")
        << none << QStringList{"sliPorOvIt=5", "sliPorOvIt=6"}
        << QStringList{"lblPorOvIt_Value=6 (270 ml)"};
    QTest::newRow("ratio 45 with 108 g gives 2400 ml")
        << none << QStringList{"sliBrewStrength=45"}
        << QStringList{"lblWateAmount_Value=2400", "sliWaterAmount=2400", "lblStrength_Value=45"};
    QTest::newRow("113 g at ratio 45 ends at 112 g and 2500 ml")
        << none << QStringList{"sliBrewStrength=45", "sliGrams=113"}
        << QStringList{"lblGrams_Value=112", "sliGrams=112", "lblWateAmount_Value=2500",
                       "sliWaterAmount=2500", "lblPorOvIt_Value=6 (375 ml)"};
    QTest::newRow("the water slider takes the coffee along")
        << none << QStringList{"sliWaterAmount=1000"}
        << QStringList{"lblGrams_Value=60", "sliGrams=60"};
    QTest::newRow("plus and minus step by the field's step")
        << none << QStringList{"btnPlus_2", "btnMinus_10", "btnPlus_11", "btnMinus_4"}
        << QStringList{"lblWateAmount_Value=1810", "lblAfterDripVal=01m 25s",
                       "lblThermosCountDownTimerVal=00h 55m", "lblTemp0_Value=99"};
    QTest::newRow("a flow brew skips the pulse guard")
        << none << QStringList{"sliPreInfPerc=0", "sliPorOvIt=0", "sliWaterAmount=2500", "Brew"}
        << QStringList{"lblPorOvIt_Value=Flow",
                       "sent=" + brew(8, "100:98:98:60:150:0:45:0:90:1:50"), "mode=2"};
    QTest::newRow("above 450 ml per pulse Brew is disabled, the pulses red")
        << none << QStringList{"sliPreInfPerc=0", "sliPorOvIt=4", "sliWaterAmount=1810"}
        << QStringList{"lblPorOvIt_Value=4 (452 ml)", "Brew.enabled=false",
                       "lblPorOvIt_Value.style=" + red};
    QTest::newRow("450 ml per pulse keeps Brew enabled, yet nothing is sent")
        << none << QStringList{"sliPreInfPerc=0", "sliPorOvIt=4",     "btnSave",
                               "btnPreset1",      "btnSaveToMachine", "Brew"}
        << QStringList{"Brew.enabled=true", "btnSaveToMachine.enabled=true", "sent=", "mode=1"};
    QTest::newRow("recipe 3 brews as tb4 2, is saved to the machine as 3")
        << none << QStringList{"btnSave", "btnPreset3", "btnSaveToMachine", "Brew"}
        << QStringList{"sent=save_recipe 3:" + kDefaultNumbers + ":\"Preset\"\r\n|" +
                           brew(2, kDefaultNumbers),
                       "mode=2",
                       "Brew=STOP",
                       "Brew.blinking=true",
                       "progress.visible=true",
                       "progress=0",
                       "btnPreset3.visible=false",
                       "btnBack.enabled=false",
                       "sliGrams.enabled=false"};
    QTest::newRow("STOP sends stop and returns to editing")
        << none << QStringList{"Brew", "Brew"}
        << QStringList{"sent=" + brew(8, kDefaultNumbers) + "|stop\r\n",
                       "mode=1",
                       "Brew=Brew",
                       "Brew.blinking=false",
                       "progress.visible=false",
                       "sliGrams.enabled=true"};
    QTest::newRow("progress shows the time left, time 0 ends the brew")
        << none << QStringList{"Brew", "progress=40,125"}
        << QStringList{"progress=40", "lblTimeLeftVal=02m 05s", "mode=2"};
    QTest::newRow("the brew ends when the tube is idle")
        << none << QStringList{"Brew", "progress=100,0"}
        << QStringList{"mode=1", "Brew=Brew", "progress.visible=false"};
    QTest::newRow("a brew started elsewhere shows STOP")
        << none << QStringList{"progress=10,60"}
        << QStringList{"mode=2", "Brew=STOP", "progress.visible=true", "sent="};
    QTest::newRow("Save, then a preset button keeps the recipe there, across a restart")
        << none << QStringList{"sliTemp0=90", "btnSave", "btnPreset2", "reopen", "btnPreset2"}
        << QStringList{"btnPreset2=[2:Preset]",
                       "btnPreset2.enabled=true",
                       "lblTemp0_Value=90",
                       "btnSaveToMachine=Push recipe 2",
                       "btnSaveToMachine.enabled=true",
                       "mode=1"};
    QTest::newRow("choosing the preset to save into locks the recipe")
        << none << QStringList{"btnSave"}
        << QStringList{"mode=3", "btnPreset1.enabled=true", "btnBack.enabled=false",
                       "Brew.enabled=false", "sliGrams.enabled=false"};
    QTest::newRow("a preset loads its recipe")
        << kEspresso << QStringList{"btnPreset4", "Brew"}
        << QStringList{"btnPreset4=[4:Espresso]", "txtName=Espresso", "lblWateAmount_Value=1800",
                       "sent=" + brew(3, kDefaultNumbers, "Espresso")};
    QTest::newRow("a damaged preset is ignored, its button enabled with its caption")
        << "1:2:3" << QStringList{"btnPreset4"}
        << QStringList{"btnPreset4=Preset 4", "btnPreset4.enabled=true", "txtName=Preset"};
    QTest::newRow("a colon in the name is refused, the user told")
        << none << QStringList{"name=Es:presso", "Brew"}
        << QStringList{"txtName=Preset", "warnings=1", "sent=" + brew(8, kDefaultNumbers)};
    QTest::newRow("a double quote in the name is refused")
        << none << QStringList{"name=Say \"hi\""} << QStringList{"txtName=Preset", "warnings=1"};
    QTest::newRow("a name beyond Latin-1 is refused")
        << none << QStringList{QString::fromUtf8("name=Kaffee \u20ac")}
        << QStringList{"txtName=Preset", "warnings=1"};
    QTest::newRow("a Latin-1 name is taken")
        << none << QStringList{QString::fromUtf8("name=Caf\u00e9"), "Brew"}
        << QStringList{"warnings=0",
                       "sent=" + brew(8, kDefaultNumbers, QString::fromUtf8("Caf\u00e9"))};
    QTest::newRow("close_window ends choosing a preset")
        << none << QStringList{"btnSave", "close_window"} << QStringList{"mode=1", "closing="};
    QTest::newRow("close_window is ignored while brewing")
        << none << QStringList{"Brew", "close_window"} << QStringList{"mode=2", "closing="};
    QTest::newRow("close_window otherwise closes the runner")
        << none << QStringList{"close_window"} << QStringList{"closing=5"};
}

void TestTBRecipeRunner::scenario()
{
    QFETCH(QString, preset4);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    if (!preset4.isNull())
        presetStore().setValue("preset_4", preset4);
    Runner runner;
    for (const QString &step : steps)
        runner.step(step);
    for (const QString &expectation : expected) {
        const QString key = expectation.section(QLatin1Char('='), 0, 0);
        QCOMPARE(key + '=' + runner.observe(key), expectation);
    }
}

void TestTBRecipeRunner::mainDeviceMarkedWhileBrewing()
{
    QDeviceMachine::setReceivePort(std::nullopt);
    QDeviceMachine *registry = QDeviceMachine::instance();
    Device tube(2, "00564f524e01", "127.0.0.1", "71405", "190918", "Tube");
    registry->setMainDevice(&tube);
    Runner runner;
    runner.step("Brew");
    QCOMPARE(registry->mainDevice()->state, 9);
    QCOMPARE(registry->mainDevice()->extra, QStringLiteral("Preset"));
    runner.step("Brew");
    QCOMPARE(registry->mainDevice()->state, 255);
    QCOMPARE(registry->mainDevice()->extra, QString());
}

QTEST_MAIN(TestTBRecipeRunner)
#include "tst_tbreciperunner.moc"
