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

#include "serial/wiretext.h"

namespace cfgfields {

enum class Kind {
    Text,       // a line edit: its text travels as it is
    Selector,   // a combo box: code on the wire = item index + codeOffset
    Check,      // a check box: "1" ticked, "0" not
};

// How a read answer's field becomes what the form shows, beyond the kind.
enum class Shown {
    AsIs,       // by kind
    Info,       // the module's own text (its version): control characters shown as \xNN
    Mac,        // a MAC address in its one spelling (AC:CF:23:5A:10:7E); anything else as Info
    OnOff,      // "1" shows "ON", anything else "OFF" (the network state)
    Role,       // "0" shows "AP", "1" "STA", any other code itself (the Wi-Fi role)
};

// What a text field holds, beyond the characters of the wire encoding. Every
// text may be empty; a value is checked against its field before a write.
enum class Value {
    Any,        // any one-line text
    Address,    // a dotted quad, 0-255 each ("[0-9.]*" in the form)
    Port,       // 1 to 65535 ("[0-9]*")
    Number,     // at most nine digits ("[0-9]*")
    Ssid,       // at most 32 bytes on the wire
    Key,        // at most 64 bytes on the wire
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
    Value value;             // text: what it holds
    const char *label;       // object name of what names it on the form (its label, or itself)
    const char *nameZh;      // its name in messages and the change list
    const char *nameEn;
    const char *itemsZh;     // selector: its items as the form has them, "|"-separated
    const char *itemsEn;     // selector whose items differ by language: its English ones, else null
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

// The characters the form lets the user type into a text field, or null.
const char *formChars(const Field &field);

// Whether a comma in the field reaches the module as part of it: only in the
// last value of a set command whose other values are codes (the access
// point's key). Anywhere else the module takes it for a field separator.
bool mayHoldComma(const Field &field);

// Why the form's `values` (as ConfigForm::values gives them) cannot go to the
// module: one entry per written field whose value it would not take as it
// stands, in the form's order. Static addresses count only in static
// mode, and are needed then; the DHCP pool is needed while DHCP is on.
struct Problem
{
    const Field *field;
    enum Kind {
        NoChoice,     // a selector shows no item, a flag is neither "0" nor "1"
        LineBreak,    // CR, LF or NUL: the command line would end early
        Comma,        // where the module takes it for a separator
        Unencodable,  // a character the wire encoding has no bytes for
        TooLong,      // more bytes on the wire than `limit`
        NotAddress,   // not a dotted quad
        NotPort,      // not 1-65535
        NotNumber,    // not at most nine digits
        Missing,      // empty where the module needs it
    } kind;
    int limit = 0;
};
QList<Problem> valueProblems(const QHash<QString, QString> &values, wiretext::Encoding encoding);
// The problems as the user reads them, one text for the fields of each kind
// ("STA设置/目标SSID、STA设置/密码含有逗号…"), kinds in the order of Problem::Kind;
// the texts in the language of the installed catalogue, the fields' names in
// the language `english` picks.
QStringList problemTexts(const QList<Problem> &problems, bool english, wiretext::Encoding encoding);

// The MAC address in its one spelling, upper-case pairs with colons, for six
// hex pairs separated by colons, dashes or nothing (any case, surrounding
// white space ignored); empty for anything else.
QString canonicalMac(QStringView text);
// A text from the module as it may be shown, printed or stored: control
// characters and DEL as \xNN; any other text stays as it is.
QString escapedText(QStringView text);

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

// A selector's items as the form shows them in the language `english` picks
// (empty for any other field): what a profile file holds for its values.
QStringList items(const Field &field, bool english);

// The item index that `text` names in the selector `widget` in either
// language, or -1 when the selector's items do not differ by language or
// the text is none of them.
int bilingualItemIndex(QStringView widget, QStringView text);

} // namespace cfgfields

#endif // CFGFIELDS_H
