#include "fwupdater.h"

#include <QFile>
#include <QLoggingCategory>
#include <QPointer>

#include <algorithm>
#include <climits>
#include <iostream>

namespace {

Q_LOGGING_CATEGORY(lcFirmware, "vorne.firmware", QtInfoMsg)

const QString kPrompt = QStringLiteral("BL>");
constexpr char kQuitCommand[] = "q\r\n";
constexpr char kImageCopy[] = "./fw.bin";

// The board itself starts its bootloader with "bl"; the boards behind it on the CAN bus are
// nodes 0 to 7, entries 1 to 8 of the dialog's board list. Empty for any other index.
QByteArray startCommand(int deviceIndex)
{
    if (deviceIndex == 0)
        return QByteArrayLiteral("bl\r\n");
    if (deviceIndex >= 1 && deviceIndex <= 8)
        return "can_bl " + QByteArray::number(deviceIndex - 1) + "\r\n";
    return {};
}

// A reply as shown in a failure reason: quoted, and cut when a board babbles.
QString quoted(const QString &reply)
{
    constexpr int kShown = 60;
    return QLatin1Char('"') + reply.left(kShown) + (reply.size() > kShown ? "...\"" : "\"");
}

} // namespace

Fwupdater::Fwupdater(const QString &host, int port, int deviceIndex, QObject *parent)
    : QTcpSocket(parent)
    , host(host)
    , port(port)
    , deviceIndex(deviceIndex)
    , output(&std::cout)
{
    channelConnections.push_back(
        connect(this, &QTcpSocket::readyRead, this, &Fwupdater::readyReadData));
    initTimers();
}

Fwupdater::Fwupdater(QTcpSocket *socket, int deviceIndex, QObject *parent)
    : QTcpSocket(parent)
    , host(QStringLiteral("aHost"))
    , deviceIndex(deviceIndex)
    , socket(socket)
    , output(&std::cout)
{
    channelConnections.push_back(
        connect(socket, &QTcpSocket::readyRead, this, &Fwupdater::socketReadyReadData));
    initTimers();
}

// The socket base class closes the own connection after this object's members are gone; its
// disconnected() must not reach the exchange any more.
Fwupdater::~Fwupdater()
{
    stopExchange();
}

void Fwupdater::initTimers()
{
    finishTimer.setSingleShot(true);
    finishTimer.setInterval(kFinishDelay);
    connect(&finishTimer, &QTimer::timeout, this, &Fwupdater::doneOK);
    silenceTimer.setSingleShot(true);
    connect(&silenceTimer, &QTimer::timeout, this, &Fwupdater::onSilence);
}

void Fwupdater::setOutput(std::ostream &out)
{
    output = &out;
    reader.setOutput(out);
}

void Fwupdater::setSilenceTimeout(std::chrono::milliseconds timeout)
{
    silenceLimit = timeout;
    if (silenceTimer.isActive())
        silenceTimer.start(silenceLimit);
}

int Fwupdater::uploadFile(const QString &fileName)
{
    if (!openFile(fileName))
        return -2;
    connectToHost(host, quint16(port), QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    if (!waitForConnected(int(std::chrono::milliseconds(kConnectTimeout).count()))) {
        qCWarning(lcFirmware) << "Error CANT CONNECT";
        fail(QStringLiteral("cannot connect to %1:%2: %3").arg(host).arg(port).arg(errorString()),
             false);
        return -1;
    }
    // The exchange starts when the board first says something (its prompt).
    startExchange();
    return 0;
}

void Fwupdater::uploadFileOnSocket(const QString &fileName)
{
    if (!openFile(fileName))
        return;
    if (!socket || socket->state() != QAbstractSocket::ConnectedState) {
        fail(QStringLiteral("the console connection is not open"), false);
        return;
    }
    // Text the board sent before the start command answers nothing of this upload; left in
    // the socket it would be taken for the bootloader's reply.
    const QByteArray stale = socket->readAll();
    if (!stale.isEmpty())
        qCDebug(lcFirmware) << "Dropped console text before the upload:" << stale;
    startExchange();
    state = State::WaitingToStart;
    handleReply(QString());
}

void Fwupdater::abort()
{
    if (!ended && channel()->state() == QAbstractSocket::ConnectedState)
        send(kQuitCommand);
    stopExchange();
    reported = true;
    release();
}

void Fwupdater::doneOK()
{
    report(1);
}

void Fwupdater::doneNotOK()
{
    if (!reported && failure.isEmpty())
        failure = QStringLiteral("the upload was ended as failed");
    report(0);
}

void Fwupdater::report(int status)
{
    if (reported)
        return;
    stopExchange();
    reported = true;
    const QPointer<Fwupdater> alive(this); // a receiver may delete the uploader at once
    emit done(status);
    if (alive)
        release();
}

void Fwupdater::readyReadData()
{
    readChannel(this);
}

void Fwupdater::socketReadyReadData()
{
    readChannel(socket);
}

QTcpSocket *Fwupdater::channel()
{
    return socket ? socket : this;
}

bool Fwupdater::openFile(const QString &fileName)
{
    if (!file.open(fileName)) {
        qCWarning(lcFirmware) << "Error CANT OPEN FILE";
        fail(QStringLiteral("cannot open %1: %2").arg(fileName, file.errorString()), false);
        return false;
    }
    fileSize = file.size();
    emit setSize(int(std::min<qint64>(fileSize, INT_MAX)));
    sent = 0;
    return true;
}

void Fwupdater::startExchange()
{
    running = true;
    QTcpSocket *ch = channel();
    channelConnections.push_back(
        connect(ch, &QAbstractSocket::disconnected, this, &Fwupdater::onConnectionLost));
    channelConnections.push_back(
        connect(ch, &QAbstractSocket::errorOccurred, this, &Fwupdater::onChannelError));
    lastStep.start();
    silenceTimer.start(silenceLimit);
}

void Fwupdater::stopExchange()
{
    running = false;
    ended = true;
    for (const QMetaObject::Connection &connection : channelConnections)
        disconnect(connection);
    channelConnections.clear();
    silenceTimer.stop();
    finishTimer.stop();
    file.close();
}

void Fwupdater::release()
{
    if (!socket)
        close();
    deleteLater();
}

void Fwupdater::readChannel(QTcpSocket *from)
{
    while (running && from->bytesAvailable() > 0) {
        // Read in pieces, so that the cutter never holds more than two of them.
        const QByteArray bytes = from->read(BootloaderReplyCutter::kMaxPending);
        if (bytes.isEmpty())
            break;
        heard = true;
        qCDebug(lcFirmware) << "GOT BYTES: << " << bytes.size();
        qCDebug(lcFirmware) << "GOT DATA: << " << bytes;
        const QStringList complete = replies.feed(bytes);
        for (const QString &reply : complete) {
            if (!running)
                break;
            qCDebug(lcFirmware) << "Reply:" << reply;
            handleReply(reply);
        }
    }
}

void Fwupdater::handleReply(QString reply)
{
    reply.remove(QLatin1Char('\r'));
    reply.remove(QLatin1Char('\n'));
    if (state == State::WaitingToStart) {
        sendStartCommand();
        return;
    }
    if (state == State::ChecksumSent) {
        say("Error:\n" + reply.toStdString() + "\n");
        fail(QStringLiteral("the board answered the checksum with %1").arg(quoted(reply)), false);
        return;
    }
    // A console greeting split across reads leaves its prompt ">" behind after the start
    // command; the bootloader has not spoken yet, so that is no refusal (the silence
    // time-out still ends a bootloader that never starts).
    if (state == State::FirstLinePending && reply.trimmed() == QLatin1String(">"))
        return;
    if (!reply.startsWith(kPrompt)) {
        qCWarning(lcFirmware) << "Error WRONG DATA";
        fail(QStringLiteral("unexpected reply %1 %2").arg(quoted(reply), position()), true);
        return;
    }
    switch (state) {
    case State::FirstLinePending:
        if (sendHexLine(true)) {
            say("Bootloader sending hexfile\n");
            state = State::SendingLines;
        }
        break;
    case State::SendingLines:
        if (sendHexLine(false) && file.atEnd())
            state = State::ChecksumPending;
        break;
    case State::ChecksumPending:
        finish();
        break;
    case State::WaitingToStart:
    case State::ChecksumSent:
        break;
    }
}

void Fwupdater::sendStartCommand()
{
    const QByteArray command = startCommand(deviceIndex);
    if (command.isEmpty())
        channel()->flush();
    else
        send(command);
    say("Connected starting bootloader\n");
    state = State::FirstLinePending;
}

bool Fwupdater::sendHexLine(bool firstLine)
{
    // The first line counts its CR LF as well, as the original progress count did.
    sent += file.readLine(line) + (firstLine ? 2 : 0);
    emit progress(sent);
    if (!lineCheck.check(line)) {
        qCWarning(lcFirmware) << "Error HEX DATA PARSED";
        fail(QStringLiteral("line %1 of the file refused: %2")
                 .arg(reader.lineNumber())
                 .arg(lineCheck.refusal()),
             true);
        return false;
    }
    if (!firstLine)
        qCDebug(lcFirmware) << "Sending HEX: [" << line << "]";
    line.append("\r\n");
    send(line);
    return true;
}

void Fwupdater::finish()
{
    // Without its end-of-file record the file may be cut short; flashing it would put a
    // truncated firmware on the board under a checksum that matches it.
    if (!reader.eofSeen()) {
        fail(QStringLiteral("the file ends at line %1 without an end-of-file record")
                 .arg(reader.lineNumber()),
             true);
        return;
    }
    say("Sending checksum and flashing PCB\nWait 1 minute. and then reconnect\n");
    const quint16 checksum = reader.imageChecksum();
    say(QByteArray::number(checksum, 16).toStdString() + "\r\n");

    QFile copy(QString::fromLatin1(kImageCopy));
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        copy.write(reader.image(), reader.imageLength()) != qint64(reader.imageLength()))
        qCWarning(lcFirmware) << "Cannot write" << kImageCopy << copy.errorString();

    send("$" + QByteArray::number(checksum) + "\r\n");
    file.close();
    state = State::ChecksumSent;
    silenceTimer.stop();
    finishTimer.start();
}

// Every write is a step of the exchange; the time-out counts from the latest.
void Fwupdater::send(const QByteArray &bytes)
{
    QTcpSocket *ch = channel();
    ch->write(bytes);
    ch->flush();
    lastStep.start();
    heard = false;
}

void Fwupdater::say(const std::string &text)
{
    *output << text << std::flush;
}

void Fwupdater::fail(const QString &reason, bool quitBootloader)
{
    if (ended)
        return;
    if (quitBootloader && channel()->state() == QAbstractSocket::ConnectedState)
        send(kQuitCommand);
    failure = reason;
    qCWarning(lcFirmware).noquote() << "Upload failed:" << reason;
    stopExchange();
    // Queued, so that a caller connecting to done() after a failing call still sees it.
    QMetaObject::invokeMethod(this, &Fwupdater::doneNotOK, Qt::QueuedConnection);
}

void Fwupdater::onChannelError()
{
    if (channel()->error() == QAbstractSocket::RemoteHostClosedError)
        onConnectionLost();
    else
        fail(QStringLiteral("connection error %1: %2").arg(position(), channel()->errorString()),
             false);
}

void Fwupdater::onConnectionLost()
{
    fail(QStringLiteral("the board closed the connection %1").arg(position()), false);
}

// Restarting the timer on every step would cost more than the rest of the exchange does; it
// checks the time of the latest step when it fires instead. Text from the board without a
// prompt (noise, a bare console prompt) is no step: it does not hold the exchange up.
void Fwupdater::onSilence()
{
    const auto waited = std::chrono::milliseconds(lastStep.elapsed());
    if (waited < silenceLimit) {
        silenceTimer.start(silenceLimit - waited);
        return;
    }
    const QString what = heard ? QStringLiteral("the board talked but gave no prompt for %1 s %2")
                               : QStringLiteral("no answer from the board for %1 s %2");
    fail(what.arg(std::chrono::duration<double>(silenceLimit).count()).arg(position()), true);
}

QString Fwupdater::position() const
{
    switch (state) {
    case State::WaitingToStart:
        return QStringLiteral("before the bootloader was started");
    case State::FirstLinePending:
        return QStringLiteral("after the bootloader start command");
    case State::SendingLines:
    case State::ChecksumPending:
        return QStringLiteral("after line %1 of the file").arg(reader.lineNumber());
    case State::ChecksumSent:
        return QStringLiteral("after the checksum was sent");
    }
    return {};
}
