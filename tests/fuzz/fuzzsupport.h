#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What the fuzz targets share: the input as bytes and as lines, a quiet Qt, and the way a
// broken property is reported (an abort, so that libFuzzer keeps the input).
namespace Fuzz {

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

// The input cut at every LF, each line without the bytes in dropped (the line readers take
// CR out; the UDP receiver never passes a NUL on).
inline QList<QByteArray> lines(const QByteArray &input, const QByteArray &dropped)
{
    QList<QByteArray> result = input.split('\n');
    for (QByteArray &line : result) {
        const auto isDropped = [&dropped](char c) { return dropped.contains(c); };
        line.truncate(int(std::remove_if(line.begin(), line.end(), isDropped) - line.begin()));
    }
    return result;
}

// The units' warnings are still built, so their formatting runs too, but not printed: a
// target that prints on every input is slow and buries a finding.
inline void silenceQt()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

inline void check(bool holds, const char *property)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

} // namespace Fuzz
