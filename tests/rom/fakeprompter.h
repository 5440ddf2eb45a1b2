#pragma once

#include "prompter.h"

#include <QStringList>

// Answers every modal question at once and remembers what it was shown.
class FakePrompter : public Prompter
{
public:
    QMessageBox::StandardButton question(const QString &title, const QString &text, const QString &,
                                         QMessageBox::StandardButtons,
                                         QMessageBox::StandardButton) override
    {
        shown << title + QLatin1Char('|') + text;
        return QMessageBox::Yes;
    }
    void information(const QString &title, const QString &text) override
    {
        shown << title + QLatin1Char('|') + text;
    }
    void warning(const QString &title, const QString &text) override
    {
        shown << title + QLatin1Char('|') + text;
    }
    bool getText(const QString &, const QString &, QString *) override { return false; }
    QString getExistingDirectory(const QString &title, const QString &startDir) override
    {
        shown << title + QLatin1Char('|') + startDir;
        return directory;
    }
    QString getOpenFileName(const QString &title, const QString &startDir,
                            const QString &filter) override
    {
        shown << title + QLatin1Char('|') + startDir + QLatin1Char('|') + filter;
        return fileName;
    }

    QStringList shown; // "title|text" of every question, box and chooser
    QString directory; // answer of the folder chooser
    QString fileName;  // answer of the file chooser
};
