// LineFramer without a port: randomly cut streams checked against a plain
// rescanning reference. The named cases (CR and LF in different reads, a zero
// byte, UTF-8 text and so on) run end to end in tst_serial.
#include <QRandomGenerator>
#include <QTest>

#include "serial/lineframer.h"

class tst_LineFramer : public QObject
{
    Q_OBJECT

private slots:
    void randomChunking();
};

// Streams rich in CR, LF and CR LF, cut at random points, with lines taken at
// random moments (sometimes not at all for a while).
void tst_LineFramer::randomChunking()
{
    QRandomGenerator rng(20240611);
    static const char alphabet[] = {'\r', '\n', 'A', '\0', '\r', 'z'};
    for (int round = 0; round < 300; ++round) {
        QByteArray stream;
        for (int i = rng.bounded(1, 400); i > 0; --i)
            stream.append(alphabet[rng.bounded(int(sizeof alphabet))]);

        LineFramer framer;
        QList<QByteArray> got;
        QByteArray line;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype n = qMin<qsizetype>(rng.bounded(1, 70), stream.size() - at);
            framer.append(stream.mid(at, n));
            at += n;
            for (int take = rng.bounded(4); take > 0 && framer.takeLine(&line); --take)
                got.append(line);
        }
        while (framer.takeLine(&line))
            got.append(line);

        // The obvious framer: search the whole rest from its start every time.
        QList<QByteArray> expected;
        for (qsizetype end; (end = stream.indexOf("\r\n")) >= 0; stream.remove(0, end + 2))
            expected.append(stream.left(end + 2));
        QCOMPARE(got, expected);
        QCOMPARE(framer.pendingBytes(), stream);
    }
}

QTEST_APPLESS_MAIN(tst_LineFramer)
#include "tst_lineframer.moc"
