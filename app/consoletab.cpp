#include "consoletab.h"

#include "consolechannel.h"
#include "consolehistorymodel.h"
#include "fileexport.h"
#include "ui_consoletab.h"

#include <QFont>
#include <QScrollBar>
#include <QShortcut>

namespace {

constexpr int kFontPoints = 9;

} // namespace

ConsoleTab::ConsoleTab(ConsoleChannel &console, Prompter &prompter, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::ConsoleTab)
    , prompter(prompter)
    , lines(new ConsoleHistoryModel(ConsoleHistory::kDefaultCapacity, this))
{
    ui->setupUi(this);
    ui->lstConsole->setModel(lines);
    // The editor's and reply labels' font; the hint finds a fixed-pitch one where no font has
    // that name (Windows).
    QFont font(QStringLiteral("Monospace"), kFontPoints);
    font.setStyleHint(QFont::TypeWriter);
    ui->lstConsole->setFont(font);
    connect(&console, &ConsoleChannel::lineSent, lines, &ConsoleHistoryModel::addSent);
    connect(&console, &ConsoleChannel::lineReceived, lines, &ConsoleHistoryModel::addReceived);
    connect(lines, &ConsoleHistoryModel::aboutToPublish, this,
            [this] { following = showsNewest(); });
    connect(lines, &ConsoleHistoryModel::published, this, &ConsoleTab::keepPlace);

    auto *find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        ui->txtFind->setFocus(Qt::ShortcutFocusReason);
        ui->txtFind->selectAll();
    });
}

ConsoleTab::~ConsoleTab() = default;

bool ConsoleTab::showsNewest() const
{
    const QScrollBar *bar = ui->lstConsole->verticalScrollBar();
    return bar->value() == bar->maximum();
}

void ConsoleTab::keepPlace(int droppedRows)
{
    if (following) {
        ui->lstConsole->scrollToBottom();
        return;
    }
    // The rows in view moved up by the dropped ones; the user keeps reading the same lines.
    QScrollBar *bar = ui->lstConsole->verticalScrollBar();
    bar->setValue(bar->value() - droppedRows);
}

void ConsoleTab::findNext()
{
    const QString needle = ui->txtFind->text();
    if (needle.isEmpty())
        return;
    lines->publish();
    const QModelIndex current = ui->lstConsole->currentIndex();
    const int row = lines->history().find(needle, current.isValid() ? current.row() + 1 : 0,
                                          lines->isStamped(), Qt::CaseInsensitive);
    ui->lblFindResult->setText(row < 0 ? tr("Not found") : QString());
    if (row < 0)
        return;
    const QModelIndex hit = lines->index(row);
    ui->lstConsole->setCurrentIndex(hit);
    ui->lstConsole->scrollTo(hit, QAbstractItemView::PositionAtCenter);
}

void ConsoleTab::on_cheTimeStamps_toggled(bool on)
{
    lines->setStamped(on);
}

void ConsoleTab::on_btnSave_clicked()
{
    lines->publish();
    FileExport::save(
        prompter, tr("Save console"), QStringLiteral("console.txt"),
        tr("Text files (*.txt);;All files (*)"), QIODevice::Text,
        [this](QIODevice *file) { return lines->history().write(file, lines->isStamped()); });
}

void ConsoleTab::on_btnClear_clicked()
{
    lines->clear();
    ui->lblFindResult->clear();
}
