// The window's import on any bytes never faults, and export -> import -> export of the form it leaves gives
// the same file.
#include <cstdint>
#include <cstdlib>

#include "tests/common/testsupport.h"

using A = QuorvelTestAccess;
using testsupport::readFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_import";
    static char *argv[] = {name, nullptr};
    static const bool platformSet = qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty()
                                                                 ? QByteArray("offscreen")
                                                                 : qgetenv("QT_QPA_PLATFORM"));
    static QApplication app(argc, argv);
    static QTemporaryDir dir;
    static Quorvel &w = *[] {
        // A fresh ./Quorvel.ini; libFuzzer's own paths are relative to where it started.
        const QString started = QDir::currentPath();
        QDir::setCurrent(dir.path());
        auto *window = new Quorvel;
        QDir::setCurrent(started);
        A::setGroupPause(*window, 0);
        return window;
    }();
    Q_UNUSED(platformSet);

    const QString input = dir.filePath(QStringLiteral("input.xml")), first = dir.filePath(QStringLiteral("first.xml")),
                  second = dir.filePath(QStringLiteral("second.xml"));
    testsupport::writeFile(input, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    A::importCfgFile(w, input);
    if (!A::exportCfgFile(w, first))
        std::abort();
    A::importCfgFile(w, first);
    if (!A::exportCfgFile(w, second) || readFile(first) != readFile(second))
        std::abort();
    return 0;
}
