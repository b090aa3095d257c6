// The configuration read: fourteen queries, one at a time, each answer parsed
// into the form. Answers are matched to queries by position; a query is sent
// at most twice (one retry after a time-out or an unusable answer).
#include "app/quorvel.h"

#include <QCoreApplication>
#include <QTimer>

#include "protocol/atanswer.h"
#include "protocol/cfgfields.h"

void Quorvel::initReadCfgCmds()
{
    readCfgCmds.clear();
    for (const cfgfields::Query &query : cfgfields::queries()) {
        const QString cmd = QLatin1String(query.cmd);
        readCfgCmds.append({cmd, cmd == QLatin1String("AT+CURIP?") ? &Quorvel::readCurIpRsp : &Quorvel::readCfgAnswer});
    }
}

void Quorvel::on_pushButton_readConfiguration_clicked()
{
    // The disabled buttons keep this from happening through the form; a
    // second start would connect the line handler twice.
    if (cfgBusy())
        return;
    startReadCfg();
    sendReadCfgCmd();
}

void Quorvel::startReadCfg()
{
    readCfgRunning = true;
    serialLink.hold();   // every answer until the end is the read's
    failCfgSequence(QString(), QString(), {});
    setModuleValues({});   // known again only when this read ends well
    updateCfgButtons();
    // Verifying reads into verifyActual: the form keeps the user's values.
    verifyActual.clear();
    if (!verifyingWrite)
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
    readCfgTimer->start(cfgAnswerTimeoutMs);
    sendCmd(readCfgCmds.at(readCfgIndex).cmd);
}

void Quorvel::nextReadCfgCmd()
{
    ++readCfgIndex;
    sendReadCfgCmd();
}

void Quorvel::readCfgRecvNewLine(QString recvStr)
{
    if (!readCfgRunning || consoleAnswer(recvStr))
        return;
    if (!atanswer::matchesWhole(atanswer::okWithText(), recvStr)
        && !atanswer::matchesWhole(atanswer::errWithText(), recvStr))
        return;   // echoes and unsolicited lines; the time-out keeps running

    bool advance = false;
    const auto handler = readCfgCmds.at(readCfgIndex).handler;
    if (!(this->*handler)(recvStr, &advance)) {
        cfgCommandFailed(recvStr);
        return;
    }
    if (advance)
        nextReadCfgCmd();
    readCfgRetry = 0;
}

void Quorvel::readCfgTimeout()
{
    if (readCfgRunning)
        cfgCommandFailed(QString());
}

void Quorvel::finishReadCfg(bool ok)
{
    if (readCfgRunning)
        serialLink.release();
    readCfgRunning = false;
    readCfgTimer->stop();
    updateCfgButtons();
    ui.tabWidget->setCurrentIndex(savedTabIndex);
    disconnect(this, &Quorvel::recvNewLine, this, &Quorvel::readCfgRecvNewLine);
    if (verifyingWrite) {
        finishVerify(ok);
        return;
    }
    // A read that failed or was cut leaves a form that is not the module's.
    formSource = ok ? FormSource::Read : FormSource::ReadFailed;
    readMacBad = ok && cfgfields::canonicalMac(ui.lineEdit_device_mac->text()).isEmpty();
    if (ok)
        setModuleValues(cfgFieldValues());
    // The module's configuration is on disk before anything is written to it.
    const std::function<QString()> backupFailure = ok ? storeBackup() : std::function<QString()>();
    // The fields the read could not show as the module holds them are named;
    // the message then stays twice as long, and so does a failure's.
    const std::function<QString()> failure = cfgSequenceFailure;
    const bool clean = readCfgProblems().isEmpty();
    const Outcome outcome{Outcome::Action::Read, ok ? Outcome::End::Done : Outcome::End::Failed, cfgFailedCommand,
                          cfgFailedAnswer};
    reportOutcome(outcome, [this, ok, failure, backupFailure] {
        const QString list = readCfgProblems().join(tr("；"));
        QString text;
        if (ok)
            text = list.isEmpty() ? tr("读取配置完成") : tr("读取配置完成，但%1").arg(list);
        else
            text = list.isEmpty() ? tr("读取配置遇到错误：%1").arg(failure())
                                  : tr("读取配置遇到错误：%1").arg(failure()) + tr("；") + list;
        // A backup that could not be written changes nothing else.
        return backupFailure ? text + tr("；") + backupFailure() : text;
    }, ok && clean && !backupFailure ? 5000 : 10000);
    emit readCfgFinished(ok);
}

// What ended the running sequence: the command, and the module's answer to it
// (none: it did not answer in time); `text` when something else ended it.
void Quorvel::failCfgSequence(const QString &cmd, const QString &answer, std::function<QString()> text)
{
    cfgFailedCommand = cmd;
    cfgFailedAnswer = atanswer::withoutLineBreaks(answer);
    cfgSequenceFailure = std::move(text);
}

void Quorvel::failCfgSequence(const QString &cmd, const QString &answer)
{
    failCfgSequence(cmd, answer, [this, cmd, answer] { return cfgFailureText(cmd, answer); });
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

// The answer handlers accept only their own query's answer form, and write
// the widgets only after the whole line matched.

bool Quorvel::readCfgAnswer(const QString &line, bool *advance)
{
    QHash<QString, QString> values;
    if (!cfgfields::parseAnswer(readCfgCmds.at(readCfgIndex).cmd, line, &values))
        return false;
    takeReadValues(values);
    *advance = true;
    return true;
}

// What an answer gave: into the form, or, while verifying a write, aside
// (the form keeps the values the user wrote).
void Quorvel::takeReadValues(const QHash<QString, QString> &values)
{
    if (verifyingWrite) {
        verifyActual.insert(values);
        return;
    }
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        setReadValue(cfgWidget(it.key().toLatin1().constData()), it.value());
}

bool Quorvel::readCurIpRsp(const QString &line, bool *advance)
{
    // Off the network the module has no current address: any "OK" or "ERR"
    // answer will do.
    const QString netState = verifyingWrite ? verifyActual.value(ui.lineEdit_net_state->objectName())
                                            : ui.lineEdit_net_state->text();
    if (netState == QLatin1String("OFF")) {
        const QString unknown = tr("未知");
        takeReadValues({{ui.lineEdit_ip->objectName(), unknown}, {ui.lineEdit_ip_gatway->objectName(), unknown},
                        {ui.lineEdit_ip_mask->objectName(), unknown}});
        *advance = true;
        return true;
    }
    return readCfgAnswer(line, advance);
}
