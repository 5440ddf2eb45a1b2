#pragma once

#include <QMetaType>
#include <QString>

// One discovered board, owned by the device registry.
class Device
{
public:
    Device(int type, const QString &mac, const QString &ip, const QString &hw, const QString &sw,
           const QString &name)
        : type(type)
        , mac(mac)
        , ip(ip)
        , hw(hw)
        , sw(sw)
        , name(name)
    {}

    int type = 0; // 1 main board, 2 tube board, 3 spider board; others kept as announced
    QString mac;  // 12 lower-case hex digits, the key within its type
    QString ip;
    QString hw;
    QString sw;
    QString name;
    int state = 255; // recipe number while the recipe runner brews on it
    QString extra;   // name of that recipe
};

Q_DECLARE_METATYPE(Device *)
