#include "settingsstore.h"

#include <QSettings>

namespace SettingsStore {

QVariant get(const QString &key, const QVariant &defaultValue, const QString &application)
{
    QSettings settings(QString::fromLatin1(kOrganization), application);
    return settings.value(key, defaultValue);
}

void set(const QString &key, const QVariant &value, const QString &application)
{
    QSettings settings(QString::fromLatin1(kOrganization), application);
    settings.setValue(key, value);
}

} // namespace SettingsStore
