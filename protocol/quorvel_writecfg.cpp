// The configuration write: ten set commands, each built from the form at the
// moment it is sent and acknowledged by a plain "OK"; one retry per command
// after a time-out or any other answer. Also the button state after either
// sequence.
#include "app/quorvel.h"

#include <QTimer>

#include "protocol/atanswer.h"

namespace {

using Builder = bool (Quorvel::*)(const QString &, bool *);

// The command prefix the list pairs with a builder.
QString prefixOf(const QVector<CfgCmd> &cmds, Builder builder)
{
    for (const CfgCmd &entry : cmds) {
        if (entry.handler == builder)
            return entry.cmd;
    }
    Q_ASSERT_X(false, "prefixOf", "builder not in the write list");
    return QString();
}

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

void Quorvel::initWriteCfgCmds()
{
    writeCfgCmds = {
        {QStringLiteral("AT+APSTA="), &Quorvel::writeApStaCmd},
        {QStringLiteral("AT+APMOD="), &Quorvel::writeApModCmd},
        {QStringLiteral("AT+APKEY="), &Quorvel::writeApKeyCmd},
        {QStringLiteral("AT+STAMOD="), &Quorvel::writeStaModCmd},
        {QStringLiteral("AT+IPCFG="), &Quorvel::writeIpCfgCmd},
        {QStringLiteral("AT+DHCP="), &Quorvel::writeDhcpCmd},
        {QStringLiteral("AT+TPSOCK="), &Quorvel::writeTpSockCmd},
        {QStringLiteral("AT+FFRAME="), &Quorvel::writeFFrameCmd},
        {QStringLiteral("AT+AFRAME="), &Quorvel::writeAFrameCmd},
        {QStringLiteral("AT+UART="), &Quorvel::writeUartCmd},
    };
}

void Quorvel::on_pushButton_writeConfiguartion_clicked()
{
    // As for the read: a second start would connect the line handler twice.
    if (readCfgRunning || writeCfgRunning || cfgFileBusy)
        return;
    // Nothing is sent while a field could not go out as the form shows it.
    if (!writeCfgProblems().isEmpty()) {
        showFinalStatus([this] { return tr("未写入：%1").arg(writeCfgProblems().join(tr("；"))); }, 10000);
        return;
    }
    if (!comIsOpen || !confirmWrite())
        return;
    startWriteCfg();
    sendWriteCfgCmd();
}

void Quorvel::startWriteCfg()
{
    writeCfgRunning = true;
    ui.pushButton_readConfiguration->setEnabled(false);
    ui.pushButton_writeConfiguartion->setEnabled(false);
    ui.pushButton_Import->setEnabled(false);
    ui.pushButton_Export->setEnabled(false);
    savedTabIndex = ui.tabWidget->currentIndex();
    writeCfgIndex = 0;
    writeCfgRetry = 0;
    cfgSequenceFailure.clear();
    connect(this, &Quorvel::recvNewLine, this, &Quorvel::writeCfgRecvNewLine);
}

void Quorvel::sendWriteCfgCmd()
{
    if (writeCfgIndex >= writeCfgCmds.size()) {
        finishWriteCfg(true);
        return;
    }
    writeCfgTimer->start(3000);
    bool advance = false;
    (this->*writeCfgCmds.at(writeCfgIndex).handler)(QString(), &advance);
}

void Quorvel::writeCfgRecvNewLine(QString recvStr)
{
    if (!writeCfgRunning)
        return;
    if (!atanswer::matchesWhole(atanswer::okLine(), recvStr)
        && !atanswer::matchesWhole(atanswer::errLine(), recvStr))
        return;   // echoes and unsolicited lines; the time-out keeps running

    if (atanswer::matchesWhole(atanswer::plainOk(), recvStr)) {
        ++writeCfgIndex;
        sendWriteCfgCmd();
        writeCfgRetry = 0;
        return;
    }
    // "ERR…", or "OK" with more text: a failure of the current command.
    if (writeCfgRetry >= 1) {
        writeCfgRetry = 0;
        failCfgSequence(writeCfgCmds.at(writeCfgIndex).cmd, recvStr);
        finishWriteCfg(false);
    } else {
        ++writeCfgRetry;
        sendWriteCfgCmd();
    }
}

void Quorvel::writeCfgTimeout()
{
    if (!writeCfgRunning)
        return;
    if (writeCfgRetry < 1) {
        ++writeCfgRetry;
        sendWriteCfgCmd();
    } else {
        writeCfgRetry = 0;
        failCfgSequence(writeCfgCmds.at(writeCfgIndex).cmd, QString());
        finishWriteCfg(false);
    }
}

void Quorvel::finishWriteCfg(bool ok)
{
    writeCfgRunning = false;
    writeCfgTimer->stop();
    enableCfgButtonsAfterSequence();
    ui.tabWidget->setCurrentIndex(savedTabIndex);
    disconnect(this, &Quorvel::recvNewLine, this, &Quorvel::writeCfgRecvNewLine);
    if (!ok) {
        // Some commands may have gone through: what the module holds is unknown.
        setModuleValues({});
        const QString failure = cfgSequenceFailure;
        showFinalStatus([this, failure] { return tr("写入配置遇到错误：%1").arg(failure); }, 10000);
        emit writeCfgFinished(false);
        return;
    }
    setModuleValues(cfgFieldValues());   // every command was taken
    // Verifying reads the module back into the form; the work mode, which no
    // read learns, stays as it is (resetCfgWidgets leaves it while verifying).
    if (ui.checkBox_verifyWrite->isChecked() && !batchRun && comIsOpen) {
        verifyExpected = cfgFieldValues();
        verifyingWrite = true;
        startReadCfg();
        sendReadCfgCmd();
        return;
    }
    showFinalStatus([this] { return tr("写入配置完成"); }, 5000);
    emit writeCfgFinished(true);
}

// The end of the read after a write: what the module holds now against what
// the write sent, each difference named with both values.
void Quorvel::finishVerify(bool ok)
{
    verifyingWrite = false;
    if (!ok) {
        const QString failure = cfgSequenceFailure;
        showFinalStatus([this, failure] { return tr("写入配置完成，但校验时读取遇到错误：%1").arg(failure); }, 10000);
        emit writeCfgFinished(false);
        return;
    }
    const QHash<QString, QString> expected = verifyExpected;
    const QHash<QString, QString> actual = cfgFieldValues();
    const bool same = cfgFieldDifferences(expected, actual, QStringLiteral("%1")).isEmpty();
    showFinalStatus([this, expected, actual] {
        const QStringList differences = cfgFieldDifferences(expected, actual, tr("%1 写入“%2”，模块为“%3”"));
        return differences.isEmpty() ? tr("写入并校验完成")
                                     : tr("写入配置完成，但校验发现不同：%1").arg(differences.join(tr("；")));
    }, same ? 5000 : 10000);
    emit writeCfgFinished(same);
}

// Read and write need an open port to do anything; a port closed during the
// sequence leaves them off, as closing it did.
void Quorvel::enableCfgButtonsAfterSequence()
{
    ui.pushButton_readConfiguration->setEnabled(comIsOpen);
    ui.pushButton_writeConfiguartion->setEnabled(comIsOpen);
    ui.pushButton_Import->setEnabled(true);
    ui.pushButton_Export->setEnabled(true);
}

void Quorvel::sendWriteCfgLine(const QString &prefix, const QStringList &values)
{
    sendCmd(atanswer::setCommand(prefix, values));
}

// The builders ignore the line they are given; each sends its command.

bool Quorvel::writeApStaCmd(const QString &, bool *advance)
{
    sendWriteCfgLine(prefixOf(writeCfgCmds, &Quorvel::writeApStaCmd),
                     {flag(ui.comboBox_wifi_mode->currentIndex() != 0)});
    *advance = true;
    return true;
}

bool Quorvel::writeApModCmd(const QString &, bool *advance)
{
    sendWriteCfgLine(prefixOf(writeCfgCmds, &Quorvel::writeApModCmd),
                     {ui.lineEdit_AP_SSID->text(),
                      QString::number(ui.comboBox_MODE->currentIndex() + 1),
                      QString::number(ui.comboBox_CH->currentIndex() + 1)});
    *advance = true;
    return true;
}

bool Quorvel::writeApKeyCmd(const QString &, bool *advance)
{
    sendWriteCfgLine(prefixOf(writeCfgCmds, &Quorvel::writeApKeyCmd),
                     {QString::number(ui.comboBox_AUTH->currentIndex()),
                      QString::number(ui.comboBox_CRYPT->currentIndex()),
                      ui.lineEdit_AP_KEY->text()});
    *advance = true;
    return true;
}

bool Quorvel::writeStaModCmd(const QString &, bool *advance)
{
    sendWriteCfgLine(prefixOf(writeCfgCmds, &Quorvel::writeStaModCmd),
                     {ui.lineEdit_STA_SSID->text(), ui.lineEdit_STA_KEY->text()});
    *advance = true;
    return true;
}

bool Quorvel::writeIpCfgCmd(const QString &, bool *advance)
{
    const QString prefix = prefixOf(writeCfgCmds, &Quorvel::writeIpCfgCmd);
    if (ui.comboBox_ip_mode->currentIndex() == 0)
        sendWriteCfgLine(prefix, {QStringLiteral("0")});
    else
        sendWriteCfgLine(prefix, {QStringLiteral("1"), ui.lineEdit_set_ip->text(),
                                  ui.lineEdit_set_gatway->text(), ui.lineEdit_set_mask->text()});
    *advance = true;
    return true;
}

bool Quorvel::writeDhcpCmd(const QString &, bool *advance)
{
    sendWriteCfgLine(prefixOf(writeCfgCmds, &Quorvel::writeDhcpCmd),
                     {flag(ui.checkBox_en_dhcp->isChecked()), ui.lineEdit_dhcp_start_ip->text(),
                      ui.lineEdit_dhcp_end_ip->text()});
    *advance = true;
    return true;
}

bool Quorvel::writeTpSockCmd(const QString &, bool *advance)
{
    sendWriteCfgLine(prefixOf(writeCfgCmds, &Quorvel::writeTpSockCmd),
                     {QString::number(ui.comboBox_TP_TCP_UDP->currentIndex()),
                      QString::number(ui.comboBox_TP_S_C->currentIndex()),
                      ui.lineEdit_TP_ADDR->text(), ui.lineEdit_TP_PORT->text()});
    *advance = true;
    return true;
}

bool Quorvel::writeFFrameCmd(const QString &, bool *advance)
{
    sendWriteCfgLine(prefixOf(writeCfgCmds, &Quorvel::writeFFrameCmd), {ui.lineEdit_fframe_time->text()});
    *advance = true;
    return true;
}

bool Quorvel::writeAFrameCmd(const QString &, bool *advance)
{
    sendWriteCfgLine(prefixOf(writeCfgCmds, &Quorvel::writeAFrameCmd),
                     {ui.lineEdit_aframe_len->text(), ui.lineEdit_aframe_time->text()});
    *advance = true;
    return true;
}

bool Quorvel::writeUartCmd(const QString &, bool *advance)
{
    sendWriteCfgLine(prefixOf(writeCfgCmds, &Quorvel::writeUartCmd),
                     {QString::number(ui.comboBox_deviceBps->currentIndex()),
                      QString::number(ui.comboBox_deviceDataBit->currentIndex() + 5),
                      QString::number(ui.comboBox_deviceParBit->currentIndex()),
                      QString::number(ui.comboBox_deviceStopBit->currentIndex() + 1),
                      QString::number(ui.comboBox_deviceFlow->currentIndex())});
    *advance = true;
    return true;
}
