// Configuration files through the real buttons and file dialogs: time and
// peak memory growth of an export, an import of that file, and imports of
// files built to cost much (many group elements, the largest file read, a
// 100 MB file, an entity bomb). Prints figures; asserts nothing.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/quorvel.h"

namespace {

qint64 procStatusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

void resetPeakMemory()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

void answerNextDialog(const QString &path)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, path] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(path);   // selectFile() leaves the name box alone once it has the focus
        static_cast<QDialog *>(dialog)->accept();
        poll->stop();
        poll->deleteLater();
    });
    poll->start(1);
}

void measure(const char *what, Quorvel &w, void (Quorvel::*click)(), const QString &path)
{
    resetPeakMemory();
    const qint64 before = procStatusKb("VmRSS:");
    answerNextDialog(path);
    QElapsedTimer t;
    t.start();
    (w.*click)();
    const qint64 ms = t.elapsed();
    std::printf("%-44s %6lld ms  peak +%6lld KiB  \"%s\"\n", what, static_cast<long long>(ms),
                static_cast<long long>(procStatusKb("VmHWM:") - before),
                qPrintable(w.statusBar()->currentMessage()));
}

QString writeFile(const QTemporaryDir &dir, const char *name, const QByteArray &head, const QByteArray &chunk,
                  int repeat, const QByteArray &tail)
{
    QFile f(dir.filePath(QString::fromLatin1(name)));
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", name);
    f.write(head);
    for (int i = 0; i < repeat; ++i)
        f.write(chunk);
    f.write(tail);
    return f.fileName();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        qFatal("no temporary directory");
    Quorvel w;
    w.installTranslator();
    w.retranslate();
    w.show();

    const QString exported = dir.filePath(QStringLiteral("exported.xml"));
    measure("export of the form", w, &Quorvel::on_pushButton_Export_clicked, exported);
    measure("import of that file", w, &Quorvel::on_pushButton_Import_clicked, exported);

    const QByteArray head = "<?xml version=\"1.0\"?><TESSELANE_CFG>";
    const QByteArray group = "<BASE_GROUP_ELEM><UART>9600,8,None,1,None</UART></BASE_GROUP_ELEM>"
                             "<WIFI_GROUP_ELEM/><TP_GROUP_ELEM/>";
    measure("import of 10,000 x 3 group elements", w, &Quorvel::on_pushButton_Import_clicked,
            writeFile(dir, "groups.xml", head, group, 10000, "</TESSELANE_CFG>"));
    const int fill = (4 * 1024 * 1024 - 64) / int(group.size());
    measure("import of 4 MiB of group elements", w, &Quorvel::on_pushButton_Import_clicked,
            writeFile(dir, "largest.xml", head, group, fill, "</TESSELANE_CFG>"));
    const QByteArray leaves = "<WIFI_MODE>STA模式</WIFI_MODE><WIFI_STA>ssid-a,key-a</WIFI_STA>"
                              "<WIFI_MODE>AP模式</WIFI_MODE><WIFI_STA>ssid-b,key-b</WIFI_STA>";
    measure("import of 4 MiB of changing leaves", w, &Quorvel::on_pushButton_Import_clicked,
            writeFile(dir, "leaves.xml", head + "<WIFI_GROUP_ELEM>", leaves,
                      (4 * 1024 * 1024 - 128) / int(leaves.size()), "</WIFI_GROUP_ELEM></TESSELANE_CFG>"));
    measure("import of a 100 MB leaf", w, &Quorvel::on_pushButton_Import_clicked,
            writeFile(dir, "huge.xml", head + "<WIFI_GROUP_ELEM><WIFI_STA>", QByteArray(1024 * 1024, 'x'), 100,
                      ",pw</WIFI_STA></WIFI_GROUP_ELEM></TESSELANE_CFG>"));
    QByteArray dtd = "<?xml version=\"1.0\"?><!DOCTYPE TESSELANE_CFG [<!ENTITY l0 \"lol\">";
    for (int i = 1; i <= 9; ++i)
        dtd += "<!ENTITY l" + QByteArray::number(i) + " \""
               + QByteArray("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    measure("import of an entity bomb", w, &Quorvel::on_pushButton_Import_clicked,
            writeFile(dir, "laughs.xml", dtd + "]><TESSELANE_CFG><WIFI_GROUP_ELEM><WIFI_STA>", "&l9;", 1,
                      ",x</WIFI_STA></WIFI_GROUP_ELEM></TESSELANE_CFG>"));
    return 0;
}
