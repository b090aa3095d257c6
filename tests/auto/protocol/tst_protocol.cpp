// The module protocol end to end: the window and the simulated module on the two ends of a pseudo-terminal.
#include <QSignalSpy>

#include "tests/common/testsupport.h"

using Lines = QList<QByteArray>;

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
const QString writeFailed = QStringLiteral("写入配置遇到错误："), verified = QStringLiteral("写入并校验完成");
const QString consoleRefused = QStringLiteral("正在读写模块的配置，控制台暂不发送");

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

    // Every field, amid echo and noise: one line per answer, verified, kept; a late OK leaves the end message.
    void writeAndTextsThatCannotGoBack()
    {
        form(fullForm, true);
        m_f->sim.setEcho(true);
        m_f->sim.setNoise(3);
        m_f->dismissNextBox(QMessageBox::Yes);   // an unread form asks first
        run(ui().pushButton_writeConfiguartion, verified);
        QVERIFY(m_f->boxText.contains(QStringLiteral("替换模块的配置")) && m_f->boxTexts.size() == 1);
        QCOMPARE(sentSoFar(), fullWrite + readQueries << "AT\r\n");
        QCOMPARE(m_f->status(), verified);
        QCOMPARE(form(fullForm, false), fullForm);

        // GBK read as UTF-8, values off the lists, a typed line break or NUL are named and stop a write; GBK goes back.
        const QByteArrayList apmod{"\xb0\xec\xb9\xab\xca\xd2", "4", "6"};   // "办公室" in GBK
        m_f->sim.setRawFields(QStringLiteral("APMOD"), apmod);
        m_f->sim.setFields(QStringLiteral("UART"), {"", "8", "0", "1", "0"});
        m_f->sim.setFields(QStringLiteral("APSTA"), {"7"});
        m_f->sim.setFields(QStringLiteral("DHCP"), {"yes", "", ""});
        ui().checkBox_en_dhcp->setChecked(true);
        run(ui().pushButton_readConfiguration, QStringLiteral("读取配置完成，但AP设置/SSID不是有效的UTF-8文本；"
                                                              "UART参数/波特率、WIFI模式、IP设置/使能DHCP的值不在列表中"));
        QCOMPARE(ui().lineEdit_wifi_mode->text(), QStringLiteral("7"));
        form({{"lineEdit_STA_SSID", "x\r\nAT+DFRST"}, {"lineEdit_STA_KEY", QStringLiteral("k") + QChar(u'\0') + "AT"}}, true);
        m_f->sim.clearTrace();
        ui().pushButton_writeConfiguartion->click();   // refused
        QCOMPARE(m_f->status(), QStringLiteral("未写入：UART参数/波特率、WIFI模式、IP设置/使能DHCP没有选择值；"
                                               "AP设置/SSID不是有效的UTF-8文本，请修改，或换一种编码重新读取；"
                                               "STA设置/目标SSID、STA设置/密码含有换行"));
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

    // A silent module is asked twice, a time-out apart, controls wait; a write whose port closes fails, and stays off.
    void silenceAndClose()
    {
        m_f->sim.setSilent(QStringLiteral("AT+VER?"));
        const QDeadlineTimer early(testsupport::ModuleWindow::answerTimeoutMs * 95 / 100);
        QSignalSpy ended(w(), &Quorvel::actionEnded);
        ui().pushButton_readConfiguration->click();
        QVERIFY(!ui().pushButton_startNet->isEnabled());
        QVERIFY(QMetaObject::invokeMethod(w(), "on_pushButton_startNet_clicked"));   // as a caller would
        QCOMPARE(m_f->status(), consoleRefused);
        QTRY_COMPARE_WITH_TIMEOUT(m_f->sim.receivedLines().size(), 2, 5000);
        QVERIFY(early.hasExpired());
        QTRY_COMPARE_WITH_TIMEOUT(m_f->status(), readFailed + "AT+VER? 没有回答", 5000);
        const auto read = ended.value(0).value(0).value<Outcome>();
        QVERIFY(ended.size() == 1 && read.end == Outcome::End::Failed);
        QCOMPARE(read.command + '|' + read.answer, QStringLiteral("AT+VER?|"));
        m_f->sim.setSilent(QStringLiteral("AT+APSTA="));
        m_f->dismissNextBox(QMessageBox::Yes);   // the form is not the module's
        ui().pushButton_writeConfiguartion->click();
        QTRY_COMPARE(m_f->sim.receivedLines(), crlf("AT+VER?|AT+VER?|AT+APSTA=0"));
        ui().pushButton_openCom->click();   // close
        const QString sentAtClose = ui().label_sendCnt->text();
        QTRY_COMPARE_WITH_TIMEOUT(m_f->status(), writeFailed + "AT+APSTA= 没有回答", 8000);
        const qsizetype asked = m_f->boxTexts.size();
        m_f->dismissNextBox(QMessageBox::Yes);   // a question would be answered, not left to hang the test
        QVERIFY(QMetaObject::invokeMethod(w(), "on_pushButton_writeConfiguartion_clicked"));
        QCOMPARE(m_f->boxTexts.size(), asked);   // with the port closed nothing is asked
        QCOMPARE(m_f->sim.receivedLines().size(), 3);
        QCOMPARE(ui().label_sendCnt->text(), sentAtClose);
        QCOMPARE(cfgButtonsEnabled(), QList<bool>({false, false, true, true}));
    }

    // A console answer late for a read is not its first; after it edits are marked, listed (Yes), sent as listed.
    void changeList()
    {
        m_f->sim.setDelay(150);
        ui().lineEdit_cmd->setText(QStringLiteral("AT+RST"));
        ui().pushButton_send->click();
        run(ui().pushButton_readConfiguration, readDone);
        QCOMPARE(ui().lineEdit_deviceSoftwareVer->text() + ui().lineEdit_device_mac->text(), "V2.1.7AC:CF:23:5A:10:7E");
        QCOMPARE(ui().lineEdit_AP_SSID->text(), QStringLiteral("QV-MODULE-107E"));
        QCOMPARE(m_f->sim.receivedLines().count("AT+VER?\r\n"), 1);
        m_f->sim.setDelay(0);
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
        // A module swapped before the verify is named with both MACs; the form keeps the values written.
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

    // Periodic sends, Send and Enter wait out a write (one message), so its ERR=3 fails it; periodic sends resume.
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
        QCOMPARE(shown.count({consoleRefused}), 1);   // one message, not one per press
        // The write's commands, one after the other; a periodic "AT" may only come before the first.
        const Lines during = m_f->sim.receivedLines();
        const qsizetype first = during.indexOf("AT+APSTA=0\r\n");
        QVERIFY(first >= 0 && during.mid(0, first).count("AT\r\n") == first);
        const Lines stamod = crlf("AT+STAMOD=Plant,office-pass|AT+STAMOD=Plant,office-pass");
        QCOMPARE(during.mid(first, 5), crlf("AT+APSTA=0|AT+APMOD=QV-MODULE-107E,4,6|AT+APKEY=4,3,qv12345678") + stamod);
        QTRY_VERIFY(m_f->sim.receivedLines().size() > first + 5 && m_f->sim.receivedLines().last() == "AT\r\n");   // resumed
    }

    // A slow write locks the form, sends what Yes confirmed, and the change list then starts from what was written.
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
        QCOMPARE(ui().lineEdit_STA_SSID->text(), QStringLiteral("Confirmed"));
        QVERIFY(!ui().comboBox_CH->isEnabled() && !ui().pushButton_reset->isEnabled());
        QVERIFY(done.wait(10000) && done.first().first().toBool());
        QCOMPARE(m_f->sim.fields(QStringLiteral("STAMOD")), (QStringList{"Confirmed", "office-pass"}));
        QVERIFY(ui().label_13->font().bold());   // the key the form shows now is not the module's
        ui().lineEdit_STA_KEY->setText(QStringLiteral("office-pass"));
        QVERIFY(ui().comboBox_CH->isEnabled() && !ui().lineEdit_STA_SSID->isReadOnly());
        QVERIFY(!ui().label_12->font().bold());   // the module holds what the form shows
        ui().lineEdit_TP_PORT->setText(QStringLiteral("5001"));
        m_f->dismissNextBox(QMessageBox::No);
        ui().pushButton_writeConfiguartion->click();
        QCOMPARE(m_f->boxInfo, QStringLiteral("TP设置/端口：“8080” → “5001”"));
    }

    void writeQuestionDefaults_data()
    {
        QTest::addColumn<QString>("before");   // what happened to the form first
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("yesByDefault");
        QTest::newRow("a read that failed") << "failed read" << "上次读取失败" << false;
        QTest::newRow("an import of a wrong file") << "wrong import" << "导入的文件有误" << false;
        QTest::newRow("read, then the port closed") << "read, closed" << "读取之后串口关闭过" << true;
    }

    // Enter's answer to the question before a write: Yes only where the module's values or a whole profile are known.
    void writeQuestionDefaults()
    {
        QFETCH(QString, before);
        QFETCH(QString, question);
        const bool failedRead = before == QLatin1String("failed read"), closed = before == QLatin1String("read, closed");
        if (failedRead)
            m_f->sim.setSilent(QStringLiteral("AT+AFRAME?"));
        if (before.contains(QLatin1String("read"))) {
            run(ui().pushButton_readConfiguration, failedRead ? readFailed + "AT+AFRAME? 没有回答" : readDone);
            ui().lineEdit_TP_PORT->setText(QStringLiteral("5001"));
        }
        if (closed) {
            ui().pushButton_openCom->click();
            QVERIFY(m_f->openPort());
        }
        if (before == QLatin1String("wrong import")) {   // the UART leaf with 9 data bits
            const QByteArray uart = "<UART>115200,8,None,1,None</UART>";
            const QString file = m_f->dir.filePath(QStringLiteral("p.xml"));
            testsupport::writeFile(file,
                                   QByteArray(testsupport::completeProfile).replace(uart, QByteArray(uart).replace(",8,", ",9,")));
            QVERIFY(QuorvelTestAccess::importCfgFile(*w(), file));
        }
        m_f->sim.clearTrace();
        m_f->dismissNextBox(QMessageBox::No);
        ui().pushButton_writeConfiguartion->click();
        QVERIFY2(m_f->boxText.contains(question), qPrintable(m_f->boxText));
        QVERIFY(!closed || m_f->boxDetails.contains(QStringLiteral("\nTP设置/端口：5001\n")));
        QTEST(m_f->boxYesByDefault, "yesByDefault");
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
        const QByteArray head = ModSim::commandHead(row.bytes);
        m_f->sim.setSilent(QString::fromLatin1(head), 1);   // answered by the row instead
        connect(&m_f->sim, &ModSim::lineReceived, this, [this, row, head](const QByteArray &line) {
            if (ModSim::commandHead(line) == head)
                m_f->sim.sendRaw(row.answer);
        });
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

    // The named fields (line edits by text, selectors by index, boxes by state), set first when `set`.
    QVariantMap form(const QVariantMap &fields, bool set)
    {
        QVariantMap state;
        for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
            QObject *o = w()->findChild<QObject *>(it.key());
            const char *p = qobject_cast<QComboBox *>(o) ? "currentIndex" : o->metaObject()->userProperty().name();
            if (set)
                o->setProperty(p, it.value());
            state.insert(it.key(), o->property(p));
        }
        return state;
    }

    // Sends "AT" and returns, once its "OK" is in, all the module received.
    Lines sentSoFar()
    {
        QSignalSpy answers(w(), &Quorvel::recvNewLine);
        w()->sendCmd(QStringLiteral("AT"));
        const QVariantList ok{QStringLiteral("OK\r\n")};
        return QTest::qWaitFor([&] { return answers.contains(ok); }) ? m_f->sim.receivedLines() : Lines{"no OK"};
    }

    // Runs a read or write from the third tab to its end message (the only one shown), buttons off meanwhile.
    void run(QPushButton *button, const QString &end)
    {
        ui().tabWidget->setCurrentIndex(2);
        QSignalSpy shown(w()->statusBar(), &QStatusBar::messageChanged);
        QSignalSpy ended(w(), &Quorvel::actionEnded);
        button->click();
        QCOMPARE(cfgButtonsEnabled(), QList<bool>(4, false));
        QTRY_COMPARE_WITH_TIMEOUT(m_f->status(), end, 10000);
        QCOMPARE(shown.size() - shown.count({QString()}), 1);   // the sequence's own answers never show
        const auto outcome = ended.value(0).value(0).value<Outcome>();   // the same end as data
        QCOMPARE(ended.size(), 1);
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
