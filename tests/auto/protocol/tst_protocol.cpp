// The module protocol end to end: the window on one side of a pseudo-terminal,
// the simulated module on the other. Every check is against the wire (what the
// module received, what it holds, what it answered), never against the
// program's own tables: the configuration read, the write, their time-outs and
// retries, the seven controls, and the status-bar answer handler.
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
#include <QTranslator>

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

const QString readDone = QStringLiteral("读取配置完成");
const QString readFailed = QStringLiteral("读取配置遇到错误");
const QString writeDone = QStringLiteral("写入配置完成");
const QString writeFailed = QStringLiteral("写入配置遇到错误");

// Fields the write sends; the read fills these and the seven read-only ones.
const QStringList writableFields = {
    "comboBox_wifi_mode", "lineEdit_AP_SSID", "comboBox_MODE", "comboBox_CH", "comboBox_AUTH",
    "comboBox_CRYPT", "lineEdit_AP_KEY", "lineEdit_STA_SSID", "lineEdit_STA_KEY", "comboBox_ip_mode",
    "lineEdit_set_ip", "lineEdit_set_gatway", "lineEdit_set_mask", "checkBox_en_dhcp",
    "lineEdit_dhcp_start_ip", "lineEdit_dhcp_end_ip", "comboBox_TP_TCP_UDP", "comboBox_TP_S_C",
    "lineEdit_TP_ADDR", "lineEdit_TP_PORT", "lineEdit_fframe_time", "lineEdit_aframe_len",
    "lineEdit_aframe_time", "comboBox_deviceBps", "comboBox_deviceDataBit", "comboBox_deviceParBit",
    "comboBox_deviceStopBit", "comboBox_deviceFlow"};

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
        else
            state.insert(name, QStringLiteral("<no such widget>"));
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
        else
            qFatal("no widget %s", qPrintable(it.key()));
    }
}

// A module far from its factory state, with a comma inside the AP's SSID.
void configureModule(ModSim &sim)
{
    sim.setFields("VER", {"V9.9-test"});
    sim.setFields("MAC", {"02:00:00:AA:BB:CC"});
    sim.setFields("APSTA", {"1"});
    sim.setFields("NETS", {"1", "1"});
    sim.setFields("CURIP", {"10.0.0.7", "10.0.0.1", "255.255.0.0"});
    sim.setFields("UART", {"3", "7", "2", "2", "1"});
    sim.setFields("APMOD", {"Lab,AP", "5", "13"});
    sim.setFields("APKEY", {"7", "5", "pass word"});
    sim.setFields("STAMOD", {"Office Net", "secret"});
    sim.setFields("IPCFG", {"1", "10.1.2.3", "10.1.2.254", "255.255.255.0"});
    sim.setFields("DHCP", {"1", "10.1.2.100", "10.1.2.199"});
    sim.setFields("TPSOCK", {"1", "1", "10.9.8.7", "5000"});
    sim.setFields("FFRAME", {"120"});
    sim.setFields("AFRAME", {"256", "40"});
}

// What the form shows after reading that module.
QVariantMap configuredForm()
{
    return {{"lineEdit_deviceSoftwareVer", "V9.9-test"}, {"lineEdit_device_mac", "02:00:00:AA:BB:CC"},
            {"lineEdit_wifi_mode", "STA"}, {"comboBox_wifi_mode", 1}, {"lineEdit_net_state", "ON"},
            {"lineEdit_ip", "10.0.0.7"}, {"lineEdit_ip_gatway", "10.0.0.1"},
            {"lineEdit_ip_mask", "255.255.0.0"},
            // 38400 baud, 7 data bits, odd parity, 2 stop bits, hardware flow
            {"comboBox_deviceBps", 3}, {"comboBox_deviceDataBit", 2}, {"comboBox_deviceParBit", 2},
            {"comboBox_deviceStopBit", 1}, {"comboBox_deviceFlow", 1},
            // HT40 on channel 13
            {"lineEdit_AP_SSID", "Lab,AP"}, {"comboBox_MODE", 4}, {"comboBox_CH", 12},
            {"comboBox_AUTH", 7}, {"comboBox_CRYPT", 5}, {"lineEdit_AP_KEY", "pass word"},
            {"lineEdit_STA_SSID", "Office Net"}, {"lineEdit_STA_KEY", "secret"},
            {"comboBox_ip_mode", 1}, {"lineEdit_set_ip", "10.1.2.3"}, {"lineEdit_set_gatway", "10.1.2.254"},
            {"lineEdit_set_mask", "255.255.255.0"}, {"checkBox_en_dhcp", true},
            {"lineEdit_dhcp_start_ip", "10.1.2.100"}, {"lineEdit_dhcp_end_ip", "10.1.2.199"},
            {"comboBox_TP_TCP_UDP", 1}, {"comboBox_TP_S_C", 1}, {"lineEdit_TP_ADDR", "10.9.8.7"},
            {"lineEdit_TP_PORT", "5000"}, {"lineEdit_fframe_time", "120"}, {"lineEdit_aframe_len", "256"},
            {"lineEdit_aframe_time", "40"}};
}

// Every writable field away from its default.
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

const Lines defaultWrite = crlfLines({"AT+APSTA=0", "AT+APMOD=,4,2", "AT+APKEY=4,3,", "AT+STAMOD=,",
                                      "AT+IPCFG=0", "AT+DHCP=0,,", "AT+TPSOCK=0,0,,", "AT+FFRAME=",
                                      "AT+AFRAME=,", "AT+UART=5,8,0,1,0"});

// English for the few texts the answer handler shows, looked up the way an
// installed catalogue is.
class EnglishTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (qstrcmp(context, "Quorvel") != 0)
            return QString();
        static const QHash<QString, QString> english = {
            {"成功", "Successful"}, {"错误：%1", "Error:%1"}, {"通用错误", "ERROR"}, {"设备忙", "Busy"},
            {"指令没有已回车换行结束", "Cmd Not end with Carriage return and line feed"}};
        return english.value(QString::fromUtf8(source));
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class tst_Protocol : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fullRead();
    void readThroughTraffic_data();
    void readThroughTraffic();
    void readDoesNotResetWorkModeOnModule();
    void networkOff_data();
    void networkOff();
    void numberOutsideSelectorList();
    void readRetryIsGivenBack();
    void readFailsAfterSecondSilence();
    void lateAnswerTakenByPosition();
    void portClosedDuringRead();

    void writeCommands_data();
    void writeCommands();
    void writeThenRead_data();
    void writeThenRead();
    void writeStopsAfterSecondError();
    void writeOkWithDataIsFailure();
    void writeRetriesAfterSilence();

    void controls_data();
    void controls();
    void controlsWithPortClosed();
    void controlDuringRead();

    void answerInStatusBar_data();
    void answerInStatusBar();

private:
    Ui::QuorvelClass &ui() { return Access::ui(*m_w); }
    QString status() const { return m_w->statusBar()->currentMessage(); }

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

void tst_Protocol::fullRead()
{
    configureModule(*m_sim);
    // Which answers the window had when each query reached the module: the
    // n-th query must wait for n answers.
    QSignalSpy answers(m_w.get(), &Quorvel::recvNewLine);
    QList<int> answersBefore;
    connect(m_sim.get(), &ModSim::lineReceived, this, [&] {
        answersBefore << answers.count();
        if (answersBefore.size() == 1)
            ui().tabWidget->setCurrentIndex(1);   // the user looks elsewhere meanwhile
    });
    m_sim->setDelay(2);
    ui().tabWidget->setCurrentIndex(2);

    ui().pushButton_readConfiguration->click();
    QVERIFY(Access::readCfgRunning(*m_w));
    for (QPushButton *b : {ui().pushButton_readConfiguration, ui().pushButton_writeConfiguartion,
                           ui().pushButton_Import, ui().pushButton_Export})
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));

    QTRY_COMPARE_WITH_TIMEOUT(status(), readDone, 10000);
    QCOMPARE(m_sim->receivedLines(), readQueries);
    QCOMPARE(answersBefore, QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    const QVariantMap expected = configuredForm();
    QCOMPARE(formState(*m_w, expected.keys()), expected);
    QCOMPARE(ui().tabWidget->currentIndex(), 2);
    for (QPushButton *b : {ui().pushButton_readConfiguration, ui().pushButton_writeConfiguartion,
                           ui().pushButton_Import, ui().pushButton_Export})
        QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
}

void tst_Protocol::readThroughTraffic_data()
{
    QTest::addColumn<bool>("echo");
    QTest::addColumn<int>("noiseMs");
    QTest::addColumn<bool>("split");
    QTest::newRow("commands echoed") << true << 0 << false;
    QTest::newRow("unsolicited lines every 3 ms") << false << 3 << false;
    QTest::newRow("answers byte by byte") << false << 0 << true;
}

void tst_Protocol::readThroughTraffic()
{
    QFETCH(bool, echo);
    QFETCH(int, noiseMs);
    QFETCH(bool, split);
    configureModule(*m_sim);
    m_sim->setEcho(echo);
    m_sim->setNoise(noiseMs);
    m_sim->setSplit(split);

    ui().pushButton_readConfiguration->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), readDone, 20000);
    QCOMPARE(m_sim->receivedLines(), readQueries);
    const QVariantMap expected = configuredForm();
    QCOMPARE(formState(*m_w, expected.keys()), expected);
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
    QCOMPARE(ui().comboBox_defaultWorkMode->currentIndex(), 0);
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
    QSignalSpy answers(m_w.get(), &Quorvel::recvNewLine);
    ui().pushButton_readConfiguration->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), readDone, 10000);
    QCOMPARE(m_sim->receivedLines(), readQueries);
    QCOMPARE(answers.at(4).at(0).toString().startsWith(curipAnswersOk ? "OK=" : "ERR="), true);
    QCOMPARE(ui().lineEdit_net_state->text(), QStringLiteral("OFF"));
    for (QLineEdit *e : {ui().lineEdit_ip, ui().lineEdit_ip_gatway, ui().lineEdit_ip_mask})
        QCOMPARE(e->text(), QStringLiteral("未知"));
    QCOMPARE(ui().lineEdit_aframe_len->text(), m_sim->fields("AFRAME").at(0));
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
    QCOMPARE(ui().lineEdit_AP_SSID->text(), QStringLiteral("x"));
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
    QCOMPARE(ui().lineEdit_net_state->text(), QStringLiteral("ON"));
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
    QVERIFY(ui().pushButton_readConfiguration->isEnabled());
    QVERIFY(ui().pushButton_writeConfiguartion->isEnabled());
}

void tst_Protocol::lateAnswerTakenByPosition()
{
    // The first answer to the version query comes only after its retry, and
    // then the answer to the retry: the second counts for the next query.
    m_sim->setSilent("AT+VER?");
    int versionQueries = 0;
    connect(m_sim.get(), &ModSim::lineReceived, this, [&](const QByteArray &line) {
        if (line == "AT+VER?\r\n" && ++versionQueries == 2)
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
    QVERIFY(ui().pushButton_Import->isEnabled());
    QVERIFY(ui().pushButton_Export->isEnabled());
}

void tst_Protocol::writeCommands_data()
{
    QTest::addColumn<QVariantMap>("form");
    QTest::addColumn<bool>("noisy");
    QTest::addColumn<Lines>("expected");

    QTest::newRow("defaults after the reset") << QVariantMap() << false << defaultWrite;
    QTest::newRow("defaults, with echo and unsolicited lines") << QVariantMap() << true << defaultWrite;
    QTest::newRow("every field set, static address")
        << fullForm() << false
        << crlfLines({"AT+APSTA=1", "AT+APMOD=Lab AP,5,13", "AT+APKEY=7,5,pass word", "AT+STAMOD=Office Net,secret",
                      "AT+IPCFG=1,10.1.2.3,10.1.2.254,255.255.255.0", "AT+DHCP=1,10.1.2.100,10.1.2.199",
                      "AT+TPSOCK=1,1,10.9.8.7,5000", "AT+FFRAME=120", "AT+AFRAME=256,40", "AT+UART=3,7,2,2,1"});

    QVariantMap dynamic = fullForm();
    dynamic.insert("comboBox_ip_mode", 0);
    Lines dynamicLines = crlfLines({"AT+APSTA=1", "AT+APMOD=Lab AP,5,13", "AT+APKEY=7,5,pass word",
                                    "AT+STAMOD=Office Net,secret", "AT+IPCFG=0", "AT+DHCP=1,10.1.2.100,10.1.2.199",
                                    "AT+TPSOCK=1,1,10.9.8.7,5000", "AT+FFRAME=120", "AT+AFRAME=256,40",
                                    "AT+UART=3,7,2,2,1"});
    QTest::newRow("dynamic address with the static fields filled") << dynamic << false << dynamicLines;

    Lines injected = defaultWrite;
    injected[1] = "AT+APMOD=xAT+DFRST,4,2\r\n";
    injected[3] = "AT+STAMOD=net,keyAT+RST\r\n";
    QTest::newRow("line ends and NUL in texts start no command")
        << QVariantMap{{"lineEdit_AP_SSID", "x\r\nAT+DFRST"},
                       {"lineEdit_STA_SSID", "n\re\nt"},
                       {"lineEdit_STA_KEY", QStringLiteral("key") + QChar(u'\0') + QStringLiteral("\r\nAT+RST")}}
        << false << injected;
}

void tst_Protocol::writeCommands()
{
    QFETCH(QVariantMap, form);
    QFETCH(bool, noisy);
    QFETCH(Lines, expected);
    applyForm(*m_w, form);
    QCOMPARE(formState(*m_w, form.keys()), form);   // the form really holds what the row says
    m_sim->setEcho(noisy);
    m_sim->setNoise(noisy ? 3 : 0);
    QSignalSpy answers(m_w.get(), &Quorvel::recvNewLine);
    QList<int> answersBefore;
    connect(m_sim.get(), &ModSim::lineReceived, this, [&] { answersBefore << answers.count(); });
    ui().tabWidget->setCurrentIndex(1);

    ui().pushButton_writeConfiguartion->click();
    QVERIFY(Access::writeCfgRunning(*m_w));
    QVERIFY(!ui().pushButton_Import->isEnabled());
    ui().tabWidget->setCurrentIndex(0);
    QTRY_COMPARE_WITH_TIMEOUT(status(), writeDone, 10000);

    QCOMPARE(m_sim->receivedLines(), expected);
    if (!noisy)
        QCOMPARE(answersBefore, QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    QCOMPARE(ui().tabWidget->currentIndex(), 1);
    for (QPushButton *b : {ui().pushButton_readConfiguration, ui().pushButton_writeConfiguartion,
                           ui().pushButton_Import, ui().pushButton_Export})
        QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
}

void tst_Protocol::writeThenRead_data()
{
    QTest::addColumn<QVariantMap>("form");
    QTest::newRow("every field set") << fullForm();
    // Empty texts go out as empty fields and must read back as such.
    QTest::newRow("defaults, texts empty") << QVariantMap();
}

void tst_Protocol::writeThenRead()
{
    QFETCH(QVariantMap, form);
    applyForm(*m_w, form);
    QStringList compared = writableFields;
    if (ui().comboBox_ip_mode->currentIndex() == 0) {
        // A dynamic address sends no static fields; the module keeps its own.
        for (const char *name : {"lineEdit_set_ip", "lineEdit_set_gatway", "lineEdit_set_mask"})
            compared.removeAll(QLatin1String(name));
    }
    const QVariantMap written = formState(*m_w, compared);

    ui().pushButton_writeConfiguartion->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), writeDone, 10000);
    m_w->resetCfgWidgets();
    ui().comboBox_wifi_mode->setCurrentIndex(ui().comboBox_wifi_mode->currentIndex() == 0 ? 1 : 0);
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
    QCOMPARE(m_sim->receivedLines(), crlfLines({"AT+APSTA=0", "AT+APMOD=Kept,4,2", "AT+APKEY=4,3,",
                                                "AT+APKEY=4,3,", "AT+RST"}));
    QCOMPARE(m_sim->fields("APSTA"), QStringList{"0"});
    QCOMPARE(m_sim->fields("APMOD"), QStringList({"Kept", "4", "2"}));
    QCOMPARE(m_sim->fields("APKEY"), keyBefore);
}

void tst_Protocol::writeOkWithDataIsFailure()
{
    // The module stays quiet; in its place a data answer comes back.
    m_sim->setSilent("AT+FFRAME=", 1);
    connect(m_sim.get(), &ModSim::lineReceived, this, [this](const QByteArray &line) {
        if (line.startsWith("AT+FFRAME=") && m_sim->receivedLines().count(line) == 1)
            m_sim->sendRaw("OK=120\r\n");
    });
    QElapsedTimer clock;
    clock.start();
    ui().pushButton_writeConfiguartion->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), writeDone, 10000);
    QVERIFY2(clock.elapsed() < 2500, "the data answer was waited out instead of retried");
    Lines expected = defaultWrite;
    expected.insert(7, "AT+FFRAME=\r\n");
    QCOMPARE(m_sim->receivedLines(), expected);
}

void tst_Protocol::writeRetriesAfterSilence()
{
    m_sim->setSilent("AT+DHCP=", 1);
    ui().lineEdit_dhcp_start_ip->setText("10.0.0.1");
    connect(m_sim.get(), &ModSim::lineReceived, this, [this](const QByteArray &line) {
        // An edit while the command waits reaches the module with the retry.
        if (line.startsWith("AT+DHCP="))
            ui().lineEdit_dhcp_end_ip->setText("10.0.0.9");
    });
    ui().pushButton_writeConfiguartion->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), writeDone, 10000);
    Lines expected = defaultWrite;
    expected[5] = "AT+DHCP=0,10.0.0.1,\r\n";
    expected.insert(6, "AT+DHCP=0,10.0.0.1,10.0.0.9\r\n");
    QCOMPARE(m_sim->receivedLines(), expected);
    QCOMPARE(m_sim->fields("DHCP"), QStringList({"0", "10.0.0.1", "10.0.0.9"}));
}

void tst_Protocol::controls_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("index");   // for the work-mode box
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("reset") << "pushButton_reset" << -1 << QByteArray("AT+RST\r\n");
    QTest::newRow("factory restore") << "pushButton_restore" << -1 << QByteArray("AT+DFRST\r\n");
    QTest::newRow("start network") << "pushButton_startNet" << -1 << QByteArray("AT+STANET=1\r\n");
    QTest::newRow("leave network") << "pushButton_leaveNet" << -1 << QByteArray("AT+STANET=0\r\n");
    QTest::newRow("enter TP mode") << "pushButton_enter_TP" << -1 << QByteArray("AT+TPMOD\r\n");
    QTest::newRow("quit TP mode, no line end") << "pushButton_quit_TP" << -1 << QByteArray("+++");
    QTest::newRow("work mode TP_MODE") << "comboBox_defaultWorkMode" << 1 << QByteArray("AT+ATTP=1\r\n");
    QTest::newRow("work mode AT_MODE again") << "comboBox_defaultWorkMode" << 0 << QByteArray("AT+ATTP=0\r\n");
    QTest::newRow("work mode unchanged") << "comboBox_defaultWorkMode" << 1 << QByteArray();
}

void tst_Protocol::controls()
{
    QFETCH(QString, control);
    QFETCH(int, index);
    QFETCH(QByteArray, bytes);
    auto *box = ui().comboBox_defaultWorkMode;
    if (control == box->objectName()) {
        // Start from the other item, except when re-selecting the current one.
        const QSignalBlocker quiet(box);
        box->setCurrentIndex(bytes.isEmpty() ? index : 1 - index);
        box->setCurrentIndex(bytes.isEmpty() ? index : 1 - index);
    }
    const qint64 sentBefore = ui().label_sendCnt->text().toLongLong();

    if (control == box->objectName())
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
    QVERIFY(Access::readCfgRunning(*m_w));
    QCOMPARE(m_sim->receivedLines().at(1), QByteArray("AT+STANET=1\r\n"));
    QCOMPARE(Access::readCfgIndex(*m_w), 0);   // still waiting for the version
}

void tst_Protocol::answerInStatusBar_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("message");   // "-": the status bar keeps what it had

    QTest::newRow("OK") << QByteArray("OK\r\n") << false << QStringLiteral("成功");
    QTest::newRow("OK, English") << QByteArray("OK\r\n") << true << QStringLiteral("Successful");
    QTest::newRow("busy") << QByteArray("ERR=2\r\n") << false << QStringLiteral("错误：设备忙");
    QTest::newRow("busy, English") << QByteArray("ERR=2\r\n") << true << QStringLiteral("Error:Busy");
    QTest::newRow("leading zeros") << QByteArray("ERR=005\r\n") << false
                                   << QStringLiteral("错误：指令没有已回车换行结束");
    QTest::newRow("leading zeros, English") << QByteArray("ERR=005\r\n") << true
                                            << QStringLiteral("Error:Cmd Not end with Carriage return and line feed");
    QTest::newRow("code not in the table") << QByteArray("ERR=9\r\n") << false << QStringLiteral("错误：");
    QTest::newRow("code not in the table, English") << QByteArray("ERR=9\r\n") << true << QStringLiteral("Error:");
    QTest::newRow("four-digit code") << QByteArray("ERR=1000\r\n") << false << QStringLiteral("-");
    QTest::newRow("data answer") << QByteArray("OK=1\r\n") << false << QStringLiteral("-");
    QTest::newRow("data answer, English") << QByteArray("OK=1\r\n") << true << QStringLiteral("-");
}

void tst_Protocol::answerInStatusBar()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, english);
    QFETCH(QString, message);
    EnglishTranslator translator;
    if (english)
        QVERIFY(QCoreApplication::installTranslator(&translator));
    const QString before = QStringLiteral("before");
    m_w->statusBar()->showMessage(before);
    QSignalSpy received(m_w.get(), &Quorvel::recvNewLine);
    m_sim->sendRaw(line);
    QVERIFY(received.wait(3000));
    QCOMPARE(received.at(0).at(0).toString(), QString::fromLatin1(line));
    QCOMPARE(status(), message == QLatin1String("-") ? before : message);
    // The table itself keeps the source texts.
    QCOMPARE(m_w->getErrStrFromCode(2), QStringLiteral("设备忙"));
    QCoreApplication::removeTranslator(&translator);
}

QTEST_MAIN(tst_Protocol)
#include "tst_protocol.moc"
