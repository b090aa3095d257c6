// The configuration's values: what keeps them from a write, and what a read left that is not the module's own.
#include <QTest>

#include "protocol/moduleconfig.h"

using Values = QHash<QString, QString>;

class tst_ModuleConfig : public QObject
{
    Q_OBJECT

private slots:
    void problems_data()
    {
        QTest::addColumn<Values>("changes");   // to the reset form
        QTest::addColumn<QStringList>("unreadable");
        QTest::addColumn<QStringList>("unclean");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QStringList>("write");   // problemTexts
        QTest::addColumn<QStringList>("read");    // readProblemTexts
        const QString bad = QString(QChar::ReplacementCharacter);
        QTest::newRow("the reset form") << Values{} << QStringList{} << QStringList{} << "UTF-8" << false
                                        << QStringList{} << QStringList{};
        QTest::newRow("what a read could not show: no choice first, then the unclean texts")
            << Values{{"comboBox_deviceBps", "-1"}, {"comboBox_wifi_mode", "-1"}, {"lineEdit_AP_SSID", "L" + bad + "b"}}
            << QStringList{"checkBox_en_dhcp"} << QStringList{"lineEdit_AP_SSID"} << "UTF-8" << false
            << QStringList{"UART参数/波特率、WIFI模式、IP设置/使能DHCP没有选择值",
                           "AP设置/SSID不是有效的UTF-8文本，请修改，或换一种编码重新读取"}
            << QStringList{"AP设置/SSID不是有效的UTF-8文本", "UART参数/波特率、WIFI模式、IP设置/使能DHCP的值不在列表中"};
        QTest::newRow("an unclean text GBK cannot hold is named as unclean only, after the other kinds' place")
            << Values{{"lineEdit_STA_KEY", "k" + bad}, {"lineEdit_TP_PORT", "0"}} << QStringList{}
            << QStringList{"lineEdit_STA_KEY"} << "GBK" << false
            << QStringList{"STA设置/密码不是有效的GBK文本，请修改，或换一种编码重新读取", "TP设置/端口不是 1 到 65535 的端口"}
            << QStringList{"STA设置/密码不是有效的GBK文本"};
        QTest::newRow("a static address read unclean is not sent in dynamic mode; the module's own texts are read")
            << Values{{"lineEdit_set_ip", bad}, {"lineEdit_deviceSoftwareVer", bad}} << QStringList{}
            << QStringList{"lineEdit_set_ip", "lineEdit_deviceSoftwareVer"} << "UTF-8" << false << QStringList{}
            << QStringList{"设备相关/软件版本、IP设置/IP不是有效的UTF-8文本"};
        QTest::newRow("in static mode it is")
            << Values{{"comboBox_ip_mode", "1"}, {"lineEdit_set_ip", bad}, {"lineEdit_set_gatway", "10.0.0.1"},
                      {"lineEdit_set_mask", "255.0.0.0"}}
            << QStringList{} << QStringList{"lineEdit_set_ip"} << "UTF-8" << false
            << QStringList{"IP设置/IP不是有效的UTF-8文本，请修改，或换一种编码重新读取",
                           "IP设置/IP不是 IP 地址（四个 0 到 255 的数，以点分隔）"}
            << QStringList{"IP设置/IP不是有效的UTF-8文本"};
        QTest::newRow("a MAC that is no MAC: no backup, nothing against a write")
            << Values{{"lineEdit_device_mac", "=1+2"}} << QStringList{"lineEdit_device_mac"} << QStringList{} << "UTF-8"
            << false << QStringList{} << QStringList{"设备相关/MAC地址“=1+2”不是 MAC 地址，没有备份"};
        QTest::newRow("names in English")
            << Values{{"comboBox_CH", "-1"}, {"lineEdit_STA_SSID", "a,b"}} << QStringList{} << QStringList{}
            << "UTF-8" << true << QStringList{"AP Mode/Channel没有选择值", "STA Mode/AP SSID含有逗号（模块会把它当作分隔符）"}
            << QStringList{"AP Mode/Channel的值不在列表中"};
    }

    void problems()
    {
        QFETCH(Values, changes);
        QFETCH(QStringList, unreadable);
        QFETCH(QStringList, unclean);
        QFETCH(QString, encoding);
        QFETCH(bool, english);
        ModuleConfig config = ModuleConfig::defaults();
        for (auto it = changes.cbegin(); it != changes.cend(); ++it)
            config.set(it.key(), it.value());
        for (const QString &field : unreadable)
            config.setUnreadable(field);
        for (const QString &field : unclean)
            config.setUnclean(field);
        QTEST(config.problemTexts(english, wiretext::fromName(encoding)), "write");
        QTEST(config.readProblemTexts(english, wiretext::fromName(encoding)), "read");
    }
};

QTEST_GUILESS_MAIN(tst_ModuleConfig)
#include "tst_moduleconfig.moc"
