// Turning received lines into text and commands into bytes in each wire
// encoding: 200,000 lines of 32 bytes (an answer with a Chinese SSID), best
// of 5, against the plain UTF-8 conversion of QString. Prints figures;
// asserts nothing.
#include <QElapsedTimer>
#include <cstdio>

#include "serial/lineframer.h"
#include "serial/wiretext.h"

namespace {

constexpr int lines = 200000;

template <typename F>
double bestNsPerLine(F work)
{
    double best = 1e18;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer t;
        t.start();
        qsizetype sink = 0;
        for (int i = 0; i < lines; ++i)
            sink += work();
        best = qMin(best, double(t.nsecsElapsed()) / lines);
        if (sink == 0)
            std::printf("unexpected: nothing converted\n");
    }
    return best;
}

} // namespace

int main()
{
    const QString ssid = QStringLiteral("办公室网络");
    const QByteArray utf8Line = "OK=" + ssid.toUtf8() + ",4,6,padding\r\n";
    const QByteArray gbkLine = "OK=" + wiretext::encode(ssid, wiretext::Encoding::Gbk) + ",4,6,padding-----\r\n";
    const QString command = QStringLiteral("AT+APMOD=") + ssid + QStringLiteral(",4,6\r\n");
    std::printf("%d lines of about 32 bytes, best of 5, ns per line\n", lines);
    std::printf("  received line, QString::fromUtf8          %7.0f\n",
                bestNsPerLine([&] { return QString::fromUtf8(utf8Line).size(); }));
    bool clean = true;
    std::printf("  received line, lineToText UTF-8           %7.0f\n",
                bestNsPerLine([&] { return lineToText(utf8Line, wiretext::Encoding::Utf8, &clean).size(); }));
    std::printf("  received line, lineToText GBK             %7.0f\n",
                bestNsPerLine([&] { return lineToText(gbkLine, wiretext::Encoding::Gbk, &clean).size(); }));
    std::printf("  command, QString::toUtf8                  %7.0f\n",
                bestNsPerLine([&] { return command.toUtf8().size(); }));
    std::printf("  command, encode UTF-8                     %7.0f\n",
                bestNsPerLine([&] { return wiretext::encode(command, wiretext::Encoding::Utf8).size(); }));
    std::printf("  command, encode GBK                       %7.0f\n",
                bestNsPerLine([&] { return wiretext::encode(command, wiretext::Encoding::Gbk).size(); }));
    return 0;
}
