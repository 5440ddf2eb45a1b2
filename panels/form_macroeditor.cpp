#include "form_macroeditor.h"
#include "ui_form_macroeditor.h"

#include "panelslogging.h"

Form_MacroEditor::Form_MacroEditor(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::Form_MacroEditor)
{
    ui->setupUi(this);
}

Form_MacroEditor::~Form_MacroEditor()
{
    delete ui;
}

void Form_MacroEditor::gotRow(QString aCommand)
{
    qCDebug(lcPanels).noquote() << "Macro editor row:" << aCommand;
}

void Form_MacroEditor::on_tabWidget_tabBarClicked(int) {}
