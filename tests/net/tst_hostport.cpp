#include "connectiontext.h"
#include "consoleaddress.h"
#include "flashcommand.h"

#include <QtTest>

// One "host:port" text read by each caller with its own rule for a missing or bad port: the
// console (port 23 when none is given, 0 when it is no port), the firmware dialogs (a port is
// needed) and vorne-flash's --host (port 23 when none is given, a bad one refused).
class TestHostPort : public QObject
{
    Q_OBJECT
private slots:
    void eachCallersRule_data();
    void eachCallersRule();
};

void TestHostPort::eachCallersRule_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("console");
    QTest::addColumn<QString>("dialogs"); // empty: no connection can be opened
    QTest::addColumn<QString>("flasher"); // empty: a usage error
    const auto row = [](const char *name, const char *text, const char *console,
                        const char *dialogs, const char *flasher) {
        QTest::newRow(name) << text << console << dialogs << flasher;
    };
    row("name alone", "board", "board:23", "", "board:23");
    row("address and port", "10.0.0.5:2323", "10.0.0.5:2323", "10.0.0.5:2323", "10.0.0.5:2323");
    row("bracketed IPv6 with port", "[::1]:7123", "::1:7123", "::1:7123", "::1:7123");
    row("bare IPv6 is all host", "::1", "::1:23", "", "::1:23");
    row("empty port", "board:", "board:0", "", "");
    row("port not a number", "board:telnet", "board:0", "", "");
    row("port past 65535", "board:70000", "board:0", "", "");
    row("unclosed bracket", "[::1:23", ":23", "", "");
    row("port without host", ":23", ":23", "", "");
}

void TestHostPort::eachCallersRule()
{
    QFETCH(QString, text);
    QFETCH(QString, console);
    QFETCH(QString, dialogs);
    QFETCH(QString, flasher);
    const auto joined = [](const QString &host, int port) {
        return QStringLiteral("%1:%2").arg(host).arg(port);
    };
    const ConsoleAddress address = ConsoleAddress::fromText(text);
    QCOMPARE(joined(address.host, address.port), console);
    const ConnectionText connection = ConnectionText::parse(text);
    QCOMPARE(connection.isValid() ? joined(connection.host, connection.port) : QString(), dialogs);
    QString host;
    int port = 0;
    QCOMPARE(FlashCommand::parseHost(text, host, port) ? joined(host, port) : QString(), flasher);
}

QTEST_APPLESS_MAIN(TestHostPort)
#include "tst_hostport.moc"
