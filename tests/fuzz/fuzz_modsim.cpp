// The simulated module's parser on any bytes runs without fault, and fed in other pieces ends in the same state.
#include <QByteArray>
#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

#include "tools/modsim/modsim.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_modsim";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    ModSim whole;
    whole.feed(bytes);
    ModSim pieces;
    for (qsizetype at = 0; at < bytes.size(); at += 3)
        pieces.feed(bytes.mid(at, 3));
    ModSim::commandHead(bytes);

    if (whole.transparent() != pieces.transparent() || whole.networkOn() != pieces.networkOn())
        std::abort();
    for (const char *word : {"APSTA", "APMOD", "STAMOD", "IPCFG", "UART", "TPSOCK", "DHCP"}) {
        if (whole.fields(QString::fromLatin1(word)) != pieces.fields(QString::fromLatin1(word)))
            std::abort();
    }
    return 0;
}
