#include "consoleline.h"
#include "consolelinecutter.h"
#include "fuzzsupport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QString>
#include <QStringList>

#include <vector>

// A console byte stream cut into lines once as one read and once split into reads at points
// the fuzzer chooses: a cutter must give the same lines and keep the same rest for any split.
// The input's last bytes pick the read sizes and how often the rest repeats (so that lines
// beyond the line limit come up without huge inputs); the rest is the stream.

namespace {

// A few over-long lines: enough for every cut, and short enough to keep runs fast.
constexpr int kMaxStream = 3 * ConsoleLine::kMaxLineBytes + 8 * 1024;

struct Cut
{
    QStringList lines;
    QByteArray rest;
};

// The console reader's loop: append what arrived, then take every complete line.
Cut cut(const QByteArray &stream, const std::vector<int> &reads)
{
    Cut result;
    ConsoleLineCutter cutter;
    int offset = 0;
    const auto take = [&](int length) {
        cutter.append(stream.mid(offset, length));
        offset += length;
        QString line;
        while (cutter.next(&line))
            result.lines.append(line);
        Fuzz::check(!cutter.hasLine(), "no complete line left after a read");
        cutter.compact();
    };
    for (int length : reads)
        take(std::min(length, int(stream.size()) - offset));
    take(int(stream.size()) - offset);
    result.rest = cutter.pending();
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    std::vector<int> reads(input.ConsumeIntegralInRange(0, 16));
    for (int &length : reads)
        length = input.ConsumeIntegralInRange(0, 2 * ConsoleLine::kMaxLineBytes);
    const int repeats = input.ConsumeBool() ? 1 : input.ConsumeIntegralInRange(2, 64);
    const std::vector<uint8_t> rest = input.ConsumeRemainingBytes<uint8_t>();
    const QByteArray stream =
        Fuzz::bytes(rest.data(), rest.size()).repeated(repeats).left(kMaxStream);

    const Cut whole = cut(stream, {});
    const Cut split = cut(stream, reads);
    Fuzz::check(split.lines == whole.lines, "the same lines whatever the reads");
    Fuzz::check(split.rest == whole.rest, "the same rest whatever the reads");
    for (const QString &line : whole.lines) {
        Fuzz::check(line.size() <= ConsoleLine::kMaxLineBytes, "no line beyond the limit");
        Fuzz::check(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')) &&
                        !line.contains(QChar(0)),
                    "no CR, LF or NUL in a line");
    }
    return 0;
}
