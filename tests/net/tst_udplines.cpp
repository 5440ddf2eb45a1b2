#include "udplines.h"
#include "udppacketdecoder.h"
#include "udpreciver.h"

#include <QUdpSocket>
#include <QtTest>

namespace {
int warnings = 0;
void countWarnings(QtMsgType type, const QMessageLogContext &, const QString &)
{
    warnings += type == QtWarningMsg;
}
} // namespace

// The boards' UDP lines: datagrams from a loopback sender cut into lines (splits, CR, NUL,
// Latin-1, overlong lines), then the line grammar, by the shared table of lines.
class TestUdpLines : public QObject
{
    Q_OBJECT

private slots:
    void cutIntoLines_data()
    {
        QTest::addColumn<QList<QByteArray>>("datagrams");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("status");
        const auto row = [](const char *name, const QList<QByteArray> &datagrams,
                            const QStringList &lines, const QString &status) {
            QTest::newRow(name) << datagrams << lines << status;
        };
        const QByteArray tele = "\xA4:101:4:163:18:13330:$\r\n";
        const QByteArray half(UDPReciver::kMaxLineBuffer / 2, 'x');
        row("two lines in one datagram", {"A:1\r\nB:2\r\n"}, {"A:1", "B:2"}, "A:1\r\nB:2\r\n");
        row("line split over two datagrams", {"A:1", ":2\r\n"}, {"A:1:2"}, ":2\r\n");
        row("CR removed everywhere", {"X\r\rY\n"}, {"XY"}, "X\r\rY\n");
        row("leading A4 byte is the currency sign, no extra line", {tele},
            {QString::fromLatin1(tele).trimmed()}, QString::fromLatin1(tele));
        row("NUL ends the text, which waits for a LF", {QByteArray("AB\0CD\n", 6), "\n"}, {"AB"},
            "\n");
        row("empty line emitted", {"\r\n"}, {""}, "\r\n");
        row("Latin-1 bytes one character each", {"\xE9t\xE9\n"}, {"\u00e9t\u00e9"},
            "\u00e9t\u00e9\n");
        row("overlong line dropped up to its LF", {half, half + 'x', "tail\nnext\n"}, {"next"},
            "tail\nnext\n");
        row("line of the limit kept", {half, half, "\n"},
            {QString(UDPReciver::kMaxLineBuffer, 'x')}, "\n");
    }

    void cutIntoLines()
    {
        QFETCH(QList<QByteArray>, datagrams);
        QFETCH(QStringList, expected);
        QFETCH(QString, status);
        UDPReciver receiver(nullptr, 0);
        QCOMPARE(receiver.property("status").toString(), QStringLiteral("--")); // nothing yet
        QSignalSpy statusSpy(&receiver, &UDPReciver::statusChanged);
        QStringList got;
        connect(&receiver, &UDPReciver::gotData, this, [&got](QString line) { got << line; });
        QUdpSocket sender;
        for (const QByteArray &datagram : qAsConst(datagrams))
            sender.writeDatagram(datagram, QHostAddress::LocalHost, receiver.localPort());
        while (statusSpy.count() < datagrams.size())
            QVERIFY(statusSpy.wait(2000));
        QCOMPARE(got, expected);
        QCOMPARE(receiver.statusText(), status);
    }

    // With the port taken, it says so once, not at every poll, and tells why in words.
    void takenPortToldOnce()
    {
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::Any, 7112, QUdpSocket::DontShareAddress));
        const QtMessageHandler previous = qInstallMessageHandler(countWarnings);
        UDPReciver receiver(nullptr, 7112);
        receiver.processPendingDatagramsTimer();
        receiver.processPendingDatagramsTimer();
        qInstallMessageHandler(previous);
        QCOMPARE(warnings, 1);
        QCOMPARE(receiver.localPort(), quint16(0));
        QCOMPARE(receiver.bindError(), QStringLiteral("UDP port 7112 is in use: no telemetry"));
    }

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
        QTEST(UdpLines::decoded(line), "expected");
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

QTEST_GUILESS_MAIN(TestUdpLines)
#include "tst_udplines.moc"
