#pragma once

#include "hotkeyfile.h"

#include <QObject>
#include <QString>
#include <QVector>

class QAbstractButton;
class QLineEdit;
class QStatusBar;
class QWidget;

// The thirteen hotkeys of the "Hotkey" tab: each a button, whose caption is the hotkey's
// name, and a field with its commands. The hotkeys live only in these widgets.
class HotkeyPanel : public QObject
{
    Q_OBJECT
public:
    // Binds the pairs txtHotkeyN / btnHotKeyN of form; what a field cannot keep is told in
    // the status bar.
    HotkeyPanel(QWidget *form, QStatusBar *statusBar);

    // The hotkey file's thirteen lines.
    QString text() const;
    // Applies one "#hotkey" line; false (and nothing changed) for any other line.
    bool apply(const QString &line);
    // Applies every line of a hotkey file; hotkeys it does not name keep their texts.
    void applyLines(const QString &text);
    QString command(int number) const;
    void setEnabled(bool enabled);

private:
    void keepStorable(QLineEdit *field);

    QVector<QLineEdit *> fields;
    QVector<QAbstractButton *> buttons;
    QStatusBar *statusBar;
};
