#include "devicemenuentries.h"

#include <QtTest>

// The "Devices" menu entries read from the registry.
class TestDeviceMenuEntries : public QObject
{
    Q_OBJECT
private slots:
    void fromRegistry_data();
    void fromRegistry();
};

void TestDeviceMenuEntries::fromRegistry_data()
{
    QTest::addColumn<QStringList>("devices"); // "type mac ip name", or "type" for an empty table
    QTest::addColumn<QStringList>("entries"); // "label type mac"
    QTest::newRow("empty registry") << QStringList{} << QStringList{};
    QTest::newRow("type emptied by clearType") << QStringList{"2"} << QStringList{};
    QTest::newRow("same name told apart by address")
        << QStringList{"2 02 10.0.0.12 Tube", "2 01 10.0.0.11 Tube"}
        << QStringList{"Tube (10.0.0.11) 2 01", "Tube (10.0.0.12) 2 02"};
    QTest::newRow("ordered by type, then name")
        << QStringList{"3 03 10.0.0.3 Alpha", "2 02 10.0.0.2 Zulu", "1 01 10.0.0.1 Main",
                       "2 04 10.0.0.4 Bravo"}
        << QStringList{"Main (10.0.0.1) 1 01", "Bravo (10.0.0.4) 2 04", "Zulu (10.0.0.2) 2 02",
                       "Alpha (10.0.0.3) 3 03"};
    // The menu keys its targets by MAC: two entries for one MAC would leave one dead.
    QTest::newRow("MAC under two types offered once, under the higher")
        << QStringList{"1 01 10.0.0.1 AsMain", "2 01 10.0.0.2 AsTube", "2 09 10.0.0.9 Other"}
        << QStringList{"AsTube (10.0.0.2) 2 01", "Other (10.0.0.9) 2 09"};
}

void TestDeviceMenuEntries::fromRegistry()
{
    QFETCH(QStringList, devices);
    QFETCH(QStringList, entries);
    // A registry as the hub hands it out, owning nothing: the devices outlive it.
    std::vector<std::unique_ptr<Device>> owned;
    QDeviceMachine::Registry registry;
    for (const QString &text : devices) {
        const QStringList f = text.split(QLatin1Char(' '));
        QDeviceMachine::DeviceTable *&table = registry[f.at(0).toInt()];
        if (!table)
            table = new QDeviceMachine::DeviceTable;
        if (f.size() == 4) {
            owned.push_back(std::make_unique<Device>(f.at(0).toInt(), f.at(1), f.at(2), QString(),
                                                     QString(), f.at(3)));
            table->insert(f.at(1), owned.back().get());
        }
    }
    QStringList got;
    for (const DeviceMenuEntries::Entry &e : DeviceMenuEntries::fromRegistry(registry)) {
        got << QStringLiteral("%1 %2 %3")
                   .arg(DeviceMenuEntries::label(e.name, e.ip))
                   .arg(e.type)
                   .arg(e.mac);
    }
    qDeleteAll(registry);
    QCOMPARE(got, entries);
}

QTEST_APPLESS_MAIN(TestDeviceMenuEntries)
#include "tst_devicemenuentries.moc"
