// Appending to the console log with auto-scroll on, in the shown window:
// rows per second around 10,000, 100,000 and 1,000,000 rows (median of the
// ten batches around each mark), and heap bytes per row. Rows go in in
// batches of 1000, one event-loop turn each, as readCom hands over one pty
// read of short lines. Then the find line on a log of 100,000 rows: the
// time of one Enter that goes round all of them to the only match, and of
// counting the matches as the needle changes. Prints figures; asserts nothing.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QList>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <malloc.h>

#include "app/quorvel.h"

// The window's log slot is private; the class that tests use for access is a
// friend, and this program is its only user here.
class QuorvelTestAccess
{
public:
    static void addStrToLog(Quorvel &w, const QString &s) { w.addStrToLog(s, Quorvel::logRecv); }
    // The rows waiting for the next repaint go into the table now.
    static void flushLog(Quorvel &w) { w.logModel.flush(); }
    // The table is measured up to a million rows: the bound set to its top.
    static void unbound(Quorvel &w) { w.logModel.setMaxRows(10000000); }
    static bool autoScroll(Quorvel &w) { return w.ui.checkBox_logAutoScroll->isChecked(); }
    static void find(Quorvel &w, const QString &text)
    {
        w.findChild<QAction *>(QStringLiteral("action_find"))->trigger();
        w.ui.lineEdit_find->setText(text);   // counts the matches
    }
    static void next(Quorvel &w) { w.findChild<QAction *>(QStringLiteral("action_findNext"))->trigger(); }
    static int current(Quorvel &w) { return w.ui.tableWidget_log->currentIndex().row(); }
    static QString found(Quorvel &w) { return w.ui.label_findCount->text(); }
};

namespace {

qint64 heapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return qint64(m.uordblks + m.hblkhd);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());   // a fresh ./Quorvel.ini
    Quorvel w;
    w.show();
    QuorvelTestAccess::unbound(w);
    QCoreApplication::processEvents();

    constexpr int batch = 1000;
    const int marks[] = {10000, 100000, 1000000};
    constexpr int window = 10000;   // rows measured around each mark
    const int total = marks[2] + window / 2;

    std::printf("log append, auto-scroll %s, batches of %d rows, one event-loop turn each, median batch\n",
                QuorvelTestAccess::autoScroll(w) ? "on" : "off", batch);
    const qint64 heapBefore = heapInUse();
    QElapsedTimer clock;
    QList<qint64> markNs[3];
    for (int row = 0; row < total; row += batch) {
        clock.start();
        for (int i = 0; i < batch; ++i)
            QuorvelTestAccess::addStrToLog(w, QStringLiteral("+IND=NOISE,%1\r\n").arg(row + i));
        QuorvelTestAccess::flushLog(w);
        QCoreApplication::processEvents();   // the scroll's layout and a repaint
        const qint64 ns = clock.nsecsElapsed();
        for (int m = 0; m < 3; ++m) {
            if (row >= marks[m] - window / 2 && row < marks[m] + window / 2)
                markNs[m].append(ns);
        }
    }
    const qint64 heapAfter = heapInUse();

    double rate[3];
    for (int m = 0; m < 3; ++m) {
        std::sort(markNs[m].begin(), markNs[m].end());
        rate[m] = batch / (markNs[m].at(markNs[m].size() / 2) / 1e9);
        std::printf("  around %7d rows: %8.0f rows/s  (fastest batch %.0f rows/s)\n", marks[m], rate[m],
                    batch / (markNs[m].first() / 1e9));
    }
    std::printf("  rate at 1,000,000 / rate at 10,000: %.0f %%  (goal: at least 80 %%, and 100,000 rows/s)\n",
                100 * rate[2] / rate[0]);
    std::printf("  heap per row, bytes and time kept: %.0f bytes  (goal: at most 400)\n",
                double(heapAfter - heapBefore) / total);

    // The find line on 100,000 rows (the default limit): the only match is
    // the first row, so each Enter from it goes through every other row.
    Quorvel f;
    f.show();
    QuorvelTestAccess::addStrToLog(f, QStringLiteral("+IND=FIRST\r\n"));
    for (int row = 1; row < 100000; ++row)
        QuorvelTestAccess::addStrToLog(f, QStringLiteral("+IND=NOISE,%1\r\n").arg(row));
    QuorvelTestAccess::flushLog(f);
    QCoreApplication::processEvents();
    QList<qint64> countNs, enterNs;
    for (int i = 0; i < 21; ++i) {
        clock.start();
        QuorvelTestAccess::find(f, i % 2 ? QStringLiteral("first") : QStringLiteral("First"));
        countNs.append(clock.nsecsElapsed());
        clock.start();
        QuorvelTestAccess::next(f);
        enterNs.append(clock.nsecsElapsed());
    }
    std::sort(countNs.begin(), countNs.end());
    std::sort(enterNs.begin(), enterNs.end());
    std::printf("find on 100,000 rows (one match, row %d, \"%s\"): Enter %.2f ms, counting on a changed needle %.2f ms"
                " (median of 21; goal: within one repaint, 33 ms)\n",
                QuorvelTestAccess::current(f), qPrintable(QuorvelTestAccess::found(f)), enterNs.at(10) / 1e6,
                countNs.at(10) / 1e6);
    return 0;
}
