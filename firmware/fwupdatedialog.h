#pragma once

#include "childwindowid.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>
#include <cstdint>

class Fwupdater;
class Prompter;
class QTcpSocket;
class RomTransfer;
struct ConnectionText;

namespace Ui {
class FWUpdateDialog;
}

// Updates the firmware of the connected board or of a board behind it: Intel HEX files go
// through the bootloader (Fwupdater), ".bin" images into the board's ROM (RomTransfer).
class FWUpdateDialog : public QDialog
{
    Q_OBJECT
public:
    // Identifier carried by closing(int).
    static constexpr int kWindowId = int(ChildWindowId::FirmwareUpdate);
    static constexpr auto kStatusBlink = std::chrono::milliseconds(500);

    FWUpdateDialog(QWidget *parent, Prompter &prompter);
    ~FWUpdateDialog() override;

    // The main window's console socket, when the board connected to the program.
    void showWithSocket(QTcpSocket *socket);
    // The console's "host:port", when the program connected to the board.
    void showWithHost(const QString &connection);

signals:
    void closing(int ID);

public slots:
    void on_cmdCancel_clicked();
    void on_btnStart_clicked();
    void fwu_setSize(int aSize);
    void fwu_done(int status);
    void fwu_progress(int aSize);
    void progressTimer();
    void on_pushButton_clicked();
    void on_cboDevice_activated(int index);

protected:
    // The frame's close button and Escape act as Close, and are refused while uploading.
    void reject() override;

private:
    void showWith(const QString &connectionText);
    QString lastFileKey() const;
    bool checkTarget(ConnectionText *target);
    void startRomTransfer(uint32_t address, const ConnectionText &target, const QString &fileName);
    void startUpload(const ConnectionText &target, const QString &fileName);
    void showUploading();
    void showIdle();
    QString releaseTransfer();
    bool uploading() const;

    Ui::FWUpdateDialog *ui;
    Prompter &prompter;
    QString deviceShortName;
    int deviceIndex = 0;
    bool socketMode = false;
    QPointer<QTcpSocket> borrowedSocket;
    RomTransfer *romTransfer = nullptr;
    Fwupdater *uploader = nullptr;
    QTimer blinkTimer;
};
