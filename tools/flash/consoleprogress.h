#pragma once

#include <QtGlobal>

#include <ostream>
#include <streambuf>
#include <string>

// A progress bar redrawn in place on one stream (standard error) that lets the program's texts
// through to another (standard output), wiping the bar first so the two never mix on a
// terminal. Use it as the stream buffer of the texts' std::ostream.
class ConsoleProgress : public std::streambuf
{
public:
    static constexpr int kBarWidth = 40;

    ConsoleProgress(std::ostream &bar, std::ostream &text);
    ~ConsoleProgress() override;

    void setTotal(int total);
    void update(int done);
    // Leaves the bar drawn at its last value, or full when complete, and ends its line.
    void finish(bool complete);
    // Until finish(), Qt log messages (the transfer classes' warnings) are written to the
    // bar's stream on lines of their own, not into the middle of the bar.
    void takeLogMessages();
    // One line on the bar's stream, the bar wiped first and drawn again at the next update.
    void message(const std::string &line);

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char *s, std::streamsize count) override;
    int sync() override;

private:
    void clear();
    void draw();
    void releaseLogMessages();
    static void logToBar(QtMsgType type, const QMessageLogContext &context, const QString &text);

    // The one bar that takes log messages, and the handler it took them from.
    static ConsoleProgress *logTaker;
    static QtMessageHandler previousHandler;

    std::ostream &barOut;
    std::ostream &textOut;
    int total = 0;
    int current = 0;
    int drawnPercent = -1;
    bool drawn = false;
};
