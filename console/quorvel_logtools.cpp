// What the technician does with the log beyond reading it: times and hex
// view, rows one text line high and as wide as the widest, copying rows,
// the find line (Ctrl+F, Enter/F3 and Shift+Enter/Shift+F3, Esc), saving
// the rows to a file and recording every row from now on to a file. Each
// row keeps its bytes and its time; the texts come from console/logtext.
#include "app/quorvel.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>

#include <QAbstractItemView>
#include <QCompleter>

#include <functional>

#include "console/logdelegate.h"

namespace {

// Key presses of one widget handled by a function; true: taken.
class KeyHandler : public QObject
{
public:
    KeyHandler(QObject *parent, std::function<bool(QKeyEvent *)> handle)
        : QObject(parent), m_handle(std::move(handle))
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        return event->type() == QEvent::KeyPress && m_handle(static_cast<QKeyEvent *>(event));
    }

private:
    std::function<bool(QKeyEvent *)> m_handle;
};

const LogItem *logItem(const QTableWidget *log, int row)
{
    return static_cast<const LogItem *>(log->item(row, 0));
}

QString defaultLogPath()
{
    return QDir::current().filePath(QStringLiteral("quorvel-%1.log")
                                        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
}

} // namespace

void Quorvel::initLogTools()
{
    QTableWidget *log = ui.tableWidget_log;
    // A terminal's font, one text line per row: hex columns line up and the
    // table shows about half again as many rows as at the default 30 px.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(log->font().pointSizeF());
    log->setFont(fixed);
    const int height = LogDelegate::rowHeight(log->fontMetrics());
    log->verticalHeader()->setMinimumSectionSize(height);
    log->verticalHeader()->setDefaultSectionSize(height);
    log->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    log->setSelectionBehavior(QAbstractItemView::SelectRows);
    log->setSelectionMode(QAbstractItemView::ExtendedSelection);
    log->setWordWrap(false);
    log->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);   // along one long line

    auto *copy = new QAction(log);
    copy->setObjectName(QStringLiteral("action_copyLog"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, &Quorvel::copyLogRows);
    log->addAction(copy);
    log->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(log, &QWidget::customContextMenuRequested, this, &Quorvel::showLogMenu);

    auto *find = new QAction(this);
    find->setObjectName(QStringLiteral("action_find"));
    find->setShortcut(QKeySequence::Find);
    connect(find, &QAction::triggered, this, &Quorvel::openFind);
    auto *next = new QAction(this);
    next->setShortcut(Qt::Key_F3);
    connect(next, &QAction::triggered, this, [this] { findRow(1); });
    auto *previous = new QAction(this);
    previous->setShortcut(Qt::SHIFT | Qt::Key_F3);
    connect(previous, &QAction::triggered, this, [this] { findRow(-1); });
    addActions({find, next, previous});
    ui.widget_find->hide();
    ui.lineEdit_find->installEventFilter(new KeyHandler(ui.lineEdit_find, [this](QKeyEvent *key) {
        if (key->key() == Qt::Key_Escape) {
            closeFind();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            findRow(key->modifiers() & Qt::ShiftModifier ? -1 : 1);
            return true;
        }
        return false;
    }));
    connect(ui.lineEdit_find, &QLineEdit::textChanged, this, [this] { countFound(0); });

    ui.lineEdit_cmd->installEventFilter(new KeyHandler(ui.lineEdit_cmd, [this](QKeyEvent *key) {
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // Enter sends, as Send does; with the completer's list open it
            // takes the highlighted word first, and the next Enter sends.
            const QCompleter *completer = ui.lineEdit_cmd->completer();
            if (completer && completer->popup() && completer->popup()->isVisible())
                return false;
            on_pushButton_send_clicked();
            return true;
        }
        if (key->key() != Qt::Key_Up && key->key() != Qt::Key_Down)
            return false;
        walkHistory(key->key() == Qt::Key_Up ? -1 : 1);
        return true;
    }));

    recordTimer = new QTimer(this);
    recordTimer->setInterval(1000);
    connect(recordTimer, &QTimer::timeout, this, &Quorvel::writeRecording);
    recordLabel = new QLabel;
    recordLabel->setObjectName(QStringLiteral("label_recording"));
    recordLabel->hide();
    statusBar()->insertPermanentWidget(0, recordLabel);

    connect(ui.checkBox_timestamp, &QCheckBox::toggled, this, &Quorvel::showTimes);
    connect(ui.checkBox_hexView, &QCheckBox::toggled, this, &Quorvel::showHex);
    connect(ui.pushButton_saveLog, &QPushButton::clicked, this, &Quorvel::saveLog);
    connect(ui.pushButton_recordLog, &QPushButton::toggled, this, &Quorvel::toggleRecording);
    showTimes(ui.checkBox_timestamp->isChecked());
    showHex(ui.checkBox_hexView->isChecked());
}

void Quorvel::showTimes(bool on)
{
    logDelegate->setShowTime(on);
    fitLogWidth(-1);
    ui.tableWidget_log->viewport()->update();
}

// Rows already shown switch too; their widths and the find line's matches
// change with them.
void Quorvel::showHex(bool on)
{
    logDelegate->setHexView(on);
    logWidest = 0;
    fitLogWidth(0);
    countFound(0);
    ui.tableWidget_log->viewport()->update();
}

// Keeps the column at least as wide as the widest row from firstRow on
// (-1: none, only the time's share changes), so that a long line stays one
// line and the horizontal scroll bar reaches its end. A row is measured
// only when its byte count says it might be wider than what is known.
void Quorvel::fitLogWidth(int firstRow)
{
    QTableWidget *log = ui.tableWidget_log;
    const QFontMetrics metrics = log->fontMetrics();
    const bool hexView = ui.checkBox_hexView->isChecked();
    const int timeWidth = ui.checkBox_timestamp->isChecked()
                              ? metrics.horizontalAdvance(logtext::clock(0) + u' ') : 0;
    const int cell = metrics.horizontalAdvance(u'M');
    const int hexCell = metrics.horizontalAdvance(QStringLiteral("DD "));
    const int room = qMax(logWidest, log->viewport()->width());
    for (int row = qMax(0, firstRow); firstRow >= 0 && row < log->rowCount(); ++row) {
        const LogItem *item = logItem(log, row);
        const qsizetype bytes = item->raw.size();
        int width = 0;
        if (hexView)
            width = int(bytes) * hexCell;
        else if (bytes * 5 * cell > room)   // no row byte is drawn wider than five cells ("<ESC>")
            width = metrics.horizontalAdvance(logDisplayText(item->text()));
        logWidest = qMax(logWidest, width);
    }
    log->horizontalHeader()->setMinimumSectionSize(logWidest + timeWidth + 2 * LogDelegate::textMargin + 2);
}

// A row as one line of text: its time when times are shown, its hex in hex
// view, else its text with what a line cannot hold escaped as in the files.
QString Quorvel::rowCopyText(int row) const
{
    const LogItem *item = logItem(ui.tableWidget_log, row);
    QString text;
    if (ui.checkBox_timestamp->isChecked())
        text = logtext::clock(item->msecs) + u' ';
    if (ui.checkBox_hexView->isChecked())
        text += logtext::hex(item->raw);
    else
        text += QString::fromUtf8(logtext::escaped(item->raw, item->encoding));
    return text;
}

void Quorvel::copyLogRows()
{
    QModelIndexList rows = ui.tableWidget_log->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QStringList lines;
    lines.reserve(rows.size());
    for (const QModelIndex &index : std::as_const(rows))
        lines << rowCopyText(index.row());
    QGuiApplication::clipboard()->setText(lines.join(u'\n'));
}

void Quorvel::showLogMenu(const QPoint &pos)
{
    QTableWidget *log = ui.tableWidget_log;
    QMenu menu;
    QAction *copy = log->findChild<QAction *>(QStringLiteral("action_copyLog"));
    copy->setText(tr("复制"));
    copy->setEnabled(log->selectionModel()->hasSelection());
    menu.addAction(copy);
    QAction *find = findChild<QAction *>(QStringLiteral("action_find"));
    find->setText(tr("查找"));
    menu.addAction(find);
    menu.exec(log->viewport()->mapToGlobal(pos));
}

void Quorvel::openFind()
{
    ui.widget_find->show();
    ui.lineEdit_find->setPlaceholderText(tr("查找"));
    ui.lineEdit_find->setFocus();
    ui.lineEdit_find->selectAll();
    countFound(0);
}

void Quorvel::closeFind()
{
    ui.widget_find->hide();
    ui.label_findCount->clear();
    ui.tableWidget_log->setFocus();
}

// The next (step 1) or previous (-1) matching row from the current one,
// round the end: selected and scrolled into view.
void Quorvel::findRow(int step)
{
    if (ui.widget_find->isHidden() || ui.lineEdit_find->text().isEmpty()) {
        openFind();
        return;
    }
    QTableWidget *log = ui.tableWidget_log;
    const int rows = log->rowCount();
    if (findNeedle.isEmpty() || rows == 0)
        return;
    int start = log->currentRow();
    if (start < 0 || start >= rows)
        start = step > 0 ? -1 : rows;
    for (int k = 1; k <= rows; ++k) {
        const int row = ((start + step * k) % rows + rows) % rows;
        const LogItem *item = logItem(log, row);
        if (findNeedle.matches(item->raw, item->encoding)) {
            log->setCurrentCell(row, 0);
            log->scrollToItem(log->item(row, 0), QAbstractItemView::EnsureVisible);
            return;
        }
    }
}

// Counts the matching rows from firstRow on (0: afresh, with the needle
// made again), while the find line is open.
void Quorvel::countFound(int firstRow)
{
    if (ui.widget_find->isHidden())
        return;
    if (firstRow == 0) {
        findNeedle = logtext::Needle(ui.lineEdit_find->text(), ui.checkBox_hexView->isChecked());
        logFound = 0;
    }
    const QTableWidget *log = ui.tableWidget_log;
    if (!findNeedle.isEmpty()) {
        for (int row = firstRow; row < log->rowCount(); ++row) {
            const LogItem *item = logItem(log, row);
            logFound += findNeedle.matches(item->raw, item->encoding);
        }
    }
    ui.label_findCount->setText(ui.lineEdit_find->text().isEmpty() ? QString() : tr("%1 行匹配").arg(logFound));
}

void Quorvel::saveLog()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("保存日志"), defaultLogPath(), tr("日志 (*.log *.txt)"));
    if (!path.isEmpty())
        saveLogTo(path);
}

// The rows in the log now, written aside and renamed over the file.
bool Quorvel::saveLogTo(const QString &path)
{
    flushLog();
    const QTableWidget *log = ui.tableWidget_log;
    const bool hexView = ui.checkBox_hexView->isChecked();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        logtext::FileLine format;
        for (int row = 0; row < log->rowCount(); ++row) {
            const LogItem *item = logItem(log, row);
            file.write(format.line(item->msecs, item->sent, item->raw, item->encoding, hexView));
        }
        if (file.commit()) {
            showFinalStatus(tr("日志已保存到 %1（%2 行）").arg(QDir::toNativeSeparators(path)).arg(log->rowCount()), 10000);
            return true;
        }
    }
    showFinalStatus(tr("不能保存日志到 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString()), 10000);
    return false;
}

void Quorvel::toggleRecording(bool on)
{
    if (!on) {
        stopRecording();
        return;
    }
    if (recorder)
        return;
    const QString path = QFileDialog::getSaveFileName(this, tr("记录到文件"), defaultLogPath(), tr("日志 (*.log *.txt)"),
                                                      nullptr, QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty() || !startRecording(path)) {
        const QSignalBlocker quiet(ui.pushButton_recordLog);
        ui.pushButton_recordLog->setChecked(false);
    }
}

// Every row from now on, appended to the file: the rows the row limit later
// drops from the table too.
bool Quorvel::startRecording(const QString &path)
{
    stopRecording();
    recorder = std::make_unique<LogRecorder>();
    QString why;
    if (!recorder->open(path, &why)) {
        recorder.reset();
        showFinalStatus(tr("不能记录到 %1：%2").arg(QDir::toNativeSeparators(path), why), 10000);
        return false;
    }
    recordTimer->start();
    const QSignalBlocker quiet(ui.pushButton_recordLog);
    ui.pushButton_recordLog->setChecked(true);
    showRecording();
    return true;
}

void Quorvel::stopRecording()
{
    if (!recorder)
        return;
    writeRecording();
    if (!recorder)
        return;   // the last write failed and said so
    const QString path = recorder->path();
    const qint64 size = recorder->size();
    endRecording();
    statusBar()->showMessage(tr("记录已结束：%1（%2）").arg(QDir::toNativeSeparators(path), QLocale().formattedDataSize(size)),
                             10000);
}

// The recording closed: its file, its once-a-second write, its label and the button's state.
void Quorvel::endRecording()
{
    recorder.reset();
    recordTimer->stop();
    recordLabel->hide();
    const QSignalBlocker quiet(ui.pushButton_recordLog);
    ui.pushButton_recordLog->setChecked(false);
}

// The rows formatted since the last write go to the file; a failure ends
// the recording with one message, and the port and the console go on.
void Quorvel::writeRecording()
{
    if (!recorder)
        return;
    QString why;
    if (recorder->writeOut(&why)) {
        showRecording();
        return;
    }
    const QString path = recorder->path();
    endRecording();
    showFinalStatus(tr("记录到 %1 失败：%2。记录已停止").arg(QDir::toNativeSeparators(path), why), 10000);
}

void Quorvel::showRecording()
{
    recordLabel->setText(tr("记录中：%1 · %2")
                             .arg(QFileInfo(recorder->path()).fileName(),
                                  QLocale().formattedDataSize(recorder->size() + recorder->waiting())));
    recordLabel->setToolTip(QDir::toNativeSeparators(recorder->path()));
    recordLabel->show();
}
