// What keeps a form value from being lost, shown wrong or written by
// accident: the names of the configuration fields as the form labels them,
// the fields a read could not show (a code outside a selector's list, text
// that was not valid in the wire encoding), what is known of the module's
// values (the fields marked as changed, the list of changes before a write),
// the checks and the question before a write, and the status-bar rules that
// keep the final message of a read, a write, an import or an export on
// screen for its full time and in the language on screen.
#include "app/quorvel.h"

#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QTimer>

#include "protocol/atanswer.h"
#include "protocol/cfgfields.h"
#include "protocol/moduleconfig.h"

// A read, a write, an import or an export runs: none of them may start.
bool Quorvel::cfgBusy() const
{
    return readCfgRunning || writeCfgRunning || cfgFileBusy;
}

// Read, Write, Import and Export as the state allows: Read and Write need the
// port; none of them while another runs.
void Quorvel::updateCfgButtons()
{
    const bool idle = !cfgBusy();
    ui.pushButton_readConfiguration->setEnabled(serialLink.isOpen() && idle);
    ui.pushButton_writeConfiguartion->setEnabled(serialLink.isOpen() && idle);
    ui.pushButton_Import->setEnabled(idle);
    ui.pushButton_restoreBackup->setEnabled(idle);
    ui.pushButton_Export->setEnabled(idle);
    // What a read fills, a write sends or an import or export reads is not
    // edited meanwhile, and no control talks to the module in between.
    const bool locked = !idle || linkHeld();
    for (const cfgfields::Field &f : cfgfields::all()) {
        QWidget *field = cfgWidget(f.widget);
        if (!field || (!f.set && !f.leaf))   // the module's own information is never edited
            continue;
        if (auto *edit = qobject_cast<QLineEdit *>(field))
            edit->setReadOnly(locked);
        else
            field->setEnabled(!locked);
    }
    for (QPushButton *control : {ui.pushButton_reset, ui.pushButton_restore, ui.pushButton_startNet,
                                 ui.pushButton_leaveNet, ui.pushButton_enter_TP, ui.pushButton_quit_TP})
        control->setEnabled(!locked);
}

// The fields a read could not show as the module holds them: none, before the
// next read or import fills the form.
void Quorvel::forgetReadProblems()
{
    uncleanCfgFields.clear();
    unreadFlags.clear();
    readMacBad = false;
}

QWidget *Quorvel::cfgWidget(const char *objectName) const
{
    return cfgWidgets.value(QLatin1String(objectName));
}

bool Quorvel::englishOnScreen() const
{
    return language == Language::English;
}

// A field's name in the language on screen, e.g. "AP设置/密码".
QString Quorvel::cfgFieldName(const QWidget *field) const
{
    const cfgfields::Field *f = cfgfields::find(field->objectName());
    return f ? cfgfields::name(*f, englishOnScreen()) : field->objectName();
}

// What is marked when the field differs from the module: its label, or the
// field itself where it has none.
QWidget *Quorvel::cfgFieldLabel(const QWidget *field) const
{
    const cfgfields::Field *f = cfgfields::find(field->objectName());
    QWidget *label = f ? findChild<QWidget *>(QLatin1String(f->label)) : nullptr;
    return label ? label : const_cast<QWidget *>(field);
}

// Every field the write sends, in the order of its commands.
QList<QWidget *> Quorvel::writtenFields() const
{
    QList<QWidget *> fields;
    for (const cfgfields::Field *f : cfgfields::written())
        fields << cfgWidget(f->widget);
    return fields;
}

void Quorvel::initCfgFieldChecks()
{
    for (const cfgfields::Field &f : cfgfields::all()) {
        QWidget *widget = findChild<QWidget *>(QLatin1String(f.widget));
        Q_ASSERT_X(widget, f.widget, "a field of the table is not in the form");
        cfgWidgets.insert(QLatin1String(f.widget), widget);
        if (const char *chars = cfgfields::formChars(f)) {
            static_cast<QLineEdit *>(widget)->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QLatin1String(chars)), this));
        }
    }
    // A field the user edits holds the user's text, whatever the read left.
    const QList<QLineEdit *> edits = findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits) {
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { uncleanCfgFields.remove(edit); });
    }
    // A check box the user sets holds the user's choice, whatever the read left.
    for (const cfgfields::Field &f : cfgfields::all()) {
        if (auto *check = qobject_cast<QCheckBox *>(cfgWidget(f.widget)))
            connect(check, &QCheckBox::clicked, this, [this, check] { unreadFlags.remove(check); });
    }
    // Whatever changes a field, the marks of the changed fields follow.
    const QList<QWidget *> fields = writtenFields();
    for (QWidget *field : fields) {
        if (auto *edit = qobject_cast<QLineEdit *>(field))
            connect(edit, &QLineEdit::textChanged, this, &Quorvel::markChangedFields);
        else if (auto *box = qobject_cast<QComboBox *>(field))
            connect(box, &QComboBox::currentIndexChanged, this, &Quorvel::markChangedFields);
        else if (auto *check = qobject_cast<QCheckBox *>(field))
            connect(check, &QCheckBox::toggled, this, &Quorvel::markChangedFields);
    }
}

// A field the read fills from its answer line; a line that was not valid in
// the wire encoding marks the fields that show a replacement character.
void Quorvel::setReadText(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    if (!serialLink.lineClean() && text.contains(QChar::ReplacementCharacter))
        uncleanCfgFields.insert(edit);
    else
        uncleanCfgFields.remove(edit);
}

// A field the read sets from the value its answer gives (cfgfields::parseAnswer).
// A selector whose code was not in its list is left blank, and a check box
// that was neither "1" nor "0" is cleared and remembered: the read names
// both, and a write refuses until the user sets them.
void Quorvel::setReadValue(QWidget *field, const QString &value)
{
    if (auto *edit = qobject_cast<QLineEdit *>(field)) {
        setReadText(edit, value);
    } else if (auto *box = qobject_cast<QComboBox *>(field)) {
        box->setCurrentIndex(value.toInt());
    } else if (auto *check = qobject_cast<QCheckBox *>(field)) {
        check->setChecked(value == QLatin1String("1"));
        if (value == QLatin1String("?"))
            unreadFlags.insert(check);
        else
            unreadFlags.remove(check);
    }
}

// The form's values as a configuration: every field of the table, with what
// a read could not show marked (the flags it could not set, the texts from a
// line not valid in the wire encoding, a MAC that is no MAC).
ModuleConfig Quorvel::formConfig() const
{
    ModuleConfig config;
    for (const cfgfields::Field &f : cfgfields::all()) {
        const QWidget *field = cfgWidget(f.widget);
        if (const auto *box = qobject_cast<const QComboBox *>(field))
            config.set(field->objectName(), QString::number(box->currentIndex()));
        else if (const auto *edit = qobject_cast<const QLineEdit *>(field))
            config.set(field->objectName(), edit->text());
        else if (const auto *check = qobject_cast<const QCheckBox *>(field))
            config.set(field->objectName(), check->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    }
    for (const QCheckBox *box : unreadFlags)
        config.setUnreadable(box->objectName());
    for (const QLineEdit *edit : uncleanCfgFields)
        config.setUnclean(edit->objectName());
    if (readMacBad)
        config.setUnreadable(ui.lineEdit_device_mac->objectName());
    return config;
}

QStringList Quorvel::readCfgProblems() const
{
    return formConfig().readProblemTexts(englishOnScreen(), serialLink.encoding());
}

// The values the write sends, by field object name: a selector's item index
// ("-1" when blank), a line edit's text, a check box's "1" or "0".
QHash<QString, QString> Quorvel::cfgFieldValues() const
{
    return formConfig().writtenValues();
}

// A value of cfgFieldValues as the form shows it, in the language on screen.
QString Quorvel::cfgFieldShown(const QWidget *field, const QString &value) const
{
    if (const auto *box = qobject_cast<const QComboBox *>(field)) {
        const int index = value.toInt();
        return index >= 0 && index < box->count() ? box->itemText(index) : tr("（空）");
    }
    if (qobject_cast<const QCheckBox *>(field))
        return value == QLatin1String("1") ? tr("是") : tr("否");
    return value;
}

// One `line` (%1 the field's name, %2 and %3 its two values) per field whose
// value differs between `from` and `to`, in the order of the write. The
// static address counts only where `to` sends it (static IP).
// The written fields whose values differ between `from` and `to`; with a
// dynamic address in `to`, the static address fields do not count.
QList<QWidget *> Quorvel::changedCfgFields(const QHash<QString, QString> &from,
                                           const QHash<QString, QString> &to) const
{
    const bool dynamicIp = to.value(ui.comboBox_ip_mode->objectName()) == QLatin1String("0");
    QList<QWidget *> changed;
    for (QWidget *field : writtenFields()) {
        if (dynamicIp && cfgfields::staticAddressOnly(*cfgfields::find(field->objectName())))
            continue;
        const QString name = field->objectName();
        if (from.value(name) != to.value(name))
            changed << field;
    }
    return changed;
}

QStringList Quorvel::cfgFieldDifferences(const QHash<QString, QString> &from, const QHash<QString, QString> &to,
                                         const QString &line) const
{
    QStringList lines;
    for (const QWidget *field : changedCfgFields(from, to)) {
        const QString name = field->objectName();
        lines << line.arg(cfgFieldName(field), cfgFieldShown(field, from.value(name)),
                          cfgFieldShown(field, to.value(name)));
    }
    return lines;
}

// What the module holds, now known (a read or a write ended well on the open
// port) or unknown (empty).
void Quorvel::setModuleValues(const QHash<QString, QString> &values)
{
    moduleValues = values;
    markChangedFields();
}

// The label of every field the next write would change is bold.
void Quorvel::markChangedFields()
{
    const QList<QWidget *> changed =
        moduleValues.isEmpty() ? QList<QWidget *>() : changedCfgFields(moduleValues, cfgFieldValues());
    for (QWidget *field : writtenFields()) {
        QWidget *mark = cfgFieldLabel(field);
        const bool on = changed.contains(field);
        if (mark->font().bold() == on)
            continue;
        QFont font = mark->font();
        font.setBold(on);
        mark->setFont(font);
    }
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
    if (!moduleValues.isEmpty()) {
        if (!confirmWriteSetting)
            return true;
        const QStringList changes = cfgFieldDifferences(moduleValues, form, tr("%1：“%2” → “%3”"));
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
    for (const QString &line : cfgFieldDifferences({}, form, QStringLiteral("%1\n%2\n%3")))
        profile << tr("%1：%2").arg(line.section(u'\n', 0, 0), line.section(u'\n', 2));
    return askUser(why + tr("写入会用表单中的配置替换模块的配置。要写入吗？"), QString(), profile.join(u'\n'), yes);
}

