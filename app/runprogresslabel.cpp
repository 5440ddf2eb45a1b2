#include "runprogresslabel.h"

#include "consolechannel.h"

RunProgressLabel::RunProgressLabel(ConsoleChannel *console, QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("lblRunProgress"));
    connect(console, &ConsoleChannel::queueProgress, this,
            [this](int sent, int total) { setText(tr("line %1 of %2").arg(sent).arg(total)); });
    connect(console, &ConsoleChannel::queueFinished, this, &QLabel::clear);
}
