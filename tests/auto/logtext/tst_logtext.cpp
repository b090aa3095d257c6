// The console's texts: hex a user sends, the first character an encoding cannot carry, a row's escaped text.
#include <QDateTime>
#include <QTest>

#include "console/logtext.h"

using wiretext::Encoding;

class tst_LogText : public QObject
{
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(tst_LogText)
#include "tst_logtext.moc"
