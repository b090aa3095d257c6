// The seven controls that act on the module at once. Each sends one fixed
// command and does not wait: the answer reaches the log and, through
// commonRspProc, the status bar. With the port closed nothing is sent.
#include "app/quorvel.h"

void Quorvel::on_pushButton_reset_clicked()
{
    sendCmd(QStringLiteral("AT+RST"));
}

void Quorvel::on_pushButton_restore_clicked()
{
    sendCmd(QStringLiteral("AT+DFRST"));
}

void Quorvel::on_comboBox_defaultWorkMode_currentIndexChanged(int index)
{
    workModeChosen = true;   // a profile written from now on states it
    sendCmd(index == 0 ? QStringLiteral("AT+ATTP=0") : QStringLiteral("AT+ATTP=1"));
}

void Quorvel::on_pushButton_startNet_clicked()
{
    sendCmd(QStringLiteral("AT+STANET=1"));
}

void Quorvel::on_pushButton_leaveNet_clicked()
{
    sendCmd(QStringLiteral("AT+STANET=0"));
}

void Quorvel::on_pushButton_enter_TP_clicked()
{
    sendCmd(QStringLiteral("AT+TPMOD"));
}

void Quorvel::on_pushButton_quit_TP_clicked()
{
    comSend(QStringLiteral("+++"));   // no line end: the module takes the three characters alone
}
