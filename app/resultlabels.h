#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVector>

class QLabel;

// The four result labels: the board's last four lines, newest first. A script run brings
// thousands of lines a second and each label rebuilds its selectable text on every change,
// so the labels show what arrived once per pass of the event loop, not once per line.
class ResultLabels : public QObject
{
    Q_OBJECT
public:
    // newestFirst: lblRes1 to lblRes4.
    ResultLabels(const QVector<QLabel *> &newestFirst, QObject *parent);

    void push(const QString &line);

private:
    void showLines();

    QVector<QLabel *> labels;
    QStringList lines; // newest first, at most one per label
    QTimer refresh;
};
