// The console log's rows, without a widget: every line sent or received as
// it was on the wire (its bytes, the time it was cut or sent, its direction
// and the wire encoding of that moment), the sent and received byte counters,
// and what the log tools need from the rows: their copied text, the saved
// file, and the find line's matches.
//
// Rows are kept in a ring buffer bounded by maxRows(): past it the oldest go
// a tenth of the bound at a time, so that the cost per row stays flat, and
// limitReached() says so once. Appended rows and received byte counts wait,
// in order, for the next repaint (flush(), at most every 33 ms): a row per
// event-loop turn would have the view laid out and painted thousands of
// times a second.
#ifndef CONSOLEMODEL_H
#define CONSOLEMODEL_H

#include <QAbstractTableModel>
#include <QHash>
#include <QByteArray>
#include <QList>
#include <QTimer>

#include "console/logtext.h"
#include "serial/wiretext.h"

class QIODevice;

class ConsoleModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role { RawRole = Qt::UserRole + 1, TimeRole, SentRole, PortRole };

    struct Row
    {
        QByteArray raw;
        qint64 msecs = 0;
        bool sent = false;
        wiretext::Encoding encoding = wiretext::Encoding::Utf8;
        quint16 port = 0;   // in a timeline of several ports: whose row it is
    };

    explicit ConsoleModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    // Display: the text of every byte, a zero byte included, CR LF kept.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    const Row &row(int r) const { return m_ring.at((m_head + r) % m_ring.size()); }

    int maxRows() const { return m_maxRows; }
    void setMaxRows(int rows) { m_maxRows = qMax(1, rows); }

    // A row for the next flush, and the received bytes counted with it.
    void append(const QByteArray &raw, bool sent, qint64 msecs, wiretext::Encoding encoding, int port = 0);
    // A timeline of several ports: each row is tagged with its port's name in
    // copies and files, and the rows of one flush go in the order of their
    // times (stable: rows of the same millisecond keep their arrival order).
    void setPortName(int port, const QString &name);
    QString portName(int port) const { return QString::fromUtf8(m_portNames.value(port)); }
    QByteArray portNameUtf8(int port) const { return m_portNames.value(port); }
    bool isTimeline() const { return !m_portNames.isEmpty(); }
    void countReceived(qint64 n);
    // Sent bytes are counted at once, as they go out.
    void countSent(qint64 n);
    qint64 sentBytes() const { return m_sent; }
    qint64 receivedBytes() const { return m_received; }
    // The waiting rows into the log, the oldest dropped past the bound.
    void flush();
    // No rows, none waiting, both counters 0.
    void clear();

    // A row as one line of text: its time when times are shown, its hex in
    // hex view, else its text with what a line cannot hold escaped as in the files.
    QString copyText(int r, bool times, bool hexView) const;
    QString copyText(QList<int> rows, bool times, bool hexView) const;   // in row order, a line each
    // Every row as the saved file has it.
    void writeRows(QIODevice *out, bool hexView) const;

    // The find line: matches counted from now on, as rows come and go.
    void find(const QString &text, bool hexView);
    void stopFinding();
    int found() const { return m_found; }
    // The next (step 1) or previous (-1) matching row from `from`, round the
    // end; -1 when none matches.
    int findRow(int from, int step) const;

signals:
    void countersChanged(qint64 sent, qint64 received);
    // After a flush: rows from firstNew on are new.
    void flushed(int firstNew);
    // The first time rows are dropped for the bound.
    void limitReached(int maxRows);

private:
    void push(Row &&entry);
    void dropOldRows();
    void countFound(int firstRow);

    QList<Row> m_ring;   // the rows, m_head the oldest, m_count of them
    int m_head = 0;
    int m_count = 0;
    int m_maxRows = 100000;
    bool m_limitAnnounced = false;
    QList<Row> m_pending;
    QHash<int, QByteArray> m_portNames;   // a timeline's ports, UTF-8
    qint64 m_receivedPending = 0;
    QTimer m_flushTimer;
    qint64 m_sent = 0;
    qint64 m_received = 0;
    bool m_finding = false;
    logtext::Needle m_needle;
    int m_found = 0;
};

#endif // CONSOLEMODEL_H
