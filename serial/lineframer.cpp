// Line framing of the receive buffer; see lineframer.h.
#include "serial/lineframer.h"

#include <cstring>

void LineFramer::append(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    // Drop delivered lines before growing, once they are worth a move.
    if (m_head > 0 && m_head >= m_buffer.size() / 2) {
        m_buffer.remove(0, m_head);
        m_scan -= m_head;
        m_head = 0;
    }
    m_buffer.append(bytes);
}

bool LineFramer::takeLine(QByteArray *line, bool *unterminated)
{
    const qsizetype size = m_buffer.size();
    const char *data = m_buffer.constData();
    // A line end must start within maxLineBytes + 1 bytes of the line's start.
    const qsizetype limit = qMin(size, m_head + maxLineBytes + 1);
    qsizetype pos = qMax(m_scan, m_head);
    while (pos + 1 < limit) {
        const void *cr = std::memchr(data + pos, '\r', size_t(limit - pos - 1));
        if (!cr) {
            pos = limit - 1;   // the last byte may be a CR whose LF is still to come
            break;
        }
        pos = static_cast<const char *>(cr) - data;
        if (data[pos + 1] == '\n') {
            deliver(line, pos + 2);
            if (unterminated)
                *unterminated = false;
            return true;
        }
        ++pos;
    }
    m_scan = qMax(pos, m_head);
    // maxLineBytes without a line end: out as they are, unless the last of
    // them is a CR whose next byte has not come yet.
    const qsizetype waiting = size - m_head;
    if (waiting > maxLineBytes || (waiting == maxLineBytes && data[size - 1] != '\r')) {
        deliver(line, m_head + maxLineBytes);
        if (unterminated)
            *unterminated = true;
        return true;
    }
    return false;
}

void LineFramer::deliver(QByteArray *line, qsizetype end)
{
    *line = m_buffer.mid(m_head, end - m_head);
    m_head = end;
    m_scan = qMax(m_scan, end);
    if (m_head == m_buffer.size()) {
        m_buffer.clear();
        m_head = m_scan = 0;
    }
}

QString lineToText(const QByteArray &line, wiretext::Encoding encoding, bool *clean)
{
    const qsizetype zero = line.indexOf('\0');
    return wiretext::decode(zero < 0 ? line : line.left(zero), encoding, clean);
}
