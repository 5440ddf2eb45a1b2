#include "runprogresslabel.h"

#include "consolechannel.h"

#include <chrono>

namespace {

constexpr auto kRefresh = std::chrono::milliseconds(100);

} // namespace

RunProgressLabel::RunProgressLabel(ConsoleChannel *console, QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("lblRunProgress"));
    refresh.setSingleShot(true);
    refresh.setInterval(kRefresh);
    connect(&refresh, &QTimer::timeout, this, &RunProgressLabel::showProgress);
    connect(console, &ConsoleChannel::queueProgress, this, &RunProgressLabel::progress);
    connect(console, &ConsoleChannel::queueFinished, this, &RunProgressLabel::finished);
}

void RunProgressLabel::progress(int sent, int total)
{
    sentLines = sent;
    totalLines = total;
    // The first line of a run shows at once, later ones when the refresh is due.
    if (text().isEmpty())
        showProgress();
    else if (!refresh.isActive())
        refresh.start();
}

void RunProgressLabel::finished()
{
    refresh.stop();
    clear();
}

void RunProgressLabel::showProgress()
{
    setText(tr("line %1 of %2").arg(sentLines).arg(totalLines));
}
