#include "hotkeyfile.h"

#include <QtTest>

// The hotkey file's lines: what is read as a definition, and that every line written reads back.
class TestHotkeyFile : public QObject
{
    Q_OBJECT
private slots:
    void parsing_data();
    void parsing();
    void writtenLinesReadBack_data();
    void writtenLinesReadBack();
    void fileOfUnsetHotkeys();
};

void TestHotkeyFile::parsing_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("number"); // 0: no definition
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("command");
    QTest::newRow("hotkey 13") << "#hotkey13|Stop|stop" << 13 << "Stop"
                               << "stop";
    QTest::newRow("fields trimmed, line end dropped") << "#hotkey3| Beep | do_beep 1;stop \r\n"
                                                      << 3 << "Beep"
                                                      << "do_beep 1;stop";
    QTest::newRow("empty fields kept") << "#hotkey1||" << 1 << ""
                                       << "";
    QTest::newRow("number 14 ignored") << "#hotkey14|a|b" << 0 << ""
                                       << "";
    QTest::newRow("number 0 ignored") << "#hotkey0|a|b" << 0 << ""
                                      << "";
    QTest::newRow("no number ignored") << "#hotkeyx|a|b" << 0 << ""
                                       << "";
    QTest::newRow("four fields ignored") << "#hotkey2|a|b|c" << 0 << ""
                                         << "";
    QTest::newRow("two fields ignored") << "#hotkey2|a" << 0 << ""
                                        << "";
    QTest::newRow("prefix is case-sensitive") << "#HOTKEY2|a|b" << 0 << ""
                                              << "";
    QTest::newRow("leading blank is no definition") << " #hotkey2|a|b" << 0 << ""
                                                    << "";
}

void TestHotkeyFile::parsing()
{
    QFETCH(QString, line);
    QFETCH(int, number);
    QFETCH(QString, caption);
    QFETCH(QString, command);
    const std::optional<HotkeyFile::Definition> definition = HotkeyFile::parse(line);
    QCOMPARE(definition.has_value(), number != 0);
    if (!definition)
        return;
    QCOMPARE(definition->number, number);
    QCOMPARE(definition->hotkey.caption, caption);
    QCOMPARE(definition->hotkey.command, command);
}

void TestHotkeyFile::writtenLinesReadBack_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("line");
    QTest::newRow("plain") << "Beep"
                           << "do_beep 1;stop"
                           << "#hotkey7|Beep|do_beep 1;stop\r\n";
    QTest::newRow("caption and command trimmed") << " Hotkey 13 (F5) "
                                                 << " stop "
                                                 << "#hotkey7|Hotkey 13 (F5)|stop\r\n";
    QTest::newRow("bar in the command left out") << "A"
                                                 << "led 1|led 0"
                                                 << "#hotkey7|A|led 1led 0\r\n";
    QTest::newRow("bar in the caption left out") << "A|B"
                                                 << "x"
                                                 << "#hotkey7|AB|x\r\n";
    QTest::newRow("line ends left out") << "A"
                                        << "x\r\ny"
                                        << "#hotkey7|A|xy\r\n";
    QTest::newRow("percent signs kept") << "%1"
                                        << "%2"
                                        << "#hotkey7|%1|%2\r\n";
}

void TestHotkeyFile::writtenLinesReadBack()
{
    QFETCH(QString, caption);
    QFETCH(QString, command);
    QFETCH(QString, line);
    const QString written = HotkeyFile::line(7, {caption, command});
    QCOMPARE(written, line);
    const std::optional<HotkeyFile::Definition> read = HotkeyFile::parse(written);
    QVERIFY(read);
    QCOMPARE(read->number, 7);
    QCOMPARE(HotkeyFile::line(7, read->hotkey), written);
}

void TestHotkeyFile::fileOfUnsetHotkeys()
{
    QVector<HotkeyFile::Hotkey> hotkeys;
    for (int n = 1; n <= HotkeyFile::kCount; ++n)
        hotkeys.append({QStringLiteral("Hotkey %1").arg(n), QString()});
    const QStringList lines = HotkeyFile::build(hotkeys).split("\r\n");
    QCOMPARE(lines.size(), HotkeyFile::kCount + 1);
    QCOMPARE(lines.first(), QStringLiteral("#hotkey1|Hotkey 1|"));
    QCOMPARE(lines.at(12), QStringLiteral("#hotkey13|Hotkey 13|"));
    QCOMPARE(lines.last(), QString());
}

QTEST_APPLESS_MAIN(TestHotkeyFile)
#include "tst_hotkeyfile.moc"
