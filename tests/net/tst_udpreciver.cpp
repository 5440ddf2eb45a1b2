#include "udpreciver.h"

#include <QUdpSocket>
#include <QtTest>

// Datagrams from a loopback sender cut into lines: splits, CR, NUL, Latin-1, overlong lines.
class TestUDPReciver : public QObject
{
    Q_OBJECT

private slots:
    void statusBeforeFirstDatagram();
    void lines_data();
    void lines();
};

void TestUDPReciver::statusBeforeFirstDatagram()
{
    UDPReciver receiver(nullptr, 0);
    QVERIFY(receiver.localPort() != 0);
    QCOMPARE(receiver.property("status").toString(), QStringLiteral("--"));
}

void TestUDPReciver::lines_data()
{
    QTest::addColumn<QList<QByteArray>>("datagrams");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("status");

    const QByteArray tele = "\xA4:101:4:163:18:13330:$\r\n";
    const QByteArray half(UDPReciver::kMaxLineBuffer / 2 + 1, 'x');

    QTest::newRow("two lines in one datagram")
        << QList<QByteArray>{"A:1\r\nB:2\r\n"} << QStringList{"A:1", "B:2"} << "A:1\r\nB:2\r\n";
    QTest::newRow("line split over two datagrams")
        << QList<QByteArray>{"A:1", ":2\r\n"} << QStringList{"A:1:2"} << ":2\r\n";
    QTest::newRow("CR removed everywhere")
        << QList<QByteArray>{"X\r\rY\n"} << QStringList{"XY"} << "X\r\rY\n";
    QTest::newRow("leading A4 byte is the currency sign, no extra line")
        << QList<QByteArray>{tele} << QStringList{QString::fromLatin1(tele).trimmed()}
        << QString::fromLatin1(tele);
    QTest::newRow("NUL ends the datagram's text")
        << QList<QByteArray>{QByteArray("AB\0CD\n", 6)} << QStringList{} << "AB";
    QTest::newRow("text before NUL waits for the next LF")
        << QList<QByteArray>{QByteArray("AB\0CD\n", 6), "\n"} << QStringList{"AB"} << "\n";
    QTest::newRow("empty line emitted") << QList<QByteArray>{"\r\n"} << QStringList{""} << "\r\n";
    QTest::newRow("Latin-1 bytes one character each")
        << QList<QByteArray>{"\xE9t\xE9\n"} << QStringList{"\u00e9t\u00e9"} << "\u00e9t\u00e9\n";
    QTest::newRow("overlong line dropped up to its LF")
        << QList<QByteArray>{half, half, "tail\nnext\n"} << QStringList{"next"} << "tail\nnext\n";
    QTest::newRow("line just under the limit kept")
        << QList<QByteArray>{half.left(UDPReciver::kMaxLineBuffer / 2 - 1),
                             half.left(UDPReciver::kMaxLineBuffer / 2), "\n"}
        << QStringList{QString(UDPReciver::kMaxLineBuffer - 1, QLatin1Char('x'))} << "\n";
}

void TestUDPReciver::lines()
{
    QFETCH(QList<QByteArray>, datagrams);
    QFETCH(QStringList, expected);
    QFETCH(QString, status);

    UDPReciver receiver(nullptr, 0);
    QSignalSpy statusSpy(&receiver, &UDPReciver::statusChanged);
    QStringList got;
    connect(&receiver, &UDPReciver::gotData, this, [&got](QString line) { got << line; });
    QUdpSocket sender;
    for (const QByteArray &datagram : qAsConst(datagrams))
        QCOMPARE(sender.writeDatagram(datagram, QHostAddress::LocalHost, receiver.localPort()),
                 qint64(datagram.size()));
    while (statusSpy.count() < datagrams.size())
        QVERIFY(statusSpy.wait(2000));
    QCOMPARE(statusSpy.count(), datagrams.size());
    QCOMPARE(got, expected);
    QCOMPARE(receiver.statusText(), status);
}

QTEST_GUILESS_MAIN(TestUDPReciver)
#include "tst_udpreciver.moc"
