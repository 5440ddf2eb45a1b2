#pragma once

#include "childwindowid.h"

#include <QDialog>
#include <QString>
#include <QVariant>
#include <cstdint>

class Prompter;
class QTcpSocket;
class RomTransfer;
struct RomArea;

namespace Ui {
class FWRomTranferDialog;
}

// The ROM manager: writes files from a folder on this computer into the named areas of a
// board's ROM. The exchange is RomTransfer's; this window picks file and address and shows
// how the transfer went.
class FWRomTranferDialog : public QDialog
{
    Q_OBJECT
public:
    // Identifier carried by closing(int).
    static constexpr int kWindowId = int(ChildWindowId::RomManager);

    // Own connection per transfer to the console's "host:port".
    FWRomTranferDialog(const QString &connection, QWidget *parent, Prompter &prompter);
    // The main window's console socket, handed back untouched when the dialog closes.
    FWRomTranferDialog(QTcpSocket *consoleSocket, QWidget *parent, Prompter &prompter);
    ~FWRomTranferDialog() override;

    // Writes fileName at address; ends in done(1) or done(0).
    void transferFile(uint32_t address, const QString &fileName);
    // Every button and option of the dialog.
    void setControlsEnabled(bool enabled);

signals:
    void closing(int ID);
    void setSize(int aSize);
    void done(int status);
    void progress(int aSize);

public slots:
    void on_btnWriteClose_clicked();
    void on_btnReadClose_clicked();
    void on_opt_writeGUI1_clicked();
    void on_opt_writeGUI2_clicked();
    void on_opt_readGUI1_clicked();
    void on_opt_readGUI2_clicked();
    void setSettings(QString name, QVariant value);
    QVariant getSettings(QString name, QVariant defVal);
    void on_btnWriteFullConfig_clicked();
    void on_btnReadFullConfig_clicked();
    void on_btnTargetWriteDir_clicked();
    void on_btnTargetReadDir_clicked();
    void on_btnFWTube_clicked();

    void on_btn_write_ROM_GUI1_ADDR_SCN_SCREENSAVER1_clicked();
    void on_btn_write_ROM_GUI1_ADDR_SCN_SCREENSAVER2_clicked();
    void on_btn_write_ROM_GUI1_ADDR_SCN_SCREENSAVER3_clicked();
    void on_btn_write_ROM_GUI1_ADDR_SCN_SCREENSAVER4_clicked();
    void on_btn_write_ROM_GUI1_ADDR_SCR_STARTUP_INFO_clicked();
    void on_btn_write_ROM_GUI1_ADDR_SCR_BLOCKED_clicked();
    void on_btn_write_ROM_GUI1_ADDR_SCR_BACKGROUND_clicked();
    void on_btn_write_ROM_GUI1_ADDR_MID_SCN_MAIN_clicked();
    void on_btn_write_ROM_GUI1_ADDR_TOP_RIGHT_clicked();
    void on_btn_write_ROM_GUI1_ADDR_TOP_LEFT_clicked();
    void on_btn_write_ROM_GUI1_ADDR_TOP_BOTH_clicked();
    void on_btn_write_ROM_GUI1_ADDR_TOP_NONE_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BOTTOM_RIGHT_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BOTTOM_LEFT_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BOTTOM_BOTH_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BOTTOM_NONE_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BOTTOM_MAIN_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BAR_CANCELSAVE_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BAR_OKCANCEL_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BAR_BACK_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BTN_START_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BAR_LINE_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BTN_GRPSEL1_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BTN_GRPSEL2_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BTN_GRPSEL3_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BTN_PLUS_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BTN_MINUS_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BTN_EDIT_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BTN_LOCK_clicked();
    void on_btn_write_ROM_GUI1_ADDR_BTN_SETTINGS_clicked();
    void on_btn_write_ROM_GUI1_ADDR_SIGN_WORKING_clicked();
    void on_btn_write_ROM_GUI1_ADDR_SIGN_USB_clicked();
    void on_btn_write_ROM_GUI1_ADDR_SIGN_M2M_clicked();
    void on_btn_write_ROM_GUI1_ADDR_SIGN_TELNET_clicked();
    void on_btn_write_ROM_GUI1_ADDR_LINE_TOP_clicked();
    void on_btn_write_ROM_GUI1_ADDR_LINE_BOTTOM_clicked();
    void on_btn_write_ROM_GUI1_ADDR_GUI_SETTINGS_clicked();
    void on_btn_write_ROM_ADDR_EFFS_RUNNNING_clicked();
    void on_btn_write_ROM_ADDR_EFFS_DEFAULT_clicked();
    void on_btn_write_ROM_ADDR_GUI1_START_clicked();
    void on_btn_write_ROM_ADDR_GUI2_START_clicked();
    void on_btn_write_ROM_ADDR_DB_SPIDER_clicked();
    void on_btn_write_ROM_ADDR_DB_TUBE1_clicked();
    void on_btn_write_ROM_ADDR_DB_TUBE2_clicked();
    void on_btn_write_ROM_ADDR_DB_TUBE3_clicked();
    void on_btn_write_ROM_ADDR_DB_TUBE4_clicked();
    void on_btn_write_ROM_ADDR_DB_SENSOR_clicked();
    void on_btn_write_ROM_ADDR_EFFS_TUBE1_clicked();
    void on_btn_write_ROM_ADDR_EFFS_TUBE2_clicked();
    void on_btn_write_ROM_ADDR_EFFS_TUBE3_clicked();
    void on_btn_write_ROM_ADDR_EFFS_TUBE4_clicked();
    void on_btn_write_ROM_ADDR_EFFS_SENSOR_clicked();
    void on_btn_write_ROM_ADDR_FW_SENSOR_clicked();
    void on_btn_write_ROM_ADDR_FW_TUBE_clicked();
    void on_btn_write_ROM_ADDR_FW_SPIDER_clicked();

    void on_btn_read_ROM_GUI1_ADDR_SCN_SCREENSAVER1_clicked();
    void on_btn_read_ROM_GUI1_ADDR_SCN_SCREENSAVER2_clicked();
    void on_btn_read_ROM_GUI1_ADDR_SCN_SCREENSAVER3_clicked();
    void on_btn_read_ROM_GUI1_ADDR_SCN_SCREENSAVER4_clicked();
    void on_btn_read_ROM_GUI1_ADDR_SCR_STARTUP_INFO_clicked();
    void on_btn_read_ROM_GUI1_ADDR_SCR_BLOCKED_clicked();
    void on_btn_read_ROM_GUI1_ADDR_SCR_BACKGROUND_clicked();
    void on_btn_read_ROM_GUI1_ADDR_MID_SCN_MAIN_clicked();
    void on_btn_read_ROM_GUI1_ADDR_TOP_RIGHT_clicked();
    void on_btn_read_ROM_GUI1_ADDR_TOP_LEFT_clicked();
    void on_btn_read_ROM_GUI1_ADDR_TOP_BOTH_clicked();
    void on_btn_read_ROM_GUI1_ADDR_TOP_NONE_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BOTTOM_RIGHT_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BOTTOM_LEFT_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BOTTOM_BOTH_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BOTTOM_NONE_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BOTTOM_MAIN_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BAR_CANCELSAVE_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BAR_OKCANCEL_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BAR_BACK_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BTN_START_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BAR_LINE_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BTN_GRPSEL1_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BTN_GRPSEL2_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BTN_GRPSEL3_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BTN_PLUS_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BTN_MINUS_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BTN_EDIT_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BTN_LOCK_clicked();
    void on_btn_read_ROM_GUI1_ADDR_BTN_SETTINGS_clicked();
    void on_btn_read_ROM_GUI1_ADDR_SIGN_WORKING_clicked();
    void on_btn_read_ROM_GUI1_ADDR_SIGN_USB_clicked();
    void on_btn_read_ROM_GUI1_ADDR_SIGN_M2M_clicked();
    void on_btn_read_ROM_GUI1_ADDR_SIGN_TELNET_clicked();
    void on_btn_read_ROM_GUI1_ADDR_LINE_TOP_clicked();
    void on_btn_read_ROM_GUI1_ADDR_LINE_BOTTOM_clicked();
    void on_btn_read_ROM_GUI1_ADDR_GUI_SETTINGS_clicked();
    void on_btn_read_ROM_ADDR_EFFS_RUNNNING_clicked();
    void on_btn_read_ROM_ADDR_EFFS_DEFAULT_clicked();
    void on_btn_read_ROM_ADDR_GUI1_START_clicked();
    void on_btn_read_ROM_ADDR_GUI2_START_clicked();
    void on_btn_read_ROM_ADDR_DB_SPIDER_clicked();
    void on_btn_read_ROM_ADDR_DB_TUBE1_clicked();
    void on_btn_read_ROM_ADDR_DB_TUBE2_clicked();
    void on_btn_read_ROM_ADDR_DB_TUBE3_clicked();
    void on_btn_read_ROM_ADDR_DB_TUBE4_clicked();
    void on_btn_read_ROM_ADDR_DB_SENSOR_clicked();
    void on_btn_read_ROM_ADDR_EFFS_TUBE1_clicked();
    void on_btn_read_ROM_ADDR_EFFS_TUBE2_clicked();
    void on_btn_read_ROM_ADDR_EFFS_TUBE3_clicked();
    void on_btn_read_ROM_ADDR_EFFS_TUBE4_clicked();
    void on_btn_read_ROM_ADDR_EFFS_SENSOR_clicked();
    void on_btn_read_ROM_ADDR_FW_SENSOR_clicked();
    void on_btn_read_ROM_ADDR_FW_TUBE_clicked();
    void on_btn_read_ROM_ADDR_FW_SPIDER_clicked();

protected:
    // Closing the window by its frame or Escape is the Close button, refused mid-transfer.
    void reject() override;

private:
    FWRomTranferDialog(RomTransfer *transfer, QWidget *parent, Prompter &prompter);
    void writeArea(const char *name);
    void readArea(const char *name);
    void chooseFolder(QString *folder, const QString &settingsKey);
    void transferDone(int status);
    void setupColourRows();
    void closeDialog();

    Ui::FWRomTranferDialog *ui;
    Prompter &prompter;
    RomTransfer *transfer;
    QString writeDir;
    QString readDir;
    uint32_t writeGuiShift = 0;
    uint32_t readGuiShift = 0;
    QString currentFile;
};
