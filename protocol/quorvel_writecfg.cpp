// The configuration write: ten set commands, each built from the form at the
// moment it is sent and acknowledged by a plain "OK"; one retry per command
// after a time-out or any other answer. Also the button state after either
// sequence.
#include "app/quorvel.h"

#include <QTimer>

#include "protocol/atanswer.h"
#include "protocol/cfgfields.h"

void Quorvel::initWriteCfgCmds()
{
    writeCfgCmds.clear();
    for (const QString &cmd : cfgfields::setCommands())
        writeCfgCmds.append({cmd, &Quorvel::writeCfgCommand});
}

void Quorvel::on_pushButton_writeConfiguartion_clicked()
{
    // As for the read: a second start would connect the line handler twice.
    if (cfgBusy())
        return;
    // Nothing is sent while a field could not go out as the form shows it.
    if (!writeCfgProblems().isEmpty()) {
        reportOutcome({Outcome::Action::Write, Outcome::End::Refused},
                      [this] { return tr("未写入：%1").arg(writeCfgProblems().join(tr("；"))); }, 10000);
        return;
    }
    if (!comIsOpen) {   // the button is off then: only a caller can get here
        emit actionEnded({Outcome::Action::Write, Outcome::End::Refused, {}, {}, tr("串口没有打开，没有写入")});
        return;
    }
    if (!confirmWrite()) {
        reportDeclined(Outcome::Action::Write);
        return;
    }
    startWriteCfg();
    sendWriteCfgCmd();
}

void Quorvel::startWriteCfg()
{
    writeCfgRunning = true;
    updateCfgButtons();
    savedTabIndex = ui.tabWidget->currentIndex();
    writeCfgIndex = 0;
    writeCfgRetry = 0;
    failCfgSequence(QString(), QString(), QString());
    connect(this, &Quorvel::recvNewLine, this, &Quorvel::writeCfgRecvNewLine);
}

void Quorvel::sendWriteCfgCmd()
{
    if (writeCfgIndex >= writeCfgCmds.size()) {
        finishWriteCfg(true);
        return;
    }
    writeCfgTimer->start(cfgAnswerTimeoutMs);
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
    cfgCommandFailed(recvStr);
}

void Quorvel::writeCfgTimeout()
{
    if (writeCfgRunning)
        cfgCommandFailed(QString());
}

void Quorvel::finishWriteCfg(bool ok)
{
    writeCfgRunning = false;
    writeCfgTimer->stop();
    updateCfgButtons();
    ui.tabWidget->setCurrentIndex(savedTabIndex);
    disconnect(this, &Quorvel::recvNewLine, this, &Quorvel::writeCfgRecvNewLine);
    if (!ok) {
        // Some commands may have gone through: what the module holds is unknown.
        setModuleValues({});
        const QString failure = cfgSequenceFailure;
        reportOutcome({Outcome::Action::Write, Outcome::End::Failed, cfgFailedCommand, cfgFailedAnswer},
                      [this, failure] { return tr("写入配置遇到错误：%1").arg(failure); }, 10000);
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
    reportOutcome({Outcome::Action::Write}, [this] { return tr("写入配置完成"); }, 5000);
    emit writeCfgFinished(true);
}

// The end of the read after a write: what the module holds now against what
// the write sent, each difference named with both values.
void Quorvel::finishVerify(bool ok)
{
    verifyingWrite = false;
    if (!ok) {
        const QString failure = cfgSequenceFailure;
        reportOutcome({Outcome::Action::Write, Outcome::End::Failed, cfgFailedCommand, cfgFailedAnswer},
                      [this, failure] { return tr("写入配置完成，但校验时读取遇到错误：%1").arg(failure); }, 10000);
        emit writeCfgFinished(false);
        return;
    }
    const QHash<QString, QString> expected = verifyExpected;
    const QHash<QString, QString> actual = cfgFieldValues();
    const bool same = changedCfgFields(expected, actual).isEmpty();
    reportOutcome({Outcome::Action::Write, same ? Outcome::End::Done : Outcome::End::Failed},
                  [this, expected, actual] {
        const QStringList differences = cfgFieldDifferences(expected, actual, tr("%1 写入“%2”，模块为“%3”"));
        return differences.isEmpty() ? tr("写入并校验完成")
                                     : tr("写入配置完成，但校验发现不同：%1").arg(differences.join(tr("；")));
    }, same ? 5000 : 10000);
    emit writeCfgFinished(same);
}

// Builds the current command from the form as it is now and sends it; the
// line it is given is ignored.
bool Quorvel::writeCfgCommand(const QString &, bool *advance)
{
    sendCmd(cfgfields::setCommand(writeCfgCmds.at(writeCfgIndex).cmd, cfgFieldValues()));
    *advance = true;
    return true;
}
