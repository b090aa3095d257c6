// The module's answer grammar and the building of set commands, free of any
// widget. Every pattern is compiled once and always matched against the whole
// received line, CR LF included; "." also matches CR and LF, and groups are
// greedy, so surplus commas in a data answer end up in the earlier fields.
#ifndef ATANSWER_H
#define ATANSWER_H

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>

namespace atanswer {

// The largest number of data fields an "OK=" answer carries.
constexpr int maxFields = 5;

const QRegularExpression &plainOk();          // "OK" CR LF
const QRegularExpression &errorWithCode();    // "ERR=" 1 to 3 digits CR LF
const QRegularExpression &okWithText();       // "OK" and at least one more character
const QRegularExpression &errWithText();      // "ERR" and at least one more character
const QRegularExpression &okLine();           // "OK", anything, CR LF
const QRegularExpression &errLine();          // "ERR", anything, CR LF
const QRegularExpression &dataAnswer(int fields);   // "OK=" fields CR LF, 1 to maxFields;
                                                    // a field may be empty

// Whether the whole line matches; *match receives the groups when given.
bool matchesWhole(const QRegularExpression &pattern, const QString &line,
                  QRegularExpressionMatch *match = nullptr);

// The fields of a data answer with exactly `count` fields, or false.
bool dataFields(const QString &line, int count, QStringList *fields);

// The same, but cut at the first count - 1 commas: the last field keeps any
// further commas (a key after two codes).
bool leadingFields(const QString &line, int count, QStringList *fields);

// The code of an "ERR=" line (leading zeros allowed), or nothing.
std::optional<int> errorCode(const QString &line);

// A code field as its decimal number: digits only (leading zeros allowed).
// Nothing for an empty field, a sign, a space or any other character.
std::optional<int> code(QStringView field);

// The text without CR, LF and NUL: what may travel inside one command line.
QString withoutLineBreaks(QStringView text);

// `prefix` followed by the values joined with ",". CR, LF and NUL are dropped
// from every value: a value can never end the command early and smuggle a
// second command onto the line.
QString setCommand(const QString &prefix, const QStringList &values);

} // namespace atanswer

#endif // ATANSWER_H
