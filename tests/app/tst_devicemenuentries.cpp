#include "devicemenuentries.h"

#include <QtTest>

namespace {

// A registry as the hub hands it out, owning nothing: the test's devices outlive it.
class RegistryFixture
{
public:
    ~RegistryFixture() { qDeleteAll(tables); }

    void add(int type, const QString &mac, const QString &ip, const QString &name)
    {
        devices.push_back(std::make_unique<Device>(type, mac, ip, QString(), QString(), name));
        QDeviceMachine::DeviceTable *&table = tables[type];
        if (!table)
            table = new QDeviceMachine::DeviceTable;
        table->insert(mac, devices.back().get());
    }

    QDeviceMachine::Registry tables;

private:
    std::vector<std::unique_ptr<Device>> devices;
};

QStringList labels(const QList<DeviceMenuEntries::Entry> &entries)
{
    QStringList texts;
    for (const DeviceMenuEntries::Entry &entry : entries)
        texts << entry.label;
    return texts;
}

} // namespace

// The "Devices" menu entries read from the registry.
class TestDeviceMenuEntries : public QObject
{
    Q_OBJECT
private slots:
    void emptyRegistryGivesNoEntry();
    void sameNameToldApartByAddress();
    void orderIsStableAcrossTypes();
    void macUnderTwoTypesOfferedOnce();
};

void TestDeviceMenuEntries::emptyRegistryGivesNoEntry()
{
    QVERIFY(DeviceMenuEntries::fromRegistry({}).isEmpty());
    RegistryFixture registry;
    registry.tables.insert(2, new QDeviceMachine::DeviceTable); // a type emptied by clearType
    QVERIFY(DeviceMenuEntries::fromRegistry(registry.tables).isEmpty());
}

void TestDeviceMenuEntries::sameNameToldApartByAddress()
{
    RegistryFixture registry;
    registry.add(2, "00564f524e02", "10.0.0.12", "Tube");
    registry.add(2, "00564f524e01", "10.0.0.11", "Tube");
    QCOMPARE(labels(DeviceMenuEntries::fromRegistry(registry.tables)),
             (QStringList{"Tube (10.0.0.11)", "Tube (10.0.0.12)"}));
}

void TestDeviceMenuEntries::orderIsStableAcrossTypes()
{
    RegistryFixture registry;
    registry.add(3, "000000000003", "10.0.0.3", "Alpha");
    registry.add(2, "000000000002", "10.0.0.2", "Zulu");
    registry.add(1, "000000000001", "10.0.0.1", "Main");
    registry.add(2, "000000000004", "10.0.0.4", "Bravo");
    QCOMPARE(labels(DeviceMenuEntries::fromRegistry(registry.tables)),
             (QStringList{"Main (10.0.0.1)", "Bravo (10.0.0.4)", "Zulu (10.0.0.2)",
                          "Alpha (10.0.0.3)"}));
}

void TestDeviceMenuEntries::macUnderTwoTypesOfferedOnce()
{
    // The menu keys its targets by MAC: two entries for one MAC would leave one dead.
    RegistryFixture registry;
    registry.add(1, "00564f524e01", "10.0.0.1", "AsMain");
    registry.add(2, "00564f524e01", "10.0.0.2", "AsTube");
    registry.add(2, "00564f524e09", "10.0.0.9", "Other");
    const QList<DeviceMenuEntries::Entry> entries =
        DeviceMenuEntries::fromRegistry(registry.tables);
    QCOMPARE(labels(entries), (QStringList{"AsTube (10.0.0.2)", "Other (10.0.0.9)"}));
    QCOMPARE(entries.at(0).type, 2);
    QCOMPARE(entries.at(0).mac, QStringLiteral("00564f524e01"));
    QCOMPARE(entries.at(0).ip, QStringLiteral("10.0.0.2"));
}

QTEST_APPLESS_MAIN(TestDeviceMenuEntries)
#include "tst_devicemenuentries.moc"
