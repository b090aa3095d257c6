// The main window as it comes up: built without a Qt warning, the module's information selectable and copyable.
#include <QClipboard>

#include "tests/common/testsupport.h"

class tst_Window : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;   // the window reads "./Quorvel.ini": start from none

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path())); }

    // No warning (a misspelt slot warns and is lost); the module's information copyable, not editable nor grey.
    void informationCopyable()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("^(?!This plugin does not support)")));
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
};

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
