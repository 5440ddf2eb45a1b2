#include "fwupdatedialog.h"
#include "ui_fwupdatedialog.h"

#include "connectiontext.h"
#include "device.h"
#include "fwupdater.h"
#include "prompter.h"
#include "qdevicemachine.h"
#include "romareas.h"
#include "romtransfer.h"
#include "settingsstore.h"

#include <QFileInfo>
#include <QTcpSocket>

namespace {

const QString kIdleText = QStringLiteral("Select firmware file and press start");
const QString kCancelText = QStringLiteral("Cancel");
const QString kFolderKey = QStringLiteral("HEXFolder");
// ROM images are taken by put_binary from this board software on (plain text comparison).
const QLatin1String kFirstRomSoftware("170507");

// The registry's main device, or null (also when no registry exists yet).
const Device *currentMainDevice()
{
    const QDeviceMachine *machine = QDeviceMachine::existingInstance();
    return machine ? machine->mainDevice() : nullptr;
}

struct BoardKind
{
    const char *firstEntry;
    const char *shortName;
    const char *filter; // null: no file chooser
};

BoardKind boardKindOf(int type)
{
    switch (type) {
    case 1:
        return {"Main KORVO PCB", "korvo",
                "KORVO_PCB fw files (*.kvo);;BIN files (*.bin);;Intel HEX files (*.hex)"};
    case 2:
        return {"Tube PCB", "tube",
                "TUBE fw files (*.tube);;BIN files (*.bin);;Intel HEX files (*.hex)"};
    case 3:
        return {"Spider PCB", "spider",
                "SPIDER fw files (*.spider);;BIN files (*.bin);;Intel HEX files (*.hex)"};
    default:
        return {"Unknown PCB", "unknown", nullptr};
    }
}

// The chooser's filter without a main device.
const char *const kAnyBoardFilter =
    "Intel HEX files (*.hex);;BIN files (*.bin);;KORVO_PCB fw files (*.kvo);;"
    "TUBE fw files (*.tube);;SPIDER fw files (*.spider);;";

} // namespace

FWUpdateDialog::FWUpdateDialog(QWidget *parent, Prompter &prompter)
    : QDialog(parent)
    , ui(new Ui::FWUpdateDialog)
    , prompter(prompter)
{
    ui->setupUi(this);
    ui->progress->setRange(0, 100);
    ui->progress->setValue(0);
    ui->progress->hide();
    // The status line blinks by hiding; it keeps its place so nothing below it jumps.
    QSizePolicy policy = ui->lblFirmwareDialog->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    ui->lblFirmwareDialog->setSizePolicy(policy);
    blinkTimer.setInterval(kStatusBlink);
    connect(&blinkTimer, &QTimer::timeout, this, &FWUpdateDialog::progressTimer);

    const Device *mainDevice = currentMainDevice();
    if (!mainDevice)
        return;
    const BoardKind kind = boardKindOf(mainDevice->type);
    deviceShortName = QString::fromLatin1(kind.shortName);
    ui->cboDevice->addItem(QString::fromLatin1(kind.firstEntry));
    for (const char *entry :
         {"Button panel", "Exp 1", "Exp 2", "Exp 3", "Exp 4", "Exp 5", "Exp 6", "Exp 7"})
        ui->cboDevice->addItem(QString::fromLatin1(entry));
}

FWUpdateDialog::~FWUpdateDialog()
{
    delete ui;
}

void FWUpdateDialog::showWithSocket(QTcpSocket *socket)
{
    socketMode = true;
    borrowedSocket = socket;
    ui->txtConnection->setReadOnly(true);
    showWith(QStringLiteral("REMOTE"));
}

void FWUpdateDialog::showWithHost(const QString &connection)
{
    socketMode = false;
    borrowedSocket = nullptr;
    showWith(connection);
}

void FWUpdateDialog::showWith(const QString &connectionText)
{
    ui->txtConnection->setText(connectionText);
    ui->txtFilename->setText(SettingsStore::get(lastFileKey(), QString()).toString());
    setModal(true);
    show();
}

QString FWUpdateDialog::lastFileKey() const
{
    return QStringLiteral("last%1%2FW").arg(deviceShortName).arg(deviceIndex);
}

void FWUpdateDialog::on_cboDevice_activated(int index)
{
    deviceIndex = index;
    ui->txtFilename->setText(SettingsStore::get(lastFileKey(), QString()).toString());
}

void FWUpdateDialog::on_pushButton_clicked()
{
    const char *filter = kAnyBoardFilter;
    if (!deviceShortName.isEmpty()) {
        const Device *mainDevice = currentMainDevice();
        filter = boardKindOf(mainDevice ? mainDevice->type : 0).filter;
    }
    if (!filter)
        return; // a board of unknown type: no file type to offer
    const QString fileName = prompter.getOpenFileName(
        tr("Open file"), SettingsStore::get(kFolderKey, QStringLiteral("./")).toString(),
        QString::fromLatin1(filter));
    if (fileName.isEmpty())
        return;
    ui->txtFilename->setText(fileName);
    const QFileInfo info(fileName);
    SettingsStore::set(kFolderKey, info.absolutePath());
    SettingsStore::set(lastFileKey(), info.absoluteFilePath());
}

void FWUpdateDialog::on_btnStart_clicked()
{
    if (uploading())
        return;
    const QString fileName = ui->txtFilename->text();
    // Only this exact ending selects the ROM path; ".BIN", ".kvo", ".tube" and ".spider"
    // files are Intel HEX.
    const bool romImage = fileName.endsWith(QLatin1String(".bin"));
    const Device *mainDevice = currentMainDevice();
    if (romImage && (!mainDevice || mainDevice->sw < kFirstRomSoftware))
        return;
    ConnectionText target;
    if (!checkTarget(&target))
        return;
    if (romImage && mainDevice->type != 2 && mainDevice->type != 3) {
        // Only tube and spider boards keep a firmware image in their ROM; starting anyway
        // would leave the dialog waiting for ever.
        prompter.warning(tr("Error"), tr("A .bin firmware image can be written only to a "
                                         "tube or a spider board."));
        return;
    }
    SettingsStore::set(lastFileKey(), fileName);
    showUploading();
    if (romImage) {
        startRomTransfer(mainDevice->type == 2 ? RomAreas::kTubeFirmwareAddress
                                               : RomAreas::kSpiderFirmwareAddress,
                         target, fileName);
    } else {
        startUpload(target, fileName);
    }
}

// Socket mode needs the console still open, host mode a "host:port" with a port.
bool FWUpdateDialog::checkTarget(ConnectionText *target)
{
    if (socketMode) {
        if (borrowedSocket && borrowedSocket->state() == QAbstractSocket::ConnectedState)
            return true;
        prompter.warning(tr("Error"), tr("The board's console connection is closed."));
        return false;
    }
    *target = ConnectionText::parse(ui->txtConnection->text());
    if (target->isValid())
        return true;
    prompter.warning(tr("Error"), tr("The connection \"%1\" has no port. Enter it as "
                                     "host:port, for example 192.168.1.20:23.")
                                      .arg(ui->txtConnection->text()));
    return false;
}

void FWUpdateDialog::startRomTransfer(uint32_t address, const ConnectionText &target,
                                      const QString &fileName)
{
    romTransfer = socketMode ? new RomTransfer(borrowedSocket, this)
                             : new RomTransfer(target.host, target.port, this);
    connect(romTransfer, &RomTransfer::progress, this, &FWUpdateDialog::fwu_progress);
    connect(romTransfer, &RomTransfer::setSize, this, &FWUpdateDialog::fwu_setSize);
    connect(romTransfer, &RomTransfer::done, this, &FWUpdateDialog::fwu_done);
    romTransfer->transferFile(address, fileName);
}

void FWUpdateDialog::startUpload(const ConnectionText &target, const QString &fileName)
{
    uploader = socketMode ? new Fwupdater(borrowedSocket, deviceIndex, this)
                          : new Fwupdater(target.host, target.port, deviceIndex, this);
    connect(uploader, &Fwupdater::progress, this, &FWUpdateDialog::fwu_progress);
    connect(uploader, &Fwupdater::done, this, &FWUpdateDialog::fwu_done);
    connect(uploader, &Fwupdater::setSize, this, &FWUpdateDialog::fwu_setSize);
    if (socketMode)
        uploader->uploadFileOnSocket(fileName);
    else
        uploader->uploadFile(fileName);
}

void FWUpdateDialog::fwu_setSize(int aSize)
{
    ui->progress->setMaximum(aSize);
}

void FWUpdateDialog::fwu_progress(int aSize)
{
    // ROM packets count their framing too, so the last values pass the file size.
    ui->progress->setValue(qMin(aSize, ui->progress->maximum()));
}

void FWUpdateDialog::progressTimer()
{
    ui->lblFirmwareDialog->setVisible(!ui->lblFirmwareDialog->isVisible());
}

void FWUpdateDialog::fwu_done(int status)
{
    const QString reason = releaseTransfer();
    showIdle();
    if (status) {
        prompter.information(tr("Status OK"), tr("New firmware uploaded OK"));
        return;
    }
    QString text = tr("Something went wrong, try again");
    if (!reason.isEmpty())
        text += QLatin1Char('\n') + reason;
    prompter.information(tr("Error"), text);
}

void FWUpdateDialog::on_cmdCancel_clicked()
{
    if (ui->cmdCancel->text() != kCancelText) {
        emit closing(kWindowId);
        blinkTimer.stop();
        QDialog::reject();
        deleteLater();
        return;
    }
    Fwupdater *stopping = uploader;
    releaseTransfer();
    if (stopping)
        stopping->abort(); // tells the bootloader to quit; deletes itself later
    showIdle();
}

void FWUpdateDialog::reject()
{
    if (!uploading())
        on_cmdCancel_clicked();
}

// Lets go of the running upload object and returns why it failed, if it did.
QString FWUpdateDialog::releaseTransfer()
{
    QString reason;
    if (romTransfer) {
        reason = romTransfer->failureReason();
        disconnect(romTransfer, nullptr, this, nullptr);
        romTransfer->abort();
        romTransfer->deleteLater(); // done() may still be on its way out of it
        romTransfer = nullptr;
    } else if (uploader) {
        reason = uploader->failureReason();
        disconnect(uploader, nullptr, this, nullptr);
        uploader = nullptr; // it deletes itself after done() or abort()
    }
    return reason;
}

bool FWUpdateDialog::uploading() const
{
    return romTransfer || uploader;
}

void FWUpdateDialog::showUploading()
{
    ui->lblFirmwareDialog->setText(tr("Update in progress"));
    blinkTimer.start();
    ui->progress->setValue(0);
    ui->progress->show();
    ui->btnStart->setEnabled(false);
    ui->cmdCancel->setText(kCancelText);
}

void FWUpdateDialog::showIdle()
{
    ui->btnStart->setEnabled(true);
    ui->cmdCancel->setText(tr("Close"));
    blinkTimer.stop();
    ui->lblFirmwareDialog->setText(kIdleText);
    ui->lblFirmwareDialog->setVisible(true);
    ui->progress->hide();
}
