#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// Record lines and file contents for the firmware and ROM tests.
namespace HexTestFiles {

// A well-formed record (upper-case hex, correct checksum) from its fields.
inline QByteArray record(quint8 type, quint16 address, const QByteArray &data)
{
    const QByteArray bytes =
        QByteArray(1, char(data.size())) + char(address >> 8) + char(address) + char(type) + data;
    quint8 sum = 0;
    for (char b : bytes)
        sum = quint8(sum + quint8(b));
    return ':' + (bytes + char(-sum)).toHex().toUpper();
}

// Bytes without a pattern a framing or offset fault could hide in (xorshift32).
inline QByteArray noise(int size, quint32 seed = 2463534242u)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes) {
        seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
        byte = char(seed);
    }
    return bytes;
}

// Writes a file, making its folder first.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace HexTestFiles
