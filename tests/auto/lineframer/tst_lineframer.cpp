// LineFramer against the byte-at-a-time reference (the named cases run end to end in tst_serial).
#include <QRandomGenerator>
#include <QTest>

#include "serial/lineframer.h"
#include "tests/common/referenceframer.h"

class tst_LineFramer : public QObject
{
    Q_OBJECT

private slots:
    // Streams rich in CR, LF and runs around the line limit, cut at random, lines taken at random moments.
    void randomChunking()
    {
        QRandomGenerator rng(20240611);
        static const char alphabet[] = {'\r', '\n', 'A', '\0', '\r', 'z'};
        for (int round = 0; round < 300; ++round) {
            QByteArray stream;
            while (stream.size() < 6000) {
                if (rng.bounded(8) == 0) {   // a line start, then a run whose end is around the cut
                    stream += "\r\n" + QByteArray(LineFramer::maxLineBytes - 2 + rng.bounded(4), 'x');
                    stream += rng.bounded(2) ? "\r\n" : "";
                }
                stream.append(alphabet[rng.bounded(int(sizeof alphabet))]);
            }
            LineFramer framer;
            QList<QPair<QByteArray, bool>> got;
            QByteArray line, rest;
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
            QCOMPARE(got, referenceFrames(stream, &rest));
            QCOMPARE(framer.pendingBytes(), rest);
        }
    }
};

QTEST_APPLESS_MAIN(tst_LineFramer)
#include "tst_lineframer.moc"
