#pragma once

#include <QString>
#include <QVariant>

// Access to the program's settings store (organization "VORNE"). Every call opens the
// store, reads or writes one value and closes it again, so no settings object stays open.
namespace SettingsStore {

constexpr auto kOrganization = "VORNE";
constexpr auto kApplication = "Korvo-PCB Commander";

QVariant get(const QString &key, const QVariant &defaultValue,
             const QString &application = QString::fromLatin1(kApplication));
void set(const QString &key, const QVariant &value,
         const QString &application = QString::fromLatin1(kApplication));

} // namespace SettingsStore
