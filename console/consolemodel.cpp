// The console log's rows and counters; see consolemodel.h.
#include "console/consolemodel.h"

#include <QIODevice>

#include <algorithm>

namespace {
// New rows and the receive counter reach the screen at most this often.
constexpr int logFlushMs = 33;
} // namespace

ConsoleModel::ConsoleModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(logFlushMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &ConsoleModel::flush);
}

int ConsoleModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count;
}

int ConsoleModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant ConsoleModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_count)
        return QVariant();
    const Row &r = row(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        // Every byte, a zero byte too: the cell draws it as a control
        // character, and the text after it stays in sight.
        return wiretext::decode(r.raw, r.encoding);
    case RawRole:
        return r.raw;
    case TimeRole:
        return r.msecs;
    case SentRole:
        return r.sent;
    case PortRole:
        return int(r.port);
    default:
        return QVariant();
    }
}

void ConsoleModel::append(const QByteArray &raw, bool sent, qint64 msecs, wiretext::Encoding encoding, int port)
{
    QByteArray kept = raw;
    if (kept.capacity() > kept.size() + 16)
        kept.squeeze();   // an encoder's or a read's spare room would stay with the row
    m_pending.append(Row{kept, msecs, sent, encoding, quint16(port)});
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void ConsoleModel::countReceived(qint64 n)
{
    m_receivedPending += n;
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void ConsoleModel::countSent(qint64 n)
{
    m_sent += n;
    emit countersChanged(m_sent, m_received);
}

// The ring grows by doubling while the log fills up to its bound; after
// that, dropped rows make room for new ones.
void ConsoleModel::push(Row &&entry)
{
    if (m_count == m_ring.size()) {
        QList<Row> bigger;
        bigger.reserve(qMax<qsizetype>(64, m_ring.size() * 2));
        for (int r = 0; r < m_count; ++r)
            bigger.append(std::move(m_ring[(m_head + r) % m_ring.size()]));
        bigger.resize(bigger.capacity());
        m_ring.swap(bigger);
        m_head = 0;
    }
    m_ring[(m_head + m_count) % m_ring.size()] = std::move(entry);
    ++m_count;
}

void ConsoleModel::flush()
{
    m_flushTimer.stop();
    if (m_receivedPending != 0) {
        m_received += m_receivedPending;
        m_receivedPending = 0;
        emit countersChanged(m_sent, m_received);
    }
    if (m_pending.isEmpty())
        return;
    // Ports polled one after another hand in their rows out of step.
    const auto earlier = [](const Row &a, const Row &b) { return a.msecs < b.msecs; };
    if (!std::is_sorted(m_pending.cbegin(), m_pending.cend(), earlier))
        std::stable_sort(m_pending.begin(), m_pending.end(), earlier);
    const int first = m_count;
    beginInsertRows(QModelIndex(), first, first + int(m_pending.size()) - 1);
    for (Row &entry : m_pending)
        push(std::move(entry));
    m_pending.clear();
    endInsertRows();
    const int before = m_count;
    dropOldRows();   // counts the find line's matches afresh when it drops rows
    if (m_count == before)
        countFound(first);
    emit flushed(qMax(0, first - (before - m_count)));
}

// Past the bound the oldest rows go a tenth of it at a time.
void ConsoleModel::dropOldRows()
{
    const int excess = m_count - m_maxRows;
    if (excess <= 0)
        return;
    const int block = qMax(1, m_maxRows / 10);
    const int drop = (excess + block - 1) / block * block;
    beginRemoveRows(QModelIndex(), 0, drop - 1);
    for (int r = 0; r < drop; ++r)
        m_ring[(m_head + r) % m_ring.size()] = Row();
    m_head = (m_head + drop) % m_ring.size();
    m_count -= drop;
    endRemoveRows();
    countFound(0);
    if (!m_limitAnnounced) {
        m_limitAnnounced = true;
        emit limitReached(m_maxRows);
    }
}

void ConsoleModel::clear()
{
    // Entries not shown yet were logged before the clearing: they go too.
    m_flushTimer.stop();
    m_pending.clear();
    m_receivedPending = 0;
    beginResetModel();
    m_ring.clear();
    m_head = 0;
    m_count = 0;
    endResetModel();
    m_found = 0;
    m_sent = 0;
    m_received = 0;
    emit countersChanged(m_sent, m_received);
}

void ConsoleModel::setPortName(int port, const QString &name)
{
    m_portNames.insert(port, name.toUtf8());
}

QString ConsoleModel::copyText(int r, bool times, bool hexView) const
{
    const Row &entry = row(r);
    QString text;
    if (times)
        text = logtext::clock(entry.msecs) + u' ';
    if (isTimeline())
        text += portName(entry.port) + u' ';
    if (hexView)
        text += logtext::hex(entry.raw);
    else
        text += QString::fromUtf8(logtext::escaped(entry.raw, entry.encoding));
    return text;
}

QString ConsoleModel::copyText(QList<int> rows, bool times, bool hexView) const
{
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    lines.reserve(rows.size());
    for (const int r : std::as_const(rows))
        lines << copyText(r, times, hexView);
    return lines.join(u'\n');
}

void ConsoleModel::writeRows(QIODevice *out, bool hexView) const
{
    logtext::FileLine format;
    for (int r = 0; r < m_count; ++r) {
        const Row &entry = row(r);
        out->write(format.line(entry.msecs, entry.sent, entry.raw, entry.encoding, hexView,
                               isTimeline() ? QByteArrayView(m_portNames.value(entry.port)) : QByteArrayView()));
    }
}

void ConsoleModel::find(const QString &text, bool hexView)
{
    m_finding = true;
    m_needle = logtext::Needle(text, hexView);
    countFound(0);
}

void ConsoleModel::stopFinding()
{
    m_finding = false;
}

// Counts the matching rows from firstRow on (0: afresh), while finding.
void ConsoleModel::countFound(int firstRow)
{
    if (!m_finding)
        return;
    if (firstRow == 0)
        m_found = 0;
    if (m_needle.isEmpty())
        return;
    for (int r = firstRow; r < m_count; ++r) {
        const Row &entry = row(r);
        m_found += m_needle.matches(entry.raw, entry.encoding);
    }
}

int ConsoleModel::findRow(int from, int step) const
{
    const int rows = m_count;
    if (m_needle.isEmpty() || rows == 0)
        return -1;
    int start = from;
    if (start < 0 || start >= rows)
        start = step > 0 ? -1 : rows;
    for (int k = 1; k <= rows; ++k) {
        const int r = ((start + step * k) % rows + rows) % rows;
        const Row &entry = row(r);
        if (m_needle.matches(entry.raw, entry.encoding))
            return r;
    }
    return -1;
}
