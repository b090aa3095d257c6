// LogView: what the technician does with the log beyond reading it, over
// the log view (tableWidget_log) and ConsoleModel's rows: times and hex
// view, rows one text line high and as wide as the widest, copying rows,
// the find line (Ctrl+F, Enter/F3 and Shift+Enter/Shift+F3, Esc), saving
// the rows to a file and recording every row from now on to a file. The
// texts come from console/logtext; what ends in the status bar goes through
// the owner's final message. It works over the widgets of any console that
// names them as the window's form does: the window's first console, or a
// ConsoleTab (app/consoletab.h).
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
class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPoint;
class QPushButton;
class QStatusBar;
class QTableView;
class QTimer;
class QWidget;

class LogView : public QObject
{
    // The texts are the window's: its catalogue translates them.
    Q_DECLARE_TR_FUNCTIONS(Quorvel)

public:
    // The widgets it works over, named as in the window's form.
    struct Widgets
    {
        QTableView *tableWidget_log;
        QWidget *widget_find;   // the find line's row, hidden while not finding
        QLineEdit *lineEdit_find;
        QLabel *label_findCount;
        QCheckBox *checkBox_timestamp, *checkBox_hexView, *checkBox_logAutoScroll;
        QLabel *label_sendCnt, *label_recvCnt;
        QPushButton *pushButton_saveLog, *pushButton_recordLog;

        // Those of a form that has them by these names: uic's class of the
        // window's form, or a console tab's own.
        template <class Form>
        static Widgets of(const Form &form)
        {
            return {form.tableWidget_log,    form.widget_find,       form.lineEdit_find,
                    form.label_findCount,    form.checkBox_timestamp, form.checkBox_hexView,
                    form.checkBox_logAutoScroll, form.label_sendCnt, form.label_recvCnt,
                    form.pushButton_saveLog, form.pushButton_recordLog};
        }
        // For a console built in code (a console tab, the All ports tab): the
        // widgets made with `parent`, named and set up as in the window's
        // form, the find line's row laid out; the caller places the rest.
        static Widgets make(QWidget *parent);
    };

    // `owner` parents the file dialogs, holds the find keys (Ctrl+F, F3,
    // Shift+F3) and owns this object. `bar` (may be null) shows passing notes
    // (the row limit reached, a recording ended) and holds the recording's
    // label in its permanent area; without one the notes go to `finalStatus`
    // too and the label waits for the owner to place it (recordingLabel()).
    // `finalStatus` shows a message that ends an action (a save, a failed
    // recording) for its time.
    LogView(const Widgets &widgets, ConsoleModel &model, QWidget *owner, QStatusBar *bar,
            std::function<void(const QString &text, int ms)> finalStatus);
    ~LogView() override;

    // A row as it is logged: to the recording, when one runs.
    // A timeline's row has its port's name in a column of its own.
    void record(const QByteArray &raw, bool sent, qint64 msecs, wiretext::Encoding encoding, QByteArrayView port = {});
    // After a flush: the new rows measured, the find line's count, the bottom
    // in view. While the log is hidden (another tab shown) only the count:
    // the rows are measured and the bottom scrolled to when it shows again.
    void showNewRows(int firstRow);
    // After the log was cleared.
    void cleared();

    bool saveLogTo(const QString &path);
    bool startRecording(const QString &path);
    bool recording() const { return bool(recorder); }
    QTimer *recordTimer() const { return recordClock; }
    // "Recording: file · size", shown while a recording runs.
    QLabel *recordingLabel() const { return recordLabel; }
    // For a console built in code: the counters, the recording's label, Save,
    // Record and `clear`, in one row.
    QHBoxLayout *counterRow(QWidget *clear);
    // The find keys act while the focus is inside `scope` (the owner at first):
    // each console's own, so that two consoles' keys never clash.
    void setKeyScope(QWidget *scope);

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
    void showNote(const QString &text, int ms);
    bool eventFilter(QObject *watched, QEvent *event) override;
    void catchUp();

    Widgets ui;
    ConsoleModel &model;
    QWidget *owner;
    QStatusBar *bar;   // or null
    std::function<void(const QString &, int)> finalStatus;
    LogDelegate *delegate = nullptr;
    std::unique_ptr<LogRecorder> recorder;   // set while recording
    logtext::FileLine recordFormat;
    QTimer *recordClock = nullptr;           // the recording's once-a-second write
    QAction *findOpen = nullptr;             // Ctrl+F, also in the log's menu
    QAction *findNext = nullptr, *findPrevious = nullptr;   // F3, Shift+F3: on while the find line is open
    QLabel *recordLabel = nullptr;           // in the status bar's permanent area, or where the owner put it
    int unmeasuredFrom = -1;                 // while hidden: the first row not measured yet (-1: none)
    bool scrollWaiting = false;              // while hidden: rows came with auto-scroll on
};

#endif // LOGVIEW_H
