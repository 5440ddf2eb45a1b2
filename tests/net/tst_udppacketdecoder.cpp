#include "udplines.h"
#include "udppacketdecoder.h"

#include <QtTest>

// The line grammar: every line of the shared table decodes to what the table says.
class TestUdpPacketDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        for (const UdpLines::Row &row : UdpLines::table())
            QTest::newRow(row.name) << row.text << row.decoded;
    }

    void decode()
    {
        QFETCH(QString, line);
        QFETCH(QString, expected);
        QCOMPARE(UdpLines::decoded(line), expected);
    }

    // Each field's place in the record is held by the monitor's JSON of a telemetry line;
    // here the number forms a float field takes.
    void telemetryFloatForms()
    {
        const auto tempIn = [](const QString &number) {
            return UdpPacketDecoder::decode(UdpLines::telemetry(10, number)).log.tempIn;
        };
        QCOMPARE(tempIn("-0.5"), -0.5f);
        QCOMPARE(tempIn("+7."), 7.0f);
        QCOMPARE(tempIn('1' + QString(40, '0')), 0.0f); // beyond float
        QCOMPARE(tempIn("1234567890123456789.125"), 1234567890123456789.125f);
    }
};

QTEST_APPLESS_MAIN(TestUdpPacketDecoder)
#include "tst_udppacketdecoder.moc"
