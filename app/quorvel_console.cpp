// The console: the log view of sent and received lines with its counters
// (the rows and counters are ConsoleModel's),
// the command line with its completer, and periodic sending.
#include "app/quorvel.h"

#include <QDateTime>
#include <QHeaderView>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

#include <memory>

#include "app/commandline_keys.h"
#include "console/consoleset.h"

void Quorvel::initCmdCompleter()
{
    commandlinekeys::install(ui.lineEdit_cmd, &cmdHistory, [this] { on_pushButton_send_clicked(); });
}

// The command panel beside the log: its steps go out as the command line's
// lines do (the wire encoding, the line end when "send new line" is on), its
// run takes every received line, and the port's close ends a run.
void Quorvel::initCommandPanel()
{
    commandPanel = new CommandPanel(
        serialLink,
        [this] {
            if (!serialLink.isOpen())
                return tr("请先打开串口");
            if (serialLink.held() || cfgBusy())
                return tr("正在读写模块的配置，命令列表暂不运行");
            return QString();
        },
        [this](const QString &text, int ms) { statusLine->showFinal(text, ms); }, ui.groupBox_console);
    CommandRun &run = commandPanel->runner();
    run.setTextSender([this](const QString &step) {
        QString refused;
        if (const auto bytes = ConsoleSet::lineToSend(step, false, ui.checkBox_sendNewLine->isChecked(),
                                                      serialLink.encoding(), &refused))
            serialLink.sendBytes(*bytes);
        return refused;
    });
    run.setByteSender([this](const QByteArray &bytes) { serialLink.sendBytes(bytes); });
    connect(this, &Quorvel::recvNewLine, &run, &CommandRun::takeLine);
    connect(&serialLink, &SerialLink::closed, &run, &CommandRun::stop);
    connect(commandPanel, &CommandPanel::runningChanged, this, &Quorvel::updateCfgButtons);
    // Beside the log, the divider the technician's to move.
    auto *split = new QSplitter(Qt::Horizontal, ui.groupBox_console);
    split->setObjectName(QStringLiteral("splitter_commands"));
    const int at = ui.verticalLayout->indexOf(ui.tableWidget_log);
    ui.verticalLayout->insertWidget(at, split, 1);
    split->addWidget(ui.tableWidget_log);
    split->addWidget(commandPanel);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setSizes({3 * split->width(), split->width()});
    split->setChildrenCollapsible(false);
    commandPanel->loadSettings(*settings);
    // F3 finds the next row while the log's find line is open, and sends the third step otherwise.
    logView->findingChanged = [this](bool finding) { commandPanel->setStepKeyEnabled(2, !finding); };
}

// Entries wait, in order, for the next repaint (ConsoleModel::flush).
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
    logModel.append(raw, type == logSend, msecs, serialLink.encoding());
    logView->record(raw, type == logSend, msecs, serialLink.encoding());
}

void Quorvel::on_pushButton_clearLog_clicked()
{
    // Entries not shown yet were logged before the click: they go too.
    logModel.clear();
    logView->cleared();
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
    if (serialLink.held()) {
        if (sender() != regularSendTimer)
            refuseSend(commandPanel->running() ? tr("命令列表正在运行，控制台暂不发送")
                                               : tr("正在读写模块的配置，控制台暂不发送"));
        return;
    }
    const QString line = ui.lineEdit_cmd->text();
    QString why;
    const std::optional<QByteArray> bytes = ConsoleSet::lineToSend(line, ui.checkBox_hexSend->isChecked(),
                                                                   ui.checkBox_sendNewLine->isChecked(),
                                                                   serialLink.encoding(), &why);
    if (!bytes) {
        refuseSend(why);
        return;
    }
    cmdHistory.remember(line);
    serialLink.sendBytes(*bytes);
}

void Quorvel::refuseSend(const QString &why)
{
    statusBar()->showMessage(why, 10000);
}

void Quorvel::on_checkBox_regulerSend_toggled(bool checked)
{
    if (!checked) {
        regularSendTimer->stop();
        ui.lineEdit_regular_time->setEnabled(true);
        return;
    }
    const std::optional<int> period = ConsoleSet::sendPeriod(ui.lineEdit_regular_time->text());
    if (!period) {
        warnUser(tr("定时时间错误"));
        ui.checkBox_regulerSend->setChecked(false);
        return;
    }
    regularSendTimer->start(*period);
    ui.lineEdit_regular_time->setEnabled(false);
}
