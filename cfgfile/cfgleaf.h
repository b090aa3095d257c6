// The text form of one configuration-file leaf, without any widget: cutting a
// leaf's text into its comma-separated fields, and what can be wrong with one.
#ifndef CFGLEAF_H
#define CFGLEAF_H

#include <QString>
#include <QStringList>
#include <QStringView>

#include <utility>

namespace cfgleaf {

// Cuts `text` into exactly `count` fields at commas, the way the whole-text
// pattern "(.*),(.*),...,(.*)" matches: greedy from the left, so surplus
// commas stay in the leftmost field; a field may be empty (an open access
// point has no key). False, with *fields untouched, when the text has fewer
// than count - 1 commas. Linear in the text's length.
bool splitFields(QStringView text, int count, QStringList *fields);

// What is wrong with a leaf of a profile: the leaf is named as wrong, with
// why, never as missing.
struct Problem
{
    enum Kind {
        Repeated,      // the leaf is there more than once (`count` times)
        LineBreak,     // CR, LF or NUL in its text
        FieldCount,    // it does not have `count` fields
        EmptyChoice,   // field `field` (from 1) chooses nothing
        NotAnItem,     // field `field` is `text`, none of the selector's items
        NotAFlag,      // field `field` is `text`, neither "0" nor "1"
    };
    Problem(QString leaf, Kind kind, int field = 0, int count = 0, QString text = QString())
        : leaf(std::move(leaf)), kind(kind), field(field), count(count), text(std::move(text))
    {
    }
    QString leaf;
    Kind kind;
    int field = 0;
    int count = 0;
    QString text;
};
// The problem as the user reads it, in the language of the installed catalogue.
QString problemText(const Problem &problem);

} // namespace cfgleaf

#endif // CFGLEAF_H
