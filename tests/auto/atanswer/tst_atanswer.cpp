// The answer grammar and set-command building without a window: whole-line
// matching, greedy and empty fields, and the line-end gate of set commands.
#include <QTest>

#include "protocol/atanswer.h"

class tst_AtAnswer : public QObject
{
    Q_OBJECT

private slots:
    void wholeLine_data();
    void wholeLine();
    void dataFields_data();
    void dataFields();
    void setCommand_data();
    void setCommand();
};

void tst_AtAnswer::wholeLine_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("matches");
    QTest::newRow("plain OK") << "plainOk" << "OK\r\n" << true;
    QTest::newRow("plain OK, a second LF") << "plainOk" << "OK\r\n\n" << false;
    QTest::newRow("plain OK, junk after the line end") << "plainOk" << "OK\r\njunk" << false;
    QTest::newRow("plain OK is no data answer") << "plainOk" << "OK=1\r\n" << false;
    QTest::newRow("read prefix takes OK CR LF") << "okWithText" << "OK\r\n" << true;
    QTest::newRow("read prefix, bare OK") << "okWithText" << "OK" << false;
    QTest::newRow("write OK with data") << "okLine" << "OK=a\r\n" << true;
    QTest::newRow("write ERR without line end") << "errLine" << "ERR=3" << false;
    QTest::newRow("code with leading zeros") << "errorWithCode" << "ERR=005\r\n" << true;
    QTest::newRow("code of four digits") << "errorWithCode" << "ERR=1000\r\n" << false;
    QTest::newRow("code, a second LF") << "errorWithCode" << "ERR=12\r\n\n" << false;
}

void tst_AtAnswer::wholeLine()
{
    QFETCH(QString, pattern);
    QFETCH(QString, line);
    QFETCH(bool, matches);
    const QHash<QString, const QRegularExpression *> patterns = {
        {"plainOk", &atanswer::plainOk()}, {"okWithText", &atanswer::okWithText()},
        {"okLine", &atanswer::okLine()},   {"errLine", &atanswer::errLine()},
        {"errorWithCode", &atanswer::errorWithCode()}};
    QCOMPARE(atanswer::matchesWhole(*patterns.value(pattern), line), matches);
}

void tst_AtAnswer::dataFields_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("fields");   // empty: no match
    QTest::newRow("surplus commas go to the earlier field") << "OK=a,b,c\r\n" << 2 << QStringList{"a,b", "c"};
    QTest::newRow("five fields") << "OK=3,8,1,1,0\r\n" << 5 << QStringList{"3", "8", "1", "1", "0"};
    QTest::newRow("empty first field") << "OK=,4,2\r\n" << 3 << QStringList{"", "4", "2"};
    QTest::newRow("empty last field") << "OK=net,\r\n" << 2 << QStringList{"net", ""};
    QTest::newRow("too few fields") << "OK=a,b\r\n" << 3 << QStringList{};
    QTest::newRow("no line end") << "OK=1" << 1 << QStringList{};
    QTest::newRow("a second LF") << "OK=1\r\n\n" << 1 << QStringList{};
}

void tst_AtAnswer::dataFields()
{
    QFETCH(QString, line);
    QFETCH(int, count);
    QFETCH(QStringList, fields);
    QStringList got;
    QCOMPARE(atanswer::dataFields(line, count, &got), !fields.isEmpty());
    if (!fields.isEmpty())
        QCOMPARE(got, fields);
}

void tst_AtAnswer::setCommand_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("command");
    QTest::newRow("empty texts stay empty fields") << QStringList{"", "4", "2"} << "AT+X=,4,2";
    QTest::newRow("a comma passes as a separator") << QStringList{"a,b", "c"} << "AT+X=a,b,c";
    QTest::newRow("CR LF cannot start a second command") << QStringList{"x\r\nAT+DFRST"} << "AT+X=xAT+DFRST";
    QTest::newRow("lone CR, lone LF and NUL dropped")
        << QStringList{"a\rb", QStringLiteral("c\nd") + QChar(u'\0') + QStringLiteral("e")} << "AT+X=ab,cde";
}

void tst_AtAnswer::setCommand()
{
    QFETCH(QStringList, values);
    QFETCH(QString, command);
    QCOMPARE(atanswer::setCommand(QStringLiteral("AT+X="), values), command);
}

QTEST_GUILESS_MAIN(tst_AtAnswer)
#include "tst_atanswer.moc"
