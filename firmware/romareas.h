#pragma once

#include <QString>
#include <QVector>
#include <cstdint>

// One named area of a board's external ROM and the file written into it.
struct RomArea
{
    const char *name; // suffix of the btn_write_ROM_/btn_read_ROM_ buttons
    const char *file; // file name under the target folder, written the Windows way
    uint32_t address; // ROM address (GUI areas: within the GUI 1 image)
    bool gui;         // GUI areas move by the GUI 2 shift when "GUI2" is chosen
};

// The ROM map of the main board and how area file names become paths on this computer.
namespace RomAreas {

// Distance from the GUI 1 image start (0x0C0000) to the GUI 2 image start (0x357ABF).
constexpr uint32_t kGuiShift = 0x297ABF;
// The full ROM image written by "FULL config (Reset to default)".
constexpr RomArea kFullConfig = {"FullConfig", "\\full_rom.bin", 0x000000, false};
// Where the firmware images of tube and spider boards are kept in the ROM.
constexpr uint32_t kTubeFirmwareAddress = 0x020000;
constexpr uint32_t kSpiderFirmwareAddress = 0x780000;

// Every area with a write and a read button, GUI areas first.
const QVector<RomArea> &all();
// The area of that name, or null.
const RomArea *find(const QString &name);
// The address an area is written to or read from with the given GUI shift.
uint32_t addressOf(const RomArea &area, uint32_t guiShift);
// folder followed by the area's file name, its backslashes taken as folder separators on
// every platform, so ".//rom//" and "\gui\btn_start.bin" give "rom/gui/btn_start.bin".
QString filePath(const QString &folder, const char *areaFile);
// The fixed tube firmware file: "c:\fw\latest_tube.bin" on Windows.
QString tubeFirmwarePath();

} // namespace RomAreas
