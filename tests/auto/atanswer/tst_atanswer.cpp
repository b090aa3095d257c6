// The module's answer grammar and set-command building, without a window:
// whole-line matching, field splitting, error codes and the line-end gate.
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
    void errorCode_data();
    void errorCode();
    void number_data();
    void number();
    void setCommand_data();
    void setCommand();
};

namespace {

const QRegularExpression &patternNamed(const QString &name)
{
    if (name == QLatin1String("plainOk"))
        return atanswer::plainOk();
    if (name == QLatin1String("okWithText"))
        return atanswer::okWithText();
    if (name == QLatin1String("errWithText"))
        return atanswer::errWithText();
    if (name == QLatin1String("okLine"))
        return atanswer::okLine();
    if (name == QLatin1String("errLine"))
        return atanswer::errLine();
    return atanswer::errorWithCode();
}

} // namespace

void tst_AtAnswer::wholeLine_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("matches");

    QTest::newRow("plain OK") << "plainOk" << "OK\r\n" << true;
    QTest::newRow("plain OK without line end") << "plainOk" << "OK" << false;
    QTest::newRow("plain OK with a second LF") << "plainOk" << "OK\r\n\n" << false;
    QTest::newRow("plain OK with junk after it") << "plainOk" << "OK\r\njunk" << false;
    QTest::newRow("plain OK after junk") << "plainOk" << "xOK\r\n" << false;
    QTest::newRow("plain OK is not a data answer") << "plainOk" << "OK=1\r\n" << false;
    QTest::newRow("plain OK is case-sensitive") << "plainOk" << "ok\r\n" << false;

    QTest::newRow("read: OK CR LF has text") << "okWithText" << "OK\r\n" << true;
    QTest::newRow("read: data answer") << "okWithText" << "OK=1,2\r\n" << true;
    QTest::newRow("read: bare OK") << "okWithText" << "OK" << false;
    QTest::newRow("read: echo is no answer") << "okWithText" << "AT+VER?\r\n" << false;
    QTest::newRow("read: ERR with code") << "errWithText" << "ERR=1\r\n" << true;
    QTest::newRow("read: bare ERR") << "errWithText" << "ERR" << false;

    QTest::newRow("write: OK") << "okLine" << "OK\r\n" << true;
    QTest::newRow("write: OK with data") << "okLine" << "OK=a\r\n" << true;
    QTest::newRow("write: OK without line end") << "okLine" << "OK" << false;
    QTest::newRow("write: ERR without line end") << "errLine" << "ERR=3" << false;
    QTest::newRow("write: ERR") << "errLine" << "ERR\r\n" << true;

    QTest::newRow("code: one digit") << "errorWithCode" << "ERR=2\r\n" << true;
    QTest::newRow("code: leading zeros") << "errorWithCode" << "ERR=005\r\n" << true;
    QTest::newRow("code: four digits") << "errorWithCode" << "ERR=1000\r\n" << false;
    QTest::newRow("code: a second LF") << "errorWithCode" << "ERR=12\r\n\n" << false;
    QTest::newRow("code: none") << "errorWithCode" << "ERR=\r\n" << false;
    QTest::newRow("code: not a number") << "errorWithCode" << "ERR=1a\r\n" << false;
}

void tst_AtAnswer::wholeLine()
{
    QFETCH(QString, pattern);
    QFETCH(QString, line);
    QFETCH(bool, matches);
    QCOMPARE(atanswer::matchesWhole(patternNamed(pattern), line), matches);
}

void tst_AtAnswer::dataFields_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("one field") << "OK=V2.1.7\r\n" << 1 << true << QStringList{"V2.1.7"};
    QTest::newRow("five fields") << "OK=3,8,1,1,0\r\n" << 5 << true
                                 << QStringList{"3", "8", "1", "1", "0"};
    QTest::newRow("surplus commas go to the earlier field") << "OK=a,b,c\r\n" << 2 << true
                                                            << QStringList{"a,b", "c"};
    QTest::newRow("one field takes the commas") << "OK=a,b\r\n" << 1 << true << QStringList{"a,b"};
    QTest::newRow("empty first field") << "OK=,4,2\r\n" << 3 << true << QStringList{"", "4", "2"};
    QTest::newRow("empty last field") << "OK=net,\r\n" << 2 << true << QStringList{"net", ""};
    QTest::newRow("empty only field") << "OK=\r\n" << 1 << true << QStringList{""};
    QTest::newRow("too few fields") << "OK=a,b\r\n" << 3 << false << QStringList{};
    QTest::newRow("plain OK") << "OK\r\n" << 1 << false << QStringList{};
    QTest::newRow("no line end") << "OK=1" << 1 << false << QStringList{};
    QTest::newRow("a second LF") << "OK=1\r\n\n" << 1 << false << QStringList{};
    QTest::newRow("lower case") << "ok=1\r\n" << 1 << false << QStringList{};
    QTest::newRow("error") << "ERR=1\r\n" << 1 << false << QStringList{};
    QTest::newRow("Chinese text") << "OK=办公室,密码\r\n" << 2 << true << QStringList{"办公室", "密码"};
}

void tst_AtAnswer::dataFields()
{
    QFETCH(QString, line);
    QFETCH(int, count);
    QFETCH(bool, ok);
    QFETCH(QStringList, fields);
    QStringList got{"untouched"};
    QCOMPARE(atanswer::dataFields(line, count, &got), ok);
    if (ok)
        QCOMPARE(got, fields);
}

void tst_AtAnswer::errorCode_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("code");   // -1: not an error line with a code

    QTest::newRow("busy") << "ERR=2\r\n" << 2;
    QTest::newRow("leading zeros") << "ERR=005\r\n" << 5;
    QTest::newRow("unknown code") << "ERR=9\r\n" << 9;
    QTest::newRow("three digits") << "ERR=999\r\n" << 999;
    QTest::newRow("four digits") << "ERR=1000\r\n" << -1;
    QTest::newRow("negative") << "ERR=-1\r\n" << -1;
    QTest::newRow("plain OK") << "OK\r\n" << -1;
}

void tst_AtAnswer::errorCode()
{
    QFETCH(QString, line);
    QFETCH(int, code);
    const std::optional<int> got = atanswer::errorCode(line);
    QCOMPARE(got.value_or(-1), code);
}

void tst_AtAnswer::number_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("value");
    QTest::newRow("digits") << "38" << 38;
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("text") << "x" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("digits then text") << "5x" << 0;
}

void tst_AtAnswer::number()
{
    QFETCH(QString, field);
    QFETCH(int, value);
    QCOMPARE(atanswer::number(field), value);
}

void tst_AtAnswer::setCommand_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("command");

    QTest::newRow("values joined") << "AT+UART=" << QStringList{"5", "8", "0", "1", "0"}
                                   << "AT+UART=5,8,0,1,0";
    QTest::newRow("empty texts") << "AT+APMOD=" << QStringList{"", "4", "2"} << "AT+APMOD=,4,2";
    QTest::newRow("one empty value") << "AT+FFRAME=" << QStringList{""} << "AT+FFRAME=";
    QTest::newRow("a comma passes as a separator") << "AT+STAMOD=" << QStringList{"a,b", "c"}
                                                   << "AT+STAMOD=a,b,c";
    QTest::newRow("CR LF cannot start a second command")
        << "AT+APMOD=" << QStringList{"x\r\nAT+DFRST", "4", "2"} << "AT+APMOD=xAT+DFRST,4,2";
    QTest::newRow("lone CR, lone LF and NUL dropped")
        << "AT+STAMOD=" << QStringList{"a\rb", QStringLiteral("c\nd") + QChar(u'\0') + QStringLiteral("e")}
        << "AT+STAMOD=ab,cde";
    QTest::newRow("other text unchanged") << "AT+APKEY=" << QStringList{"4", "3", "密码 &<>\t"}
                                          << "AT+APKEY=4,3,密码 &<>\t";
}

void tst_AtAnswer::setCommand()
{
    QFETCH(QString, prefix);
    QFETCH(QStringList, values);
    QFETCH(QString, command);
    QCOMPARE(atanswer::setCommand(prefix, values), command);
}

QTEST_GUILESS_MAIN(tst_AtAnswer)
#include "tst_atanswer.moc"
