// The main window as it comes up: built without a Qt warning, every widget of
// the form present with its class and items, the configuration at its
// defaults, the input restrictions, the quiet reset, and "Ready".
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QValidator>

#include "tests/common/testsupport.h"

class tst_Window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void buildsWithoutWarning();
    void widgets_data();
    void widgets();
    void comboItems_data();
    void comboItems();
    void startupState_data();
    void startupState();
    void validators_data();
    void validators();
    void resetDoesNotRunWorkModeSlot();
    void readyThenClears();
    void embeddedPictures();
    void countersHoldTwelveDigits();

private:
    QTemporaryDir m_dir;
};

void tst_Window::initTestCase()
{
    // The window reads "./Quorvel.ini"; start from none.
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

void tst_Window::buildsWithoutWarning()
{
    // A misspelt slot makes connectSlotsByName warn and lose the connection.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    Quorvel w;
    QCOMPARE(w.windowTitle(), QStringLiteral("Quorvel"));
}

void tst_Window::widgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    const auto add = [](const char *cls, std::initializer_list<const char *> names) {
        for (const char *n : names)
            QTest::newRow(n) << QString::fromLatin1(n) << QString::fromLatin1(cls);
    };
    add("QGroupBox", {"groupBox_console", "groupBox_configuration", "groupBox", "groupBox_2", "groupBox_14",
                      "groupBox_10", "groupBox_11", "groupBox_3", "groupBox_12", "groupBox_4", "groupBox_5",
                      "groupBox_6"});
    add("PortComboBox", {"comboBox_comPort"});
    add("QComboBox", {"comboBox_bps", "comboBox_stopBit", "comboBox_dataBit",
                      "comboBox_parBit", "comboBox_deviceBps", "comboBox_deviceStopBit", "comboBox_deviceFlow",
                      "comboBox_deviceDataBit", "comboBox_deviceParBit", "comboBox_defaultWorkMode",
                      "comboBox_wifi_mode", "comboBox_AUTH", "comboBox_CRYPT", "comboBox_MODE", "comboBox_CH",
                      "comboBox_ip_mode", "comboBox_TP_TCP_UDP", "comboBox_TP_S_C", "comboBox_encoding"});
    add("QPushButton", {"pushButton_openCom", "pushButton_send", "pushButton_clearLog",
                        "pushButton_readConfiguration", "pushButton_writeConfiguartion", "pushButton_Import",
                        "pushButton_Export", "pushButton_reset", "pushButton_restore", "pushButton_startNet",
                        "pushButton_leaveNet", "pushButton_enter_TP", "pushButton_quit_TP"});
    add("QCheckBox", {"checkBox_regulerSend", "checkBox_sendNewLine", "checkBox_log_cmd",
                      "checkBox_logAutoScroll", "checkBox_autoReconnect", "checkBox_en_dhcp"});
    add("QLineEdit", {"lineEdit_regular_time", "lineEdit_cmd", "lineEdit_deviceSoftwareVer",
                      "lineEdit_device_mac", "lineEdit_wifi_mode", "lineEdit_net_state", "lineEdit_ip",
                      "lineEdit_ip_gatway", "lineEdit_ip_mask", "lineEdit_AP_SSID", "lineEdit_AP_KEY",
                      "lineEdit_STA_SSID", "lineEdit_STA_KEY", "lineEdit_set_ip", "lineEdit_set_gatway",
                      "lineEdit_set_mask", "lineEdit_dhcp_start_ip", "lineEdit_dhcp_end_ip", "lineEdit_TP_ADDR",
                      "lineEdit_TP_PORT", "lineEdit_fframe_time", "lineEdit_aframe_len",
                      "lineEdit_aframe_time"});
    add("QLabel", {"label_comLed", "label_bps", "label_stopBit", "label_dataBit", "label", "label_26",
                   "label_22", "label_sendCnt", "label_24", "label_recvCnt", "label_4", "label_10", "label_14",
                   "label_11", "label_18", "label_19", "label_20", "label_bps_2", "label_stopBit_2",
                   "label_stopBit_3", "label_dataBit_2", "label_94", "label_95", "label_2", "label_3",
                   "label_5", "label_6", "label_7", "label_8", "label_9", "label_12", "label_13", "label_15",
                   "label_21", "label_30", "label_16", "label_23", "label_31", "label_32", "label_34",
                   "label_35", "label_36", "label_38", "label_37", "label_39", "label_40", "label_41", "label_encoding"});
    add("QTableWidget", {"tableWidget_log"});
    add("QTabWidget", {"tabWidget"});
    add("QWidget", {"centralWidget", "tab_1", "tab_2", "tab"});
    add("QStatusBar", {"statusBar"});
    add("QFrame", {"line", "line_2"});
}

void tst_Window::widgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    Quorvel w;
    QObject *o = w.findChild<QObject *>(name);
    QVERIFY2(o, qPrintable(name));
    QCOMPARE(QString::fromLatin1(o->metaObject()->className()), className);
}

void tst_Window::comboItems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("items");
    const QStringList rates{"4800", "9600", "19200", "38400", "76800", "115200", "128000", "256000"};
    QTest::newRow("bps") << "comboBox_bps" << rates;
    QTest::newRow("stopBit") << "comboBox_stopBit" << QStringList{"1", "2"};
    QTest::newRow("dataBit") << "comboBox_dataBit" << QStringList{"5", "6", "7", "8"};
    QTest::newRow("parBit") << "comboBox_parBit" << QStringList{"None", "Even", "Odd"};
    QTest::newRow("deviceBps") << "comboBox_deviceBps" << rates;
    QTest::newRow("deviceStopBit") << "comboBox_deviceStopBit" << QStringList{"1", "2"};
    QTest::newRow("deviceFlow") << "comboBox_deviceFlow" << QStringList{"None", "Hardware"};
    QTest::newRow("deviceDataBit") << "comboBox_deviceDataBit" << QStringList{"5", "6", "7", "8"};
    QTest::newRow("deviceParBit") << "comboBox_deviceParBit" << QStringList{"None", "Even", "Odd"};
    QTest::newRow("defaultWorkMode") << "comboBox_defaultWorkMode" << QStringList{"AT_MODE", "TP_MODE"};
    QTest::newRow("wifi_mode") << "comboBox_wifi_mode" << QStringList{"AP模式", "STA模式"};
    QTest::newRow("AUTH") << "comboBox_AUTH"
                          << QStringList{"NONE", "WPA", "WAP2", "WAP_PSK", "WAP2_PSK", "WAP_CCKM", "WPA2_CCKM",
                                         "WPA2_PSK_SHA256"};
    QTest::newRow("CRYPT") << "comboBox_CRYPT" << QStringList{"NONE", "WEP", "TKIP", "AES", "BIP", "KTK"};
    QTest::newRow("MODE") << "comboBox_MODE" << QStringList{"11a", "11b", "11g", "11n", "HT40"};
    QStringList channels;
    for (int c = 1; c <= 13; ++c)
        channels << QString::number(c);
    QTest::newRow("CH") << "comboBox_CH" << channels;
    QTest::newRow("ip_mode") << "comboBox_ip_mode" << QStringList{"动态IP", "静态IP"};
    QTest::newRow("TP_TCP_UDP") << "comboBox_TP_TCP_UDP" << QStringList{"TCP", "UDP"};
    QTest::newRow("TP_S_C") << "comboBox_TP_S_C" << QStringList{"服务器", "客户端"};
    QTest::newRow("encoding") << "comboBox_encoding" << QStringList{"UTF-8", "GBK"};
}

void tst_Window::comboItems()
{
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    Quorvel w;
    auto *box = w.findChild<QComboBox *>(name);
    QVERIFY(box);
    QStringList actual;
    for (int i = 0; i < box->count(); ++i)
        actual << box->itemText(i);
    QCOMPARE(actual, items);
}

// What the user sees right after start-up without a settings file.
void tst_Window::startupState_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("baud rate from the defaults") << "comboBox_bps" << "115200";
    QTest::newRow("data bits") << "comboBox_dataBit" << "8";
    QTest::newRow("parity") << "comboBox_parBit" << "None";
    QTest::newRow("stop bits") << "comboBox_stopBit" << "1";
    QTest::newRow("command line") << "lineEdit_cmd" << "AT";
    QTest::newRow("device baud") << "comboBox_deviceBps" << "115200";
    QTest::newRow("device data bits") << "comboBox_deviceDataBit" << "8";
    QTest::newRow("device stop bits") << "comboBox_deviceStopBit" << "1";
    QTest::newRow("device parity") << "comboBox_deviceParBit" << "None";
    QTest::newRow("device flow") << "comboBox_deviceFlow" << "None";
    QTest::newRow("work mode") << "comboBox_defaultWorkMode" << "AT_MODE";
    QTest::newRow("wifi mode") << "comboBox_wifi_mode" << "AP模式";
    QTest::newRow("auth") << "comboBox_AUTH" << "WAP2_PSK";
    QTest::newRow("crypt") << "comboBox_CRYPT" << "AES";
    QTest::newRow("wireless mode") << "comboBox_MODE" << "11n";
    QTest::newRow("channel") << "comboBox_CH" << "2";
    QTest::newRow("ip mode") << "comboBox_ip_mode" << "动态IP";
    QTest::newRow("protocol") << "comboBox_TP_TCP_UDP" << "TCP";
    QTest::newRow("socket role") << "comboBox_TP_S_C" << "服务器";
    QTest::newRow("open caption") << "pushButton_openCom" << "打开";
    QTest::newRow("send counter") << "label_sendCnt" << "0";
    QTest::newRow("receive counter") << "label_recvCnt" << "0";
}

void tst_Window::startupState()
{
    QFETCH(QString, name);
    QFETCH(QString, shown);
    Quorvel w;
    QObject *o = w.findChild<QObject *>(name);
    QVERIFY(o);
    if (auto *box = qobject_cast<QComboBox *>(o))
        QCOMPARE(box->currentText(), shown);
    else if (auto *edit = qobject_cast<QLineEdit *>(o))
        QCOMPARE(edit->text(), shown);
    else if (auto *button = qobject_cast<QPushButton *>(o))
        QCOMPARE(button->text(), shown);
    else if (auto *label = qobject_cast<QLabel *>(o))
        QCOMPARE(label->text(), shown);
    else
        QFAIL("unexpected widget kind");

    // Every line edit of the configuration is empty, DHCP is off, and the
    // buttons that need an open port are disabled.
    Ui::QuorvelClass &ui = QuorvelTestAccess::ui(w);
    const auto edits = ui.groupBox_configuration->findChildren<QLineEdit *>();
    for (const QLineEdit *edit : edits) {
        if (edit->parent() != ui.comboBox_comPort)
            QVERIFY2(edit->text().isEmpty(), qPrintable(edit->objectName()));
    }
    QVERIFY(!ui.checkBox_en_dhcp->isChecked());
    QVERIFY(!ui.pushButton_send->isEnabled());
    QVERIFY(!ui.pushButton_readConfiguration->isEnabled());
    QVERIFY(!ui.pushButton_writeConfiguartion->isEnabled());
    QVERIFY(ui.pushButton_Import->isEnabled());
    QVERIFY(ui.pushButton_Export->isEnabled());
    QVERIFY(ui.lineEdit_cmd->isEnabled());
    QCOMPARE(ui.tabWidget->currentIndex(), 0);
    QCOMPARE(ui.tableWidget_log->editTriggers(), QAbstractItemView::NoEditTriggers);
}

void tst_Window::validators_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("accepted");
    for (const char *addr : {"lineEdit_set_ip", "lineEdit_set_gatway", "lineEdit_set_mask",
                             "lineEdit_dhcp_start_ip", "lineEdit_dhcp_end_ip", "lineEdit_TP_ADDR"}) {
        QTest::addRow("%s takes an address", addr) << addr << "192.168.4.1" << true;
        QTest::addRow("%s refuses letters", addr) << addr << "host1" << false;
        QTest::addRow("%s refuses a colon", addr) << addr << "10.0.0.1:80" << false;
    }
    for (const char *num : {"lineEdit_TP_PORT", "lineEdit_regular_time", "lineEdit_fframe_time",
                            "lineEdit_aframe_len", "lineEdit_aframe_time"}) {
        QTest::addRow("%s takes digits", num) << num << "8080" << true;
        QTest::addRow("%s refuses a dot", num) << num << "1.5" << false;
        QTest::addRow("%s refuses a sign", num) << num << "-1" << false;
    }
    for (const char *free : {"lineEdit_AP_SSID", "lineEdit_AP_KEY", "lineEdit_STA_SSID", "lineEdit_STA_KEY",
                             "lineEdit_cmd"})
        QTest::addRow("%s takes any text", free) << free << "Net, 1 & <2>" << true;
}

void tst_Window::validators()
{
    QFETCH(QString, name);
    QFETCH(QString, input);
    QFETCH(bool, accepted);
    Quorvel w;
    auto *edit = w.findChild<QLineEdit *>(name);
    QVERIFY(edit);
    // Typing goes through the validator the way a user's keys do.
    edit->clear();
    edit->setEnabled(true);
    QTest::keyClicks(edit, input);
    QCOMPARE(edit->text() == input, accepted);
}

void tst_Window::resetDoesNotRunWorkModeSlot()
{
    Quorvel w;
    Ui::QuorvelClass &ui = QuorvelTestAccess::ui(w);
    ui.comboBox_defaultWorkMode->setCurrentIndex(1);
    QSignalSpy changed(ui.comboBox_defaultWorkMode, &QComboBox::currentIndexChanged);
    w.resetCfgWidgets();
    QCOMPARE(ui.comboBox_defaultWorkMode->currentIndex(), 0);
    // No index-changed signal, so the by-name slot that sends "AT+ATTP=0" never ran.
    QCOMPARE(changed.count(), 0);
}

void tst_Window::readyThenClears()
{
    QElapsedTimer shown;
    shown.start();
    Quorvel w;
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("Ready"));
    QTRY_COMPARE_WITH_TIMEOUT(w.statusBar()->currentMessage(), QString(), 8000);
    // Shown for its five seconds, not cleared early by anything else (a
    // coarse timer may fire up to 5 % early).
    QVERIFY2(shown.elapsed() >= 4700, qPrintable(QString::number(shown.elapsed())));
}

void tst_Window::embeddedPictures()
{
    const QImage icon(QStringLiteral(":/Quorvel/AppIcon"));
    QCOMPARE(icon.size(), QSize(1884, 1884));
    QVERIFY(icon.hasAlphaChannel());
    for (const char *lamp : {":/Quorvel/comGreenLed", ":/Quorvel/comGrayLed"}) {
        const QImage image(QString::fromLatin1(lamp));
        QCOMPARE(image.size(), QSize(78, 78));
        QVERIFY(image.hasAlphaChannel());
    }
    Quorvel w;
    // The window's icon: renditions of that picture up to 256 px, never the full picture.
    const QIcon windowIcon = w.windowIcon();
    const QList<QSize> sizes = windowIcon.availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(256, 256)));
    for (const QSize &size : sizes) {
        QVERIFY(size.width() <= 256);
        const QImage rendition = windowIcon.pixmap(size).toImage();
        QCOMPARE(rendition.size(), size);
        const auto at = [](const QImage &image, double x, double y) {
            return image.pixelColor(int(x * image.width()), int(y * image.height()));
        };
        QCOMPARE(at(rendition, 0, 0).alpha(), 0);
        // The disc's colour beside the centre, where no arc is.
        const QColor small = at(rendition, 0.25, 0.5), big = at(icon, 0.25, 0.5);
        QVERIFY2(qAbs(small.red() - big.red()) + qAbs(small.green() - big.green()) + qAbs(small.blue() - big.blue()) < 24,
                 qPrintable(small.name() + " / " + big.name()));
    }
    QVERIFY(!QuorvelTestAccess::ui(w).label_comLed->pixmap().isNull());
}

// Twelve digits show whole, and a growing count moves nothing else in its row.
void tst_Window::countersHoldTwelveDigits()
{
    Quorvel w;
    Ui::QuorvelClass &ui = QuorvelTestAccess::ui(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect clear = ui.pushButton_clearLog->geometry();
    const QRect received = ui.label_recvCnt->geometry();
    for (QLabel *counter : {ui.label_sendCnt, ui.label_recvCnt})
        counter->setText(QStringLiteral("888888888888"));
    QTest::qWait(50);   // a layout pass
    for (QLabel *counter : {ui.label_sendCnt, ui.label_recvCnt})
        QVERIFY(counter->fontMetrics().horizontalAdvance(counter->text()) <= counter->contentsRect().width());
    QCOMPARE(ui.pushButton_clearLog->geometry(), clear);
    QCOMPARE(ui.label_recvCnt->geometry(), received);
}

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
