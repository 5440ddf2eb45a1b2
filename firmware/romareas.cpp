#include "romareas.h"

#include <QDir>

namespace RomAreas {

const QVector<RomArea> &all()
{
    static const QVector<RomArea> areas = {
        {"GUI1_ADDR_SCN_SCREENSAVER1", "\\gui\\scr_screensaver1.bin", 0x0C0000, true},
        {"GUI1_ADDR_SCN_SCREENSAVER2", "\\gui\\scr_screensaver2.bin", 0x0FFC00, true},
        {"GUI1_ADDR_SCN_SCREENSAVER3", "\\gui\\scr_screensaver3.bin", 0x13F800, true},
        {"GUI1_ADDR_SCN_SCREENSAVER4", "\\gui\\scr_screensaver4.bin", 0x17F400, true},
        {"GUI1_ADDR_SCR_STARTUP_INFO", "\\gui\\scr_startup_info.bin", 0x1BF000, true},
        {"GUI1_ADDR_SCR_BLOCKED", "\\gui\\scr_blocked.bin", 0x1FEC00, true},
        {"GUI1_ADDR_SCR_BACKGROUND", "\\gui\\scr_background.bin", 0x23E800, true},
        {"GUI1_ADDR_MID_SCN_MAIN", "\\gui\\mid_scr_main.bin", 0x27E400, true},
        {"GUI1_ADDR_TOP_RIGHT", "\\gui\\top_right.bin", 0x2A2600, true},
        {"GUI1_ADDR_TOP_LEFT", "\\gui\\top_left.bin", 0x2AFA80, true},
        {"GUI1_ADDR_TOP_BOTH", "\\gui\\top_both.bin", 0x2BCF00, true},
        {"GUI1_ADDR_TOP_NONE", "\\gui\\top_none.bin", 0x2CA380, true},
        {"GUI1_ADDR_BOTTOM_RIGHT", "\\gui\\bottom_right.bin", 0x2D7800, true},
        {"GUI1_ADDR_BOTTOM_LEFT", "\\gui\\bottom_left.bin", 0x2E4C80, true},
        {"GUI1_ADDR_BOTTOM_BOTH", "\\gui\\bottom_both.bin", 0x2F2100, true},
        {"GUI1_ADDR_BOTTOM_NONE", "\\gui\\bottom_none.bin", 0x2FF580, true},
        {"GUI1_ADDR_BOTTOM_MAIN", "\\gui\\bottom_main.bin", 0x30CA00, true},
        {"GUI1_ADDR_BAR_CANCELSAVE", "\\gui\\bar_cancelsave.bin", 0x319E80, true},
        {"GUI1_ADDR_BAR_OKCANCEL", "\\gui\\bar_cancelstart.bin", 0x320AE0, true},
        {"GUI1_ADDR_BAR_BACK", "\\gui\\bar_back.bin", 0x327740, true},
        {"GUI1_ADDR_BTN_START", "\\gui\\btn_start.bin", 0x32E3A0, true},
        {"GUI1_ADDR_BAR_LINE", "\\gui\\bar_line.bin", 0x3363A0, true},
        {"GUI1_ADDR_BTN_GRPSEL1", "\\gui\\btn_grpsel1.bin", 0x33C520, true},
        {"GUI1_ADDR_BTN_GRPSEL2", "\\gui\\btn_grpsel2.bin", 0x3422A0, true},
        {"GUI1_ADDR_BTN_GRPSEL3", "\\gui\\btn_grpsel3.bin", 0x348020, true},
        {"GUI1_ADDR_BTN_PLUS", "\\gui\\btn_plus.bin", 0x34DDA0, true},
        {"GUI1_ADDR_BTN_MINUS", "\\gui\\btn_minus.bin", 0x34ECC0, true},
        {"GUI1_ADDR_BTN_EDIT", "\\gui\\btn_edit.bin", 0x34FBE0, true},
        {"GUI1_ADDR_BTN_LOCK", "\\gui\\btn_lock.bin", 0x350B00, true},
        {"GUI1_ADDR_BTN_SETTINGS", "\\gui\\btn_settings.bin", 0x351A20, true},
        {"GUI1_ADDR_SIGN_WORKING", "\\gui\\sign_working.bin", 0x352940, true},
        {"GUI1_ADDR_SIGN_USB", "\\gui\\sign_usb.bin", 0x353860, true},
        {"GUI1_ADDR_SIGN_M2M", "\\gui\\sign_m2m.bin", 0x354780, true},
        {"GUI1_ADDR_SIGN_TELNET", "\\gui\\sign_telnet.bin", 0x3556A0, true},
        // The board's ROM map puts LINE_TOP at the same address as SIGN_USB.
        {"GUI1_ADDR_LINE_TOP", "\\gui\\line_top.bin", 0x353860, true},
        {"GUI1_ADDR_LINE_BOTTOM", "\\gui\\line_bottom.bin", 0x3540E0, true},
        {"GUI1_ADDR_GUI_SETTINGS", "\\gui\\font_data.bin", 0x354960, true},

        {"ADDR_EFFS_RUNNNING", "\\effs_running.bin", 0x000000, false},
        {"ADDR_EFFS_DEFAULT", "\\effs_default.bin", 0x060000, false},
        {"ADDR_GUI1_START", "\\gui\\gui1.bin", 0x0C0000, false},
        {"ADDR_GUI2_START", "\\gui\\gui2.bin", 0x357ABF, false},
        {"ADDR_DB_SPIDER", "\\db_spider.bin", 0x5EF57E, false},
        {"ADDR_DB_TUBE1", "\\db_tube1.bin", 0x5F157E, false},
        {"ADDR_DB_TUBE2", "\\db_tube2.bin", 0x5F357E, false},
        {"ADDR_DB_TUBE3", "\\db_tube3.bin", 0x5F557E, false},
        {"ADDR_DB_TUBE4", "\\db_tube4.bin", 0x5F757E, false},
        {"ADDR_DB_SENSOR", "\\db_sensor.bin", 0x5F957E, false},
        {"ADDR_EFFS_TUBE1", "\\effs_tube1.bin", 0x5FB57E, false},
        {"ADDR_EFFS_TUBE2", "\\effs_tube2.bin", 0x61B57E, false},
        {"ADDR_EFFS_TUBE3", "\\effs_tube3.bin", 0x63B57E, false},
        {"ADDR_EFFS_TUBE4", "\\effs_tube4.bin", 0x65B57E, false},
        {"ADDR_EFFS_SENSOR", "\\effs_sensor.bin", 0x67B57E, false},
        {"ADDR_FW_SENSOR", "\\fw_sensor.bin", 0x69B57E, false},
        {"ADDR_FW_TUBE", "\\fw_tube.bin", 0x6FB57E, false},
        {"ADDR_FW_SPIDER", "\\fw_spider.bin", 0x75B57E, false},
    };
    return areas;
}

const RomArea *find(const QString &name)
{
    if (name == QLatin1String(kFullConfig.name))
        return &kFullConfig;
    for (const RomArea &area : all()) {
        if (name == QLatin1String(area.name))
            return &area;
    }
    return nullptr;
}

uint32_t addressOf(const RomArea &area, uint32_t guiShift)
{
    return area.gui ? area.address + guiShift : area.address;
}

QString filePath(const QString &folder, const char *areaFile)
{
    // The names are written with backslashes; QDir::fromNativeSeparators leaves them alone
    // outside Windows, so they are replaced explicitly. The folder is used as the user
    // chose it, and the area name is appended as text, as the board tools always did.
    QString name = QString::fromLatin1(areaFile);
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString base = folder.isEmpty() ? QStringLiteral(".") : folder;
    return QDir::cleanPath(QDir::fromNativeSeparators(base) + name);
}

QString tubeFirmwarePath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:/fw/latest_tube.bin");
#else
    // No drive c: here; "fw" in the user's home folder plays the same fixed role.
    return QDir::homePath() + QStringLiteral("/fw/latest_tube.bin");
#endif
}

} // namespace RomAreas
