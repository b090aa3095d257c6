// The configuration write: the session sends the ten set commands, built from
// the values confirmed at the start, each acknowledged by a plain "OK"; then,
// when asked, the read that verifies what the module took.
#include "app/quorvel.h"

#include <QLineEdit>
#include <QTimer>

#include "app/outcometext.h"
#include "protocol/cfgfields.h"
#include "protocol/moduleconfig.h"

void Quorvel::on_pushButton_writeConfiguartion_clicked()
{
    // As for the read: a second start would connect the line handler twice.
    if (cfgBusy())
        return;
    // One snapshot of the form is checked, listed and sent: what the list
    // shows is what goes out, whatever changes the form meanwhile. Nothing is
    // sent while a field could not go out as the form shows it.
    const ModuleConfig snapshot = cfgForm->config();
    if (!snapshot.problemTexts(englishOnScreen(), cfgLink->encoding()).isEmpty()) {
        reportOutcome({Outcome::Action::Write, Outcome::End::Refused}, [this, snapshot, encoding = cfgLink->encoding()] {
            return OutcomeText::writeRefused(snapshot.problemTexts(englishOnScreen(), encoding)); }, 10000);
        return;
    }
    if (!cfgLink->isOpen()) {   // the button is off then: only a caller can get here
        emit actionEnded({Outcome::Action::Write, Outcome::End::Refused, {}, {}, tr("串口没有打开，没有写入")});
        return;
    }
    if (!confirmWrite(snapshot)) {
        reportDeclined(Outcome::Action::Write);
        return;
    }
    // What the user confirmed is what goes out; the form stays locked until the end.
    writeValues = snapshot.writtenValues();
    startWriteCfg();
}

void Quorvel::startWriteCfg()
{
    writeCfgRunning = true;
    cfgLink->hold();   // every answer until the end is the write's
    updateCfgButtons();
    savedTabIndex = ui.tabWidget->currentIndex();
    failCfgSequence(QString(), QString(), {});
    cfgSession->setAnswerTimeout(cfgAnswerTimeoutMs);
    cfgSession->write(writeValues);
}

void Quorvel::finishWriteCfg(bool ok)
{
    endCfgSequence(&writeCfgRunning);
    if (!ok) {
        // Some commands may have gone through: what the module holds is unknown.
        cfgForm->setModuleValues({});
        const std::function<QString()> failure = cfgFailure.text;
        reportOutcome({Outcome::Action::Write, Outcome::End::Failed, cfgFailure.command, cfgFailure.answer},
                      [failure] { return OutcomeText::writeFailed(failure()); }, 10000);
        emit writeCfgFinished(false);
        return;
    }
    cfgForm->setModuleValues(writeValues);   // every command was taken
    // Verifying reads the module back aside: the form keeps the values written.
    if (ui.checkBox_verifyWrite->isChecked() && cfgLink->isOpen()) {
        verifyingWrite = true;
        startReadCfg();
        return;
    }
    reportOutcome({Outcome::Action::Write}, [] { return OutcomeText::writeDone(); }, 5000);
    emit writeCfgFinished(true);
}

// The end of the read after a write: what the module holds now against what
// the write sent. The form keeps the values written; the fields the module
// holds otherwise stay marked, and a box names each with both values and
// offers to write again. A module with another MAC than the one read before
// the write was swapped meanwhile: nothing of it is taken as verified.
void Quorvel::finishVerify(bool ok)
{
    verifyingWrite = false;
    if (!ok) {
        const std::function<QString()> failure = cfgFailure.text;
        reportOutcome({Outcome::Action::Write, Outcome::End::Failed, cfgFailure.command, cfgFailure.answer},
                      [this, failure] { return tr("写入配置完成，但校验时读取遇到错误：%1").arg(failure()); }, 10000);
        emit writeCfgFinished(false);
        return;
    }
    const QString macBefore = ui.lineEdit_device_mac->text();
    const QString macNow = verifyActual.value(ui.lineEdit_device_mac->objectName());
    if (!macBefore.isEmpty() && macNow != macBefore) {
        cfgForm->setModuleValues({});
        reportOutcome({Outcome::Action::Write, Outcome::End::Failed},
                      [macBefore, macNow] { return tr("模块在写入期间被更换：写入前 MAC %1，校验时 MAC %2")
                                                .arg(macBefore, macNow); }, 10000);
        emit writeCfgFinished(false);
        return;
    }
    // The module's own information is its, not the user's: shown as it is now.
    for (const cfgfields::Field &f : cfgfields::all()) {
        auto *info = qobject_cast<QLineEdit *>(cfgForm->widget(f.widget));
        if (info && !f.set && !f.leaf && verifyActual.contains(QLatin1String(f.widget)))
            info->setText(verifyActual.value(QLatin1String(f.widget)));
    }
    QHash<QString, QString> held;
    for (auto it = writeValues.cbegin(); it != writeValues.cend(); ++it)
        held.insert(it.key(), verifyActual.value(it.key()));
    cfgForm->setModuleValues(held);   // marks what the module holds otherwise
    const QHash<QString, QString> expected = writeValues;
    const bool same = cfgForm->changedFields(expected, held).isEmpty();
    reportOutcome({Outcome::Action::Write, same ? Outcome::End::Done : Outcome::End::Failed},
                  [this, expected, held] {
        const QStringList differences =
            cfgForm->differences(expected, held, tr("%1 写入“%2”，模块为“%3”"), englishOnScreen());
        return differences.isEmpty() ? tr("写入并校验完成")
                                     : tr("写入配置完成，但校验发现不同：%1").arg(differences.join(tr("；")));
    }, same ? 5000 : 10000);
    emit writeCfgFinished(same);
    if (same)
        return;
    // Asked once the received line that ended the read has been handled.
    QTimer::singleShot(0, this, [this, expected, held] {
        const QStringList differences =
            cfgForm->differences(expected, held, tr("%1：写入“%2”，模块为“%3”"), englishOnScreen());
        if (!askUser(tr("模块没有保存写入的 %1 项配置。要再写入一次吗？").arg(differences.size()),
                     differences.join(u'\n'), QString(), false)
            || cfgBusy() || !cfgLink->isOpen())
            return;
        writeValues = cfgForm->values();
        startWriteCfg();
    });
}
