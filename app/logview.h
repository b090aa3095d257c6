// LogView: what the technician does with the log beyond reading it, over
// the log view (tableWidget_log) and ConsoleModel's rows: times and hex
// view, rows one text line high and as wide as the widest, copying rows,
// the find line (Ctrl+F, Enter/F3 and Shift+Enter/Shift+F3, Esc), saving
// the rows to a file and recording every row from now on to a file. The
// texts come from console/logtext; what ends in the status bar goes through
// the window's final message.
#ifndef LOGVIEW_H
#define LOGVIEW_H

#include <QCoreApplication>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "console/logrecorder.h"
#include "console/logtext.h"
#include "serial/wiretext.h"

class ConsoleModel;
class QAction;
class LogDelegate;
class QLabel;
class QMainWindow;
class QPoint;
class QTimer;
namespace Ui {
class QuorvelClass;
}

class LogView : public QObject
{
    // The texts are the window's: its catalogue translates them.
    Q_DECLARE_TR_FUNCTIONS(Quorvel)

public:
    // `finalStatus` shows a message that ends an action (a save, a failed recording) for its time.
    LogView(Ui::QuorvelClass &ui, ConsoleModel &model, QMainWindow *window,
            std::function<void(const QString &text, int ms)> finalStatus);
    ~LogView() override;

    // A row as it is logged: to the recording, when one runs.
    void record(const QByteArray &raw, bool sent, qint64 msecs, wiretext::Encoding encoding);
    // After a flush: the new rows measured, the find line's count, the bottom in view.
    void showNewRows(int firstRow);
    // After the log was cleared.
    void cleared();

    bool saveLogTo(const QString &path);
    bool startRecording(const QString &path);
    bool recording() const { return bool(recorder); }
    QTimer *recordTimer() const { return recordClock; }

    // Told when the find line opens (true) and closes: F3 and Shift+F3 find
    // only while it is open, and are free for other uses otherwise.
    std::function<void(bool finding)> findingChanged;

private:
    void showTimes(bool on);
    void showHex(bool on);
    void fitWidth(int firstRow);
    void copyRows();
    void showMenu(const QPoint &pos);
    void openFind();
    void closeFind();
    void findRow(int step);
    void countFound();
    void saveLog();
    void toggleRecording(bool on);
    void stopRecording();
    void endRecording();
    void writeRecording();
    void showRecording();

    Ui::QuorvelClass &ui;
    ConsoleModel &model;
    QMainWindow *window;
    std::function<void(const QString &, int)> finalStatus;
    LogDelegate *delegate = nullptr;
    std::unique_ptr<LogRecorder> recorder;   // set while recording
    logtext::FileLine recordFormat;
    QTimer *recordClock = nullptr;           // the recording's once-a-second write
    QAction *findNext = nullptr, *findPrevious = nullptr;   // F3, Shift+F3: on while the find line is open
    QLabel *recordLabel = nullptr;           // in the status bar's permanent area
};

#endif // LOGVIEW_H
