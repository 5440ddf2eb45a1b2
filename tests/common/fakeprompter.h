#pragma once

#include "prompter.h"

#include <QList>
#include <QStringList>
#include <deque>

// The tests' prompt seam: answers each modal question from a script of answers, in order,
// and records every question, box and chooser it was shown. An unscripted question is
// answered Yes, an unscripted input box or chooser is cancelled; both are still recorded.
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
        return script.empty() ? QMessageBox::Yes : next().button;
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
        const Answer given = choose(Kind::Text, title, label, *text);
        if (given.accepted)
            *text = given.text;
        return given.accepted;
    }
    QString getExistingDirectory(const QString &title, const QString &startDir) override
    {
        return choose(Kind::Directory, title, startDir, {}).text;
    }
    QString getOpenFileName(const QString &title, const QString &startDir,
                            const QString &filter) override
    {
        return choose(Kind::OpenFile, title, startDir, filter).text;
    }
    QString getSaveFileName(const QString &title, const QString &startDir,
                            const QString &filter) override
    {
        return choose(Kind::SaveFile, title, startDir, filter).text;
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

private:
    struct Answer
    {
        QMessageBox::StandardButton button;
        QString text;
        bool accepted;
    };

    Answer next()
    {
        const Answer given = script.front();
        script.pop_front();
        return given;
    }
    // An input box or chooser: the next scripted answer, or cancelled.
    Answer choose(Kind kind, const QString &title, const QString &text, const QString &detail)
    {
        asked.append({kind, title, text, detail});
        return script.empty() ? Answer{QMessageBox::Cancel, QString(), false} : next();
    }

    std::deque<Answer> script;
};
