// Two consoles of their own (ConsoleTab) on two simulated modules: each receives on its own port, its rows and
// counters its own; periodic sending; the choices kept; a port lost on one while the other goes on.
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>

#include "app/consoletab.h"
#include "app/logview.h"
#include "settings/catalogues.h"
#include "tests/common/testsupport.h"

namespace {

template <class W>
W *child(ConsoleTab &tab, const char *name)
{
    W *widget = tab.findChild<W *>(QLatin1String(name));
    if (!widget)
        qFatal("no %s", name);
    return widget;
}

// What a tab's settings keep, as the widgets show it.
QStringList choices(ConsoleTab &tab)
{
    QStringList shown{tab.portText()};
    for (const char *name : {"comboBox_bps", "comboBox_dataBit", "comboBox_parBit", "comboBox_stopBit", "comboBox_encoding",
                             "checkBox_autoReconnect", "checkBox_timestamp", "checkBox_hexView", "checkBox_hexSend",
                             "lineEdit_cmd", "lineEdit_regular_time"}) {
        const QWidget *widget = child<QWidget>(tab, name);
        shown << widget->property(qobject_cast<const QComboBox *>(widget) ? "currentText"
                                  : qobject_cast<const QCheckBox *>(widget) ? "checked" : "text").toString();
    }
    return shown;
}

} // namespace

class tst_ConsoleTab : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<ModSim> m_sim[2];
    std::unique_ptr<ConsoleTab> m_tab[2];   // tab 0 on module 0, through the link "A"; tab 1 on module 1, "B"

    QString path(int i) const { return m_dir.filePath(i ? QStringLiteral("B") : QStringLiteral("A")); }
    bool startModule(int i, QString *error) { return m_sim[i]->start(error) && m_sim[i]->makeLink(path(i), error); }
    // Presses the tab's Open; true once its module sees the port open.
    bool open(int i)
    {
        child<QPushButton>(*m_tab[i], "pushButton_openCom")->click();
        ModSim *sim = m_sim[i].get();
        return m_tab[i]->link().isOpen() && QTest::qWaitFor([sim] { return sim->peerConnected(); });
    }
    void typeAndEnter(int i, const QString &line)
    {
        QLineEdit *cmd = child<QLineEdit>(*m_tab[i], "lineEdit_cmd");
        cmd->setText(line);
        QTest::keyClick(cmd, Qt::Key_Return);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        for (int i : {0, 1}) {
            m_sim[i] = std::make_unique<ModSim>();
            QString error;
            QVERIFY2(startModule(i, &error), qPrintable(error));
            m_tab[i] = std::make_unique<ConsoleTab>();
            m_tab[i]->setPortText(path(i));
        }
        child<QComboBox>(*m_tab[0], "comboBox_encoding")->setCurrentText(QStringLiteral("GBK"));
    }
    void cleanup()
    {
        for (int i : {0, 1}) {
            m_tab[i].reset();
            m_sim[i].reset();
        }
    }

    // A module's lines land in its tab's rows and counter only, decoded in that tab's encoding; the find keys act in
    // the tab with the focus; the texts switch to English.
    void receivingAndLogTools()
    {
        QWidget window;   // both tabs in view: their keys must not clash
        auto *side = new QHBoxLayout(&window);
        for (int i : {0, 1})
            side->addWidget(m_tab[i].get());
        const auto giveBack = qScopeGuard([this] {
            for (int i : {0, 1})
                m_tab[i]->setParent(nullptr);
        });
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(open(0) && open(1));
        m_sim[0]->sendRaw("OK=\xb0\xec\r\n");   // 办 in GBK
        m_sim[1]->sendRaw("OK=\xe5\x8a\x9e\xe5\x85\xac\r\nPART");
        QTRY_COMPARE(child<QLabel>(*m_tab[1], "label_recvCnt")->text(), QStringLiteral("15"));
        QTRY_COMPARE(child<QLabel>(*m_tab[0], "label_recvCnt")->text(), QStringLiteral("7"));
        QCOMPARE(m_tab[0]->model().index(0, 0).data().toString() + m_tab[1]->model().index(0, 0).data().toString(),
                 QStringLiteral("OK=办\r\nOK=办公\r\n"));
        QCOMPARE(m_tab[0]->model().rowCount() + m_tab[1]->model().rowCount(), 2);

        for (int i : {1, 0}) {
            child<QTableView>(*m_tab[i], "tableWidget_log")->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
            QVERIFY(child<QWidget>(*m_tab[i], "widget_find")->isVisible());
            QVERIFY(child<QWidget>(*m_tab[0], "widget_find")->isVisible() == (i == 0));
            child<QLineEdit>(*m_tab[i], "lineEdit_find")->setText(QStringLiteral("办公"));
            QCOMPARE(child<QLabel>(*m_tab[i], "label_findCount")->text(), QStringLiteral("%1 行匹配").arg(i));
        }

        Catalogues english;
        english.load(Language::English);
        english.install();
        m_tab[0]->retranslate();
        QStringList texts;
        for (const char *name : {"pushButton_openCom", "pushButton_send", "checkBox_hexSend", "label_bps"})
            texts << m_tab[0]->findChild<QWidget *>(QLatin1String(name))->property("text").toString();
        QCOMPARE(texts, (QStringList{"Close", "Send", "Hex send", "BaudRate"}));
    }

    // A refused period says so and stays off; else the command line goes out on its own port at the period until
    // unticked.
    void periodicSending()
    {
        QVERIFY(open(0) && open(1));
        QCheckBox *periodic = child<QCheckBox>(*m_tab[0], "checkBox_regulerSend");
        QLineEdit *period = child<QLineEdit>(*m_tab[0], "lineEdit_regular_time");
        QSignalSpy messages(m_tab[0].get(), &ConsoleTab::statusMessage);
        period->setText(QStringLiteral("0"));
        periodic->setChecked(true);
        QVERIFY(!periodic->isChecked() && period->isEnabled());
        QCOMPARE(messages.value(0).value(0).toString(), QStringLiteral("定时时间错误"));
        period->setText(QStringLiteral("50"));
        periodic->setChecked(true);
        QVERIFY(!period->isEnabled());
        QTRY_VERIFY(m_sim[0]->receivedLines().size() >= 3);
        periodic->setChecked(false);
        m_tab[0]->link().sendBytes("#\r\n");   // every line sent before it is in once this is
        QTRY_COMPARE(m_sim[0]->receivedLines().constLast(), QByteArray("#\r\n"));
        QVERIFY(!QSignalSpy(m_sim[0].get(), &ModSim::lineReceived).wait(300));   // six periods
        const QList<QByteArray> lines = m_sim[0]->receivedLines();
        QCOMPARE(QSet<QByteArray>(lines.begin(), lines.end() - 1), QSet<QByteArray>{"AT\r\n"});
        QVERIFY(m_sim[1]->receivedBytes().isEmpty());
    }

    // The choices go to the caller's group under their keys and come back on a new tab, which opens with them; a
    // missing or damaged value is the window's default.
    void settingsRoundTrip()
    {
        ConsoleTab &tab = *m_tab[0];
        QVERIFY(open(0));
        typeAndEnter(0, QStringLiteral("AT+VER?"));
        QTRY_COMPARE(m_sim[0]->receivedBytes(), QByteArray("AT+VER?\r\n"));
        m_sim[0]->clearTrace();
        child<QComboBox>(tab, "comboBox_comPort")->setEditText(QStringLiteral("typed, not opened"));
        const QList<std::pair<const char *, int>> indices{{"comboBox_bps", 2}, {"comboBox_dataBit", 2},
                                                          {"comboBox_parBit", 2}, {"comboBox_stopBit", 1}};
        for (const auto &[name, index] : indices)
            child<QComboBox>(tab, name)->setCurrentIndex(index);
        for (const char *name : {"checkBox_autoReconnect", "checkBox_timestamp", "checkBox_hexView", "checkBox_hexSend"})
            child<QCheckBox>(tab, name)->toggle();
        child<QLineEdit>(tab, "lineEdit_cmd")->setText(QStringLiteral("AT+X=a,b"));
        child<QLineEdit>(tab, "lineEdit_regular_time")->setText(QStringLiteral("250"));
        const QStringList chosen = choices(tab);

        QSettings file(m_dir.filePath(QStringLiteral("Quorvel.ini")), QSettings::IniFormat);
        file.beginGroup(QStringLiteral("consoles/2"));
        tab.saveSettings(file);
        QStringList keys = file.childKeys();
        keys.sort();
        QCOMPARE(keys, (QStringList{"autoReconnect", "bps", "cmd_line", "dataBit", "encoding", "hexSend", "hexView",
                                    "history", "parBit", "port", "regularly_send_time", "stopBit", "timestamp"}));
        file.sync();
        QSettings again(file.fileName(), QSettings::IniFormat);
        again.beginGroup(QStringLiteral("consoles/2"));
        m_tab[0].reset();
        m_tab[0] = std::make_unique<ConsoleTab>();
        m_tab[0]->loadSettings(again);
        QCOMPARE(choices(*m_tab[0]), chosen);
        QLineEdit *cmd = child<QLineEdit>(*m_tab[0], "lineEdit_cmd");
        QTest::keyClick(cmd, Qt::Key_Up);   // the line sent before the restart
        QCOMPARE(cmd->text(), QStringLiteral("AT+VER?"));
        QVERIFY(open(0));
        QCOMPARE(m_tab[0]->link().port()->baudRate(), 19200);
        child<QCheckBox>(*m_tab[0], "checkBox_hexSend")->setChecked(false);
        typeAndEnter(0, QStringLiteral("办"));
        QTRY_COMPARE(m_sim[0]->receivedBytes(), QByteArray("\xb0\xec\r\n"));

        again.setValue("bps", 8);
        again.setValue("parBit", "x");
        again.remove("autoReconnect");
        again.remove("cmd_line");
        m_tab[1]->loadSettings(again);
        QCOMPARE(choices(*m_tab[1]).mid(1, 7), (QStringList{"115200", "7", "None", "2", "GBK", "true", "true"}));
        QCOMPARE(child<QLineEdit>(*m_tab[1], "lineEdit_cmd")->text(), QStringLiteral("AT"));
    }

    // One module gone, auto-reconnect off: its tab closes, says so and stays closed when the module is back; the
    // other tab goes on.
    void portLost()
    {
        QVERIFY(open(0) && open(1));
        child<QCheckBox>(*m_tab[0], "checkBox_autoReconnect")->setChecked(false);
        QSignalSpy messages(m_tab[0].get(), &ConsoleTab::statusMessage);
        m_sim[0]->stop();
        QTRY_VERIFY(!m_tab[0]->link().isOpen());
        QCOMPARE(messages.value(0).value(0).toString(), QStringLiteral("串口 %1 已断开，已关闭").arg(path(0)));
        QVERIFY(!child<QPushButton>(*m_tab[0], "pushButton_send")->isEnabled());
        QCOMPARE(child<QLabel>(*m_tab[0], "label_comLed")->toolTip(), QStringLiteral("串口已关闭"));
        typeAndEnter(1, QStringLiteral("AT+VER"));
        QTRY_COMPARE(m_sim[1]->receivedLines(), QList<QByteArray>{"AT+VER\r\n"});
        QTRY_COMPARE(testsupport::rows(m_tab[1]->model(), false).size(), 1);

        QString error;
        QVERIFY2(startModule(0, &error), qPrintable(error));
        QVERIFY(!QTest::qWaitFor([this] { return m_tab[0]->link().isOpen(); }, 1200));
    }
};

QTEST_MAIN(tst_ConsoleTab)
#include "tst_consoletab.moc"
