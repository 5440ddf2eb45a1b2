#pragma once

// The child windows of the main window, by the identifier their closing(int) carries.
enum class ChildWindowId {
    None = 0,
    ControlCenter = 1,
    LoadedMacro = 2,
    FirmwareUpdate = 3,
    MacroEditor = 4,
    RecipeRunner = 5,
    RomManager = 6,
    ThermosTimers = 7,
};
