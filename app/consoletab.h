#pragma once

#include <QWidget>
#include <memory>

class ConsoleChannel;
class ConsoleHistoryModel;
class Prompter;

namespace Ui {
class ConsoleTab;
}

// The "Console" tab: every line sent to the board ("> " before it) and every line it sent,
// with time stamps that can be switched off. It follows the newest line unless the user
// scrolled up, finds text (Ctrl+F), saves what it shows and can be cleared.
class ConsoleTab : public QWidget
{
    Q_OBJECT
public:
    ConsoleTab(ConsoleChannel &console, Prompter &prompter, QWidget *parent = nullptr);
    ~ConsoleTab() override;

private slots:
    void on_cheTimeStamps_toggled(bool on);
    void on_txtFind_returnPressed() { findNext(); }
    void on_btnFindNext_clicked() { findNext(); }
    void on_btnSave_clicked();
    void on_btnClear_clicked();

private:
    bool showsNewest() const;
    void keepPlace(int droppedRows);
    void findNext();

    std::unique_ptr<Ui::ConsoleTab> ui;
    Prompter &prompter;
    ConsoleHistoryModel *lines = nullptr;
    bool following = true; // the view showed the newest line when the last batch came
};
