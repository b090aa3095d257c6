// The configuration read: the session sends the fourteen queries one at a
// time and hands each answer's values over as it comes; they go into the
// form (or, while verifying a write, aside). Also the session's end, for the
// read and the write alike.
#include "app/quorvel.h"

#include <QCoreApplication>
#include <QTimer>

#include "app/outcometext.h"
#include "protocol/answertext.h"
#include "protocol/atanswer.h"
#include "protocol/cfgfields.h"

// The session's end: the sequence that ran takes it. A cancelled session was
// ended by whoever cancelled it, who also ends the sequence.
void Quorvel::cfgSessionFinished(const ConfigSession::Result &result)
{
    if (result.end == ConfigSession::End::Cancelled || !(readCfgRunning || writeCfgRunning))
        return;   // cancelled, or an awaited command's end
    if (!result.ok())
        failCfgSequence(result.failedCommand, result.failedAnswer);
    if (readCfgRunning)
        finishReadCfg(result.ok());
    else if (writeCfgRunning)
        finishWriteCfg(result.ok());
}

// Every received line while the session runs, but the late answers to what
// the console sent before it started.
void Quorvel::cfgSessionLine(const QString &line)
{
    if (cfgSession->running() && !consoleAnswers.take(line))
        cfgSession->takeLine(line);
}

void Quorvel::on_pushButton_readConfiguration_clicked()
{
    // The disabled buttons keep this from happening through the form; a
    // second start would connect the line handler twice.
    if (cfgBusy())
        return;
    startReadCfg();
}

void Quorvel::startReadCfg()
{
    readCfgRunning = true;
    cfgLink->hold();   // every answer until the end is the read's
    failCfgSequence(QString(), QString(), {});
    cfgForm->setModuleValues({});   // known again only when this read ends well
    updateCfgButtons();
    // Verifying reads into verifyActual: the form keeps the user's values.
    verifyActual.clear();
    if (!verifyingWrite)
        resetCfgWidgets();
    savedTabIndex = ui.tabWidget->currentIndex();
    cfgSession->setAnswerTimeout(cfgAnswerTimeoutMs);
    cfgSession->read();
}

// What ends the read and the write alike: the link is free again, a session
// still running (a port that went away ends a sequence here) stops, and the
// form comes back as it was.
void Quorvel::endCfgSequence(bool *running)
{
    if (*running)
        cfgLink->release();
    *running = false;
    cfgSession->cancel();
    updateCfgButtons();
    ui.tabWidget->setCurrentIndex(savedTabIndex);
}

void Quorvel::finishReadCfg(bool ok)
{
    endCfgSequence(&readCfgRunning);
    if (verifyingWrite) {
        finishVerify(ok);
        return;
    }
    // A read that failed or was cut leaves a form that is not the module's.
    formSource = ok ? FormSource::Read : FormSource::ReadFailed;
    cfgForm->setMacBad(ok && cfgfields::canonicalMac(ui.lineEdit_device_mac->text()).isEmpty());
    if (ok)
        cfgForm->setModuleValues(cfgForm->values());
    // The module's configuration is on disk before anything is written to it.
    const std::function<QString()> backupFailure = ok ? storeBackup() : std::function<QString()>();
    // The fields the read could not show as the module holds them are named;
    // the message then stays twice as long, and so does a failure's.
    const std::function<QString()> failure = cfgFailure.text;
    const bool clean = cfgForm->config().readProblemTexts(englishOnScreen(), cfgLink->encoding()).isEmpty();
    const Outcome outcome{Outcome::Action::Read, ok ? Outcome::End::Done : Outcome::End::Failed, cfgFailure.command,
                          cfgFailure.answer};
    reportOutcome(outcome, [this, ok, failure, backupFailure] {
        return OutcomeText::readEnd(ok, cfgForm->config().readProblemTexts(englishOnScreen(), cfgLink->encoding()), ok ? QString() : failure(),
                                    backupFailure ? backupFailure() : QString());
    }, ok && clean && !backupFailure ? 5000 : 10000);
    emit readCfgFinished(ok);
}

// What ended the running sequence: the command, and the module's answer to it
// (none: it did not answer in time); `text` when something else ended it.
void Quorvel::failCfgSequence(const QString &cmd, const QString &answer, std::function<QString()> text)
{
    cfgFailure = {cmd, atanswer::withoutLineBreaks(answer), std::move(text)};
}

void Quorvel::failCfgSequence(const QString &cmd, const QString &answer)
{
    failCfgSequence(cmd, answer, [cmd, answer] { return answertext::failure(cmd, answer); });
}

// What an answer gave: into the form, or, while verifying a write, aside
// (the form keeps the values the user wrote).
void Quorvel::takeReadValues(const QHash<QString, QString> &values)
{
    if (verifyingWrite) {
        verifyActual.insert(values);
        return;
    }
    cfgForm->setReadValues(values, cfgLink->lineClean());
}
