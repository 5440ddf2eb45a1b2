#include "recipe.h"
#include "recipepresets.h"
#include "settingsstore.h"

#include <QSettings>
#include <QtTest>

namespace {

const QString kEspresso = QStringLiteral("1:100:98:98:60:108:10:45:6:90:1:50:\"Espresso\"");

QSettings presetStore()
{
    return QSettings(QString::fromLatin1(SettingsStore::kOrganization),
                     QString::fromLatin1(RecipePresets::kApplication));
}

} // namespace

// The recipe the recipe runner edits: coupling, guards, preset text, commands and names.
class TestRecipe : public QObject
{
    Q_OBJECT
private slots:
    void coupling_data();
    void coupling();
    void guards_data();
    void guards();
    void commandsCountRecipesTheBoardsWay();
    void presetText_data();
    void presetText();
    void presetsKeptInTheirOwnStore();
    void nameRefusal_data();
    void nameRefusal();
};

void TestRecipe::coupling_data()
{
    QTest::addColumn<int>("ratio");
    QTest::addColumn<int>("grams");
    QTest::addColumn<int>("water"); // 0: not set
    QTest::addColumn<int>("wantGrams");
    QTest::addColumn<int>("wantWater");
    QTest::newRow("108 g at ratio 60 give 1800 ml") << 60 << 108 << 0 << 108 << 1800;
    QTest::newRow("108 g at ratio 45 give 2400 ml") << 45 << 108 << 0 << 108 << 2400;
    QTest::newRow("113 g at ratio 45 end at 112 g and 2500 ml") << 45 << 113 << 0 << 112 << 2500;
    QTest::newRow("15 g at ratio 90 end at 63 g and 700 ml") << 90 << 15 << 0 << 63 << 700;
    QTest::newRow("1000 ml at ratio 60 take 60 g") << 60 << 108 << 1000 << 60 << 1000;
    QTest::newRow("2500 ml at ratio 45 take 112 g") << 45 << 108 << 2500 << 112 << 2500;
}

void TestRecipe::coupling()
{
    QFETCH(int, ratio);
    QFETCH(int, grams);
    QFETCH(int, water);
    QFETCH(int, wantGrams);
    QFETCH(int, wantWater);
    Recipe recipe;
    recipe.setBrewStrength(ratio);
    recipe.setGrams(grams);
    if (water)
        recipe.setWaterAmount(water);
    QCOMPARE(recipe.grams, wantGrams);
    QCOMPARE(recipe.waterAmount, wantWater);
    QCOMPARE(recipe.brewStrength, ratio);
}

void TestRecipe::guards_data()
{
    QTest::addColumn<int>("water");
    QTest::addColumn<int>("prebrew");
    QTest::addColumn<int>("pulses");
    QTest::addColumn<QString>("pulseText");
    QTest::addColumn<bool>("brewDisabled"); // by the validity check
    QTest::addColumn<bool>("sendable");     // by Brew and Save to machine
    QTest::newRow("defaults: 6 pulses of 270 ml")
        << 1800 << 10 << 6 << "6 (270 ml)" << false << true;
    QTest::newRow("449 ml per pulse is sent") << 1796 << 0 << 4 << "4 (449 ml)" << false << true;
    QTest::newRow("450 ml per pulse keeps Brew enabled, yet is not sent")
        << 1800 << 0 << 4 << "4 (450 ml)" << false << false;
    QTest::newRow("451 ml per pulse disables Brew")
        << 1804 << 0 << 4 << "4 (451 ml)" << true << false;
    QTest::newRow("a flow brew skips the pulse guard") << 2500 << 0 << 0 << "Flow" << false << true;
    QTest::newRow("water above 2500 ml is refused")
        << 2510 << 10 << 6 << "6 (376 ml)" << true << false;
    QTest::newRow("water below 700 ml is refused")
        << 690 << 10 << 6 << "6 (103 ml)" << true << false;
}

void TestRecipe::guards()
{
    QFETCH(int, water);
    QFETCH(int, prebrew);
    QFETCH(int, pulses);
    Recipe recipe;
    recipe.waterAmount = water;
    recipe.preInfPerc = prebrew;
    recipe.porOvIt = pulses;
    QTEST(recipe.pulseText(), "pulseText");
    QTEST(recipe.pulseTooLarge() || recipe.waterOutOfRange(), "brewDisabled");
    QTEST(recipe.sendable(), "sendable");
}

void TestRecipe::commandsCountRecipesTheBoardsWay()
{
    Recipe recipe;
    recipe.recipeNumber = 3;
    QCOMPARE(recipe.brewCommand(),
             QStringLiteral("tb4 2:100:98:98:60:108:10:45:6:90:1:50:\"Preset\"\r\n"));
    QCOMPARE(recipe.saveCommand(),
             QStringLiteral("save_recipe 3:100:98:98:60:108:10:45:6:90:1:50:\"Preset\"\r\n"));
}

void TestRecipe::presetText_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("read");
    QTest::addColumn<int>("water");
    QTest::addColumn<QString>("name");
    QTest::newRow("Espresso loads with 1800 ml") << kEspresso << true << 1800 << "Espresso";
    QTest::newRow("a colon in the name makes it unreadable")
        << "1:100:98:98:60:108:10:45:6:90:1:50:\"Es:presso\"" << false << 0 << "";
    QTest::newRow("twelve parts are no preset")
        << "1:100:98:98:60:108:10:45:6:90:1:\"Espresso\"" << false << 0 << "";
    QTest::newRow("an empty text is no preset") << "" << false << 0 << "";
    QTest::newRow("ratio 0 of a damaged preset divides nothing")
        << "1:100:98:98:0:108:10:45:6:90:1:50:\"Zero\"" << true << 0 << "Zero";
    QTest::newRow("quotes inside the name are dropped")
        << "1:100:98:98:45:108:10:45:6:90:1:50:\"Old \"x\"\"" << true << 2400 << "Old x";
}

void TestRecipe::presetText()
{
    QFETCH(QString, stored);
    QFETCH(bool, read);
    const std::optional<Recipe> recipe = Recipe::fromPresetText(stored);
    QCOMPARE(recipe.has_value(), read);
    if (!recipe)
        return;
    QTEST(recipe->waterAmount, "water");
    QTEST(recipe->name, "name");
}

void TestRecipe::presetsKeptInTheirOwnStore()
{
    presetStore().clear();
    Recipe recipe = *Recipe::fromPresetText(kEspresso);
    recipe.recipeNumber = 2;
    recipe.temp30 = 93;
    RecipePresets::save(2, recipe);
    QCOMPARE(presetStore().value("preset_2").toString(),
             QStringLiteral("2:100:93:98:60:108:10:45:6:90:1:50:\"Espresso\""));
    Recipe loaded = *RecipePresets::load(2);
    QCOMPARE(loaded.recipeNumber, Recipe().recipeNumber); // the stored number is not read back
    loaded.recipeNumber = 2;
    QCOMPARE(loaded.presetText(), recipe.presetText());
    QVERIFY(!SettingsStore::get("preset_2", QVariant()).isValid()); // not the program's store

    presetStore().setValue("preset_3", "damaged");
    QStringList captions;
    for (int number : {1, 2, 3}) {
        const RecipePresets::Caption caption = RecipePresets::caption(number);
        captions << (caption.stored ? "stored " : "empty ") + caption.text.value_or("(kept)");
    }
    QCOMPARE(captions, QStringList({"empty [1:N/A]", "stored [2:Espresso]", "stored (kept)"}));
    QVERIFY(!RecipePresets::load(3));
}

void TestRecipe::nameRefusal_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    QTest::newRow("plain name") << "Preset" << false;
    QTest::newRow("Latin-1 letters pass") << QString::fromUtf8("Caf\u00e9 \u00c5se") << false;
    QTest::newRow("a colon would make the preset unreadable") << "Es:presso" << true;
    QTest::newRow("a double quote would end the quoted name") << "Say \"hi\"" << true;
    QTest::newRow("the euro sign is not Latin-1") << QString::fromUtf8("Kaffee \u20ac") << true;
    QTest::newRow("a character beyond the BMP") << QString::fromUtf8("Tea \U0001F375") << true;
}

void TestRecipe::nameRefusal()
{
    QFETCH(QString, name);
    QTEST(!Recipe::nameRefusal(name).isEmpty(), "refused");
}

QTEST_GUILESS_MAIN(TestRecipe)
#include "tst_recipe.moc"
