// ConsoleSet: the consoles of several ports as one timeline, without a
// window. Each console's SerialLink joins under a short name; every row it
// sends or receives also goes, tagged with that console's port number, into
// one merged ConsoleModel (timeline()), whose rows keep the order of their
// times, while there are two consoles or more (one alone has its own log).
// A console that leaves keeps its rows there under the name it had.
// sendToAll() sends one text to every open port, or to a chosen few, each
// in its own wire encoding, and says for each port what became of it.
#ifndef CONSOLESET_H
#define CONSOLESET_H

#include <QColor>
#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QString>

#include <optional>

#include "console/consolemodel.h"

class SerialLink;

class ConsoleSet : public QObject
{
    Q_OBJECT

public:
    explicit ConsoleSet(QObject *parent = nullptr);
    ~ConsoleSet() override;

    ConsoleModel &timeline() { return m_timeline; }

    // `link` joins the timeline as `name`; the number its rows are tagged with.
    int add(SerialLink *link, const QString &name);
    // Its rows stay in the timeline; nothing more of it comes in.
    void remove(int port);
    void rename(int port, const QString &name);
    QList<int> ports() const;   // in the order they joined
    SerialLink *link(int port) const;
    QString name(int port) const { return m_timeline.portName(port); }

    // "ttyUSB0" of "/dev/ttyUSB0", "pts/3" of "/dev/pts/3", "COM5" of "COM5": what a port is tagged with.
    static QString shortName(const QString &portText);
    // The tag's colour: one of eight pale ones, in turn.
    static QColor colour(int port);

    struct Sent
    {
        int port = 0;
        QString why;   // empty: it went out
    };
    // `text` to each open port of `only` (every port when empty), encoded
    // for each. A closed port, one a sequence holds, and one whose encoding
    // cannot carry the text are passed by with the reason.
    QList<Sent> sendToAll(const QString &text, const QList<int> &only = {});
    // What a console's command line sends for `line`: with `hex` the bytes
    // it names, as they are; else the text, CR LF added when `lineEnd`, in
    // `encoding`. Nothing, with *why, when it cannot go out as it stands.
    static std::optional<QByteArray> lineToSend(const QString &line, bool hex, bool lineEnd,
                                                wiretext::Encoding encoding, QString *why);
    // The periodic send's period in ms as typed: digits only, and no more
    // than a timer's interval can hold; 0 would send on every idle turn of
    // the event loop.
    static std::optional<int> sendPeriod(const QString &text);

signals:
    void portsChanged();
    // A row of a console, as it joins the timeline (for a recording).
    void rowAdded(const QByteArray &raw, bool sent, qint64 msecs, wiretext::Encoding encoding, int port);

private:
    // Why `text` cannot go out in `encoding`, naming the first character it
    // has no bytes for; empty when it can.
    static QString unencodable(const QString &text, wiretext::Encoding encoding);
    // The bytes a hex-send line names, or nothing with *why naming the
    // first wrong character (or saying there are no bytes at all).
    static std::optional<QByteArray> hexToSend(const QString &line, QString *why);

    struct Member
    {
        int port = 0;
        SerialLink *link = nullptr;
        QMetaObject::Connection traffic;
        QMetaObject::Connection gone;
    };
    ConsoleModel m_timeline;
    QList<Member> m_members;
    int m_next = 1;
};

#endif // CONSOLESET_H
