#include "bootloaderreplycutter.h"
#include "fuzzsupport.h"
#include "romreplycutter.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

// A board's console text, split into reads at points the fuzzer chooses, through the
// bootloader's cutter (replies end at ">" or CR, pending text bounded) and the ROM transfer's
// (pieces between CRs). Neither may keep more than its bound nor hand on a line feed.

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    std::vector<int> reads(input.ConsumeIntegralInRange(0, 8));
    for (int &length : reads)
        length = input.ConsumeIntegralInRange(0, 8192);
    const std::vector<uint8_t> rest = input.ConsumeRemainingBytes<uint8_t>();
    const QByteArray text = Fuzz::bytes(rest.data(), rest.size());

    BootloaderReplyCutter bootloader;
    int offset = 0;
    reads.push_back(int(text.size()));
    for (int length : reads) {
        const QByteArray read = text.mid(offset, length);
        offset += read.size();
        for (const QString &reply : bootloader.feed(read)) {
            Fuzz::check(reply.endsWith(QLatin1Char('\n')), "a reply ends in its line feed");
            Fuzz::check(!reply.chopped(1).contains(QLatin1Char('\n')), "no other line feed");
        }
        Fuzz::check(bootloader.pending().size() <= BootloaderReplyCutter::kMaxPending,
                    "pending bootloader text bounded");
        for (const QString &piece : RomReplyCutter::cut(read)) {
            Fuzz::check(!piece.isEmpty(), "no empty ROM reply");
            Fuzz::check(!piece.contains(QLatin1Char('\r')) && !piece.contains(QLatin1Char('\n')),
                        "no CR or LF in a ROM reply");
        }
    }
    return 0;
}
