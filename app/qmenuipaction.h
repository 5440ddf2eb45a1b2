#pragma once

#include <QAction>
#include <QString>

// A "Devices" menu target: triggering it names the board by its type and MAC.
class QMenuIPAction : public QAction
{
    Q_OBJECT
public:
    QMenuIPAction(const QString &text, const QString &id, int type, QObject *parent = nullptr);

    int deviceType() const { return type; }
    QString deviceId() const { return id; }

signals:
    void triggered(int type, QString id);

public slots:
    void my_triggered();

private:
    int type;
    QString id;
};
