#include "loadedmacrodialog.h"
#include "ui_loadedmacrodialog.h"

#include <QClipboard>
#include <QGuiApplication>

LoadedMacroDialog::LoadedMacroDialog(const QString &macro, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::LoadedMacroDialog)
{
    ui->setupUi(this);
    setMacroText(macro);
}

LoadedMacroDialog::~LoadedMacroDialog()
{
    delete ui;
}

void LoadedMacroDialog::setMacroText(const QString &macro)
{
    // A board's text is never markup: "<" or "&" in a macro must show as they are.
    ui->txtLoadedMacro->setPlainText(macro);
}

void LoadedMacroDialog::on_btnOK_clicked()
{
    close();
}

void LoadedMacroDialog::on_btnPaste_clicked()
{
    // The clipboard proper, not the X11 selection.
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(ui->txtLoadedMacro->toPlainText(), QClipboard::Clipboard);
    close();
}
