// A full configuration read and a full configuration write against the
// simulated module answering at once: wall time from the click to the
// status-bar verdict, median of 20 runs each, with the window hidden, shown,
// and shown without painting the log table, beside the time the same bytes
// take on a 115200 baud line (10 bits a byte).
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

#include "app/quorvel.h"
#include "tools/modsim/modsim.h"

namespace {

constexpr int runs = 20;

template <typename T>
T *child(QWidget &w, const char *name)
{
    return w.findChild<T *>(QString::fromLatin1(name));
}

qint64 counter(QWidget &w, const char *label)
{
    return child<QLabel>(w, label)->text().toLongLong();
}

// Clicks the button and returns the milliseconds until the status bar shows
// `done`, or -1 when it shows something else or nothing within 10 s.
double timeSequence(Quorvel &w, QPushButton *button, const QString &done)
{
    w.statusBar()->clearMessage();   // the same verdict twice would not signal
    QEventLoop loop;
    QString verdict;
    const auto conn = QObject::connect(w.statusBar(), &QStatusBar::messageChanged, &loop,
                                       [&](const QString &text) {
                                           // "成功" is each plain OK on its way
                                           if (text.isEmpty() || text == QStringLiteral("成功"))
                                               return;
                                           verdict = text;
                                           loop.quit();
                                       });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    button->click();
    loop.exec();
    const double ms = clock.nsecsElapsed() / 1e6;
    QObject::disconnect(conn);
    return verdict == done ? ms : -1;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());   // no settings file
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));   // the reads' backups

    ModSim module;
    QString error;
    if (!module.start(&error)) {
        out << "simulated module: " << error << Qt::endl;
        return 1;
    }
    Quorvel w;
    child<QComboBox>(w, "comboBox_comPort")->setEditText(module.slavePath());
    child<QPushButton>(w, "pushButton_openCom")->click();
    auto *read = child<QPushButton>(w, "pushButton_readConfiguration");
    auto *write = child<QPushButton>(w, "pushButton_writeConfiguartion");
    if (!read->isEnabled()) {
        out << "could not open " << module.slavePath() << Qt::endl;
        return 1;
    }

    const struct {
        const char *name;
        QPushButton *button;
        QString done;
    } sequences[] = {
        {"read (14 queries)", read, QStringLiteral("读取配置完成")},
        {"write (10 set commands)", write, QStringLiteral("写入配置完成")},
    };
    out << "runs: " << runs << " each, module answering at once" << Qt::endl;
    // Hidden, the figures are the program's own work (protocol, framing, the
    // log's rows); shown, they add painting; the third pass leaves out the
    // painting of the log table, to show where that time goes.
    auto *log = child<QWidget>(w, "tableWidget_log");
    const struct {
        const char *name;
        bool shown;
        bool logPainted;
    } passes[] = {{"window hidden", false, true}, {"window shown", true, true},
                  {"window shown, log table not painted", true, false}};
    for (const auto &pass : passes) {
        w.setVisible(pass.shown);
        log->setUpdatesEnabled(pass.logPainted);
        out << pass.name << Qt::endl;
        for (const auto &s : sequences) {
            timeSequence(w, s.button, s.done);   // warm-up
            const qint64 sentBefore = counter(w, "label_sendCnt");
            const qint64 recvBefore = counter(w, "label_recvCnt");
            QList<double> times;
            for (int i = 0; i < runs; ++i) {
                const double ms = timeSequence(w, s.button, s.done);
                if (ms < 0) {
                    out << s.name << ": did not succeed" << Qt::endl;
                    return 1;
                }
                times << ms;
            }
            const double bytes = double(counter(w, "label_sendCnt") - sentBefore
                                        + counter(w, "label_recvCnt") - recvBefore) / runs;
            out << "  " << qSetFieldWidth(24) << Qt::left << s.name << qSetFieldWidth(0)
                << " median " << QString::number(median(times), 'f', 1) << " ms"
                << "  min " << QString::number(*std::min_element(times.cbegin(), times.cend()), 'f', 1) << " ms"
                << "  max " << QString::number(*std::max_element(times.cbegin(), times.cend()), 'f', 1) << " ms"
                << "  (" << QString::number(bytes, 'f', 0) << " bytes both ways, "
                << QString::number(bytes * 10 * 1000 / 115200, 'f', 1) << " ms at 115200 baud)" << Qt::endl;
        }
    }
    return 0;
}
