#include "keypresseater.h"

#include <QKeyEvent>

bool KeyPressEater::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress)
        emit action(static_cast<QKeyEvent *>(event));
    // Never consumed: a Return combination still reaches the editor.
    return QObject::eventFilter(watched, event);
}
