// The module protocol end to end: the window on one side of a pseudo-terminal,
// the simulated module on the other. Checks compare with the wire (what the
// module received, what it holds, what it answered), never with the program's
// own tables: the read, the write, their time-outs and retries, the seven
// controls, and the answers shown in the status bar.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "tests/common/testsupport.h"
#include "tools/modsim/modsim.h"

using Lines = QList<QByteArray>;
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
const QString readDone = QStringLiteral("读取配置完成");
const QString readFailed = QStringLiteral("读取配置遇到错误");
const QString writeDone = QStringLiteral("写入配置完成");
const QString writeFailed = QStringLiteral("写入配置遇到错误");

QVariantMap formState(Quorvel &w, const QStringList &names)
{
    QVariantMap state;
    for (const QString &name : names) {
        QObject *o = w.findChild<QObject *>(name);
        if (auto *edit = qobject_cast<QLineEdit *>(o))
            state.insert(name, edit->text());
        else if (auto *box = qobject_cast<QComboBox *>(o))
            state.insert(name, box->currentIndex());
        else if (auto *check = qobject_cast<QCheckBox *>(o))
            state.insert(name, check->isChecked());
    }
    return state;
}

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
    }
}

// Every writable field away from its default: STA role, HT40 on channel 13,
// 38400 baud, 7 data bits, odd parity, 2 stop bits, hardware flow.
QVariantMap fullForm()
{
    return {{"comboBox_wifi_mode", 1}, {"lineEdit_AP_SSID", "Lab AP"}, {"comboBox_MODE", 4},
            {"comboBox_CH", 12}, {"comboBox_AUTH", 7}, {"comboBox_CRYPT", 5}, {"lineEdit_AP_KEY", "pass word"},
            {"lineEdit_STA_SSID", "Office Net"}, {"lineEdit_STA_KEY", "secret"}, {"comboBox_ip_mode", 1},
            {"lineEdit_set_ip", "10.1.2.3"}, {"lineEdit_set_gatway", "10.1.2.254"},
            {"lineEdit_set_mask", "255.255.255.0"}, {"checkBox_en_dhcp", true},
            {"lineEdit_dhcp_start_ip", "10.1.2.100"}, {"lineEdit_dhcp_end_ip", "10.1.2.199"},
            {"comboBox_TP_TCP_UDP", 1}, {"comboBox_TP_S_C", 1}, {"lineEdit_TP_ADDR", "10.9.8.7"},
            {"lineEdit_TP_PORT", "5000"}, {"lineEdit_fframe_time", "120"}, {"lineEdit_aframe_len", "256"},
            {"lineEdit_aframe_time", "40"}, {"comboBox_deviceBps", 3}, {"comboBox_deviceDataBit", 2},
            {"comboBox_deviceParBit", 2}, {"comboBox_deviceStopBit", 1}, {"comboBox_deviceFlow", 1}};
}

const Lines fullWrite = crlfLines({"AT+APSTA=1", "AT+APMOD=Lab AP,5,13", "AT+APKEY=7,5,pass word",
                                   "AT+STAMOD=Office Net,secret", "AT+IPCFG=1,10.1.2.3,10.1.2.254,255.255.255.0",
                                   "AT+DHCP=1,10.1.2.100,10.1.2.199", "AT+TPSOCK=1,1,10.9.8.7,5000",
                                   "AT+FFRAME=120", "AT+AFRAME=256,40", "AT+UART=3,7,2,2,1"});

// The module of fullForm(), with a comma inside the AP's SSID.
void configureModule(ModSim &sim)
{
    const QList<QPair<QString, QStringList>> values = {
        {"VER", {"V9.9-test"}}, {"MAC", {"02:00:00:AA:BB:CC"}}, {"APSTA", {"1"}}, {"NETS", {"1", "1"}},
        {"CURIP", {"10.0.0.7", "10.0.0.1", "255.255.0.0"}}, {"UART", {"3", "7", "2", "2", "1"}},
        {"APMOD", {"Lab,AP", "5", "13"}}, {"APKEY", {"7", "5", "pass word"}}, {"STAMOD", {"Office Net", "secret"}},
        {"IPCFG", {"1", "10.1.2.3", "10.1.2.254", "255.255.255.0"}}, {"DHCP", {"1", "10.1.2.100", "10.1.2.199"}},
        {"TPSOCK", {"1", "1", "10.9.8.7", "5000"}}, {"FFRAME", {"120"}}, {"AFRAME", {"256", "40"}}};
    for (const auto &v : values)
        sim.setFields(v.first, v.second);
}

QVariantMap configuredForm()
{
    QVariantMap form = fullForm();
    form.insert({{"lineEdit_AP_SSID", "Lab,AP"}, {"lineEdit_deviceSoftwareVer", "V9.9-test"},
                 {"lineEdit_device_mac", "02:00:00:AA:BB:CC"}, {"lineEdit_wifi_mode", "STA"},
                 {"lineEdit_net_state", "ON"}, {"lineEdit_ip", "10.0.0.7"}, {"lineEdit_ip_gatway", "10.0.0.1"},
                 {"lineEdit_ip_mask", "255.255.0.0"}});
    return form;
}

} // namespace

class tst_Protocol : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void read_data();
    void read();
    void readDoesNotResetWorkModeOnModule();
    void networkOff_data();
    void networkOff();
    void numberOutsideSelectorList();
    void readRetryIsGivenBack();
    void readFailsAfterSecondSilence();
    void lateAnswerTakenByPosition();
    void portClosedDuringRead();

    void write_data();
    void write();
    void writeThenRead_data();
    void writeThenRead();
    void writeStopsAfterSecondError();
    void writeOkWithDataIsFailure();

    void controls_data();
    void controls();
    void controlsWithPortClosed();
    void controlDuringRead();

    void answerInStatusBar_data();
    void answerInStatusBar();

private:
    Ui::QuorvelClass &ui() { return Access::ui(*m_w); }
    QString status() const { return m_w->statusBar()->currentMessage(); }
    QList<QPushButton *> cfgButtons()
    {
        return {ui().pushButton_readConfiguration, ui().pushButton_writeConfiguartion, ui().pushButton_Import,
                ui().pushButton_Export};
    }

    QTemporaryDir m_dir;
    std::unique_ptr<ModSim> m_sim;
    std::unique_ptr<Quorvel> m_w;
};

void tst_Protocol::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path()));   // no settings file of anyone else
}

void tst_Protocol::init()
{
    m_sim = std::make_unique<ModSim>();
    QString error;
    QVERIFY2(m_sim->start(&error), qPrintable(error));
    m_w = std::make_unique<Quorvel>();
    QVERIFY(testsupport::openPort(*m_w, m_sim->slavePath()));
}

void tst_Protocol::cleanup()
{
    m_w.reset();
    m_sim.reset();
}

void tst_Protocol::read_data()
{
    QTest::addColumn<bool>("echo");
    QTest::addColumn<int>("noiseMs");
    QTest::addColumn<bool>("split");
    QTest::newRow("plain answers") << false << 0 << false;
    QTest::newRow("commands echoed") << true << 0 << false;
    QTest::newRow("unsolicited lines every 3 ms") << false << 3 << false;
    QTest::newRow("answers byte by byte") << false << 0 << true;
}

void tst_Protocol::read()
{
    QFETCH(bool, echo);
    QFETCH(int, noiseMs);
    QFETCH(bool, split);
    configureModule(*m_sim);
    m_sim->setEcho(echo);
    m_sim->setNoise(noiseMs);
    m_sim->setSplit(split);
    // How many lines the window had when each query reached the module: the
    // n-th query must wait for the n-th answer.
    QSignalSpy lines(m_w.get(), &Quorvel::recvNewLine);
    QList<int> linesBefore;
    connect(m_sim.get(), &ModSim::lineReceived, this, [&] {
        linesBefore << lines.count();
        ui().tabWidget->setCurrentIndex(1);   // the user looks elsewhere meanwhile
    });
    ui().tabWidget->setCurrentIndex(2);

    ui().pushButton_readConfiguration->click();
    for (QPushButton *b : cfgButtons())
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    QTRY_COMPARE_WITH_TIMEOUT(status(), readDone, 10000);

    QCOMPARE(m_sim->receivedLines(), readQueries);
    if (!echo && !noiseMs)
        QCOMPARE(linesBefore, QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    const QVariantMap expected = configuredForm();
    QCOMPARE(formState(*m_w, expected.keys()), expected);
    QCOMPARE(ui().tabWidget->currentIndex(), 2);
    for (QPushButton *b : cfgButtons())
        QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
}

void tst_Protocol::readDoesNotResetWorkModeOnModule()
{
    m_sim->setFields("ATTP", {"1"});
    {
        const QSignalBlocker quiet(ui().comboBox_defaultWorkMode);
        ui().comboBox_defaultWorkMode->setCurrentIndex(1);
    }
    ui().pushButton_readConfiguration->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), readDone, 10000);
    QCOMPARE(m_sim->receivedLines(), readQueries);
    QCOMPARE(m_sim->fields("ATTP"), QStringList{"1"});
}

void tst_Protocol::networkOff_data()
{
    QTest::addColumn<bool>("curipAnswersOk");
    QTest::newRow("address query answers ERR") << false;
    QTest::newRow("address query answers OK") << true;
}

void tst_Protocol::networkOff()
{
    QFETCH(bool, curipAnswersOk);
    if (curipAnswersOk) {
        // The module says "off" to the state query but still has an address.
        m_sim->setSilent("AT+NETS?", 1);
        connect(m_sim.get(), &ModSim::lineReceived, this, [this](const QByteArray &line) {
            if (line == "AT+NETS?\r\n")
                m_sim->sendRaw("OK=1,0\r\n");
        });
    } else {
        m_sim->setFields("NETS", {"1", "0"});
    }
    QSignalSpy lines(m_w.get(), &Quorvel::recvNewLine);
    ui().pushButton_readConfiguration->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), readDone, 10000);
    QCOMPARE(m_sim->receivedLines(), readQueries);
    QVERIFY(lines.at(4).at(0).toString().startsWith(curipAnswersOk ? "OK=" : "ERR="));
    QCOMPARE(ui().lineEdit_net_state->text(), QStringLiteral("OFF"));
    for (QLineEdit *e : {ui().lineEdit_ip, ui().lineEdit_ip_gatway, ui().lineEdit_ip_mask})
        QCOMPARE(e->text(), QStringLiteral("未知"));
}

void tst_Protocol::numberOutsideSelectorList()
{
    m_sim->setFields("UART", {"9", "9", "9", "9", "9"});
    m_sim->setFields("APMOD", {"x", "0", "99"});
    ui().pushButton_readConfiguration->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), readDone, 10000);
    for (QComboBox *box : {ui().comboBox_deviceBps, ui().comboBox_deviceDataBit, ui().comboBox_deviceParBit,
                           ui().comboBox_deviceStopBit, ui().comboBox_deviceFlow, ui().comboBox_MODE,
                           ui().comboBox_CH})
        QVERIFY2(box->currentIndex() == -1 && box->currentText().isEmpty(), qPrintable(box->objectName()));
}

void tst_Protocol::readRetryIsGivenBack()
{
    // Two queries in a row each fail once; the second still has its retry.
    m_sim->setError("AT+APSTA?", 1, 1);
    m_sim->setError("AT+NETS?", 2, 1);
    ui().pushButton_readConfiguration->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), readDone, 10000);
    Lines expected = readQueries;
    expected.insert(3, "AT+NETS?\r\n");
    expected.insert(2, "AT+APSTA?\r\n");
    QCOMPARE(m_sim->receivedLines(), expected);
}

void tst_Protocol::readFailsAfterSecondSilence()
{
    m_sim->setSilent("AT+MAC?");
    QElapsedTimer clock;
    QList<qint64> at;
    connect(m_sim.get(), &ModSim::lineReceived, this, [&] { at << clock.elapsed(); });
    clock.start();
    ui().pushButton_readConfiguration->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), readFailed, 10000);
    const qint64 failedAt = clock.elapsed();

    QCOMPARE(m_sim->receivedLines(), crlfLines({"AT+VER?", "AT+MAC?", "AT+MAC?"}));
    QVERIFY2(at.at(2) - at.at(1) >= 2900 && at.at(2) - at.at(1) < 4000, QByteArray::number(at.at(2) - at.at(1)));
    QVERIFY2(failedAt - at.at(2) >= 2900, QByteArray::number(failedAt - at.at(2)));
    QCOMPARE(ui().lineEdit_deviceSoftwareVer->text(), m_sim->fields("VER").at(0));   // kept
    for (QPushButton *b : cfgButtons())
        QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
}

void tst_Protocol::lateAnswerTakenByPosition()
{
    // The answer to the first version query arrives after the retry, followed
    // by the answer to the retry: that one counts for the next query.
    m_sim->setSilent("AT+VER?");
    connect(m_sim.get(), &ModSim::lineReceived, this, [this](const QByteArray &line) {
        if (line == "AT+VER?\r\n" && m_sim->receivedLines().size() == 2)
            m_sim->sendRaw("OK=late\r\nOK=retried\r\n");
    });
    ui().pushButton_readConfiguration->click();
    QTRY_COMPARE_WITH_TIMEOUT(ui().lineEdit_device_mac->text(), QStringLiteral("retried"), 6000);
    QCOMPARE(ui().lineEdit_deviceSoftwareVer->text(), QStringLiteral("late"));
}

void tst_Protocol::portClosedDuringRead()
{
    m_sim->setDelay(300);
    ui().pushButton_readConfiguration->click();
    QTRY_COMPARE(m_sim->receivedLines().size(), 1);
    ui().pushButton_openCom->click();   // close
    QVERIFY(!Access::comIsOpen(*m_w));
    const QString sentAtClose = ui().label_sendCnt->text();

    QTRY_COMPARE_WITH_TIMEOUT(status(), readFailed, 8000);
    QCOMPARE(m_sim->receivedLines(), crlfLines({"AT+VER?"}));
    QCOMPARE(ui().label_sendCnt->text(), sentAtClose);
    QVERIFY(!ui().pushButton_readConfiguration->isEnabled());
    QVERIFY(!ui().pushButton_writeConfiguartion->isEnabled());
    QVERIFY(ui().pushButton_Import->isEnabled() && ui().pushButton_Export->isEnabled());
}

void tst_Protocol::write_data()
{
    QTest::addColumn<QVariantMap>("form");
    QTest::addColumn<bool>("noisy");
    QTest::addColumn<Lines>("expected");
    QTest::newRow("defaults after the reset") << QVariantMap() << false << defaultWrite;
    QTest::newRow("defaults, echo and unsolicited lines") << QVariantMap() << true << defaultWrite;
    QTest::newRow("every field set, static address") << fullForm() << false << fullWrite;

    QVariantMap dynamic = fullForm();
    dynamic.insert("comboBox_ip_mode", 0);
    Lines dynamicLines = fullWrite;
    dynamicLines[4] = "AT+IPCFG=0\r\n";
    QTest::newRow("dynamic address, static fields filled") << dynamic << false << dynamicLines;

    Lines injected = defaultWrite;
    injected[1] = "AT+APMOD=xAT+DFRST,4,2\r\n";
    injected[3] = "AT+STAMOD=net,keyAT+RST\r\n";
    QTest::newRow("line ends and NUL in texts start no command")
        << QVariantMap{{"lineEdit_AP_SSID", "x\r\nAT+DFRST"}, {"lineEdit_STA_SSID", "n\re\nt"},
                       {"lineEdit_STA_KEY", QStringLiteral("key") + QChar(u'\0') + QStringLiteral("\r\nAT+RST")}}
        << false << injected;
}

void tst_Protocol::write()
{
    QFETCH(QVariantMap, form);
    QFETCH(bool, noisy);
    QFETCH(Lines, expected);
    applyForm(*m_w, form);
    QCOMPARE(formState(*m_w, form.keys()), form);   // the form really holds the row's texts
    m_sim->setEcho(noisy);
    m_sim->setNoise(noisy ? 3 : 0);
    QSignalSpy lines(m_w.get(), &Quorvel::recvNewLine);
    QList<int> linesBefore;
    connect(m_sim.get(), &ModSim::lineReceived, this, [&] {
        linesBefore << lines.count();
        ui().tabWidget->setCurrentIndex(0);
    });
    ui().tabWidget->setCurrentIndex(1);

    ui().pushButton_writeConfiguartion->click();
    for (QPushButton *b : cfgButtons())
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    QTRY_COMPARE_WITH_TIMEOUT(status(), writeDone, 10000);

    QCOMPARE(m_sim->receivedLines(), expected);
    if (!noisy)
        QCOMPARE(linesBefore, QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    QCOMPARE(ui().tabWidget->currentIndex(), 1);
    for (QPushButton *b : cfgButtons())
        QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
}

void tst_Protocol::writeThenRead_data()
{
    QTest::addColumn<QVariantMap>("form");
    QTest::newRow("every field set") << fullForm();
    QTest::newRow("defaults, texts empty") << QVariantMap();   // empty fields must read back
}

void tst_Protocol::writeThenRead()
{
    QFETCH(QVariantMap, form);
    applyForm(*m_w, form);
    QStringList compared = fullForm().keys();
    if (ui().comboBox_ip_mode->currentIndex() == 0) {
        // A dynamic address sends no static fields; the module keeps its own.
        for (const char *name : {"lineEdit_set_ip", "lineEdit_set_gatway", "lineEdit_set_mask"})
            compared.removeAll(QLatin1String(name));
    }
    const QVariantMap written = formState(*m_w, compared);

    ui().pushButton_writeConfiguartion->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), writeDone, 10000);
    ui().comboBox_wifi_mode->setCurrentIndex(1 - ui().comboBox_wifi_mode->currentIndex());   // the reset keeps it
    ui().pushButton_readConfiguration->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), readDone, 10000);
    QCOMPARE(formState(*m_w, compared), written);
}

void tst_Protocol::writeStopsAfterSecondError()
{
    ui().lineEdit_AP_SSID->setText("Kept");
    m_sim->setError("AT+APKEY=", 1, 2);
    const QStringList keyBefore = m_sim->fields("APKEY");
    ui().pushButton_writeConfiguartion->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), writeFailed, 10000);
    ui().pushButton_reset->click();   // marks the end of what the write sent
    QTRY_COMPARE(m_sim->receivedLines().size(), 5);
    QCOMPARE(m_sim->receivedLines(),
             crlfLines({"AT+APSTA=0", "AT+APMOD=Kept,4,2", "AT+APKEY=4,3,", "AT+APKEY=4,3,", "AT+RST"}));
    QCOMPARE(m_sim->fields("APMOD"), QStringList({"Kept", "4", "2"}));
    QCOMPARE(m_sim->fields("APKEY"), keyBefore);
}

void tst_Protocol::writeOkWithDataIsFailure()
{
    // The module stays quiet; a data answer comes in its place.
    m_sim->setSilent("AT+FFRAME=", 1);
    connect(m_sim.get(), &ModSim::lineReceived, this, [this](const QByteArray &line) {
        if (line.startsWith("AT+FFRAME=") && m_sim->receivedLines().count(line) == 1)
            m_sim->sendRaw("OK=120\r\n");
    });
    QElapsedTimer clock;
    clock.start();
    ui().pushButton_writeConfiguartion->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), writeDone, 10000);
    QVERIFY2(clock.elapsed() < 2500, "the data answer was waited out instead of refused");
    Lines expected = defaultWrite;
    expected.insert(7, "AT+FFRAME=\r\n");
    QCOMPARE(m_sim->receivedLines(), expected);
}

void tst_Protocol::controls_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("index");   // the work-mode box's new index
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("reset") << "pushButton_reset" << -1 << QByteArray("AT+RST\r\n");
    QTest::newRow("factory restore") << "pushButton_restore" << -1 << QByteArray("AT+DFRST\r\n");
    QTest::newRow("start network") << "pushButton_startNet" << -1 << QByteArray("AT+STANET=1\r\n");
    QTest::newRow("leave network") << "pushButton_leaveNet" << -1 << QByteArray("AT+STANET=0\r\n");
    QTest::newRow("enter TP mode") << "pushButton_enter_TP" << -1 << QByteArray("AT+TPMOD\r\n");
    QTest::newRow("quit TP mode, no line end") << "pushButton_quit_TP" << -1 << QByteArray("+++");
    QTest::newRow("work mode TP_MODE") << "comboBox_defaultWorkMode" << 1 << QByteArray("AT+ATTP=1\r\n");
    QTest::newRow("work mode AT_MODE again") << "comboBox_defaultWorkMode" << 0 << QByteArray("AT+ATTP=0\r\n");
    QTest::newRow("work mode re-selected") << "comboBox_defaultWorkMode" << 1 << QByteArray();
}

void tst_Protocol::controls()
{
    QFETCH(QString, control);
    QFETCH(int, index);
    QFETCH(QByteArray, bytes);
    auto *box = ui().comboBox_defaultWorkMode;
    if (index >= 0) {
        const QSignalBlocker quiet(box);
        box->setCurrentIndex(bytes.isEmpty() ? index : 1 - index);
    }
    const qint64 sentBefore = ui().label_sendCnt->text().toLongLong();
    if (index >= 0)
        box->setCurrentIndex(index);
    else
        m_w->findChild<QPushButton *>(control)->click();
    QCOMPARE(ui().label_sendCnt->text().toLongLong() - sentBefore, qint64(bytes.size()));

    m_w->sendCmd(QStringLiteral("AT"));   // marks the end of what the control sent
    QTRY_VERIFY(m_sim->receivedBytes().endsWith("AT\r\n"));
    QCOMPARE(m_sim->receivedBytes(), bytes + "AT\r\n");
}

void tst_Protocol::controlsWithPortClosed()
{
    ui().pushButton_openCom->click();   // close
    QVERIFY(!Access::comIsOpen(*m_w));
    for (QPushButton *b : {ui().pushButton_reset, ui().pushButton_restore, ui().pushButton_startNet,
                           ui().pushButton_leaveNet, ui().pushButton_enter_TP, ui().pushButton_quit_TP})
        b->click();
    ui().comboBox_defaultWorkMode->setCurrentIndex(1);
    QCOMPARE(ui().label_sendCnt->text(), QStringLiteral("0"));

    QVERIFY(testsupport::openPort(*m_w, m_sim->slavePath()));
    ui().pushButton_reset->click();
    QTRY_COMPARE(m_sim->receivedBytes(), QByteArray("AT+RST\r\n"));
}

void tst_Protocol::controlDuringRead()
{
    m_sim->setDelay(150);
    ui().pushButton_readConfiguration->click();
    QTRY_COMPARE(m_sim->receivedLines().size(), 1);
    ui().pushButton_startNet->click();
    QTRY_COMPARE(m_sim->receivedLines().size(), 2);
    QCOMPARE(m_sim->receivedLines().at(1), QByteArray("AT+STANET=1\r\n"));
    QVERIFY(Access::readCfgRunning(*m_w));
    QCOMPARE(Access::readCfgIndex(*m_w), 0);   // still waiting for the version
}

void tst_Protocol::answerInStatusBar_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("chinese");   // "-": the status bar keeps what it had
    QTest::addColumn<QString>("english");
    QTest::newRow("OK") << QByteArray("OK\r\n") << "成功" << "Successful";
    QTest::newRow("busy") << QByteArray("ERR=2\r\n") << "错误：设备忙" << "Error:Busy";
    QTest::newRow("leading zeros") << QByteArray("ERR=005\r\n") << "错误：指令没有已回车换行结束"
                                   << "Error:Cmd Not end with Carriage return and line feed";
    QTest::newRow("code not in the table") << QByteArray("ERR=9\r\n") << "错误：" << "Error:";
    QTest::newRow("four-digit code") << QByteArray("ERR=1000\r\n") << "-" << "-";
    QTest::newRow("data answer") << QByteArray("OK=1\r\n") << "-" << "-";
}

void tst_Protocol::answerInStatusBar()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, chinese);
    QFETCH(QString, english);
    m_w->installTranslator();
    for (const bool inEnglish : {false, true}) {
        if (inEnglish)
            Access::langButton(*m_w)->click();   // to English, from the program's own catalogue
        const QString expected = inEnglish ? english : chinese;
        m_w->statusBar()->showMessage(QStringLiteral("before"));
        QSignalSpy received(m_w.get(), &Quorvel::recvNewLine);
        m_sim->sendRaw(line);
        QVERIFY(received.wait(3000));
        QCOMPARE(status(), expected == QLatin1String("-") ? QStringLiteral("before") : expected);
    }
    QCOMPARE(m_w->getErrStrFromCode(2), QStringLiteral("设备忙"));   // the table keeps the source text
}

QTEST_MAIN(tst_Protocol)
#include "tst_protocol.moc"
