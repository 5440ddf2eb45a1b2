#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// The one seam through which windows ask modal questions (message boxes, input and file
// dialogs). Every window and dialog is given a Prompter: the program's main() makes the
// real one, tests give a scripted fake, so no test can open a real modal box.
class Prompter
{
public:
    virtual ~Prompter() = default;

    // Yes/No (or other buttons) question; returns the button chosen.
    virtual QMessageBox::StandardButton question(const QString &title, const QString &text,
                                                 const QString &informativeText,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::StandardButton defaultButton) = 0;
    virtual void information(const QString &title, const QString &text) = 0;
    virtual void warning(const QString &title, const QString &text) = 0;
    // Returns false when the user cancelled.
    virtual bool getText(const QString &title, const QString &label, QString *text) = 0;
    // Empty result: cancelled.
    virtual QString getExistingDirectory(const QString &title, const QString &startDir) = 0;
    virtual QString getOpenFileName(const QString &title, const QString &startDir,
                                    const QString &filter) = 0;
    // startDir may name the proposed file; empty result: cancelled.
    virtual QString getSaveFileName(const QString &title, const QString &startDir,
                                    const QString &filter) = 0;
};

// The real modal dialogs of the widget toolkit.
class WidgetPrompter : public Prompter
{
public:
    explicit WidgetPrompter(QWidget *parent = nullptr)
        : parent(parent)
    {}

    QMessageBox::StandardButton question(const QString &title, const QString &text,
                                         const QString &informativeText,
                                         QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton) override;
    void information(const QString &title, const QString &text) override;
    void warning(const QString &title, const QString &text) override;
    bool getText(const QString &title, const QString &label, QString *text) override;
    QString getExistingDirectory(const QString &title, const QString &startDir) override;
    QString getOpenFileName(const QString &title, const QString &startDir,
                            const QString &filter) override;
    QString getSaveFileName(const QString &title, const QString &startDir,
                            const QString &filter) override;

private:
    QWidget *parent;
};
