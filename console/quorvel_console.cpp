// The console: the log table of sent and received lines with its counters,
// the command line with its completer, and periodic sending.
#include "app/quorvel.h"

#include <QCompleter>
#include <QHeaderView>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidgetItem>
#include <QTimer>

#include "console/logdelegate.h"

namespace {
const QColor sendColor(220, 245, 250, 255);
const QColor recvColor(250, 240, 220, 255);
// New rows and the receive counter reach the screen at most this often.
constexpr int logFlushMs = 33;
} // namespace

void Quorvel::initLogTable()
{
    ui.tableWidget_log->setColumnCount(1);
    ui.tableWidget_log->verticalHeader()->hide();
    ui.tableWidget_log->horizontalHeader()->hide();
    ui.tableWidget_log->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui.tableWidget_log->horizontalHeader()->setStretchLastSection(true);
    ui.tableWidget_log->setItemDelegate(new LogDelegate(ui.tableWidget_log));
    logFlushTimer = new QTimer(this);
    logFlushTimer->setSingleShot(true);
    logFlushTimer->setInterval(logFlushMs);
    connect(logFlushTimer, &QTimer::timeout, this, &Quorvel::flushLog);
}

void Quorvel::initCmdCompleter()
{
    comWordList = QStringList{
        QStringLiteral("AT"),        QStringLiteral("AT+HELP"),   QStringLiteral("AT+RSPMOD"),
        QStringLiteral("AT+UART"),   QStringLiteral("AT+FFRAME"), QStringLiteral("AT+AFRAME"),
        QStringLiteral("AT+APSTA"),  QStringLiteral("AT+NETS"),   QStringLiteral("AT+IPCFG"),
        QStringLiteral("AT+CURIP"),  QStringLiteral("AT+STANET"), QStringLiteral("AT+APMOD"),
        QStringLiteral("AT+APKEY"),  QStringLiteral("AT+DHCP"),   QStringLiteral("AT+STAMOD"),
        QStringLiteral("AT+SCANAP"), QStringLiteral("AT+SKCT"),   QStringLiteral("AT+SEND"),
        QStringLiteral("AT+RECV"),   QStringLiteral("AT+SSOCK"),  QStringLiteral("AT+CLSS"),
        QStringLiteral("AT+CLSAS"),  QStringLiteral("AT+RECVI"),  QStringLiteral("AT+TPSOCK"),
        QStringLiteral("AT+TPMOD"),  QStringLiteral("AT+ATTP"),   QStringLiteral("AT+RST"),
        QStringLiteral("AT+DFRST"),  QStringLiteral("AT+MAC"),    QStringLiteral("AT+VER"),
    };
    auto *completer = new QCompleter(comWordList, this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    ui.lineEdit_cmd->setCompleter(completer);
}

// Entries wait, in order, for the next repaint; a row per event-loop turn
// would have the table laid out and painted thousands of times a second.
void Quorvel::addStrToLog(QString str, Quorvel::logType type)
{
    if (type == logSend) {
        if (!ui.checkBox_log_cmd->isChecked())
            return;
    } else if (type != logRecv) {
        return;
    }
    logPending.append(LogEntry{str, type});
    if (!logFlushTimer->isActive())
        logFlushTimer->start();
}

void Quorvel::flushLog()
{
    logFlushTimer->stop();
    if (recvCountPending != 0) {
        addToCounter(ui.label_recvCnt, recvCountPending);
        recvCountPending = 0;
    }
    if (logPending.isEmpty())
        return;
    // One shared brush per colour: a brush made per row costs an allocation each.
    static const QBrush sendBrush(sendColor);
    static const QBrush recvBrush(recvColor);
    QTableWidget *log = ui.tableWidget_log;
    int row = log->rowCount();
    log->setRowCount(row + int(logPending.size()));
    for (const LogEntry &entry : std::as_const(logPending)) {
        auto *item = new QTableWidgetItem(entry.text);
        item->setBackground(entry.type == logSend ? sendBrush : recvBrush);
        log->setItem(row++, 0, item);
    }
    logPending.clear();
    dropOldLogRows();
    if (ui.checkBox_logAutoScroll->isChecked())
        log->scrollToBottom();
}

// Past logMaxRows the oldest rows go a tenth of the limit at a time, so that
// the cost per row stays flat. A reader scrolled up keeps the rows in view.
void Quorvel::dropOldLogRows()
{
    QTableWidget *log = ui.tableWidget_log;
    const int excess = log->rowCount() - logMaxRows;
    if (excess <= 0)
        return;
    const int block = logMaxRows / 10;
    const int drop = (excess + block - 1) / block * block;
    QScrollBar *bar = log->verticalScrollBar();
    const int step = log->verticalScrollMode() == QAbstractItemView::ScrollPerItem ? 1 : log->rowHeight(0);
    const int value = bar->value();
    log->model()->removeRows(0, drop);
    bar->setValue(qMax(0, value - drop * step));
    if (!logDropAnnounced) {
        logDropAnnounced = true;
        statusBar()->showMessage(tr("日志已超过 %1 行，最早的行正在被删除").arg(logMaxRows), 10000);
    }
}

void Quorvel::on_pushButton_clearLog_clicked()
{
    // Entries not shown yet were logged before the click: they go too.
    logPending.clear();
    recvCountPending = 0;
    logFlushTimer->stop();
    ui.tableWidget_log->setRowCount(0);
    ui.label_sendCnt->setText(QStringLiteral("0"));
    ui.label_recvCnt->setText(QStringLiteral("0"));
}

void Quorvel::on_pushButton_send_clicked()
{
    if (!comIsOpen)
        return;
    QString text = ui.lineEdit_cmd->text();
    if (ui.checkBox_sendNewLine->isChecked())
        text += QStringLiteral("\r\n");
    comSend(text);
}

void Quorvel::on_checkBox_regulerSend_toggled(bool checked)
{
    if (!checked) {
        regularSendTimer->stop();
        ui.lineEdit_regular_time->setEnabled(true);
        return;
    }
    // Digits only, and no more than a timer's interval can hold; 0 would
    // send on every idle turn of the event loop.
    static const QRegularExpression digitsOnly(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+")));
    const QString text = ui.lineEdit_regular_time->text();
    bool ok = digitsOnly.match(text).hasMatch();
    const qulonglong period = ok ? text.toULongLong(&ok) : 0;
    if (!ok || period == 0 || period > qulonglong(std::numeric_limits<int>::max())) {
        QMessageBox::warning(this, QStringLiteral("Quorvel"), tr("定时时间错误"));
        ui.checkBox_regulerSend->setChecked(false);
        return;
    }
    regularSendTimer->start(int(period));
    ui.lineEdit_regular_time->setEnabled(false);
}
