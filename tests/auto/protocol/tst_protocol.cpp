// The module protocol end to end: the window on one side of a pseudo-terminal,
// the simulated module on the other. Checks compare with what the module
// received and holds, never with the program's own tables.
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>

#include "tests/common/testsupport.h"
#include "tools/modsim/modsim.h"

using Lines = QList<QByteArray>;
using Replies = QMap<QByteArray, Lines>;   // by command head: the module's answers replaced, in turn
using Fields = QMap<QString, QStringList>;
using Access = QuorvelTestAccess;

namespace {

Lines crlfLines(std::initializer_list<const char *> texts)
{
    Lines out;
    for (const char *t : texts)
        out << QByteArray(t) + "\r\n";
    return out;
}

const Lines readQueries = crlfLines({"AT+VER?", "AT+MAC?", "AT+APSTA?", "AT+NETS?", "AT+CURIP?", "AT+UART?",
                                     "AT+APMOD?", "AT+APKEY?", "AT+STAMOD?", "AT+IPCFG?", "AT+DHCP?",
                                     "AT+TPSOCK?", "AT+FFRAME?", "AT+AFRAME?"});
const Lines defaultWrite = crlfLines({"AT+APSTA=0", "AT+APMOD=,4,2", "AT+APKEY=4,3,", "AT+STAMOD=,", "AT+IPCFG=0",
                                      "AT+DHCP=0,,", "AT+TPSOCK=0,0,,", "AT+FFRAME=", "AT+AFRAME=,",
                                      "AT+UART=5,8,0,1,0"});
const Lines fullWrite = crlfLines({"AT+APSTA=1", "AT+APMOD=Lab AP,5,13", "AT+APKEY=7,5,pass word",
                                   "AT+STAMOD=Office Net,secret", "AT+IPCFG=1,10.1.2.3,10.1.2.254,255.255.255.0",
                                   "AT+DHCP=1,10.1.2.100,10.1.2.199", "AT+TPSOCK=1,1,10.9.8.7,5000",
                                   "AT+FFRAME=120", "AT+AFRAME=256,40", "AT+UART=3,7,2,2,1"});
const QString readDone = QStringLiteral("读取配置完成");
const QString readFailed = QStringLiteral("读取配置遇到错误");
const QString writeDone = QStringLiteral("写入配置完成");
const QString writeFailed = QStringLiteral("写入配置遇到错误");

// Every writable field away from its default: STA role, HT40 on channel 13,
// 38400 baud, 7 data bits, odd parity, 2 stop bits, hardware flow.
const QVariantMap fullForm = {
    {"comboBox_wifi_mode", 1}, {"lineEdit_AP_SSID", "Lab AP"}, {"comboBox_MODE", 4}, {"comboBox_CH", 12},
    {"comboBox_AUTH", 7}, {"comboBox_CRYPT", 5}, {"lineEdit_AP_KEY", "pass word"}, {"lineEdit_STA_SSID", "Office Net"},
    {"lineEdit_STA_KEY", "secret"}, {"comboBox_ip_mode", 1}, {"lineEdit_set_ip", "10.1.2.3"},
    {"lineEdit_set_gatway", "10.1.2.254"}, {"lineEdit_set_mask", "255.255.255.0"}, {"checkBox_en_dhcp", true},
    {"lineEdit_dhcp_start_ip", "10.1.2.100"}, {"lineEdit_dhcp_end_ip", "10.1.2.199"}, {"comboBox_TP_TCP_UDP", 1},
    {"comboBox_TP_S_C", 1}, {"lineEdit_TP_ADDR", "10.9.8.7"}, {"lineEdit_TP_PORT", "5000"},
    {"lineEdit_fframe_time", "120"}, {"lineEdit_aframe_len", "256"}, {"lineEdit_aframe_time", "40"},
    {"comboBox_deviceBps", 3}, {"comboBox_deviceDataBit", 2}, {"comboBox_deviceParBit", 2},
    {"comboBox_deviceStopBit", 1}, {"comboBox_deviceFlow", 1}};

// The module that reads as fullForm, with a comma inside the AP's SSID, in
// TP_MODE, and the rest of what the form shows of it.
const Fields configuredModule = {
    {"VER", {"V9.9-test"}}, {"MAC", {"02:00:00:AA:BB:CC"}}, {"APSTA", {"1"}}, {"NETS", {"1", "1"}},
    {"CURIP", {"10.0.0.7", "10.0.0.1", "255.255.0.0"}}, {"UART", {"3", "7", "2", "2", "1"}},
    {"APMOD", {"Lab,AP", "5", "13"}}, {"APKEY", {"7", "5", "pass word"}}, {"STAMOD", {"Office Net", "secret"}},
    {"IPCFG", {"1", "10.1.2.3", "10.1.2.254", "255.255.255.0"}}, {"DHCP", {"1", "10.1.2.100", "10.1.2.199"}},
    {"TPSOCK", {"1", "1", "10.9.8.7", "5000"}}, {"FFRAME", {"120"}}, {"AFRAME", {"256", "40"}}, {"ATTP", {"1"}}};

const QVariantMap configuredForm = {
    {"lineEdit_AP_SSID", "Lab,AP"}, {"lineEdit_deviceSoftwareVer", "V9.9-test"},
    {"lineEdit_device_mac", "02:00:00:AA:BB:CC"}, {"lineEdit_wifi_mode", "STA"}, {"lineEdit_net_state", "ON"},
    {"lineEdit_ip", "10.0.0.7"}, {"lineEdit_ip_gatway", "10.0.0.1"}, {"lineEdit_ip_mask", "255.255.0.0"}};

// Line edits by text, selectors by index, check boxes by state.
const char *valueProperty(QObject *o)
{
    return qobject_cast<QComboBox *>(o) ? "currentIndex" : o->metaObject()->userProperty().name();
}

QVariantMap formState(Quorvel &w, const QStringList &names)
{
    QVariantMap state;
    for (const QString &name : names) {
        QObject *o = w.findChild<QObject *>(name);
        state.insert(name, o->property(valueProperty(o)));
    }
    return state;
}

} // namespace

class tst_Protocol : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_w.reset();
        QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path()));   // no settings file of anyone else
        m_sim = std::make_unique<ModSim>();
        QString error;
        QVERIFY2(m_sim->start(&error), qPrintable(error));
        m_w = std::make_unique<Quorvel>();
        QVERIFY(testsupport::openPort(*m_w, m_sim->slavePath()));
        m_linesBefore.clear();
        m_at.clear();
        m_clock.start();
        auto lines = std::make_shared<int>(0);
        connect(m_w.get(), &Quorvel::recvNewLine, this, [lines] { ++*lines; });
        connect(m_sim.get(), &ModSim::lineReceived, this, [this, lines] {
            m_linesBefore << *lines;
            m_at << m_clock.elapsed();
            ui().tabWidget->setCurrentIndex(0);   // the user looks elsewhere meanwhile
        });
    }

    void read_data()
    {
        QTest::addColumn<QString>("fault");   // of the module: "echo", "noise" (every 3 ms), "split" (byte by byte)
        QTest::addColumn<Fields>("fields");   // module values other than configuredModule's
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<Lines>("queries");
        QTest::addColumn<QVariantMap>("form");   // fields other than fullForm's and configuredForm's

        Lines retried = readQueries;
        retried.insert(3, "AT+NETS?\r\n");
        retried.insert(2, "AT+APSTA?\r\n");
        const QVariantMap off{{"lineEdit_net_state", "OFF"}, {"lineEdit_ip", "未知"},
                              {"lineEdit_ip_gatway", "未知"}, {"lineEdit_ip_mask", "未知"}};

        QTest::newRow("plain answers") << "" << Fields() << Replies() << readQueries << QVariantMap();
        QTest::newRow("commands echoed") << "echo" << Fields() << Replies() << readQueries << QVariantMap();
        QTest::newRow("unsolicited lines") << "noise" << Fields() << Replies() << readQueries << QVariantMap();
        QTest::newRow("answers byte by byte") << "split" << Fields() << Replies() << readQueries << QVariantMap();
        QTest::newRow("two queries in a row fail once, each gets its retry")
            << "" << Fields() << Replies{{"AT+APSTA?", {"ERR=1\r\n"}}, {"AT+NETS?", {"ERR=2\r\n"}}} << retried
            << QVariantMap();
        QTest::newRow("network off, address query answers ERR")
            << "" << Fields{{"NETS", {"1", "0"}}} << Replies() << readQueries << off;
        QTest::newRow("network off, address query answers OK")   // "off", but the module has an address
            << "" << Fields() << Replies{{"AT+NETS?", {"OK=1,0\r\n"}}} << readQueries << off;
        QTest::newRow("a key with commas after the two codes")
            << "" << Fields{{"APKEY", {"6", "2", "pa,ss"}}} << Replies() << readQueries
            << QVariantMap{{"comboBox_AUTH", 6}, {"comboBox_CRYPT", 2}, {"lineEdit_AP_KEY", "pa,ss"}};
    }

    // The form's reset at the start must not send "AT+ATTP=0" (the module is in TP_MODE).
    void read()
    {
        QFETCH(QString, fault);
        QFETCH(Fields, fields);
        QFETCH(Replies, replies);
        QFETCH(Lines, queries);
        QFETCH(QVariantMap, form);
        for (const Fields &values : {configuredModule, fields}) {
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                m_sim->setFields(it.key(), it.value());
        }
        {
            const QSignalBlocker quiet(ui().comboBox_defaultWorkMode);
            ui().comboBox_defaultWorkMode->setCurrentIndex(1);
        }
        m_sim->setEcho(fault == QLatin1String("echo"));
        m_sim->setNoise(fault == QLatin1String("noise") ? 3 : 0);
        m_sim->setSplit(fault == QLatin1String("split"));
        reply(replies);
        run(ui().pushButton_readConfiguration, readDone);
        QCOMPARE(m_sim->receivedLines(), queries);
        if (fault.isEmpty())
            checkInStep();
        QVariantMap expected = fullForm;
        for (const QVariantMap &more : {configuredForm, form})
            expected.insert(more);
        QCOMPARE(formState(*m_w, expected.keys()), expected);

        // Every information field shows the start of its value, all of it
        // when it is a MAC or an IP address, and its tooltip the whole.
        for (QLineEdit *edit : {ui().lineEdit_deviceSoftwareVer, ui().lineEdit_device_mac, ui().lineEdit_wifi_mode,
                                ui().lineEdit_net_state, ui().lineEdit_ip, ui().lineEdit_ip_gatway,
                                ui().lineEdit_ip_mask}) {
            QCOMPARE(edit->cursorPosition(), 0);
            QCOMPARE(edit->toolTip(), edit->text());
        }
        // With its end in view (painting scrolls the text), a MAC's first character still is.
        QLineEdit *mac = ui().lineEdit_device_mac;
        mac->setText(QStringLiteral("AC:CF:23:5A:10:7E"));
        mac->setCursorPosition(mac->text().size());
        mac->grab();
        QCOMPARE(mac->cursorPositionAt(QPoint(0, mac->height() / 2)), 0);

        // A user's command answered while the read's message shows leaves it there.
        QSignalSpy answered(m_w.get(), &Quorvel::recvNewLine);
        ui().lineEdit_cmd->setText(QStringLiteral("AT"));
        ui().pushButton_send->click();
        QTRY_VERIFY(std::any_of(answered.cbegin(), answered.cend(),
                                [](const QList<QVariant> &args) { return args.at(0).toString() == "OK\r\n"; }));
        QCOMPARE(status(), readDone);
    }

    // Texts in the wire encoding; what a read could not show as the module
    // holds it is named, and the write then sends nothing ("no" / "yes": the
    // answer to the question before the first write of an unread form).
    void refusals_data()
    {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<QByteArrayList>("raw");   // the module's fields
        QTest::addColumn<QString>("readEnd");      // empty: no read
        QTest::addColumn<QString>("writeEnd");     // empty: the status bar keeps what it had
        QTest::addColumn<QByteArray>("written");   // the line the module receives, or none

        const QByteArray office = "\xb0\xec\xb9\xab\xca\xd2";   // "办公室" in GBK
        QTest::newRow("unread form, no") << "UTF-8" << QByteArray("APKEY") << QByteArrayList{"4", "3", ""}
                                         << "" << "" << QByteArray();
        QTest::newRow("GBK SSID read in GBK goes back as it came")
            << "GBK" << QByteArray("APMOD") << QByteArrayList{office, "4", "6"} << readDone << writeDone
            << "AT+APMOD=" + office + ",4,6\r\n";
        QTest::newRow("GBK SSID read in UTF-8")
            << "UTF-8" << QByteArray("APMOD") << QByteArrayList{office, "4", "6"}
            << "读取配置完成，但AP设置/SSID不是有效的UTF-8文本"
            << "未写入：AP设置/SSID不是有效的UTF-8文本，请修改，或换一种编码重新读取" << QByteArray();
        QTest::newRow("codes outside the selectors' lists")
            << "UTF-8" << QByteArray("UART") << QByteArrayList{"9", "8", "3", "1", "0"}
            << "读取配置完成，但UART参数/波特率、UART参数/校验位的值不在列表中"
            << "未写入：UART参数/波特率、UART参数/校验位没有选择值" << QByteArray();
        QTest::newRow("typed text GBK cannot carry")
            << "GBK" << QByteArray("STAMOD") << QByteArrayList{"net", "pw"} << readDone
            << "未写入：STA设置/密码含有GBK不能表示的字符" << QByteArray();
    }

    void refusals()
    {
        QFETCH(QString, encoding);
        QFETCH(QByteArray, word);
        QFETCH(QByteArrayList, raw);
        QFETCH(QString, readEnd);
        QFETCH(QString, writeEnd);
        QFETCH(QByteArray, written);
        m_sim->setRawFields(QString::fromLatin1(word), raw);
        ui().comboBox_encoding->setCurrentText(encoding);
        if (!readEnd.isEmpty())
            run(ui().pushButton_readConfiguration, readEnd);
        if (word == "STAMOD")   // typed after the read
            ui().lineEdit_STA_KEY->setText(ui().lineEdit_STA_KEY->text() + QStringLiteral("😀"));
        m_sim->clearTrace();
        m_w->statusBar()->showMessage(QStringLiteral("before"));
        QString question;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        if (readEnd.isEmpty())
            testsupport::dismissNextMessageBox(&question, QMessageBox::No, &defaultButton);
        ui().pushButton_writeConfiguartion->click();
        if (readEnd.isEmpty()) {
            QTRY_VERIFY(!question.isEmpty());
            QVERIFY2(question.contains(QStringLiteral("替换模块的配置")), qPrintable(question));
            QCOMPARE(defaultButton, QMessageBox::No);
        }
        QTRY_COMPARE_WITH_TIMEOUT(status(), writeEnd.isEmpty() ? QStringLiteral("before") : writeEnd, 10000);
        m_w->sendCmd(QStringLiteral("AT"));   // marks the end of what the write sent
        QTRY_VERIFY(m_sim->receivedLines().endsWith("AT\r\n"));
        const Lines lines = m_sim->receivedLines();
        QCOMPARE(lines.size() == 1, written.isEmpty());
        if (!written.isEmpty()) {
            QCOMPARE(lines.at(1), written);
            QCOMPARE(m_sim->rawFields(QString::fromLatin1(word)), raw);
        }
        if (encoding == QLatin1String("UTF-8") && word == "APMOD") {
            // The user types the SSID anew: now it is the user's text, and it goes out.
            ui().lineEdit_AP_SSID->selectAll();
            QTest::keyClicks(ui().lineEdit_AP_SSID, QStringLiteral("Cafe"));
            run(ui().pushButton_writeConfiguartion, writeDone);
            QCOMPARE(m_sim->fields(QStringLiteral("APMOD")), QStringList({"Cafe", "4", "6"}));
        }
    }

    void readFailsAfterSecondSilence()
    {
        m_sim->setSilent(QStringLiteral("AT+MAC?"));
        run(ui().pushButton_readConfiguration, readFailed);
        const qint64 failedAt = m_clock.elapsed();
        QCOMPARE(m_sim->receivedLines(), crlfLines({"AT+VER?", "AT+MAC?", "AT+MAC?"}));
        // 3 s each, give or take the 5 % of a coarse timer.
        QVERIFY2(m_at.at(2) - m_at.at(1) >= 2800 && m_at.at(2) - m_at.at(1) < 4000,
                 QByteArray::number(m_at.at(2) - m_at.at(1)));
        QVERIFY2(failedAt - m_at.at(2) >= 2800, QByteArray::number(failedAt - m_at.at(2)));
        QCOMPARE(ui().lineEdit_deviceSoftwareVer->text(), m_sim->fields("VER").at(0));   // kept
    }

    // The answer to the first version query comes after the retry, followed
    // by the retry's answer: that one answers the next query.
    void lateAnswerTakenByPosition()
    {
        reply({{"AT+VER?", {"", "OK=late\r\nOK=retried\r\n"}}});
        ui().pushButton_readConfiguration->click();
        QTRY_COMPARE_WITH_TIMEOUT(ui().lineEdit_device_mac->text(), QStringLiteral("retried"), 6000);
        QCOMPARE(ui().lineEdit_deviceSoftwareVer->text(), QStringLiteral("late"));
    }

    // A control pressed while the read waits goes out at once; then the port
    // is closed: nothing more is sent, the read fails, read and write stay off.
    void controlAndCloseDuringRead()
    {
        m_sim->setDelay(300);
        ui().pushButton_readConfiguration->click();
        QTRY_COMPARE(m_sim->receivedLines().size(), 1);
        ui().pushButton_startNet->click();
        QTRY_COMPARE(m_sim->receivedLines(), crlfLines({"AT+VER?", "AT+STANET=1"}));   // before the version came
        ui().pushButton_openCom->click();   // close
        QVERIFY(!Access::comIsOpen(*m_w));
        const QString sentAtClose = ui().label_sendCnt->text();

        QTRY_COMPARE_WITH_TIMEOUT(status(), readFailed, 8000);
        QCOMPARE(m_sim->receivedLines().size(), 2);
        QCOMPARE(ui().label_sendCnt->text(), sentAtClose);
        QCOMPARE(cfgButtonsEnabled(), QList<bool>({false, false, true, true}));
    }

    void write_data()
    {
        QTest::addColumn<QVariantMap>("form");
        QTest::addColumn<bool>("noisy");   // echo and unsolicited lines
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<Lines>("sent");
        QTest::addColumn<QString>("end");
        QTest::addColumn<bool>("readBack");   // a read afterwards gives the same form

        QVariantMap dynamic = fullForm;
        dynamic.insert("comboBox_ip_mode", 0);
        Lines dynamicLines = fullWrite;
        dynamicLines[4] = "AT+IPCFG=0\r\n";
        Lines injected = defaultWrite;
        injected[1] = "AT+APMOD=xAT+DFRST,4,2\r\n";
        injected[2] = "AT+APKEY=4,3,a,b\r\n";   // the module keeps the commas in the key
        injected[3] = "AT+STAMOD=net,keyAT+RST\r\n";
        Lines refused = defaultWrite;
        refused.insert(7, "AT+FFRAME=\r\n");

        QTest::newRow("defaults after the reset, texts empty")
            << QVariantMap() << false << Replies() << defaultWrite << writeDone << true;
        QTest::newRow("defaults, echo and unsolicited lines")
            << QVariantMap() << true << Replies() << defaultWrite << writeDone << false;
        QTest::newRow("every field set, static address")
            << fullForm << false << Replies() << fullWrite << writeDone << true;
        QVariantMap keyWithCommas = fullForm;
        keyWithCommas.insert("lineEdit_AP_KEY", "pa,ss");
        Lines keyWithCommasLines = fullWrite;
        keyWithCommasLines[2] = "AT+APKEY=7,5,pa,ss\r\n";
        QTest::newRow("a key with commas reads back whole")
            << keyWithCommas << false << Replies() << keyWithCommasLines << writeDone << true;
        QTest::newRow("dynamic address, static fields filled")
            << dynamic << false << Replies() << dynamicLines << writeDone << true;
        QTest::newRow("line ends and NUL start no command, a comma passes")
            << QVariantMap{{"lineEdit_AP_SSID", "x\r\nAT+DFRST"}, {"lineEdit_AP_KEY", "a,b"},
                           {"lineEdit_STA_SSID", "n\re\nt"},
                           {"lineEdit_STA_KEY", QStringLiteral("key") + QChar(u'\0') + QStringLiteral("\r\nAT+RST")}}
            << false << Replies() << injected << writeDone << false;
        QTest::newRow("OK with data to a set command is a failure")
            << QVariantMap() << false << Replies{{"AT+FFRAME=", {"OK=120\r\n"}}} << refused << writeDone << false;
        QTest::newRow("ERR twice on the third command stops the write")
            << QVariantMap() << false << Replies{{"AT+APKEY=", {"ERR=1\r\n", "ERR=1\r\n"}}}
            << Lines(defaultWrite.mid(0, 3) << defaultWrite.at(2)) << writeFailed << false;
    }

    void write()
    {
        QFETCH(QVariantMap, form);
        QFETCH(bool, noisy);
        QFETCH(Replies, replies);
        QFETCH(Lines, sent);
        QFETCH(QString, end);
        QFETCH(bool, readBack);
        for (auto it = form.cbegin(); it != form.cend(); ++it) {
            QObject *o = m_w->findChild<QObject *>(it.key());
            o->setProperty(valueProperty(o), it.value());
        }
        QCOMPARE(formState(*m_w, form.keys()), form);   // the form really holds the row's texts
        QStringList compared = fullForm.keys();
        if (ui().comboBox_ip_mode->currentIndex() == 0) {
            // A dynamic address sends no static fields; the module keeps its own.
            for (const char *name : {"lineEdit_set_ip", "lineEdit_set_gatway", "lineEdit_set_mask"})
                compared.removeAll(QLatin1String(name));
        }
        const QVariantMap written = formState(*m_w, compared);
        m_sim->setEcho(noisy);
        m_sim->setNoise(noisy ? 3 : 0);
        reply(replies);
        QString question;
        testsupport::dismissNextMessageBox(&question, QMessageBox::Yes);   // an unread form asks first
        run(ui().pushButton_writeConfiguartion, end);
        QVERIFY(!question.isEmpty());
        QSignalSpy answers(m_w.get(), &Quorvel::recvNewLine);
        m_w->sendCmd(QStringLiteral("AT"));   // marks the end of what the write sent
        sent << "AT\r\n";
        QTRY_COMPARE(m_sim->receivedLines(), sent);
        // Its "OK" must not arrive during the read back, as the first query's answer.
        QTRY_VERIFY(answers.contains(QVariantList{QStringLiteral("OK\r\n")}));
        if (!noisy)
            checkInStep();
        if (readBack) {
            ui().comboBox_wifi_mode->setCurrentIndex(1 - ui().comboBox_wifi_mode->currentIndex());   // reset keeps it
            run(ui().pushButton_readConfiguration, readDone);
            QCOMPARE(formState(*m_w, compared), written);
        }
    }

    // Each control: with the port closed nothing is sent or counted; open, it
    // sends its exact bytes at once, and the module's answer shows in the
    // status bar in Chinese, then in English ("-": the status bar keeps what it had).
    void controls_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("index");   // the work-mode box's new index
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("chinese");
        QTest::addColumn<QString>("english");
        QTest::newRow("reset, OK") << "pushButton_reset" << -1 << QByteArray("AT+RST\r\n") << QByteArray("OK\r\n")
                                   << "成功" << "Successful";
        QTest::newRow("factory restore, busy") << "pushButton_restore" << -1 << QByteArray("AT+DFRST\r\n")
                                               << QByteArray("ERR=2\r\n") << "错误：设备忙" << "Error:Busy";
        QTest::newRow("start network, code with leading zeros")
            << "pushButton_startNet" << -1 << QByteArray("AT+STANET=1\r\n") << QByteArray("ERR=005\r\n")
            << "错误：指令没有已回车换行结束" << "Error:Cmd Not end with Carriage return and line feed";
        QTest::newRow("leave network, code not in the table") << "pushButton_leaveNet" << -1
            << QByteArray("AT+STANET=0\r\n") << QByteArray("ERR=9\r\n") << "错误：" << "Error:";
        QTest::newRow("enter TP mode, four-digit code") << "pushButton_enter_TP" << -1
            << QByteArray("AT+TPMOD\r\n") << QByteArray("ERR=1000\r\n") << "-" << "-";
        QTest::newRow("quit TP mode, no line end") << "pushButton_quit_TP" << -1 << QByteArray("+++") << QByteArray()
                                                   << "-" << "-";
        QTest::newRow("work mode TP_MODE, data answer") << "comboBox_defaultWorkMode" << 1
            << QByteArray("AT+ATTP=1\r\n") << QByteArray("OK=1\r\n") << "-" << "-";
        QTest::newRow("work mode AT_MODE, OK") << "comboBox_defaultWorkMode" << 0 << QByteArray("AT+ATTP=0\r\n")
                                               << QByteArray("OK\r\n") << "成功" << "Successful";
    }

    void controls()
    {
        QFETCH(QString, control);
        QFETCH(int, index);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, answer);
        QFETCH(QString, chinese);
        QFETCH(QString, english);
        const auto act = [&] {
            if (index < 0)
                return m_w->findChild<QPushButton *>(control)->click();
            QComboBox *box = ui().comboBox_defaultWorkMode;
            {
                const QSignalBlocker quiet(box);
                box->setCurrentIndex(1 - index);
            }
            box->setCurrentIndex(index);
        };
        ui().pushButton_openCom->click();
        act();
        QCOMPARE(ui().label_sendCnt->text(), QStringLiteral("0"));
        QVERIFY(testsupport::openPort(*m_w, m_sim->slavePath()));
        reply({{ModSim::commandHead(bytes), {answer, answer}}});
        m_w->installTranslator();
        for (const bool inEnglish : {false, true}) {
            if (inEnglish)
                Access::langButton(*m_w)->click();   // to English, from the program's own catalogue
            m_w->statusBar()->showMessage(QStringLiteral("before"));
            QSignalSpy received(m_w.get(), &Quorvel::recvNewLine);
            act();
            QVERIFY(answer.isEmpty() || received.wait(3000));
            const QString shown = inEnglish ? english : chinese;
            QCOMPARE(status(), shown == QLatin1String("-") ? QStringLiteral("before") : shown);
        }
        QCOMPARE(ui().label_sendCnt->text(), QString::number(2 * bytes.size()));
        m_w->sendCmd(QStringLiteral("AT"));   // marks the end of what the controls sent
        QTRY_COMPARE(m_sim->receivedBytes(), bytes + bytes + "AT\r\n");
    }

private:
    Ui::QuorvelClass &ui() { return Access::ui(*m_w); }
    QString status() const { return m_w->statusBar()->currentMessage(); }
    QList<bool> cfgButtonsEnabled()   // read, write, import, export
    {
        return {ui().pushButton_readConfiguration->isEnabled(), ui().pushButton_writeConfiguartion->isEnabled(),
                ui().pushButton_Import->isEnabled(), ui().pushButton_Export->isEnabled()};
    }

    // Replaces the module's answers to lines with these heads, in turn ("": silence).
    void reply(const Replies &replies)
    {
        for (auto it = replies.cbegin(); it != replies.cend(); ++it)
            m_sim->setSilent(QString::fromLatin1(it.key()), int(it.value().size()));
        connect(m_sim.get(), &ModSim::lineReceived, this,
                [this, replies, turn = QHash<QByteArray, int>()](const QByteArray &line) mutable {
                    const QByteArray head = ModSim::commandHead(line);
                    if (turn.value(head) < replies.value(head).size())
                        m_sim->sendRaw(replies.value(head).at(turn[head]++));
                });
    }

    // Each line reached the module after the answer to the one before it,
    // and no answer was waited out.
    void checkInStep()
    {
        QVERIFY2(m_at.last() < 2500, qPrintable(QString::number(m_at.last())));
        for (int i = 0; i < m_linesBefore.size(); ++i)
            QCOMPARE(m_linesBefore.at(i), i);
    }

    // Starts a read or write from the third tab and waits for its end message.
    void run(QPushButton *button, const QString &end)
    {
        ui().tabWidget->setCurrentIndex(2);
        QStringList shown;
        const auto watch = connect(m_w->statusBar(), &QStatusBar::messageChanged, this,
                                   [&shown](const QString &text) { shown << text; });
        button->click();
        QCOMPARE(cfgButtonsEnabled(), QList<bool>(4, false));
        QTRY_COMPARE_WITH_TIMEOUT(status(), end, 10000);
        disconnect(watch);
        // The sequence's own answers never reach the status bar.
        shown.removeAll(QString());
        QCOMPARE(shown, QStringList{end});
        QCOMPARE(ui().tabWidget->currentIndex(), 2);
        QCOMPARE(cfgButtonsEnabled(), QList<bool>(4, true));
    }

    QTemporaryDir m_dir;
    std::unique_ptr<ModSim> m_sim;
    std::unique_ptr<Quorvel> m_w;
    // When each line reached the module: lines the window had received, and ms.
    QList<int> m_linesBefore;
    QList<qint64> m_at;
    QElapsedTimer m_clock;
};

QTEST_MAIN(tst_Protocol)
#include "tst_protocol.moc"
