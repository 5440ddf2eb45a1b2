#include "fwromtranferdialog.h"
#include "ui_fwromtranferdialog.h"

#include "connectiontext.h"
#include "prompter.h"
#include "romareas.h"
#include "romtransfer.h"
#include "settingsstore.h"

#include <QColor>
#include <QDir>
#include <QTcpSocket>

namespace {

const QString kWriteDirKey = QStringLiteral("romupdater_write_path");
const QString kReadDirKey = QStringLiteral("romupdater_read_path");
const QString kDefaultDir = QStringLiteral(".//rom//");

QString hexAddress(uint32_t address)
{
    return QStringLiteral("0x") +
           QString::number(address, 16).toUpper().rightJustified(6, QLatin1Char('0'));
}

RomTransfer *ownConnectionTransfer(const QString &connection)
{
    const ConnectionText target = ConnectionText::parse(connection);
    return new RomTransfer(target.host, target.port);
}

} // namespace

FWRomTranferDialog::FWRomTranferDialog(const QString &connection, QWidget *parent,
                                       Prompter &prompter)
    : FWRomTranferDialog(ownConnectionTransfer(connection), parent, prompter)
{
    if (ConnectionText::parse(connection).isValid()) {
        ui->lblStatus->setText(tr("Connection: %1").arg(connection));
    } else {
        ui->lblStatus->setText(
            tr("The connection \"%1\" has no port (host:port expected): nothing can be "
               "written.")
                .arg(connection));
    }
}

FWRomTranferDialog::FWRomTranferDialog(QTcpSocket *consoleSocket, QWidget *parent,
                                       Prompter &prompter)
    : FWRomTranferDialog(new RomTransfer(consoleSocket), parent, prompter)
{
    ui->lblStatus->setText(tr("Connection: the board's console (REMOTE)"));
}

FWRomTranferDialog::FWRomTranferDialog(RomTransfer *transfer, QWidget *parent, Prompter &prompter)
    : QDialog(parent)
    , ui(new Ui::FWRomTranferDialog)
    , prompter(prompter)
    , transfer(transfer)
{
    ui->setupUi(this);
    transfer->setParent(this);
    connect(transfer, &RomTransfer::setSize, this, [this](int size) {
        ui->progressTransfer->setRange(0, qMax(size, 1));
        ui->progressTransfer->setValue(0);
        emit setSize(size);
    });
    connect(transfer, &RomTransfer::progress, this, [this](int sent) {
        // The count includes the packet framing and so ends a little past the file size.
        ui->progressTransfer->setValue(qMin(sent, ui->progressTransfer->maximum()));
        emit progress(sent);
    });
    connect(transfer, &RomTransfer::done, this, &FWRomTranferDialog::transferDone);

    writeDir = getSettings(kWriteDirKey, kDefaultDir).toString();
    readDir = getSettings(kReadDirKey, kDefaultDir).toString();
    ui->lblWriteDir->setText(writeDir);
    ui->lblReadDir->setText(readDir);
    ui->lblFWTubeFile->setText(QDir::toNativeSeparators(RomAreas::tubeFirmwarePath()));
    ui->tabWidget->setCurrentIndex(0);

    for (const RomArea &area : RomAreas::all()) {
        const QString name = QString::fromLatin1(area.name);
        auto *write = findChild<QAbstractButton *>(QStringLiteral("btn_write_ROM_") + name);
        auto *read = findChild<QAbstractButton *>(QStringLiteral("btn_read_ROM_") + name);
        const QString tip = QDir::toNativeSeparators(QString::fromLatin1(area.file));
        write->setToolTip(tip);
        read->setToolTip(tip);
        // Only the GUI areas are offered for writing; the fixed areas are read-only here.
        if (!area.gui)
            write->hide();
    }
    ui->grpWriteFixed->hide();
    setupColourRows();
}

FWRomTranferDialog::~FWRomTranferDialog()
{
    delete ui;
}

void FWRomTranferDialog::transferFile(uint32_t address, const QString &fileName)
{
    currentFile = QDir::toNativeSeparators(fileName);
    ui->lblStatus->setText(
        tr("Writing %1 to ROM address %2 ...").arg(currentFile, hexAddress(address)));
    ui->progressTransfer->setValue(0);
    transfer->transferFile(address, fileName);
}

void FWRomTranferDialog::setControlsEnabled(bool enabled)
{
    for (int i = 0; i < ui->tabWidget->count(); ++i) {
        const auto buttons = ui->tabWidget->widget(i)->findChildren<QAbstractButton *>();
        for (QAbstractButton *button : buttons)
            button->setEnabled(enabled);
    }
}

void FWRomTranferDialog::transferDone(int status)
{
    setControlsEnabled(true);
    if (status) {
        ui->progressTransfer->setValue(ui->progressTransfer->maximum());
        ui->lblStatus->setText(tr("%1 written.").arg(currentFile));
    } else {
        ui->lblStatus->setText(
            tr("Writing %1 failed: %2").arg(currentFile, transfer->failureReason()));
    }
    emit done(status);
}

void FWRomTranferDialog::writeArea(const char *name)
{
    const RomArea *area = RomAreas::find(QString::fromLatin1(name));
    Q_ASSERT(area);
    setControlsEnabled(false);
    transferFile(RomAreas::addressOf(*area, writeGuiShift),
                 RomAreas::filePath(writeDir, area->file));
}

// The board's console has no read command, so a read only names the file it would fill
// and tells the user so; the buttons are disabled and enabled again as for a write.
void FWRomTranferDialog::readArea(const char *name)
{
    const RomArea *area = RomAreas::find(QString::fromLatin1(name));
    Q_ASSERT(area);
    setControlsEnabled(false);
    const QString fileName = RomAreas::filePath(readDir, area->file);
    ui->lblStatus->setText(tr("Reading ROM address %1 is not possible: the board's console "
                              "has no read command. %2 was not written.")
                               .arg(hexAddress(RomAreas::addressOf(*area, readGuiShift)),
                                    QDir::toNativeSeparators(fileName)));
    setControlsEnabled(true);
}

void FWRomTranferDialog::on_btnWriteClose_clicked()
{
    closeDialog();
}

void FWRomTranferDialog::on_btnReadClose_clicked()
{
    closeDialog();
}

void FWRomTranferDialog::reject()
{
    if (!transfer->isBusy())
        closeDialog();
}

// An own connection is closed; a borrowed console socket is only let go, so the main window
// reads it again after closing(6).
void FWRomTranferDialog::closeDialog()
{
    transfer->abort();
    emit closing(kWindowId);
    // The done(int) signal replaces QDialog::done, so reject() would report a failed
    // transfer and keep the window up; close through the base class itself.
    QDialog::done(QDialog::Rejected);
    deleteLater();
}

void FWRomTranferDialog::on_opt_writeGUI1_clicked()
{
    writeGuiShift = 0;
}

void FWRomTranferDialog::on_opt_writeGUI2_clicked()
{
    writeGuiShift = RomAreas::kGuiShift;
}

void FWRomTranferDialog::on_opt_readGUI1_clicked()
{
    readGuiShift = 0;
}

void FWRomTranferDialog::on_opt_readGUI2_clicked()
{
    readGuiShift = RomAreas::kGuiShift;
}

void FWRomTranferDialog::setSettings(QString name, QVariant value)
{
    SettingsStore::set(name, value);
}

QVariant FWRomTranferDialog::getSettings(QString name, QVariant defVal)
{
    return SettingsStore::get(name, defVal);
}

void FWRomTranferDialog::on_btnTargetWriteDir_clicked()
{
    chooseFolder(&writeDir, kWriteDirKey);
    ui->lblWriteDir->setText(writeDir);
}

void FWRomTranferDialog::on_btnTargetReadDir_clicked()
{
    chooseFolder(&readDir, kReadDirKey);
    ui->lblReadDir->setText(readDir);
}

// The chooser starts at the folder in use, which is where the user looked last.
void FWRomTranferDialog::chooseFolder(QString *folder, const QString &settingsKey)
{
    const QString chosen = prompter.getExistingDirectory(tr("Open Directory"), *folder);
    if (chosen.isEmpty())
        return;
    *folder = chosen;
    setSettings(settingsKey, chosen);
}

void FWRomTranferDialog::on_btnWriteFullConfig_clicked()
{
    writeArea(RomAreas::kFullConfig.name);
}

void FWRomTranferDialog::on_btnReadFullConfig_clicked()
{
    readArea(RomAreas::kFullConfig.name);
}

void FWRomTranferDialog::on_btnFWTube_clicked()
{
    setControlsEnabled(false);
    transferFile(RomAreas::kTubeFirmwareAddress, RomAreas::tubeFirmwarePath());
}

// The colour rows only preview the colour on their sample text; nothing reads them and
// nothing is sent to the board.
void FWRomTranferDialog::setupColourRows()
{
    struct Row
    {
        QSpinBox *red;
        QSpinBox *green;
        QSpinBox *blue;
        QLabel *sample;
        bool background;
    };
    const Row rows[] = {
        {ui->spinMainBgRed, ui->spinMainBgGreen, ui->spinMainBgBlue, ui->lblSampleMainBg, true},
        {ui->spinMainFgRed, ui->spinMainFgGreen, ui->spinMainFgBlue, ui->lblSampleMainFg, false},
        {ui->spinBarFgRed, ui->spinBarFgGreen, ui->spinBarFgBlue, ui->lblSampleBarFg, false},
        {ui->spinBarBgRed, ui->spinBarBgGreen, ui->spinBarBgBlue, ui->lblSampleBarBg, true},
        {ui->spinStartFgRed, ui->spinStartFgGreen, ui->spinStartFgBlue, ui->lblSampleStartFg,
         false},
        {ui->spinStartBgRed, ui->spinStartBgGreen, ui->spinStartBgBlue, ui->lblSampleStartBg, true},
        {ui->spinSettingsFgRed, ui->spinSettingsFgGreen, ui->spinSettingsFgBlue,
         ui->lblSampleSettingsFg, false},
        {ui->spinSettingsBgRed, ui->spinSettingsBgGreen, ui->spinSettingsBgBlue,
         ui->lblSampleSettingsBg, true},
    };
    for (const Row &row : rows) {
        const auto update = [row] {
            const QColor colour(row.red->value(), row.green->value(), row.blue->value());
            const QColor text = colour.lightness() < 128 ? Qt::white : Qt::black;
            row.sample->setStyleSheet(row.background
                                          ? QStringLiteral("background-color: %1; color: %2")
                                                .arg(colour.name(), text.name())
                                          : QStringLiteral("color: %1").arg(colour.name()));
        };
        for (QSpinBox *spin : {row.red, row.green, row.blue})
            connect(spin, QOverload<int>::of(&QSpinBox::valueChanged), this, update);
        update();
    }
}

// Every area's two buttons hand over to the table-driven writer and reader.
// clang-format off
#define ROM_AREA_SLOTS(area) \
    void FWRomTranferDialog::on_btn_write_ROM_##area##_clicked() { writeArea(#area); } \
    void FWRomTranferDialog::on_btn_read_ROM_##area##_clicked() { readArea(#area); }

ROM_AREA_SLOTS(GUI1_ADDR_SCN_SCREENSAVER1)
ROM_AREA_SLOTS(GUI1_ADDR_SCN_SCREENSAVER2)
ROM_AREA_SLOTS(GUI1_ADDR_SCN_SCREENSAVER3)
ROM_AREA_SLOTS(GUI1_ADDR_SCN_SCREENSAVER4)
ROM_AREA_SLOTS(GUI1_ADDR_SCR_STARTUP_INFO)
ROM_AREA_SLOTS(GUI1_ADDR_SCR_BLOCKED)
ROM_AREA_SLOTS(GUI1_ADDR_SCR_BACKGROUND)
ROM_AREA_SLOTS(GUI1_ADDR_MID_SCN_MAIN)
ROM_AREA_SLOTS(GUI1_ADDR_TOP_RIGHT)
ROM_AREA_SLOTS(GUI1_ADDR_TOP_LEFT)
ROM_AREA_SLOTS(GUI1_ADDR_TOP_BOTH)
ROM_AREA_SLOTS(GUI1_ADDR_TOP_NONE)
ROM_AREA_SLOTS(GUI1_ADDR_BOTTOM_RIGHT)
ROM_AREA_SLOTS(GUI1_ADDR_BOTTOM_LEFT)
ROM_AREA_SLOTS(GUI1_ADDR_BOTTOM_BOTH)
ROM_AREA_SLOTS(GUI1_ADDR_BOTTOM_NONE)
ROM_AREA_SLOTS(GUI1_ADDR_BOTTOM_MAIN)
ROM_AREA_SLOTS(GUI1_ADDR_BAR_CANCELSAVE)
ROM_AREA_SLOTS(GUI1_ADDR_BAR_OKCANCEL)
ROM_AREA_SLOTS(GUI1_ADDR_BAR_BACK)
ROM_AREA_SLOTS(GUI1_ADDR_BTN_START)
ROM_AREA_SLOTS(GUI1_ADDR_BAR_LINE)
ROM_AREA_SLOTS(GUI1_ADDR_BTN_GRPSEL1)
ROM_AREA_SLOTS(GUI1_ADDR_BTN_GRPSEL2)
ROM_AREA_SLOTS(GUI1_ADDR_BTN_GRPSEL3)
ROM_AREA_SLOTS(GUI1_ADDR_BTN_PLUS)
ROM_AREA_SLOTS(GUI1_ADDR_BTN_MINUS)
ROM_AREA_SLOTS(GUI1_ADDR_BTN_EDIT)
ROM_AREA_SLOTS(GUI1_ADDR_BTN_LOCK)
ROM_AREA_SLOTS(GUI1_ADDR_BTN_SETTINGS)
ROM_AREA_SLOTS(GUI1_ADDR_SIGN_WORKING)
ROM_AREA_SLOTS(GUI1_ADDR_SIGN_USB)
ROM_AREA_SLOTS(GUI1_ADDR_SIGN_M2M)
ROM_AREA_SLOTS(GUI1_ADDR_SIGN_TELNET)
ROM_AREA_SLOTS(GUI1_ADDR_LINE_TOP)
ROM_AREA_SLOTS(GUI1_ADDR_LINE_BOTTOM)
ROM_AREA_SLOTS(GUI1_ADDR_GUI_SETTINGS)
ROM_AREA_SLOTS(ADDR_EFFS_RUNNNING)
ROM_AREA_SLOTS(ADDR_EFFS_DEFAULT)
ROM_AREA_SLOTS(ADDR_GUI1_START)
ROM_AREA_SLOTS(ADDR_GUI2_START)
ROM_AREA_SLOTS(ADDR_DB_SPIDER)
ROM_AREA_SLOTS(ADDR_DB_TUBE1)
ROM_AREA_SLOTS(ADDR_DB_TUBE2)
ROM_AREA_SLOTS(ADDR_DB_TUBE3)
ROM_AREA_SLOTS(ADDR_DB_TUBE4)
ROM_AREA_SLOTS(ADDR_DB_SENSOR)
ROM_AREA_SLOTS(ADDR_EFFS_TUBE1)
ROM_AREA_SLOTS(ADDR_EFFS_TUBE2)
ROM_AREA_SLOTS(ADDR_EFFS_TUBE3)
ROM_AREA_SLOTS(ADDR_EFFS_TUBE4)
ROM_AREA_SLOTS(ADDR_EFFS_SENSOR)
ROM_AREA_SLOTS(ADDR_FW_SENSOR)
ROM_AREA_SLOTS(ADDR_FW_TUBE)
ROM_AREA_SLOTS(ADDR_FW_SPIDER)
#undef ROM_AREA_SLOTS
// clang-format on
