#include "deviceseenorder.h"

void DeviceSeenOrder::seen(const Key &key)
{
    forget(key);
    lastSeen.insert(key, ++clock);
    byAge.insert(clock, key);
}

void DeviceSeenOrder::forget(const Key &key)
{
    const auto it = lastSeen.find(key);
    if (it == lastSeen.end())
        return;
    byAge.remove(*it);
    lastSeen.erase(it);
}
