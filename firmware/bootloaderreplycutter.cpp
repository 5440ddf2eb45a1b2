#include "bootloaderreplycutter.h"

QStringList BootloaderReplyCutter::feed(const QByteArray &bytes)
{
    const int nul = bytes.indexOf('\0');
    QByteArray text = nul < 0 ? bytes : bytes.left(nul);
    text.replace('\n', QByteArray());
    rest += QString::fromUtf8(text);

    QStringList replies;
    for (;;) {
        int cut = rest.indexOf(QLatin1Char('>'));
        if (cut < 0)
            cut = rest.indexOf(QLatin1Char('\r'));
        if (cut < 0)
            break;
        replies << rest.left(cut + 1) + QLatin1Char('\n');
        rest.remove(0, cut + 1);
    }
    if (rest.size() > kMaxPending)
        rest.remove(0, rest.size() - kMaxPending);
    return replies;
}
