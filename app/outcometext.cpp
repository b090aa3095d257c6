#include "app/outcometext.h"

#include "cfgfile/profilefile.h"

QString OutcomeText::readEnd(bool ok, const QStringList &problems, const QString &failure,
                             const QString &backupFailure)
{
    const QString list = problems.join(tr("；"));
    QString text;
    if (ok)
        text = list.isEmpty() ? tr("读取配置完成") : tr("读取配置完成，但%1").arg(list);
    else
        text = list.isEmpty() ? tr("读取配置遇到错误：%1").arg(failure)
                              : tr("读取配置遇到错误：%1").arg(failure) + tr("；") + list;
    // A backup that could not be written changes nothing else.
    return backupFailure.isEmpty() ? text : text + tr("；") + backupFailure;
}

QString OutcomeText::writeDone()
{
    return tr("写入配置完成");
}

QString OutcomeText::writeFailed(const QString &failure)
{
    return tr("写入配置遇到错误：%1").arg(failure);
}

QString OutcomeText::writeRefused(const QStringList &problems)
{
    return tr("未写入：%1").arg(problems.join(tr("；")));
}

QString OutcomeText::importEnd(const ProfileFile &profile, const QString &workModeRefused)
{
    if (const QString failure = profile.readFailure(); !failure.isEmpty())   // what was read up to it stays
        return tr("导入遇到错误：%1").arg(failure);
    const QStringList wrong = profile.refusals();
    if (!profile.problems().isEmpty())
        return tr("导入遇到错误：%1").arg(wrong.join(tr("；")));
    // Values the module would not take are Write's to name: the file itself is whole.
    QStringList buts = wrong;
    if (!workModeRefused.isEmpty())
        buts << OutcomeText::workModeRefused(workModeRefused);
    return buts.isEmpty() ? tr("导入完成") : tr("导入完成") + tr("，但") + buts.join(tr("；"));
}

QString OutcomeText::workModeRefused(const QString &failure)
{
    return tr("模块没有接受默认工作模式：%1").arg(failure);
}

QString OutcomeText::exportDone(const QStringList &lost)
{
    if (lost.isEmpty())
        return tr("导出完成");
    return tr("导出完成，但%1含有逗号，导入时不能原样取回").arg(lost.join(tr("、")));
}

QString OutcomeText::cannotOpenFile(const QString &path, const QString &why)
{
    return tr("不能打开文件%1（%2）").arg(path, why);
}

QString OutcomeText::cannotWriteFile(const QString &path, const QString &why)
{
    return tr("不能写入文件%1（%2）").arg(path, why);
}

QString OutcomeText::portLost(const QString &port)
{
    return tr("串口 %1 已断开").arg(port);
}
