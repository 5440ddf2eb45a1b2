#include "fletcher16.h"
#include "hextestfiles.h"
#include "rompacket.h"
#include "rompacketreceiver.h"

#include <QtTest>

using HexTestFiles::noise;
using Step = RomPacketReceiver::Step;

class TestRomPacketReceiver : public QObject
{
    Q_OBJECT
private slots:
    void fileInTwoPacketsArrives();
    void faultyPacket_data();
    void faultyPacket();
    void emptyFile();
    void request_data();
    void request();
};

void TestRomPacketReceiver::fileInTwoPacketsArrives()
{
    const QByteArray file = noise(241);
    const QByteArray packets =
        RomPacket::frame(file.left(240), 0) + RomPacket::frame(file.mid(240), 1);
    for (int chunk : {int(packets.size()), 1}) { // both packets in one read, one byte a read
        RomPacketReceiver receiver({0x32E3A0, 241, Fletcher16::of(file)});
        QCOMPARE(receiver.start(), Step::NeedMore);
        QByteArray stream;
        QList<Step> steps;
        for (int at = 0; at < packets.size(); at += chunk) {
            stream += packets.mid(at, chunk);
            for (Step step; (step = receiver.take(stream)) != Step::NeedMore;) {
                steps << step;
                if (step != Step::PacketAccepted)
                    break;
            }
        }
        QCOMPARE(steps, (QList<Step>{Step::PacketAccepted, Step::FileComplete}));
        QCOMPARE(receiver.data(), file);
        QCOMPARE(receiver.packets(), 2u);
        QVERIFY(stream.isEmpty());
    }
}

void TestRomPacketReceiver::faultyPacket_data()
{
    QTest::addColumn<QByteArray>("packet");
    const QByteArray data = noise(20);
    const QByteArray good = RomPacket::frame(data, 0);
    auto changed = [&good](int index, char value) {
        QByteArray copy = good;
        copy[index] = value;
        return copy;
    };
    const int sum1 = good.size() - 2;
    const int sum2 = good.size() - 1;
    QTest::newRow("length byte below framing") << changed(0, 7) + QByteArray(300, '\0');
    QTest::newRow("length byte above 247") << changed(0, char(248)) + QByteArray(300, '\0');
    QTest::newRow("sequence 1 instead of 0") << RomPacket::frame(data, 1);
    QTest::newRow("sequence in the high byte") << RomPacket::frame(data, 0x01000000);
    QTest::newRow("data byte changed") << changed(7, 'x');
    QTest::newRow("sum1 wrong") << changed(sum1, char(good.at(sum1) + 1));
    QTest::newRow("sum2 wrong") << changed(sum2, char(good.at(sum2) + 1));
    QTest::newRow("more data than announced") << RomPacket::frame(noise(21), 0);
    QTest::newRow("file checksum differs") << RomPacket::frame(noise(19) + 'q', 0);
}

void TestRomPacketReceiver::faultyPacket()
{
    QFETCH(QByteArray, packet);
    const QByteArray file = noise(20);
    RomPacketReceiver receiver({0x1000, 20, Fletcher16::of(file)});
    QCOMPARE(receiver.take(packet), Step::Failed);
    QVERIFY(!receiver.error().isEmpty());
    QByteArray good = RomPacket::frame(file, 0);
    QCOMPARE(receiver.take(good), Step::Failed); // a failed transfer stays failed
}

void TestRomPacketReceiver::emptyFile()
{
    QCOMPARE(RomPacketReceiver({0x5F157E, 0, 0}).start(), Step::FileComplete);
    QCOMPARE(RomPacketReceiver({0x5F157E, 0, 5}).start(), Step::Failed); // sum of nothing is 0
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
    if (valid) {
        QCOMPARE(
            QStringLiteral("%1:%2:%3").arg(parsed.address).arg(parsed.size).arg(parsed.checksum),
            arguments);
    }
}

QTEST_APPLESS_MAIN(TestRomPacketReceiver)
#include "tst_rompacketreceiver.moc"
