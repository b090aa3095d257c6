// The consoles of several ports as one timeline; see consoleset.h.
#include "console/consoleset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <limits>

#include "console/logtext.h"
#include "serial/seriallink.h"

ConsoleSet::ConsoleSet(QObject *parent)
    : QObject(parent)
{
}

ConsoleSet::~ConsoleSet()
{
    for (const Member &m : std::as_const(m_members)) {
        disconnect(m.traffic);
        disconnect(m.gone);
    }
}

int ConsoleSet::add(SerialLink *link, const QString &name)
{
    const int port = m_next++;
    m_timeline.setPortName(port, name);
    Member m;
    m.port = port;
    m.link = link;
    m.traffic = connect(link, &SerialLink::traffic, this,
                        [this, link, port](SerialLink::Direction direction, const QByteArray &bytes, qint64 msecs) {
                            // One console alone has its own log: no second copy of its rows.
                            if (m_members.size() < 2)
                                return;
                            const bool sent = direction == SerialLink::Direction::Sent;
                            if (sent)
                                m_timeline.countSent(bytes.size());
                            else
                                m_timeline.countReceived(bytes.size());
                            m_timeline.append(bytes, sent, msecs, link->encoding(), port);
                            emit rowAdded(bytes, sent, msecs, link->encoding(), port);
                        });
    // A link destroyed with its console leaves the set.
    m.gone = connect(link, &QObject::destroyed, this, [this, port] { remove(port); });
    m_members.append(m);
    emit portsChanged();
    return port;
}

void ConsoleSet::remove(int port)
{
    for (qsizetype i = 0; i < m_members.size(); ++i) {
        if (m_members.at(i).port != port)
            continue;
        disconnect(m_members.at(i).traffic);
        disconnect(m_members.at(i).gone);
        m_members.removeAt(i);
        emit portsChanged();
        return;
    }
}

void ConsoleSet::rename(int port, const QString &name)
{
    m_timeline.setPortName(port, name);
    emit portsChanged();
}

QList<int> ConsoleSet::ports() const
{
    QList<int> list;
    for (const Member &m : m_members)
        list.append(m.port);
    return list;
}

SerialLink *ConsoleSet::link(int port) const
{
    for (const Member &m : m_members) {
        if (m.port == port)
            return m.link;
    }
    return nullptr;
}

QString ConsoleSet::shortName(const QString &portText)
{
    const QFileInfo path(portText);
    const QString name = path.fileName();
    if (name.isEmpty())
        return portText;
    // A pseudo-terminal's bare number says nothing: "pts/3".
    if (path.dir().dirName() == QStringLiteral("pts"))
        return QStringLiteral("pts/") + name;
    return name;
}

QColor ConsoleSet::colour(int port)
{
    static const QRgb pale[] = {0xdbeafe, 0xdcfce7, 0xfef3c7, 0xfce7f3, 0xede9fe, 0xccfbf1, 0xffedd5, 0xe5e7eb};
    return QColor(pale[(port - 1 + 8) % 8]);
}

QList<ConsoleSet::Sent> ConsoleSet::sendToAll(const QString &text, const QList<int> &only)
{
    QList<Sent> done;
    for (const Member &m : std::as_const(m_members)) {
        if (!only.isEmpty() && !only.contains(m.port))
            continue;
        Sent s{m.port, QString()};
        if (!m.link->isOpen())
            s.why = QCoreApplication::translate("Quorvel", "请先打开串口");
        else if (m.link->held())
            s.why = QCoreApplication::translate("Quorvel", "正在读写模块的配置，控制台暂不发送");
        else
            s.why = unencodable(text, m.link->encoding());
        if (s.why.isEmpty())
            m.link->send(text);
        done.append(s);
    }
    return done;
}

QString ConsoleSet::unencodable(const QString &text, wiretext::Encoding encoding)
{
    const qsizetype bad = logtext::firstUnencodable(text, encoding);
    if (bad < 0)
        return QString();
    const QString character = text.mid(bad, text.at(bad).isHighSurrogate() ? 2 : 1);
    return QCoreApplication::translate("Quorvel", "%1 编码不能表示第 %2 个字符“%3”（U+%4），没有发送")
        .arg(wiretext::name(encoding))
        .arg(QStringView(text).left(bad).toUcs4().size() + 1)
        .arg(character)
        .arg(QString::number(character.toUcs4().value(0), 16).toUpper().rightJustified(4, u'0'));
}

std::optional<QByteArray> ConsoleSet::hexToSend(const QString &line, QString *why)
{
    qsizetype bad = -1;
    const std::optional<QByteArray> bytes = logtext::parseHex(line, &bad);
    if (bytes && bytes->isEmpty()) {
        *why = QCoreApplication::translate("Quorvel", "没有要发送的十六进制字节");
        return std::nullopt;
    }
    if (!bytes)
        *why = QCoreApplication::translate("Quorvel", "不是十六进制字节，第 %1 个字符“%2”有误，没有发送")
                   .arg(QStringView(line).left(bad).toUcs4().size() + 1)
                   .arg(line.mid(bad, line.at(bad).isHighSurrogate() ? 2 : 1));
    return bytes;
}

std::optional<QByteArray> ConsoleSet::lineToSend(const QString &line, bool hex, bool lineEnd,
                                                 wiretext::Encoding encoding, QString *why)
{
    if (hex)
        return hexToSend(line, why);
    const QString text = lineEnd ? line + QStringLiteral("\r\n") : line;
    *why = unencodable(text, encoding);
    if (!why->isEmpty())
        return std::nullopt;
    return wiretext::encode(text, encoding);
}

std::optional<int> ConsoleSet::sendPeriod(const QString &text)
{
    static const QRegularExpression digitsOnly(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+")));
    bool ok = digitsOnly.match(text).hasMatch();
    const qulonglong period = ok ? text.toULongLong(&ok) : 0;
    if (!ok || period == 0 || period > qulonglong(std::numeric_limits<int>::max()))
        return std::nullopt;
    return int(period);
}
