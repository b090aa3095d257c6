// Cuts a received byte stream into lines that end in CR LF.
//
// Bytes are appended as they arrive; takeLine() hands out complete lines,
// CR LF included, in order. The search for CR LF never scans a byte twice:
// the framer remembers how far it has looked, so bytes that never see a line
// end cost linear time overall. Consumed lines are dropped from the front
// lazily, so taking many lines from one large chunk is linear too.
//
// A line is at most maxLineBytes long, its CR LF not counted: bytes that
// reach that length without a line end (a wrong baud rate, binary data) are
// handed out as they are, as an unterminated piece, and framing starts afresh
// after them, so memory stays bounded. A CR in the last place of such a piece
// waits for the next byte, so that a CR LF across the cut still ends a line.
#ifndef LINEFRAMER_H
#define LINEFRAMER_H

#include <QByteArray>
#include <QString>

#include "serial/wiretext.h"

class LineFramer
{
public:
    static constexpr qsizetype maxLineBytes = 4096;

    void append(const QByteArray &bytes);
    // Takes the next line (CR LF included) into *line; false when none is
    // waiting. *unterminated, when given, tells a piece cut at maxLineBytes
    // without a line end from a line.
    bool takeLine(QByteArray *line, bool *unterminated = nullptr);
    // Bytes received and not yet handed out as a line.
    qsizetype pending() const { return m_buffer.size() - m_head; }
    QByteArray pendingBytes() const { return m_buffer.mid(m_head); }

private:
    void deliver(QByteArray *line, qsizetype end);

    QByteArray m_buffer;
    qsizetype m_head = 0;   // start of the first undelivered byte
    qsizetype m_scan = 0;   // bytes before this offset hold no CR LF pair start
};

// A received line as text: the bytes up to the first zero byte, in the wire
// encoding; *clean tells whether they were valid in it.
QString lineToText(const QByteArray &line, wiretext::Encoding encoding = wiretext::Encoding::Utf8,
                   bool *clean = nullptr);

#endif // LINEFRAMER_H
