#include "faultplan.h"

#include <QStringList>

namespace {

// A flood larger than this is no longer a test of a bounded buffer but of the machine.
constexpr int kMaxLongLineMiB = 256;

} // namespace

bool FaultPlan::add(const QString &spec, QString *error)
{
    const int equals = spec.indexOf(QLatin1Char('='));
    const QString name = spec.left(equals).trimmed();
    bool ok = false;
    const int value = equals < 0 ? 0 : spec.mid(equals + 1).trimmed().toInt(&ok);
    if (!ok || value <= 0) {
        *error = QStringLiteral("fault \"%1\": expected name=positive number").arg(spec);
        return false;
    }
    if (name == QLatin1String("refuse-record")) {
        refuseRecord = value;
    } else if (name == QLatin1String("drop-after")) {
        dropAfter = value;
    } else if (name == QLatin1String("slow")) {
        slow = std::chrono::milliseconds(value);
    } else if (name == QLatin1String("noise-packet")) {
        noisePacket = value;
    } else if (name == QLatin1String("long-line")) {
        if (value > kMaxLongLineMiB) {
            *error = QStringLiteral("fault \"%1\": at most %2 MiB").arg(spec).arg(kMaxLongLineMiB);
            return false;
        }
        longLineMiB = value;
    } else {
        *error = QStringLiteral("unknown fault \"%1\"; known: %2").arg(spec, spellings());
        return false;
    }
    return true;
}

QString FaultPlan::spellings()
{
    return QStringLiteral("refuse-record=K, drop-after=K, slow=MS, noise-packet=K, "
                          "long-line=MIB (at most %1)")
        .arg(kMaxLongLineMiB);
}
