// A module's configuration as values, without any widget: field -> value for
// the fields of the field table (cfgfields), in the form the table gives
// them (a selector's item index, a check box's "1" or "0", a text as it is).
// The form, a read and a profile file each make one; problems() says why it
// cannot be written to a module as it stands, in the window's words.
#ifndef MODULECONFIG_H
#define MODULECONFIG_H

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "protocol/cfgfields.h"
#include "serial/wiretext.h"

class ModuleConfig
{
    Q_DECLARE_TR_FUNCTIONS(ModuleConfig)

public:
    ModuleConfig() = default;   // no field has a value

    // What the form shows after its reset: selectors at their reset item,
    // check boxes as reset, texts empty; the Wi-Fi role, which a reset keeps,
    // at its first item, as a new window shows it.
    static ModuleConfig defaults();

    // A field's value; empty for a field without one.
    QString value(const QString &widget) const;
    bool has(const QString &widget) const;
    // Sets a field of the table; a name the table does not know is ignored.
    void set(const QString &widget, const QString &value);
    // Every value this one has replaces the one in `base`.
    ModuleConfig over(const ModuleConfig &base) const;
    // The values of the fields the write sends, by widget name.
    QHash<QString, QString> writtenValues() const;

    // What a read could not show as the module holds it: a flag that was
    // neither "0" nor "1" or a MAC that was no MAC (unreadable), a text from a
    // line that was not valid in the wire encoding (unclean).
    void setUnreadable(const QString &widget);
    void setUnclean(const QString &widget);

    // Why the write cannot send it: every written field the module would not
    // take (cfgfields::valueProblems), and the flags a read could not set. A
    // text read unclean is not named as one the encoding lacks.
    QList<cfgfields::Problem> problems(wiretext::Encoding encoding) const;
    // The same as the user reads it: the fields without a choice, the texts
    // read unclean, then the other kinds; empty when it can be written.
    QStringList problemTexts(bool english, wiretext::Encoding encoding) const;
    // What a read left that is not the module's own: unclean texts, selectors
    // without an item and unreadable flags, a MAC that is no MAC.
    QStringList readProblemTexts(bool english, wiretext::Encoding encoding) const;

    bool operator==(const ModuleConfig &other) const;
    bool operator!=(const ModuleConfig &other) const { return !(*this == other); }

private:
    QStringList uncleanNames(bool english, bool writtenOnly) const;

    QHash<QString, QString> m_values;
    QSet<QString> m_unreadable;
    QSet<QString> m_unclean;
};

#endif // MODULECONFIG_H
