#include "qmenuipaction.h"

QMenuIPAction::QMenuIPAction(const QString &text, const QString &id, int type, QObject *parent)
    : QAction(text, parent)
    , type(type)
    , id(id)
{
    connect(this, &QAction::triggered, this, &QMenuIPAction::my_triggered);
}

void QMenuIPAction::my_triggered()
{
    emit triggered(type, id);
}
