#include "keypresseater.h"

#include <QKeyEvent>
#include <QKeySequence>

bool KeyPressEater::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress)
        emit action(static_cast<QKeyEvent *>(event));
    // Never consumed: a Return combination still reaches the editor.
    return QObject::eventFilter(watched, event);
}

KeyPressEater::Binding KeyPressEater::bindingOf(const QKeyEvent &event)
{
    const int key = event.key();
    const bool modifierOnly =
        key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Meta || key == Qt::Key_Alt;
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const QString combination = QKeySequence(int(modifiers) | (modifierOnly ? 0 : key))
                                    .toString(QKeySequence::PortableText);
    if (combination == QLatin1String("Alt+Return") || combination == QLatin1String("Alt+Enter"))
        return Binding::SendSelection;
    if (combination == QLatin1String("Shift+Return") || combination == QLatin1String("Shift+Enter"))
        return Binding::SendAll;
    return key == Qt::Key_F5 ? Binding::Hotkey13 : Binding::None;
}
