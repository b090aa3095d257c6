// The XML configuration file: the exported document byte for byte, round
// trips in both languages, the import's rules, hostile files with their time
// and memory bounds, the dialogs, and what reaches the simulated module: the
// work mode, at most twice per file, and no command smuggled through a field.
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
using Lines = QList<QByteArray>;

namespace {

const QStringList fileFields = {
    "comboBox_deviceBps", "comboBox_deviceDataBit", "comboBox_deviceParBit", "comboBox_deviceStopBit",
    "comboBox_deviceFlow", "comboBox_defaultWorkMode", "comboBox_wifi_mode", "lineEdit_AP_SSID",
    "lineEdit_AP_KEY", "comboBox_AUTH", "comboBox_CRYPT", "comboBox_MODE", "comboBox_CH",
    "lineEdit_STA_SSID", "lineEdit_STA_KEY", "comboBox_ip_mode", "lineEdit_set_ip", "lineEdit_set_gatway",
    "lineEdit_set_mask", "checkBox_en_dhcp", "lineEdit_dhcp_start_ip", "lineEdit_dhcp_end_ip",
    "comboBox_TP_TCP_UDP", "comboBox_TP_S_C", "lineEdit_TP_ADDR", "lineEdit_TP_PORT",
    "lineEdit_fframe_time", "lineEdit_aframe_len", "lineEdit_aframe_time"};

// What the user sees in each field: combo text, line-edit text, "1"/"0".
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

// Every field but the Wi-Fi mode combo (which the reset keeps) away from the
// reset's values: combos at item 2 (or their last), line edits to `text`
// and their name, the DHCP box checked.
void fillForm(Quorvel &w, const QString &text)
{
    for (const QString &name : fileFields) {
        QObject *o = w.findChild<QObject *>(name);
        if (auto *edit = qobject_cast<QLineEdit *>(o))
            edit->setText(text + QLatin1Char(' ') + name.mid(9));
        else if (auto *box = qobject_cast<QComboBox *>(o); box && name != QLatin1String("comboBox_wifi_mode"))
            box->setCurrentIndex(qMin(2, box->count() - 1));
        else if (auto *check = qobject_cast<QCheckBox *>(o))
            check->setChecked(true);
    }
}

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

} // namespace

class tst_CfgFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void splitFieldsLikeThePattern();
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
    QFile f(m_dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(f.fileName()));
    return f.fileName();
}

// Against the regular expression itself, over every short text of commas and
// letters: the same fields, or no match for both.
void tst_CfgFile::splitFieldsLikeThePattern()
{
    for (int count = 1; count <= 6; ++count) {
        const QRegularExpression re(QRegularExpression::anchoredPattern(
                                        QStringLiteral("(.+)") + QStringLiteral(",(.+)").repeated(count - 1)),
                                    QRegularExpression::DotMatchesEverythingOption);
        for (int length = 0; length <= 9; ++length) {
            for (int bits = 0; bits < (1 << length); ++bits) {
                QString text;
                for (int i = 0; i < length; ++i)
                    text += (bits >> i & 1) ? QChar(u',') : QChar(u'a' + i);
                const QRegularExpressionMatch m = re.match(text);
                QStringList got;
                QVERIFY2(cfgleaf::splitFields(text, count, &got) == m.hasMatch(), qPrintable(text));
                if (m.hasMatch())
                    QCOMPARE(got, m.capturedTexts().mid(1));
            }
        }
    }
}

void tst_CfgFile::exportDefaultForm_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<QStringList>("texts");   // Wi-Fi mode, IP mode, server, message
    QTest::newRow("chinese") << false << QStringList{"AP模式", "动态IP", "服务器", "导出完成"};
    QTest::newRow("english") << true << QStringList{"AP", "Dynamic IP", "Server", "Export Done"};
}

void tst_CfgFile::exportDefaultForm()
{
    QFETCH(bool, english);
    QFETCH(QStringList, texts);
    Quorvel w;
    if (english)
        switchToEnglish(w);
    Access::ui(w).tabWidget->setCurrentIndex(1);
    const QString file = m_dir.filePath(QStringLiteral("default.xml"));
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
        "</TESSELANE_CFG>\n").arg(texts.at(0), texts.at(1), texts.at(2));
    QCOMPARE(QString::fromUtf8(readAll(file)), expected);
    QCOMPARE(statusText(w), texts.at(3));
    QCOMPARE(Access::ui(w).tabWidget->currentIndex(), 1);
}

void tst_CfgFile::roundTrip_data()
{
    QTest::addColumn<bool>("english");
    QTest::newRow("chinese") << false;
    QTest::newRow("english") << true;
}

// Every field off its default, markup, ampersands, quotes and Chinese in the
// line edits, and commas in the first field of each leaf (where they survive).
void tst_CfgFile::roundTrip()
{
    QFETCH(bool, english);
    const QString file = m_dir.filePath(QStringLiteral("roundtrip.xml"));
    QVariantMap exported;
    {
        Quorvel w;
        if (english)
            switchToEnglish(w);
        fillForm(w, QStringLiteral("<&>\"'中文"));
        Access::ui(w).comboBox_wifi_mode->setCurrentIndex(1);
        Access::ui(w).lineEdit_AP_SSID->setText(QStringLiteral("Lab,AP,<&>"));
        Access::ui(w).lineEdit_STA_SSID->setText(QStringLiteral("办公室,2.4G"));
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

    QTest::newRow("root only") << false << QByteArray("<TESSELANE_CFG/>") << done << QVariantMap{};
    QTest::newRow("wrong root, after the reset") << false << QByteArray("<OTHER_CFG>" + uart + "</OTHER_CFG>")
                                                 << QStringLiteral("不是Quorvel格式的XML配置文件,导入失败")
                                                 << QVariantMap{};
    QTest::newRow("empty fields leave the defaults") << false
        << document("<WIFI_GROUP_ELEM><WIFI_AP>,,NONE,WEP,11b,5</WIFI_AP><WIFI_STA>,</WIFI_STA>"
                    "<WIFI_IP>静态IP,,,</WIFI_IP></WIFI_GROUP_ELEM><TP_GROUP_ELEM><TP_FRAME>1,,3</TP_FRAME>"
                    "</TP_GROUP_ELEM>")
        << done << QVariantMap{};
    QTest::newRow("commas: an ssid's survive, a key's move into the ssid") << false
        << document("<WIFI_GROUP_ELEM><WIFI_AP>a,b,c,key,NONE,WEP,11b,5</WIFI_AP>"
                    "<WIFI_STA>net,pa,ss</WIFI_STA></WIFI_GROUP_ELEM>")
        << done
        << QVariantMap{{"lineEdit_AP_SSID", "a,b,c"}, {"lineEdit_AP_KEY", "key"}, {"comboBox_AUTH", "NONE"},
                       {"comboBox_CRYPT", "WEP"}, {"comboBox_MODE", "11b"}, {"comboBox_CH", "5"},
                       {"lineEdit_STA_SSID", "net,pa"}, {"lineEdit_STA_KEY", "ss"}};
    QTest::newRow("dhcp 00 checks the box") << false
        << document("<WIFI_GROUP_ELEM><WIFI_DHCP>00,1.1.1.1,1.1.1.9</WIFI_DHCP></WIFI_GROUP_ELEM>") << done
        << QVariantMap{{"checkBox_en_dhcp", "1"}, {"lineEdit_dhcp_start_ip", "1.1.1.1"},
                       {"lineEdit_dhcp_end_ip", "1.1.1.9"}};
    QTest::newRow("a text that is no item keeps the default") << false
        << document("<BASE_GROUP_ELEM><UART>115201,6,none,2,Hardware</UART><DFWM>tp_mode</DFWM></BASE_GROUP_ELEM>")
        << done
        << QVariantMap{{"comboBox_deviceDataBit", "6"}, {"comboBox_deviceStopBit", "2"},
                       {"comboBox_deviceFlow", "Hardware"}};
    QTest::newRow("a leaf with a child element stops the import") << false
        << document(uart + "<WIFI_GROUP_ELEM><WIFI_AP>a<b/>,k,WPA,TKIP,11g,3</WIFI_AP></WIFI_GROUP_ELEM>" + tp)
        << failed << uartApplied;
    QTest::newRow("truncated inside a leaf") << false
        << QByteArray("<?xml version=\"1.0\"?><TESSELANE_CFG>" + uart + tp.left(30)) << failed << uartApplied;
    QTest::newRow("line breaks never reach a line edit") << false
        << document("<WIFI_GROUP_ELEM><WIFI_AP>x&#13;&#10;AT+DFRST,k&#10;y,WPA,TKIP,11g,3</WIFI_AP>"
                    "<WIFI_STA>s\r\nid,p&#13;w</WIFI_STA></WIFI_GROUP_ELEM>")
        << done
        << QVariantMap{{"lineEdit_AP_SSID", "xAT+DFRST"}, {"lineEdit_AP_KEY", "ky"}, {"comboBox_AUTH", "WPA"},
                       {"comboBox_CRYPT", "TKIP"}, {"comboBox_MODE", "11g"}, {"comboBox_CH", "3"},
                       {"lineEdit_STA_SSID", "sid"}, {"lineEdit_STA_KEY", "pw"}};
    // A file written in the other language keeps its language-dependent choices.
    const QVariantMap ipApplied = {{"lineEdit_set_ip", "1.1.1.2"}, {"lineEdit_set_gatway", "1.1.1.1"},
                                   {"lineEdit_set_mask", "255.0.0.0"}, {"comboBox_TP_TCP_UDP", "UDP"},
                                   {"lineEdit_TP_ADDR", "1.2.3.4"}, {"lineEdit_TP_PORT", "80"}};
    QVariantMap chinese = ipApplied;
    chinese.insert({{"comboBox_wifi_mode", "STA模式"}, {"comboBox_ip_mode", "静态IP"}, {"comboBox_TP_S_C", "客户端"}});
    QTest::newRow("english texts in the chinese interface") << false
        << document("<WIFI_GROUP_ELEM><WIFI_MODE>STA</WIFI_MODE><WIFI_IP>Static IP,1.1.1.2,1.1.1.1,255.0.0.0"
                    "</WIFI_IP></WIFI_GROUP_ELEM><TP_GROUP_ELEM><TP_TP>UDP,Client,1.2.3.4,80</TP_TP>"
                    "</TP_GROUP_ELEM>")
        << done << chinese;
    QVariantMap english = ipApplied;
    english.insert({{"comboBox_wifi_mode", "STA"}, {"comboBox_ip_mode", "Static IP"}, {"comboBox_TP_S_C", "Client"}});
    QTest::newRow("chinese texts in the english interface") << true
        << document("<WIFI_GROUP_ELEM><WIFI_MODE>STA模式</WIFI_MODE><WIFI_IP>静态IP,1.1.1.2,1.1.1.1,255.0.0.0"
                    "</WIFI_IP></WIFI_GROUP_ELEM>" + tp)
        << QStringLiteral("Import Done") << english;
}

// The form is full of other values before each import: the reset must show.
void tst_CfgFile::importCases()
{
    QFETCH(bool, english);
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    QFETCH(QVariantMap, changed);

    Quorvel w;
    if (english)
        switchToEnglish(w);
    QVariantMap expected = formState(w);
    expected.insert(changed);
    fillForm(w, QStringLiteral("junk"));
    Access::ui(w).tabWidget->setCurrentIndex(2);

    Access::importCfgFile(w, writeFile(QStringLiteral("case.xml"), file));
    QCOMPARE(statusText(w), message);
    QCOMPARE(formState(w), expected);
    QCOMPARE(Access::ui(w).tabWidget->currentIndex(), 2);
}

void tst_CfgFile::hostileFiles_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("chunk");   // repeated
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<QString>("message");
    const QString done = QStringLiteral("导入完成");
    const QString failed = QStringLiteral("导入遇到错误");
    const QByteArray root = "<?xml version=\"1.0\"?><TESSELANE_CFG>";
    const QByteArray end = "</TESSELANE_CFG>";
    QByteArray junk(64 * 1024, Qt::Uninitialized);
    QRandomGenerator(42).fillRange(reinterpret_cast<quint32 *>(junk.data()), junk.size() / 4);
    QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE TESSELANE_CFG [<!ENTITY l0 \"lol\">";
    for (int i = 1; i <= 9; ++i)
        laughs += "<!ENTITY l" + QByteArray::number(i) + " \"" + ("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    const QString secret = writeFile(QStringLiteral("secret.txt"), "SECRET");
    const QByteArray external = "<?xml version=\"1.0\"?><!DOCTYPE TESSELANE_CFG [<!ENTITY s SYSTEM \"file://"
                                + secret.toUtf8() + "\">]>";
    const QByteArray sta = "<WIFI_GROUP_ELEM><WIFI_STA>";
    const QByteArray staEnd = ",pw</WIFI_STA></WIFI_GROUP_ELEM>" + end;
    const QByteArray groups = "<BASE_GROUP_ELEM><UART>9600,8,None,1,None</UART></BASE_GROUP_ELEM><TP_GROUP_ELEM/>"
                              "<WIFI_GROUP_ELEM/><BASE_GROUP_ELEM><UART>4800,8,None,1,None</UART></BASE_GROUP_ELEM>";
    QTest::newRow("empty file") << QByteArray() << QByteArray() << 0 << QByteArray() << failed;
    QTest::newRow("binary junk") << QByteArray() << junk << 1 << QByteArray() << failed;
    QTest::newRow("billion laughs") << laughs + "]><TESSELANE_CFG>" + sta << QByteArray("&l9;") << 1 << staEnd << failed;
    QTest::newRow("external entity") << external + "<TESSELANE_CFG>" + sta << QByteArray("&s;") << 1 << staEnd << done;
    QTest::newRow("deeply nested elements") << root << QByteArray("<a>") << 100000
                                            << QByteArray("</a>").repeated(100000) + end << done;
    QTest::newRow("deeply nested groups") << root << QByteArray("<BASE_GROUP_ELEM>") << 100000
                                          << QByteArray("</BASE_GROUP_ELEM>").repeated(100000) + end << done;
    QTest::newRow("twenty thousand group elements") << root << groups << 5000 << end << done;
    QTest::newRow("100 MB in one leaf") << root + sta << QByteArray(1 << 20, 'x') << 100 << staEnd << failed;
    QTest::newRow("100 MB of zero bytes") << QByteArray() << QByteArray(1 << 20, '\0') << 100 << QByteArray()
                                          << failed;
}

// Each ends with the import's own message within 2 s (three group pauses and
// the parsing; a pause or a tab switch per group element would take seconds),
// holds no copy of the file in memory and lets no external file in.
void tst_CfgFile::hostileFiles()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, chunk);
    QFETCH(int, repeat);
    QFETCH(QByteArray, tail);
    QFETCH(QString, message);
    QFile out(m_dir.filePath(QStringLiteral("hostile.xml")));
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(head);
    for (int i = 0; i < repeat; ++i)
        QCOMPARE(out.write(chunk), chunk.size());
    out.write(tail);
    out.close();

    Quorvel w;
    w.show();   // tab switches cost layout and painting only on screen
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QFile peak(QStringLiteral("/proc/self/clear_refs"));   // lets the peak restart from here
    QVERIFY(peak.open(QIODevice::WriteOnly) && peak.write("5") == 1);
    peak.close();
    const qint64 residentBefore = procStatusKb("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    Access::importCfgFile(w, out.fileName());
    const qint64 elapsed = clock.elapsed();
    const qint64 peakGrowthKb = procStatusKb("VmHWM:") - residentBefore;

    QCOMPARE(statusText(w), message);
    QVERIFY2(elapsed < 2000, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
    QVERIFY2(peakGrowthKb < 48 * 1024, qPrintable(QStringLiteral("%1 KiB").arg(peakGrowthKb)));
    QVERIFY(!formState(w).values().contains(QStringLiteral("SECRET")));
    if (repeat == 5000)   // the last group element counts
        QCOMPARE(Access::ui(w).comboBox_deviceBps->currentText(), QStringLiteral("4800"));
}

void tst_CfgFile::cannotOpen()
{
    Quorvel w;
    fillForm(w, QStringLiteral("kept"));
    Access::ui(w).tabWidget->setCurrentIndex(1);
    w.statusBar()->clearMessage();
    const QVariantMap before = formState(w);

    const QString nowhere = m_dir.filePath(QStringLiteral("no/such/dir/cfg.xml"));
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

// A disk that fills up during the export (a file size limit here): no
// "导出完成", and the file that was there stays whole.
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
    const QString file = m_dir.filePath(QStringLiteral("dialog.xml"));
    // Answers the next file dialog with `answer`, or cancels it when empty.
    QString caption;
    const auto answerNextDialog = [&caption](const QString &answer) {
        auto *poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, poll, [poll, answer, &caption] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll->stop();
            poll->deleteLater();
            caption = dialog->windowTitle();
            // Typed, as a user would: selectFile() leaves the name box alone
            // once it has the focus.
            if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")); name && !answer.isEmpty()) {
                name->setText(answer);
                static_cast<QDialog *>(dialog)->accept();   // QFileDialog's own is protected
            } else {
                dialog->reject();
            }
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
    answerNextDialog(file);
    Access::ui(w).pushButton_Import->click();
    QCOMPARE(caption, QStringLiteral("Import Cfg File From"));
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
    QVERIFY2(elapsed >= 300 && elapsed < 700, qPrintable(QString::number(elapsed)));
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
    QVERIFY2(cpuMs < 150, qPrintable(QStringLiteral("%1 ms of CPU").arg(cpuMs)));
}

void tst_CfgFile::workModeReachesModule_data()
{
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Lines>("sent");
    const QByteArray wifi = "<WIFI_GROUP_ELEM><WIFI_STA>a,b</WIFI_STA></WIFI_GROUP_ELEM>";
    const QByteArray tpMode = document("<BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>" + wifi);
    const QByteArray flipGroups = "<BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>"
                                  "<BASE_GROUP_ELEM><DFWM>AT_MODE</DFWM></BASE_GROUP_ELEM>";
    QTest::newRow("TP_MODE, port open") << true << tpMode << Lines{"AT+ATTP=1\r\n"};
    QTest::newRow("TP_MODE, port closed") << false << tpMode << Lines{};
    QTest::newRow("two thousand leaves in one group") << true
        << document("<BASE_GROUP_ELEM>" + QByteArray("<DFWM>TP_MODE</DFWM><DFWM>AT_MODE</DFWM>").repeated(1000)
                    + "<DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>" + wifi)
        << Lines{"AT+ATTP=1\r\n"};
    QTest::newRow("two thousand groups, the last one not like the first") << true
        << document(flipGroups.repeated(1000) + wifi) << Lines{"AT+ATTP=1\r\n", "AT+ATTP=0\r\n"};
}

// The module hears of the imported work mode while the import still runs, as
// it would of a user's choice, so that the import's own message stays last.
void tst_CfgFile::workModeReachesModule()
{
    QFETCH(bool, portOpen);
    QFETCH(QByteArray, file);
    QFETCH(Lines, sent);
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
    // A marker after the import: what the import sent arrives before it,
    // the answers to it before the marker's.
    QSignalSpy answers(&w, &Quorvel::recvNewLine);
    w.sendCmd(QStringLiteral("AT+VER?"));
    QTRY_VERIFY(!answers.isEmpty() && answers.last().at(0).toString().startsWith(QLatin1String("OK=")));
    QCOMPARE(sim.receivedLines(), sent + Lines{"AT+VER?\r\n"});
    if (sent.size() == 1)
        QCOMPARE(statusText(w), QStringLiteral("导入完成"));
}

// A crafted file with CR LF and further commands in its fields: after
// importing it and writing, the module has received the write's ten
// commands, each one line, and nothing else.
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
    const Lines lines = sim.receivedLines();
    QCOMPARE(lines.size(), 10);
    for (const QByteArray &line : lines) {
        QVERIFY2(line.indexOf('\r') == line.size() - 2 && line.indexOf('\n') == line.size() - 1,
                 line.constData());
    }
    QCOMPARE(sim.fields(QStringLiteral("STAMOD")), (QStringList{"netAT+DFRST", "pwAT+RST"}));
}

QTEST_MAIN(tst_CfgFile)
#include "tst_cfgfile.moc"
