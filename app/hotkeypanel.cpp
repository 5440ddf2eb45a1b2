#include "hotkeypanel.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QStatusBar>
#include <QWidget>

namespace {

constexpr int kMessageMs = 5000;

} // namespace

HotkeyPanel::HotkeyPanel(QWidget *form, QStatusBar *statusBar)
    : QObject(form)
    , statusBar(statusBar)
{
    for (int n = 1; n <= HotkeyFile::kCount; ++n) {
        auto *field = form->findChild<QLineEdit *>(QStringLiteral("txtHotkey%1").arg(n));
        fields << field;
        buttons << form->findChild<QAbstractButton *>(QStringLiteral("btnHotKey%1").arg(n));
        connect(field, &QLineEdit::textEdited, this, [this, field] { keepStorable(field); });
    }
}

QString HotkeyPanel::text() const
{
    QVector<HotkeyFile::Hotkey> hotkeys;
    for (int n = 0; n < HotkeyFile::kCount; ++n)
        hotkeys.append({buttons.at(n)->text(), fields.at(n)->text()});
    return HotkeyFile::build(hotkeys);
}

bool HotkeyPanel::apply(const QString &line)
{
    const std::optional<HotkeyFile::Definition> definition = HotkeyFile::parse(line);
    if (!definition)
        return false;
    fields.at(definition->number - 1)->setText(definition->hotkey.command);
    buttons.at(definition->number - 1)->setText(definition->hotkey.caption);
    return true;
}

void HotkeyPanel::applyLines(const QString &text)
{
    for (const QString &line : text.split(QLatin1Char('\n')))
        apply(line);
}

QString HotkeyPanel::command(int number) const
{
    return fields.at(number - 1)->text();
}

void HotkeyPanel::setEnabled(bool enabled)
{
    for (int n = 0; n < HotkeyFile::kCount; ++n) {
        fields.at(n)->setEnabled(enabled);
        buttons.at(n)->setEnabled(enabled);
    }
}

void HotkeyPanel::keepStorable(QLineEdit *field)
{
    // A "|" would split the hotkey's line in its file, and the hotkey would be lost.
    const QString storable = HotkeyFile::storable(field->text());
    if (storable == field->text())
        return;
    field->setText(storable);
    statusBar->showMessage(tr("A hotkey command cannot hold \"|\"; it was left out."), kMessageMs);
}
