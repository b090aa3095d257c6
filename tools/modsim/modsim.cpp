// The simulated module's engine: the pty plumbing (non-blocking reads and
// writes, noticing when the other side opens or closes the slave), the line
// cutter, the module's own command table as seen on the wire, the stored
// configuration, transparent mode, and the fault and load generators.
#include "tools/modsim/modsim.h"

#include <QDebug>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

enum class Action { None, Reset, FactoryReset, Transparent };

// Every command word the module knows. A setting spec lists its fields in
// order: "a-b" is a decimal code from a to b, "*" any text, empty included.
struct Command {
    const char *word;
    int queryFields;      // fields of the answer to "AT+WORD?"; 0: no query
    const char *setting;  // fields of "AT+WORD=..."; nullptr: no setting
    Action action;        // what "AT+WORD" alone does
};

const Command commandTable[] = {
    {"VER", 1, nullptr, Action::None},
    {"MAC", 1, nullptr, Action::None},
    {"APSTA", 1, "0-1", Action::None},
    {"NETS", 2, nullptr, Action::None},
    {"CURIP", 3, nullptr, Action::None},
    {"UART", 5, "0-7,5-8,0-2,1-2,0-1", Action::None},
    {"APMOD", 3, "*,1-5,1-13", Action::None},
    {"APKEY", 3, "0-7,0-5,*", Action::None},
    {"STAMOD", 2, "*,*", Action::None},
    {"IPCFG", 4, "0-1,*,*,*", Action::None},  // also "AT+IPCFG=0" alone
    {"DHCP", 3, "0-1,*,*", Action::None},
    {"TPSOCK", 4, "0-1,0-1,*,*", Action::None},
    {"FFRAME", 1, "*", Action::None},
    {"AFRAME", 2, "*,*", Action::None},
    {"ATTP", 1, "0-1", Action::None},
    {"STANET", 0, "0-1", Action::None},  // second field of NETS
    {"RST", 0, nullptr, Action::Reset},
    {"DFRST", 0, nullptr, Action::FactoryReset},
    {"TPMOD", 0, nullptr, Action::Transparent},
};

const struct {
    const char *word;
    const char *values;
} factoryTable[] = {
    {"VER", "V2.1.7"},
    {"MAC", "AC:CF:23:5A:10:7E"},   // replaced by m_mac
    {"APSTA", "0"},
    {"NETS", "1,1"},
    {"CURIP", "192.168.4.1,192.168.4.1,255.255.255.0"},
    {"UART", "5,8,0,1,0"},
    {"APMOD", "QV-MODULE-107E,4,6"},
    {"APKEY", "4,3,qv12345678"},
    {"STAMOD", "OfficeNet,office-pass"},
    {"IPCFG", "0,192.168.1.50,192.168.1.1,255.255.255.0"},
    {"DHCP", "1,192.168.4.100,192.168.4.200"},
    {"TPSOCK", "0,0,192.168.4.1,8080"},
    {"FFRAME", "50"},
    {"AFRAME", "512,100"},
    {"ATTP", "0"},
};

const Command *findCommand(const QByteArray &word)
{
    for (const Command &c : commandTable) {
        if (word == c.word)
            return &c;
    }
    return nullptr;
}

const QByteArray crlf = QByteArrayLiteral("\r\n");
const QByteArray okLine = QByteArrayLiteral("OK\r\n");
QByteArray errLine(int code) { return "ERR=" + QByteArray::number(code) + crlf; }

constexpr int peerCheckMs = 25;       // re-check for a peer while nobody has the slave open
constexpr int splitPauseMs = 2;       // between the bytes of a split answer
constexpr int plusGuardMs = 200;      // how long "+" or "++" waits for the rest of "+++"
constexpr int maxLineBytes = 4096;    // a longer line without CR LF answers ERR=5
constexpr qint64 maxBacklog = 64 * 1024;  // stream lines are skipped beyond this

void setRaw(int fd)
{
    termios t;
    if (::tcgetattr(fd, &t) != 0)
        return;
    ::cfmakeraw(&t);
    ::cfsetspeed(&t, B115200);
    ::tcsetattr(fd, TCSANOW, &t);
}

} // namespace

ModSim::ModSim(QObject *parent)
    : QObject(parent),
      m_peerTimer(new QTimer(this)),
      m_plusTimer(new QTimer(this)),
      m_pendingTimer(new QTimer(this)),
      m_splitTimer(new QTimer(this)),
      m_noiseTimer(new QTimer(this)),
      m_streamTimer(new QTimer(this))
{
    m_clock.start();
    m_peerTimer->setInterval(peerCheckMs);
    m_plusTimer->setSingleShot(true);
    m_plusTimer->setInterval(plusGuardMs);
    m_pendingTimer->setSingleShot(true);
    m_pendingTimer->setTimerType(Qt::PreciseTimer);
    m_splitTimer->setInterval(splitPauseMs);
    m_splitTimer->setTimerType(Qt::PreciseTimer);
    m_streamTimer->setTimerType(Qt::PreciseTimer);
    connect(m_peerTimer, &QTimer::timeout, this, &ModSim::recheckPeer);
    connect(m_plusTimer, &QTimer::timeout, this, &ModSim::releaseHeldPluses);
    connect(m_pendingTimer, &QTimer::timeout, this, &ModSim::releaseDue);
    connect(m_splitTimer, &QTimer::timeout, this, &ModSim::splitTick);
    connect(m_noiseTimer, &QTimer::timeout, this, &ModSim::noiseTick);
    connect(m_streamTimer, &QTimer::timeout, this, &ModSim::streamTick);
    factoryReset();
}

ModSim::~ModSim()
{
    stop();
}

bool ModSim::start(QString *error)
{
    if (m_fd >= 0)
        return true;
    auto fail = [error](const char *what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    };
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        return fail("posix_openpt");
    char name[128];
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0
        || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) != 0
        || ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return fail("pseudo-terminal set-up");
    }
    setRaw(fd);  // on a master this sets the slave's modes
    m_fd = fd;
    m_slavePath = QString::fromLocal8Bit(name);

    m_readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    m_writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &ModSim::onReadable);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &ModSim::onWritable);

    // Until now a never-opened slave looks open from here; an open and close
    // turns that into the same hung-up state a departed peer leaves.
    m_connected = true;
    peerGone();
    return true;
}

bool ModSim::makeLink(const QString &path, QString *error)
{
    if (m_fd < 0) {
        if (error)
            *error = QStringLiteral("the simulator is not started");
        return false;
    }
    if (path != m_linkPath)
        removeLink();
    const QByteArray link = QFile::encodeName(path);
    const QByteArray target = QFile::encodeName(m_slavePath);
    struct stat st;
    if (::lstat(link.constData(), &st) == 0) {
        // Replace a stale link from an earlier run, never a real file.
        if (!S_ISLNK(st.st_mode)) {
            if (error)
                *error = QStringLiteral("%1 exists and is not a symbolic link").arg(path);
            return false;
        }
        ::unlink(link.constData());
    }
    if (::symlink(target.constData(), link.constData()) != 0) {
        if (error)
            *error = QStringLiteral("symlink %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_linkPath = path;
    return true;
}

void ModSim::stop()
{
    if (m_fd < 0)
        return;
    dropOutput();
    // stop() may run inside a notifier's own activation.
    for (QSocketNotifier *n : {m_readNotifier, m_writeNotifier}) {
        n->setEnabled(false);
        n->deleteLater();
    }
    m_readNotifier = m_writeNotifier = nullptr;
    m_peerTimer->stop();
    m_plusTimer->stop();
    ::close(m_fd);
    m_fd = -1;
    m_connected = false;
    m_lineBuf.clear();
    m_plusHeld = 0;
    removeLink();
}

void ModSim::removeLink()
{
    // Leave a link that meanwhile points elsewhere (another instance) alone.
    if (!m_linkPath.isEmpty() && QFile::symLinkTarget(m_linkPath) == m_slavePath)
        QFile::remove(m_linkPath);
    m_linkPath.clear();
}

void ModSim::setDelay(int ms) { m_delay = qMax(0, ms); }

void ModSim::setSilent(const QString &cmd, int times)
{
    if (times == 0)
        m_rules.remove(cmd.toUtf8());
    else
        m_rules.insert(cmd.toUtf8(), Rule{0, times});
}

void ModSim::setError(const QString &cmd, int code, int times)
{
    if (times == 0)
        m_rules.remove(cmd.toUtf8());
    else
        m_rules.insert(cmd.toUtf8(), Rule{code, times});
}

void ModSim::setIgnored(const QString &cmd, int times)
{
    setError(cmd, -1, times);
}

void ModSim::setSplit(bool on) { m_split = on; }
void ModSim::setEcho(bool on) { m_echo = on; }

void ModSim::setNoise(int ms)
{
    if (ms > 0)
        m_noiseTimer->start(ms);
    else
        m_noiseTimer->stop();
}

void ModSim::startStream(int linesPerSecond, int lineLength, int chunkMs)
{
    m_streamRate = qMax(0, linesPerSecond);
    m_streamLength = qMax(3, lineLength);
    m_streamChunk = qMax(0, chunkMs);
    m_streamSlots = 0;
    m_streamClock.start();
    if (m_streamRate > 0) {
        m_streamTimer->start(m_streamChunk > 0 ? m_streamChunk : qBound(1, 1000 / m_streamRate, 50));
    } else {
        m_streamTimer->stop();
        topUpStream();
    }
}

void ModSim::stopStream()
{
    m_streamRate = -1;
    m_streamTimer->stop();
    updateWriteNotifier();
}

void ModSim::sendRaw(const QByteArray &bytes)
{
    output(bytes);
}

QStringList ModSim::fields(const QString &word) const
{
    QStringList out;
    for (const QByteArray &v : m_values.value(word.toLatin1()))
        out << QString::fromUtf8(v);
    return out;
}

void ModSim::setFields(const QString &word, const QStringList &values)
{
    const QByteArray key = word.toLatin1();
    if (!m_values.contains(key)) {
        qWarning("ModSim::setFields: unknown word %s", key.constData());
        return;
    }
    QList<QByteArray> stored;
    for (const QString &v : values)
        stored << v.toUtf8();
    m_values.insert(key, stored);
}

void ModSim::setRawFields(const QString &word, const QList<QByteArray> &values)
{
    const QByteArray key = word.toLatin1();
    if (!m_values.contains(key)) {
        qWarning("ModSim::setRawFields: unknown word %s", key.constData());
        return;
    }
    m_values.insert(key, values);
}

void ModSim::factoryReset()
{
    m_values.clear();
    for (const auto &f : factoryTable) {
        m_values.insert(f.word, QByteArray(f.values).split(','));
        Q_ASSERT(m_values.value(f.word).size() == findCommand(f.word)->queryFields);
    }
    m_values.insert("MAC", {m_mac});
}

void ModSim::setMac(const QString &mac)
{
    m_mac = mac.toLatin1();
    m_values.insert("MAC", {m_mac});
}

// Counts the MAC's hexadecimal digits up by one, keeping its separators and
// its length; the largest MAC wraps round to zero.
QString ModSim::nextMac(const QString &mac)
{
    QString next = mac.toUpper();
    for (qsizetype i = next.size() - 1; i >= 0; --i) {
        const QChar c = next.at(i);
        if (c == u'F') {
            next[i] = u'0';
            continue;   // carried into the next digit
        }
        if (c.isDigit() || (c >= u'A' && c <= u'E')) {
            next[i] = c == u'9' ? QChar(u'A') : QChar(c.unicode() + 1);
            break;
        }
    }
    return next;
}

void ModSim::swapModule()
{
    dropOutput();
    m_lineBuf.clear();
    m_plusHeld = 0;
    m_transparent = false;
    m_mac = nextMac(mac()).toLatin1();
    factoryReset();
}

bool ModSim::networkOn() const
{
    const QList<QByteArray> nets = m_values.value("NETS");
    return nets.size() >= 2 && nets.at(1) == "1";
}

void ModSim::clearTrace()
{
    m_lines.clear();
    m_received.clear();
}

QByteArray ModSim::commandHead(const QByteArray &line)
{
    const QByteArray text = line.endsWith(crlf) ? line.chopped(2) : line;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == '?' || text.at(i) == '=')
            return text.left(i + 1);
    }
    return text;
}

// --- the pty -----------------------------------------------------------------

void ModSim::onReadable()
{
    char buf[4096];
    // A bounded number of reads per call keeps a fast sender from starving the loop.
    for (int round = 0; round < 16 && m_fd >= 0; ++round) {
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n > 0) {
            m_received.append(buf, n);
            emit bytesReceived(m_received.size());
            consume(QByteArray(buf, n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        // EIO: nobody has the slave open (any data they left has been read).
        if (m_connected)
            peerGone();
        return;
    }
}

void ModSim::onWritable()
{
    flush();
    topUpStream();
}

// Reads what a new peer sent, or what a short-lived one left behind (its
// answers then go nowhere).
void ModSim::recheckPeer()
{
    peerPresent();
    onReadable();
}

// While disconnected, the master reports a hang-up until a peer opens the slave.
// Called before anything is sent, so that nothing meant for a new peer is lost.
bool ModSim::peerPresent()
{
    if (m_fd < 0)
        return false;
    if (m_connected)
        return true;
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0 || (p.revents & POLLHUP))
        return false;
    peerBack();
    return true;
}

void ModSim::peerBack()
{
    m_connected = true;
    m_peerTimer->stop();
    m_readNotifier->setEnabled(true);
    m_streamSlots = 0;
    m_streamClock.start();
    topUpStream();
}

// The last opener closed the slave. A notifier on a hung-up master would fire
// without end, so it is switched off and m_peerTimer looks for the next peer.
// What the module still had to say is dropped, and the slave is opened once
// to flush what the departed peer left unread and to put it back in raw mode,
// so the next opener starts on a clean, raw line.
void ModSim::peerGone()
{
    m_connected = false;
    m_readNotifier->setEnabled(false);
    dropOutput();
    m_lineBuf.clear();
    m_plusHeld = 0;
    m_plusTimer->stop();
    scrubSlave();
    m_peerTimer->start();
}

void ModSim::scrubSlave()
{
    const int s = ::open(QFile::encodeName(m_slavePath).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (s < 0)
        return;
    setRaw(s);
    ::tcflush(s, TCIFLUSH);  // not TCOFLUSH: that would drop what a new opener already wrote
    ::close(s);
}

// --- received bytes ------------------------------------------------------------

void ModSim::consume(QByteArray data)
{
    while (!data.isEmpty())
        data = m_transparent ? feedTransparent(data) : feedCommands(data);
}

// Returns the bytes that follow a line which switched to transparent mode.
QByteArray ModSim::feedCommands(const QByteArray &data)
{
    m_lineBuf += data;
    for (;;) {
        if (m_lineBuf.startsWith("+++")) {  // quitting a mode the module is not in
            m_lineBuf.remove(0, 3);
            record("+++");
            answer(okLine, m_delay);
            continue;
        }
        const int end = m_lineBuf.indexOf(crlf);
        if (end < 0)
            break;
        const QByteArray line = m_lineBuf.left(end + 2);
        m_lineBuf.remove(0, end + 2);
        handleLine(line);
        if (m_transparent) {
            const QByteArray rest = m_lineBuf;
            m_lineBuf.clear();
            return rest;
        }
    }
    if (m_lineBuf.size() > maxLineBytes) {
        record(m_lineBuf);
        m_lineBuf.clear();
        answer(errLine(5), m_delay);
    }
    return {};
}

// Echoes everything up to "+++"; returns what follows it, for command mode.
QByteArray ModSim::feedTransparent(const QByteArray &data)
{
    QByteArray echo;
    for (int i = 0; i < data.size(); ++i) {
        const char c = data.at(i);
        if (c != '+') {
            echo.append(m_plusHeld, '+');
            echo.append(c);
            m_plusHeld = 0;
            continue;
        }
        if (++m_plusHeld < 3)
            continue;
        m_plusHeld = 0;
        m_plusTimer->stop();
        if (!echo.isEmpty()) {
            record(echo);
            answer(echo, 0);
        }
        m_transparent = false;
        record("+++");
        answer(okLine, m_delay);
        return data.mid(i + 1);
    }
    if (!echo.isEmpty()) {
        record(echo);
        answer(echo, 0);
    }
    if (m_plusHeld > 0)
        m_plusTimer->start();
    else
        m_plusTimer->stop();
    return {};
}

void ModSim::releaseHeldPluses()
{
    if (!m_transparent || m_plusHeld == 0)
        return;
    const QByteArray pluses(m_plusHeld, '+');
    m_plusHeld = 0;
    record(pluses);
    answer(pluses, 0);
}

void ModSim::record(const QByteArray &entry)
{
    m_lines.append(entry);
    emit lineReceived(entry);
}

void ModSim::handleLine(const QByteArray &line)
{
    record(line);
    const QByteArray text = line.chopped(2);
    if (text.isEmpty())
        return;
    if (m_echo)
        answer(line, 0);
    const auto rule = m_rules.find(commandHead(text));
    if (rule != m_rules.end()) {
        const int code = rule->code;
        if (rule->times > 0 && --rule->times == 0)
            m_rules.erase(rule);
        if (code != 0)
            answer(code < 0 ? okLine : errLine(code), m_delay);
        return;  // a failed, unheard or ignored command changes nothing
    }
    answer(execute(text), m_delay);
}

QByteArray ModSim::execute(const QByteArray &text)
{
    if (text.contains('\r') || text.contains('\n'))
        return errLine(5);  // a line end inside the line: not ended with CR LF
    if (!text.startsWith("AT"))
        return errLine(1);
    if (text == "AT")
        return okLine;
    if (!text.startsWith("AT+"))
        return errLine(3);
    const QByteArray rest = text.mid(3);
    int mark = 0;
    while (mark < rest.size() && rest.at(mark) != '?' && rest.at(mark) != '=')
        ++mark;
    const QByteArray word = rest.left(mark);
    const Command *cmd = findCommand(word);
    if (!cmd)
        return errLine(3);

    if (mark == rest.size()) {
        switch (cmd->action) {
        case Action::None:
            return errLine(1);
        case Action::Reset:
            return okLine + "WIFI MODULE " + m_values.value("VER").value(0) + crlf
                + "MAC " + m_values.value("MAC").value(0) + crlf + "READY" + crlf;
        case Action::FactoryReset:
            factoryReset();
            return okLine;
        case Action::Transparent:
            m_transparent = true;
            m_plusHeld = 0;
            return okLine;
        }
        return errLine(1);
    }
    if (rest.at(mark) == '?') {
        if (cmd->queryFields == 0 || mark != rest.size() - 1)
            return errLine(1);
        if (word == "CURIP" && !networkOn())
            return errLine(1);
        return "OK=" + m_values.value(word).join(',') + crlf;
    }
    if (!cmd->setting)
        return errLine(1);
    return applySetting(word, cmd->setting, rest.mid(mark + 1));
}

QByteArray ModSim::applySetting(const QByteArray &word, const char *spec, const QByteArray &args)
{
    const QList<QByteArray> specs = QByteArray(spec).split(',');
    QList<QByteArray> values = args.split(',');
    // A text field at the end takes the rest of the line, commas and all
    // (an access point's key after its two codes).
    if (specs.last() == "*" && values.size() > specs.size() && specs.size() >= 2 && specs.at(specs.size() - 2) != "*") {
        const QByteArray rest = values.mid(specs.size() - 1).join(',');
        values.resize(specs.size() - 1);
        values.append(rest);
    }
    const bool dynamicIp = word == "IPCFG" && values.size() == 1;
    if (values.size() != specs.size() && !dynamicIp)
        return errLine(1);
    for (int i = 0; i < values.size(); ++i) {
        const QByteArray &s = specs.at(i);
        if (s == "*")
            continue;
        const QByteArray &v = values.at(i);
        const int dash = s.indexOf('-');
        if (v.isEmpty() || v.size() > 9 || std::strspn(v.constData(), "0123456789") != size_t(v.size()))
            return errLine(1);
        const int n = v.toInt();
        if (n < s.left(dash).toInt() || n > s.mid(dash + 1).toInt())
            return errLine(1);
        values[i] = QByteArray::number(n);
    }
    if (dynamicIp) {
        if (values.at(0) != "0")
            return errLine(1);  // static addressing needs its three addresses
        QList<QByteArray> &ip = m_values["IPCFG"];
        ip.resize(qMax(ip.size(), qsizetype(4)));
        ip[0] = "0";
    } else if (word == "STANET") {
        QList<QByteArray> &nets = m_values["NETS"];
        nets.resize(qMax(nets.size(), qsizetype(2)));
        nets[1] = values.at(0);
    } else {
        m_values.insert(word, values);
    }
    return okLine;
}

// --- sent bytes ------------------------------------------------------------------

// Answers and echoes keep their order: one that comes after a delayed answer
// waits for it.
void ModSim::answer(const QByteArray &bytes, int delayMs)
{
    if (!peerPresent())
        return;
    if (m_pending.isEmpty() && delayMs <= 0) {
        output(bytes);
        return;
    }
    qint64 due = m_clock.nsecsElapsed() + qint64(delayMs) * 1000000;
    if (!m_pending.isEmpty())
        due = qMax(due, m_pending.last().due);
    m_pending.append(Pending{due, bytes});
    if (!m_pendingTimer->isActive())
        releaseDue();
}

void ModSim::releaseDue()
{
    const qint64 now = m_clock.nsecsElapsed();
    while (!m_pending.isEmpty() && m_pending.first().due <= now)
        output(m_pending.takeFirst().bytes);
    if (!m_pending.isEmpty())
        m_pendingTimer->start(int((m_pending.first().due - now + 999999) / 1000000));
}

// Everything leaves through here, whole chunks in order; in split mode the
// chunks then trickle out a byte at a time.
void ModSim::output(const QByteArray &bytes, int streamLines)
{
    if (bytes.isEmpty() || !peerPresent())
        return;
    // Stream lines all have m_streamLength bytes; each is counted once written.
    for (int i = streamLines - 1; i >= 0; --i)
        m_streamEnds.push_back(m_queuedTotal + bytes.size() - qint64(i) * m_streamLength);
    m_queuedTotal += bytes.size();
    if (m_split || !m_splitQueue.isEmpty()) {
        m_splitQueue += bytes;
        if (!m_splitTimer->isActive())
            m_splitTimer->start();
        return;
    }
    m_outBuf += bytes;
    flush();
}

void ModSim::splitTick()
{
    if (!m_splitQueue.isEmpty()) {
        m_outBuf += m_splitQueue.at(0);
        m_splitQueue.remove(0, 1);
        flush();
    }
    if (m_splitQueue.isEmpty()) {
        m_splitTimer->stop();
        topUpStream();
    }
}

void ModSim::flush()
{
    while (m_fd >= 0 && !m_outBuf.isEmpty()) {
        const ssize_t n = ::write(m_fd, m_outBuf.constData(), m_outBuf.size());
        if (n > 0) {
            m_outBuf.remove(0, n);
            m_writtenTotal += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;
        peerGone();
        return;
    }
    while (!m_streamEnds.empty() && m_streamEnds.front() <= m_writtenTotal) {
        m_streamEnds.pop_front();
        ++m_streamed;
    }
    updateWriteNotifier();
}

// Wanted while bytes wait for room in the pty, and for a stream at full speed
// while there is room for more of it.
void ModSim::updateWriteNotifier()
{
    if (m_writeNotifier) {
        m_writeNotifier->setEnabled(m_connected
                                    && (!m_outBuf.isEmpty() || (m_streamRate == 0 && m_splitQueue.isEmpty())));
    }
}

void ModSim::dropOutput()
{
    m_pending.clear();
    m_pendingTimer->stop();
    m_splitQueue.clear();
    m_splitTimer->stop();
    m_outBuf.clear();
    m_queuedTotal = m_writtenTotal;
    m_streamEnds.clear();
    updateWriteNotifier();
}

// Unsolicited output waits for an idle line: a noise line is skipped while
// anything else is still going out, and so is a stream line in split mode.
void ModSim::noiseTick()
{
    if (m_connected && backlog() == 0)
        output("+IND=NOISE," + QByteArray::number(++m_noiseCount) + crlf);
}

qint64 ModSim::backlog() const
{
    return m_queuedTotal - m_writtenTotal;
}

// How much may wait to go out before a stream line is skipped or deferred.
qint64 ModSim::streamLimit(qint64 unsplit) const
{
    return m_split ? m_streamLength : unsplit;
}

void ModSim::streamTick()
{
    const qint64 due = m_streamClock.elapsed() * m_streamRate / 1000;
    qint64 lines = due - m_streamSlots;
    m_streamSlots = due;
    // Lines the pty cannot take are skipped, not heaped up.
    if (m_streamChunk > 0 && !m_split) {
        QByteArray chunk;
        int count = 0;
        while (lines-- > 0 && backlog() + chunk.size() < maxBacklog && peerPresent()) {
            chunk += nextStreamLine();
            ++count;
        }
        output(chunk, count);
        return;
    }
    while (lines-- > 0 && backlog() < streamLimit(maxBacklog) && peerPresent())
        output(nextStreamLine(), 1);
}

// A full-speed stream adds up to a quarter of maxBacklog per call, as long as
// the pty takes it; the write notifier or the split timer calls again.
void ModSim::topUpStream()
{
    if (m_streamRate != 0 || !m_connected)
        return;
    for (qint64 added = 0; added < maxBacklog / 4 && m_connected && backlog() < streamLimit(maxBacklog / 4);
         added += m_streamLength) {
        output(nextStreamLine(), 1);
    }
    updateWriteNotifier();
}

// The line's number, right-aligned in zeros (its last digits when too long).
QByteArray ModSim::nextStreamLine()
{
    const int body = m_streamLength - 2;
    QByteArray n = QByteArray::number(m_streamGenerated++);
    n = n.size() >= body ? n.right(body) : QByteArray(body - n.size(), '0') + n;
    return n + crlf;
}
