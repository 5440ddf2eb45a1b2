#include "recipe.h"
#include "recipepresets.h"
#include "settingsstore.h"

#include <QSettings>
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

} // namespace

// The recipe the recipe runner edits: its guards, preset text and store, and names.
class TestRecipe : public QObject
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
};

QTEST_GUILESS_MAIN(TestRecipe)
#include "tst_recipe.moc"
