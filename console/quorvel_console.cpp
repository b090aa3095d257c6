// The console: the log table of sent and received lines with its counters,
// the command line with its completer, and periodic sending.
#include "app/quorvel.h"

#include <QCompleter>
#include <QHeaderView>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTableWidgetItem>
#include <QTimer>

#include "console/logdelegate.h"

namespace {
const QColor sendColor(220, 245, 250, 255);
const QColor recvColor(250, 240, 220, 255);
} // namespace

void Quorvel::initLogTable()
{
    ui.tableWidget_log->setColumnCount(1);
    ui.tableWidget_log->verticalHeader()->hide();
    ui.tableWidget_log->horizontalHeader()->hide();
    ui.tableWidget_log->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui.tableWidget_log->horizontalHeader()->setStretchLastSection(true);
    ui.tableWidget_log->setItemDelegate(new LogDelegate(ui.tableWidget_log));
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

void Quorvel::addStrToLog(QString str, Quorvel::logType type)
{
    // One shared brush per colour: a brush made per row costs an allocation each.
    static const QBrush sendBrush(sendColor);
    static const QBrush recvBrush(recvColor);
    const QBrush *brush;
    if (type == logSend) {
        if (!ui.checkBox_log_cmd->isChecked())
            return;
        brush = &sendBrush;
    } else if (type == logRecv) {
        brush = &recvBrush;
    } else {
        return;
    }
    auto *item = new QTableWidgetItem(str);
    item->setBackground(*brush);
    const int row = ui.tableWidget_log->rowCount();
    ui.tableWidget_log->insertRow(row);
    ui.tableWidget_log->setItem(row, 0, item);

    // Scrolling costs more the longer the table is: once per batch of rows
    // (one turn of the event loop), not once per row.
    if (ui.checkBox_logAutoScroll->isChecked() && !logScrollPending) {
        logScrollPending = true;
        QTimer::singleShot(0, this, &Quorvel::scrollLogIfWanted);
    }
}

void Quorvel::scrollLogIfWanted()
{
    logScrollPending = false;
    if (ui.checkBox_logAutoScroll->isChecked())
        ui.tableWidget_log->scrollToBottom();
}

void Quorvel::on_pushButton_clearLog_clicked()
{
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
    // Digits only, and no more than a timer's interval can hold.
    static const QRegularExpression digitsOnly(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+")));
    const QString text = ui.lineEdit_regular_time->text();
    bool ok = digitsOnly.match(text).hasMatch();
    const qulonglong period = ok ? text.toULongLong(&ok) : 0;
    if (!ok || period > qulonglong(std::numeric_limits<int>::max())) {
        QMessageBox::warning(this, QStringLiteral("Quorvel"), tr("定时时间错误"));
        ui.checkBox_regulerSend->setChecked(false);
        return;
    }
    regularSendTimer->start(int(period));
    ui.lineEdit_regular_time->setEnabled(false);
}
