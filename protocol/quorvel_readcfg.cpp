// The configuration read: fourteen queries, one at a time, each answer parsed
// into the form. Answers are matched to queries by position; a query is sent
// at most twice (one retry after a time-out or an unusable answer).
#include "app/quorvel.h"

#include <QCoreApplication>
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
    cfgSequenceFailure.clear();
    setModuleValues({});   // known again only when this read ends well
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
            failCfgSequence(readCfgCmds.at(readCfgIndex).cmd, recvStr);
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
        failCfgSequence(readCfgCmds.at(readCfgIndex).cmd, QString());
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
    // A read that failed or was cut leaves a form that is not the module's.
    formSource = ok ? FormSource::Read : FormSource::ReadFailed;
    if (ok)
        setModuleValues(cfgFieldValues());
    if (verifyingWrite) {
        finishVerify(ok);
        return;
    }
    // The fields the read could not show as the module holds them are named;
    // the message then stays twice as long, and so does a failure's.
    const QString failure = cfgSequenceFailure;
    const bool clean = readCfgProblems().isEmpty();
    showFinalStatus([this, ok, failure] {
        const QString list = readCfgProblems().join(tr("；"));
        if (ok)
            return list.isEmpty() ? tr("读取配置完成") : tr("读取配置完成，但%1").arg(list);
        const QString text = tr("读取配置遇到错误：%1").arg(failure);
        return list.isEmpty() ? text : text + tr("；") + list;
    }, ok && clean ? 5000 : 10000);
    emit readCfgFinished(ok);
}

// What ended the running sequence: the command, and the module's answer to it
// (none: it did not answer in time).
void Quorvel::failCfgSequence(const QString &cmd, const QString &answer)
{
    cfgSequenceFailure = cfgFailureText(cmd, answer);
}

QString Quorvel::cfgFailureText(const QString &cmd, const QString &answer)
{
    if (answer.isEmpty())
        return tr("%1 没有回答").arg(cmd);
    const QString line = atanswer::withoutLineBreaks(answer);
    const std::optional<int> code = atanswer::errorCode(answer);
    const QByteArray source = code ? getErrStrFromCode(*code).toUtf8() : QByteArray();
    if (source.isEmpty())
        return tr("%1 回答 %2").arg(cmd, line);
    return tr("%1 回答 %2（%3）").arg(cmd, line, QCoreApplication::translate("Quorvel", source.constData()));
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
    // "0" is AP and "1" is STA; any other code leaves the selector blank.
    setReadCode(ui.comboBox_wifi_mode, f.at(0), 0);
    const int role = ui.comboBox_wifi_mode->currentIndex();
    ui.lineEdit_wifi_mode->setText(role == 0 ? QStringLiteral("AP") : role == 1 ? QStringLiteral("STA") : f.at(0));
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
    setReadCode(ui.comboBox_deviceBps, f.at(0), 0);
    setReadCode(ui.comboBox_deviceDataBit, f.at(1), 5);
    setReadCode(ui.comboBox_deviceParBit, f.at(2), 0);
    setReadCode(ui.comboBox_deviceStopBit, f.at(3), 1);
    setReadCode(ui.comboBox_deviceFlow, f.at(4), 0);
    *advance = true;
    return true;
}

bool Quorvel::readApModRsp(const QString &line, bool *advance)
{
    QStringList f;
    if (!atanswer::dataFields(line, 3, &f))
        return false;
    setReadText(ui.lineEdit_AP_SSID, f.at(0));
    setReadCode(ui.comboBox_MODE, f.at(1), 1);
    setReadCode(ui.comboBox_CH, f.at(2), 1);
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
    setReadCode(ui.comboBox_AUTH, f.at(0), 0);
    setReadCode(ui.comboBox_CRYPT, f.at(1), 0);
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
    setReadCode(ui.comboBox_ip_mode, f.at(0), 0);
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
    setReadFlag(ui.checkBox_en_dhcp, f.at(0));
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
    setReadCode(ui.comboBox_TP_TCP_UDP, f.at(0), 0);
    setReadCode(ui.comboBox_TP_S_C, f.at(1), 0);
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
