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

const Lines fullWrite = crlf("AT+APSTA=1|AT+APMOD=Lab AP,5,13|AT+APKEY=7,5,pa,ss|AT+STAMOD=Office Net,secret|"
                             "AT+IPCFG=1,10.1.2.3,10.1.2.254,255.255.255.0|AT+DHCP=1,10.1.2.100,10.1.2.199|"
                             "AT+TPSOCK=1,1,10.9.8.7,5000|AT+FFRAME=120|AT+AFRAME=256,40|AT+UART=3,7,2,2,1");
const Lines readQueries = crlf("AT+VER?|AT+MAC?|AT+APSTA?|AT+NETS?|AT+CURIP?|AT+UART?|AT+APMOD?|AT+APKEY?|"
                               "AT+STAMOD?|AT+IPCFG?|AT+DHCP?|AT+TPSOCK?|AT+FFRAME?|AT+AFRAME?");
const QString readDone = QStringLiteral("读取配置完成"), readFailed = QStringLiteral("读取配置遇到错误：");
const QString writeFailed = QStringLiteral("写入配置遇到错误：");
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

// A button (pushButton_...), its bytes, the module's answer, the status shown ("": the status bar keeps what it had).
struct Control { QString button; QByteArray bytes, answer; QString shown; };

} // namespace

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

    // Every field set, amid echo and unsolicited lines: the write sends a line on the answer to the one before,
    // the verify's read gives back what the module took, the form keeps what was written, and a late answer leaves
    // the end message in the status bar. (Retries and refusals: tst_configsession; a verify that finds
    // differences: verifyKeepsTheUsersValues.)
    void write()
    {
        setForm(fullForm);
        m_f->sim.setEcho(true);
        m_f->sim.setNoise(3);
        m_f->dismissNextBox(QMessageBox::Yes);   // an unread form asks first
        run(ui().pushButton_writeConfiguartion, verified);
        QVERIFY(m_f->boxText.contains(QStringLiteral("替换模块的配置")));
        QCOMPARE(sentSoFar(), fullWrite + readQueries << "AT\r\n");
        QCOMPARE(m_f->boxTexts.size(), 1);
        QCOMPARE(m_f->status(), verified);
        QCOMPARE(formState(*w(), fullForm.keys()), fullForm);
    }

    // The form's values are checked by the field table (tst_cfgfields::values) before Write sends anything:
    // line breaks and a NUL, which would start another command, are named, and nothing reaches the module.
    void writeRefused()
    {
        setForm({{"lineEdit_AP_SSID", "x\r\nAT+DFRST"}, {"lineEdit_STA_SSID", "n\re\nt"},
                 {"lineEdit_STA_KEY", QStringLiteral("key") + QChar(u'\0') + "AT+RST"}});
        m_f->sim.clearTrace();
        ui().pushButton_writeConfiguartion->click();
        QCOMPARE(m_f->status(), QStringLiteral("未写入：AP设置/SSID、STA设置/目标SSID、STA设置/密码含有换行"));
        QCOMPARE(sentSoFar(), Lines{"AT\r\n"});
    }

    // Read in UTF-8, GBK text, an empty speed, a Wi-Fi role 7 and a DHCP flag "yes" are named and stop the
    // write; in GBK a text read goes back as it came.
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
    }

    // A silent module is asked twice, one time-out apart; a control pressed meanwhile sends nothing (the read owns
    // the port). A write that loses its port fails, read and write stay off, and one asked for anyway (button off)
    // starts nothing.
    void silenceAndClose()
    {
        m_f->sim.setSilent(QStringLiteral("AT+VER?"));
        const QDeadlineTimer early(testsupport::ModuleWindow::answerTimeoutMs * 95 / 100);
        QSignalSpy ended(w(), &Quorvel::actionEnded);
        ui().pushButton_readConfiguration->click();
        QVERIFY(!ui().pushButton_startNet->isEnabled());
        QVERIFY(QMetaObject::invokeMethod(w(), "on_pushButton_startNet_clicked"));   // as a caller would
        QCOMPARE(m_f->status(), QStringLiteral("正在读写模块的配置，控制台暂不发送"));
        QTRY_COMPARE_WITH_TIMEOUT(m_f->sim.receivedLines().size(), 2, 5000);
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
        QTRY_COMPARE(m_f->sim.receivedLines(), crlf("AT+VER?|AT+VER?|AT+APSTA=0"));
        ui().pushButton_openCom->click();   // close
        const QString sentAtClose = ui().label_sendCnt->text();
        QTRY_COMPARE_WITH_TIMEOUT(m_f->status(), writeFailed + "AT+APSTA= 没有回答", 8000);
        QVERIFY(QMetaObject::invokeMethod(w(), "on_pushButton_writeConfiguartion_clicked"));
        QCOMPARE(m_f->sim.receivedLines().size(), 3);
        QCOMPARE(ui().label_sendCnt->text(), sentAtClose);
        QCOMPARE(cfgButtonsEnabled(), QList<bool>({false, false, true, true}));
    }

    // After a read the module's values are known: edited fields are marked, Write lists exactly the changes (Yes
    // by default) and sends them as listed, and verify clears the marks. (What it asks otherwise: writeQuestionDefaults.)
    void changeList()
    {
        run(ui().pushButton_readConfiguration, readDone);
        ui().lineEdit_TP_PORT->setText(QStringLiteral("5001"));
        ui().comboBox_CH->setCurrentIndex(10);
        QCOMPARE(QList<bool>({ui().label_35->font().bold(), ui().label_9->font().bold(), ui().label_34->font().bold()}),
                 QList<bool>({true, true, false}));
        m_f->dismissNextBox(QMessageBox::Yes);
        bool editedWhileAsked = false;   // what the list shows goes out, not what the form shows since
        QTimer::singleShot(0, w(), [&] {
            editedWhileAsked = QApplication::activeModalWidget();
            ui().lineEdit_TP_PORT->setText(QStringLiteral("5002"));
        });
        run(ui().pushButton_writeConfiguartion, verified);
        QCOMPARE(m_f->boxInfo, QStringLiteral("AP设置/信道：“6” → “11”\nTP设置/端口：“8080” → “5001”"));
        QVERIFY(editedWhileAsked && m_f->boxYesByDefault);
        QCOMPARE(m_f->sim.fields(QStringLiteral("TPSOCK")).last(), QStringLiteral("5001"));
        ui().lineEdit_TP_PORT->setText(QStringLiteral("5001"));
        QVERIFY(!ui().label_35->font().bold());
    }

    // With periodic sending on and Send and Enter pressed while a write runs, the console sends nothing between the
    // write's commands: the module's ERR=3 for AT+STAMOD= is that command's answer, and the write fails naming it
    // (no false success). Send and Enter are refused with one status-bar message; the periodic send goes on after.
    void consoleDuringWrite()
    {
        run(ui().pushButton_readConfiguration, readDone);
        m_f->sim.setDelay(60);
        m_f->sim.setError(QStringLiteral("AT+STAMOD="), 3);
        ui().lineEdit_cmd->setText(QStringLiteral("AT"));
        ui().lineEdit_regular_time->setText(QStringLiteral("20"));
        ui().checkBox_regulerSend->setChecked(true);
        QTRY_VERIFY(m_f->sim.receivedLines().contains("AT\r\n"));
        ui().checkBox_verifyWrite->setChecked(false);
        ui().lineEdit_STA_SSID->setText(QStringLiteral("Plant"));
        QSignalSpy shown(w()->statusBar(), &QStatusBar::messageChanged);
        QSignalSpy done(w(), &Quorvel::writeCfgFinished);
        QSignalSpy ended(w(), &Quorvel::actionEnded);
        m_f->sim.clearTrace();
        m_f->dismissNextBox(QMessageBox::Yes);
        ui().pushButton_writeConfiguartion->click();
        QTRY_VERIFY(m_f->sim.receivedLines().contains("AT+APMOD=QV-MODULE-107E,4,6\r\n"));
        ui().pushButton_send->click();
        QTest::keyClick(ui().lineEdit_cmd, Qt::Key_Return);
        QVERIFY(done.wait(10000));
        QCOMPARE(done.first().first().toBool(), false);
        QCOMPARE(m_f->status(), writeFailed + "AT+STAMOD= 回答 ERR=3（未知错误）");
        const auto failed = ended.value(0).value(0).value<Outcome>();   // the outcome names the answer too
        QCOMPARE(failed.command + u'|' + failed.answer, QStringLiteral("AT+STAMOD=|ERR=3"));
        const QString refused = QStringLiteral("正在读写模块的配置，控制台暂不发送");
        QCOMPARE(shown.count({refused}), 1);   // one message, not one per press
        // The write's commands, one after the other; a periodic "AT" may only come before the first.
        const Lines during = m_f->sim.receivedLines();
        const qsizetype first = during.indexOf("AT+APSTA=0\r\n");
        QVERIFY(first >= 0 && during.mid(0, first).count("AT\r\n") == first);
        const Lines stamod = crlf("AT+STAMOD=Plant,office-pass|AT+STAMOD=Plant,office-pass");
        QCOMPARE(during.mid(first, 5), crlf("AT+APSTA=0|AT+APMOD=QV-MODULE-107E,4,6|AT+APKEY=4,3,qv12345678") + stamod);
        QTRY_VERIFY(m_f->sim.receivedLines().size() > first + 5 && m_f->sim.receivedLines().last() == "AT\r\n");   // resumed
    }

    // A write on a slow module: the form is read-only meanwhile (typing changes nothing), the module receives the
    // values confirmed at Yes, and afterwards the change list starts from what was written.
    void typingDuringSlowWrite()
    {
        run(ui().pushButton_readConfiguration, readDone);
        ui().checkBox_verifyWrite->setChecked(false);
        ui().lineEdit_STA_SSID->setText(QStringLiteral("Confirmed"));
        m_f->sim.setDelay(200);
        QSignalSpy done(w(), &Quorvel::writeCfgFinished);
        m_f->dismissNextBox(QMessageBox::Yes);
        ui().pushButton_writeConfiguartion->click();
        QVERIFY(m_f->boxInfo.contains(QStringLiteral("“OfficeNet” → “Confirmed”")));
        QTest::keyClicks(ui().lineEdit_STA_SSID, QStringLiteral("Typed"));
        ui().lineEdit_STA_KEY->setText(QStringLiteral("changed by code"));   // not what was confirmed either
        QTest::keyClicks(ui().lineEdit_TP_PORT, QStringLiteral("1"));
        ui().comboBox_CH->showPopup();
        QTest::keyClick(ui().comboBox_CH, Qt::Key_Down);
        QCOMPARE(ui().lineEdit_STA_SSID->text(), QStringLiteral("Confirmed"));
        QCOMPARE(ui().lineEdit_TP_PORT->text(), QStringLiteral("8080"));
        QVERIFY(!ui().comboBox_CH->isEnabled() && !ui().pushButton_reset->isEnabled());
        QVERIFY(done.wait(10000) && done.first().first().toBool());
        QCOMPARE(m_f->sim.fields(QStringLiteral("STAMOD")), (QStringList{"Confirmed", "office-pass"}));
        QVERIFY(ui().label_13->font().bold());   // the key the form shows now is not the module's
        ui().lineEdit_STA_KEY->setText(QStringLiteral("office-pass"));
        QCOMPARE(m_f->sim.fields(QStringLiteral("TPSOCK")).last(), QStringLiteral("8080"));
        QVERIFY(ui().comboBox_CH->isEnabled() && !ui().lineEdit_STA_SSID->isReadOnly());
        QVERIFY(!ui().label_12->font().bold());   // the module holds what the form shows
        ui().lineEdit_TP_PORT->setText(QStringLiteral("5001"));
        m_f->dismissNextBox(QMessageBox::No);
        ui().pushButton_writeConfiguartion->click();
        QCOMPARE(m_f->boxInfo, QStringLiteral("TP设置/端口：“8080” → “5001”"));
    }

    // Verify finds that the module kept its own STA settings: the form keeps the values written, their labels stay
    // marked, and a box names each field with both values and offers to write again (No by default); Yes writes
    // the ten commands again and verifies again.
    void verifyKeepsTheUsersValues()
    {
        run(ui().pushButton_readConfiguration, readDone);
        m_f->sim.setIgnored(QStringLiteral("AT+STAMOD="));
        ui().lineEdit_STA_SSID->setText(QStringLiteral("Office Net"));
        ui().lineEdit_STA_KEY->setText(QStringLiteral("secret"));
        m_f->sim.clearTrace();
        QSignalSpy ended(w(), &Quorvel::writeCfgFinished);
        m_f->dismissNextBoxes({QMessageBox::Yes, QMessageBox::Yes, QMessageBox::No});
        ui().pushButton_writeConfiguartion->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_f->boxTexts.size(), 3, 15000);
        QCOMPARE(ended.size(), 2);
        QCOMPARE(m_f->status(), QStringLiteral("写入配置完成，但校验发现不同：STA设置/目标SSID 写入“Office Net”，"
                                               "模块为“OfficeNet”；STA设置/密码 写入“secret”，模块为“office-pass”"));
        QCOMPARE(m_f->boxTexts.at(1), QStringLiteral("模块没有保存写入的 2 项配置。要再写入一次吗？"));
        QCOMPARE(m_f->boxInfo, QStringLiteral("STA设置/目标SSID：写入“Office Net”，模块为“OfficeNet”\n"
                                              "STA设置/密码：写入“secret”，模块为“office-pass”"));
        QVERIFY(!m_f->boxYesByDefault);
        QCOMPARE(m_f->sim.receivedLines().count("AT+STAMOD=Office Net,secret\r\n"), 2);   // written again
        QCOMPARE(m_f->sim.receivedLines().count("AT+VER?\r\n"), 2);                       // verified again
        QCOMPARE(ui().lineEdit_STA_SSID->text(), QStringLiteral("Office Net"));
        QCOMPARE(QList<bool>({ui().label_12->font().bold(), ui().label_13->font().bold(), ui().label_3->font().bold()}),
                 QList<bool>({true, true, false}));
    }

    // Another module put on the port between the write and its verify is named, with both MACs: nothing of it
    // counts as verified, and the form keeps the values written.
    void swapBeforeVerify()
    {
        run(ui().pushButton_readConfiguration, readDone);
        ui().lineEdit_STA_SSID->setText(QStringLiteral("Plant"));
        connect(&m_f->sim, &ModSim::lineReceived, this, [this](const QByteArray &line) {
            if (line.startsWith("AT+UART="))
                QTimer::singleShot(0, &m_f->sim, [this] { m_f->sim.swapModule(); });
        });
        m_f->dismissNextBox(QMessageBox::Yes);
        run(ui().pushButton_writeConfiguartion,
            QStringLiteral("模块在写入期间被更换：写入前 MAC AC:CF:23:5A:10:7E，校验时 MAC %1")
                .arg(ModSim::nextMac(QStringLiteral("AC:CF:23:5A:10:7E"))));
        QCOMPARE(ui().lineEdit_STA_SSID->text(), QStringLiteral("Plant"));
    }

    void writeQuestionDefaults_data()
    {
        QTest::addColumn<QString>("before");   // what happened to the form first
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("yesByDefault");
        QTest::newRow("read: the list of changes") << "read" << "写入会改动模块的 1 项配置" << true;
        QTest::newRow("nothing done: defaults") << "" << "表单既没有从模块读取" << false;
        QTest::newRow("a read that failed") << "failed read" << "上次读取失败" << false;
        QTest::newRow("a complete import") << "import" << "模块当前的值未知" << true;
        QTest::newRow("an import that lacks leaves") << "incomplete import" << "导入的文件缺少 UART" << false;
        QTest::newRow("an import of a wrong file") << "wrong import" << "导入的文件有误" << false;
        QTest::newRow("read, then the port closed") << "read, closed" << "读取之后串口关闭过" << true;
    }

    // What Enter does at each question before a write: Yes only where the module's values are known or the form is
    // a whole profile; No after a failed read, before anything, or after an incomplete or wrong import.
    void writeQuestionDefaults()
    {
        QFETCH(QString, before);
        QFETCH(QString, question);
        QFETCH(bool, yesByDefault);
        const QString file = m_f->dir.filePath(QStringLiteral("p.xml"));
        if (before.startsWith(QLatin1String("read")) || before == QLatin1String("failed read")) {
            if (before == QLatin1String("failed read"))
                m_f->sim.setSilent(QStringLiteral("AT+AFRAME?"));
            run(ui().pushButton_readConfiguration, before == QLatin1String("failed read")
                                                        ? readFailed + QStringLiteral("AT+AFRAME? 没有回答") : readDone);
            ui().lineEdit_TP_PORT->setText(QStringLiteral("5001"));
        }
        if (before == QLatin1String("read, closed")) {
            ui().pushButton_openCom->click();
            QVERIFY(m_f->openPort());
        }
        if (before.endsWith(QLatin1String("import"))) {
            QByteArray profile = testsupport::completeProfile;
            if (before == QLatin1String("incomplete import"))
                profile.replace("<UART>115200,8,None,1,None</UART>", "");
            if (before == QLatin1String("wrong import"))
                profile.replace("<UART>115200,8,None,1,None</UART>", "<UART>115200,9,None,1,None</UART>");
            testsupport::writeFile(file, profile);
            QVERIFY(QuorvelTestAccess::importCfgFile(*w(), file));
        }
        m_f->sim.clearTrace();
        m_f->dismissNextBox(QMessageBox::No);
        ui().pushButton_writeConfiguartion->click();
        QVERIFY2(m_f->boxText.contains(question), qPrintable(m_f->boxText));
        QVERIFY(before != QLatin1String("read, closed") || m_f->boxDetails.contains(QStringLiteral("\nTP设置/端口：5001\n")));
        QCOMPARE(m_f->boxYesByDefault, yesByDefault);
        QCOMPARE(sentSoFar(), Lines{"AT\r\n"});
    }

    // A console command sent just before a read: its late answer is the console's, not the read's first one; the
    // read fills every field from its own answers.
    void consoleAnswerBeforeRead()
    {
        m_f->sim.setDelay(150);
        ui().lineEdit_cmd->setText(QStringLiteral("AT+RST"));
        ui().pushButton_send->click();
        ui().pushButton_readConfiguration->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_f->status(), readDone, 15000);
        QCOMPARE(ui().lineEdit_deviceSoftwareVer->text(), QStringLiteral("V2.1.7"));
        QCOMPARE(ui().lineEdit_device_mac->text(), QStringLiteral("AC:CF:23:5A:10:7E"));
        QCOMPARE(ui().lineEdit_AP_SSID->text(), QStringLiteral("QV-MODULE-107E"));
        QCOMPARE(m_f->sim.receivedLines().count("AT+VER?\r\n"), 1);
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

    void setForm(const QVariantMap &form)
    {
        for (auto it = form.cbegin(); it != form.cend(); ++it) {
            QObject *o = w()->findChild<QObject *>(it.key());
            o->setProperty(valueProperty(o), it.value());
        }
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
        QCOMPARE(outcome.ok(), !end.contains(QStringLiteral("错误")) && !end.contains(QStringLiteral("发现不同"))
                                   && !end.contains(QStringLiteral("被更换")));
        const QString named = outcome.answer.isEmpty() ? QStringLiteral(" 没有回答") : " 回答 " + outcome.answer;
        QVERIFY(outcome.command.isEmpty() || end.contains(outcome.command + named));
        QCOMPARE(ui().tabWidget->currentIndex(), 2);
        QCOMPARE(cfgButtonsEnabled(), QList<bool>(4, true));
    }

    std::unique_ptr<testsupport::ModuleWindow> m_f;
};

QTEST_MAIN(tst_Protocol)
#include "tst_protocol.moc"
