// The module protocol end to end, the window and the simulated module on the two sides of a
// pseudo-terminal: checks compare with what the module received and holds and what the user sees.
#include <QSignalSpy>

#include "tests/common/testsupport.h"

using Lines = QList<QByteArray>;
using Replies = QMap<QByteArray, Lines>;   // by command head: the module's answers replaced, in turn

namespace {

Lines crlf(QByteArray commands)   // "|" between lines
{
    commands.replace('|', "\r\n|").append("\r\n");
    return commands.split('|');
}

const Lines defaultWrite = crlf("AT+APSTA=0|AT+APMOD=,4,2|AT+APKEY=4,3,|AT+STAMOD=,|AT+IPCFG=0|AT+DHCP=0,,|"
                                "AT+TPSOCK=0,0,,|AT+FFRAME=|AT+AFRAME=,|AT+UART=5,8,0,1,0");
const Lines fullWrite = crlf("AT+APSTA=1|AT+APMOD=Lab AP,5,13|AT+APKEY=7,5,pa,ss|AT+STAMOD=Office Net,secret|"
                             "AT+IPCFG=1,10.1.2.3,10.1.2.254,255.255.255.0|AT+DHCP=1,10.1.2.100,10.1.2.199|"
                             "AT+TPSOCK=1,1,10.9.8.7,5000|AT+FFRAME=120|AT+AFRAME=256,40|AT+UART=3,7,2,2,1");
const Lines readQueries = crlf("AT+VER?|AT+MAC?|AT+APSTA?|AT+NETS?|AT+CURIP?|AT+UART?|AT+APMOD?|AT+APKEY?|"
                               "AT+STAMOD?|AT+IPCFG?|AT+DHCP?|AT+TPSOCK?|AT+FFRAME?|AT+AFRAME?");
const QString readDone = QStringLiteral("读取配置完成"), readFailed = QStringLiteral("读取配置遇到错误：");
const QString writeDone = QStringLiteral("写入配置完成"), writeFailed = QStringLiteral("写入配置遇到错误：");
const QString verified = QStringLiteral("写入并校验完成");

const QVariantMap fullForm = {   // every writable field away from its default
    {"comboBox_wifi_mode", 1}, {"lineEdit_AP_SSID", "Lab AP"}, {"comboBox_MODE", 4}, {"comboBox_CH", 12},
    {"comboBox_AUTH", 7}, {"comboBox_CRYPT", 5}, {"lineEdit_AP_KEY", "pa,ss"}, {"lineEdit_STA_SSID", "Office Net"},
    {"lineEdit_STA_KEY", "secret"}, {"comboBox_ip_mode", 1}, {"lineEdit_set_ip", "10.1.2.3"},
    {"lineEdit_set_gatway", "10.1.2.254"}, {"lineEdit_set_mask", "255.255.255.0"}, {"checkBox_en_dhcp", true},
    {"lineEdit_dhcp_start_ip", "10.1.2.100"}, {"lineEdit_dhcp_end_ip", "10.1.2.199"}, {"comboBox_TP_TCP_UDP", 1},
    {"comboBox_TP_S_C", 1}, {"lineEdit_TP_ADDR", "10.9.8.7"}, {"lineEdit_TP_PORT", "5000"},
    {"lineEdit_fframe_time", "120"}, {"lineEdit_aframe_len", "256"}, {"lineEdit_aframe_time", "40"},
    {"comboBox_deviceBps", 3}, {"comboBox_deviceDataBit", 2}, {"comboBox_deviceParBit", 2},
    {"comboBox_deviceStopBit", 1}, {"comboBox_deviceFlow", 1}};

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

// Fields set, the module's fault ("noise": echo and a line every 3 ms, "split": byte by byte, "ignore X":
// X answered OK and not kept), answers replaced, the lines it receives, the end message, whether the write
// is verified (the read after it gives the form back).
struct WriteRow { QVariantMap form; QString fault; Replies replies; Lines sent; QString end; bool verify; };
// A button (pushButton_...), its bytes, the module's answer, the status shown ("": the status bar keeps what it had).
struct Control { QString button; QByteArray bytes, answer; QString shown; };

} // namespace

Q_DECLARE_METATYPE(WriteRow)
Q_DECLARE_METATYPE(Control)

class tst_Protocol : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QUORVEL_START(m_f);
        // While the module is busy, the user looks elsewhere.
        connect(&m_f->sim, &ModSim::lineReceived, this, [this] { ui().tabWidget->setCurrentIndex(0); });
    }

    void write_data()
    {
        Lines injected = defaultWrite, refused = fullWrite, retried = readQueries;
        injected[1] = "AT+APMOD=xAT+DFRST,4,2\r\n";
        injected[3] = "AT+STAMOD=net,keyAT+RST\r\n";
        refused.insert(7, "AT+FFRAME=120\r\n");
        retried.insert(3, "AT+NETS?\r\n");
        retried.insert(2, "AT+APSTA?\r\n");
        const QVariantMap lineBreaks{{"lineEdit_AP_SSID", "x\r\nAT+DFRST"}, {"lineEdit_STA_SSID", "n\re\nt"},
                                     {"lineEdit_STA_KEY", QStringLiteral("key") + QChar(u'\0') + "\r\nAT+RST"}};
        const Replies okData{{"AT+FFRAME=", {"OK=120\r\n"}}, {"AT+APSTA?", {"ERR=1\r\n"}}, {"AT+NETS?", {"ERR=2\r\n"}}};
        const Replies errTwice{{"AT+APKEY=", {"ERR=1\r\n", "ERR=1\r\n"}}};
        QTest::addColumn<WriteRow>("row");
        QTest::newRow("every field set, amid echo and unsolicited lines, verified")
            << WriteRow{fullForm, "noise", {}, fullWrite + readQueries, verified, true};
        QTest::newRow("OK with data is a failure; verify read byte by byte, two queries in a row failing once")
            << WriteRow{fullForm, "split", okData, refused + retried, verified, true};
        QTest::newRow("line ends and NUL start no command") << WriteRow{lineBreaks, "", {}, injected, writeDone, false};
        QTest::newRow("ERR twice on the third command stops the write, naming it")
            << WriteRow{{}, "", errTwice, defaultWrite.mid(0, 3) << defaultWrite.at(2),
                        writeFailed + "AT+APKEY= 回答 ERR=1（通用错误）", true};
        QTest::newRow("verify names what the module did not keep")
            << WriteRow{fullForm, "ignore AT+STAMOD=", {}, fullWrite + readQueries,
                        "写入配置完成，但校验发现不同：STA设置/目标SSID 写入“Office Net”，模块为“OfficeNet”；"
                        "STA设置/密码 写入“secret”，模块为“office-pass”", true};
    }

    // The write sends a line on the answer to the one before, retried once; a read gives
    // back what the module took; a late answer leaves the end message in the status bar.
    void write()
    {
        QFETCH(WriteRow, row);
        for (auto it = row.form.cbegin(); it != row.form.cend(); ++it) {
            QObject *o = w()->findChild<QObject *>(it.key());
            o->setProperty(valueProperty(o), it.value());
        }
        const QVariantMap written = formState(*w(), fullForm.keys());
        ui().checkBox_verifyWrite->setChecked(row.verify);
        if (row.fault.startsWith(QLatin1String("ignore ")))
            m_f->sim.setIgnored(row.fault.mid(7));
        m_f->sim.setEcho(row.fault == QLatin1String("noise"));
        m_f->sim.setNoise(row.fault == QLatin1String("noise") ? 3 : 0);
        m_f->sim.setSplit(row.fault == QLatin1String("split"));
        reply(row.replies);
        m_f->dismissNextBox(QMessageBox::Yes);
        run(ui().pushButton_writeConfiguartion, row.end);
        QVERIFY(m_f->boxText.contains(QStringLiteral("替换模块的配置")));   // an unread form asks first
        QCOMPARE(sentSoFar(), row.sent << "AT\r\n");
        QCOMPARE(m_f->status(), row.end);
        if (row.end == verified)
            QCOMPARE(formState(*w(), fullForm.keys()), written);
    }

    // Each command of the read and of the write goes out twice at most: refused twice, it ends its sequence,
    // named, and nothing after it is sent.
    void everyCommandTriedTwice()
    {
        const auto tries = [this](const Lines &commands, QPushButton *button, const QString &failed) {
            for (int i = 0; i < commands.size(); ++i) {
                const QByteArray head = ModSim::commandHead(commands.at(i));
                m_f->sim.setError(QString::fromLatin1(head), 1);
                m_f->sim.clearTrace();
                if (button == ui().pushButton_writeConfiguartion)
                    m_f->dismissNextBox(QMessageBox::Yes);   // the form is not the module's
                button->click();
                QTRY_COMPARE(m_f->status(), failed + head + QStringLiteral(" 回答 ERR=1（通用错误）"));
                QCOMPARE(sentSoFar(), commands.mid(0, i + 1) << commands.at(i) << "AT\r\n");
                m_f->sim.setError(QString::fromLatin1(head), 1, 0);
            }
        };
        ui().checkBox_verifyWrite->setChecked(false);
        tries(readQueries, ui().pushButton_readConfiguration, readFailed);
        w()->resetCfgWidgets();
        tries(defaultWrite, ui().pushButton_writeConfiguartion, writeFailed);
    }

    // Read in UTF-8, GBK text, an empty speed, a Wi-Fi role 7 and a DHCP flag "yes" are named and stop the
    // write; in GBK a text read goes back as it came, and a typed one GBK cannot carry stops the write.
    void textsThatCannotGoBack()
    {
        const QByteArrayList apmod{"\xb0\xec\xb9\xab\xca\xd2", "4", "6"};   // "办公室" in GBK
        m_f->sim.setRawFields(QStringLiteral("APMOD"), apmod);
        m_f->sim.setFields(QStringLiteral("UART"), {"", "8", "0", "1", "0"});
        m_f->sim.setFields(QStringLiteral("APSTA"), {"7"});
        m_f->sim.setFields(QStringLiteral("DHCP"), {"yes", "", ""});
        ui().checkBox_en_dhcp->setChecked(true);
        run(ui().pushButton_readConfiguration, QStringLiteral("读取配置完成，但AP设置/SSID不是有效的UTF-8文本；"
                                                              "UART参数/波特率、WIFI模式、IP设置/使能DHCP的值不在列表中"));
        QCOMPARE(ui().lineEdit_wifi_mode->text(), QStringLiteral("7"));
        m_f->sim.clearTrace();
        ui().pushButton_writeConfiguartion->click();   // refused
        QCOMPARE(m_f->status(), QStringLiteral("未写入：UART参数/波特率、WIFI模式、IP设置/使能DHCP没有选择值；"
                                               "AP设置/SSID不是有效的UTF-8文本，请修改，或换一种编码重新读取"));
        QCOMPARE(sentSoFar(), Lines{"AT\r\n"});
        m_f->sim.setFields(QStringLiteral("UART"), {"5", "8", "0", "1", "0"});
        m_f->sim.setFields(QStringLiteral("APSTA"), {"1"});
        m_f->sim.setFields(QStringLiteral("DHCP"), {"0", "", ""});
        ui().comboBox_encoding->setCurrentText(QStringLiteral("GBK"));
        run(ui().pushButton_readConfiguration, readDone);
        m_f->sim.clearTrace();
        m_f->dismissNextBox(QMessageBox::Yes);   // the module's values are known: nothing to change
        run(ui().pushButton_writeConfiguartion, verified);
        QVERIFY2(m_f->boxText.contains(QStringLiteral("没有要改动的")), qPrintable(m_f->boxText));
        QCOMPARE(sentSoFar().at(1), "AT+APMOD=" + apmod.join(',') + "\r\n");
        ui().lineEdit_STA_KEY->setText(QStringLiteral("pw😀"));
        m_f->sim.clearTrace();
        ui().pushButton_writeConfiguartion->click();
        QCOMPARE(m_f->status(), QStringLiteral("未写入：STA设置/密码含有GBK不能表示的字符"));
        QCOMPARE(sentSoFar(), Lines{"AT\r\n"});
    }

    // A silent module is asked twice, one time-out apart; a control pressed meanwhile goes out at once. A write that
    // loses its port fails, read and write stay off, and one asked for anyway (button off) starts nothing.
    void silenceAndClose()
    {
        m_f->sim.setSilent(QStringLiteral("AT+VER?"));
        m_f->sim.setSilent(QStringLiteral("AT+STANET="));
        const QDeadlineTimer early(testsupport::ModuleWindow::answerTimeoutMs * 95 / 100);
        QSignalSpy ended(w(), &Quorvel::actionEnded);
        ui().pushButton_readConfiguration->click();
        ui().pushButton_startNet->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_f->sim.receivedLines().size(), 3, 5000);
        QVERIFY(early.hasExpired());
        QTRY_COMPARE_WITH_TIMEOUT(m_f->status(), readFailed + "AT+VER? 没有回答", 5000);
        QCOMPARE(ended.size(), 1);
        const auto read = ended.first().first().value<Outcome>();
        QCOMPARE(read.end, Outcome::End::Failed);
        QCOMPARE(read.command + '|' + read.answer, QStringLiteral("AT+VER?|"));
        m_f->sim.setSilent(QStringLiteral("AT+APSTA="));
        m_f->dismissNextBox(QMessageBox::Yes);   // the form is not the module's
        ui().pushButton_writeConfiguartion->click();
        QVERIFY(m_f->boxText.startsWith(QStringLiteral("上次读取失败")));
        QTRY_COMPARE(m_f->sim.receivedLines(), crlf("AT+VER?|AT+STANET=1|AT+VER?|AT+APSTA=0"));
        ui().pushButton_openCom->click();   // close
        const QString sentAtClose = ui().label_sendCnt->text();
        QTRY_COMPARE_WITH_TIMEOUT(m_f->status(), writeFailed + "AT+APSTA= 没有回答", 8000);
        QVERIFY(QMetaObject::invokeMethod(w(), "on_pushButton_writeConfiguartion_clicked"));
        QCOMPARE(m_f->sim.receivedLines().size(), 4);
        QCOMPARE(ui().label_sendCnt->text(), sentAtClose);
        QCOMPARE(cfgButtonsEnabled(), QList<bool>({false, false, true, true}));
    }

    // After a read the module's values are known: edited fields are marked, Write lists exactly the changes (Yes
    // by default) and verify clears the marks. A port closed since, or an incomplete import, asks instead.
    void changeList()
    {
        run(ui().pushButton_readConfiguration, readDone);
        ui().lineEdit_TP_PORT->setText(QStringLiteral("5001"));
        ui().comboBox_CH->setCurrentIndex(10);
        QCOMPARE(QList<bool>({ui().label_35->font().bold(), ui().label_9->font().bold(), ui().label_34->font().bold()}),
                 QList<bool>({true, true, false}));
        m_f->dismissNextBox(QMessageBox::Yes);
        run(ui().pushButton_writeConfiguartion, verified);
        QCOMPARE(m_f->boxInfo, QStringLiteral("AP设置/信道：“6” → “11”\nTP设置/端口：“8080” → “5001”"));
        QVERIFY(m_f->boxYesByDefault && !ui().label_35->font().bold());
        QCOMPARE(m_f->sim.fields(QStringLiteral("TPSOCK")).last(), QStringLiteral("5001"));

        ui().pushButton_openCom->click();
        QVERIFY(m_f->openPort());
        m_f->dismissNextBox(QMessageBox::No);
        ui().pushButton_writeConfiguartion->click();
        QVERIFY(m_f->boxText.startsWith(QStringLiteral("读取之后串口关闭过")) && m_f->boxYesByDefault);
        QVERIFY2(m_f->boxDetails.contains(QStringLiteral("\nTP设置/端口：5001\n")), qPrintable(m_f->boxDetails));

        const QString file = m_f->dir.filePath(QStringLiteral("sta.xml"));
        testsupport::writeFile(file, "<TESSELANE_CFG><WIFI_GROUP_ELEM><WIFI_STA>net,pw</WIFI_STA></WIFI_GROUP_ELEM>"
                                     "</TESSELANE_CFG>");
        QVERIFY(QuorvelTestAccess::importCfgFile(*w(), file));
        m_f->sim.clearTrace();
        m_f->dismissNextBox(QMessageBox::No);
        ui().pushButton_writeConfiguartion->click();
        QVERIFY2(m_f->boxText.startsWith(QStringLiteral("导入的文件缺少 UART, WIFI_MODE, WIFI_AP, WIFI_IP, WIFI_DHCP, "
                                                        "TP_TP, TP_FRAME")), qPrintable(m_f->boxText));
        QVERIFY(!m_f->boxYesByDefault);
        QCOMPARE(sentSoFar(), Lines{"AT\r\n"});
    }

    void controls_data()
    {
        QTest::addColumn<Control>("row");
        QTest::newRow("reset, OK") << Control{"reset", "AT+RST\r\n", "OK\r\n", "成功"};
        QTest::newRow("restore, busy") << Control{"restore", "AT+DFRST\r\n", "ERR=2\r\n", "错误：设备忙"};
        QTest::newRow("start network, code with leading zeros")
            << Control{"startNet", "AT+STANET=1\r\n", "ERR=005\r\n", "错误：指令没有已回车换行结束"};
        QTest::newRow("leave net, code not in table") << Control{"leaveNet", "AT+STANET=0\r\n", "ERR=9\r\n", "错误："};
        QTest::newRow("enter TP, four digits: no code") << Control{"enter_TP", "AT+TPMOD\r\n", "ERR=1000\r\n", ""};
        QTest::newRow("quit TP mode, no line end") << Control{"quit_TP", "+++", "", ""};
    }

    // Each control sends its exact bytes at once, and the module's answer shows in the status bar.
    void controls()
    {
        QFETCH(Control, row);
        reply({{ModSim::commandHead(row.bytes), {row.answer}}});
        w()->statusBar()->showMessage(QStringLiteral("before"));
        QSignalSpy received(w(), &Quorvel::recvNewLine);
        w()->findChild<QPushButton *>("pushButton_" + row.button)->click();
        QCOMPARE(ui().label_sendCnt->text(), QString::number(row.bytes.size()));
        QVERIFY(row.answer.isEmpty() || received.wait(3000));
        QCOMPARE(m_f->status(), row.shown.isEmpty() ? QStringLiteral("before") : row.shown);
        w()->sendCmd(QStringLiteral("AT"));   // marks the end of what the control sent
        QTRY_COMPARE(m_f->sim.receivedBytes(), row.bytes + "AT\r\n");
    }

private:
    Quorvel *w() { return m_f->w.get(); }
    Ui::QuorvelClass &ui() { return m_f->ui(); }
    QList<bool> cfgButtonsEnabled()   // read, write, import, export
    {
        return {ui().pushButton_readConfiguration->isEnabled(), ui().pushButton_writeConfiguartion->isEnabled(),
                ui().pushButton_Import->isEnabled(), ui().pushButton_Export->isEnabled()};
    }

    // Replaces the module's answers to lines with these heads, in turn ("": silence).
    void reply(const Replies &replies)
    {
        for (auto it = replies.cbegin(); it != replies.cend(); ++it)
            m_f->sim.setSilent(QString::fromLatin1(it.key()), int(it.value().size()));
        connect(&m_f->sim, &ModSim::lineReceived, this,
                [this, replies, turn = QHash<QByteArray, int>()](const QByteArray &line) mutable {
                    const QByteArray head = ModSim::commandHead(line);
                    if (turn.value(head) < replies.value(head).size())
                        m_f->sim.sendRaw(replies.value(head).at(turn[head]++));
                });
    }

    // Sends "AT" and returns, once its "OK" is in, all the module received.
    Lines sentSoFar()
    {
        QSignalSpy answers(w(), &Quorvel::recvNewLine);
        w()->sendCmd(QStringLiteral("AT"));
        const QVariantList ok{QStringLiteral("OK\r\n")};
        return QTest::qWaitFor([&] { return answers.contains(ok); }) ? m_f->sim.receivedLines() : Lines{"no OK"};
    }

    // Starts a read or write from the third tab and waits for its end message, the only
    // one it shows; meanwhile the configuration buttons are off, and the tab comes back.
    void run(QPushButton *button, const QString &end)
    {
        ui().tabWidget->setCurrentIndex(2);
        QSignalSpy shown(w()->statusBar(), &QStatusBar::messageChanged);
        QSignalSpy ended(w(), &Quorvel::actionEnded);
        button->click();
        QCOMPARE(cfgButtonsEnabled(), QList<bool>(4, false));
        QTRY_COMPARE_WITH_TIMEOUT(m_f->status(), end, 10000);
        QCOMPARE(shown.size() - shown.count({QString()}), 1);   // the sequence's own answers never show
        // The same end as data: the action, whether it failed, and the command and answer the message names.
        QCOMPARE(ended.size(), 1);
        const auto outcome = ended.first().first().value<Outcome>();
        QCOMPARE(outcome.action, button == ui().pushButton_readConfiguration ? Outcome::Action::Read
                                                                             : Outcome::Action::Write);
        QCOMPARE(outcome.text, end);
        QCOMPARE(outcome.ok(), !end.contains(QStringLiteral("错误")) && !end.contains(QStringLiteral("发现不同")));
        const QString named = outcome.answer.isEmpty() ? QStringLiteral(" 没有回答") : " 回答 " + outcome.answer;
        QVERIFY(outcome.command.isEmpty() || end.contains(outcome.command + named));
        QCOMPARE(ui().tabWidget->currentIndex(), 2);
        QCOMPARE(cfgButtonsEnabled(), QList<bool>(4, true));
    }

    std::unique_ptr<testsupport::ModuleWindow> m_f;
};

QTEST_MAIN(tst_Protocol)
#include "tst_protocol.moc"
