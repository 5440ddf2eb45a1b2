#include "consolehistorymodel.h"

#include <QDateTime>

ConsoleHistoryModel::ConsoleHistoryModel(int capacity, QObject *parent)
    : QAbstractListModel(parent)
    , lines(capacity)
{
    publishTimer.setSingleShot(true);
    publishTimer.setInterval(0);
    connect(&publishTimer, &QTimer::timeout, this, &ConsoleHistoryModel::publish);
}

int ConsoleHistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : lines.size();
}

QVariant ConsoleHistoryModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    return ConsoleHistory::shown(lines.at(index.row()), stamped);
}

void ConsoleHistoryModel::setStamped(bool on)
{
    if (stamped == on)
        return;
    stamped = on;
    if (lines.size() > 0)
        emit dataChanged(index(0), index(lines.size() - 1), {Qt::DisplayRole});
}

void ConsoleHistoryModel::clear()
{
    beginResetModel();
    waiting.clear();
    lines.clear();
    endResetModel();
}

void ConsoleHistoryModel::addSent(const QString &line)
{
    add(ConsoleHistory::Direction::Sent, line);
}

void ConsoleHistoryModel::addReceived(const QString &line)
{
    add(ConsoleHistory::Direction::Received, line);
}

void ConsoleHistoryModel::add(ConsoleHistory::Direction direction, const QString &text)
{
    waiting.push_back({QDateTime::currentMSecsSinceEpoch(), direction, text});
    if (int(waiting.size()) > lines.capacity())
        waiting.pop_front();
    if (!publishTimer.isActive())
        publishTimer.start();
}

void ConsoleHistoryModel::publish()
{
    publishTimer.stop();
    if (waiting.empty())
        return;
    emit aboutToPublish();
    const int added = int(waiting.size());
    const int dropped = qMin(lines.size(), lines.size() + added - lines.capacity());
    if (dropped > 0) {
        beginRemoveRows(QModelIndex(), 0, dropped - 1);
        lines.dropOldest(dropped);
        endRemoveRows();
    }
    beginInsertRows(QModelIndex(), lines.size(), lines.size() + added - 1);
    for (const ConsoleHistory::Line &line : waiting)
        lines.append(line);
    endInsertRows();
    waiting.clear();
    emit published(qMax(0, dropped));
}
