// The obvious line framer, a byte at a time, that LineFramer is checked
// against: a line ends at CR LF; maxLineBytes bytes without one are cut off
// as they are, unless the last of them is a CR, which waits for its LF.
#ifndef REFERENCEFRAMER_H
#define REFERENCEFRAMER_H

#include <QByteArray>
#include <QList>
#include <QPair>

#include "serial/lineframer.h"

// Every piece of the stream with whether it was cut unterminated; *rest is
// what still waits.
inline QList<QPair<QByteArray, bool>> referenceFrames(const QByteArray &stream, QByteArray *rest)
{
    constexpr qsizetype max = LineFramer::maxLineBytes;
    QList<QPair<QByteArray, bool>> pieces;
    QByteArray current;
    for (const char c : stream) {
        current.append(c);
        if (current.endsWith("\r\n")) {
            pieces.append({current, false});
            current.clear();
        } else if (current.size() == max && !current.endsWith('\r')) {
            pieces.append({current, true});
            current.clear();
        } else if (current.size() == max + 1) {
            pieces.append({current.left(max), true});
            current.remove(0, max);
        }
    }
    *rest = current;
    return pieces;
}

#endif // REFERENCEFRAMER_H
