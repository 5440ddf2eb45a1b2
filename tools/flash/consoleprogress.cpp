#include "consoleprogress.h"

#include <QString>

#include <algorithm>

ConsoleProgress *ConsoleProgress::logTaker = nullptr;
QtMessageHandler ConsoleProgress::previousHandler = nullptr;

ConsoleProgress::ConsoleProgress(std::ostream &bar, std::ostream &text)
    : barOut(bar)
    , textOut(text)
{}

ConsoleProgress::~ConsoleProgress()
{
    releaseLogMessages();
}

void ConsoleProgress::setTotal(int newTotal)
{
    total = std::max(newTotal, 0);
}

void ConsoleProgress::update(int done)
{
    current = done;
    const int percent = total > 0 ? int(std::min<long long>(100, 100LL * done / total)) : 0;
    // Redraw only when the figure changes: a terminal (or a log) gets at most 101 bars.
    if (drawn && percent == drawnPercent)
        return;
    drawnPercent = percent;
    draw();
}

void ConsoleProgress::finish(bool complete)
{
    releaseLogMessages();
    if (drawnPercent < 0)
        return;
    if (complete)
        update(total);
    if (!drawn)
        draw();
    barOut << '\n' << std::flush;
    drawn = false;
    drawnPercent = -1;
}

void ConsoleProgress::draw()
{
    const int filled = kBarWidth * std::max(drawnPercent, 0) / 100;
    barOut << "\r[" << std::string(size_t(filled), '#')
           << std::string(size_t(kBarWidth - filled), '.') << "] " << std::to_string(drawnPercent)
           << "% " << current << '/' << total << " bytes" << std::flush;
    drawn = true;
}

void ConsoleProgress::takeLogMessages()
{
    if (logTaker == this)
        return;
    if (logTaker)
        logTaker->releaseLogMessages();
    previousHandler = qInstallMessageHandler(&ConsoleProgress::logToBar);
    logTaker = this;
}

void ConsoleProgress::releaseLogMessages()
{
    if (logTaker != this)
        return;
    qInstallMessageHandler(previousHandler);
    logTaker = nullptr;
    previousHandler = nullptr;
}

void ConsoleProgress::logToBar(QtMsgType type, const QMessageLogContext &context,
                               const QString &text)
{
    logTaker->message(qFormatLogMessage(type, context, text).toStdString());
}

void ConsoleProgress::message(const std::string &line)
{
    clear();
    barOut << line << '\n' << std::flush;
}

void ConsoleProgress::clear()
{
    if (!drawn)
        return;
    barOut << '\r' << std::string(kBarWidth + 40, ' ') << '\r' << std::flush;
    drawn = false;
}

ConsoleProgress::int_type ConsoleProgress::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    clear();
    textOut.put(traits_type::to_char_type(c));
    return c;
}

std::streamsize ConsoleProgress::xsputn(const char *s, std::streamsize count)
{
    clear();
    textOut.write(s, count);
    return count;
}

int ConsoleProgress::sync()
{
    textOut.flush();
    return 0;
}
