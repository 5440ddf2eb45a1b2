#include "fuzzsupport.h"
#include "hotkeyfile.h"
#include "recipe.h"

#include <QString>

// The two formats the program writes and reads back: hotkey lines beside each script and the
// recipe presets of the "RecipeRunner" store. Whatever text is read, what is accepted must be
// written so that it reads back the same: a saved hotkey or preset is never lost.

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::silenceQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(Fuzz::bytes(data, size));

    if (const std::optional<HotkeyFile::Definition> hotkey = HotkeyFile::parse(text)) {
        Fuzz::check(hotkey->number >= 1 && hotkey->number <= HotkeyFile::kCount,
                    "hotkey number in range");
        const QString written = HotkeyFile::line(hotkey->number, hotkey->hotkey);
        const std::optional<HotkeyFile::Definition> again = HotkeyFile::parse(written);
        Fuzz::check(again.has_value(), "a written hotkey line reads back");
        Fuzz::check(again->number == hotkey->number &&
                        again->hotkey.caption == HotkeyFile::storable(hotkey->hotkey.caption) &&
                        again->hotkey.command == HotkeyFile::storable(hotkey->hotkey.command),
                    "a written hotkey line reads back the same");
    }

    if (const std::optional<Recipe> recipe = Recipe::fromPresetText(text)) {
        // A name the runner refuses never reaches a preset; only a storable one must survive.
        if (Recipe::nameRefusal(recipe->name).isEmpty()) {
            const std::optional<Recipe> again = Recipe::fromPresetText(recipe->presetText());
            Fuzz::check(again.has_value(), "a written preset reads back");
            Fuzz::check(again->presetText() == recipe->presetText(),
                        "a written preset reads back the same");
        }
    }
    return 0;
}
