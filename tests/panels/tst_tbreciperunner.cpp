#include "fakeprompter.h"
#include "recipe.h"
#include "recipepresets.h"
#include "settingsstore.h"
#include "tbpushbutton.h"
#include "tbreciperunner.h"

#include <QLineEdit>
#include <QSettings>
#include <QSlider>
#include <QtTest>

namespace {

const QString kEspresso = QStringLiteral("1:100:98:98:60:108:10:45:6:90:1:50:\"Espresso\"");

QSettings presetStore()
{
    return QSettings(SettingsStore::kOrganization, RecipePresets::kApplication);
}

// The value of a column of the current data row, as QFETCH reads it, in an expression.
template<typename T> T fetched(const char *column)
{
    return *static_cast<T *>(QTest::qData(column, qMetaTypeId<T>()));
}

const QString kNumbers = QStringLiteral("100:98:98:60:108:10:45:6:90:1:50");

QString brew(int number, const QString &name = "Preset", const QString &numbers = kNumbers)
{
    return QStringLiteral("tb4 %1:%2:\"%3\"\r\n").arg(number).arg(numbers, name);
}

} // namespace

// The recipe: its guards, preset text and store, and names; and the recipe runner by its
// form: sliders, the guards, Brew and Save to machine, progress, presets, refused names and
// closing, each row running steps, then checking "key=value" facts.
class TestTBRecipeRunner : public QObject
{
    Q_OBJECT
private slots:
    void guards_data()
    {
        QTest::addColumn<int>("water");
        QTest::addColumn<int>("pulses"); // no prebrew
        QTest::addColumn<QString>("pulseText");
        QTest::addColumn<bool>("brewDisabled"); // by the validity check
        QTest::addColumn<bool>("sendable");     // by Brew and Save to machine
        QTest::newRow("449 ml per pulse is sent") << 1796 << 4 << "4 (449 ml)" << false << true;
        QTest::newRow("450 ml per pulse keeps Brew enabled, is not sent")
            << 1800 << 4 << "4 (450 ml)" << false << false;
        QTest::newRow("a flow brew skips the pulse guard") << 2500 << 0 << "Flow" << false << true;
        QTest::newRow("water above 2500 ml is refused")
            << 2510 << 6 << "6 (418 ml)" << true << false;
    }
    void guards()
    {
        Recipe recipe;
        recipe.waterAmount = fetched<int>("water");
        recipe.preInfPerc = 0;
        recipe.porOvIt = fetched<int>("pulses");
        QTEST(recipe.pulseText(), "pulseText");
        QTEST(recipe.pulseTooLarge() || recipe.waterOutOfRange(), "brewDisabled");
        QTEST(recipe.sendable(), "sendable");
    }
    void presetText_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("read"); // water and name, or empty when ignored
        QTest::newRow("Espresso loads with 1800 ml") << kEspresso << "1800 Espresso";
        QTest::newRow("a colon in the name makes it unreadable")
            << "1:100:98:98:60:108:10:45:6:90:1:50:\"Es:presso\""
            << "";
        QTest::newRow("twelve parts are no preset") << "1:100:98:98:60:108:10:45:6:90:1:\"E\""
                                                    << "";
        QTest::newRow("ratio 0 of a damaged preset divides nothing")
            << "1:100:98:98:0:108:10:45:6:90:1:50:\"Zero\""
            << "0 Zero";
    }
    void presetText()
    {
        const std::optional<Recipe> recipe = Recipe::fromPresetText(fetched<QString>("stored"));
        QTEST(recipe ? QStringLiteral("%1 %2").arg(recipe->waterAmount).arg(recipe->name) : "",
              "read");
    }
    void presetsKeptInTheirOwnStore()
    {
        presetStore().clear();
        Recipe recipe = *Recipe::fromPresetText(kEspresso);
        recipe.recipeNumber = 2;
        recipe.temp30 = 93;
        RecipePresets::save(2, recipe);
        QCOMPARE(presetStore().value("preset_2"),
                 "2:100:93:98:60:108:10:45:6:90:1:50:\"Espresso\"");
        QCOMPARE(RecipePresets::load(2)->temp30, 93);
        QVERIFY(!SettingsStore::get("preset_2", QVariant()).isValid()); // not the program's store

        presetStore().setValue("preset_3", "damaged");
        QStringList captions;
        for (int number : {1, 2, 3}) {
            const RecipePresets::Caption caption = RecipePresets::caption(number);
            captions << (caption.stored ? "stored " : "empty ") + caption.text.value_or("(kept)");
        }
        QCOMPARE(captions, QStringList({"empty [1:N/A]", "stored [2:Espresso]", "stored (kept)"}));
    }
    void nameRefusal_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("refused");
        QTest::newRow("Latin-1 letters pass") << QString::fromUtf8("Caf\u00e9 \u00c5se") << false;
        QTest::newRow("a colon would make the preset unreadable") << "Es:presso" << true;
        QTest::newRow("a double quote would end the quoted name") << "Say \"hi\"" << true;
        QTest::newRow("the euro sign is not Latin-1") << QString::fromUtf8("Kaffee \u20ac") << true;
    }
    void nameRefusal()
    {
        QTEST(!Recipe::nameRefusal(fetched<QString>("name")).isEmpty(), "refused");
    }
    void scenario_data()
    {
        QTest::addColumn<QString>("steps"); // separated by "; "
        QTest::addColumn<QString>("facts");
        QTest::newRow("113 g at ratio 45 end at 112 g and 2500 ml, sliders and labels")
            << "sliPorOvIt=5; sliBrewStrength=45; sliGrams=113"
            << "lblGrams_Value=112; sliGrams=112; lblWateAmount_Value=2500; sliWaterAmount=2500; "
               "lblPorOvIt_Value=5 (450 ml)";
        QTest::newRow("plus and minus step by the field's step")
            << "btnPlus_2; btnMinus_10; btnPlus_11; btnMinus_4"
            << "lblWateAmount_Value=1810; lblAfterDripVal=01m 25s; "
               "lblThermosCountDownTimerVal=00h 55m; lblTemp0_Value=99";
        QTest::newRow("450 ml per pulse keeps Brew enabled, yet nothing is sent")
            << "sliPreInfPerc=0; sliPorOvIt=4; btnSave; btnPreset1; btnSaveToMachine; Brew"
            << "Brew.enabled=true; btnSaveToMachine.enabled=true; sent=; mode=1";
        QTest::newRow("recipe 3 brews as tb4 2, is saved to the machine as 3")
            << "btnSave; btnPreset3; btnSaveToMachine; Brew"
            << "sent=save_recipe 3:" + kNumbers + ":\"Preset\"\r\n|" + brew(2) +
                   "; mode=2; Brew=STOP; progress.visible=true; btnPreset3.visible=false; "
                   "btnBack.enabled=false; sliGrams.enabled=false";
        QTest::newRow("STOP sends stop and unlocks the recipe")
            << "Brew; Brew"
            << "sent=" + brew(8) +
                   "|stop\r\n; mode=1; Brew=Brew; progress.visible=false; "
                   "sliGrams.enabled=true; btnSaveToMachine.enabled=false";
        QTest::newRow("a brew started elsewhere shows STOP and its time")
            << "progress=10,125"
            << "mode=2; Brew=STOP; lblTimeLeftVal=02m 05s; sent=";
        QTest::newRow("Save, then a preset button keeps the recipe there, across a restart")
            << "sliTemp0=90; btnSave; btnPreset2; reopen; btnPreset2"
            << "btnPreset2=[2:Preset]; lblTemp0_Value=90; btnSaveToMachine=Push recipe 2; "
               "btnSaveToMachine.enabled=true";
        QTest::newRow("a refused name is restored, the user told")
            << "name=Es:presso; Brew"
            << "txtName=Preset; warnings=1; sent=" + brew(8);
        QTest::newRow("close_window ends choosing a preset, is ignored while brewing")
            << "btnSave; close_window; Brew; close_window"
            << "mode=2; closing=0";
    }
    void scenario()
    {
        presetStore().clear();
        prompter.asked.clear();
        open();
        QFETCH(QString, steps);
        for (const QString &what : steps.split("; ", Qt::SkipEmptyParts))
            step(what);
        QFETCH(QString, facts);
        for (const QString &fact : facts.split("; ")) {
            const QString key = fact.section('=', 0, 0);
            QCOMPARE(key + '=' + observe(key), fact);
        }
    }

private:
    void open()
    {
        runner = std::make_unique<TBRecipeRunner>(nullptr, prompter);
        sent = std::make_unique<QSignalSpy>(runner.get(), &TBRecipeRunner::sendData);
        closings = std::make_unique<QSignalSpy>(runner.get(), &TBRecipeRunner::closing);
        runner->show();
    }
    QWidget *widget(const QString &name) const
    {
        if (auto *found = runner->findChild<QWidget *>(name))
            return found;
        qFatal("no %s in the recipe runner", qPrintable(name));
    }
    // "sliName=value" moves a slider, "name=text" enters a recipe name, "progress=P,T"
    // reports progress, "close_window" and "reopen" (a restart) do so; else a button click.
    void step(const QString &what)
    {
        const QString key = what.section('=', 0, 0);
        const QString value = what.section('=', 1);
        if (key.startsWith("sli")) {
            static_cast<QSlider *>(widget(key))->setValue(value.toInt());
        } else if (key == "name") {
            auto *field = static_cast<QLineEdit *>(widget("txtName"));
            field->setText(value);
            QTest::keyClick(field, Qt::Key_Return); // must press no button of the form
        } else if (key == "progress") {
            runner->progress(value.section(',', 0, 0).toInt(), value.section(',', 1).toInt());
        } else if (key == "close_window") {
            runner->close_window();
        } else if (key == "reopen") {
            open();
        } else {
            static_cast<QAbstractButton *>(widget(key))->click();
        }
    }
    // "sent", "mode", "closing", "warnings", "widget.property", or the value or text of a
    // widget.
    QString observe(const QString &key) const
    {
        QStringList lines;
        for (const QList<QVariant> &arguments : *sent)
            lines << arguments.first().toString();
        const QHash<QString, QString> facts = {
            {"sent", lines.join('|')},
            {"mode", QString::number(runner->currentMode())},
            {"closing", closings->isEmpty() ? "0" : closings->first().first().toString()},
            {"warnings", QString::number(prompter.asked.size())}};
        if (facts.contains(key))
            return facts.value(key);
        QWidget *shown = widget(key.section('.', 0, 0));
        if (key.contains('.'))
            return shown->property(qPrintable(key.section('.', 1))).toString();
        for (const char *property : {"value", "currentText", "text"}) {
            if (shown->property(property).isValid())
                return shown->property(property).toString();
        }
        return QString();
    }

    FakePrompter prompter;
    std::unique_ptr<TBRecipeRunner> runner;
    std::unique_ptr<QSignalSpy> sent;
    std::unique_ptr<QSignalSpy> closings;
};

QTEST_MAIN(TestTBRecipeRunner)
#include "tst_tbreciperunner.moc"
