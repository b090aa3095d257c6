// The profile file without a window: the document written, what a file gives back, why a profile is refused.
#include <QRegularExpression>

#include "cfgfile/profilefile.h"
#include "tests/common/testsupport.h"

using testsupport::document;
using Values = QHash<QString, QString>;

namespace {

ModuleConfig configOf(const Values &values, ModuleConfig config = ModuleConfig())
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        config.set(it.key(), it.value());
    return config;
}

// Every field filled: markup, Chinese, a comma in each leaf's first text, static IP, the second item elsewhere.
const Values full{{"comboBox_deviceBps", "1"}, {"comboBox_deviceDataBit", "2"}, {"comboBox_deviceParBit", "2"},
    {"comboBox_deviceStopBit", "1"}, {"comboBox_deviceFlow", "1"}, {"comboBox_wifi_mode", "1"}, {"comboBox_MODE", "4"},
    {"lineEdit_AP_SSID", "Lab,AP,<&>\"'"}, {"comboBox_CH", "12"}, {"comboBox_AUTH", "7"}, {"comboBox_CRYPT", "5"},
    {"lineEdit_AP_KEY", "中文 key"}, {"lineEdit_STA_SSID", "办公室,2.4G"}, {"lineEdit_STA_KEY", "pw"},
    {"comboBox_ip_mode", "1"}, {"lineEdit_set_ip", "10.0.0.5"}, {"lineEdit_set_gatway", "10.0.0.1"},
    {"lineEdit_set_mask", "255.255.255.0"}, {"checkBox_en_dhcp", "1"}, {"lineEdit_dhcp_start_ip", "10.0.0.100"},
    {"lineEdit_dhcp_end_ip", "10.0.0.199"}, {"comboBox_TP_TCP_UDP", "1"}, {"comboBox_TP_S_C", "1"},
    {"lineEdit_TP_ADDR", "10.0.0.9"}, {"lineEdit_TP_PORT", "8080"}, {"lineEdit_fframe_time", "50"},
    {"lineEdit_aframe_len", "256"}, {"lineEdit_aframe_time", "40"}};

} // namespace

class tst_ProfileFile : public QObject
{
    Q_OBJECT

private slots:
    // Every leaf in its group, selectors by their items in the language on screen, four-space indent, LF ends.
    void documents_data()
    {
        QTest::addColumn<Values>("changes");   // to the reset form
        QTest::addColumn<int>("workMode");     // -1: none chosen
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("document");   // layout aside
        QTest::newRow("the reset form, no work mode chosen") << Values{} << -1 << false << QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><TESSELANE_CFG>"
            "<BASE_GROUP_ELEM><UART>115200,8,None,1,None</UART></BASE_GROUP_ELEM>"
            "<WIFI_GROUP_ELEM><WIFI_MODE>AP模式</WIFI_MODE><WIFI_AP>,,WAP2_PSK,AES,11n,2</WIFI_AP><WIFI_STA>,</WIFI_STA>"
            "<WIFI_IP>动态IP,,,</WIFI_IP><WIFI_DHCP>0,,</WIFI_DHCP></WIFI_GROUP_ELEM>"
            "<TP_GROUP_ELEM><TP_TP>TCP,服务器,,</TP_TP><TP_FRAME>,,</TP_FRAME></TP_GROUP_ELEM></TESSELANE_CFG>");
        QTest::newRow("English items, a work mode, markup escaped, a selector without an item empty")
            << Values{{"comboBox_wifi_mode", "1"}, {"comboBox_ip_mode", "1"}, {"comboBox_TP_S_C", "1"},
                      {"lineEdit_AP_SSID", "a<&>b"}, {"comboBox_deviceBps", "-1"}, {"checkBox_en_dhcp", "1"}}
            << 1 << true << QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><TESSELANE_CFG>"
            "<BASE_GROUP_ELEM><UART>,8,None,1,None</UART><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>"
            "<WIFI_GROUP_ELEM><WIFI_MODE>STA</WIFI_MODE><WIFI_AP>a&lt;&amp;&gt;b,,WAP2_PSK,AES,11n,2</WIFI_AP>"
            "<WIFI_STA>,</WIFI_STA><WIFI_IP>Static IP,,,</WIFI_IP><WIFI_DHCP>1,,</WIFI_DHCP></WIFI_GROUP_ELEM>"
            "<TP_GROUP_ELEM><TP_TP>TCP,Client,,</TP_TP><TP_FRAME>,,</TP_FRAME></TP_GROUP_ELEM></TESSELANE_CFG>");
    }
    void documents()
    {
        QFETCH(Values, changes);
        QFETCH(int, workMode);
        QFETCH(bool, english);
        const QByteArray written = ProfileFile::document(configOf(changes, ModuleConfig::defaults()),
                                                         workMode < 0 ? std::nullopt : std::optional<int>(workMode), english);
        QTEST(QString::fromUtf8(written).remove(QRegularExpression(QStringLiteral("\n *"))), "document");
        QVERIFY(written.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TESSELANE_CFG>\n    <BASE_GROUP_ELEM>\n"
                                   "        <UART>"));
        QVERIFY(!written.contains('\r'));
    }

    // A document gives all of it back in either language, unless a comma moves text: then the texts are named.
    void roundTrip_data()
    {
        QTest::addColumn<Values>("changes");   // to the full form
        QTest::addColumn<QStringList>("lost");
        QTest::newRow("commas in each leaf's first text come back") << Values{} << QStringList{};
        QTest::newRow("commas in keys: every text of their leaves with one named")
            << Values{{"lineEdit_AP_KEY", "pa,ss"}, {"lineEdit_STA_KEY", "x,y"}}
            << QStringList{"AP设置/SSID", "AP设置/密码", "STA设置/目标SSID", "STA设置/密码"};
        QTest::newRow("a comma after the first text, in a leaf that starts with selectors")
            << Values{{"lineEdit_TP_ADDR", "a,b"}, {"lineEdit_AP_SSID", "Lab"}} << QStringList{"TP设置/地址"};
    }
    void roundTrip()
    {
        QFETCH(Values, changes);
        QFETCH(QStringList, lost);
        const ModuleConfig config = configOf(changes, configOf(full));
        QCOMPARE(ProfileFile::lostToCommas(config, false), lost);
        for (const bool english : {false, true}) {
            const ProfileFile back = ProfileFile::parse(ProfileFile::document(config, 0, english));
            if (lost.isEmpty())
                QCOMPARE(back.refusals(), QStringList{});
            QCOMPARE(back.workMode(), std::optional<int>(0));
            QCOMPARE(back.groups(), (QList<int>{0, 1, 2}));
            QCOMPARE(back.config() == config, lost.isEmpty());
        }
    }

    // A leaf met but wrong is named as wrong, not missing; a field it gets wrong keeps what an earlier leaf gave.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Values>("values");   // all the file gives
        QTest::addColumn<int>("workMode");    // -1: none
        QTest::addColumn<QList<int>>("groups");
        QTest::addColumn<QStringList>("refusals");
        const QByteArray uart = "<BASE_GROUP_ELEM><UART>9600,7,Even,2,Hardware</UART></BASE_GROUP_ELEM>";
        QTest::newRow("repeated leaves and empty choices: each named; the last leaf gives, an empty key too")
            << document(uart + "<BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM><WIFI_GROUP_ELEM>"
                        "<WIFI_AP>Lab,pw,WPA,TKIP,11g,3</WIFI_AP></WIFI_GROUP_ELEM><BASE_GROUP_ELEM><DFWM>AT_MODE</DFWM>"
                        "<DFWM>tp</DFWM><UART>,,Odd,,</UART></BASE_GROUP_ELEM><WIFI_GROUP_ELEM>"
                        "<WIFI_AP>Cafe,,NONE,NONE,11b,5</WIFI_AP></WIFI_GROUP_ELEM>")
            << Values{{"comboBox_deviceBps", "1"}, {"comboBox_deviceDataBit", "2"}, {"comboBox_deviceParBit", "2"},
                      {"comboBox_deviceStopBit", "1"}, {"comboBox_deviceFlow", "1"}, {"lineEdit_AP_SSID", "Cafe"},
                      {"lineEdit_AP_KEY", ""}, {"comboBox_AUTH", "0"}, {"comboBox_CRYPT", "0"}, {"comboBox_MODE", "1"},
                      {"comboBox_CH", "4"}}
            << 0 << QList<int>{0, 1}
            << QStringList{"UART 出现了 2 次", "DFWM 出现了 3 次", "WIFI_AP 出现了 2 次", "DFWM 的第 1 个字段“tp”不是可选的值",
                           "UART 的第 1 个字段为空", "UART 的第 2 个字段为空", "UART 的第 4 个字段为空", "UART 的第 5 个字段为空",
                           "文件缺少 WIFI_MODE, WIFI_STA, WIFI_IP, WIFI_DHCP, TP_TP, TP_FRAME"};
        QTest::newRow("commas: an SSID's survive, a key's move into the SSID")
            << document("<WIFI_GROUP_ELEM><WIFI_AP>a,b,c,key,NONE,WEP,11b,5</WIFI_AP><WIFI_STA>net,pa,ss</WIFI_STA>"
                        "</WIFI_GROUP_ELEM>")
            << Values{{"lineEdit_AP_SSID", "a,b,c"}, {"lineEdit_AP_KEY", "key"}, {"comboBox_AUTH", "0"},
                      {"comboBox_CRYPT", "1"}, {"comboBox_MODE", "1"}, {"comboBox_CH", "4"},
                      {"lineEdit_STA_SSID", "net,pa"}, {"lineEdit_STA_KEY", "ss"}}
            << -1 << QList<int>{1} << QStringList{"文件缺少 UART, WIFI_MODE, WIFI_IP, WIFI_DHCP, TP_TP, TP_FRAME"};
        QTest::newRow("a line break: the leaf is named and gives nothing")
            << document("<WIFI_GROUP_ELEM><WIFI_STA>sid,p&#13;&#10;AT+DFRST</WIFI_STA></WIFI_GROUP_ELEM>") << Values{}
            << -1 << QList<int>{1}
            << QStringList{"WIFI_STA 含有换行", "文件缺少 UART, WIFI_MODE, WIFI_AP, WIFI_IP, WIFI_DHCP, TP_TP, TP_FRAME"};
        QTest::newRow("the other language's items; a flag that is no flag ticks; too few fields give nothing")
            << document("<TP_GROUP_ELEM><TP_TP>UDP,Client,h,80</TP_TP><TP_FRAME>1,2</TP_FRAME></TP_GROUP_ELEM>"
                        "<WIFI_GROUP_ELEM><WIFI_MODE>STA</WIFI_MODE><WIFI_IP>Static IP,1,2,3</WIFI_IP>"
                        "<WIFI_DHCP>yes,a,b</WIFI_DHCP><WIFI_AP>s,k,BOGUS,AES,11n,14</WIFI_AP></WIFI_GROUP_ELEM>")
            << Values{{"comboBox_TP_TCP_UDP", "1"}, {"comboBox_TP_S_C", "1"}, {"lineEdit_TP_ADDR", "h"},
                      {"lineEdit_TP_PORT", "80"}, {"comboBox_wifi_mode", "1"}, {"comboBox_ip_mode", "1"},
                      {"lineEdit_set_ip", "1"}, {"lineEdit_set_gatway", "2"}, {"lineEdit_set_mask", "3"},
                      {"checkBox_en_dhcp", "1"}, {"lineEdit_dhcp_start_ip", "a"}, {"lineEdit_dhcp_end_ip", "b"},
                      {"lineEdit_AP_SSID", "s"}, {"lineEdit_AP_KEY", "k"}, {"comboBox_CRYPT", "3"},
                      {"comboBox_MODE", "3"}}
            << -1 << QList<int>{2, 1}
            << QStringList{"TP_FRAME 应有 3 个字段", "WIFI_DHCP 的第 1 个字段“yes”应为 0 或 1",
                           "WIFI_AP 的第 3 个字段“BOGUS”不是可选的值", "WIFI_AP 的第 6 个字段“14”不是可选的值",
                           "文件缺少 UART, WIFI_STA"};
    }
    void parse()
    {
        QFETCH(QByteArray, file);
        QFETCH(Values, values);
        QFETCH(int, workMode);
        const ProfileFile profile = ProfileFile::parse(file);
        QVERIFY(profile.isProfile());
        QCOMPARE(profile.config().writtenValues(), configOf(values).writtenValues());
        QVERIFY(profile.config() == configOf(values));
        QCOMPARE(profile.workMode(), workMode < 0 ? std::nullopt : std::optional<int>(workMode));
        QTEST(profile.groups(), "groups");
        QTEST(profile.refusals(), "refusals");
    }

    // Why --apply and the station refuse a profile: every problem at once, as the import and the write say it.
    void refusal_data()
    {
        QTest::addColumn<QByteArray>("file");   // null: none there
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("refusal");   // %1: the path
        const Values writable{{"lineEdit_AP_SSID", "Lab <&>"}, {"lineEdit_STA_SSID", "办公室"}};
        const QByteArray whole = ProfileFile::document(configOf(writable, configOf(full, ModuleConfig::defaults())), 1,
                                                       false);
        const QByteArray gbk =
            QByteArray(whole).replace("<WIFI_STA>办公室,pw</WIFI_STA>", "<WIFI_STA>办公室,p😀</WIFI_STA>");
        const QByteArray repeated = QByteArray(whole).replace("<WIFI_STA>办公室", "<WIFI_STA>a,b</WIFI_STA><WIFI_STA>c,d")
                                        .replace("<TP_FRAME>50,256,40</TP_FRAME>", "")
                                        .replace("10.0.0.9,8080", "10.0.0.9,0");
        QTest::newRow("a whole profile") << whole << false << "UTF-8" << QString();
        QTest::newRow("no file") << QByteArray() << false << "UTF-8" << "不能打开文件%1（No such file or directory）";
        QTest::newRow("not ours") << QByteArray("<?xml version=\"1.0\"?><OTHER/>") << false << "UTF-8"
                                  << "不是Quorvel格式的XML配置文件,导入失败";
        QTest::newRow("no XML to its end: where the reader stopped")
            << document("<BASE_GROUP_ELEM><UART>9600,8,None,1,None</UART>").chopped(1) << false << "UTF-8"
            << "导入遇到错误：Opening and ending tag mismatch.（第 2 行第 79 列）";
        QTest::newRow("larger than any profile") << QByteArray(ProfileFile::maxFileBytes + 1, ' ') << false << "UTF-8"
                                                 << "导入遇到错误：文件大于 4 MiB，不是配置文件";
        QTest::newRow("the file's problems, then the values', in English names")
            << repeated << true << "UTF-8"
            << QStringLiteral("配置文件有误，没有写入模块：WIFI_STA 出现了 2 次；文件缺少 TP_FRAME；"
                              "STA Mode/AP SSID含有逗号（模块会把它当作分隔符）；TP setting/Port不是 1 到 65535 的端口");
        QTest::newRow("a text the encoding cannot carry") << gbk << false << "GBK"
                                                          << "配置文件有误，没有写入模块：STA设置/密码含有GBK不能表示的字符";
    }
    void refusal()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, english);
        QFETCH(QString, encoding);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("profile.xml"));
        if (!file.isNull())
            testsupport::writeFile(path, file);
        QCOMPARE(ProfileFile::refusal(path, english, wiretext::fromName(encoding)),
                 refusal.contains(QLatin1String("%1")) ? refusal.arg(path) : refusal);
    }
};

QTEST_GUILESS_MAIN(tst_ProfileFile)
#include "tst_profilefile.moc"
