#include "faultplan.h"

#include <QStringList>

namespace {

// A flood larger than this is no longer a test of a bounded buffer but of the machine.
constexpr int kMaxLongLineMiB = 256;

} // namespace

bool FaultPlan::add(const QString &faultText, QString *error)
{
    const int equals = faultText.indexOf(QLatin1Char('='));
    const QString name = faultText.left(equals).trimmed();
    bool ok = false;
    const int value = equals < 0 ? 0 : faultText.mid(equals + 1).trimmed().toInt(&ok);
    if (!ok || value <= 0) {
        *error = QStringLiteral("fault \"%1\": expected name=positive number").arg(faultText);
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
            *error =
                QStringLiteral("fault \"%1\": at most %2 MiB").arg(faultText).arg(kMaxLongLineMiB);
            return false;
        }
        longLineMiB = value;
    } else {
        *error = QStringLiteral("unknown fault \"%1\"; known: %2").arg(faultText, spellings());
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
