// The text form of one configuration-file leaf, without any widget: cutting a
// leaf's text into its comma-separated fields.
#ifndef CFGLEAF_H
#define CFGLEAF_H

#include <QString>
#include <QStringList>
#include <QStringView>

namespace cfgleaf {

// Cuts `text` into exactly `count` fields at commas, the way the whole-text
// pattern "(.*),(.*),...,(.*)" matches: greedy from the left, so surplus
// commas stay in the leftmost field; a field may be empty (an open access
// point has no key). False, with *fields untouched, when the text has fewer
// than count - 1 commas. Linear in the text's length.
bool splitFields(QStringView text, int count, QStringList *fields);

} // namespace cfgleaf

#endif // CFGLEAF_H
