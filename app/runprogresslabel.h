#pragma once

#include <QLabel>
#include <QTimer>

class ConsoleChannel;

// How far the console's queued run is ("line 12 of 40"), shown until the run ends or is
// stopped; empty while nothing runs. A script may send thousands of lines a second, so the
// text follows a few times a second rather than on every line.
class RunProgressLabel : public QLabel
{
    Q_OBJECT
public:
    RunProgressLabel(ConsoleChannel *console, QWidget *parent);

private:
    void progress(int sent, int total);
    void finished();
    void showProgress();

    int sentLines = 0;
    int totalLines = 0;
    QTimer refresh;
};
