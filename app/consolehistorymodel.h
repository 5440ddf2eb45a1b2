#pragma once

#include "consolehistory.h"

#include <QAbstractListModel>
#include <QTimer>
#include <deque>

// The console history as the rows of a list view. Lines handed in wait until the event loop
// turns and then join the rows in one insertion (the oldest leave in one removal), so a
// burst of replies costs the view one update per turn instead of one per line.
class ConsoleHistoryModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit ConsoleHistoryModel(int capacity = ConsoleHistory::kDefaultCapacity,
                                 QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const ConsoleHistory &history() const { return lines; }
    bool isStamped() const { return stamped; }
    void setStamped(bool on);
    void clear();

public slots:
    void addSent(const QString &line);
    void addReceived(const QString &line);
    // The waiting lines join the rows now.
    void publish();

signals:
    void aboutToPublish();
    void published(int droppedRows);

private:
    void add(ConsoleHistory::Direction direction, const QString &text);

    ConsoleHistory lines;
    // Never more than the ring holds: older waiting lines would only be dropped on publishing.
    std::deque<ConsoleHistory::Line> waiting;
    QTimer publishTimer;
    bool stamped = true;
};
