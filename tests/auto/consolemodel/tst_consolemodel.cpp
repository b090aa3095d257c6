// The console log's rows: the bounded ring, what a row keeps and shows, the counters, copies and finds;
// the log's texts: hex a user sends, what an encoding cannot carry, bytes to text, a row's time and escaped text.
#include <QDateTime>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include "console/consolemodel.h"

using wiretext::Encoding;

namespace {

// OK, ERR=3, ok=<TAB>2 received; AT sent.
void appendSample(ConsoleModel &model)
{
    for (const char *line : {"OK\r\n", "ERR=3\r\n", "ok=\t2\r\n", "AT\r\n"})
        model.append(line, line[0] == 'A', 0, Encoding::Utf8);
    model.flush();
}

} // namespace

class tst_ConsoleModel : public QObject
{
    Q_OBJECT

private slots:
    // Past the bound the oldest rows go a tenth of it at a time, announced once; the rest stay in order.
    void ringBound_data()
    {
        QTest::addColumn<QList<int>>("batches");   // rows per flush, bound 1000
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("firstLine");
        QTest::newRow("at the bound: all kept") << QList<int>{999, 1} << 1000 << 1;
        QTest::newRow("one past: a tenth goes") << QList<int>{1001} << 901 << 101;
        QTest::newRow("201 past: whole tenths") << QList<int>{1000, 201} << 901 << 301;
        QTest::newRow("round the ring many times") << QList<int>(40, 333) << 920 << 12401;
    }
    void ringBound()
    {
        QFETCH(QList<int>, batches);
        QFETCH(int, rows);
        QFETCH(int, firstLine);
        ConsoleModel model;
        model.setMaxRows(1000);
        QSignalSpy announced(&model, &ConsoleModel::limitReached);
        int last = 0;
        for (const int batch : std::as_const(batches)) {
            for (const int end = last + batch; last < end;)   // rows "L1", "L2"...
                model.append("L" + QByteArray::number(++last) + "\r\n", false, 0, Encoding::Utf8);
            model.flush();
        }
        QCOMPARE(model.rowCount(), rows);
        for (int r = 0; r < rows; ++r)
            QCOMPARE(model.index(r, 0).data().toString(), QStringLiteral("L%1\r\n").arg(firstLine + r));
        QCOMPARE(QList<QVariantList>(announced), last > 1000 ? QList<QVariantList>{{1000}} : QList<QVariantList>{});
    }

    // A row keeps its bytes, time and direction and shows them decoded, past a NUL. Rows and received bytes wait
    // for the flush (at most 33 ms), sent bytes count at once, past 32 bits. Clear drops rows and counters.
    void rowsAndCounters()
    {
        ConsoleModel model;
        QSignalSpy counters(&model, &ConsoleModel::countersChanged);
        QSignalSpy flushed(&model, &ConsoleModel::flushed);
        model.countSent(2147483647);
        model.countSent(8);
        model.append("OK=\xb0\xec\r\n", false, 1234, Encoding::Gbk);
        model.append(QByteArray("A\0B\r\n", 5), true, 1235, Encoding::Utf8);
        model.countReceived(9);
        QCOMPARE(model.rowCount() + model.receivedBytes(), 0);
        QVERIFY(flushed.wait(1000));
        model.countReceived(5);
        model.flush();
        QCOMPARE(counters.last(), QVariantList({2147483655LL, 14LL}));
        const QModelIndex received = model.index(0, 0), sent = model.index(1, 0);
        QCOMPARE(received.data().toString() + sent.data().toString(), QString::fromUtf8("OK=办\r\nA\0B\r\n", 13));
        QCOMPARE(sent.data(ConsoleModel::RawRole).toByteArray(), QByteArray("A\0B\r\n", 5));
        QCOMPARE(sent.data(ConsoleModel::TimeRole).toLongLong(), 1235);
        QVERIFY(sent.data(ConsoleModel::SentRole).toBool() && !received.data(ConsoleModel::SentRole).toBool());
        model.append("LATE\r\n", false, 0, Encoding::Utf8);
        model.countReceived(6);
        model.clear();
        model.flush();
        QCOMPARE(QList<qint64>({model.rowCount(), model.sentBytes(), model.receivedBytes()}), QList<qint64>(3, 0));
        QCOMPARE(counters.last(), QVariantList({0LL, 0LL}));
    }

    // Rows copied as one line each, in row order: with their times when shown, in hex in hex view.
    void copyText()
    {
        ConsoleModel model;
        appendSample(model);
        const QString at = QStringLiteral("\\d\\d:\\d\\d:\\d\\d\\.\\d{3} ");
        const QList<std::tuple<QList<int>, bool, bool, QString>> copies{
            {{2, 1}, false, false, "ERR=3\nok=\\\\x092"},   // the tab escaped
            {{2, 1}, true, false, at + "ERR=3\n" + at + "ok=\\\\x092"},
            {{1, 2}, false, true, "45 52 52 3D 33 0D 0A\n6F 6B 3D 09 32 0D 0A"}};   // CR LF too
        for (const auto &[rows, times, hexView, copied] : copies) {
            const QString got = model.copyText(rows, times, hexView);
            QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(copied)).match(got).hasMatch(),
                     qPrintable(got));
        }
    }

    // Matches found round the end either way, counted as rows arrive and afresh when old ones go.
    void find_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("hexView");
        QTest::addColumn<QList<int>>("found");    // at first, with BOOK added, with OK dropped
        QTest::addColumn<QList<int>>("visits");   // from row 1: forward, forward, back, back, forward
        QTest::newRow("text, either case") << "oK" << false << QList<int>{2, 3, 2} << QList<int>{2, 0, 2, 0, 2};
        QTest::newRow("hex view: bytes") << "4f 4B" << true << QList<int>{1, 2, 1} << QList<int>{0, 0, 0, 0, 0};
        QTest::newRow("hex view, not hex: text") << "ok=" << true << QList<int>{1, 1, 1} << QList<int>{2, 2, 2, 2, 2};
        QTest::newRow("none") << "XYZ" << false << QList<int>{0, 0, 0} << QList<int>{-1, -1, -1, -1, -1};
    }
    void find()
    {
        QFETCH(QString, needle);
        QFETCH(bool, hexView);
        ConsoleModel model;
        model.setMaxRows(5);
        appendSample(model);
        model.find(needle, hexView);
        QList<int> counted{model.found()}, visited;
        int from = 1;
        for (const int step : {1, 1, -1, -1, 1}) {
            visited << model.findRow(from, step);
            from = visited.constLast() < 0 ? from : visited.constLast();
        }
        QTEST(visited, "visits");
        model.append("BOOK\r\n", false, 0, Encoding::Utf8);
        model.flush();
        counted << model.found();
        model.append("\r\n", false, 0, Encoding::Utf8);
        model.flush();   // six rows past a bound of five: the first ("OK") goes
        counted << model.found();
        QCOMPARE(model.rowCount(), 5);
        QTEST(counted, "found");
    }

    // Hex pairs in either case, blanks anywhere; a lone last digit refused where it is; a lone surrogate unencodable.
    void parseHexAndUnencodable()
    {
        qsizetype at = -1;
        QCOMPARE(logtext::parseHex(QStringLiteral("\t0a 0B\t7f80FF "), &at).value_or("refused"),
                 QByteArray("\x0a\x0b\x7f\x80\xff"));
        QCOMPARE(at, qsizetype(-1));
        QVERIFY(!logtext::parseHex(QStringLiteral("41 4"), &at));
        QCOMPARE(at, qsizetype(3));
        QCOMPARE(logtext::firstUnencodable(QStringLiteral("😀b") + QChar(0xdc00), Encoding::Utf8), qsizetype(3));
    }

    // Bytes to text: plain ASCII, a NUL too, as it is and clean in either encoding; a stray byte past ASCII is no text.
    void decode()
    {
        bool clean = false;
        QCOMPARE(wiretext::decode(QByteArray("OK\0\x7f\r\n", 6), Encoding::Gbk, &clean), QString::fromLatin1("OK\0\x7f\r\n", 6));
        QVERIFY(clean);
        QCOMPARE(wiretext::decode("A\x80", Encoding::Utf8, &clean), QStringLiteral("A\uFFFD"));
        QVERIFY(!clean);
    }

    // A row's time, also for rows of one second after another's and before 1970.
    void clock()
    {
        for (const qint64 msecs : {1765432100007LL, 1765432100999LL, 1765432101000LL, 1765432100123LL, -1LL, -1001LL}) {
            QCOMPARE(logtext::clock(msecs),
                     QDateTime::fromMSecsSinceEpoch(msecs).toString(QStringLiteral("HH:mm:ss.zzz")));
        }
    }

    void escaped_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<bool>("gbk");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("controls, DEL, a backslash, a lone CR")
            << QByteArray("\x1b[1m\\\x7f\r") << false << QByteArray("\\x1B[1m\\\\\\x7F\\x0D");
        QTest::newRow("UTF-8: a cut sequence, an overlong slash, a surrogate, past U+10FFFF")
            << QByteArray("\xe5\x8a" "A\xc0\xaf\xe0\x80\xaf\xed\xa0\x80\xf4\x90\x80\x80") << false
            << QByteArray("\\xE5\\x8AA\\xC0\\xAF\\xE0\\x80\\xAF\\xED\\xA0\\x80\\xF4\\x90\\x80\\x80");
        QTest::newRow("GBK text in UTF-8, a tab escaped") << QByteArray("OK=\xb0\xec\t\xb9\xab\r\n") << true
                                                         << QByteArray("OK=\xe5\x8a\x9e\\x09\xe5\x85\xac");
        QTest::newRow("GBK: a lead byte without its trail, a lone 0xFF, a backslash as a trail byte")
            << QByteArray("\xb0\xec\xb0 A\xff\x81\x5c") << true << QByteArray("\xe5\x8a\x9e\\xB0 A\\xFF\xe4\xb9\x97");
    }

    void escaped()
    {
        QFETCH(QByteArray, raw);
        QFETCH(bool, gbk);
        QTEST(logtext::escaped(raw, gbk ? Encoding::Gbk : Encoding::Utf8), "line");
    }
};

QTEST_GUILESS_MAIN(tst_ConsoleModel)
#include "tst_consolemodel.moc"
