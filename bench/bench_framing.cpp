// Line framing of bytes that never see CR LF: 1 MB and 10 MB fed to
// LineFramer in 64-byte reads (lines taken after every read, as SerialLink::poll
// does; every 4096 bytes come out as an unterminated piece), against a
// search that rescans the whole buffer each time.
// Prints figures; asserts nothing.
#include <QByteArray>
#include <QElapsedTimer>
#include <cstdio>
#include <malloc.h>

#include "serial/lineframer.h"

namespace {

constexpr int chunkSize = 64;

// Lone CR at every chunk's end, the next chunk never starting with LF: the
// worst case for remembering where the last search stopped.
QByteArray chunk()
{
    QByteArray c(chunkSize, 'x');
    c[chunkSize - 1] = '\r';
    c[10] = '\n';
    return c;
}

double framerSeconds(qint64 total)
{
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const QByteArray c = chunk();
        LineFramer framer;
        QByteArray line;
        qint64 lines = 0;
        qint64 cutBytes = 0;
        bool unterminated = false;
        QElapsedTimer t;
        t.start();
        for (qint64 fed = 0; fed < total; fed += chunkSize) {
            framer.append(c);
            while (framer.takeLine(&line, &unterminated)) {
                if (unterminated)
                    cutBytes += line.size();
                else
                    ++lines;
            }
        }
        best = qMin(best, t.nsecsElapsed() / 1e9);
        if (lines != 0 || cutBytes + framer.pending() != total)
            std::printf("unexpected: %lld lines, %lld pending\n", lines, qint64(framer.pending()));
    }
    return best;
}

double rescanSeconds(qint64 total)
{
    const QByteArray c = chunk();
    QByteArray buffer;
    qint64 found = 0;
    QElapsedTimer t;
    t.start();
    for (qint64 fed = 0; fed < total; fed += chunkSize) {
        buffer.append(c);
        if (buffer.indexOf("\r\n") >= 0)
            ++found;
    }
    const double s = t.nsecsElapsed() / 1e9;
    if (found)
        std::printf("unexpected line end\n");
    return s;
}

void framerFigures(const char *memory)
{
    const qint64 mb = 1000 * 1000;
    const double small = framerSeconds(mb);
    const double large = framerSeconds(10 * mb);
    std::printf("LineFramer, %s\n", memory);
    std::printf("  1 MB: %8.2f ms  (%4.0f MB/s)\n", small * 1e3, 1 / small);
    std::printf("  10 MB: %7.2f ms  (%4.0f MB/s)\n", large * 1e3, 10 / large);
    std::printf("  ratio 10 MB / 1 MB: %.1f  (goal: at most 12)\n", large / small);
}

} // namespace

int main()
{
    std::printf("framing bytes without CR LF in %d-byte reads, best of 5\n", chunkSize);
    // Growing a 10 MB buffer takes fresh pages from the system (page faults
    // and zeroing, some 6,500 of them); a 1 MB buffer mostly reuses the heap.
    framerFigures("memory as the allocator gives it");
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    framerSeconds(10 * 1000 * 1000);
    framerFigures("heap kept between rounds (the search and the copying alone)");

    const qint64 mb = 1000 * 1000;
    // Smaller sizes: at 10 MB a rescanning search would take minutes.
    const double rescanSmall = rescanSeconds(mb / 20);
    const double rescanLarge = rescanSeconds(mb / 2);
    std::printf("rescanning search from the buffer's start, for comparison\n");
    std::printf("  rescan      50 kB: %8.2f ms\n", rescanSmall * 1e3);
    std::printf("  rescan     500 kB: %8.2f ms\n", rescanLarge * 1e3);
    std::printf("  ratio 500 kB / 50 kB: %.1f\n", rescanLarge / rescanSmall);
    return 0;
}
