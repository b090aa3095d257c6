// The log view's tools; see logview.h. Each row is ConsoleModel's, with its
// bytes and its time.
#include "app/logview.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
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

#include <functional>

#include "app/keyhandler.h"
#include "console/consolemodel.h"
#include "console/logdelegate.h"

namespace {

QString defaultLogPath()
{
    return QDir::current().filePath(QStringLiteral("quorvel-%1.log")
                                        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
}

} // namespace

LogView::Widgets LogView::Widgets::make(QWidget *parent)
{
    const auto named = [](auto *w, const char *name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    Widgets ui{};
    ui.checkBox_timestamp = named(new QCheckBox(parent), "checkBox_timestamp");
    ui.checkBox_hexView = named(new QCheckBox(parent), "checkBox_hexView");
    ui.checkBox_logAutoScroll = named(new QCheckBox(parent), "checkBox_logAutoScroll");
    ui.checkBox_logAutoScroll->setChecked(true);
    ui.label_sendCnt = named(new QLabel(QStringLiteral("0"), parent), "label_sendCnt");
    ui.label_recvCnt = named(new QLabel(QStringLiteral("0"), parent), "label_recvCnt");
    ui.pushButton_saveLog = named(new QPushButton(parent), "pushButton_saveLog");
    ui.pushButton_recordLog = named(new QPushButton(parent), "pushButton_recordLog");
    ui.pushButton_recordLog->setCheckable(true);
    ui.widget_find = named(new QWidget(parent), "widget_find");
    ui.lineEdit_find = named(new QLineEdit(ui.widget_find), "lineEdit_find");
    ui.label_findCount = named(new QLabel(ui.widget_find), "label_findCount");
    auto *findRow = new QHBoxLayout(ui.widget_find);
    findRow->setContentsMargins(0, 0, 0, 0);
    findRow->addWidget(ui.lineEdit_find);
    findRow->addWidget(ui.label_findCount);
    QTableView *log = ui.tableWidget_log = named(new QTableView(parent), "tableWidget_log");
    log->setFrameShape(QFrame::Box);
    log->setFrameShadow(QFrame::Sunken);
    log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log->setEditTriggers(QAbstractItemView::NoEditTriggers);
    log->setTextElideMode(Qt::ElideNone);
    return ui;
}

QHBoxLayout *LogView::counterRow(QWidget *clear)
{
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("S："), owner));
    row->addWidget(ui.label_sendCnt);
    row->addWidget(new QLabel(QStringLiteral("R："), owner));
    row->addWidget(ui.label_recvCnt);
    row->addWidget(recordLabel);
    row->addStretch();
    row->addWidget(ui.pushButton_saveLog);
    row->addWidget(ui.pushButton_recordLog);
    row->addWidget(clear);
    return row;
}

void LogView::setKeyScope(QWidget *scope)
{
    for (QAction *key : {findOpen, findNext, findPrevious}) {
        if (auto *before = qobject_cast<QWidget *>(key->parent()); before && before != scope)
            before->removeAction(key);
        key->setParent(scope);
        key->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        scope->addAction(key);
    }
}

LogView::LogView(const Widgets &widgets, ConsoleModel &rows, QWidget *holder, QStatusBar *statusBar,
                 std::function<void(const QString &, int)> showFinal)
    : QObject(holder), ui(widgets), model(rows), owner(holder), bar(statusBar), finalStatus(std::move(showFinal))
{
    QTableView *log = ui.tableWidget_log;
    log->setModel(&model);
    log->verticalHeader()->hide();
    log->horizontalHeader()->hide();
    log->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    log->horizontalHeader()->setStretchLastSection(true);
    delegate = new LogDelegate(log);
    log->setItemDelegate(delegate);
    connect(&model, &ConsoleModel::flushed, this, &LogView::showNewRows);
    // The counters change at every flush. They hold twelve digits at a size
    // of their own: a growing count never moves the rest of their row, and a
    // label of no fixed size would ask every layout above it to lay out again
    // at each new text (the tab widget over them all then repaints the whole
    // page).
    for (QLabel *counter : {ui.label_sendCnt, ui.label_recvCnt}) {
        counter->ensurePolished();
        counter->setFixedWidth(qMax(60, counter->fontMetrics().horizontalAdvance(QStringLiteral("000000000000")) + 4));
        counter->setFixedHeight(qMax(counter->minimumHeight(), counter->sizeHint().height()));
    }
    connect(&model, &ConsoleModel::countersChanged, this, [this](qint64 sent, qint64 received) {
        ui.label_sendCnt->setText(QString::number(sent));
        ui.label_recvCnt->setText(QString::number(received));
    });
    connect(&model, &ConsoleModel::limitReached, this, [this](int maxRows) {
        showNote(tr("日志已超过 %1 行，最早的行正在被删除").arg(maxRows), 10000);
    });
    // Rows dropped for the bound: a reader scrolled up keeps the rows in view.
    const auto scrolledTo = std::make_shared<int>(0);
    connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [log, scrolledTo] { *scrolledTo = log->verticalScrollBar()->value(); });
    connect(&model, &QAbstractItemModel::rowsRemoved, this,
            [this, log, scrolledTo](const QModelIndex &, int first, int last) {
                const int step = log->verticalScrollMode() == QAbstractItemView::ScrollPerItem ? 1 : log->rowHeight(0);
                log->verticalScrollBar()->setValue(qMax(0, *scrolledTo - (last - first + 1) * step));
                // The rows still to measure move up with the rest.
                if (unmeasuredFrom > first)
                    unmeasuredFrom = qMax(first, unmeasuredFrom - (last - first + 1));
            });
    // A hidden log catches up with its rows as it shows.
    log->installEventFilter(this);

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
    connect(copy, &QAction::triggered, this, &LogView::copyRows);
    log->addAction(copy);
    log->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(log, &QWidget::customContextMenuRequested, this, &LogView::showMenu);

    findOpen = new QAction(owner);
    findOpen->setObjectName(QStringLiteral("action_find"));
    findOpen->setShortcut(QKeySequence::Find);
    connect(findOpen, &QAction::triggered, this, &LogView::openFind);
    findNext = new QAction(owner);
    findNext->setObjectName(QStringLiteral("action_findNext"));
    findNext->setShortcut(Qt::Key_F3);
    connect(findNext, &QAction::triggered, this, [this] { findRow(1); });
    findPrevious = new QAction(owner);
    findPrevious->setShortcut(Qt::SHIFT | Qt::Key_F3);
    connect(findPrevious, &QAction::triggered, this, [this] { findRow(-1); });
    findNext->setEnabled(false);
    findPrevious->setEnabled(false);
    setKeyScope(owner);
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
            model.find(ui.lineEdit_find->text(), ui.checkBox_hexView->isChecked());
        countFound();
    });

    recordClock = new QTimer(this);
    recordClock->setInterval(1000);
    connect(recordClock, &QTimer::timeout, this, &LogView::writeRecording);
    recordLabel = new QLabel(owner);
    recordLabel->setObjectName(QStringLiteral("label_recording"));
    recordLabel->hide();
    if (bar)
        bar->insertPermanentWidget(0, recordLabel);

    connect(ui.checkBox_timestamp, &QCheckBox::toggled, this, &LogView::showTimes);
    connect(ui.checkBox_hexView, &QCheckBox::toggled, this, &LogView::showHex);
    connect(ui.pushButton_saveLog, &QPushButton::clicked, this, &LogView::saveLog);
    connect(ui.pushButton_recordLog, &QPushButton::toggled, this, &LogView::toggleRecording);
    showTimes(ui.checkBox_timestamp->isChecked());
    showHex(ui.checkBox_hexView->isChecked());
}

LogView::~LogView() = default;

void LogView::record(const QByteArray &raw, bool sent, qint64 msecs, wiretext::Encoding encoding, QByteArrayView port)
{
    if (!recorder)
        return;
    recordFormat.appendLine(recorder->waitingBytes(), msecs, sent, raw, encoding, ui.checkBox_hexView->isChecked(), port);
    if (recorder->waiting() >= (1 << 20))   // a megabyte goes out at once, not only at the next second
        writeRecording();
}

void LogView::showNewRows(int firstRow)
{
    countFound();
    if (!ui.tableWidget_log->isVisible()) {
        // Measuring every row and laying out the view for each flush would be
        // work no one sees, in every hidden console at once.
        if (unmeasuredFrom < 0 || firstRow < unmeasuredFrom)
            unmeasuredFrom = firstRow;
        scrollWaiting |= ui.checkBox_logAutoScroll->isChecked();
        return;
    }
    fitWidth(firstRow);
    if (ui.checkBox_logAutoScroll->isChecked())
        ui.tableWidget_log->scrollToBottom();
}

// The rows that came while the log was hidden: measured, and the bottom in
// view when auto-scroll was on for them.
void LogView::catchUp()
{
    if (unmeasuredFrom >= 0)
        fitWidth(unmeasuredFrom);
    unmeasuredFrom = -1;
    if (scrollWaiting && ui.checkBox_logAutoScroll->isChecked())
        ui.tableWidget_log->scrollToBottom();
    scrollWaiting = false;
}

bool LogView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched == ui.tableWidget_log)
        catchUp();
    return QObject::eventFilter(watched, event);
}

void LogView::cleared()
{
    unmeasuredFrom = -1;
    delegate->forgetWidest();
    fitWidth(0);
    countFound();
}

void LogView::showTimes(bool on)
{
    delegate->setShowTime(on);
    fitWidth(-1);
    ui.tableWidget_log->viewport()->update();
}

// Rows already shown switch too; their widths and the find line's matches
// change with them.
void LogView::showHex(bool on)
{
    delegate->setHexView(on);
    delegate->forgetWidest();
    fitWidth(0);
    if (!ui.widget_find->isHidden())
        model.find(ui.lineEdit_find->text(), on);
    countFound();
    ui.tableWidget_log->viewport()->update();
}

// Keeps the column at least as wide as the widest row from firstRow on
// (-1: none, only the time's share changes), so that a long line stays one
// line and the horizontal scroll bar reaches its end.
void LogView::fitWidth(int firstRow)
{
    QTableView *log = ui.tableWidget_log;
    const QFontMetrics metrics = log->fontMetrics();
    const int timeWidth = ui.checkBox_timestamp->isChecked()
                              ? metrics.horizontalAdvance(logtext::clock(0) + u' ') : 0;
    const int widest = delegate->measureWidest(model, firstRow, metrics, log->viewport()->width());
    log->horizontalHeader()->setMinimumSectionSize(widest + timeWidth + 2 * LogDelegate::textMargin + 2);
}

void LogView::copyRows()
{
    const QModelIndexList selected = ui.tableWidget_log->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    QList<int> rows;
    rows.reserve(selected.size());
    for (const QModelIndex &index : selected)
        rows << index.row();
    QGuiApplication::clipboard()->setText(
        model.copyText(rows, ui.checkBox_timestamp->isChecked(), ui.checkBox_hexView->isChecked()));
}

void LogView::showMenu(const QPoint &pos)
{
    QTableView *log = ui.tableWidget_log;
    QMenu menu;
    QAction *copy = log->findChild<QAction *>(QStringLiteral("action_copyLog"));
    copy->setText(tr("复制"));
    copy->setEnabled(log->selectionModel()->hasSelection());
    menu.addAction(copy);
    findOpen->setText(tr("查找"));
    menu.addAction(findOpen);
    menu.exec(log->viewport()->mapToGlobal(pos));
}

void LogView::openFind()
{
    // Its clear button's icon is looked up in the icon theme: at the first
    // find, not at every start.
    ui.lineEdit_find->setClearButtonEnabled(true);
    ui.widget_find->show();
    findNext->setEnabled(true);
    findPrevious->setEnabled(true);
    if (findingChanged)
        findingChanged(true);
    ui.lineEdit_find->setPlaceholderText(tr("查找"));
    ui.lineEdit_find->setFocus();
    ui.lineEdit_find->selectAll();
    model.find(ui.lineEdit_find->text(), ui.checkBox_hexView->isChecked());
    countFound();
}

void LogView::closeFind()
{
    ui.widget_find->hide();
    findNext->setEnabled(false);
    findPrevious->setEnabled(false);
    if (findingChanged)
        findingChanged(false);
    ui.label_findCount->clear();
    model.stopFinding();
    ui.tableWidget_log->setFocus();
}

// The next (step 1) or previous (-1) matching row from the current one,
// round the end: selected and scrolled into view.
void LogView::findRow(int step)
{
    if (ui.widget_find->isHidden() || ui.lineEdit_find->text().isEmpty()) {
        openFind();
        return;
    }
    QTableView *log = ui.tableWidget_log;
    const int row = model.findRow(log->currentIndex().row(), step);
    if (row < 0)
        return;
    const QModelIndex index = model.index(row, 0);
    log->setCurrentIndex(index);
    log->scrollTo(index, QAbstractItemView::EnsureVisible);
}

// The find line's count of matching rows, while it is open.
void LogView::countFound()
{
    if (ui.widget_find->isHidden())
        return;
    ui.label_findCount->setText(ui.lineEdit_find->text().isEmpty() ? QString() : tr("%1 行匹配").arg(model.found()));
}

void LogView::saveLog()
{
    const QString path = QFileDialog::getSaveFileName(owner, tr("保存日志"), defaultLogPath(), tr("日志 (*.log *.txt)"));
    if (!path.isEmpty())
        saveLogTo(path);
}

// The rows in the log now, written aside and renamed over the file.
bool LogView::saveLogTo(const QString &path)
{
    model.flush();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        model.writeRows(&file, ui.checkBox_hexView->isChecked());
        if (file.commit()) {
            finalStatus(tr("日志已保存到 %1（%2 行）").arg(QDir::toNativeSeparators(path)).arg(model.rowCount()), 10000);
            return true;
        }
    }
    finalStatus(tr("不能保存日志到 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString()), 10000);
    return false;
}

void LogView::toggleRecording(bool on)
{
    if (!on) {
        stopRecording();
        return;
    }
    if (recorder)
        return;
    const QString path = QFileDialog::getSaveFileName(owner, tr("记录到文件"), defaultLogPath(), tr("日志 (*.log *.txt)"),
                                                      nullptr, QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty() || !startRecording(path)) {
        const QSignalBlocker quiet(ui.pushButton_recordLog);
        ui.pushButton_recordLog->setChecked(false);
    }
}

// Every row from now on, appended to the file: the rows the row limit later
// drops from the table too.
bool LogView::startRecording(const QString &path)
{
    stopRecording();
    recorder = std::make_unique<LogRecorder>();
    QString why;
    if (!recorder->open(path, &why)) {
        recorder.reset();
        finalStatus(tr("不能记录到 %1：%2").arg(QDir::toNativeSeparators(path), why), 10000);
        return false;
    }
    recordClock->start();
    const QSignalBlocker quiet(ui.pushButton_recordLog);
    ui.pushButton_recordLog->setChecked(true);
    showRecording();
    return true;
}

void LogView::stopRecording()
{
    if (!recorder)
        return;
    writeRecording();
    if (!recorder)
        return;   // the last write failed and said so
    const QString path = recorder->path();
    const qint64 size = recorder->size();
    endRecording();
    showNote(tr("记录已结束：%1（%2）").arg(QDir::toNativeSeparators(path), QLocale().formattedDataSize(size)), 10000);
}

// The recording closed: its file, its once-a-second write, its label and the button's state.
void LogView::endRecording()
{
    recorder.reset();
    recordClock->stop();
    recordLabel->hide();
    const QSignalBlocker quiet(ui.pushButton_recordLog);
    ui.pushButton_recordLog->setChecked(false);
}

// The rows formatted since the last write go to the file; a failure ends
// the recording with one message, and the port and the console go on.
void LogView::writeRecording()
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
    finalStatus(tr("记录到 %1 失败：%2。记录已停止").arg(QDir::toNativeSeparators(path), why), 10000);
}

void LogView::showRecording()
{
    recordLabel->setText(tr("记录中：%1 · %2")
                             .arg(QFileInfo(recorder->path()).fileName(),
                                  QLocale().formattedDataSize(recorder->size() + recorder->waiting())));
    recordLabel->setToolTip(QDir::toNativeSeparators(recorder->path()));
    recordLabel->show();
}

// A passing note: the status bar's, or the owner's one way of saying things.
void LogView::showNote(const QString &text, int ms)
{
    if (bar)
        bar->showMessage(text, ms);
    else
        finalStatus(text, ms);
}
