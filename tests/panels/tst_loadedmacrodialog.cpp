#include "fakeprompter.h"
#include "loadedmacrodialog.h"
#include "mainwindow.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

namespace {

QString shownText(const QWidget &dialog)
{
    return dialog.findChild<QTextEdit *>(QStringLiteral("txtLoadedMacro"))->toPlainText();
}

} // namespace

// The dialog that shows a macro or configuration dump a board sent back, alone and as the
// main window keeps it.
class TestLoadedMacroDialog : public QObject
{
    Q_OBJECT
private slots:
    void boardTextIsNeverMarkup();
    void buttonsClose_data();
    void buttonsClose();
    void windowKeepsOneDialogAndShowsItAgain();
};

void TestLoadedMacroDialog::boardTextIsNeverMarkup()
{
    const QString dump = QStringLiteral("NAME:<b>Tube</b> & co\n  RECIPE 1:92:\"x\"");
    LoadedMacroDialog dialog(dump);
    QCOMPARE(shownText(dialog), dump);
    dialog.setMacroText(QStringLiteral("<i>second</i>"));
    QCOMPARE(shownText(dialog), QStringLiteral("<i>second</i>"));
}

void TestLoadedMacroDialog::buttonsClose_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("clipboard");
    QTest::newRow("Copy to clipboard + Close copies the edited text")
        << QString("btnPaste") << "MAC:0011\nNAME:edited";
    QTest::newRow("OK closes without touching the clipboard") << QString("btnOK") << "left alone";
}

void TestLoadedMacroDialog::buttonsClose()
{
    QFETCH(QString, button);
    QFETCH(QString, clipboard);
    QGuiApplication::clipboard()->setText(QStringLiteral("left alone"));
    LoadedMacroDialog dialog(QStringLiteral("MAC:0011\nNAME:"));
    dialog.show();
    auto *text = dialog.findChild<QTextEdit *>(QStringLiteral("txtLoadedMacro"));
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, QStringLiteral("edited"));

    dialog.findChild<QPushButton *>(button)->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
}

void TestLoadedMacroDialog::windowKeepsOneDialogAndShowsItAgain()
{
    FakePrompter prompter;
    MainWindow window(prompter);
    window.macroRecived(QStringLiteral("first"));
    window.macroRecived(QStringLiteral("second"));
    const auto dialogs = window.findChildren<LoadedMacroDialog *>();
    QCOMPARE(dialogs.size(), 1);
    LoadedMacroDialog *dialog = dialogs.first();
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(shownText(*dialog), QStringLiteral("second"));

    // Closed, the next macro shows the same dialog again.
    dialog->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
    QVERIFY(!dialog->isVisible());
    window.macroRecived(QStringLiteral("again"));
    QCOMPARE(window.findChildren<LoadedMacroDialog *>(), dialogs);
    QVERIFY(dialog->isVisible());
    QCOMPARE(shownText(*dialog), QStringLiteral("again"));
}

QTEST_MAIN(TestLoadedMacroDialog)
#include "tst_loadedmacrodialog.moc"
