// ModSim: a simulated Wi-Fi module on the master side of a pseudo-terminal.
// It keeps a module configuration, answers AT command lines one answer line
// each, has a transparent (echo) mode, injects faults and load on request and
// records everything it receives. All work runs in the event loop of the
// thread that calls start(); nothing blocks or sleeps.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>

class QSocketNotifier;
class QTimer;

class ModSim : public QObject
{
    Q_OBJECT

public:
    explicit ModSim(QObject *parent = nullptr);
    ~ModSim() override;

    bool start(QString *error = nullptr);
    QString slavePath() const { return m_slavePath; }
    bool makeLink(const QString &path, QString *error = nullptr);
    void stop();
    bool isRunning() const { return m_fd >= 0; }
    // True while some process has the slave side open, as last seen.
    bool peerConnected() const { return m_connected; }

    // Faults and load. CMD is matched against the head of a line: the text up
    // to and including the first '?' or '=', or the whole line. One rule per
    // head: a later setSilent/setError/setIgnored replaces it, times 0 removes
    // it. An ignored command is answered "OK" and changes nothing.
    void setDelay(int ms);
    void setSilent(const QString &cmd, int times = -1);
    void setError(const QString &cmd, int code, int times = -1);
    void setIgnored(const QString &cmd, int times = -1);
    void setSplit(bool on);
    void setEcho(bool on);
    void setNoise(int ms);
    // chunkMs > 0: the lines due every chunkMs milliseconds go out in one
    // write, as a USB adapter hands them on; 0: one write per line.
    void startStream(int linesPerSecond, int lineLength, int chunkMs = 0);
    void stopStream();
    qint64 streamedLines() const { return m_streamed; }
    // Like all output, dropped while nobody has the slave side open.
    void sendRaw(const QByteArray &bytes);

    // State and trace.
    QStringList fields(const QString &word) const;
    void setFields(const QString &word, const QStringList &values);
    void setRawFields(const QString &word, const QList<QByteArray> &values);
    void factoryReset();
    // The MAC the module answers, kept by a factory reset (--mac).
    void setMac(const QString &mac);
    QString mac() const { return QString::fromLatin1(m_mac); }
    // A fresh module in place of this one (a swap on a fixture): the next MAC
    // up, the factory configuration, command mode, nothing pending.
    void swapModule();
    static QString nextMac(const QString &mac);
    bool networkOn() const;
    bool transparent() const { return m_transparent; }
    QList<QByteArray> receivedLines() const { return m_lines; }
    QByteArray receivedBytes() const { return m_received; }
    qint64 sentBytes() const { return m_writtenTotal; }   // ever written to the port
    void clearTrace();

    static QByteArray commandHead(const QByteArray &line);
    // Takes bytes as if they had come from the port; answers go nowhere
    // unless started and connected. For the fuzz harness of the parser.
    void feed(const QByteArray &bytes) { consume(bytes); }

signals:
    void lineReceived(const QByteArray &line);
    void bytesReceived(qint64 total);

private:
    struct Rule {
        int code = 0;   // 0: stay silent, -1: answer OK
        int times = -1;
    };
    struct Pending {
        qint64 due;
        QByteArray bytes;
    };

    void onReadable();
    void onWritable();
    void recheckPeer();
    bool peerPresent();
    void peerBack();
    void peerGone();
    void scrubSlave();
    void removeLink();

    void consume(QByteArray data);
    QByteArray feedCommands(const QByteArray &data);
    QByteArray feedTransparent(const QByteArray &data);
    void record(const QByteArray &entry);
    void handleLine(const QByteArray &line);
    QByteArray execute(const QByteArray &text);
    QByteArray applySetting(const QByteArray &word, const char *spec, const QByteArray &args);

    void answer(const QByteArray &bytes, int delayMs);
    void releaseDue();
    void output(const QByteArray &bytes, int streamLines = 0);
    void splitTick();
    void flush();
    void updateWriteNotifier();
    void dropOutput();
    void noiseTick();
    qint64 backlog() const;
    qint64 streamLimit(qint64 unsplit) const;
    void streamTick();
    void topUpStream();
    QByteArray nextStreamLine();
    void releaseHeldPluses();

    int m_fd = -1;
    QString m_slavePath;
    QString m_linkPath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QTimer *m_peerTimer;
    bool m_connected = false;

    QHash<QByteArray, QList<QByteArray>> m_values;
    QByteArray m_mac = "AC:CF:23:5A:10:7E";
    bool m_transparent = false;
    QByteArray m_lineBuf;
    int m_plusHeld = 0;
    QTimer *m_plusTimer;

    int m_delay = 0;
    bool m_echo = false;
    bool m_split = false;
    QHash<QByteArray, Rule> m_rules;
    QElapsedTimer m_clock;
    QList<Pending> m_pending;
    QTimer *m_pendingTimer;

    QByteArray m_splitQueue;
    QTimer *m_splitTimer;
    QByteArray m_outBuf;
    qint64 m_queuedTotal = 0;   // bytes ever handed to m_outBuf
    qint64 m_writtenTotal = 0;  // bytes ever written to the pty

    QTimer *m_noiseTimer;
    qint64 m_noiseCount = 0;

    QTimer *m_streamTimer;
    int m_streamRate = -1;  // -1: off, 0: as fast as the pty takes them
    int m_streamLength = 32;
    int m_streamChunk = 0;         // ms between chunked writes, 0: a write per line
    qint64 m_streamGenerated = 0;  // numbers the lines
    qint64 m_streamSlots = 0;      // lines due since m_streamClock started
    QElapsedTimer m_streamClock;
    qint64 m_streamed = 0;
    std::deque<qint64> m_streamEnds;  // m_queuedTotal at the end of each queued stream line

    QList<QByteArray> m_lines;
    QByteArray m_received;
};
