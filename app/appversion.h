#pragma once

#include <QString>

// The program's version and the window title built from it.
namespace AppVersion {

constexpr auto kVersion = "190918.01";

// "VORNE -- Vozoru Rarevorad [Ver: 190918.01]", with " -- PROD-MODE --" in production mode.
QString windowTitle(bool productionMode);

} // namespace AppVersion
