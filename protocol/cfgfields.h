// The configuration field table: one row per field of the configuration
// form, saying everything the program does with it. The read and its answers,
// the write and its set commands, the form's reset, the profile file's leaves,
// the input limits, the names in messages and the change list all take what
// they need from here; no widget is needed to use it. Adding a field is one
// row here and the widget in the form (docs/fields.md).
#ifndef CFGFIELDS_H
#define CFGFIELDS_H

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace cfgfields {

enum class Kind {
    Text,       // a line edit: its text travels as it is
    Selector,   // a combo box: code on the wire = item index + codeOffset
    Check,      // a check box: "1" ticked, "0" not
};

// How a read answer's field becomes what the form shows, beyond the kind.
enum class Shown {
    AsIs,       // by kind
    OnOff,      // "1" shows "ON", anything else "OFF" (the network state)
    Role,       // "0" shows "AP", "1" "STA", any other code itself (the Wi-Fi role)
};

struct Field
{
    const char *widget;      // the form's object name
    Kind kind;
    Shown shown;
    const char *query;       // the read's query that answers it, or null
    int answerPos;           // its place among that answer's fields, from 0
    const char *set;         // the write's set command that sends it, or null
    int setPos;              // its place among that command's values, from 0
    int codeOffset;          // selector: wire code of item i is i + codeOffset
    int items;               // selector: number of items; other codes are unknown
    const char *leaf;        // the profile leaf that holds it, or null
    int leafPos;             // its place among the leaf's fields, from 0
    int reset;               // selector: item after a reset; check: 1 ticked; text: cleared
    const char *chars;       // text: the characters the form takes ("[0-9.]*"), or null
    const char *label;       // object name of what names it on the form (its label, or itself)
    const char *nameZh;      // its name in messages and the change list
    const char *nameEn;
    const char *itemsZh;     // selector whose items differ by language: "|"-separated, else null
    const char *itemsEn;
};

// A query of the read, in the order the read sends them.
struct Query
{
    const char *cmd;
    int fields;              // fields of its answer
    bool lastTakesCommas;    // the last field keeps further commas (a key after two codes)
};

const QList<Field> &all();
const QList<Query> &queries();
QStringList setCommands();                 // the write's commands, in the order it sends them
const Field *find(QStringView widget);
QStringList leaves(QStringView group = {});   // the profile's leaves (of one group element), in file order
QList<const Field *> leafFields(QStringView leaf);
QList<const Field *> written();            // the fields the write sends, in the order it sends them

// Whether the write sends the field only with a static address (the static
// IP, gateway and mask: a dynamic address sends the mode alone).
bool staticAddressOnly(const Field &field);

// The field's name in the language on screen.
QString name(const Field &field, bool english);

// The values an answer to `query` gives, by widget: a selector's item index
// ("-1": the code is empty, not a number or outside the list), a check box's
// "1", "0" or "?" (neither), a text as it came (or as `shown` makes it).
// False when the line is not an answer of that query's form.
bool parseAnswer(QStringView query, const QString &line, QHash<QString, QString> *values);

// The set command `prefix` with its values taken from the form's `values`
// (as parseAnswer gives them). Dynamic IP sends the mode alone.
QString setCommand(QStringView prefix, const QHash<QString, QString> &values);

// The item index that `text` names in the selector `widget` in either
// language, or -1 when the selector's items do not differ by language or
// the text is none of them.
int bilingualItemIndex(QStringView widget, QStringView text);

} // namespace cfgfields

#endif // CFGFIELDS_H
