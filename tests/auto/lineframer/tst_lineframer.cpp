// LineFramer and lineToText without a port: framing of randomly cut streams
// checked against a plain rescanning reference, and the text a line becomes.
// The named cases (CR and LF in different reads and so on) run end to end in
// tst_serial.
#include <QRandomGenerator>
#include <QTest>

#include "serial/lineframer.h"

namespace {

// The obvious framer: search the whole buffer from its start every time.
QList<QByteArray> referenceLines(QByteArray stream, QByteArray *rest)
{
    QList<QByteArray> lines;
    for (qsizetype end; (end = stream.indexOf("\r\n")) >= 0; stream.remove(0, end + 2))
        lines.append(stream.left(end + 2));
    *rest = stream;
    return lines;
}

QList<QByteArray> takeAll(LineFramer &framer)
{
    QList<QByteArray> lines;
    QByteArray line;
    while (framer.takeLine(&line))
        lines.append(line);
    return lines;
}

} // namespace

class tst_LineFramer : public QObject
{
    Q_OBJECT

private slots:
    void randomChunking();
    void lineToText_data();
    void lineToText();
};

// Random streams rich in CR, LF and CR LF, cut at random points, with lines
// taken at random moments (sometimes not at all for a while): the framer must
// agree with the reference.
void tst_LineFramer::randomChunking()
{
    QRandomGenerator rng(20240611);
    static const char alphabet[] = {'\r', '\n', 'A', '\0', '\r', 'z'};
    for (int round = 0; round < 300; ++round) {
        QByteArray stream;
        const int length = rng.bounded(1, 400);
        for (int i = 0; i < length; ++i)
            stream.append(alphabet[rng.bounded(int(sizeof alphabet))]);

        LineFramer framer;
        QList<QByteArray> got;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype n = qMin<qsizetype>(rng.bounded(1, 70), stream.size() - at);
            framer.append(stream.mid(at, n));
            at += n;
            if (rng.bounded(3) != 0) {
                QByteArray line;
                for (int take = rng.bounded(1, 4); take > 0 && framer.takeLine(&line); --take)
                    got.append(line);
            }
        }
        got += takeAll(framer);

        QByteArray rest;
        QCOMPARE(got, referenceLines(stream, &rest));
        QCOMPARE(framer.pendingBytes(), rest);
    }
}

void tst_LineFramer::lineToText_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("text");

    QTest::newRow("answer line keeps CR LF") << QByteArray("OK=1,2\r\n") << QStringLiteral("OK=1,2\r\n");
    QTest::newRow("cut at the zero byte") << QByteArray("AB\0CD\r\n", 7) << QStringLiteral("AB");
    QTest::newRow("zero byte first") << QByteArray("\0OK\r\n", 5) << QString();
    QTest::newRow("UTF-8 text") << QByteArray("OK=\xe5\x8a\x9e\xe5\x85\xac\xe5\xae\xa4\r\n")
                                << QStringLiteral("OK=办公室\r\n");
}

void tst_LineFramer::lineToText()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, text);
    QCOMPARE(::lineToText(line), text);
}

QTEST_APPLESS_MAIN(tst_LineFramer)
#include "tst_lineframer.moc"
