#pragma once

#include <QString>
#include <array>
#include <cstdint>

enum class BoardKind { Main, Tube, Spider };

// Who a simulated board says it is, on its console and in its UDP packets.
struct BoardIdentity
{
    BoardKind kind = BoardKind::Tube;
    std::array<uint8_t, 6> mac{};
    QString name;
    QString hw; // digits only: the announce packet carries it as a number
    QString sw; // digits only, and at or above "170507" so .bin uploads are offered
    uint32_t ipv4 = 0x7F000001;

    int typeCode() const; // 1 main, 2 tube, 3 spider
    QString kindText() const;
    QString macText() const; // 12 lower-case hex digits
    QString ipText() const;
    // The line a board writes first when it connects to the program's console server.
    QString consoleAnnouncement() const;

    static QString defaultHardwareId(BoardKind kind);
    static QString defaultName(BoardKind kind);
    static bool parseKind(const QString &text, BoardKind *kind);
};
