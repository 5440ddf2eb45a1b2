#include "romtransfer.h"

#include "fletcher16.h"
#include "rompacket.h"
#include "romreplycutter.h"

#include <QTcpSocket>

Q_LOGGING_CATEGORY(lcRom, "vorne.rom", QtInfoMsg)

namespace {

QString secondsText(std::chrono::milliseconds duration)
{
    return QString::number(duration.count() / 1000.0);
}

} // namespace

RomTransfer::RomTransfer(bool borrowed, QObject *parent)
    : QObject(parent)
    , borrowed(borrowed)
{
    connectTimer.setSingleShot(true);
    connectTimer.setInterval(kConnectTimeout);
    connect(&connectTimer, &QTimer::timeout, this, [this] {
        finish(0, tr("No connection to %1:%2 within %3 s")
                      .arg(host)
                      .arg(port)
                      .arg(secondsText(kConnectTimeout)));
    });
    silenceTimer.setSingleShot(true);
    silenceTimer.setInterval(kBoardSilence);
    connect(&silenceTimer, &QTimer::timeout, this, [this] {
        const QString what = heard ? tr("The board talked but gave no prompt for %1 s")
                                   : tr("The board did not answer for %1 s");
        finish(0, what.arg(secondsText(silenceTimer.intervalAsDuration())));
    });
}

RomTransfer::RomTransfer(const QString &host, int port, QObject *parent)
    : RomTransfer(false, parent)
{
    this->host = host;
    this->port = port;
}

RomTransfer::RomTransfer(QTcpSocket *borrowedSocket, QObject *parent)
    : RomTransfer(true, parent)
{
    host = QStringLiteral("Remote");
    socket = borrowedSocket;
}

RomTransfer::~RomTransfer()
{
    release();
}

void RomTransfer::setSilenceTimeout(std::chrono::milliseconds timeout)
{
    silenceTimer.setInterval(timeout);
}

bool RomTransfer::transferFile(uint32_t address, const QString &fileName)
{
    if (isBusy())
        return false;
    this->address = address;
    reason.clear();
    sequence = 0;
    sentBytes = 0;
    st = State::WaitingForPrompt;
    if (!openFile(fileName))
        return true;
    if (borrowed)
        startOnBorrowedSocket();
    else
        startOwnConnection();
    return true;
}

// Opens the file, emits its size and takes its checksum, leaving it at its start.
bool RomTransfer::openFile(const QString &fileName)
{
    if (!file.open(fileName, kMaxPipedSize)) {
        qCWarning(lcRom) << "Error CANT OPEN FILE" << fileName;
        finish(0, tr("Cannot open %1: %2").arg(fileName, file.errorString()));
        return false;
    }
    if (file.size() > kMaxFileSize) {
        finish(0, tr("%1 is larger than %2 bytes").arg(fileName).arg(kMaxFileSize));
        return false;
    }
    fileSize = static_cast<uint32_t>(file.size());
    emit setSize(static_cast<int>(fileSize));
    Fletcher16 sum;
    while (!file.device()->atEnd()) {
        const QByteArray piece = file.device()->read(RomPacket::kMaxData);
        if (piece.isEmpty()) {
            finish(0, tr("Cannot read %1: %2").arg(fileName, file.device()->errorString()));
            return false;
        }
        sum.add(piece);
    }
    checksum = sum.value();
    file.device()->seek(0);
    return true;
}

void RomTransfer::startOnBorrowedSocket()
{
    if (!socket || socket->state() != QAbstractSocket::ConnectedState) {
        finish(0, tr("The console connection is not open"));
        return;
    }
    // Text already waiting was meant for the main window; a stale prompt in it would put
    // every packet one prompt ahead of the board.
    const QByteArray stale = socket->readAll();
    if (!stale.isEmpty())
        qCDebug(lcRom) << "Skipped console text:" << stale;
    watchSocket();
    // The board answers an empty line with its prompt, which starts the exchange.
    socket->write("\r\n");
    socket->flush();
    stepTaken();
}

void RomTransfer::startOwnConnection()
{
    if (host.isEmpty() || port <= 0 || port > 65535) {
        finish(0, tr("No host and port to connect to (host:port expected)"));
        return;
    }
    // Connecting does not block the window; the same 30 s limit applies.
    st = State::Connecting;
    socket = new QTcpSocket(this);
    watchSocket();
    socketConnections.append(connect(socket, &QTcpSocket::connected, this, [this] {
        connectTimer.stop();
        st = State::WaitingForPrompt;
        stepTaken(); // the board greets a new connection with its prompt
    }));
    socket->connectToHost(host, static_cast<quint16>(port));
    connectTimer.start();
}

void RomTransfer::watchSocket()
{
    socketConnections.append(
        connect(socket, &QTcpSocket::readyRead, this, &RomTransfer::readyReadData));
    socketConnections.append(
        connect(socket, &QTcpSocket::disconnected, this, &RomTransfer::socketLost));
    socketConnections.append(
        connect(socket, &QTcpSocket::errorOccurred, this, &RomTransfer::socketLost));
}

void RomTransfer::readyReadData()
{
    while (socket && isBusy()) {
        const QByteArray bytes = socket->read(kReadChunk);
        if (bytes.isEmpty())
            return;
        heard = true;
        const QStringList replies = RomReplyCutter::cut(bytes);
        for (const QString &reply : replies) {
            qCDebug(lcRom) << "Recive:" << reply;
            if (!handleReply(reply))
                return;
        }
    }
}

// Returns false once the reply has ended the transfer.
bool RomTransfer::handleReply(const QString &reply)
{
    switch (st) {
    case State::WaitingForPrompt:
        // Any prompt will do: ">", "BL>", also with blanks after it.
        if (reply.trimmed().endsWith(QLatin1Char('>')))
            sendCommand();
        return true;
    case State::CommandSent:
        // The board's ">" is its go-ahead. Anything else is its refusal (an area outside its
        // ROM, a busy board): not a byte of the file may follow, or the board's console would
        // read the file as command lines.
        if (reply != QLatin1String(">")) {
            finish(0, tr("The board refused put_binary: \"%1\"").arg(reply));
            return false;
        }
        st = State::Sending;
        return takeNextStep();
    case State::Sending:
        break;
    case State::Idle:
    case State::Connecting:
        return true;
    }
    const bool exhausted = file.device()->atEnd();
    if (reply == QLatin1String(">"))
        return takeNextStep();
    if (!exhausted)
        return true; // a status line between packets; the next prompt goes on
    // The board confirms the last packet with a bare prompt. Any other answer here is its
    // verdict on the whole file (it knows size and checksum from put_binary), and is not a
    // confirmation, so it is reported as a failure, with the board's words.
    finish(0,
           tr("The board answered \"%1\" instead of its prompt after the last packet").arg(reply));
    return false;
}

// The next packet, or the end when the board has confirmed the last one.
bool RomTransfer::takeNextStep()
{
    if (!file.device()->atEnd())
        return sendNextPacket();
    finish(1);
    return false;
}

void RomTransfer::sendCommand()
{
    const QByteArray command = RomPacket::putBinaryCommand(address, fileSize, checksum);
    qCDebug(lcRom) << "Send:" << command;
    socket->write(command);
    socket->flush();
    st = State::CommandSent;
    stepTaken();
}

bool RomTransfer::sendNextPacket()
{
    const QByteArray data = file.device()->read(RomPacket::kMaxData);
    if (data.isEmpty()) {
        finish(0, tr("Cannot read %1: %2").arg(file.fileName(), file.device()->errorString()));
        return false;
    }
    socket->write(RomPacket::frame(data, sequence));
    socket->flush();
    stepTaken();
    ++sequence;
    sentBytes += data.size() + RomPacket::kFraming;
    emit progress(sentBytes);
    return true;
}

// Every write is a step of the exchange; the time-out counts from the latest. Text from the
// board without the prompt that asks for the next step does not hold the transfer up.
void RomTransfer::stepTaken()
{
    heard = false;
    silenceTimer.start();
}

void RomTransfer::socketLost()
{
    if (!isBusy())
        return;
    // A final prompt may still wait in the buffer when the board closes at once.
    readyReadData();
    if (!isBusy())
        return;
    if (st == State::Connecting) {
        finish(0, tr("Cannot connect to %1:%2: %3")
                      .arg(host)
                      .arg(port)
                      .arg(socket ? socket->errorString() : QString()));
    } else {
        finish(0, tr("The connection to the board was lost"));
    }
}

void RomTransfer::abort()
{
    if (isBusy())
        qCDebug(lcRom) << "Transfer to" << address << "stopped by the user";
    release();
}

// Leaves everything released before done() is emitted, so a receiver may start the next
// transfer or schedule this object's deletion.
void RomTransfer::finish(int status, const QString &why)
{
    reason = why;
    if (status == 0)
        qCWarning(lcRom) << "Transfer failed:" << why;
    release();
    emit done(status);
}

void RomTransfer::release()
{
    connectTimer.stop();
    silenceTimer.stop();
    for (const QMetaObject::Connection &c : qAsConst(socketConnections))
        disconnect(c);
    socketConnections.clear();
    if (!borrowed && socket) {
        socket->close();
        socket->deleteLater(); // may be inside one of its own signals
        socket = nullptr;
    }
    file.close();
    st = State::Idle;
}
