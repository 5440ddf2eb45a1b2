#pragma once

#include <QObject>

class QKeyEvent;

// Key filter of the script editor: reports every key press and lets the editor have it too.
class KeyPressEater : public QObject
{
    Q_OBJECT
public:
    explicit KeyPressEater(QObject *parent = nullptr)
        : QObject(parent)
    {}

signals:
    void action(QKeyEvent *event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
