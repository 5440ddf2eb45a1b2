#include "pacedqueue.h"

#include "consoleline.h"

#include <algorithm>

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

bool mayGoFirst(const QString &line, PacedQueue::FirstLine rule)
{
    return PacedQueue::isSendable(line) ||
           (rule == PacedQueue::FirstLine::CommandOrHotkeyDefinition &&
            line.trimmed().startsWith(QLatin1String("#hotkey")));
}

} // namespace

bool PacedQueue::isSendable(const QString &line)
{
    const QString trimmed = line.trimmed();
    return !trimmed.isEmpty() && !trimmed.startsWith(QLatin1Char('#'));
}

QString PacedQueue::start(const QStringList &lines, FirstLine rule)
{
    clear();
    sendQueue = lines;
    while (sendIndex < sendQueue.size()) {
        const QString candidate = sendQueue.at(sendIndex++);
        if (!mayGoFirst(candidate, rule))
            continue;
        sendPaced = sendIndex < sendQueue.size();
        sent = 1;
        sendable = 1 + int(std::count_if(sendQueue.cbegin() + sendIndex, sendQueue.cend(),
                                         &PacedQueue::isSendable));
        return ConsoleLine::stripLineEnds(candidate) + kLineEnd;
    }
    sendQueue.clear();
    return QString();
}

QString PacedQueue::next()
{
    while (sendPaced && sendIndex < sendQueue.size()) {
        const QString line = sendQueue.at(sendIndex++);
        if (isSendable(line)) {
            sendPaced = sendIndex < sendQueue.size();
            ++sent;
            return line.trimmed() + kLineEnd;
        }
    }
    sendPaced = false;
    return QString();
}

void PacedQueue::clear()
{
    sendQueue.clear();
    sendIndex = 0;
    sendPaced = false;
    sent = 0;
    sendable = 0;
}
