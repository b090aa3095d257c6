// Texts the console makes from a log row's bytes and from what the user
// types, without a widget: the hex of a row, the hex a user sends, the first
// character the wire encoding cannot carry, the row's line in a saved or
// recorded log file, and the byte search behind the find line.
#ifndef LOGTEXT_H
#define LOGTEXT_H

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <limits>
#include <optional>

#include "serial/wiretext.h"

namespace logtext {

// "41 54 0D 0A": every byte, upper-case pairs, one space between them.
QString hex(QByteArrayView bytes);

// Hex byte pairs, spaces between pairs optional ("41542B 0d0a"). Anything
// else, a lone digit included, is refused: *bad is the index of the first
// wrong character (for a lone last digit, that digit).
std::optional<QByteArray> parseHex(QStringView text, qsizetype *bad = nullptr);

// The index of the first character (a whole surrogate pair counts as one)
// that the encoding has no bytes for; -1 when it carries all of them.
qsizetype firstUnencodable(QStringView text, wiretext::Encoding encoding);

// A row's text as one line of UTF-8 for a file or the clipboard: its
// closing CR LF left out, bytes the encoding does not decode, control bytes
// and DEL as \xNN, a backslash as \\ (so that "\x41" typed stays itself).
QByteArray escaped(QByteArrayView raw, wiretext::Encoding encoding);

// "HH:mm:ss.zzz" in local time.
QString clock(qint64 msecsSinceEpoch);

// A row's line in a saved or recorded file: "yyyy-MM-dd HH:mm:ss.zzz",
// tab, TX or RX, tab, the escaped text or, in hex view, the hex; "\n". A
// timeline of several ports has the row's port between the time and TX/RX,
// in a column of its own.
// Keeps the formatted second, so that a stream of rows costs no date
// conversion each.
class FileLine
{
public:
    QByteArray line(qint64 msecs, bool sent, QByteArrayView raw, wiretext::Encoding encoding, bool hexView,
                    QByteArrayView port = {});
    // The same line appended to `out`.
    void appendLine(QByteArray &out, qint64 msecs, bool sent, QByteArrayView raw, wiretext::Encoding encoding,
                    bool hexView, QByteArrayView port = {});

private:
    qint64 m_second = std::numeric_limits<qint64>::min();
    QByteArray m_secondText;
};

// A needle for the find line, made once per search: matches a row whose
// text holds it (ASCII letters in either case), or, in hex view and when it
// is hex byte pairs, whose bytes hold the bytes it names.
class Needle
{
public:
    Needle() = default;
    Needle(const QString &text, bool hexView);
    bool isEmpty() const { return m_utf8.isEmpty() && m_gbk.isEmpty() && m_bytes.isEmpty(); }
    bool matches(QByteArrayView raw, wiretext::Encoding encoding) const;

private:
    bool m_hex = false;
    QByteArray m_utf8, m_gbk;   // lower-case ASCII
    QByteArray m_bytes;         // hex view: exact bytes
};

} // namespace logtext

#endif // LOGTEXT_H
