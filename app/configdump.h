#pragma once

#include <QRegExp>
#include <QString>

// A board's configuration dump on the console: a line "...CONFIG_START [MAC:<mac>]", the
// configuration lines, and a line "CONFIG_END", collected line by line into one text.
class ConfigDump
{
public:
    enum class Step {
        Started,   // a CONFIG_START line began (or restarted) the collection
        Finished,  // a CONFIG_END line ended a started dump: text() is complete
        Collected, // a line of the dump was appended to the text
        Other      // not part of a dump (board announcements never are)
    };

    // A dump whose end never comes must not grow without bound: past this many characters
    // the collection is dropped (with a warning) until the next CONFIG_START.
    static constexpr int kMaxTextLength = 1024 * 1024;

    // The text starts as "MAC:<mac>\r\n" and gets every trimmed dump line followed by CR LF.
    Step take(const QString &line);
    const QString &text() const { return configText; }

private:
    // "^.+CONFIG_START \[MAC:(.+)\]", any letter case; capture 1 is the MAC.
    QRegExp configStartPattern{QStringLiteral("^.+CONFIG_START \\[MAC:(.+)\\]"),
                               Qt::CaseInsensitive};
    // "^CONFIG_END$", exact case.
    QRegExp configEndPattern{QStringLiteral("^CONFIG_END$"), Qt::CaseSensitive};
    bool configCollecting = false;
    QString configText;
};
