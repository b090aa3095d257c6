// What the technician does with the log beyond reading it: times and hex
// view, rows one text line high and as wide as the widest, copying rows,
// the find line (Ctrl+F, Enter/F3 and Shift+Enter/Shift+F3, Esc), saving
// the rows to a file and recording every row from now on to a file. Each
// row is ConsoleModel's, with its bytes and its time; the texts come from
// console/logtext.
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
#include <QTableView>
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

QString defaultLogPath()
{
    return QDir::current().filePath(QStringLiteral("quorvel-%1.log")
                                        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
}

} // namespace

void Quorvel::initLogTools()
{
    QTableView *log = ui.tableWidget_log;
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
    connect(ui.lineEdit_find, &QLineEdit::textChanged, this, [this] {
        if (!ui.widget_find->isHidden())
            logModel.find(ui.lineEdit_find->text(), ui.checkBox_hexView->isChecked());
        countFound();
    });

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
    logDelegate->forgetWidest();
    fitLogWidth(0);
    if (!ui.widget_find->isHidden())
        logModel.find(ui.lineEdit_find->text(), on);
    countFound();
    ui.tableWidget_log->viewport()->update();
}

// Keeps the column at least as wide as the widest row from firstRow on
// (-1: none, only the time's share changes), so that a long line stays one
// line and the horizontal scroll bar reaches its end.
void Quorvel::fitLogWidth(int firstRow)
{
    QTableView *log = ui.tableWidget_log;
    const QFontMetrics metrics = log->fontMetrics();
    const int timeWidth = ui.checkBox_timestamp->isChecked()
                              ? metrics.horizontalAdvance(logtext::clock(0) + u' ') : 0;
    const int widest = logDelegate->measureWidest(logModel, firstRow, metrics, log->viewport()->width());
    log->horizontalHeader()->setMinimumSectionSize(widest + timeWidth + 2 * LogDelegate::textMargin + 2);
}

void Quorvel::copyLogRows()
{
    const QModelIndexList selected = ui.tableWidget_log->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    QList<int> rows;
    rows.reserve(selected.size());
    for (const QModelIndex &index : selected)
        rows << index.row();
    QGuiApplication::clipboard()->setText(
        logModel.copyText(rows, ui.checkBox_timestamp->isChecked(), ui.checkBox_hexView->isChecked()));
}

void Quorvel::showLogMenu(const QPoint &pos)
{
    QTableView *log = ui.tableWidget_log;
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
    logModel.find(ui.lineEdit_find->text(), ui.checkBox_hexView->isChecked());
    countFound();
}

void Quorvel::closeFind()
{
    ui.widget_find->hide();
    ui.label_findCount->clear();
    logModel.stopFinding();
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
    QTableView *log = ui.tableWidget_log;
    const int row = logModel.findRow(log->currentIndex().row(), step);
    if (row < 0)
        return;
    const QModelIndex index = logModel.index(row, 0);
    log->setCurrentIndex(index);
    log->scrollTo(index, QAbstractItemView::EnsureVisible);
}

// The find line's count of matching rows, while it is open.
void Quorvel::countFound()
{
    if (ui.widget_find->isHidden())
        return;
    ui.label_findCount->setText(ui.lineEdit_find->text().isEmpty() ? QString() : tr("%1 行匹配").arg(logModel.found()));
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
    logModel.flush();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        logModel.writeRows(&file, ui.checkBox_hexView->isChecked());
        if (file.commit()) {
            showFinalStatus(tr("日志已保存到 %1（%2 行）").arg(QDir::toNativeSeparators(path)).arg(logModel.rowCount()), 10000);
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
