// The window's consoles as tabs: what only the window adds to ConsoleSet and ConsoleTab.
#include "tests/common/testsupport.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>

#include "app/consoletab.h"
#include "app/consoletabs.h"
#include "app/logview.h"
#include "app/timelinetab.h"

class tst_ConsoleTabs : public QObject
{
    Q_OBJECT
    std::unique_ptr<testsupport::ModuleWindow> m_f;

    ConsoleTabs &tabs() { return *m_f->w->findChild<ConsoleTabs *>(); }

private slots:
    // One console: no tab bar, the window as it was. A second port: its tab, titled by its port, and "All ports",
    // whose rows are both consoles' in time order, sent to both at once and recorded with their ports; closing the
    // tab closes its port and takes "All ports" away.
    void secondPort()
    {
        QUORVEL_START(m_f, /*open*/ true, /*show*/ true);
        QTabWidget *tabWidget = m_f->w->findChild<QTabWidget *>(QStringLiteral("tabWidget_consoles"));
        QVERIFY(tabWidget);
        QVERIFY(!tabWidget->tabBar()->isVisible());
        QCOMPARE(tabWidget->tabText(0), ConsoleSet::shortName(m_f->sim.slavePath()));
        // One console alone keeps no second copy of its rows.
        m_f->ui().lineEdit_cmd->setText(QStringLiteral("AT"));
        m_f->ui().pushButton_send->click();
        QTRY_COMPARE(QuorvelTestAccess::logModel(*m_f->w).rowCount(), 2);
        tabs().set().timeline().flush();
        QCOMPARE(tabs().set().timeline().rowCount(), 0);
        m_f->sim.clearTrace();

        ModSim second;
        QString why;
        QVERIFY2(second.start(&why), qPrintable(why));
        m_f->w->findChild<QPushButton *>(QStringLiteral("pushButton_addConsole"))->click();
        QCOMPARE(tabs().consoles().size(), 1);
        ConsoleTab *tab = tabs().consoles().first();
        QCOMPARE(tabWidget->currentWidget(), tab);
        QVERIFY(tabWidget->tabBar()->isVisible());
        tab->setPortText(second.slavePath());
        QVERIFY2(tab->openPort(&why), qPrintable(why));
        QTRY_VERIFY(second.peerConnected());
        QCOMPARE(tabWidget->tabText(tabWidget->indexOf(tab)), ConsoleSet::shortName(second.slavePath()));
        TimelineTab *all = tabs().timeline();
        QCOMPARE(tabWidget->indexOf(all), 2);

        // Ctrl+F finds in the console that has the focus: the tab's, then the window's own.
        m_f->w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_f->w.get()));
        tab->findChild<QTableView *>(QStringLiteral("tableWidget_log"))->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(tab->findChild<QWidget *>(QStringLiteral("widget_find"))->isVisible());
        tabWidget->setCurrentIndex(0);
        m_f->ui().tableWidget_log->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(m_f->ui().widget_find->isVisible());
        tabWidget->setCurrentWidget(tab);

        const QString recording = m_f->dir.filePath(QStringLiteral("all.log"));
        QVERIFY(all->logView().startRecording(recording));
        tab->link().setEncoding(wiretext::Encoding::Gbk);
        all->findChild<QLineEdit *>(QStringLiteral("lineEdit_cmd"))->setText(QStringLiteral("AT+STAMOD=车间,x"));
        all->findChild<QPushButton *>(QStringLiteral("pushButton_send"))->click();
        QTRY_COMPARE(second.receivedBytes(), QByteArray("AT+STAMOD=\xb3\xb5\xbc\xe4,x\r\n"));
        QTRY_COMPARE(m_f->sim.receivedBytes(), QByteArray("AT+STAMOD=\xe8\xbd\xa6\xe9\x97\xb4,x\r\n"));
        ConsoleModel &timeline = tabs().set().timeline();
        QTRY_COMPARE(timeline.rowCount(), 4);
        for (int r = 1; r < timeline.rowCount(); ++r)
            QVERIFY(timeline.row(r - 1).msecs <= timeline.row(r).msecs);
        all->findChild<QPushButton *>(QStringLiteral("pushButton_recordLog"))->click();   // the recording ends
        QTRY_VERIFY(!all->logView().recording());
        const QList<QByteArray> lines = testsupport::readFile(recording).split('\n');
        QVERIFY2(lines.size() >= 4 && lines.at(0).split('\t').size() == 4, testsupport::readFile(recording).constData());
        QSet<QByteArray> ports;
        for (const QByteArray &line : lines)
            if (!line.isEmpty())
                ports << line.split('\t').at(1);
        QCOMPARE(ports, (QSet<QByteArray>{ConsoleSet::shortName(second.slavePath()).toUtf8(),
                                          ConsoleSet::shortName(m_f->sim.slavePath()).toUtf8()}));

        // Only the ticked ports: the first console unticked, the line goes to the second alone.
        second.clearTrace();
        m_f->sim.clearTrace();
        all->setPortChosen(tabs().set().ports().first(), false);
        all->findChild<QLineEdit *>(QStringLiteral("lineEdit_cmd"))->setText(QStringLiteral("AT"));
        all->send();
        QTRY_COMPARE(second.receivedBytes(), QByteArray("AT\r\n"));
        QCOMPARE(m_f->sim.receivedBytes(), QByteArray());

        // The configuration side on the second port, named by the selector: Read asks the second module alone. While
        // it runs, that tab neither sends nor closes; a control button then goes to the second module too.
        QComboBox *selector = m_f->ui().comboBox_cfgConsole;
        QVERIFY(selector->isVisibleTo(m_f->w.get()));
        QCOMPARE(selector->itemText(1), tabWidget->tabText(1));
        selector->setCurrentIndex(1);
        second.setFields(QStringLiteral("VER"), {QStringLiteral("V9.9.9")});
        second.setDelay(20);
        second.clearTrace();
        m_f->sim.clearTrace();
        QSignalSpy read(m_f->w.get(), &Quorvel::readCfgFinished);
        m_f->ui().pushButton_readConfiguration->click();
        QVERIFY(!selector->isEnabled());
        tab->findChild<QLineEdit *>(QStringLiteral("lineEdit_cmd"))->setText(QStringLiteral("AT+RST"));
        tab->findChild<QPushButton *>(QStringLiteral("pushButton_send"))->click();
        tabWidget->tabCloseRequested(tabWidget->indexOf(tab));
        QCOMPARE(tabs().consoles().size(), 1);
        QVERIFY(read.wait(10000));
        QCOMPARE(read.first().first().toBool(), true);
        QCOMPARE(m_f->ui().lineEdit_deviceSoftwareVer->text(), QStringLiteral("V9.9.9"));
        QVERIFY(!second.receivedLines().contains("AT+RST\r\n"));
        m_f->ui().pushButton_reset->click();
        QTRY_VERIFY(second.receivedLines().contains("AT+RST\r\n"));
        QCOMPARE(m_f->sim.receivedBytes(), QByteArray());

        // Closing the tab closes its port; the first console goes on, and the configuration side is back on its port.
        tabWidget->tabCloseRequested(tabWidget->indexOf(tab));
        QTRY_VERIFY(!second.peerConnected());
        QVERIFY(tabs().consoles().isEmpty() && !tabs().timeline());
        QCOMPARE(tabs().set().ports().size(), 1);
        QVERIFY(QuorvelTestAccess::comIsOpen(*m_f->w));
        QVERIFY(!selector->isVisibleTo(m_f->w.get()));
        m_f->ui().pushButton_reset->click();
        QTRY_VERIFY(m_f->sim.receivedLines().contains("AT+RST\r\n"));
    }

    // A console's log in a hidden tab catches up as it shows: its newest row in view, its column as wide as a long
    // line that came meanwhile, also when the row limit has since moved that line up.
    void hiddenTabCatchesUp()
    {
        QUORVEL_START(m_f, /*open*/ false, /*show*/ true);
        ConsoleTab *tab = tabs().addConsole();
        auto *log = tab->findChild<QTableView *>(QStringLiteral("tableWidget_log"));
        ConsoleModel &rows = tab->model();
        rows.setMaxRows(100);
        const auto add = [&rows](int count, const QByteArray &line) {
            for (int i = 0; i < count; ++i)
                rows.append(line, false, 1000, wiretext::Encoding::Utf8);
            rows.flush();
        };
        tabs().tabs()->setCurrentWidget(tab);
        add(50, "OK\r\n");
        QVERIFY(log->isVisible());
        tabs().tabs()->setCurrentIndex(0);
        QVERIFY(!log->isVisible());
        const QByteArray wide = QByteArray(300, 'x');
        rows.append(wide + "\r\n", false, 1000, wiretext::Encoding::Utf8);
        add(10, "OK\r\n");
        add(45, "OK\r\n");   // 106 rows: the oldest 10 go, the long line is row 40
        QCOMPARE(rows.rowCount(), 96);
        tabs().tabs()->setCurrentWidget(tab);
        QScrollBar *bar = log->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QTRY_COMPARE(bar->value(), bar->maximum());
        QVERIFY(log->horizontalHeader()->minimumSectionSize() >= log->fontMetrics().horizontalAdvance(QString::fromLatin1(wide)));
    }

    // The consoles and their choices come back at the next start.
    void restoredAtStart()
    {
        QUORVEL_START(m_f, /*open*/ false);
        ConsoleTab *a = tabs().addConsole();
        ConsoleTab *b = tabs().addConsole();
        a->setPortText(QStringLiteral("/dev/ttyQV1"));
        b->setPortText(QStringLiteral("/dev/ttyQV2"));
        b->findChild<QComboBox *>(QStringLiteral("comboBox_encoding"))->setCurrentIndex(1);
        m_f->ui().comboBox_cfgConsole->setCurrentIndex(2);
        m_f->w->close();
        m_f->w.reset();
        QSettings(appsettings::filePath(), QSettings::IniFormat).setValue("comSettings/logMaxRows", 5000);
        m_f->w = std::make_unique<Quorvel>();
        QCOMPARE(tabs().consoles().size(), 2);
        QCOMPARE(tabs().consoles().at(0)->portText(), QStringLiteral("/dev/ttyQV1"));
        QCOMPARE(tabs().consoles().at(1)->portText(), QStringLiteral("/dev/ttyQV2"));
        QCOMPARE(tabs().consoles().at(1)->findChild<QComboBox *>(QStringLiteral("comboBox_encoding"))->currentIndex(), 1);
        QCOMPARE(tabs().bound(), tabs().consoles().at(1));
        QCOMPARE(m_f->ui().comboBox_cfgConsole->currentIndex(), 2);
        QCOMPARE(tabs().consoles().at(1)->model().maxRows(), 5000);
        QCOMPARE(tabs().set().timeline().maxRows(), 5000);
        QVERIFY(tabs().timeline());
        // None left: none come back.
        tabs().closeConsole(tabs().consoles().at(0));
        tabs().closeConsole(tabs().consoles().at(0));
        m_f->w->close();
        m_f->w.reset();
        m_f->w = std::make_unique<Quorvel>();
        QVERIFY(tabs().consoles().isEmpty());
    }
};

QTEST_MAIN(tst_ConsoleTabs)
#include "tst_consoletabs.moc"
