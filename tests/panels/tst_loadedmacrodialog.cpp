#include "loadedmacrodialog.h"
#include "mainwindow.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

namespace {

QTextEdit *macroText(const QWidget &dialog)
{
    return dialog.findChild<QTextEdit *>(QStringLiteral("txtLoadedMacro"));
}

QPushButton *button(const QWidget &dialog, const char *name)
{
    return dialog.findChild<QPushButton *>(QLatin1String(name));
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
    void twoMacrosInARowShareOneDialog();
    void macroWhileHiddenShowsItAgain();
};

void TestLoadedMacroDialog::boardTextIsNeverMarkup()
{
    const QString dump = QStringLiteral("NAME:<b>Tube</b> & co\n  RECIPE 1:92:\"x\"");
    LoadedMacroDialog dialog(dump);
    QCOMPARE(macroText(dialog)->toPlainText(), dump);
    dialog.setMacroText(QStringLiteral("<i>second</i>"));
    QCOMPARE(macroText(dialog)->toPlainText(), QStringLiteral("<i>second</i>"));
}

void TestLoadedMacroDialog::buttonsClose_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("clipboard");
    QTest::newRow("Copy to clipboard + Close copies the edited text") << "btnPaste"
                                                                      << "MAC:0011\nNAME:edited";
    QTest::newRow("OK closes without touching the clipboard") << "btnOK"
                                                              << "left alone";
}

void TestLoadedMacroDialog::buttonsClose()
{
    QFETCH(QString, button);
    QFETCH(QString, clipboard);
    QGuiApplication::clipboard()->setText(QStringLiteral("left alone"));
    LoadedMacroDialog dialog(QStringLiteral("MAC:0011\nNAME:"));
    dialog.show();
    QTextEdit *text = macroText(dialog);
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, QStringLiteral("edited"));

    dialog.findChild<QPushButton *>(button)->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
}

void TestLoadedMacroDialog::twoMacrosInARowShareOneDialog()
{
    MainWindow window;
    window.macroRecived(QStringLiteral("first"));
    window.macroRecived(QStringLiteral("second"));
    const auto dialogs = window.findChildren<LoadedMacroDialog *>();
    QCOMPARE(dialogs.size(), 1);
    QVERIFY(dialogs.first()->isVisible());
    QVERIFY(!dialogs.first()->isModal());
    QCOMPARE(macroText(*dialogs.first())->toPlainText(), QStringLiteral("second"));
}

void TestLoadedMacroDialog::macroWhileHiddenShowsItAgain()
{
    MainWindow window;
    window.macroRecived(QStringLiteral("first"));
    auto *dialog = window.findChild<LoadedMacroDialog *>();
    QVERIFY(dialog);
    button(*dialog, "btnOK")->click();
    QVERIFY(!dialog->isVisible());

    window.macroRecived(QStringLiteral("again"));
    QCOMPARE(window.findChild<LoadedMacroDialog *>(), dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(macroText(*dialog)->toPlainText(), QStringLiteral("again"));
}

QTEST_MAIN(TestLoadedMacroDialog)
#include "tst_loadedmacrodialog.moc"
