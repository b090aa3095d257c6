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

bool LineFramer::takeLine(QByteArray *line)
{
    const qsizetype size = m_buffer.size();
    const char *data = m_buffer.constData();
    qsizetype pos = qMax(m_scan, m_head);
    while (pos + 1 < size) {
        const void *cr = std::memchr(data + pos, '\r', size_t(size - pos - 1));
        if (!cr) {
            pos = size - 1;   // the last byte may be a CR whose LF is still to come
            break;
        }
        pos = static_cast<const char *>(cr) - data;
        if (data[pos + 1] == '\n') {
            const qsizetype end = pos + 2;
            *line = m_buffer.mid(m_head, end - m_head);
            m_head = end;
            m_scan = end;
            if (m_head == size) {
                m_buffer.clear();
                m_head = m_scan = 0;
            }
            return true;
        }
        ++pos;
    }
    m_scan = qMax(pos, m_head);
    return false;
}

QString lineToText(const QByteArray &line, wiretext::Encoding encoding, bool *clean)
{
    const qsizetype zero = line.indexOf('\0');
    return wiretext::decode(zero < 0 ? line : line.left(zero), encoding, clean);
}
