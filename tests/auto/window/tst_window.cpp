// The main window as it comes up: built without a Qt warning, what it shows at
// start-up (icon and counters included), the input restrictions, the quiet reset.
#include <QClipboard>
#include <QDeadlineTimer>
#include <QSignalSpy>

#include "tests/common/testsupport.h"

class tst_Window : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;   // the window reads "./Quorvel.ini": start from none
    const QString m_atStart =
        QStringLiteral("TP_TCP_UDP=TCP TP_S_C=服务器 wifi_mode=AP模式 AUTH=WAP2_PSK CRYPT=AES MODE=11n CH=2 "
                       "ip_mode=动态IP deviceBps=115200 deviceStopBit=1 deviceFlow=None deviceDataBit=8 "
                       "deviceParBit=None defaultWorkMode=AT_MODE");

    // What the configuration tabs show: every selector, the filled fields, DHCP when ticked.
    static QString configShown(Ui::QuorvelClass &ui)
    {
        QStringList shown;
        for (QComboBox *box : ui.tabWidget->findChildren<QComboBox *>())
            shown << box->objectName().mid(9) + u'=' + box->currentText();
        for (QLineEdit *edit : ui.tabWidget->findChildren<QLineEdit *>())
            shown << (edit->text().isEmpty() ? QString() : edit->objectName() + u'=' + edit->text());
        return (shown.join(u' ') + (ui.checkBox_en_dhcp->isChecked() ? " DHCP" : "")).simplified();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path())); }

    // No warning but a platform plugin's (a misspelt slot makes connectSlotsByName warn and lose the
    // connection); "Ready" for its five seconds, not cleared early (a coarse timer may fire 5 % early).
    void startUp()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("^(?!This plugin does not support)")));
        const QDeadlineTimer early(4700);
        Quorvel w;
        Ui::QuorvelClass &ui = QuorvelTestAccess::ui(w);
        QCOMPARE(w.windowTitle() + u' ' + w.statusBar()->currentMessage(), QStringLiteral("Quorvel Ready"));
        QCOMPARE(configShown(ui), m_atStart);
        QCOMPARE(ui.pushButton_openCom->text() + ui.label_sendCnt->text() + ui.label_recvCnt->text(), "打开00");
        QVERIFY(!ui.pushButton_send->isEnabled() && !ui.pushButton_readConfiguration->isEnabled()
                && !ui.pushButton_writeConfiguartion->isEnabled());
        QCOMPARE(ui.tableWidget_log->editTriggers(), QAbstractItemView::NoEditTriggers);
        const QList<QSize> sizes = w.windowIcon().availableSizes();   // renditions, not the 1884 px picture
        QVERIFY(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(256, 256)));
        for (const QSize &size : sizes)
            QVERIFY(size.width() <= 256 && w.windowIcon().pixmap(size).size() == size);
        // Counters hold twelve digits whole, and a growing count moves nothing else in its row.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect clear = ui.pushButton_clearLog->geometry(), received = ui.label_recvCnt->geometry();
        for (QLabel *counter : {ui.label_sendCnt, ui.label_recvCnt})
            counter->setText(QStringLiteral("888888888888"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);   // the layout pass, now
        for (QLabel *counter : {ui.label_sendCnt, ui.label_recvCnt})
            QVERIFY(counter->fontMetrics().horizontalAdvance(counter->text()) <= counter->contentsRect().width());
        QVERIFY(ui.pushButton_clearLog->geometry() == clear && ui.label_recvCnt->geometry() == received);
        QTRY_COMPARE_WITH_TIMEOUT(w.statusBar()->currentMessage(), QString(), 8000);
        QVERIFY(early.hasExpired());
    }

    void validators_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("typed");   // the first is taken whole, the others are refused
        for (const char *addr : {"lineEdit_set_ip", "lineEdit_set_gatway", "lineEdit_set_mask",
                                 "lineEdit_dhcp_start_ip", "lineEdit_dhcp_end_ip", "lineEdit_TP_ADDR"})
            QTest::newRow(addr) << addr << QStringList{"192.168.4.1", "host1", "10.0.0.1:80"};
        for (const char *num : {"lineEdit_TP_PORT", "lineEdit_regular_time", "lineEdit_fframe_time",
                                "lineEdit_aframe_len", "lineEdit_aframe_time"})
            QTest::newRow(num) << num << QStringList{"8080", "1.5", "-1"};
        for (const char *free : {"lineEdit_AP_SSID", "lineEdit_AP_KEY", "lineEdit_STA_SSID", "lineEdit_STA_KEY"})
            QTest::newRow(free) << free << QStringList{"Net, 1 & <2>"};
    }

    void validators()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, typed);
        Quorvel w;
        auto *edit = w.findChild<QLineEdit *>(name);
        QVERIFY(edit);
        edit->setEnabled(true);
        for (const QString &input : typed) {
            edit->clear();
            QTest::keyClicks(edit, input);
            QVERIFY2((edit->text() == input) == (input == typed.first()), qPrintable(input + " -> " + edit->text()));
        }
    }

    // The module's information can be selected and copied, not edited; enabled, so not greyed out.
    void informationCopyable()
    {
        Quorvel w;
        Ui::QuorvelClass &ui = QuorvelTestAccess::ui(w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (QLineEdit *edit : {ui.lineEdit_deviceSoftwareVer, ui.lineEdit_device_mac, ui.lineEdit_wifi_mode,
                                ui.lineEdit_net_state, ui.lineEdit_ip, ui.lineEdit_ip_gatway, ui.lineEdit_ip_mask}) {
            const QString value = edit->objectName() + QStringLiteral(" AC:CF:23:5A:10:7E");
            edit->setText(value);
            QVERIFY2(edit->isEnabled(), qPrintable(edit->objectName()));
            edit->setFocus();
            QTest::keyClicks(edit, QStringLiteral("x"));
            QTest::keySequence(edit, QKeySequence::SelectAll);
            QTest::keySequence(edit, QKeySequence::Copy);
            QCOMPARE(edit->text(), value);
            QCOMPARE(QGuiApplication::clipboard()->text(), value);
        }
    }

    // Back to the start-up state without an index-changed signal, so the by-name slot that
    // sends "AT+ATTP=0" never runs. Not the Wi-Fi mode: every read and import sets it.
    void reset()
    {
        Quorvel w;
        Ui::QuorvelClass &ui = QuorvelTestAccess::ui(w);
        for (QComboBox *box : ui.tabWidget->findChildren<QComboBox *>())
            box->setCurrentIndex(box == ui.comboBox_wifi_mode ? 0 : box->count() - 1);
        for (QLineEdit *edit : ui.tabWidget->findChildren<QLineEdit *>())
            edit->setText(QStringLiteral("1"));
        ui.checkBox_en_dhcp->setChecked(true);
        QSignalSpy changed(ui.comboBox_defaultWorkMode, &QComboBox::currentIndexChanged);
        w.resetCfgWidgets();
        QCOMPARE(configShown(ui), m_atStart);
        QCOMPARE(changed.count(), 0);
    }
};

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
