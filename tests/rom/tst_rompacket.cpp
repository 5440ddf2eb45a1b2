#include "connectiontext.h"
#include "romareas.h"
#include "rompacket.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QtTest>

// Wire bytes of the ROM write, the ROM area map and the names given to area files.
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
    void areaTable();
    void areaFilePath_data();
    void areaFilePath();
    void defaultFolderFindsAreaFile();
    void tubeFirmwarePath();
    void connectionText_data();
    void connectionText();
};

// Checked here with a loop of its own rather than the library's Fletcher16.
static QPair<quint8, quint8> fletcher(const QByteArray &bytes)
{
    int sum1 = 0;
    int sum2 = 0;
    for (char c : bytes) {
        sum1 = (sum1 + static_cast<quint8>(c)) % 255;
        sum2 = (sum2 + sum1) % 255;
    }
    return {static_cast<quint8>(sum1), static_cast<quint8>(sum2)};
}

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

    QCOMPARE(packet.size(), dataSize + 7);
    QCOMPARE(static_cast<quint8>(packet.at(0)), static_cast<quint8>(dataSize + 7));
    QCOMPARE(static_cast<quint8>(packet.at(1)), static_cast<quint8>(sequence >> 24));
    QCOMPARE(static_cast<quint8>(packet.at(2)), static_cast<quint8>(sequence >> 16));
    QCOMPARE(static_cast<quint8>(packet.at(3)), static_cast<quint8>(sequence >> 8));
    QCOMPARE(static_cast<quint8>(packet.at(4)), static_cast<quint8>(sequence));
    QCOMPARE(packet.mid(5, dataSize), data);
    const auto sums = fletcher(packet.left(5 + dataSize));
    QCOMPARE(static_cast<quint8>(packet.at(5 + dataSize)), sums.first);
    QCOMPARE(static_cast<quint8>(packet.at(6 + dataSize)), sums.second);
}

void TestRomPacket::frameKnownVector()
{
    // Length 10, sequence 0, "abc", then sum1 49 and sum2 156 worked out by hand.
    QCOMPARE(RomPacket::frame("abc", 0), QByteArray("\x0a\x00\x00\x00\x00"
                                                    "abc\x31\x9c",
                                                    10));
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
    QTest::newRow("BTN_START in GUI 1") << "GUI1_ADDR_BTN_START" << 0u << 0x32E3A0u;
    QTest::newRow("BTN_START in GUI2 is 6053471")
        << "GUI1_ADDR_BTN_START" << RomAreas::kGuiShift << 6053471u;
    QTest::newRow("first screen saver in GUI2 starts the GUI 2 image")
        << "GUI1_ADDR_SCN_SCREENSAVER1" << RomAreas::kGuiShift << 0x357ABFu;
    QTest::newRow("fixed area ignores the GUI shift")
        << "ADDR_DB_TUBE1" << RomAreas::kGuiShift << 0x5F157Eu;
    QTest::newRow("full config at zero") << "FullConfig" << RomAreas::kGuiShift << 0u;
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

void TestRomPacket::areaTable()
{
    int gui = 0;
    QSet<QString> names;
    for (const RomArea &area : RomAreas::all()) {
        gui += area.gui ? 1 : 0;
        names.insert(QString::fromLatin1(area.name));
        QVERIFY2(QByteArray(area.file).startsWith('\\'), area.name);
    }
    QCOMPARE(gui, 37);
    QCOMPARE(RomAreas::all().size() - gui, 18);
    QCOMPARE(names.size(), RomAreas::all().size());
    QVERIFY(!RomAreas::find(QStringLiteral("NO_SUCH_AREA")));
}

void TestRomPacket::areaFilePath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("path");
    QTest::newRow("default folder and a GUI file") << ".//rom//"
                                                   << "GUI1_ADDR_BTN_START"
                                                   << "rom/gui/btn_start.bin";
    QTest::newRow("chosen folder without a trailing separator") << "/data/rom"
                                                                << "ADDR_DB_TUBE1"
                                                                << "/data/rom/db_tube1.bin";
    QTest::newRow("empty folder means the working folder") << ""
                                                           << "FullConfig"
                                                           << "full_rom.bin";
}

void TestRomPacket::areaFilePath()
{
    QFETCH(QString, folder);
    QFETCH(QString, area);
    QFETCH(QString, path);
    QCOMPARE(RomAreas::filePath(folder, RomAreas::find(area)->file), path);
}

void TestRomPacket::defaultFolderFindsAreaFile()
{
    QVERIFY(QDir().mkpath(QStringLiteral("rom/gui")));
    QFile file(QStringLiteral("rom/gui/btn_start.bin"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QFile::exists(RomAreas::filePath(
        QStringLiteral(".//rom//"), RomAreas::find(QStringLiteral("GUI1_ADDR_BTN_START"))->file)));
}

void TestRomPacket::tubeFirmwarePath()
{
#ifdef Q_OS_WIN
    QCOMPARE(RomAreas::tubeFirmwarePath(), QStringLiteral("c:/fw/latest_tube.bin"));
#else
    QCOMPARE(RomAreas::tubeFirmwarePath(), QDir::homePath() + "/fw/latest_tube.bin");
#endif
}

void TestRomPacket::connectionText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("valid");
    QTest::newRow("host and port") << "192.168.1.20:23"
                                   << "192.168.1.20" << 23 << true;
    QTest::newRow("name without port refused") << "localhost"
                                               << "localhost" << 0 << false;
    QTest::newRow("empty port refused") << "board:"
                                        << "board" << 0 << false;
    QTest::newRow("port not a number refused") << "board:telnet"
                                               << "board" << 0 << false;
    QTest::newRow("port out of range refused") << "board:70000"
                                               << "board" << 70000 << false;
    QTest::newRow("bracketed IPv6 address") << "[::1]:7123"
                                            << "::1" << 7123 << true;
}

void TestRomPacket::connectionText()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(bool, valid);
    const ConnectionText parsed = ConnectionText::parse(text);
    QCOMPARE(parsed.host, host);
    QCOMPARE(parsed.port, port);
    QCOMPARE(parsed.isValid(), valid);
}

QTEST_APPLESS_MAIN(TestRomPacket)
#include "tst_rompacket.moc"
