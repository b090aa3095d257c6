// The seven controls that act on the module at once. Each sends one fixed
// command and does not wait: the answer reaches the log and, through
// commonRspProc, the status bar. With the port closed nothing is sent, and
// while a read, a write or an awaited command holds the link nothing is
// sent either (the controls are off then; sendControl says why to a caller).
#include "app/quorvel.h"

#include <QStatusBar>

// Sends a control's command unless the link is held; true when it went out.
bool Quorvel::sendControl(const QString &command, bool lineEnd)
{
    if (cfgLink->held()) {
        refuseSend(commandPanel->running() ? tr("命令列表正在运行，控制台暂不发送")
                                           : tr("正在读写模块的配置，控制台暂不发送"));
        return false;
    }
    if (lineEnd)
        sendCmd(command);   // its answer is owed (ConsoleAnswers::sent)
    else
        cfgLink->send(command);
    return true;
}

void Quorvel::on_pushButton_reset_clicked()
{
    sendControl(QStringLiteral("AT+RST"));
}

void Quorvel::on_pushButton_restore_clicked()
{
    sendControl(QStringLiteral("AT+DFRST"));
}

void Quorvel::on_comboBox_defaultWorkMode_currentIndexChanged(int index)
{
    workModeChosen = true;   // a profile written from now on states it
    sendControl(index == 0 ? QStringLiteral("AT+ATTP=0") : QStringLiteral("AT+ATTP=1"));
}

void Quorvel::on_pushButton_startNet_clicked()
{
    sendControl(QStringLiteral("AT+STANET=1"));
}

void Quorvel::on_pushButton_leaveNet_clicked()
{
    sendControl(QStringLiteral("AT+STANET=0"));
}

void Quorvel::on_pushButton_enter_TP_clicked()
{
    sendControl(QStringLiteral("AT+TPMOD"));
}

void Quorvel::on_pushButton_quit_TP_clicked()
{
    sendControl(QStringLiteral("+++"), false);   // no line end: the module takes the three characters alone
}
