// LineFramer without a port: randomly cut streams checked against a plain
// byte-at-a-time reference, with lines long enough to be cut unterminated.
// The named cases (CR and LF in different reads, a zero byte, UTF-8 text and
// so on) run end to end in tst_serial.
#include <QRandomGenerator>
#include <QTest>

#include "serial/lineframer.h"
#include "tests/common/referenceframer.h"

class tst_LineFramer : public QObject
{
    Q_OBJECT

private slots:
    void randomChunking();
};

// Streams rich in CR, LF and CR LF, with runs long enough to reach the line
// limit (some with a CR LF straddling it), cut at random points, with lines
// taken at random moments (sometimes not at all for a while).
void tst_LineFramer::randomChunking()
{
    QRandomGenerator rng(20240611);
    static const char alphabet[] = {'\r', '\n', 'A', '\0', '\r', 'z'};
    for (int round = 0; round < 300; ++round) {
        QByteArray stream;
        while (stream.size() < 6000) {
            if (rng.bounded(8) == 0) {   // a line start, then a run whose end is around the cut
                stream.append("\r\n");
                stream.append(QByteArray(LineFramer::maxLineBytes - 2 + rng.bounded(4), 'x'));
                if (rng.bounded(2))
                    stream.append("\r\n");
            }
            stream.append(alphabet[rng.bounded(int(sizeof alphabet))]);
        }

        LineFramer framer;
        QList<QPair<QByteArray, bool>> got;
        QByteArray line;
        bool cut = false;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype n = qMin<qsizetype>(rng.bounded(1, 700), stream.size() - at);
            framer.append(stream.mid(at, n));
            at += n;
            for (int take = rng.bounded(4); take > 0 && framer.takeLine(&line, &cut); --take)
                got.append({line, cut});
        }
        while (framer.takeLine(&line, &cut))
            got.append({line, cut});

        QByteArray rest;
        QCOMPARE(got, referenceFrames(stream, &rest));
        QCOMPARE(framer.pendingBytes(), rest);
        QVERIFY(framer.pending() <= LineFramer::maxLineBytes);
    }
}

QTEST_APPLESS_MAIN(tst_LineFramer)
#include "tst_lineframer.moc"
