// The configuration as values, and what keeps it from a module.
#include "protocol/moduleconfig.h"

#include <QCoreApplication>

namespace {

QString joinNames(const QStringList &names)
{
    return names.join(ModuleConfig::tr("、"));
}

} // namespace

ModuleConfig ModuleConfig::defaults()
{
    ModuleConfig config;
    for (const cfgfields::Field &f : cfgfields::all()) {
        switch (f.kind) {
        case cfgfields::Kind::Selector:
            config.m_values.insert(QLatin1String(f.widget), QString::number(f.reset < 0 ? 0 : f.reset));
            break;
        case cfgfields::Kind::Check:
            config.m_values.insert(QLatin1String(f.widget), f.reset == 1 ? QStringLiteral("1") : QStringLiteral("0"));
            break;
        case cfgfields::Kind::Text:
            config.m_values.insert(QLatin1String(f.widget), QString());
            break;
        }
    }
    return config;
}

QString ModuleConfig::value(const QString &widget) const
{
    return m_values.value(widget);
}

bool ModuleConfig::has(const QString &widget) const
{
    return m_values.contains(widget);
}

void ModuleConfig::set(const QString &widget, const QString &value)
{
    if (const cfgfields::Field *f = cfgfields::find(widget))
        m_values.insert(QLatin1String(f->widget), value);
}

ModuleConfig ModuleConfig::over(const ModuleConfig &base) const
{
    ModuleConfig merged = base;
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
        merged.m_values.insert(it.key(), it.value());
    merged.m_unreadable += m_unreadable;
    merged.m_unclean += m_unclean;
    return merged;
}

QHash<QString, QString> ModuleConfig::writtenValues() const
{
    QHash<QString, QString> values;
    for (const cfgfields::Field *f : cfgfields::written())
        values.insert(QLatin1String(f->widget), value(QLatin1String(f->widget)));
    return values;
}

void ModuleConfig::setUnreadable(const QString &widget)
{
    if (const cfgfields::Field *f = cfgfields::find(widget))
        m_unreadable.insert(QLatin1String(f->widget));
}

void ModuleConfig::setUnclean(const QString &widget)
{
    if (const cfgfields::Field *f = cfgfields::find(widget))
        m_unclean.insert(QLatin1String(f->widget));
}

// The texts read unclean by name, in the form's order; with `writtenOnly`
// those the write sends as they are (the static address only in static mode).
QStringList ModuleConfig::uncleanNames(bool english, bool writtenOnly) const
{
    QStringList names;
    if (writtenOnly) {
        const bool dynamicIp = value(QStringLiteral("comboBox_ip_mode")) == QLatin1String("0");
        for (const cfgfields::Field *f : cfgfields::written()) {
            if (f->kind == cfgfields::Kind::Text && m_unclean.contains(QLatin1String(f->widget))
                && !(dynamicIp && cfgfields::staticAddressOnly(*f)))
                names << cfgfields::name(*f, english);
        }
        return names;
    }
    for (const cfgfields::Field &f : cfgfields::all()) {
        if (f.kind == cfgfields::Kind::Text && m_unclean.contains(QLatin1String(f.widget)))
            names << cfgfields::name(f, english);
    }
    return names;
}

QList<cfgfields::Problem> ModuleConfig::problems(wiretext::Encoding encoding) const
{
    QList<cfgfields::Problem> problems = cfgfields::valueProblems(writtenValues(), encoding);
    for (const cfgfields::Field &f : cfgfields::all()) {
        if (f.kind == cfgfields::Kind::Check && f.set && m_unreadable.contains(QLatin1String(f.widget)))
            problems.append({&f, cfgfields::Problem::NoChoice});
    }
    // A text read as replacement characters is named as such, not as text the encoding lacks.
    problems.removeIf([this](const cfgfields::Problem &p) {
        return p.kind == cfgfields::Problem::Unencodable && m_unclean.contains(QLatin1String(p.field->widget));
    });
    return problems;
}

QStringList ModuleConfig::problemTexts(bool english, wiretext::Encoding encoding) const
{
    QList<cfgfields::Problem> problems = this->problems(encoding);
    QList<cfgfields::Problem> unset = problems;
    unset.removeIf([](const cfgfields::Problem &p) { return p.kind != cfgfields::Problem::NoChoice; });
    problems.removeIf([](const cfgfields::Problem &p) { return p.kind == cfgfields::Problem::NoChoice; });
    QStringList texts = cfgfields::problemTexts(unset, english, encoding);
    const QStringList unclean = uncleanNames(english, true);
    if (!unclean.isEmpty()) {
        texts << tr("%1不是有效的%2文本，请修改，或换一种编码重新读取")
                     .arg(joinNames(unclean), wiretext::name(encoding));
    }
    return texts + cfgfields::problemTexts(problems, english, encoding);
}

QStringList ModuleConfig::readProblemTexts(bool english, wiretext::Encoding encoding) const
{
    QStringList problems;
    const QStringList unclean = uncleanNames(english, false);
    if (!unclean.isEmpty())
        problems << tr("%1不是有效的%2文本").arg(joinNames(unclean), wiretext::name(encoding));
    QStringList blank;
    for (const cfgfields::Field &f : cfgfields::all()) {
        if (f.set && f.kind == cfgfields::Kind::Selector && value(QLatin1String(f.widget)).toInt() < 0)
            blank << cfgfields::name(f, english);
    }
    for (const cfgfields::Field &f : cfgfields::all()) {
        if (f.kind == cfgfields::Kind::Check && m_unreadable.contains(QLatin1String(f.widget)))
            blank << cfgfields::name(f, english);
    }
    if (!blank.isEmpty())
        problems << tr("%1的值不在列表中").arg(joinNames(blank));
    for (const cfgfields::Field &f : cfgfields::all()) {
        if (f.shown == cfgfields::Shown::Mac && m_unreadable.contains(QLatin1String(f.widget))) {
            problems << tr("%1“%2”不是 MAC 地址，没有备份")
                            .arg(cfgfields::name(f, english), value(QLatin1String(f.widget)));
        }
    }
    return problems;
}

bool ModuleConfig::operator==(const ModuleConfig &other) const
{
    return m_values == other.m_values && m_unreadable == other.m_unreadable && m_unclean == other.m_unclean;
}
