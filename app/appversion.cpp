#include "appversion.h"

namespace AppVersion {

QString windowTitle(bool productionMode)
{
    const QString title =
        productionMode ? QStringLiteral("VORNE -- Vozoru Rarevorad [Ver: %1] -- PROD-MODE --")
                       : QStringLiteral("VORNE -- Vozoru Rarevorad [Ver: %1]");
    return title.arg(QLatin1String(kVersion));
}

} // namespace AppVersion
