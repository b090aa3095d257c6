// The configuration read: fourteen queries, one at a time, each answer parsed
// into the form. Answers are matched to queries by position; a query is sent
// at most twice (one retry after a time-out or an unusable answer).
#include "app/quorvel.h"

#include <QTimer>

#include "protocol/atanswer.h"

void Quorvel::initReadCfgCmds()
{
    readCfgCmds = {
        {QStringLiteral("AT+VER?"), &Quorvel::readVerRsp},
        {QStringLiteral("AT+MAC?"), &Quorvel::readMacRsp},
        {QStringLiteral("AT+APSTA?"), &Quorvel::readApStaRsp},
        {QStringLiteral("AT+NETS?"), &Quorvel::readNetsRsp},
        {QStringLiteral("AT+CURIP?"), &Quorvel::readCurIpRsp},
        {QStringLiteral("AT+UART?"), &Quorvel::readUartRsp},
        {QStringLiteral("AT+APMOD?"), &Quorvel::readApModRsp},
        {QStringLiteral("AT+APKEY?"), &Quorvel::readApKeyRsp},
        {QStringLiteral("AT+STAMOD?"), &Quorvel::readStaModRsp},
        {QStringLiteral("AT+IPCFG?"), &Quorvel::readIpCfgRsp},
        {QStringLiteral("AT+DHCP?"), &Quorvel::readDhcpRsp},
        {QStringLiteral("AT+TPSOCK?"), &Quorvel::readTpSockRsp},
        {QStringLiteral("AT+FFRAME?"), &Quorvel::readFFrameRsp},
        {QStringLiteral("AT+AFRAME?"), &Quorvel::readAFrameRsp},
    };
}

void Quorvel::on_pushButton_readConfiguration_clicked()
{
    // The disabled buttons keep this from happening through the form; a
    // second start would connect the line handler twice.
    if (readCfgRunning || writeCfgRunning || cfgFileBusy)
        return;
    startReadCfg();
    sendReadCfgCmd();
}

void Quorvel::startReadCfg()
{
    readCfgRunning = true;
    ui.pushButton_readConfiguration->setEnabled(false);
    ui.pushButton_writeConfiguartion->setEnabled(false);
    ui.pushButton_Import->setEnabled(false);
    ui.pushButton_Export->setEnabled(false);
    resetCfgWidgets();
    savedTabIndex = ui.tabWidget->currentIndex();
    readCfgIndex = 0;
    readCfgRetry = 0;
    connect(this, &Quorvel::recvNewLine, this, &Quorvel::readCfgRecvNewLine);
}

void Quorvel::sendReadCfgCmd()
{
    if (readCfgIndex >= readCfgCmds.size()) {
        finishReadCfg(true);
        return;
    }
    readCfgTimer->start(3000);
    sendCmd(readCfgCmds.at(readCfgIndex).cmd);
}

void Quorvel::nextReadCfgCmd()
{
    ++readCfgIndex;
    sendReadCfgCmd();
}

void Quorvel::readCfgRecvNewLine(QString recvStr)
{
    if (!readCfgRunning)
        return;
    if (!atanswer::matchesWhole(atanswer::okWithText(), recvStr)
        && !atanswer::matchesWhole(atanswer::errWithText(), recvStr))
        return;   // echoes and unsolicited lines; the time-out keeps running

    bool advance = false;
    const auto handler = readCfgCmds.at(readCfgIndex).handler;
    if (!(this->*handler)(recvStr, &advance)) {
        if (readCfgRetry >= 1) {
            readCfgRetry = 0;
            finishReadCfg(false);
        } else {
            ++readCfgRetry;
            sendReadCfgCmd();
        }
        return;
    }
    if (advance)
        nextReadCfgCmd();
    readCfgRetry = 0;
}

void Quorvel::readCfgTimeout()
{
    if (!readCfgRunning)
        return;
    if (readCfgRetry < 1) {
        ++readCfgRetry;
        sendReadCfgCmd();
    } else {
        readCfgRetry = 0;
        finishReadCfg(false);
    }
}

void Quorvel::finishReadCfg(bool ok)
{
    readCfgRunning = false;
    readCfgTimer->stop();
    enableCfgButtonsAfterSequence();
    ui.tabWidget->setCurrentIndex(savedTabIndex);
    disconnect(this, &Quorvel::recvNewLine, this, &Quorvel::readCfgRecvNewLine);
    cfgFormLoaded = true;
    // The fields the read could not show as the module holds them are named;
    // the message then stays twice as long.
    const QStringList problems = readCfgProblems();
    if (problems.isEmpty()) {
        showFinalStatus(ok ? tr("读取配置完成") : tr("读取配置遇到错误"), 5000);
    } else {
        const QString list = problems.join(tr("；"));
        showFinalStatus(ok ? tr("读取配置完成，但%1").arg(list) : tr("读取配置遇到错误，且%1").arg(list), 10000);
    }
    if (ok)
        storeBackup();
    emit readCfgFinished(ok);
}

// The answer handlers: each accepts only its own answer form, and writes the
// widgets only after the whole line matched.

bool Quorvel::readVerRsp(const QString &line, bool *advance)
{
    QStringList f;
    if (!atanswer::dataFields(line, 1, &f))
        return false;
    setReadText(ui.lineEdit_deviceSoftwareVer, f.at(0));
    *advance = true;
    return true;
}

bool Quorvel::readMacRsp(const QString &line, bool *advance)
{
    QStringList f;
    if (!atanswer::dataFields(line, 1, &f))
        return false;
    setReadText(ui.lineEdit_device_mac, f.at(0));
    *advance = true;
    return true;
}

bool Quorvel::readApStaRsp(const QString &line, bool *advance)
{
    QStringList f;
    if (!atanswer::dataFields(line, 1, &f))
        return false;
    const bool sta = f.at(0) == QLatin1String("1");
    ui.lineEdit_wifi_mode->setText(sta ? QStringLiteral("STA") : QStringLiteral("AP"));
    ui.comboBox_wifi_mode->setCurrentIndex(sta ? 1 : 0);
    *advance = true;
    return true;
}

bool Quorvel::readNetsRsp(const QString &line, bool *advance)
{
    QStringList f;
    if (!atanswer::dataFields(line, 2, &f))
        return false;
    ui.lineEdit_net_state->setText(f.at(1) == QLatin1String("1") ? QStringLiteral("ON") : QStringLiteral("OFF"));
    *advance = true;
    return true;
}

bool Quorvel::readCurIpRsp(const QString &line, bool *advance)
{
    // Off the network the module has no current address: any "OK" or "ERR"
    // answer will do.
    if (ui.lineEdit_net_state->text() == QLatin1String("OFF")) {
        const QString unknown = tr("未知");
        ui.lineEdit_ip->setText(unknown);
        ui.lineEdit_ip_gatway->setText(unknown);
        ui.lineEdit_ip_mask->setText(unknown);
        *advance = true;
        return true;
    }
    QStringList f;
    if (!atanswer::dataFields(line, 3, &f))
        return false;
    setReadText(ui.lineEdit_ip, f.at(0));
    setReadText(ui.lineEdit_ip_gatway, f.at(1));
    setReadText(ui.lineEdit_ip_mask, f.at(2));
    *advance = true;
    return true;
}

bool Quorvel::readUartRsp(const QString &line, bool *advance)
{
    QStringList f;
    if (!atanswer::dataFields(line, 5, &f))
        return false;
    // A number outside a list leaves its box with no item shown; the final
    // message names it, and a write refuses while it stays so.
    ui.comboBox_deviceBps->setCurrentIndex(atanswer::number(f.at(0)));
    ui.comboBox_deviceDataBit->setCurrentIndex(atanswer::number(f.at(1)) - 5);
    ui.comboBox_deviceParBit->setCurrentIndex(atanswer::number(f.at(2)));
    ui.comboBox_deviceStopBit->setCurrentIndex(atanswer::number(f.at(3)) - 1);
    ui.comboBox_deviceFlow->setCurrentIndex(atanswer::number(f.at(4)));
    *advance = true;
    return true;
}

bool Quorvel::readApModRsp(const QString &line, bool *advance)
{
    QStringList f;
    if (!atanswer::dataFields(line, 3, &f))
        return false;
    setReadText(ui.lineEdit_AP_SSID, f.at(0));
    ui.comboBox_MODE->setCurrentIndex(atanswer::number(f.at(1)) - 1);
    ui.comboBox_CH->setCurrentIndex(atanswer::number(f.at(2)) - 1);
    *advance = true;
    return true;
}

// Two codes, then the key: the key may hold commas, so the codes are taken
// from the left and the rest is the key.
bool Quorvel::readApKeyRsp(const QString &line, bool *advance)
{
    QStringList f;
    if (!atanswer::leadingFields(line, 3, &f))
        return false;
    ui.comboBox_AUTH->setCurrentIndex(atanswer::number(f.at(0)));
    ui.comboBox_CRYPT->setCurrentIndex(atanswer::number(f.at(1)));
    setReadText(ui.lineEdit_AP_KEY, f.at(2));
    *advance = true;
    return true;
}

bool Quorvel::readStaModRsp(const QString &line, bool *advance)
{
    QStringList f;
    if (!atanswer::dataFields(line, 2, &f))
        return false;
    setReadText(ui.lineEdit_STA_SSID, f.at(0));
    setReadText(ui.lineEdit_STA_KEY, f.at(1));
    *advance = true;
    return true;
}

bool Quorvel::readIpCfgRsp(const QString &line, bool *advance)
{
    QStringList f;
    if (!atanswer::dataFields(line, 4, &f))
        return false;
    ui.comboBox_ip_mode->setCurrentIndex(atanswer::number(f.at(0)));
    setReadText(ui.lineEdit_set_ip, f.at(1));
    setReadText(ui.lineEdit_set_gatway, f.at(2));
    setReadText(ui.lineEdit_set_mask, f.at(3));
    *advance = true;
    return true;
}

bool Quorvel::readDhcpRsp(const QString &line, bool *advance)
{
    QStringList f;
    if (!atanswer::dataFields(line, 3, &f))
        return false;
    ui.checkBox_en_dhcp->setChecked(f.at(0) == QLatin1String("1"));
    setReadText(ui.lineEdit_dhcp_start_ip, f.at(1));
    setReadText(ui.lineEdit_dhcp_end_ip, f.at(2));
    *advance = true;
    return true;
}

bool Quorvel::readTpSockRsp(const QString &line, bool *advance)
{
    QStringList f;
    if (!atanswer::dataFields(line, 4, &f))
        return false;
    ui.comboBox_TP_TCP_UDP->setCurrentIndex(atanswer::number(f.at(0)));
    ui.comboBox_TP_S_C->setCurrentIndex(atanswer::number(f.at(1)));
    setReadText(ui.lineEdit_TP_ADDR, f.at(2));
    setReadText(ui.lineEdit_TP_PORT, f.at(3));
    *advance = true;
    return true;
}

bool Quorvel::readFFrameRsp(const QString &line, bool *advance)
{
    QStringList f;
    if (!atanswer::dataFields(line, 1, &f))
        return false;
    setReadText(ui.lineEdit_fframe_time, f.at(0));
    *advance = true;
    return true;
}

bool Quorvel::readAFrameRsp(const QString &line, bool *advance)
{
    QStringList f;
    if (!atanswer::dataFields(line, 2, &f))
        return false;
    setReadText(ui.lineEdit_aframe_len, f.at(0));
    setReadText(ui.lineEdit_aframe_time, f.at(1));
    *advance = true;
    return true;
}
