#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class LoadedMacroDialog;
}

// Shows a macro or configuration dump that a board sent back, for reading, editing and
// copying to the clipboard. The main window keeps one and shows it again for every text.
class LoadedMacroDialog : public QDialog
{
    Q_OBJECT
public:
    explicit LoadedMacroDialog(const QString &macro, QWidget *parent = nullptr);
    ~LoadedMacroDialog() override;

    void setMacroText(const QString &macro);

public slots:
    void on_btnOK_clicked();
    void on_btnPaste_clicked();

private:
    Ui::LoadedMacroDialog *ui;
};
