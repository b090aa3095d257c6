#include "console/commandhistory.h"

void CommandHistory::setLines(const QStringList &lines)
{
    m_lines = lines.mid(qMax(0, int(lines.size()) - maxLines));
    m_pos = int(m_lines.size());
}

void CommandHistory::remember(const QString &line)
{
    if (!line.isEmpty() && (m_lines.isEmpty() || m_lines.constLast() != line)) {
        m_lines.append(line);
        if (m_lines.size() > maxLines)
            m_lines.removeFirst();
    }
    m_pos = int(m_lines.size());
}

std::optional<QString> CommandHistory::walk(int step, const QString &typed)
{
    const int size = int(m_lines.size());
    m_pos = qBound(0, m_pos, size);
    const int next = m_pos + step;
    if (next < 0 || next > size)
        return std::nullopt;
    if (m_pos == size)
        m_draft = typed;
    m_pos = next;
    return next == size ? m_draft : m_lines.at(next);
}
