#pragma once

#include <QRegExp>
#include <QString>

// A board's configuration dump on the console: a line "...CONFIG_START [MAC:<mac>]", the
// configuration lines, and a line "CONFIG_END". The window keeps the collecting state and
// the text; these functions advance them line by line.
namespace ConfigDump {

enum class Step {
    Started,   // a CONFIG_START line began (or restarted) the collection
    Finished,  // a CONFIG_END line ended a started dump: the text is complete
    Collected, // a line of the dump was appended to the text
    Other      // not part of a dump (board announcements never are)
};

// "^.+CONFIG_START \[MAC:(.+)\]", any letter case; capture 1 is the MAC.
QRegExp startPattern();
// "^CONFIG_END$", exact case.
QRegExp endPattern();

// Takes one received console line. The text starts as "MAC:<mac>\r\n" and gets every
// trimmed dump line followed by CR LF.
Step take(const QString &line, const QRegExp &start, const QRegExp &end, bool &collecting,
          QString &text);

} // namespace ConfigDump
