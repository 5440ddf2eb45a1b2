#include "prompter.h"

#include <QFileDialog>
#include <QInputDialog>

QMessageBox::StandardButton WidgetPrompter::question(const QString &title, const QString &text,
                                                     const QString &informativeText,
                                                     QMessageBox::StandardButtons buttons,
                                                     QMessageBox::StandardButton defaultButton)
{
    // The confirmations of the console have no parent window, as on the boards' own tools.
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    box.setInformativeText(informativeText);
    box.setStandardButtons(buttons);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void WidgetPrompter::information(const QString &title, const QString &text)
{
    QMessageBox::information(parent, title, text);
}

void WidgetPrompter::warning(const QString &title, const QString &text)
{
    QMessageBox::warning(parent, title, text);
}

bool WidgetPrompter::getText(const QString &title, const QString &label, QString *text)
{
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent, title, label, QLineEdit::Normal, *text, &ok);
    if (ok)
        *text = answer;
    return ok;
}

QString WidgetPrompter::getExistingDirectory(const QString &title, const QString &startDir)
{
    return QFileDialog::getExistingDirectory(
        parent, title, startDir, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
}

QString WidgetPrompter::getOpenFileName(const QString &title, const QString &startDir,
                                        const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, title, startDir, filter);
}

QString WidgetPrompter::getSaveFileName(const QString &title, const QString &startDir,
                                        const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, title, startDir, filter);
}
