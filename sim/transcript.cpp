#include "transcript.h"

bool Transcript::open(const QString &path, QString *error)
{
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("cannot write the log %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

void Transcript::received(const QString &board, const QString &line)
{
    write(board, "< ", line);
}

void Transcript::sent(const QString &board, const QByteArray &bytes)
{
    for (QByteArray piece : bytes.split('\n')) {
        piece.replace("\r", "");
        if (piece.isEmpty())
            continue;
        QString text = QString::fromLatin1(piece.left(kMaxLoggedText));
        if (piece.size() > kMaxLoggedText)
            text += QStringLiteral("... (%1 bytes)").arg(piece.size());
        write(board, "> ", text);
    }
}

void Transcript::write(const QString &board, const char *direction, const QString &text)
{
    if (!file.isOpen())
        return;
    QString line = text;
    for (QChar &c : line) {
        if (c.unicode() < 0x20)
            c = QLatin1Char('.');
    }
    const QString prefix = board.isEmpty() ? QString() : QStringLiteral("[%1] ").arg(board);
    file.write((prefix + QLatin1String(direction) + line + QLatin1Char('\n')).toUtf8());
    file.flush();
}
