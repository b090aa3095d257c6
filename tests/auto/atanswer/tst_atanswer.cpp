// Answer patterns on lines the wire cannot easily produce, and code fields (on the wire: tst_protocol).
#include <QTest>

#include "protocol/atanswer.h"

class tst_AtAnswer : public QObject
{
    Q_OBJECT

private slots:
    void wholeLine()
    {
        const QList<std::pair<const QRegularExpression *, QString>> refused{
            {&atanswer::plainOk(), "OK\r\n\n"}, {&atanswer::plainOk(), "OK\r\njunk"},
            {&atanswer::plainOk(), "OK=120\r\n"},   // OK with data, for a set command
            {&atanswer::errorWithCode(), "ERR=12\r\n\n"}, {&atanswer::okWithText(), "OK"},
            {&atanswer::errLine(), "ERR=3"}, {&atanswer::dataAnswer(3), "OK=a,b\r\n"},
            {&atanswer::dataAnswer(1), "OK=1"}, {&atanswer::dataAnswer(1), "OK=1\r\n\n"}};
        for (const auto &[pattern, line] : refused)
            QVERIFY2(!atanswer::matchesWhole(*pattern, line), qPrintable(pattern->pattern() + QStringLiteral(" took ") + line));
        QVERIFY(atanswer::matchesWhole(atanswer::okWithText(), QStringLiteral("OK\r\n")));
    }

    // A code field is a number only when it is all digits: anything else is no code at all.
    void code()
    {
        QCOMPARE(atanswer::code(u"007").value_or(-1), 7);
        for (const char *field : {"", "+5", " 5", "5a", "1000000000"})
            QVERIFY2(!atanswer::code(QString::fromLatin1(field)), field);
    }
};

QTEST_GUILESS_MAIN(tst_AtAnswer)
#include "tst_atanswer.moc"
