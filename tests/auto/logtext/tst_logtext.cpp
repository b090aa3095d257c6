// The console's texts without a window: hex a user sends, the first character an encoding cannot carry,
// a row's escaped text for files and copies, and the find line's needle.
#include <QTest>

#include "console/logtext.h"

using wiretext::Encoding;

class tst_LogText : public QObject
{
    Q_OBJECT

private slots:
    void parseHex_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");   // null: refused
        QTest::addColumn<int>("bad");
        QTest::newRow("pairs, either case, spaces and tabs anywhere between")
            << "\t0a 0B\t7f80FF " << QByteArray("\x0a\x0b\x7f\x80\xff") << -1;
        QTest::newRow("nothing") << "  " << QByteArray("") << -1;
        QTest::newRow("a lone last digit: that digit") << "41 4" << QByteArray() << 3;
        QTest::newRow("a space inside a pair: the space") << "41 4 1" << QByteArray() << 4;
        QTest::newRow("0x prefix: the x") << "0x41" << QByteArray() << 1;
        QTest::newRow("a full-width digit") << "４１" << QByteArray() << 0;
    }

    void parseHex()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(int, bad);
        qsizetype at = -1;
        const std::optional<QByteArray> parsed = logtext::parseHex(text, &at);
        QCOMPARE(parsed.value_or(QByteArray()), bytes);
        QCOMPARE(parsed.has_value(), !bytes.isNull());
        QCOMPARE(at, qsizetype(bad));
    }

    void firstUnencodable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("gbk");
        QTest::addColumn<int>("first");
        QTest::newRow("UTF-8 carries an emoji") << "a😀b" << false << -1;
        QTest::newRow("UTF-8: an emoji, then a lone surrogate") << QStringLiteral("😀b") + QChar(0xdc00) << false << 3;
        QTest::newRow("GBK carries Chinese and pinyin") << "办公室 é" << true << -1;
        QTest::newRow("GBK: an emoji after Chinese, as one character") << "办😀😀" << true << 1;
    }

    void firstUnencodable()
    {
        QFETCH(QString, text);
        QFETCH(bool, gbk);
        QFETCH(int, first);
        QCOMPARE(logtext::firstUnencodable(text, gbk ? Encoding::Gbk : Encoding::Utf8), qsizetype(first));
    }

    void escaped_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<bool>("gbk");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("UTF-8 text as it is, CR LF left out") << QByteArray("OK=\xe5\x8a\x9e\r\n") << false
                                                            << QByteArray("OK=\xe5\x8a\x9e");
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
        QFETCH(QByteArray, line);
        QCOMPARE(logtext::escaped(raw, gbk ? Encoding::Gbk : Encoding::Utf8), line);
    }

    // The find line's needle: any case of ASCII letters in the row's encoding; in hex view, bytes when hex.
    void needle()
    {
        const logtext::Needle text(QStringLiteral("at+Ver"), false), chinese(QStringLiteral("办"), false);
        QVERIFY(text.matches("xxAT+VER?\r\n", Encoding::Utf8) && text.matches("at+ver", Encoding::Gbk));
        QVERIFY(!text.matches("AT+VE", Encoding::Utf8) && !text.matches("AT+VAR", Encoding::Utf8));
        QVERIFY(chinese.matches("OK=\xe5\x8a\x9e", Encoding::Utf8) && chinese.matches("OK=\xb0\xec", Encoding::Gbk));
        QVERIFY(!chinese.matches("OK=\xb0\xec", Encoding::Utf8));
        const logtext::Needle hex(QStringLiteral("0d 0A"), true);
        QVERIFY(hex.matches("OK\r\n", Encoding::Utf8) && !hex.matches("0d 0A", Encoding::Utf8));
        const logtext::Needle notHex(QStringLiteral("OK="), true);   // in hex view, not hex: text
        QVERIFY(notHex.matches("ok=1", Encoding::Utf8) && !notHex.matches("4F 4B 3D", Encoding::Utf8));
    }
};

QTEST_GUILESS_MAIN(tst_LogText)
#include "tst_logtext.moc"
