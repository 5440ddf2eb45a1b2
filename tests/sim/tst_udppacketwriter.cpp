#include "udppacketwriter.h"

#include <QtTest>

namespace {

// The receiver's grammar: NUM has at most three decimals, NUM2 at least two digits.
const QString kNum = QStringLiteral(":([+-]?\\d+[.]?\\d{0,3})");
const QString kNum2 = QStringLiteral(":([+-]?\\d+[.]?\\d+)");
const QString kText = QStringLiteral(":\"(.+)\"");

BoardIdentity tube()
{
    BoardIdentity identity;
    identity.mac = {0x00, 0x56, 0x4F, 0x52, 0x4E, 0x01};
    identity.name = QStringLiteral("SimTube");
    identity.hw = QStringLiteral("71405");
    identity.sw = QStringLiteral("190918");
    identity.ipv4 = 0xC0A80114; // 192.168.1.20
    return identity;
}

// The line a datagram carries, with its CR LF checked and removed.
QString lineOf(const QByteArray &datagram)
{
    if (!datagram.endsWith("\r\n"))
        return QStringLiteral("<no CR LF>");
    return QString::fromLatin1(datagram.left(datagram.size() - 2));
}

QStringList fields(const QString &line, const QString &pattern)
{
    const QRegularExpression re(QLatin1Char('^') + pattern + QLatin1Char('$'));
    const QRegularExpressionMatch match = re.match(line);
    return match.hasMatch() ? match.capturedTexts().mid(1) : QStringList();
}

} // namespace

class TestUdpPacketWriter : public QObject
{
    Q_OBJECT
private slots:
    void announceParses();
    void telemetryCarries31Numbers();
    void objectPacket();
    void brewStartAndEnd();
    void macroLinesEndWith255();
    void everyCountedPacketTakesTheNextNumber();
    void number_data();
    void number();
};

void TestUdpPacketWriter::announceParses()
{
    UdpPacketWriter writer(tube());
    const QStringList f = fields(lineOf(writer.announce()),
                                 QStringLiteral("@") + kNum.repeated(12) + kText + kNum2 + ":\\$");
    QCOMPARE(f, (QStringList{"2", "0", "86", "79", "82", "19969", "20", "1", "168", "192", "71405",
                             "190918", "SimTube", "01"}));
}

void TestUdpPacketWriter::telemetryCarries31Numbers()
{
    UdpPacketWriter writer(tube());
    TubeSample s;
    s.state = 4;
    s.tempH1 = 91.25;
    s.currVol = 450;
    s.macro = 998;
    s.eta = 125;
    s.thermosId = 3;
    const QByteArray datagram = writer.telemetry(s);
    QCOMPARE(datagram.at(0), '\xA4');
    const QString line = lineOf(datagram);
    QVERIFY(
        QRegularExpression(QStringLiteral("^.:101(%1)+:\\$$").arg(kNum)).match(line).hasMatch());
    // Element 0 is the receiver's implied "0"; element 1 the first number after ":101".
    const QStringList e = (QStringLiteral("0") + line.mid(5, line.size() - 7)).split(':');
    QCOMPARE(e.size(), 32);
    QCOMPARE(e.mid(0, 5), (QStringList{"0", "86", "79", "82", "19969"}));
    QCOMPARE(e.mid(5, 4), (QStringList{"20", "1", "168", "192"}));
    QCOMPARE(e.at(9), QStringLiteral("4"));
    QCOMPARE(e.at(11), QStringLiteral("91.25"));
    QCOMPARE(e.at(14), QStringLiteral("450"));
    QCOMPARE(e.at(20), QStringLiteral("998"));
    QCOMPARE(e.at(26), QStringLiteral("125"));
    QCOMPARE(e.at(27), QStringLiteral("3"));
    QCOMPARE(e.at(29), QStringLiteral("71405"));
    QCOMPARE(e.at(30), QStringLiteral("190918"));
    QCOMPARE(e.at(31), QStringLiteral("1"));
}

void TestUdpPacketWriter::objectPacket()
{
    UdpPacketWriter writer(tube());
    const QByteArray datagram = writer.object(323, 920);
    QCOMPARE(datagram.at(0), '\xA4');
    const QStringList f = fields(lineOf(datagram).mid(1), ":100" + kNum.repeated(10) + ":\\$");
    QCOMPARE(f, (QStringList{"0", "86", "79", "82", "78", "1", "323", "920", "0", "1"}));
}

void TestUdpPacketWriter::brewStartAndEnd()
{
    UdpPacketWriter writer(tube());
    BrewEvent event{3, 194, QStringLiteral("2:100:98"), QStringLiteral("Big \"Brew\": one")};
    const QString layout = kNum.repeated(7) + kText + kText + kNum + ":\\$";
    QCOMPARE(fields(lineOf(writer.brewStart(event)), "\\+" + layout),
             (QStringList{"0", "86", "79", "82", "19969", "3", "194", "2:100:98",
                          "Big \"Brew\": one", "1"}));
    event.timeValue = 50;
    QCOMPARE(fields(lineOf(writer.brewEnd(event)), "-" + layout).at(6), QStringLiteral("50"));
}

void TestUdpPacketWriter::macroLinesEndWith255()
{
    UdpPacketWriter writer(tube());
    const QList<QByteArray> packets = writer.macroLines({"MACRO 10", "SET: 92", "END"});
    QCOMPARE(packets.size(), 3);
    const QString pattern = QStringLiteral(".*!") + kNum + ":(.*)" + kNum + ":\\$";
    QCOMPARE(fields(lineOf(packets.at(0)), pattern).mid(0, 2), (QStringList{"0", "MACRO 10"}));
    QCOMPARE(fields(lineOf(packets.at(1)), pattern).mid(0, 2), (QStringList{"1", "SET: 92"}));
    QCOMPARE(fields(lineOf(packets.at(2)), pattern).mid(0, 2), (QStringList{"255", "END"}));
    QCOMPARE(writer.lastCounter(), 0); // macro lines are not counted
}

void TestUdpPacketWriter::everyCountedPacketTakesTheNextNumber()
{
    UdpPacketWriter writer(tube());
    writer.announce();
    writer.telemetry(TubeSample());
    writer.object(11, 1);
    writer.brewStart(BrewEvent());
    writer.brewEnd(BrewEvent());
    QCOMPARE(writer.lastCounter(), 5);
    QVERIFY(lineOf(writer.announce()).endsWith(QLatin1String(":06:$")));
}

void TestUdpPacketWriter::number_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole number without decimals") << 20.0 << "20";
    QTest::newRow("rounded to three decimals") << 166.66666 << "166.667";
    QTest::newRow("tiny negative becomes 0") << -0.0001 << "0";
    QTest::newRow("large value without exponent") << 12345678.0 << "12345678";
}

void TestUdpPacketWriter::number()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(UdpPacketWriter::number(value), text);
}

QTEST_APPLESS_MAIN(TestUdpPacketWriter)
#include "tst_udppacketwriter.moc"
