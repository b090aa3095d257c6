// The import of a whole file into the window, on any bytes: it never faults,
// and whatever form it leaves, the window's own export of that form imports
// back to the same form: export -> import -> export gives the same file.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

#include "app/quorvel.h"

// The window's private state is reached through the class that tests use
// for access, a friend of the window; this program is its only user here.
class QuorvelTestAccess
{
public:
    static void noPauses(Quorvel &w) { w.cfgGroupWaitMs = 0; }
    static void importFile(Quorvel &w, const QString &path) { w.importCfgFile(path); }
    static bool exportFile(Quorvel &w, const QString &path) { return w.exportCfgFile(path); }
};
using A = QuorvelTestAccess;

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

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
        A::noPauses(*window);
        return window;
    }();
    Q_UNUSED(platformSet);

    const QString input = dir.filePath(QStringLiteral("input.xml"));
    const QString first = dir.filePath(QStringLiteral("first.xml"));
    const QString second = dir.filePath(QStringLiteral("second.xml"));
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    A::importFile(w, input);
    if (!A::exportFile(w, first))
        std::abort();
    A::importFile(w, first);
    if (!A::exportFile(w, second) || contents(first) != contents(second))
        std::abort();
    return 0;
}
