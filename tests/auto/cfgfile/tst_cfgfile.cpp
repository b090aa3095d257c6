// The XML configuration file: the exported document, round trips through the
// dialogs in both languages, the import's rules and hostile files within time
// and memory bounds, failures, and what reaches the simulated module.
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

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

// Each file field as the user sees it, by name without its widget prefix.
// With `fill`, every field but the Wi-Fi mode (which the reset keeps) first
// leaves the reset's values: combos to item 2 (or their last), line edits to
// `fill` and their name, the DHCP box checked.
QVariantMap formState(Quorvel &w, const QString &fill = QString())
{
    QVariantMap state;
    for (const QString &name : fileFields) {
        QObject *o = w.findChild<QObject *>(name);
        if (auto *edit = qobject_cast<QLineEdit *>(o)) {
            if (!fill.isNull())
                edit->setText(fill + QLatin1Char(' ') + name.mid(9));
            state.insert(name.mid(9), edit->text());
        } else if (auto *box = qobject_cast<QComboBox *>(o)) {
            if (!fill.isNull() && name != QLatin1String("comboBox_wifi_mode"))
                box->setCurrentIndex(qMin(2, box->count() - 1));
            state.insert(name.mid(9), box->currentText());
        } else if (auto *check = qobject_cast<QCheckBox *>(o)) {
            if (!fill.isNull())
                check->setChecked(true);
            state.insert(name.mid(9), check->isChecked() ? "1" : "0");
        }
    }
    return state;
}

void setLanguage(Quorvel &w, bool english)
{
    if (english) {
        w.installTranslator();
        Access::langButton(w)->click();
    }
}

QString status(Quorvel &w) { return w.statusBar()->currentMessage(); }

QByteArray document(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TESSELANE_CFG>" + body + "</TESSELANE_CFG>\n";
}

// Writes `bytes` and then `padMb` MiB of 'x' into the current directory.
QString writeFile(const QString &name, const QByteArray &bytes, int padMb = 0)
{
    QFile f(QDir::current().absoluteFilePath(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(f.fileName()));
    for (int i = 0; i < padMb; ++i)
        f.write(QByteArray(1 << 20, 'x'));
    return f.fileName();
}

// Types `answer` into the next file dialog's name box, as a user would
// (selectFile() leaves a focused box alone), or cancels it when empty.
void answerNextFileDialog(const QString &answer, QString *caption, int ms = 0)
{
    QTimer::singleShot(ms, [answer, caption] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        auto *name = dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!name)
            return answerNextFileDialog(answer, caption, 10);   // not shown yet
        *caption = dialog->windowTitle();
        name->setText(answer);
        if (answer.isEmpty())
            dialog->reject();
        else
            static_cast<QDialog *>(dialog)->accept();   // QFileDialog's own is protected
    });
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

qint64 procStatusKb(const char *key)
{
    const QString text = QString::fromLatin1(readAll(QStringLiteral("/proc/self/status")));
    return QRegularExpression(QLatin1String(key) + QStringLiteral(":\\s+(\\d+)")).match(text).captured(1).toLongLong();
}

} // namespace

class tst_CfgFile : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path())); }

    // Against the pattern "(.*),(.*),…" itself, over every text of up to nine
    // commas and letters: the same fields, or no match for both.
    void splitFieldsLikeThePattern()
    {
        for (int count = 1; count <= 6; ++count) {
            const QRegularExpression re("^(.*)" + QStringLiteral(",(.*)").repeated(count - 1) + "$");
            for (int bits = 1; bits < (1 << 10); ++bits) {   // the highest set bit ends the text
                QString text;
                for (int i = 0; bits >> (i + 1); ++i)
                    text += (bits >> i & 1) ? QChar(u',') : QChar(u'a' + i);
                const QRegularExpressionMatch m = re.match(text);
                QStringList got;
                QVERIFY2(cfgleaf::splitFields(text, count, &got) == m.hasMatch(), qPrintable(text));
                QVERIFY2(!m.hasMatch() || got == m.capturedTexts().mid(1), qPrintable(text));
            }
        }
    }

    void exportAndRoundTrip_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QStringList>("texts");   // Wi-Fi mode, IP mode, server; export, import, comma message
        QTest::newRow("chinese") << false << QStringList{"AP模式", "动态IP", "服务器", "导出完成", "导入完成",
                                                          "导出完成，但AP设置/密码、STA设置/密码含有逗号，导入时不能原样取回"};
        QTest::newRow("english") << true << QStringList{"AP", "Dynamic IP", "Server", "Export Done", "Import Done",
            "Export Done, but a comma in AP Mode/Key, STA Mode/Key will not import as it was"};
    }

    // Through the dialogs, a name typed without ".xml" getting it: the default form gives the example
    // document and imports to itself; every field off its default, with markup, quotes, Chinese and commas
    // (first field of a leaf) in line edits, reaches the next window; commas in a key are named on export.
    void exportAndRoundTrip()
    {
        QFETCH(bool, english);
        QFETCH(QStringList, texts);
        const QString file = m_dir.filePath(QTest::currentDataTag() + QStringLiteral(".xml"));
        QString caption;
        QVariantMap exported;
        {
            Quorvel w;
            setLanguage(w, english);
            Ui::QuorvelClass &ui = Access::ui(w);
            ui.tabWidget->setCurrentIndex(1);
            answerNextFileDialog(QString(), &caption);
            ui.pushButton_Export->click();
            QCOMPARE(caption, QStringLiteral("Export Cfg File To"));
            QVERIFY(!QFile::exists(file));
            answerNextFileDialog(file.chopped(4), &caption);
            ui.pushButton_Export->click();
            QCOMPARE(QString::fromUtf8(readAll(file)), QStringLiteral(
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
                "</TESSELANE_CFG>\n").arg(texts.at(0), texts.at(1), texts.at(2)));
            QCOMPARE(status(w), texts.at(3));
            QCOMPARE(ui.tabWidget->currentIndex(), 1);
            const QVariantMap defaults = formState(w);
            formState(w, QStringLiteral("junk"));
            Access::importCfgFile(w, file);
            QCOMPARE(formState(w), defaults);

            ui.lineEdit_AP_KEY->setText(QStringLiteral("pa,ss"));
            ui.lineEdit_STA_KEY->setText(QStringLiteral("x,y"));
            QVERIFY(Access::exportCfgFile(w, file));
            QCOMPARE(status(w), texts.at(5));
            QVERIFY(readAll(file).contains("<WIFI_AP>,pa,ss,WAP2_PSK,AES,11n,2</WIFI_AP>"));

            formState(w, QStringLiteral("<&>\"'中文"));
            ui.comboBox_wifi_mode->setCurrentIndex(1);
            ui.lineEdit_AP_SSID->setText(QStringLiteral("Lab,AP,<&>"));
            ui.lineEdit_STA_SSID->setText(QStringLiteral("办公室,2.4G"));
            exported = formState(w);
            QVERIFY(Access::exportCfgFile(w, file));
            QCOMPARE(status(w), texts.at(3));   // commas in the first field come back
        }
        Quorvel next;
        setLanguage(next, english);
        answerNextFileDialog(file, &caption);
        Access::ui(next).pushButton_Import->click();
        QCOMPARE(caption, QStringLiteral("Import Cfg File From"));
        QCOMPARE(status(next), texts.at(4));
        QCOMPARE(formState(next), exported);
    }

    void import_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("padMb");   // MiB of 'x' after the file's bytes
        QTest::addColumn<QString>("message");
        QTest::addColumn<QVariantMap>("changed");   // against the reset form
        const auto row = [](const char *name, const QByteArray &file, const QString &message,
                            const QVariantMap &changed = {}, bool english = false, int padMb = 0) {
            QTest::newRow(name) << english << file << padMb << message << changed;
        };
        const QString done = QStringLiteral("导入完成");
        const QString failed = QStringLiteral("导入遇到错误");
        const QByteArray head = "<?xml version=\"1.0\"?><TESSELANE_CFG>";
        const QByteArray uart = "<BASE_GROUP_ELEM><UART>9600,7,Even,2,Hardware</UART></BASE_GROUP_ELEM>";
        const QVariantMap uartApplied = {{"deviceBps", "9600"}, {"deviceDataBit", "7"}, {"deviceParBit", "Even"},
                                         {"deviceStopBit", "2"}, {"deviceFlow", "Hardware"}};
        const QByteArray tp = "<TP_GROUP_ELEM><TP_TP>UDP,客户端,1.2.3.4,80</TP_TP></TP_GROUP_ELEM>";

        row("root only", "<TESSELANE_CFG/>", done);
        row("wrong root, after the reset", "<OTHER_CFG>" + uart + "</OTHER_CFG>",
            QStringLiteral("不是Quorvel格式的XML配置文件,导入失败"));
        row("open access point: empty fields applied, empty combo fields say nothing",
            document("<BASE_GROUP_ELEM><UART>,,Odd,,</UART></BASE_GROUP_ELEM><WIFI_GROUP_ELEM>"
                     "<WIFI_AP>Cafe,,NONE,NONE,11b,5</WIFI_AP><WIFI_IP>静态IP,,,</WIFI_IP><WIFI_DHCP>,1.1.1.1,</WIFI_DHCP>"
                     "</WIFI_GROUP_ELEM><TP_GROUP_ELEM><TP_FRAME>1,,3</TP_FRAME></TP_GROUP_ELEM>"), done,
            {{"deviceParBit", "Odd"}, {"AP_SSID", "Cafe"}, {"AUTH", "NONE"}, {"CRYPT", "NONE"}, {"MODE", "11b"},
             {"CH", "5"}, {"ip_mode", "静态IP"}, {"dhcp_start_ip", "1.1.1.1"}, {"fframe_time", "1"},
             {"aframe_time", "3"}});
        row("commas: an ssid's survive, a key's move into the ssid",
            document("<WIFI_GROUP_ELEM><WIFI_AP>a,b,c,key,NONE,WEP,11b,5</WIFI_AP><WIFI_STA>net,pa,ss</WIFI_STA>"
                     "</WIFI_GROUP_ELEM>"), done, {{"AP_SSID", "a,b,c"}, {"AP_KEY", "key"}, {"AUTH", "NONE"},
            {"CRYPT", "WEP"}, {"MODE", "11b"}, {"CH", "5"}, {"STA_SSID", "net,pa"}, {"STA_KEY", "ss"}});
        row("dhcp 00 checks the box",
            document("<WIFI_GROUP_ELEM><WIFI_DHCP>00,1.1.1.1,1.1.1.9</WIFI_DHCP></WIFI_GROUP_ELEM>"), done,
            {{"en_dhcp", "1"}, {"dhcp_start_ip", "1.1.1.1"}, {"dhcp_end_ip", "1.1.1.9"}});
        row("a text that is no item keeps the default",
            document("<BASE_GROUP_ELEM><UART>115201,6,none,2,Hardware</UART><DFWM>tp_mode</DFWM></BASE_GROUP_ELEM>"),
            done, {{"deviceDataBit", "6"}, {"deviceStopBit", "2"}, {"deviceFlow", "Hardware"}});
        row("a leaf with a child element stops the import",
            document(uart + "<WIFI_GROUP_ELEM><WIFI_AP>a<b/>,k,WPA,TKIP,11g,3</WIFI_AP></WIFI_GROUP_ELEM>" + tp),
            failed, uartApplied);
        row("truncated inside a leaf", head + uart + tp.left(30), failed, uartApplied);
        row("line breaks never reach a line edit",
            document("<WIFI_GROUP_ELEM><WIFI_AP>x&#13;&#10;AT+DFRST,k&#10;y,WPA,TKIP,11g,3</WIFI_AP>"
                     "<WIFI_STA>s\r\nid,p&#13;w</WIFI_STA></WIFI_GROUP_ELEM>"), done, {{"AP_SSID", "xAT+DFRST"},
            {"AP_KEY", "ky"}, {"AUTH", "WPA"}, {"CRYPT", "TKIP"}, {"MODE", "11g"}, {"CH", "3"}, {"STA_SSID", "sid"},
            {"STA_KEY", "pw"}});
        // A file written in the other language keeps its language-dependent choices.
        const auto otherLanguage = [&](const char *name, const QStringList &in, const QStringList &shown, bool english) {
            row(name, document(QStringLiteral("<WIFI_GROUP_ELEM><WIFI_MODE>%1</WIFI_MODE><WIFI_IP>%2,1.1.1.2,1.1.1.1,"
                                              "255.0.0.0</WIFI_IP></WIFI_GROUP_ELEM><TP_GROUP_ELEM><TP_TP>UDP,%3,"
                                              "1.2.3.4,80</TP_TP></TP_GROUP_ELEM>").arg(in[0], in[1], in[2]).toUtf8()),
                english ? QStringLiteral("Import Done") : done,
                {{"wifi_mode", shown[0]}, {"ip_mode", shown[1]}, {"TP_S_C", shown[2]}, {"set_ip", "1.1.1.2"},
                 {"set_gatway", "1.1.1.1"}, {"set_mask", "255.0.0.0"}, {"TP_TCP_UDP", "UDP"},
                 {"TP_ADDR", "1.2.3.4"}, {"TP_PORT", "80"}}, english);
        };
        otherLanguage("english texts in the chinese interface", {"STA", "Static IP", "Client"},
                      {"STA模式", "静态IP", "客户端"}, false);
        otherLanguage("chinese texts in the english interface", {"STA模式", "静态IP", "客户端"},
                      {"STA", "Static IP", "Client"}, true);

        // Hostile files.
        QByteArray junk(64 * 1024, Qt::Uninitialized);
        QRandomGenerator(42).fillRange(reinterpret_cast<quint32 *>(junk.data()), junk.size() / 4);
        QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE TESSELANE_CFG [<!ENTITY l0 \"lol\">";
        for (int i = 1; i <= 9; ++i)
            laughs += "<!ENTITY l" + QByteArray::number(i) + " \"" + ("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
        const QString secret = writeFile(QStringLiteral("secret.txt"), "SECRET");
        const QByteArray sta = "<WIFI_GROUP_ELEM><WIFI_STA>";
        const QByteArray staEnd = ",pw</WIFI_STA></WIFI_GROUP_ELEM></TESSELANE_CFG>";
        const QByteArray groups = "<BASE_GROUP_ELEM><UART>9600,8,None,1,None</UART></BASE_GROUP_ELEM><TP_GROUP_ELEM/>"
                                  "<WIFI_GROUP_ELEM/><BASE_GROUP_ELEM><UART>4800,8,None,1,None</UART></BASE_GROUP_ELEM>";
        row("empty file", QByteArray(), failed);
        row("binary junk", junk, failed);
        row("billion laughs", laughs + "]><TESSELANE_CFG>" + sta + "&l9;" + staEnd, failed);
        row("external entity", "<?xml version=\"1.0\"?><!DOCTYPE TESSELANE_CFG [<!ENTITY s SYSTEM \"file://"
            + secret.toUtf8() + "\">]><TESSELANE_CFG>" + sta + "&s;" + staEnd, done, {{"STA_KEY", "pw"}});   // no secret
        row("deeply nested elements", head + QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000)
            + "</TESSELANE_CFG>", done);
        row("deeply nested groups", head + QByteArray("<BASE_GROUP_ELEM>").repeated(100000)
            + QByteArray("</BASE_GROUP_ELEM>").repeated(100000) + "</TESSELANE_CFG>", done);
        row("twenty thousand group elements, the last counts", head + groups.repeated(5000) + "</TESSELANE_CFG>",
            done, {{"deviceBps", "4800"}});
        row("100 MB in one leaf", head + sta, failed, {}, false, 100);
    }

    // From a form full of other values (the reset must show) to the row's message within 2 s (a pause
    // or tab switch per group element would take seconds), with no copy of a big file in memory.
    void import()
    {
        QFETCH(bool, english);
        QFETCH(QByteArray, file);
        QFETCH(int, padMb);
        QFETCH(QString, message);
        QFETCH(QVariantMap, changed);
        const QString path = writeFile(QStringLiteral("case.xml"), file, padMb);
        Quorvel w;
        setLanguage(w, english);
        QVariantMap expected = formState(w);
        expected.insert(changed);
        formState(w, QStringLiteral("junk"));
        Access::ui(w).tabWidget->setCurrentIndex(2);
        w.show();   // tab switches cost layout and painting only on screen
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        writeFile(QStringLiteral("/proc/self/clear_refs"), "5");   // the peak restarts from here
        const qint64 residentBefore = procStatusKb("VmRSS");
        QVERIFY(residentBefore > 0);
        QElapsedTimer clock;
        clock.start();
        Access::importCfgFile(w, path);
        const qint64 elapsed = clock.elapsed();
        const qint64 peakGrowthKb = procStatusKb("VmHWM") - residentBefore;

        QCOMPARE(status(w), message);
        QCOMPARE(formState(w), expected);
        QCOMPARE(Access::ui(w).tabWidget->currentIndex(), 2);
        // Measured under the sanitizers: 100-122 MiB with the default quarantine.
        const qint64 boundKb = testsupport::underSanitizer ? 192 * 1024 : 48 * 1024;
        QVERIFY2(elapsed < (testsupport::underSanitizer ? 8000 : 2000), qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
        QVERIFY2(peakGrowthKb < boundKb, qPrintable(QStringLiteral("%1 KiB").arg(peakGrowthKb)));
    }

    // A file that cannot be opened changes nothing; a disk that fills up
    // during the export (a file size limit here) leaves the old file whole.
    void failures()
    {
        Quorvel w;
        formState(w, QStringLiteral("kept"));
        Access::ui(w).tabWidget->setCurrentIndex(1);
        w.statusBar()->clearMessage();
        const QVariantMap before = formState(w);
        const QString nowhere = m_dir.filePath(QStringLiteral("no/such/dir/cfg.xml"));
        QString box;
        testsupport::dismissNextMessageBox(&box);
        QVERIFY(!Access::exportCfgFile(w, nowhere));
        QCOMPARE(box, QStringLiteral("不能打开文件") + nowhere);
        testsupport::dismissNextMessageBox(&box);
        box.clear();
        Access::importCfgFile(w, nowhere);
        QCOMPARE(box, QStringLiteral("不能打开文件") + nowhere);
        QCOMPARE(formState(w), before);
        QCOMPARE(Access::ui(w).tabWidget->currentIndex(), 1);
        QCOMPARE(status(w), QString());
        const QByteArray old = document("<WIFI_GROUP_ELEM><WIFI_STA>the old file,pw</WIFI_STA></WIFI_GROUP_ELEM>");
        const QString file = writeFile(QStringLiteral("old.xml"), old);
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{64, saved.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        testsupport::dismissNextMessageBox(&box);
        const bool exported = Access::exportCfgFile(w, file);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!exported);
        QCOMPARE(box, QStringLiteral("不能写入文件") + file);
        QVERIFY(status(w) != QStringLiteral("导出完成"));
        QCOMPARE(readAll(file), old);
        QCOMPARE(QDir(m_dir.path()).entryList({"old.xml*"}, QDir::Files | QDir::Hidden), QStringList{"old.xml"});
    }

    // Read, write, import and export stay off for the whole of an import or
    // an export, also when the port opens meanwhile, and a read asked for
    // meanwhile sends nothing.
    void buttonsOffDuringFileWork()
    {
        ModSim sim;
        QString why;
        QVERIFY2(sim.start(&why), qPrintable(why));
        Quorvel w;
        Ui::QuorvelClass &ui = Access::ui(w);
        QVERIFY(testsupport::openPort(w, sim.slavePath()));
        const QString in = writeFile(QStringLiteral("busy.xml"), document("<BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM>"
                                                                          "</BASE_GROUP_ELEM>"));
        for (const bool import : {true, false}) {
            sim.clearTrace();
            QList<bool> during;
            QTimer::singleShot(100, &w, [&] {
                ui.pushButton_openCom->click();   // closed
                ui.pushButton_openCom->click();   // open again
                during = {ui.pushButton_readConfiguration->isEnabled(), ui.pushButton_writeConfiguartion->isEnabled(),
                          ui.pushButton_Import->isEnabled(), ui.pushButton_Export->isEnabled(),
                          !Access::comIsOpen(w)};
                w.on_pushButton_readConfiguration_clicked();
            });
            if (import)
                Access::importCfgFile(w, in);
            else
                QVERIFY(Access::exportCfgFile(w, m_dir.filePath(QStringLiteral("busy-out.xml"))));
            QCOMPARE(during, QList<bool>(5, false));
            QVERIFY(ui.pushButton_readConfiguration->isEnabled() && ui.pushButton_writeConfiguartion->isEnabled()
                    && ui.pushButton_Import->isEnabled() && ui.pushButton_Export->isEnabled());
            w.sendCmd(QStringLiteral("AT+VER?"));
            QTRY_VERIFY(sim.receivedLines().endsWith("AT+VER?\r\n"));
            const Lines expected = import ? Lines{"AT+ATTP=1\r\n", "AT+VER?\r\n"} : Lines{"AT+VER?\r\n"};
            QCOMPARE(sim.receivedLines(), expected);
        }
    }

    void delayServesEventsWithoutSpinning()
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
        QVERIFY2(elapsed >= 300 && elapsed < 1500 && ticks >= 10 && cpuMs < 150,
                 qPrintable(QStringLiteral("%1 ms, %2 ticks, %3 ms of CPU").arg(elapsed).arg(ticks).arg(cpuMs)));
    }

    void toTheModule_data()
    {
        QTest::addColumn<bool>("portOpen");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Lines>("sent");   // by the import
        QTest::addColumn<QStringList>("staAfterWrite");   // empty: no write
        const QByteArray wifi = "<WIFI_GROUP_ELEM><WIFI_STA>a,b</WIFI_STA></WIFI_GROUP_ELEM>";
        const QByteArray tpMode = document("<BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>" + wifi);
        const QByteArray flipGroups = "<BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>"
                                      "<BASE_GROUP_ELEM><DFWM>AT_MODE</DFWM></BASE_GROUP_ELEM>";
        QTest::newRow("TP_MODE, port open") << true << tpMode << Lines{"AT+ATTP=1\r\n"} << QStringList();
        QTest::newRow("TP_MODE, port closed") << false << tpMode << Lines{} << QStringList();
        QTest::newRow("AT_MODE, the reset's own choice") << true
            << document("<BASE_GROUP_ELEM><DFWM>AT_MODE</DFWM></BASE_GROUP_ELEM>") << Lines{"AT+ATTP=0\r\n"}
            << QStringList();
        QTest::newRow("TP_MODE then AT_MODE in one group, then a work mode that is none") << true
            << document("<BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM><DFWM>AT_MODE</DFWM><DFWM>tp</DFWM>"
                        "</BASE_GROUP_ELEM>") << Lines{"AT+ATTP=0\r\n"} << QStringList();
        QTest::newRow("two thousand groups, the last one wins") << true
            << document(flipGroups.repeated(1000) + wifi) << Lines{"AT+ATTP=0\r\n"} << QStringList();
        // CR LF and commands in the fields: the write then sends its ten commands, one line each.
        QTest::newRow("no command smuggled through a field, then a write") << true << document(
            "<BASE_GROUP_ELEM><UART>115200,8,None,1,None</UART></BASE_GROUP_ELEM>"
            "<WIFI_GROUP_ELEM><WIFI_MODE>AP模式</WIFI_MODE>"
            "<WIFI_AP>x&#13;&#10;AT+DFRST,key&#13;&#10;AT+RST,WAP2_PSK,AES,11n,6</WIFI_AP>"
            "<WIFI_STA>net&#10;AT+DFRST,pw&#13;AT+RST</WIFI_STA>"
            "<WIFI_IP>静态IP,192.168.1.2,192.168.1.1,255.255.255.0</WIFI_IP>"
            "<WIFI_DHCP>1,192.168.1.100&#13;&#10;AT+DFRST,192.168.1.200</WIFI_DHCP></WIFI_GROUP_ELEM>"
            "<TP_GROUP_ELEM><TP_TP>TCP,服务器,192.168.1.5&#13;&#10;AT+DFRST,8080</TP_TP>"
            "<TP_FRAME>50,256&#10;AT+RST,40</TP_FRAME></TP_GROUP_ELEM>")
            << Lines{} << QStringList{"netAT+DFRST", "pwAT+RST"};
    }

    // The module hears of the file's work mode once; the answer leaves the import's message on screen.
    void toTheModule()
    {
        QFETCH(bool, portOpen);
        QFETCH(QByteArray, file);
        QFETCH(Lines, sent);
        QFETCH(QStringList, staAfterWrite);
        ModSim sim;
        QString why;
        QVERIFY2(sim.start(&why), qPrintable(why));
        Quorvel w;
        Ui::QuorvelClass &ui = Access::ui(w);
        ui.comboBox_defaultWorkMode->setCurrentIndex(1);   // the reset must not announce AT_MODE
        QVERIFY(!portOpen || testsupport::openPort(w, sim.slavePath()));
        sim.clearTrace();
        Access::importCfgFile(w, writeFile(QStringLiteral("module.xml"), file));
        QCOMPARE(status(w), QStringLiteral("导入完成"));
        QVERIFY(portOpen || testsupport::openPort(w, sim.slavePath()));
        // A marker: what the import sent arrives before it, and its answers before the marker's.
        QSignalSpy answers(&w, &Quorvel::recvNewLine);
        w.sendCmd(QStringLiteral("AT+VER?"));
        QTRY_VERIFY(!answers.isEmpty() && answers.last().at(0).toString().startsWith(QLatin1String("OK=")));
        QCOMPARE(sim.receivedLines(), sent + Lines{"AT+VER?\r\n"});
        QCOMPARE(status(w), QStringLiteral("导入完成"));
        if (staAfterWrite.isEmpty())
            return;
        sim.clearTrace();
        ui.pushButton_writeConfiguartion->setEnabled(true);
        ui.pushButton_writeConfiguartion->click();
        QTRY_COMPARE_WITH_TIMEOUT(status(w), QStringLiteral("写入配置完成"), 15000);
        const Lines lines = sim.receivedLines();
        QCOMPARE(lines.size(), 10);
        for (const QByteArray &line : lines)
            QVERIFY2(line.indexOf('\r') == line.size() - 2 && line.indexOf('\n') == line.size() - 1, line.constData());
        QCOMPARE(sim.fields(QStringLiteral("STAMOD")), staAfterWrite);
    }
};

QTEST_MAIN(tst_CfgFile)
#include "tst_cfgfile.moc"
