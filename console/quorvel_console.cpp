// The console: the log table of sent and received lines with its counters,
// the command line with its completer, and periodic sending.
#include "app/quorvel.h"

#include <QCompleter>
#include <QDateTime>
#include <QHeaderView>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidgetItem>
#include <QTimer>

#include "console/logdelegate.h"

namespace {
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
    logDelegate = new LogDelegate(ui.tableWidget_log);
    ui.tableWidget_log->setItemDelegate(logDelegate);
    logFlushTimer = new QTimer(this);
    logFlushTimer->setSingleShot(true);
    logFlushTimer->setInterval(logFlushMs);
    connect(logFlushTimer, &QTimer::timeout, this, &Quorvel::flushLog);
    initLogTools();
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
    logBytes(wiretext::encode(str, serialLink.encoding()), type, QDateTime::currentMSecsSinceEpoch());
}

void Quorvel::logBytes(const QByteArray &raw, Quorvel::logType type, qint64 msecs)
{
    if (type == logSend) {
        if (!ui.checkBox_log_cmd->isChecked())
            return;
    } else if (type != logRecv) {
        return;
    }
    QByteArray kept = raw;
    if (kept.capacity() > kept.size() + 16)
        kept.squeeze();   // an encoder's or a read's spare room would stay with the row
    logPending.append(LogEntry{kept, msecs, type, serialLink.encoding()});
    if (!logFlushTimer->isActive())
        logFlushTimer->start();
    if (recorder) {
        recorder->append(recordFormat.line(msecs, type == logSend, kept, serialLink.encoding(), ui.checkBox_hexView->isChecked()));
        if (recorder->waiting() >= (1 << 20))   // a megabyte goes out at once, not only at the next second
            writeRecording();
    }
}

// Received bytes are counted with the log rows, at the next repaint.
void Quorvel::countReceived(qint64 n)
{
    recvCountPending += n;
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
    QTableWidget *log = ui.tableWidget_log;
    const int first = log->rowCount();
    int row = first;
    log->setRowCount(row + int(logPending.size()));
    for (const LogEntry &entry : std::as_const(logPending))
        log->setItem(row++, 0, new LogItem(entry.msecs, entry.raw, entry.type == logSend, entry.encoding));
    logPending.clear();
    fitLogWidth(first);
    const int before = log->rowCount();
    dropOldLogRows();   // counts the find line's matches afresh when it drops rows
    if (log->rowCount() == before)
        countFound(first);
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
    countFound(0);
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
    logWidest = 0;
    fitLogWidth(0);
    countFound(0);
    ui.label_sendCnt->setText(QStringLiteral("0"));
    ui.label_recvCnt->setText(QStringLiteral("0"));
}

// Text goes out only when the wire encoding has bytes for all of it, hex
// only when it is whole byte pairs: a refused line sends nothing and says
// which character stopped it.
void Quorvel::on_pushButton_send_clicked()
{
    if (!serialLink.isOpen())
        return;
    // A read, a write or an awaited command owns the link: a line of the
    // console in between would be answered in its place. The periodic send
    // skips its turns meanwhile and goes on after.
    if (linkHeld()) {
        if (sender() != regularSendTimer)
            refuseSend(tr("正在读写模块的配置，控制台暂不发送"));
        return;
    }
    const QString line = ui.lineEdit_cmd->text();
    if (ui.checkBox_hexSend->isChecked()) {
        qsizetype bad = -1;
        const std::optional<QByteArray> bytes = logtext::parseHex(line, &bad);
        if (bytes && bytes->isEmpty()) {
            refuseSend(tr("没有要发送的十六进制字节"));
            return;
        }
        if (!bytes) {
            refuseSend(tr("不是十六进制字节，第 %1 个字符“%2”有误，没有发送")
                           .arg(QStringView(line).left(bad).toUcs4().size() + 1)
                           .arg(line.mid(bad, line.at(bad).isHighSurrogate() ? 2 : 1)));
            return;
        }
        rememberCmd(line);
        if (bytes->endsWith("\r\n"))
            expectConsoleAnswer();
        serialLink.sendBytes(*bytes);   // exactly these bytes: no line end added
        return;
    }
    QString text = line;
    if (ui.checkBox_sendNewLine->isChecked())
        text += QStringLiteral("\r\n");
    const qsizetype bad = logtext::firstUnencodable(text, serialLink.encoding());
    if (bad >= 0) {
        const QString character = text.mid(bad, text.at(bad).isHighSurrogate() ? 2 : 1);
        refuseSend(tr("%1 编码不能表示第 %2 个字符“%3”（U+%4），没有发送")
                       .arg(wiretext::name(serialLink.encoding()))
                       .arg(QStringView(text).left(bad).toUcs4().size() + 1)
                       .arg(character)
                       .arg(QString::number(character.toUcs4().value(0), 16).toUpper().rightJustified(4, u'0')));
        return;
    }
    rememberCmd(line);
    if (text.endsWith(QLatin1String("\r\n")))
        expectConsoleAnswer();
    comSend(text);
}

void Quorvel::refuseSend(const QString &why)
{
    statusBar()->showMessage(why, 10000);
}

// The history: the last 100 lines sent from the command line, no two the
// same in a row; Up and Down walk it, past the newest is the line being typed.
void Quorvel::rememberCmd(const QString &cmd)
{
    if (!cmd.isEmpty() && (cmdHistory.isEmpty() || cmdHistory.constLast() != cmd)) {
        cmdHistory.append(cmd);
        if (cmdHistory.size() > 100)
            cmdHistory.removeFirst();
    }
    historyPos = int(cmdHistory.size());
}

void Quorvel::walkHistory(int step)
{
    const int size = int(cmdHistory.size());
    historyPos = qBound(0, historyPos, size);
    const int next = historyPos + step;
    if (next < 0 || next > size)
        return;
    if (historyPos == size)
        historyDraft = ui.lineEdit_cmd->text();
    historyPos = next;
    ui.lineEdit_cmd->setText(next == size ? historyDraft : cmdHistory.at(next));
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
        warnUser(tr("定时时间错误"));
        ui.checkBox_regulerSend->setChecked(false);
        return;
    }
    regularSendTimer->start(int(period));
    ui.lineEdit_regular_time->setEnabled(false);
}
