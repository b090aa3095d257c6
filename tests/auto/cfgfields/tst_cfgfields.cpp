// The configuration field table without a window: each answer the module gives becomes the values the form
// shows, and each set command is built from the form's values, as the module's protocol has them.
#include <QTest>

#include "protocol/cfgfields.h"

using Values = QHash<QString, QString>;

class tst_CfgFields : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("line");
        QTest::addColumn<Values>("values");   // empty: not this query's answer
        QTest::newRow("UART: codes with offsets") << "AT+UART?" << "OK=3,7,2,2,1\r\n"
            << Values{{"comboBox_deviceBps", "3"}, {"comboBox_deviceDataBit", "2"}, {"comboBox_deviceParBit", "2"},
                      {"comboBox_deviceStopBit", "1"}, {"comboBox_deviceFlow", "1"}};
        QTest::newRow("UART: codes outside, empty, not numbers") << "AT+UART?" << "OK=8,9,,x,2\r\n"
            << Values{{"comboBox_deviceBps", "-1"}, {"comboBox_deviceDataBit", "-1"}, {"comboBox_deviceParBit", "-1"},
                      {"comboBox_deviceStopBit", "-1"}, {"comboBox_deviceFlow", "-1"}};
        QTest::newRow("AP: SSID with commas, mode and channel one up") << "AT+APMOD?" << "OK=Lab,AP,5,13\r\n"
            << Values{{"lineEdit_AP_SSID", "Lab,AP"}, {"comboBox_MODE", "4"}, {"comboBox_CH", "12"}};
        QTest::newRow("AP key: commas stay in the key") << "AT+APKEY?" << "OK=7,5,pa,ss\r\n"
            << Values{{"comboBox_AUTH", "7"}, {"comboBox_CRYPT", "5"}, {"lineEdit_AP_KEY", "pa,ss"}};
        QTest::newRow("role 1: STA") << "AT+APSTA?" << "OK=1\r\n"
            << Values{{"comboBox_wifi_mode", "1"}, {"lineEdit_wifi_mode", "STA"}};
        QTest::newRow("role 7: unknown, shown as it came") << "AT+APSTA?" << "OK=7\r\n"
            << Values{{"comboBox_wifi_mode", "-1"}, {"lineEdit_wifi_mode", "7"}};
        QTest::newRow("network: the second field") << "AT+NETS?" << "OK=0,1\r\n" << Values{{"lineEdit_net_state", "ON"}};
        QTest::newRow("DHCP flag neither 0 nor 1") << "AT+DHCP?" << "OK=yes,10.0.0.2,10.0.0.9\r\n"
            << Values{{"checkBox_en_dhcp", "?"}, {"lineEdit_dhcp_start_ip", "10.0.0.2"},
                      {"lineEdit_dhcp_end_ip", "10.0.0.9"}};
        QTest::newRow("transparent socket") << "AT+TPSOCK?" << "OK=1,1,10.9.8.7,5000\r\n"
            << Values{{"comboBox_TP_TCP_UDP", "1"}, {"comboBox_TP_S_C", "1"}, {"lineEdit_TP_ADDR", "10.9.8.7"},
                      {"lineEdit_TP_PORT", "5000"}};
        QTest::newRow("frames") << "AT+AFRAME?" << "OK=256,40\r\n"
            << Values{{"lineEdit_aframe_len", "256"}, {"lineEdit_aframe_time", "40"}};
        QTest::newRow("too few fields") << "AT+IPCFG?" << "OK=1,10.0.0.1\r\n" << Values{};
    }

    void answers()
    {
        QFETCH(QString, query);
        QFETCH(QString, line);
        QFETCH(Values, values);
        Values parsed;
        QCOMPARE(cfgfields::parseAnswer(query, line, &parsed), !values.isEmpty());
        QCOMPARE(parsed, values);
    }

    void setCommands_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<Values>("form");
        QTest::addColumn<QString>("command");
        const Values full{{"comboBox_wifi_mode", "1"}, {"lineEdit_AP_SSID", "Lab AP"}, {"comboBox_MODE", "4"},
                          {"comboBox_CH", "12"}, {"comboBox_AUTH", "7"}, {"comboBox_CRYPT", "5"},
                          {"lineEdit_AP_KEY", "pa,ss"}, {"comboBox_ip_mode", "1"}, {"lineEdit_set_ip", "10.1.2.3"},
                          {"lineEdit_set_gatway", "10.1.2.254"}, {"lineEdit_set_mask", "255.255.255.0"},
                          {"checkBox_en_dhcp", "1"}, {"lineEdit_dhcp_start_ip", "a"}, {"lineEdit_dhcp_end_ip", "b"},
                          {"comboBox_deviceBps", "3"}, {"comboBox_deviceDataBit", "2"}, {"comboBox_deviceParBit", "2"},
                          {"comboBox_deviceStopBit", "1"}, {"comboBox_deviceFlow", "1"}};
        Values dynamic = full;
        dynamic.insert("comboBox_ip_mode", "0");
        QTest::newRow("role") << "AT+APSTA=" << full << "AT+APSTA=1";
        QTest::newRow("access point: mode and channel one up") << "AT+APMOD=" << full << "AT+APMOD=Lab AP,5,13";
        QTest::newRow("key after two codes") << "AT+APKEY=" << full << "AT+APKEY=7,5,pa,ss";
        QTest::newRow("static address") << "AT+IPCFG=" << full << "AT+IPCFG=1,10.1.2.3,10.1.2.254,255.255.255.0";
        QTest::newRow("dynamic address: the mode alone") << "AT+IPCFG=" << dynamic << "AT+IPCFG=0";
        QTest::newRow("DHCP flag and pool") << "AT+DHCP=" << full << "AT+DHCP=1,a,b";
        QTest::newRow("UART: data and stop bits as counts") << "AT+UART=" << full << "AT+UART=3,7,2,2,1";
    }

    void setCommands()
    {
        QFETCH(QString, prefix);
        QFETCH(Values, form);
        QFETCH(QString, command);
        QCOMPARE(cfgfields::setCommand(prefix, form), command);
    }

    // Items that differ by language are found in either; other selectors are no business of this index.
    void bilingualItems()
    {
        QCOMPARE(cfgfields::bilingualItemIndex(u"comboBox_ip_mode", u"Static IP"), 1);
        QCOMPARE(cfgfields::bilingualItemIndex(u"comboBox_TP_S_C", u"客户端"), 1);
        QCOMPARE(cfgfields::bilingualItemIndex(u"comboBox_wifi_mode", u"AP"), 0);
        QCOMPARE(cfgfields::bilingualItemIndex(u"comboBox_CH", u"1"), -1);
    }
};

QTEST_GUILESS_MAIN(tst_CfgFields)
#include "tst_cfgfields.moc"
