#include "connectiontext.h"
#include "romareas.h"
#include "rompacket.h"

#include <QtTest>

// Wire bytes of the ROM write, the addresses and files of the ROM areas, and the connection
// text a ROM write is given.
class TestRomPacket : public QObject
{
    Q_OBJECT

private slots:
    void frameBytes_data();
    void frameBytes();
    void frameKnownVector();
    void putBinaryCommand_data();
    void putBinaryCommand();
    void areaAddress_data();
    void areaAddress();
    void areaFilePath_data();
    void areaFilePath();
    void connectionText_data();
    void connectionText();
};

void TestRomPacket::frameBytes_data()
{
    QTest::addColumn<int>("dataSize");
    QTest::addColumn<quint32>("sequence");
    QTest::newRow("full packet of 240 data bytes") << 240 << 0u;
    QTest::newRow("single data byte of the last packet") << 1 << 1u;
    QTest::newRow("sequence past one byte is big-endian") << 17 << 0x01020304u;
    QTest::newRow("bytes 0xff in the data reduce the sums modulo 255") << 200 << 7u;
}

void TestRomPacket::frameBytes()
{
    QFETCH(int, dataSize);
    QFETCH(quint32, sequence);
    QByteArray data;
    for (int i = 0; i < dataSize; ++i)
        data.append(static_cast<char>(i % 3 == 0 ? 0xff : i * 7));

    const QByteArray packet = RomPacket::frame(data, sequence);
    QByteArray head(1, char(dataSize + 7));
    for (int shift = 24; shift >= 0; shift -= 8)
        head.append(char(sequence >> shift));
    QCOMPARE(packet.left(5 + dataSize), head + data);
    // Fletcher sums over everything before them, worked out here with a loop of its own.
    int sum1 = 0;
    int sum2 = 0;
    for (char c : head + data) {
        sum1 = (sum1 + quint8(c)) % 255;
        sum2 = (sum2 + sum1) % 255;
    }
    QCOMPARE(packet.mid(5 + dataSize), QByteArray() + char(sum1) + char(sum2));
}

void TestRomPacket::frameKnownVector()
{
    // Length 10, sequence 0, "abc", then sum1 49 and sum2 156 worked out by hand.
    QCOMPARE(RomPacket::frame("abc", 0), QByteArray("\x0a\0\0\0\0abc\x31\x9c", 10));
}

void TestRomPacket::putBinaryCommand_data()
{
    QTest::addColumn<quint32>("address");
    QTest::addColumn<quint32>("size");
    QTest::addColumn<quint32>("checksum");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("BTN_START of GUI2, decimal fields")
        << 6053471u << 241u << 0x1234u << QByteArray("put_binary 6053471:241:4660\r\n");
    QTest::newRow("empty file") << 0u << 0u << 0u << QByteArray("put_binary 0:0:0\r\n");
    QTest::newRow("largest values stay unsigned")
        << 0xffffffffu << 0xffffffffu << 0xffffu
        << QByteArray("put_binary 4294967295:4294967295:65535\r\n");
}

void TestRomPacket::putBinaryCommand()
{
    QFETCH(quint32, address);
    QFETCH(quint32, size);
    QFETCH(quint32, checksum);
    QFETCH(QByteArray, expected);
    QCOMPARE(RomPacket::putBinaryCommand(address, size, checksum), expected);
}

void TestRomPacket::areaAddress_data()
{
    QTest::addColumn<QString>("area");
    QTest::addColumn<quint32>("shift");
    QTest::addColumn<quint32>("address");
    const quint32 gui2 = RomAreas::kGuiShift;
    QTest::newRow("BTN_START in GUI 1") << "GUI1_ADDR_BTN_START" << 0u << 0x32E3A0u;
    QTest::newRow("BTN_START in GUI2 is 6053471") << "GUI1_ADDR_BTN_START" << gui2 << 6053471u;
    QTest::newRow("first screen saver starts the GUI 2 image")
        << "GUI1_ADDR_SCN_SCREENSAVER1" << gui2 << 0x357ABFu;
    QTest::newRow("fixed area ignores the GUI shift") << "ADDR_DB_TUBE1" << gui2 << 0x5F157Eu;
    QTest::newRow("full config at zero") << "FullConfig" << gui2 << 0u;
}

void TestRomPacket::areaAddress()
{
    QFETCH(QString, area);
    QFETCH(quint32, shift);
    QFETCH(quint32, address);
    const RomArea *found = RomAreas::find(area);
    QVERIFY(found);
    QCOMPARE(RomAreas::addressOf(*found, shift), address);
}

void TestRomPacket::areaFilePath_data()
{
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("path");
    QTest::newRow("default folder, backslash path of a GUI file")
        << "GUI1_ADDR_BTN_START"
        << ".//rom//" << QStringLiteral("rom/gui/btn_start.bin");
    QTest::newRow("chosen folder without a trailing separator")
        << "ADDR_DB_TUBE1"
        << "/data/rom" << QStringLiteral("/data/rom/db_tube1.bin");
    QTest::newRow("empty folder means the working folder") << "FullConfig"
                                                           << "" << QStringLiteral("full_rom.bin");
}

void TestRomPacket::areaFilePath()
{
    QFETCH(QString, area);
    QFETCH(QString, folder);
    QFETCH(QString, path);
    QCOMPARE(RomAreas::filePath(folder, RomAreas::find(area)->file), path);
}

void TestRomPacket::connectionText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("host");
    QTest::newRow("host and port") << "192.168.1.20:23" << 23 << true << "192.168.1.20";
    QTest::newRow("name without port refused") << "localhost" << 0 << false << "localhost";
    QTest::newRow("empty port refused") << "board:" << 0 << false << "board";
    QTest::newRow("port not a number refused") << "board:telnet" << 0 << false << "board";
    QTest::newRow("port out of range refused") << "board:70000" << 70000 << false << "board";
    QTest::newRow("bracketed IPv6 address") << "[::1]:7123" << 7123 << true << "::1";
}

void TestRomPacket::connectionText()
{
    QFETCH(QString, text);
    QFETCH(int, port);
    QFETCH(bool, valid);
    QFETCH(QString, host);
    const ConnectionText parsed = ConnectionText::parse(text);
    QCOMPARE(parsed.host, host);
    QCOMPARE(parsed.port, port);
    QCOMPARE(parsed.isValid(), valid);
}

QTEST_APPLESS_MAIN(TestRomPacket)
#include "tst_rompacket.moc"
