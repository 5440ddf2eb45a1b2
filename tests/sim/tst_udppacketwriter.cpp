#include "udplines.h"
#include "udppacketwriter.h"

#include <QtTest>

// The simulated board's datagrams, byte for byte: each is one line of the shared table (whose
// decoding the decoder test checks) with CR LF, so the board says what it means.
class TestUdpPacketWriter : public QObject
{
    Q_OBJECT
private slots:
    void datagramsAreTheTablesLines()
    {
        UdpPacketWriter writer({BoardKind::Tube,
                                {0x00, 0x56, 0x4F, 0x52, 0x4E, 0x01},
                                "SimTube",
                                "71405",
                                "190918",
                                0xC0A80114});
        TubeSample s;
        s.state = 4;
        s.tempIn = 166.66666;
        s.tempH1 = 91.25;
        s.currVol = 450;
        s.targVol = 12345678;
        s.macro = 998;
        s.eta = 125;
        s.thermosId = 3;
        BrewEvent brew{3, 194, "2:100:98", "Big \"Brew\": one"};
        QList<QByteArray> datagrams{writer.announce(), writer.telemetry(s)};
        datagrams << writer.object(323, 920) << writer.brewStart(brew);
        brew.timeValue = 50;
        datagrams << writer.brewEnd(brew) << writer.macroLines({"MACRO 10", "SET: 92", "END"});
        QCOMPARE(writer.lastCounter(), 5); // macro lines are not counted
        QCOMPARE(datagrams.size(), UdpLines::simulatedTube().size());
        for (int i = 0; i < datagrams.size(); ++i)
            QCOMPARE(datagrams.at(i), UdpLines::simulatedTube().at(i).text.toLatin1() + "\r\n");
    }
};

QTEST_APPLESS_MAIN(TestUdpPacketWriter)
#include "tst_udppacketwriter.moc"
