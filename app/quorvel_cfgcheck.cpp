// What keeps a form value from being written by accident: the buttons and
// fields as the state allows (nothing edited or started while a sequence
// runs) and the question before a write, with the changes it makes. The
// fields themselves, their values and marks, are the ConfigForm's.
#include "app/quorvel.h"

#include "protocol/moduleconfig.h"

// A read, a write, an import, an export or a command list runs: none of them may start.
bool Quorvel::cfgBusy() const
{
    return readCfgRunning || writeCfgRunning || cfgFileBusy || (commandPanel && commandPanel->running());
}

// Read, Write, Import and Export as the state allows: Read and Write need the
// port; none of them while another runs.
void Quorvel::updateCfgButtons()
{
    const bool idle = !cfgBusy();
    ui.pushButton_readConfiguration->setEnabled(cfgLink->isOpen() && idle);
    ui.pushButton_writeConfiguartion->setEnabled(cfgLink->isOpen() && idle);
    ui.pushButton_Import->setEnabled(idle);
    ui.pushButton_restoreBackup->setEnabled(idle);
    ui.pushButton_Export->setEnabled(idle);
    ui.comboBox_cfgConsole->setEnabled(idle);   // the port stays while one of them runs
    // What a read fills, a write sends or an import or export reads is not
    // edited meanwhile, and no control talks to the module in between.
    const bool locked = !idle || cfgLink->held();
    cfgForm->setLocked(locked);
    for (QPushButton *control : {ui.pushButton_reset, ui.pushButton_restore, ui.pushButton_startNet,
                                 ui.pushButton_leaveNet, ui.pushButton_enter_TP, ui.pushButton_quit_TP})
        control->setEnabled(!locked);
}

bool Quorvel::englishOnScreen() const
{
    return language == Language::English;
}

// Before a write of `snapshot`: the changes it makes when the module's
// values are known, otherwise why they are not and the whole profile it will
// send. A form
// that holds only defaults, a failed read's leftovers or an incomplete
// import defaults to No; one stray click would reconfigure the module.
bool Quorvel::confirmWrite(const ModuleConfig &snapshot)
{
    const QHash<QString, QString> form = snapshot.writtenValues();
    QString missing;
    if (formSource == FormSource::ImportIncomplete) {
        if (const QStringList lacking = importedProfile.missingLeaves(); !lacking.isEmpty())
            missing = tr("导入的文件缺少 %1，这些配置将写入默认值。").arg(lacking.join(QStringLiteral(", ")));
        QStringList wrong;
        for (const cfgleaf::Problem &problem : importedProfile.problems())
            wrong << cfgleaf::problemText(problem);
        if (!wrong.isEmpty())
            missing += tr("导入的文件有误（%1），表单中相应的配置不是文件中的。").arg(wrong.join(tr("；")));
    }
    if (!cfgForm->moduleValues().isEmpty()) {
        if (!confirmWriteSetting)
            return true;
        const QStringList changes = cfgForm->differences(cfgForm->moduleValues(), form,
                                                          tr("%1：“%2” → “%3”"), englishOnScreen());
        const QString text = changes.isEmpty() ? tr("模块的配置与表单相同，没有要改动的。仍要写入吗？")
                                               : tr("写入会改动模块的 %1 项配置。要写入吗？").arg(changes.size());
        return askUser(missing + text, changes.join(u'\n'), QString(), true);
    }
    QString why;
    bool yes = false;
    switch (formSource) {
    case FormSource::Defaults:
        why = tr("表单既没有从模块读取，也没有从文件导入。");
        break;
    case FormSource::ReadFailed:
        why = tr("上次读取失败，表单中不是模块的配置。");
        break;
    case FormSource::ImportIncomplete:
        why = missing;
        break;
    case FormSource::Import:
        why = tr("模块当前的值未知；先读取才能看到改动。");
        yes = true;
        break;
    case FormSource::Read:
        why = tr("读取之后串口关闭过，模块当前的值未知；先读取才能看到改动。");
        yes = true;
        break;
    }
    // The whole profile: nothing of it is known to be on the module already.
    QStringList profile;
    for (const QString &line : cfgForm->differences({}, form, QStringLiteral("%1\n%2\n%3"), englishOnScreen()))
        profile << tr("%1：%2").arg(line.section(u'\n', 0, 0), line.section(u'\n', 2));
    return askUser(why + tr("写入会用表单中的配置替换模块的配置。要写入吗？"), QString(), profile.join(u'\n'), yes);
}

