// The field table: each module answer becomes the form's values, each set command is built from them;
// the answer patterns those answers are taken with, and their code fields.
#include <QTest>

#include "protocol/atanswer.h"
#include "protocol/cfgfields.h"

using Values = QHash<QString, QString>;

class tst_CfgFields : public QObject
{
    Q_OBJECT

private slots:
    // Each answer becomes the form's values, and those values the set command that writes them back.
    void answers_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("line");
        QTest::addColumn<Values>("values");   // empty: not this query's answer
        QTest::addColumn<QString>("command");   // the set command of these values; empty: not checked
        QTest::newRow("UART: codes with offsets, data and stop bits as counts") << "AT+UART?" << "OK=3,7,2,2,1\r\n"
            << Values{{"comboBox_deviceBps", "3"}, {"comboBox_deviceDataBit", "2"}, {"comboBox_deviceParBit", "2"},
                      {"comboBox_deviceStopBit", "1"}, {"comboBox_deviceFlow", "1"}} << "AT+UART=3,7,2,2,1";
        QTest::newRow("UART: codes outside, empty, not numbers") << "AT+UART?" << "OK=8,9,,x,2\r\n"
            << Values{{"comboBox_deviceBps", "-1"}, {"comboBox_deviceDataBit", "-1"}, {"comboBox_deviceParBit", "-1"},
                      {"comboBox_deviceStopBit", "-1"}, {"comboBox_deviceFlow", "-1"}} << "";
        QTest::newRow("AP: SSID with commas, mode and channel one up") << "AT+APMOD?" << "OK=Lab,AP,5,13\r\n"
            << Values{{"lineEdit_AP_SSID", "Lab,AP"}, {"comboBox_MODE", "4"}, {"comboBox_CH", "12"}}
            << "AT+APMOD=Lab,AP,5,13";
        QTest::newRow("AP key: commas stay in the key, after two codes") << "AT+APKEY?" << "OK=7,5,pa,ss\r\n"
            << Values{{"comboBox_AUTH", "7"}, {"comboBox_CRYPT", "5"}, {"lineEdit_AP_KEY", "pa,ss"}}
            << "AT+APKEY=7,5,pa,ss";
        QTest::newRow("role 1: STA") << "AT+APSTA?" << "OK=1\r\n"
            << Values{{"comboBox_wifi_mode", "1"}, {"lineEdit_wifi_mode", "STA"}} << "AT+APSTA=1";
        QTest::newRow("role 7: unknown, shown as it came") << "AT+APSTA?" << "OK=7\r\n"
            << Values{{"comboBox_wifi_mode", "-1"}, {"lineEdit_wifi_mode", "7"}} << "";
        QTest::newRow("network: the second field") << "AT+NETS?" << "OK=0,1\r\n" << Values{{"lineEdit_net_state", "ON"}}
                                                   << "";
        QTest::newRow("static address") << "AT+IPCFG?" << "OK=1,10.1.2.3,10.1.2.254,255.255.255.0\r\n"
            << Values{{"comboBox_ip_mode", "1"}, {"lineEdit_set_ip", "10.1.2.3"}, {"lineEdit_set_gatway", "10.1.2.254"},
                      {"lineEdit_set_mask", "255.255.255.0"}} << "AT+IPCFG=1,10.1.2.3,10.1.2.254,255.255.255.0";
        QTest::newRow("dynamic address: the mode alone") << "AT+IPCFG?" << "OK=0,10.1.2.3,10.1.2.254,255.255.255.0\r\n"
            << Values{{"comboBox_ip_mode", "0"}, {"lineEdit_set_ip", "10.1.2.3"}, {"lineEdit_set_gatway", "10.1.2.254"},
                      {"lineEdit_set_mask", "255.255.255.0"}} << "AT+IPCFG=0";
        QTest::newRow("DHCP flag and pool") << "AT+DHCP?" << "OK=1,a,b\r\n"
            << Values{{"checkBox_en_dhcp", "1"}, {"lineEdit_dhcp_start_ip", "a"}, {"lineEdit_dhcp_end_ip", "b"}}
            << "AT+DHCP=1,a,b";
        QTest::newRow("DHCP flag neither 0 nor 1") << "AT+DHCP?" << "OK=yes,10.0.0.2,10.0.0.9\r\n"
            << Values{{"checkBox_en_dhcp", "?"}, {"lineEdit_dhcp_start_ip", "10.0.0.2"},
                      {"lineEdit_dhcp_end_ip", "10.0.0.9"}} << "";
        QTest::newRow("transparent socket") << "AT+TPSOCK?" << "OK=1,1,10.9.8.7,5000\r\n"
            << Values{{"comboBox_TP_TCP_UDP", "1"}, {"comboBox_TP_S_C", "1"}, {"lineEdit_TP_ADDR", "10.9.8.7"},
                      {"lineEdit_TP_PORT", "5000"}} << "";
        QTest::newRow("frames") << "AT+AFRAME?" << "OK=256,40\r\n"
            << Values{{"lineEdit_aframe_len", "256"}, {"lineEdit_aframe_time", "40"}} << "";
        QTest::newRow("MAC: one spelling") << "AT+MAC?" << "OK=ac-cf-23-5a-10-7e\r\n"
                                           << Values{{"lineEdit_device_mac", "AC:CF:23:5A:10:7E"}} << "";
        QTest::newRow("too few fields") << "AT+IPCFG?" << "OK=1,10.0.0.1\r\n" << Values{} << "";
    }

    void answers()
    {
        QFETCH(QString, query);
        QFETCH(QString, line);
        QFETCH(Values, values);
        QFETCH(QString, command);
        Values parsed;
        QCOMPARE(cfgfields::parseAnswer(query, line, &parsed), !values.isEmpty());
        QCOMPARE(parsed, values);
        if (!command.isEmpty())
            QCOMPARE(cfgfields::setCommand(query.chopped(1) + u'=', parsed), command);
    }

    void values_data()
    {
        QTest::addColumn<Values>("changes");   // to a form the module takes
        QTest::addColumn<QStringList>("problems");
        QTest::newRow("the form as it is") << Values{} << QStringList{};
        QTest::newRow("empty texts the module does not need") << Values{{"lineEdit_TP_ADDR", ""},
            {"lineEdit_TP_PORT", ""}, {"lineEdit_fframe_time", ""}, {"lineEdit_dhcp_start_ip", ""},
            {"checkBox_en_dhcp", "0"}} << QStringList{};
        QTest::newRow("the access point's key takes a comma; SSIDs of 32 bytes, keys of 64")
            << Values{{"lineEdit_AP_KEY", QString(63, u'k') + u','}, {"lineEdit_STA_SSID", QString(32, u's')},
                      {"lineEdit_AP_SSID", QStringLiteral("车间测试网车间测试网")}} << QStringList{};
        QTest::newRow("commas elsewhere") << Values{{"lineEdit_AP_SSID", "a,b"}, {"lineEdit_STA_KEY", ","}}
                                          << QStringList{"AP设置/SSID、STA设置/密码含有逗号（模块会把它当作分隔符）"};
        QTest::newRow("bytes, not characters, in the wire encoding")
            << Values{{"lineEdit_STA_SSID", QStringLiteral("车间测试网车间测试网车")}, {"lineEdit_AP_KEY", QString(65, u'k')}}
            << QStringList{"AP设置/密码超过 64 字节", "STA设置/目标SSID超过 32 字节"};
        QTest::newRow("addresses: four numbers to 255 with dots")
            << Values{{"lineEdit_TP_ADDR", "1.2.3.256"}, {"lineEdit_dhcp_start_ip", "1.2.3"},
                      {"lineEdit_dhcp_end_ip", "1.2.3.4.5"}}
            << QStringList{"IP设置/起始地址、IP设置/结束地址、TP设置/地址不是 IP 地址（四个 0 到 255 的数，以点分隔）"};
        QTest::newRow("ports 1 to 65535, numbers of nine digits")
            << Values{{"lineEdit_TP_PORT", "65536"}, {"lineEdit_aframe_len", "1234567890"}, {"lineEdit_aframe_time", "1a"}}
            << QStringList{"TP设置/端口不是 1 到 65535 的端口", "成帧设置/自动成帧长度、成帧设置/自动成帧时间不是最多 9 位的数"};
        QTest::newRow("the static address only in static mode, and all of it then")
            << Values{{"comboBox_ip_mode", "1"}, {"lineEdit_set_gatway", ""}, {"lineEdit_set_mask", "x"}}
            << QStringList{"IP设置/IP、IP设置/地址隐码不是 IP 地址（四个 0 到 255 的数，以点分隔）", "IP设置/网关不能为空"};
        QTest::newRow("the DHCP pool while DHCP is on") << Values{{"checkBox_en_dhcp", "1"}, {"lineEdit_dhcp_end_ip", ""}}
                                                        << QStringList{"IP设置/结束地址不能为空"};
        QTest::newRow("line breaks, choices outside the lists")
            << Values{{"lineEdit_fframe_time", "1\r\n"}, {"comboBox_CH", "13"}, {"checkBox_en_dhcp", "?"}}
            << QStringList{"AP设置/信道、IP设置/使能DHCP没有选择值", "成帧设置/自由成帧时间间隔含有换行"};
    }

    // Every value is checked against its field before a write; problems named by kind, in the form's order.
    void values()
    {
        QFETCH(Values, changes);
        Values form{{"comboBox_wifi_mode", "0"}, {"lineEdit_AP_SSID", "Lab"}, {"comboBox_MODE", "3"}, {"comboBox_CH", "5"},
            {"comboBox_AUTH", "4"}, {"comboBox_CRYPT", "3"}, {"lineEdit_AP_KEY", "key"}, {"lineEdit_STA_SSID", "Net"},
            {"lineEdit_STA_KEY", "pw"}, {"comboBox_ip_mode", "0"}, {"lineEdit_set_ip", "not sent"}, {"lineEdit_set_mask", ""},
            {"lineEdit_set_gatway", "10.0.0.1"}, {"checkBox_en_dhcp", "1"}, {"lineEdit_dhcp_start_ip", "10.0.0.2"},
            {"lineEdit_dhcp_end_ip", "10.0.0.9"}, {"comboBox_TP_TCP_UDP", "0"}, {"comboBox_TP_S_C", "1"},
            {"lineEdit_TP_ADDR", "10.9.8.7"}, {"lineEdit_TP_PORT", "1"}, {"lineEdit_fframe_time", "0"},
            {"lineEdit_aframe_len", "999999999"}, {"lineEdit_aframe_time", "40"}, {"comboBox_deviceBps", "7"},
            {"comboBox_deviceDataBit", "0"}, {"comboBox_deviceParBit", "2"}, {"comboBox_deviceStopBit", "1"},
            {"comboBox_deviceFlow", "1"}};
        form.insert(changes);
        QTEST(cfgfields::problemTexts(cfgfields::valueProblems(form, wiretext::Encoding::Utf8), false,
                                      wiretext::Encoding::Utf8), "problems");
        // Eleven Chinese characters are 33 bytes in UTF-8 and 22 in GBK.
        if (QTest::currentDataTag() == QLatin1String("the form as it is")) {
            form.insert("lineEdit_STA_SSID", QStringLiteral("车间测试网车间测试网车"));
            QCOMPARE(cfgfields::valueProblems(form, wiretext::Encoding::Utf8).size(), 1);
            QCOMPARE(cfgfields::valueProblems(form, wiretext::Encoding::Gbk).size(), 0);
        }
    }

    // The MAC in its one spelling whatever its separators and case, else none; module text's controls escaped.
    void macAndModuleText()
    {
        for (const char *mac : {"AC:CF:23:5A:10:7E", "accf235a107e", " AC:CF:23:5A:10:7E \r"})
            QCOMPARE(cfgfields::canonicalMac(QString::fromLatin1(mac)), QStringLiteral("AC:CF:23:5A:10:7E"));
        for (const char *bad : {"AC:CF:23:5A:10", "AC:CF-23:5A:10:7E", "AC:CF:23:5A:10:7G", "AC:CF:23:5A:10:7E:00", ""})
            QCOMPARE(cfgfields::canonicalMac(QString::fromLatin1(bad)), QString());
        QCOMPARE(cfgfields::escapedText(QStringLiteral("V2\x1b[2J\x7f\t.1")), QStringLiteral("V2\\x1B[2J\\x7F\\x09.1"));
    }

    // Answer patterns on lines the wire cannot easily produce (on the wire: tst_protocol).
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

QTEST_GUILESS_MAIN(tst_CfgFields)
#include "tst_cfgfields.moc"
