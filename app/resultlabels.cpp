#include "resultlabels.h"

#include <QLabel>

ResultLabels::ResultLabels(const QVector<QLabel *> &newestFirst, QObject *parent)
    : QObject(parent)
    , labels(newestFirst)
{
    for (const QLabel *label : labels)
        lines << label->text();
    refresh.setSingleShot(true);
    refresh.setInterval(0);
    connect(&refresh, &QTimer::timeout, this, &ResultLabels::showLines);
}

void ResultLabels::push(const QString &line)
{
    lines.prepend(line);
    lines.removeLast();
    if (!refresh.isActive())
        refresh.start();
}

void ResultLabels::showLines()
{
    for (int i = 0; i < labels.size(); ++i)
        labels.at(i)->setText(lines.at(i));
}
