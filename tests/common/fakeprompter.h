#pragma once

#include "prompter.h"

#include <QList>
#include <QStringList>
#include <deque>

// The tests' prompt seam: answers each modal question from a script of answers, in order,
// and records every question, box and chooser it was shown. An unscripted question is
// answered with `fallback` (a chooser or input box with "cancelled"), and still recorded.
class FakePrompter : public Prompter
{
public:
    enum class Kind { Question, Information, Warning, Text, Directory, OpenFile, SaveFile };

    struct Asked
    {
        Kind kind;
        QString title;
        QString text;   // message, input label, or the chooser's start folder or file
        QString detail; // informative text, or the file chooser's filter
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };

    // The next question gets this button.
    void answer(QMessageBox::StandardButton button) { script.push_back({button, {}, true}); }
    // The next input box or chooser gets this text; a null text cancels it.
    void answer(const QString &text) { script.push_back({QMessageBox::Ok, text, !text.isNull()}); }

    QMessageBox::StandardButton question(const QString &title, const QString &text,
                                         const QString &informativeText,
                                         QMessageBox::StandardButtons,
                                         QMessageBox::StandardButton defaultButton) override
    {
        asked.append({Kind::Question, title, text, informativeText, defaultButton});
        return next().button;
    }
    void information(const QString &title, const QString &text) override
    {
        asked.append({Kind::Information, title, text, {}});
    }
    void warning(const QString &title, const QString &text) override
    {
        asked.append({Kind::Warning, title, text, {}});
    }
    bool getText(const QString &title, const QString &label, QString *text) override
    {
        asked.append({Kind::Text, title, label, *text});
        const Answer given = next(false);
        if (given.accepted)
            *text = given.text;
        return given.accepted;
    }
    QString getExistingDirectory(const QString &title, const QString &startDir) override
    {
        asked.append({Kind::Directory, title, startDir, {}});
        return next(false).text;
    }
    QString getOpenFileName(const QString &title, const QString &startDir,
                            const QString &filter) override
    {
        asked.append({Kind::OpenFile, title, startDir, filter});
        return next(false).text;
    }
    QString getSaveFileName(const QString &title, const QString &startDir,
                            const QString &filter) override
    {
        asked.append({Kind::SaveFile, title, startDir, filter});
        return next(false).text;
    }

    // "title|text" of everything shown, in order.
    QStringList shown() const
    {
        QStringList lines;
        for (const Asked &item : asked)
            lines << item.title + QLatin1Char('|') + item.text;
        return lines;
    }
    bool scriptUsedUp() const { return script.empty(); }

    QList<Asked> asked;
    QMessageBox::StandardButton fallback = QMessageBox::Yes;

private:
    struct Answer
    {
        QMessageBox::StandardButton button;
        QString text;
        bool accepted;
    };

    Answer next(bool isQuestion = true)
    {
        if (script.empty())
            return {isQuestion ? fallback : QMessageBox::Cancel, QString(), false};
        const Answer given = script.front();
        script.pop_front();
        return given;
    }

    std::deque<Answer> script;
};
