#include "udppacketdecoder.h"
#include "udppacketwriter.h"

#include <QtTest>

using Kind = UdpPacket::Kind;

namespace {

const BoardIdentity kTube{BoardKind::Tube, {0x00, 0x56, 0x4F, 0x52, 0x4E, 0x01},
                          "SimTube",       "71405",
                          "190918",        0xC0A80114}; // 192.168.1.20

// A datagram as the program's receiver reads it: one line, its CR LF cut, then decoded.
UdpPacket decoded(const QByteArray &datagram)
{
    if (!datagram.endsWith("\r\n") || datagram.count('\n') != 1)
        return UdpPacket();
    return UdpPacketDecoder::decode(QString::fromLatin1(datagram.chopped(2)));
}

} // namespace

// The simulated board's packets must be what the program's decoder takes.
class TestUdpPacketWriter : public QObject
{
    Q_OBJECT
private slots:
    void countedPacketsDecodeInTurn();
    void fieldsArriveDecoded();
    void macroLinesEndWith255();
};

void TestUdpPacketWriter::countedPacketsDecodeInTurn()
{
    UdpPacketWriter writer(kTube);
    const BrewEvent brew{3, 194, QStringLiteral("2:100:98"), QStringLiteral("Espresso")};
    // The announce counter is read with at least two digits, so its 1 must come as "01".
    const QList<QPair<QByteArray, Kind>> packets{
        {writer.announce(), Kind::Announce},       {writer.telemetry({}), Kind::Telemetry},
        {writer.object(11, 1), Kind::ObjectValue}, {writer.brewStart(brew), Kind::BrewStart},
        {writer.brewEnd(brew), Kind::BrewEnd},     {writer.announce(), Kind::Announce}};
    for (int i = 0; i < packets.size(); ++i) {
        const UdpPacket packet = decoded(packets.at(i).first);
        QVERIFY2(packet.kind == packets.at(i).second, packets.at(i).first.constData());
        QCOMPARE(packet.mac, QStringLiteral("00564f524e01"));
        QCOMPARE(packet.counter, i + 1); // the receiver drops a first 0 and repeats
    }
    QCOMPARE(writer.lastCounter(), 6);
}

void TestUdpPacketWriter::fieldsArriveDecoded()
{
    UdpPacketWriter writer(kTube);
    const UdpPacket announce = decoded(writer.announce());
    QCOMPARE(announce.type, 2);
    QCOMPARE(announce.ip, QStringLiteral("192.168.1.20"));
    QCOMPARE(QStringList({announce.hw, announce.sw, announce.name}),
             QStringList({"71405", "190918", "SimTube"}));

    TubeSample s;
    s.state = 4;
    s.tempIn = 166.66666; // three decimals at most
    s.tempH1 = 91.25;
    s.currVol = 450;
    s.targVol = 12345678; // no exponent
    s.macro = 998;
    s.eta = 125;
    s.thermosId = 3;
    const QByteArray telemetry = writer.telemetry(s);
    QCOMPARE(telemetry.at(0), '\xA4');
    QCOMPARE(telemetry.count(':'), 1 + 31 + 1); // ":101", 31 numbers, ":$"
    const TBTubeLogData log = decoded(telemetry).log;
    // eta to the software id come only with all 31 numbers
    QCOMPARE(QVariantList({log.ipText(), log.state, log.tempIn, log.tempH1, log.currVol,
                           log.targVol, log.macro, log.eta, log.thermosId, log.hwId, log.swId}),
             QVariantList({"192.168.1.20", 4, 166.667f, 91.25f, 450.0f, 12345678.0f, 998, 125, 3,
                           "71405", "190918"}));

    const UdpPacket object = decoded(writer.object(323, 920));
    QCOMPARE(qMakePair(object.objectId, object.value), qMakePair(323u, 920u));

    BrewEvent event{3, 194, QStringLiteral("2:100:98"), QStringLiteral("Big \"Brew\": one")};
    const UdpPacket start = decoded(writer.brewStart(event));
    QCOMPARE(QVariantList({start.thermosId, start.time, start.recipe, start.name}),
             QVariantList({3, 194, event.recipeText, event.name}));
    event.timeValue = 50;
    QCOMPARE(decoded(writer.brewEnd(event)).time, 50);
}

void TestUdpPacketWriter::macroLinesEndWith255()
{
    UdpPacketWriter writer(kTube);
    const QList<QByteArray> packets = writer.macroLines({"MACRO 10", "SET: 92", "END"});
    QCOMPARE(packets.size(), 3);
    const QList<QPair<int, QString>> lines{{0, "MACRO 10"}, {1, "SET: 92"}, {255, "END"}};
    for (int i = 0; i < packets.size(); ++i) {
        const UdpPacket packet = decoded(packets.at(i));
        QCOMPARE(packet.kind, Kind::MacroLine);
        QCOMPARE(qMakePair(packet.lineNumber, packet.text), lines.at(i));
    }
    QCOMPARE(writer.lastCounter(), 0); // macro lines are not counted
}

QTEST_APPLESS_MAIN(TestUdpPacketWriter)
#include "tst_udppacketwriter.moc"
