// Whole-line matching of the answer patterns, for the lines the wire cannot easily produce (a second LF, junk
// after the line end, a line cut short at a zero byte), and code fields. Answers and set commands that occur on
// the wire are proven end to end in tst_protocol.
#include <QTest>

#include "protocol/atanswer.h"

class tst_AtAnswer : public QObject
{
    Q_OBJECT

private slots:
    void wholeLine_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("matches");
        QTest::newRow("OK, a second LF") << "plainOk" << "OK\r\n\n" << false;
        QTest::newRow("OK, junk after the line end") << "plainOk" << "OK\r\njunk" << false;
        QTest::newRow("OK with data, for a set command") << "plainOk" << "OK=120\r\n" << false;
        QTest::newRow("ERR code, a second LF") << "errorWithCode" << "ERR=12\r\n\n" << false;
        QTest::newRow("read prefix takes OK CR LF") << "okWithText" << "OK\r\n" << true;
        QTest::newRow("read prefix, OK alone") << "okWithText" << "OK" << false;
        QTest::newRow("ERR without line end") << "errLine" << "ERR=3" << false;
        QTest::newRow("too few data fields") << "data3" << "OK=a,b\r\n" << false;
        QTest::newRow("data without line end") << "data1" << "OK=1" << false;
        QTest::newRow("data, a second LF") << "data1" << "OK=1\r\n\n" << false;
    }
    void wholeLine()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, line);
        QFETCH(bool, matches);
        const QHash<QString, const QRegularExpression *> patterns = {
            {"plainOk", &atanswer::plainOk()}, {"errorWithCode", &atanswer::errorWithCode()},
            {"okWithText", &atanswer::okWithText()}, {"errLine", &atanswer::errLine()},
            {"data1", &atanswer::dataAnswer(1)}, {"data3", &atanswer::dataAnswer(3)}};
        QCOMPARE(atanswer::matchesWhole(*patterns.value(pattern), line), matches);
    }

    // A code field is a number only when it is all digits: anything else is no code at all.
    void code_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("code");   // -1: none
        QTest::newRow("leading zeros") << "007" << 7;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("sign") << "+5" << -1;
        QTest::newRow("space") << " 5" << -1;
        QTest::newRow("trailing letter") << "5a" << -1;
        QTest::newRow("ten digits") << "1000000000" << -1;
    }
    void code()
    {
        QFETCH(QString, field);
        QFETCH(int, code);
        QCOMPARE(atanswer::code(field).value_or(-1), code);
    }
};

QTEST_GUILESS_MAIN(tst_AtAnswer)
#include "tst_atanswer.moc"
