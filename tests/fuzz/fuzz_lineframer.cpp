// The line framer against the byte-at-a-time reference, the first byte seeding the reads' cuts and when lines
// are taken: same pieces, cut flags and rest, and never more than a line's worth of bytes waiting.
#include <QByteArray>

#include <cstdint>
#include <cstdlib>

#include "serial/lineframer.h"
#include "tests/common/referenceframer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    quint32 seed = data[0] * 2654435761u + 1;
    const auto next = [&seed](quint32 bound) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % bound;
    };
    // Short inputs repeated reach the line limit, so that cuts happen.
    QByteArray stream(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (!stream.isEmpty() && (data[0] & 1))
        stream = stream.repeated(int(qMin<size_t>(64, 9000 / stream.size() + 1)));

    LineFramer framer;
    QList<QPair<QByteArray, bool>> got;
    QByteArray line;
    bool cut = false;
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype n = qMin<qsizetype>(1 + next(2000), stream.size() - at);
        framer.append(stream.mid(at, n));
        at += n;
        for (quint32 take = next(4); take > 0 && framer.takeLine(&line, &cut); --take)
            got.append({line, cut});
    }
    while (framer.takeLine(&line, &cut))
        got.append({line, cut});
    QByteArray rest;
    if (got != referenceFrames(stream, &rest) || framer.pendingBytes() != rest
        || framer.pending() > LineFramer::maxLineBytes)
        std::abort();
    return 0;
}
