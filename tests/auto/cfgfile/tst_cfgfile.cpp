// The XML configuration file: the exported document byte for byte, round
// trips in both languages, the import's rules (comma fields, empty fields,
// root check, the DHCP flag), hostile files with their time and memory
// bounds, the dialogs, and what reaches the simulated module: the work mode
// once, and no smuggled command through a line edit.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>


#include <csignal>
#include <ctime>
#include <sys/resource.h>

#include "cfgfile/cfgleaf.h"
#include "tests/common/testsupport.h"
#include "tools/modsim/modsim.h"

using Access = QuorvelTestAccess;

namespace {

// Every configuration field the file carries, by object name.
const QStringList fileFields = {
    "comboBox_deviceBps", "comboBox_deviceDataBit", "comboBox_deviceParBit", "comboBox_deviceStopBit",
    "comboBox_deviceFlow", "comboBox_defaultWorkMode", "comboBox_wifi_mode", "lineEdit_AP_SSID",
    "lineEdit_AP_KEY", "comboBox_AUTH", "comboBox_CRYPT", "comboBox_MODE", "comboBox_CH",
    "lineEdit_STA_SSID", "lineEdit_STA_KEY", "comboBox_ip_mode", "lineEdit_set_ip", "lineEdit_set_gatway",
    "lineEdit_set_mask", "checkBox_en_dhcp", "lineEdit_dhcp_start_ip", "lineEdit_dhcp_end_ip",
    "comboBox_TP_TCP_UDP", "comboBox_TP_S_C", "lineEdit_TP_ADDR", "lineEdit_TP_PORT",
    "lineEdit_fframe_time", "lineEdit_aframe_len", "lineEdit_aframe_time"};

// Field values as the user sees them: combo text, line-edit text, "1"/"0".
QVariantMap formState(Quorvel &w)
{
    QVariantMap state;
    for (const QString &name : fileFields) {
        QObject *o = w.findChild<QObject *>(name);
        if (auto *edit = qobject_cast<QLineEdit *>(o))
            state.insert(name, edit->text());
        else if (auto *box = qobject_cast<QComboBox *>(o))
            state.insert(name, box->currentText());
        else if (auto *check = qobject_cast<QCheckBox *>(o))
            state.insert(name, check->isChecked() ? "1" : "0");
    }
    return state;
}

// Sets fields by object name: combos by index, line edits by text, the check box by bool.
void applyForm(Quorvel &w, const QVariantMap &form)
{
    for (auto it = form.cbegin(); it != form.cend(); ++it) {
        QObject *o = w.findChild<QObject *>(it.key());
        if (auto *edit = qobject_cast<QLineEdit *>(o))
            edit->setText(it.value().toString());
        else if (auto *box = qobject_cast<QComboBox *>(o))
            box->setCurrentIndex(it.value().toInt());
        else if (auto *check = qobject_cast<QCheckBox *>(o))
            check->setChecked(it.value().toBool());
        else
            qFatal("no widget %s", qPrintable(it.key()));
    }
}

// Far from the defaults everywhere except comboBox_wifi_mode, which the reset keeps.
const QVariantMap junkForm = {
    {"comboBox_deviceBps", 0}, {"comboBox_deviceDataBit", 0}, {"comboBox_deviceParBit", 1},
    {"comboBox_deviceStopBit", 1}, {"comboBox_deviceFlow", 1}, {"lineEdit_AP_SSID", "junk"},
    {"lineEdit_AP_KEY", "junk"}, {"comboBox_AUTH", 0}, {"comboBox_CRYPT", 0}, {"comboBox_MODE", 0},
    {"comboBox_CH", 10}, {"lineEdit_STA_SSID", "junk"}, {"lineEdit_STA_KEY", "junk"}, {"comboBox_ip_mode", 1},
    {"lineEdit_set_ip", "9.9.9.9"}, {"lineEdit_set_gatway", "9.9.9.9"}, {"lineEdit_set_mask", "9.9.9.9"},
    {"checkBox_en_dhcp", true}, {"lineEdit_dhcp_start_ip", "9.9.9.9"}, {"lineEdit_dhcp_end_ip", "9.9.9.9"},
    {"comboBox_TP_TCP_UDP", 1}, {"comboBox_TP_S_C", 1}, {"lineEdit_TP_ADDR", "9.9.9.9"},
    {"lineEdit_TP_PORT", "99"}, {"lineEdit_fframe_time", "99"}, {"lineEdit_aframe_len", "99"},
    {"lineEdit_aframe_time", "99"}};

QByteArray document(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TESSELANE_CFG>" + body + "</TESSELANE_CFG>\n";
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QString statusText(Quorvel &w)
{
    return w.statusBar()->currentMessage();
}

void switchToEnglish(Quorvel &w)
{
    w.installTranslator();
    Access::langButton(w)->click();
}

qint64 procStatusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Lets the peak resident size start again from the current one.
bool resetPeakMemory()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

} // namespace

class tst_CfgFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void splitFields_data();
    void splitFields();
    void splitFieldsLikeThePattern();
    void lineEditText();
    void exportDefaultForm_data();
    void exportDefaultForm();
    void roundTrip_data();
    void roundTrip();
    void importCases_data();
    void importCases();
    void hostileFiles_data();
    void hostileFiles();
    void cannotOpen();
    void failedExportKeepsTheOldFile();
    void throughTheDialogs();
    void delayServesEventsWithoutSpinning();
    void workModeReachesModule_data();
    void workModeReachesModule();
    void noCommandSmuggledThroughALineEdit();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString writeFile(const QString &name, const QByteArray &bytes);

    QTemporaryDir m_dir;
};

void tst_CfgFile::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

QString tst_CfgFile::writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(path(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(f.fileName()));
    return f.fileName();
}

void tst_CfgFile::splitFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("fields");   // empty: no match

    QTest::newRow("plain") << "115200,8,None,1,None" << 5 << QStringList{"115200", "8", "None", "1", "None"};
    QTest::newRow("surplus commas stay in the first field")
        << "a,b,c,key,NONE,WEP,11b,5" << 6 << QStringList{"a,b,c", "key", "NONE", "WEP", "11b", "5"};
    QTest::newRow("a key's commas move into the ssid") << "net,pa,ss" << 2 << QStringList{"net,pa", "ss"};
    QTest::newRow("double comma inside the first field") << "a,,b" << 2 << QStringList{"a,", "b"};
    QTest::newRow("empty middle field") << "动态IP,,," << 4 << QStringList{};
    QTest::newRow("empty last field") << "a,b," << 3 << QStringList{};
    QTest::newRow("empty first field") << ",b,c" << 3 << QStringList{};
    QTest::newRow("too few commas") << "a,b" << 3 << QStringList{};
    QTest::newRow("one field takes everything") << "x,y" << 1 << QStringList{"x,y"};
    QTest::newRow("empty text") << "" << 1 << QStringList{};
}

void tst_CfgFile::splitFields()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(QStringList, fields);
    QStringList got{"untouched"};
    QCOMPARE(cfgleaf::splitFields(text, count, &got), !fields.isEmpty());
    QCOMPARE(got, fields.isEmpty() ? QStringList{"untouched"} : fields);
}

// Against the regular expression itself, over every short text of commas and
// letters: the same fields, or no match for both.
void tst_CfgFile::splitFieldsLikeThePattern()
{
    for (int count = 1; count <= 6; ++count) {
        QString pattern = QStringLiteral("(.+)");
        for (int i = 1; i < count; ++i)
            pattern += QStringLiteral(",(.+)");
        const QRegularExpression re(QRegularExpression::anchoredPattern(pattern),
                                    QRegularExpression::DotMatchesEverythingOption);
        for (int length = 0; length <= 9; ++length) {
            for (int bits = 0; bits < (1 << length); ++bits) {
                QString text;
                for (int i = 0; i < length; ++i)
                    text += (bits >> i & 1) ? QChar(u',') : QChar(u'a' + i);
                const QRegularExpressionMatch m = re.match(text);
                QStringList got;
                const bool ok = cfgleaf::splitFields(text, count, &got);
                QVERIFY2(ok == m.hasMatch(), qPrintable(text));
                if (ok)
                    QCOMPARE(got, m.capturedTexts().mid(1));
            }
        }
    }
}

void tst_CfgFile::lineEditText()
{
    QCOMPARE(cfgleaf::lineEditText(QStringLiteral("x\r\nAT+DFRST")), QStringLiteral("xAT+DFRST"));
    QCOMPARE(cfgleaf::lineEditText(QString::fromUtf16(u"a\0b\rc\n中", 7)), QStringLiteral("abc中"));
}

void tst_CfgFile::exportDefaultForm_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("wifiMode");
    QTest::addColumn<QString>("ipMode");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("message");
    QTest::newRow("chinese") << false << "AP模式" << "动态IP" << "服务器" << "导出完成";
    QTest::newRow("english") << true << "AP" << "Dynamic IP" << "Server" << "Export Done";
}

void tst_CfgFile::exportDefaultForm()
{
    QFETCH(bool, english);
    QFETCH(QString, wifiMode);
    QFETCH(QString, ipMode);
    QFETCH(QString, server);
    QFETCH(QString, message);

    Quorvel w;
    if (english)
        switchToEnglish(w);
    Access::ui(w).tabWidget->setCurrentIndex(1);
    const QString file = path(QStringLiteral("default.xml"));
    QVERIFY(Access::exportCfgFile(w, file));

    const QString expected = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<TESSELANE_CFG>\n"
        "    <BASE_GROUP_ELEM>\n"
        "        <UART>115200,8,None,1,None</UART>\n"
        "        <DFWM>AT_MODE</DFWM>\n"
        "    </BASE_GROUP_ELEM>\n"
        "    <WIFI_GROUP_ELEM>\n"
        "        <WIFI_MODE>%1</WIFI_MODE>\n"
        "        <WIFI_AP>,,WAP2_PSK,AES,11n,2</WIFI_AP>\n"
        "        <WIFI_STA>,</WIFI_STA>\n"
        "        <WIFI_IP>%2,,,</WIFI_IP>\n"
        "        <WIFI_DHCP>0,,</WIFI_DHCP>\n"
        "    </WIFI_GROUP_ELEM>\n"
        "    <TP_GROUP_ELEM>\n"
        "        <TP_TP>TCP,%3,,</TP_TP>\n"
        "        <TP_FRAME>,,</TP_FRAME>\n"
        "    </TP_GROUP_ELEM>\n"
        "</TESSELANE_CFG>\n").arg(wifiMode, ipMode, server);
    QCOMPARE(QString::fromUtf8(readAll(file)), expected);
    QCOMPARE(statusText(w), message);
    QCOMPARE(Access::ui(w).tabWidget->currentIndex(), 1);
}

void tst_CfgFile::roundTrip_data()
{
    QTest::addColumn<bool>("english");
    QTest::newRow("chinese") << false;
    QTest::newRow("english") << true;
}

void tst_CfgFile::roundTrip()
{
    QFETCH(bool, english);
    // Every field off its default; markup, ampersands and Chinese in the
    // line edits, commas where the format keeps them (the first field of a leaf).
    const QVariantMap form = {
        {"comboBox_deviceBps", 7}, {"comboBox_deviceDataBit", 1}, {"comboBox_deviceParBit", 2},
        {"comboBox_deviceStopBit", 1}, {"comboBox_deviceFlow", 1}, {"comboBox_defaultWorkMode", 1},
        {"comboBox_wifi_mode", 1}, {"lineEdit_AP_SSID", "Lab,AP <&> 实验室"}, {"lineEdit_AP_KEY", "k&<y>\"'键"},
        {"comboBox_AUTH", 7}, {"comboBox_CRYPT", 5}, {"comboBox_MODE", 4}, {"comboBox_CH", 12},
        {"lineEdit_STA_SSID", "办公室,2.4G"}, {"lineEdit_STA_KEY", "p&amp;ss"}, {"comboBox_ip_mode", 1},
        {"lineEdit_set_ip", "10.1.2.3"}, {"lineEdit_set_gatway", "10.1.2.254"},
        {"lineEdit_set_mask", "255.255.255.0"}, {"checkBox_en_dhcp", true},
        {"lineEdit_dhcp_start_ip", "10.1.2.100"}, {"lineEdit_dhcp_end_ip", "10.1.2.199"},
        {"comboBox_TP_TCP_UDP", 1}, {"comboBox_TP_S_C", 1}, {"lineEdit_TP_ADDR", "10.9.8.7"},
        {"lineEdit_TP_PORT", "5000"}, {"lineEdit_fframe_time", "120"}, {"lineEdit_aframe_len", "256"},
        {"lineEdit_aframe_time", "40"}};
    const QString file = path(QStringLiteral("roundtrip.xml"));
    QVariantMap exported;
    {
        Quorvel w;
        if (english)
            switchToEnglish(w);
        applyForm(w, form);
        exported = formState(w);
        QVERIFY(Access::exportCfgFile(w, file));
    }
    Quorvel next;   // the next module's technician
    if (english)
        switchToEnglish(next);
    Access::importCfgFile(next, file);
    QCOMPARE(statusText(next), english ? QStringLiteral("Import Done") : QStringLiteral("导入完成"));
    QCOMPARE(formState(next), exported);
}

void tst_CfgFile::importCases_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QVariantMap>("changed");   // against the reset form
    const QString done = QStringLiteral("导入完成");
    const QString failed = QStringLiteral("导入遇到错误");
    const QByteArray uart = "<BASE_GROUP_ELEM><UART>9600,7,Even,2,Hardware</UART></BASE_GROUP_ELEM>";
    const QVariantMap uartApplied = {{"comboBox_deviceBps", "9600"}, {"comboBox_deviceDataBit", "7"},
                                     {"comboBox_deviceParBit", "Even"}, {"comboBox_deviceStopBit", "2"},
                                     {"comboBox_deviceFlow", "Hardware"}};
    const QByteArray tp = "<TP_GROUP_ELEM><TP_TP>UDP,客户端,1.2.3.4,80</TP_TP></TP_GROUP_ELEM>";
    const QVariantMap tpApplied = {{"comboBox_TP_TCP_UDP", "UDP"}, {"comboBox_TP_S_C", "客户端"},
                                   {"lineEdit_TP_ADDR", "1.2.3.4"}, {"lineEdit_TP_PORT", "80"}};

    QTest::newRow("every leaf") << false
        << document("<BASE_GROUP_ELEM><UART>38400,5,Odd,2,Hardware</UART><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>"
                    "<WIFI_GROUP_ELEM><WIFI_MODE>STA模式</WIFI_MODE><WIFI_AP>ap,key,WPA,TKIP,11g,13</WIFI_AP>"
                    "<WIFI_STA>sta,pw</WIFI_STA><WIFI_IP>静态IP,1.1.1.2,1.1.1.1,255.0.0.0</WIFI_IP>"
                    "<WIFI_DHCP>1,1.1.1.10,1.1.1.20</WIFI_DHCP></WIFI_GROUP_ELEM>"
                    "<TP_GROUP_ELEM><TP_TP>UDP,客户端,2.2.2.2,7</TP_TP><TP_FRAME>5,6,7</TP_FRAME></TP_GROUP_ELEM>")
        << done
        << QVariantMap{{"comboBox_deviceBps", "38400"}, {"comboBox_deviceDataBit", "5"},
                       {"comboBox_deviceParBit", "Odd"}, {"comboBox_deviceStopBit", "2"},
                       {"comboBox_deviceFlow", "Hardware"}, {"comboBox_defaultWorkMode", "TP_MODE"},
                       {"comboBox_wifi_mode", "STA模式"}, {"lineEdit_AP_SSID", "ap"}, {"lineEdit_AP_KEY", "key"},
                       {"comboBox_AUTH", "WPA"}, {"comboBox_CRYPT", "TKIP"}, {"comboBox_MODE", "11g"},
                       {"comboBox_CH", "13"}, {"lineEdit_STA_SSID", "sta"}, {"lineEdit_STA_KEY", "pw"},
                       {"comboBox_ip_mode", "静态IP"}, {"lineEdit_set_ip", "1.1.1.2"},
                       {"lineEdit_set_gatway", "1.1.1.1"}, {"lineEdit_set_mask", "255.0.0.0"},
                       {"checkBox_en_dhcp", "1"}, {"lineEdit_dhcp_start_ip", "1.1.1.10"},
                       {"lineEdit_dhcp_end_ip", "1.1.1.20"}, {"comboBox_TP_TCP_UDP", "UDP"},
                       {"comboBox_TP_S_C", "客户端"}, {"lineEdit_TP_ADDR", "2.2.2.2"}, {"lineEdit_TP_PORT", "7"},
                       {"lineEdit_fframe_time", "5"}, {"lineEdit_aframe_len", "6"}, {"lineEdit_aframe_time", "7"}};
    QTest::newRow("root only") << false << QByteArray("<TESSELANE_CFG/>") << done << QVariantMap{};
    QTest::newRow("wrong root, after the reset") << false << QByteArray("<OTHER_CFG>" + uart + "</OTHER_CFG>")
                                                 << QStringLiteral("不是Quorvel格式的XML配置文件,导入失败")
                                                 << QVariantMap{};
    QTest::newRow("wrong root in english") << true << QByteArray("<?xml version=\"1.0\"?><cfg/>")
                                           << QStringLiteral("Not Quorvel format, Import error") << QVariantMap{};
    QTest::newRow("empty fields leave the defaults") << false
        << document("<WIFI_GROUP_ELEM><WIFI_AP>,,NONE,WEP,11b,5</WIFI_AP><WIFI_STA>,</WIFI_STA>"
                    "<WIFI_IP>静态IP,,,</WIFI_IP></WIFI_GROUP_ELEM><TP_GROUP_ELEM><TP_FRAME>1,,3</TP_FRAME>"
                    "</TP_GROUP_ELEM>")
        << done << QVariantMap{};
    QTest::newRow("an ssid with commas survives") << false
        << document("<WIFI_GROUP_ELEM><WIFI_AP>a,b,c,key,NONE,WEP,11b,5</WIFI_AP>"
                    "<WIFI_STA>x,y,z,pw</WIFI_STA></WIFI_GROUP_ELEM>")
        << done
        << QVariantMap{{"lineEdit_AP_SSID", "a,b,c"}, {"lineEdit_AP_KEY", "key"}, {"comboBox_AUTH", "NONE"},
                       {"comboBox_CRYPT", "WEP"}, {"comboBox_MODE", "11b"}, {"comboBox_CH", "5"},
                       {"lineEdit_STA_SSID", "x,y,z"}, {"lineEdit_STA_KEY", "pw"}};
    QTest::newRow("a key's commas move into the ssid") << false
        << document("<WIFI_GROUP_ELEM><WIFI_AP>ssid,k,e,y,WPA,TKIP,11g,3</WIFI_AP>"
                    "<WIFI_STA>net,pa,ss</WIFI_STA></WIFI_GROUP_ELEM>")
        << done
        << QVariantMap{{"lineEdit_AP_SSID", "ssid,k,e"}, {"lineEdit_AP_KEY", "y"}, {"comboBox_AUTH", "WPA"},
                       {"comboBox_CRYPT", "TKIP"}, {"comboBox_MODE", "11g"}, {"comboBox_CH", "3"},
                       {"lineEdit_STA_SSID", "net,pa"}, {"lineEdit_STA_KEY", "ss"}};
    QTest::newRow("dhcp 00 checks the box") << false
        << document("<WIFI_GROUP_ELEM><WIFI_DHCP>00,1.1.1.1,1.1.1.9</WIFI_DHCP></WIFI_GROUP_ELEM>")
        << done
        << QVariantMap{{"checkBox_en_dhcp", "1"}, {"lineEdit_dhcp_start_ip", "1.1.1.1"},
                       {"lineEdit_dhcp_end_ip", "1.1.1.9"}};
    QTest::newRow("a repeated leaf is applied again") << false
        << document("<WIFI_GROUP_ELEM><WIFI_DHCP>1,a,b</WIFI_DHCP></WIFI_GROUP_ELEM>"
                    "<WIFI_GROUP_ELEM><WIFI_DHCP>0,c,d</WIFI_DHCP></WIFI_GROUP_ELEM>")
        << done << QVariantMap{{"lineEdit_dhcp_start_ip", "c"}, {"lineEdit_dhcp_end_ip", "d"}};
    QTest::newRow("a text that is no item keeps the default") << false
        << document("<BASE_GROUP_ELEM><UART>115201,6,none,2,Hardware</UART><DFWM>tp_mode</DFWM></BASE_GROUP_ELEM>")
        << done
        << QVariantMap{{"comboBox_deviceDataBit", "6"}, {"comboBox_deviceStopBit", "2"},
                       {"comboBox_deviceFlow", "Hardware"}};
    QVariantMap uartAndTp = uartApplied;
    uartAndTp.insert(tpApplied);
    QTest::newRow("another element ends its group") << false
        << document("<BASE_GROUP_ELEM><UART>9600,7,Even,2,Hardware</UART><NOTE>x</NOTE><DFWM>TP_MODE</DFWM>"
                    "</BASE_GROUP_ELEM>" + tp)
        << done << uartAndTp;
    QTest::newRow("a group at any depth") << false << document("<A><B>" + tp + "</B></A>") << done << tpApplied;
    QTest::newRow("leaves outside their group are skipped") << false
        << document("<UART>9600,7,Even,2,Hardware</UART><TP_TP>UDP,客户端,1.2.3.4,80</TP_TP>"
                    "<OTHER_GROUP_ELEM><UART>9600,7,Even,2,Hardware</UART></OTHER_GROUP_ELEM>"
                    "<WIFI_GROUP_ELEM><UART>9600,7,Even,2,Hardware</UART></WIFI_GROUP_ELEM>")
        << done << QVariantMap{};
    QTest::newRow("a leaf with a child element stops the import") << false
        << document(uart + "<WIFI_GROUP_ELEM><WIFI_AP>a<b/>,k,WPA,TKIP,11g,3</WIFI_AP></WIFI_GROUP_ELEM>" + tp)
        << failed << uartApplied;
    QTest::newRow("truncated inside a leaf") << false
        << QByteArray("<?xml version=\"1.0\"?><TESSELANE_CFG>" + uart + tp.left(30)) << failed << uartApplied;
    QTest::newRow("mismatched tags") << false << document(uart + "<TP_GROUP_ELEM></WIFI_GROUP_ELEM>" + tp)
                                     << failed << uartApplied;
    QTest::newRow("line breaks never reach a line edit") << false
        << document("<WIFI_GROUP_ELEM><WIFI_AP>x&#13;&#10;AT+DFRST,k&#10;y,WPA,TKIP,11g,3</WIFI_AP>"
                    "<WIFI_STA>s\r\nid,p&#13;w</WIFI_STA></WIFI_GROUP_ELEM>")
        << done
        << QVariantMap{{"lineEdit_AP_SSID", "xAT+DFRST"}, {"lineEdit_AP_KEY", "ky"}, {"comboBox_AUTH", "WPA"},
                       {"comboBox_CRYPT", "TKIP"}, {"comboBox_MODE", "11g"}, {"comboBox_CH", "3"},
                       {"lineEdit_STA_SSID", "sid"}, {"lineEdit_STA_KEY", "pw"}};
    QTest::newRow("escaped markup and chinese") << false
        << document("<WIFI_GROUP_ELEM><WIFI_STA>a&amp;b&lt;c&gt;,中文&quot;</WIFI_STA></WIFI_GROUP_ELEM>")
        << done << QVariantMap{{"lineEdit_STA_SSID", "a&b<c>"}, {"lineEdit_STA_KEY", "中文\""}};
    // A file written in the other language keeps its three language-dependent choices.
    QTest::newRow("english texts in the chinese interface") << false
        << document("<WIFI_GROUP_ELEM><WIFI_MODE>STA</WIFI_MODE><WIFI_IP>Static IP,1.1.1.2,1.1.1.1,255.0.0.0"
                    "</WIFI_IP></WIFI_GROUP_ELEM><TP_GROUP_ELEM><TP_TP>UDP,Client,1.2.3.4,80</TP_TP>"
                    "</TP_GROUP_ELEM>")
        << done
        << QVariantMap{{"comboBox_wifi_mode", "STA模式"}, {"comboBox_ip_mode", "静态IP"},
                       {"lineEdit_set_ip", "1.1.1.2"}, {"lineEdit_set_gatway", "1.1.1.1"},
                       {"lineEdit_set_mask", "255.0.0.0"}, {"comboBox_TP_TCP_UDP", "UDP"},
                       {"comboBox_TP_S_C", "客户端"}, {"lineEdit_TP_ADDR", "1.2.3.4"}, {"lineEdit_TP_PORT", "80"}};
    QTest::newRow("chinese texts in the english interface") << true
        << document("<WIFI_GROUP_ELEM><WIFI_MODE>STA模式</WIFI_MODE><WIFI_IP>静态IP,1.1.1.2,1.1.1.1,255.0.0.0"
                    "</WIFI_IP></WIFI_GROUP_ELEM>" + tp)
        << QStringLiteral("Import Done")
        << QVariantMap{{"comboBox_wifi_mode", "STA"}, {"comboBox_ip_mode", "Static IP"},
                       {"lineEdit_set_ip", "1.1.1.2"}, {"lineEdit_set_gatway", "1.1.1.1"},
                       {"lineEdit_set_mask", "255.0.0.0"}, {"comboBox_TP_TCP_UDP", "UDP"},
                       {"comboBox_TP_S_C", "Client"}, {"lineEdit_TP_ADDR", "1.2.3.4"}, {"lineEdit_TP_PORT", "80"}};
}

void tst_CfgFile::importCases()
{
    QFETCH(bool, english);
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    QFETCH(QVariantMap, changed);

    Quorvel w;
    if (english)
        switchToEnglish(w);
    QVariantMap expected = formState(w);   // the reset form
    for (auto it = changed.cbegin(); it != changed.cend(); ++it)
        expected.insert(it.key(), it.value());
    applyForm(w, junkForm);
    Access::ui(w).tabWidget->setCurrentIndex(2);

    Access::importCfgFile(w, writeFile(QStringLiteral("case.xml"), file));
    QCOMPARE(statusText(w), message);
    QCOMPARE(formState(w), expected);
    QCOMPARE(Access::ui(w).tabWidget->currentIndex(), 2);
}

void tst_CfgFile::hostileFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    const QString done = QStringLiteral("导入完成");
    const QString failed = QStringLiteral("导入遇到错误");
    QTest::newRow("empty file") << "empty" << failed;
    QTest::newRow("binary junk") << "junk" << failed;
    QTest::newRow("billion laughs") << "laughs" << failed;
    QTest::newRow("external entity") << "external" << done;
    QTest::newRow("deeply nested elements") << "nested" << done;
    QTest::newRow("deeply nested groups") << "nestedGroups" << done;
    QTest::newRow("ten thousand group elements") << "manyGroups" << done;
    QTest::newRow("100 MB in one leaf") << "hugeLeaf" << failed;
    QTest::newRow("100 MB of zero bytes") << "hugeZeros" << failed;
}

// Each ends with the import's own message, well within the three group
// pauses plus a second, and without holding the file in memory.
void tst_CfgFile::hostileFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);

    const QString file = path(QStringLiteral("hostile.xml"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const int depth = 100000;
    if (kind == QLatin1String("junk")) {
        QRandomGenerator random(42);
        QByteArray bytes(64 * 1024, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        out.write(bytes);
    } else if (kind == QLatin1String("laughs")) {
        QByteArray dtd = "<?xml version=\"1.0\"?>\n<!DOCTYPE TESSELANE_CFG [\n<!ENTITY l0 \"lol\">\n";
        for (int i = 1; i <= 9; ++i)
            dtd += "<!ENTITY l" + QByteArray::number(i) + " \""
                   + QByteArray("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">\n";
        out.write(dtd + "]>\n" + "<TESSELANE_CFG><WIFI_GROUP_ELEM><WIFI_STA>&l9;,x</WIFI_STA>"
                  "</WIFI_GROUP_ELEM></TESSELANE_CFG>");
    } else if (kind == QLatin1String("external")) {
        const QString secret = writeFile(QStringLiteral("secret.txt"), "SECRET");
        out.write("<?xml version=\"1.0\"?>\n<!DOCTYPE TESSELANE_CFG [<!ENTITY s SYSTEM \"file://"
                  + secret.toUtf8() + "\">]>\n<TESSELANE_CFG><WIFI_GROUP_ELEM><WIFI_STA>&s;,x</WIFI_STA>"
                  "</WIFI_GROUP_ELEM></TESSELANE_CFG>");
    } else if (kind == QLatin1String("nested")) {
        out.write(document(QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth)));
    } else if (kind == QLatin1String("nestedGroups")) {
        out.write(document(QByteArray("<BASE_GROUP_ELEM>").repeated(depth)
                           + QByteArray("</BASE_GROUP_ELEM>").repeated(depth)));
    } else if (kind == QLatin1String("manyGroups")) {
        QByteArray body;
        for (int i = 0; i < 10000; ++i)
            body += "<BASE_GROUP_ELEM><UART>" + QByteArray(i % 2 ? "4800" : "9600")
                    + ",8,None,1,None</UART></BASE_GROUP_ELEM><TP_GROUP_ELEM/><WIFI_GROUP_ELEM/>";
        out.write(document(body));
    } else if (kind.startsWith(QLatin1String("huge"))) {
        const bool leaf = kind == QLatin1String("hugeLeaf");
        if (leaf)
            out.write("<?xml version=\"1.0\"?><TESSELANE_CFG><WIFI_GROUP_ELEM><WIFI_STA>");
        const QByteArray chunk(1024 * 1024, leaf ? 'x' : '\0');
        for (int i = 0; i < 100; ++i)
            QCOMPARE(out.write(chunk), chunk.size());
        if (leaf)
            out.write(",pw</WIFI_STA></WIFI_GROUP_ELEM></TESSELANE_CFG>");
    }
    out.close();

    Quorvel w;
    w.show();   // switching tabs costs layout and painting only on screen
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(resetPeakMemory());
    const qint64 residentBefore = procStatusKb("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    Access::importCfgFile(w, file);
    const qint64 elapsed = clock.elapsed();
    const qint64 peakGrowthKb = procStatusKb("VmHWM:") - residentBefore;

    QCOMPARE(statusText(w), message);
    QVERIFY2(elapsed < 1600, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
    QVERIFY2(peakGrowthKb < 48 * 1024, qPrintable(QStringLiteral("%1 KiB").arg(peakGrowthKb)));
    const QVariantMap state = formState(w);
    for (auto it = state.cbegin(); it != state.cend(); ++it)
        QVERIFY2(!it.value().toString().contains(QLatin1String("SECRET")), qPrintable(it.key()));
    if (kind == QLatin1String("manyGroups"))
        QCOMPARE(Access::ui(w).comboBox_deviceBps->currentText(), QStringLiteral("4800"));
}

void tst_CfgFile::cannotOpen()
{
    Quorvel w;
    applyForm(w, junkForm);
    Access::ui(w).tabWidget->setCurrentIndex(1);
    w.statusBar()->clearMessage();
    const QVariantMap before = formState(w);

    const QString nowhere = path(QStringLiteral("no/such/dir/cfg.xml"));
    QString box;
    testsupport::dismissNextMessageBox(&box);
    QVERIFY(!Access::exportCfgFile(w, nowhere));
    QCOMPARE(box, QStringLiteral("不能打开文件") + nowhere);

    box.clear();
    testsupport::dismissNextMessageBox(&box);
    Access::importCfgFile(w, nowhere);
    QCOMPARE(box, QStringLiteral("不能打开文件") + nowhere);
    QCOMPARE(formState(w), before);
    QCOMPARE(Access::ui(w).tabWidget->currentIndex(), 1);
    QCOMPARE(statusText(w), QString());
}

// A file that cannot be written to the end (the disk fills up) is not
// reported as exported, and the file that was there stays whole.
void tst_CfgFile::failedExportKeepsTheOldFile()
{
    const QByteArray old = document("<WIFI_GROUP_ELEM><WIFI_STA>the old file,pw</WIFI_STA></WIFI_GROUP_ELEM>");
    const QString file = writeFile(QStringLiteral("old.xml"), old);
    Quorvel w;

    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QString box;
    testsupport::dismissNextMessageBox(&box);
    const bool exported = Access::exportCfgFile(w, file);
    ::setrlimit(RLIMIT_FSIZE, &saved);

    QVERIFY(!exported);
    QCOMPARE(box, QStringLiteral("不能写入文件") + file);
    QVERIFY(statusText(w) != QStringLiteral("导出完成"));
    QCOMPARE(readAll(file), old);
    QCOMPARE(QDir(m_dir.path()).entryList({"old.xml*"}, QDir::Files | QDir::Hidden), QStringList{"old.xml"});
}

void tst_CfgFile::throughTheDialogs()
{
    Quorvel w;
    const QString file = path(QStringLiteral("dialog.xml"));
    QFile::remove(file);
    // Answers the next file dialog with `answer`, or cancels it when empty;
    // the dialog's caption is recorded.
    QString caption;
    const auto answerNextDialog = [&caption](const QString &answer) {
        auto *poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, poll, [poll, answer, &caption] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            caption = dialog->windowTitle();
            if (answer.isEmpty()) {
                dialog->reject();
            } else {
                // Typed, as a user would: selectFile() leaves the name box
                // alone once it has the focus.
                auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                QVERIFY(name);
                name->setText(answer);
                static_cast<QDialog *>(dialog)->accept();   // QFileDialog's own is protected
            }
            poll->stop();
            poll->deleteLater();
        });
        poll->start(10);
    };

    answerNextDialog(QString());
    Access::ui(w).pushButton_Export->click();
    QCOMPARE(caption, QStringLiteral("Export Cfg File To"));
    QVERIFY(!QFile::exists(file));

    Access::ui(w).lineEdit_STA_SSID->setText(QStringLiteral("through the dialog"));
    Access::ui(w).lineEdit_STA_KEY->setText(QStringLiteral("pw"));
    answerNextDialog(file);
    Access::ui(w).pushButton_Export->click();
    QVERIFY(readAll(file).contains("<WIFI_STA>through the dialog,pw</WIFI_STA>"));

    Access::ui(w).lineEdit_STA_SSID->clear();
    answerNextDialog(QString());
    Access::ui(w).pushButton_Import->click();
    QCOMPARE(caption, QStringLiteral("Import Cfg File From"));
    QCOMPARE(Access::ui(w).lineEdit_STA_SSID->text(), QString());

    answerNextDialog(file);
    Access::ui(w).pushButton_Import->click();
    QCOMPARE(Access::ui(w).lineEdit_STA_SSID->text(), QStringLiteral("through the dialog"));
    QCOMPARE(statusText(w), QStringLiteral("导入完成"));
}

void tst_CfgFile::delayServesEventsWithoutSpinning()
{
    Quorvel w;
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &tick, [&ticks] { ++ticks; });
    tick.start(20);
    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpuBefore = std::clock();
    Access::delayMsec(w, 300);
    const double cpuMs = double(std::clock() - cpuBefore) * 1000.0 / CLOCKS_PER_SEC;
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 300 && elapsed < 500, qPrintable(QString::number(elapsed)));
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
    QVERIFY2(cpuMs < 150, qPrintable(QStringLiteral("%1 ms of CPU").arg(cpuMs)));
}

void tst_CfgFile::workModeReachesModule_data()
{
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<QByteArray>>("sent");
    const QByteArray wifi = "<WIFI_GROUP_ELEM><WIFI_STA>a,b</WIFI_STA></WIFI_GROUP_ELEM>";
    const QByteArray tpMode = document("<BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>" + wifi);
    const QByteArray flip = "<DFWM>TP_MODE</DFWM><DFWM>AT_MODE</DFWM>";
    const QByteArray flipGroups = "<BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>"
                                  "<BASE_GROUP_ELEM><DFWM>AT_MODE</DFWM></BASE_GROUP_ELEM>";
    const QByteArray tp1 = "AT+ATTP=1\r\n";
    QTest::newRow("TP_MODE, port open") << true << tpMode << QList<QByteArray>{tp1};
    QTest::newRow("TP_MODE, port closed") << false << tpMode << QList<QByteArray>{};
    QTest::newRow("AT_MODE, port open")
        << true << document("<BASE_GROUP_ELEM><DFWM>AT_MODE</DFWM></BASE_GROUP_ELEM>" + wifi) << QList<QByteArray>{};
    QTest::newRow("two thousand work-mode leaves in one group")
        << true << document("<BASE_GROUP_ELEM>" + flip.repeated(1000) + "<DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>" + wifi)
        << QList<QByteArray>{tp1};
    QTest::newRow("two thousand base groups ending where the first did")
        << true << document(flipGroups.repeated(1000) + "<BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>" + wifi)
        << QList<QByteArray>{tp1};
    QTest::newRow("two thousand base groups ending elsewhere")
        << true << document(flipGroups.repeated(1000) + wifi) << QList<QByteArray>{tp1, "AT+ATTP=0\r\n"};
}

// The module hears of the imported work mode while the import still runs, as
// it would of a user's choice, so the import's own message has the last word.
void tst_CfgFile::workModeReachesModule()
{
    QFETCH(bool, portOpen);
    QFETCH(QByteArray, file);
    QFETCH(QList<QByteArray>, sent);

    ModSim sim;
    QString why;
    QVERIFY2(sim.start(&why), qPrintable(why));
    Quorvel w;
    Access::ui(w).comboBox_defaultWorkMode->setCurrentIndex(1);   // the reset must not announce AT_MODE
    if (portOpen)
        QVERIFY(testsupport::openPort(w, sim.slavePath()));
    sim.clearTrace();

    Access::importCfgFile(w, writeFile(QStringLiteral("mode.xml"), file));
    QCOMPARE(statusText(w), QStringLiteral("导入完成"));
    if (!portOpen)
        QVERIFY(testsupport::openPort(w, sim.slavePath()));
    // A marker sent after the import: everything the import sent arrives
    // before it, and every answer to the import before the marker's.
    QSignalSpy answers(&w, &Quorvel::recvNewLine);
    w.sendCmd(QStringLiteral("AT+VER?"));
    QTRY_VERIFY(!answers.isEmpty() && answers.last().at(0).toString().startsWith(QLatin1String("OK=")));
    QCOMPARE(sim.receivedLines(), sent + QList<QByteArray>{"AT+VER?\r\n"});
    if (sent.size() == 1)
        QCOMPARE(statusText(w), QStringLiteral("导入完成"));
}

// A crafted SSID with CR LF and a factory reset behind it: after importing it
// and writing, the module has received the write's ten commands and nothing else.
void tst_CfgFile::noCommandSmuggledThroughALineEdit()
{
    ModSim sim;
    QString why;
    QVERIFY2(sim.start(&why), qPrintable(why));
    Quorvel w;
    QVERIFY(testsupport::openPort(w, sim.slavePath()));
    sim.clearTrace();

    Access::importCfgFile(w, writeFile(QStringLiteral("crafted.xml"), document(
        "<BASE_GROUP_ELEM><UART>115200,8,None,1,None</UART></BASE_GROUP_ELEM>"
        "<WIFI_GROUP_ELEM><WIFI_MODE>AP模式</WIFI_MODE>"
        "<WIFI_AP>x&#13;&#10;AT+DFRST,key&#13;&#10;AT+RST,WAP2_PSK,AES,11n,6</WIFI_AP>"
        "<WIFI_STA>net&#10;AT+DFRST,pw&#13;AT+RST</WIFI_STA>"
        "<WIFI_IP>静态IP,192.168.1.2,192.168.1.1,255.255.255.0</WIFI_IP>"
        "<WIFI_DHCP>1,192.168.1.100&#13;&#10;AT+DFRST,192.168.1.200</WIFI_DHCP></WIFI_GROUP_ELEM>"
        "<TP_GROUP_ELEM><TP_TP>TCP,服务器,192.168.1.5&#13;&#10;AT+DFRST,8080</TP_TP>"
        "<TP_FRAME>50,256&#10;AT+RST,40</TP_FRAME></TP_GROUP_ELEM>")));
    QCOMPARE(statusText(w), QStringLiteral("导入完成"));
    QVERIFY(sim.receivedLines().isEmpty());

    Access::ui(w).pushButton_writeConfiguartion->setEnabled(true);
    Access::ui(w).pushButton_writeConfiguartion->click();
    QTRY_COMPARE_WITH_TIMEOUT(statusText(w), QStringLiteral("写入配置完成"), 15000);
    const QList<QByteArray> lines = sim.receivedLines();
    QCOMPARE(lines.size(), 10);
    for (const QByteArray &line : lines) {
        QVERIFY2(!line.startsWith("AT+DFRST") && !line.startsWith("AT+RST"), line.constData());
        QVERIFY2(line.indexOf('\r') == line.size() - 2 && line.indexOf('\n') == line.size() - 1,
                 line.constData());
    }
    QCOMPARE(sim.fields(QStringLiteral("STAMOD")), (QStringList{"netAT+DFRST", "pwAT+RST"}));
}

QTEST_MAIN(tst_CfgFile)
#include "tst_cfgfile.moc"
