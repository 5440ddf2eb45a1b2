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

    // What a key typed in the editor asks for: Alt+Return sends the selection, Shift+Return
    // the whole script, F5 (with any modifiers) runs hotkey 13.
    enum class Binding { None, SendSelection, SendAll, Hotkey13 };
    static Binding bindingOf(const QKeyEvent &event);

signals:
    void action(QKeyEvent *event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
