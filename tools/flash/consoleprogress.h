#pragma once

#include <ostream>
#include <streambuf>

// A progress bar redrawn in place on one stream (standard error) that lets the program's texts
// through to another (standard output), wiping the bar first so the two never mix on a
// terminal. Use it as the stream buffer of the texts' std::ostream.
class ConsoleProgress : public std::streambuf
{
public:
    static constexpr int kBarWidth = 40;

    ConsoleProgress(std::ostream &bar, std::ostream &text);

    void setTotal(int total);
    void update(int done);
    // Leaves the bar drawn at its last value, or full when complete, and ends its line.
    void finish(bool complete);

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char *s, std::streamsize count) override;
    int sync() override;

private:
    void clear();
    void draw();

    std::ostream &barOut;
    std::ostream &textOut;
    int total = 0;
    int current = 0;
    int drawnPercent = -1;
    bool drawn = false;
};
