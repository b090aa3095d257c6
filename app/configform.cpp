#include "app/configform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "protocol/cfgfields.h"

ConfigForm::ConfigForm(QWidget *form) : QObject(form), m_form(form)
{
    for (const cfgfields::Field &f : cfgfields::all()) {
        QWidget *widget = form->findChild<QWidget *>(QLatin1String(f.widget));
        Q_ASSERT_X(widget, f.widget, "a field of the table is not in the form");
        m_widgets.insert(QLatin1String(f.widget), widget);
        if (const char *chars = cfgfields::formChars(f)) {
            static_cast<QLineEdit *>(widget)->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QLatin1String(chars)), this));
        }
        // A field the user edits holds the user's text or choice, whatever the read left.
        if (auto *edit = qobject_cast<QLineEdit *>(widget))
            connect(edit, &QLineEdit::textEdited, this, [this, edit] { m_unclean.remove(edit); });
        else if (auto *check = qobject_cast<QCheckBox *>(widget))
            connect(check, &QCheckBox::clicked, this, [this, check] { m_unreadFlags.remove(check); });
    }
    // Whatever changes a field, the marks of the changed fields follow.
    const QList<QWidget *> fields = writtenFields();
    for (QWidget *field : fields) {
        if (auto *edit = qobject_cast<QLineEdit *>(field))
            connect(edit, &QLineEdit::textChanged, this, &ConfigForm::markChanged);
        else if (auto *box = qobject_cast<QComboBox *>(field))
            connect(box, &QComboBox::currentIndexChanged, this, &ConfigForm::markChanged);
        else if (auto *check = qobject_cast<QCheckBox *>(field))
            connect(check, &QCheckBox::toggled, this, &ConfigForm::markChanged);
    }
}

QList<QWidget *> ConfigForm::writtenFields() const
{
    QList<QWidget *> fields;
    for (const cfgfields::Field *f : cfgfields::written())
        fields << widget(f->widget);
    return fields;
}

QString ConfigForm::fieldName(const QWidget *field, bool english)
{
    const cfgfields::Field *f = cfgfields::find(field->objectName());
    return f ? cfgfields::name(*f, english) : field->objectName();
}

// What is marked when the field differs from the module: its label, or the
// field itself where it has none.
QWidget *ConfigForm::label(const QWidget *field) const
{
    const cfgfields::Field *f = cfgfields::find(field->objectName());
    QWidget *label = f ? m_form->findChild<QWidget *>(QLatin1String(f->label)) : nullptr;
    return label ? label : const_cast<QWidget *>(field);
}

// Every field of the table, with what a read could not show marked (the
// flags it could not set, the texts from a line not valid in the wire
// encoding, a MAC that is no MAC).
ModuleConfig ConfigForm::config() const
{
    ModuleConfig config;
    for (auto it = m_widgets.cbegin(); it != m_widgets.cend(); ++it) {
        if (const auto *box = qobject_cast<const QComboBox *>(it.value()))
            config.set(it.key(), QString::number(box->currentIndex()));
        else if (const auto *edit = qobject_cast<const QLineEdit *>(it.value()))
            config.set(it.key(), edit->text());
        else if (const auto *check = qobject_cast<const QCheckBox *>(it.value()))
            config.set(it.key(), check->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    }
    for (const QCheckBox *box : m_unreadFlags)
        config.setUnreadable(box->objectName());
    for (const QLineEdit *edit : m_unclean)
        config.setUnclean(edit->objectName());
    if (m_macBad)
        config.setUnreadable(QStringLiteral("lineEdit_device_mac"));
    return config;
}

void ConfigForm::setReadValues(const QHash<QString, QString> &values, bool lineClean)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        setReadValue(widget(it.key()), it.value(), lineClean);
}

// A field the read sets from the value its answer gives (cfgfields::parseAnswer).
// A text from a line that was not valid in the wire encoding is marked where
// it shows a replacement character. A selector whose code was not in its
// list is left blank, and a check box that was neither "1" nor "0" is
// cleared and remembered: the read names both, and a write refuses until the
// user sets them.
void ConfigForm::setReadValue(QWidget *field, const QString &value, bool lineClean)
{
    if (auto *edit = qobject_cast<QLineEdit *>(field)) {
        edit->setText(value);
        if (!lineClean && value.contains(QChar::ReplacementCharacter))
            m_unclean.insert(edit);
        else
            m_unclean.remove(edit);
    } else if (auto *box = qobject_cast<QComboBox *>(field)) {
        box->setCurrentIndex(value.toInt());
    } else if (auto *check = qobject_cast<QCheckBox *>(field)) {
        check->setChecked(value == QLatin1String("1"));
        if (value == QLatin1String("?"))
            m_unreadFlags.insert(check);
        else
            m_unreadFlags.remove(check);
    }
}

void ConfigForm::forgetReadProblems()
{
    m_unclean.clear();
    m_unreadFlags.clear();
    m_macBad = false;
}

QString ConfigForm::shown(const QWidget *field, const QString &value)
{
    if (const auto *box = qobject_cast<const QComboBox *>(field)) {
        const int index = value.toInt();
        return index >= 0 && index < box->count() ? box->itemText(index) : tr("（空）");
    }
    if (qobject_cast<const QCheckBox *>(field))
        return value == QLatin1String("1") ? tr("是") : tr("否");
    return value;
}

QList<QWidget *> ConfigForm::changedFields(const QHash<QString, QString> &from,
                                           const QHash<QString, QString> &to) const
{
    const bool dynamicIp = to.value(QStringLiteral("comboBox_ip_mode")) == QLatin1String("0");
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

QStringList ConfigForm::differences(const QHash<QString, QString> &from, const QHash<QString, QString> &to,
                                    const QString &line, bool english) const
{
    QStringList lines;
    for (const QWidget *field : changedFields(from, to)) {
        const QString name = field->objectName();
        lines << line.arg(fieldName(field, english), shown(field, from.value(name)), shown(field, to.value(name)));
    }
    return lines;
}

void ConfigForm::setModuleValues(const QHash<QString, QString> &values)
{
    m_moduleValues = values;
    markChanged();
}

void ConfigForm::markChanged()
{
    const QList<QWidget *> changed =
        m_moduleValues.isEmpty() ? QList<QWidget *>() : changedFields(m_moduleValues, values());
    for (QWidget *field : writtenFields()) {
        QWidget *mark = label(field);
        const bool on = changed.contains(field);
        if (mark->font().bold() == on)
            continue;
        QFont font = mark->font();
        font.setBold(on);
        mark->setFont(font);
    }
}

// What a read fills, a write sends or an import or export reads is not
// edited meanwhile; the module's own information is never edited.
void ConfigForm::setLocked(bool locked)
{
    for (const cfgfields::Field &f : cfgfields::all()) {
        QWidget *field = widget(f.widget);
        if (!f.set && !f.leaf)
            continue;
        if (auto *edit = qobject_cast<QLineEdit *>(field))
            edit->setReadOnly(locked);
        else
            field->setEnabled(!locked);
    }
}
