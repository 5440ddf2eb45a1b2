#include "fletcher16.h"
#include "rompacketreceiver.h"
#include "romtestpacket.h"

#include <QtTest>

using Step = RomPacketReceiver::Step;
Q_DECLARE_METATYPE(RomPacketReceiver::Step)

static QByteArray fileOf(int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(char(i * 7 + 3));
    return bytes;
}

class TestRomPacketReceiver : public QObject
{
    Q_OBJECT
private slots:
    void fileInTwoPacketsArrives();
    void packetSplitAcrossReads();
    void faultyPacket_data();
    void faultyPacket();
    void emptyFile_data();
    void emptyFile();
    void request_data();
    void request();
};

void TestRomPacketReceiver::fileInTwoPacketsArrives()
{
    const QByteArray file = fileOf(241);
    RomPacketReceiver receiver({0x32E3A0, 241, Fletcher16::of(file)});
    QCOMPARE(receiver.start(), Step::NeedMore);
    QByteArray stream = romTestPacket(file.left(240), 0) + romTestPacket(file.mid(240), 1);
    QCOMPARE(stream.size(), 247 + 8);
    QCOMPARE(receiver.take(stream), Step::PacketAccepted);
    QCOMPARE(receiver.lastPacketSize(), 240);
    QCOMPARE(receiver.take(stream), Step::FileComplete);
    QCOMPARE(receiver.data(), file);
    QCOMPARE(receiver.packets(), 2u);
    QVERIFY(stream.isEmpty());
}

void TestRomPacketReceiver::packetSplitAcrossReads()
{
    const QByteArray file = fileOf(10);
    RomPacketReceiver receiver({0, 10, Fletcher16::of(file)});
    const QByteArray packet = romTestPacket(file, 0);
    QByteArray stream;
    for (char byte : packet.left(packet.size() - 1)) {
        stream.append(byte);
        QCOMPARE(receiver.take(stream), Step::NeedMore);
    }
    stream.append(packet.back());
    QCOMPARE(receiver.take(stream), Step::FileComplete);
}

void TestRomPacketReceiver::faultyPacket_data()
{
    QTest::addColumn<QByteArray>("packet");
    const QByteArray data = fileOf(20);
    const QByteArray good = romTestPacket(data, 0);
    auto changed = [&good](int index, char value) {
        QByteArray copy = good;
        copy[index] = value;
        return copy;
    };
    QTest::newRow("length byte below framing") << changed(0, 7) + QByteArray(300, '\0');
    QTest::newRow("length byte above 247") << changed(0, char(248)) + QByteArray(300, '\0');
    QTest::newRow("sequence 1 instead of 0") << romTestPacket(data, 1);
    QTest::newRow("sequence in the high byte") << romTestPacket(data, 0x01000000);
    QTest::newRow("data byte changed") << changed(7, 'x');
    QTest::newRow("sum1 wrong") << changed(good.size() - 2, char(good.at(good.size() - 2) + 1));
    QTest::newRow("sum2 wrong") << changed(good.size() - 1, char(good.at(good.size() - 1) + 1));
    QTest::newRow("more data than announced") << romTestPacket(fileOf(21), 0);
    QTest::newRow("file checksum differs") << romTestPacket(fileOf(19) + 'q', 0);
}

void TestRomPacketReceiver::faultyPacket()
{
    QFETCH(QByteArray, packet);
    const QByteArray file = fileOf(20);
    RomPacketReceiver receiver({0x1000, 20, Fletcher16::of(file)});
    QCOMPARE(receiver.take(packet), Step::Failed);
    QVERIFY(!receiver.error().isEmpty());
    QByteArray good = romTestPacket(file, 0);
    QCOMPARE(receiver.take(good), Step::Failed); // a failed transfer stays failed
}

void TestRomPacketReceiver::emptyFile_data()
{
    QTest::addColumn<uint32_t>("checksum");
    QTest::addColumn<Step>("step");
    QTest::newRow("empty file with checksum 0 is complete") << 0u << Step::FileComplete;
    QTest::newRow("empty file with checksum 5 fails") << 5u << Step::Failed;
}

void TestRomPacketReceiver::emptyFile()
{
    QFETCH(uint32_t, checksum);
    QFETCH(Step, step);
    RomPacketReceiver receiver({0x5F157E, 0, checksum});
    QCOMPARE(receiver.start(), step);
}

void TestRomPacketReceiver::request_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<bool>("valid");
    QTest::newRow("GUI2 start button") << "6053471:241:19495" << true;
    QTest::newRow("empty file") << "0:0:0" << true;
    QTest::newRow("file up to the ROM end") << "8388600:8:1" << true;
    QTest::newRow("file past the ROM end") << "8388600:9:1" << false;
    QTest::newRow("address past the ROM end") << "8388608:0:0" << false;
    QTest::newRow("two fields") << "100:10" << false;
    QTest::newRow("letters") << "abc:10:5" << false;
    QTest::newRow("negative size") << "100:-1:5" << false;
    QTest::newRow("checksum over 16 bits") << "100:10:65536" << false;
}

void TestRomPacketReceiver::request()
{
    QFETCH(QString, arguments);
    QFETCH(bool, valid);
    RomPacketReceiver::Request parsed;
    QString error;
    QCOMPARE(RomPacketReceiver::parseRequest(arguments, &parsed, &error), valid);
    QCOMPARE(error.isEmpty(), valid);
    if (arguments.startsWith(QLatin1String("6053471"))) {
        QCOMPARE(parsed.address, 0x5C5E5Fu);
        QCOMPARE(parsed.size, 241u);
        QCOMPARE(parsed.checksum, 19495u);
    }
}

QTEST_APPLESS_MAIN(TestRomPacketReceiver)
#include "tst_rompacketreceiver.moc"
