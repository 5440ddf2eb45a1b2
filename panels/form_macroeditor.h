#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class Form_MacroEditor;
}

// The form of a macro editor; its controls have no behaviour yet. It logs the console
// lines it is given.
class Form_MacroEditor : public QDialog
{
    Q_OBJECT
public:
    explicit Form_MacroEditor(QWidget *parent = nullptr);
    ~Form_MacroEditor() override;

signals:
    void sendData(QString aLine); // never emitted

public slots:
    void gotRow(QString aCommand);
    void on_tabWidget_tabBarClicked(int index);

private:
    Ui::Form_MacroEditor *ui;
};
