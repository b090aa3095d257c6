// The wire encoding: how text becomes bytes on the serial line and back.
// Modules set up from a Chinese Windows computer hold SSIDs and keys in GBK;
// others in UTF-8. Line framing stays on bytes; only a complete line is
// decoded, and a command is encoded whole just before it is written.
#ifndef WIRETEXT_H
#define WIRETEXT_H

#include <QByteArray>
#include <QString>

namespace wiretext {

enum class Encoding { Utf8, Gbk };

// "UTF-8" and "GBK": the combo box's items and the settings file's values.
QString name(Encoding encoding);
// UTF-8 for an empty or unknown name.
Encoding fromName(const QString &name);

// *clean, when given, tells whether every byte sequence was valid in the
// encoding; invalid ones show as U+FFFD.
QString decode(const QByteArray &bytes, Encoding encoding, bool *clean = nullptr);
// *clean tells whether every character has a form in the encoding; the
// others become '?'.
QByteArray encode(const QString &text, Encoding encoding, bool *clean = nullptr);

} // namespace wiretext

#endif // WIRETEXT_H
