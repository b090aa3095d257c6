// The console as the technician sees it, with a simulated module on a pseudo-
// terminal: how log rows look, auto-scroll, clearing, periodic sending and the
// completer.
#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>

#include <memory>

#include "tests/common/testsupport.h"
#include "tools/modsim/modsim.h"

using A = QuorvelTestAccess;

class tst_Console : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_w.reset();
        QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path()));   // no ./Quorvel.ini from elsewhere
        m_sim = std::make_unique<ModSim>();
        QString error;
        QVERIFY2(m_sim->start(&error), qPrintable(error));
        m_w = std::make_unique<Quorvel>();
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    }

    // A row logged with its CR LF looks exactly like one without; a control
    // byte is drawn, not hidden; rows with control bytes stay one line high;
    // the text is dark on both pale row colours even under a dark theme.
    void rowsDrawOneReadableLine()
    {
        QTableWidget *log = ui().tableWidget_log;
        QPalette dark = log->palette();
        dark.setColor(QPalette::Text, Qt::white);
        dark.setColor(QPalette::Base, Qt::black);
        log->setPalette(dark);
        for (const char *text : {"OK", "OK\r\n", "A\x1b" "B", "AB", "A\rB\nC\r\n", "A\u2028B\u0085\r\n"})
            A::addStrToLog(*m_w, text, Quorvel::logRecv);
        A::addStrToLog(*m_w, QStringLiteral("MMMM\r\n"), Quorvel::logSend);
        log->resizeRowsToContents();
        for (int row = 1; row < log->rowCount(); ++row)
            QCOMPARE(log->rowHeight(row), log->rowHeight(0));

        const auto cell = [log](int row) {
            return log->viewport()->grab(log->visualItemRect(log->item(row, 0))).toImage();
        };
        QCOMPARE(cell(1), cell(0));
        QVERIFY(cell(2) != cell(3));
        for (int row : {0, 6}) {
            const QImage image = cell(row);
            int darkest = 255;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x)
                    darkest = qMin(darkest, qGray(image.pixel(x, y)));
            }
            QVERIFY2(darkest < 100, qPrintable(QStringLiteral("row %1: darkest grey %2").arg(row).arg(darkest)));
        }
    }

    void autoScroll()
    {
        QTableWidget *log = ui().tableWidget_log;
        QScrollBar *bar = log->verticalScrollBar();
        const QByteArray line("+IND=NOISE,1\r\n");
        QVERIFY(openModule());
        m_sim->sendRaw(line.repeated(300));
        QTRY_COMPARE(log->rowCount(), 300);
        QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());

        ui().checkBox_logAutoScroll->setChecked(false);
        bar->setValue(0);
        m_sim->sendRaw(line.repeated(50));
        QTRY_COMPARE(log->rowCount(), 350);
        QVERIFY(!QSignalSpy(bar, &QScrollBar::valueChanged).wait(200));
        QCOMPARE(bar->value(), 0);

        ui().checkBox_logAutoScroll->setChecked(true);   // takes effect at the next entry
        QCOMPARE(bar->value(), 0);
        m_sim->sendRaw(line);
        QTRY_COMPARE(log->rowCount(), 351);
        QTRY_COMPARE(bar->value(), bar->maximum());
    }

    // Past the limit the oldest tenth goes at once; a reader scrolled up
    // keeps the rows in view; the status bar says so once per run.
    void boundedLog()
    {
        QSettings(QStringLiteral("./Quorvel.ini"), QSettings::IniFormat)
            .setValue(QStringLiteral("comSettings/logMaxRows"), 1000);
        m_w = std::make_unique<Quorvel>();
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
        QTableWidget *log = ui().tableWidget_log;
        QStringList messages;
        connect(m_w->statusBar(), &QStatusBar::messageChanged, this, [&](const QString &m) { messages.append(m); });
        const auto lines = [](int from, int to) {
            QByteArray bytes;
            for (int i = from; i < to; ++i)
                bytes += 'L' + QByteArray::number(i) + "\r\n";
            return bytes;
        };
        QVERIFY(openModule());
        ui().checkBox_logAutoScroll->setChecked(false);
        m_sim->sendRaw(lines(0, 1000));
        QTRY_COMPARE(log->rowCount(), 1000);
        log->scrollToItem(log->item(500, 0), QAbstractItemView::PositionAtTop);
        QCOMPARE(log->item(log->rowAt(0), 0)->text(), QStringLiteral("L500\r\n"));

        m_sim->sendRaw(lines(1000, 1201));
        QTRY_COMPARE(log->item(log->rowCount() - 1, 0)->text(), QStringLiteral("L1200\r\n"));
        QCOMPARE(log->rowCount(), 901);
        QCOMPARE(log->item(0, 0)->text(), QStringLiteral("L300\r\n"));
        QCOMPARE(log->item(log->rowAt(0), 0)->text(), QStringLiteral("L500\r\n"));
        QCOMPARE(messages.count(QStringLiteral("日志已超过 1000 行，最早的行正在被删除")), 1);
    }

    void clearKeepsPartialLine()
    {
        QVERIFY(openModule());
        m_w->sendCmd(QStringLiteral("AT"));
        QTRY_COMPARE(ui().tableWidget_log->rowCount(), 2);
        m_sim->sendRaw("PAR");
        QTRY_COMPARE(ui().label_recvCnt->text(), QStringLiteral("7"));

        ui().pushButton_clearLog->click();
        QCOMPARE(ui().tableWidget_log->rowCount(), 0);
        QCOMPARE(ui().label_sendCnt->text(), QStringLiteral("0"));
        QCOMPARE(ui().label_recvCnt->text(), QStringLiteral("0"));

        m_sim->sendRaw("TIAL\r\n");
        QTRY_COMPARE(ui().tableWidget_log->rowCount(), 1);
        QCOMPARE(ui().tableWidget_log->item(0, 0)->text(), QStringLiteral("PARTIAL\r\n"));
        QCOMPARE(ui().label_recvCnt->text(), QStringLiteral("6"));
    }

    // While the port is closed the ticks send nothing; once open, at the
    // period and never faster, each tick sends the command line as it is
    // then; unticking stops it.
    void periodicSending()
    {
        ui().lineEdit_cmd->setText(QStringLiteral("AT"));
        ui().lineEdit_regular_time->setText(QStringLiteral("100"));
        ui().checkBox_regulerSend->setChecked(true);
        QVERIFY(!ui().lineEdit_regular_time->isEnabled());
        QSignalSpy ticks(A::regularSendTimer(*m_w), &QTimer::timeout);
        QTRY_VERIFY(ticks.size() >= 2);
        QCOMPARE(ui().tableWidget_log->rowCount(), 0);
        QCOMPARE(ui().label_sendCnt->text(), QStringLiteral("0"));

        QList<qint64> at;
        QElapsedTimer clock;
        clock.start();
        connect(m_sim.get(), &ModSim::lineReceived, this, [&] { at.append(clock.elapsed()); });
        QVERIFY(openModule());
        QTRY_COMPARE(m_sim->receivedLines().size(), 3);
        QVERIFY2(at.at(2) - at.at(0) >= 180, qPrintable(QString::number(at.at(2) - at.at(0))));

        ui().lineEdit_cmd->setText(QStringLiteral("AT+VER?"));
        QTRY_COMPARE(m_sim->receivedLines().last(), QByteArray("AT+VER?\r\n"));
        ui().checkBox_regulerSend->setChecked(false);
        QVERIFY(ui().lineEdit_regular_time->isEnabled());
        QVERIFY(!QSignalSpy(m_sim.get(), &ModSim::lineReceived).wait(500));   // five periods
        for (const QByteArray &line : m_sim->receivedLines())
            QVERIFY(line == "AT\r\n" || line == "AT+VER?\r\n");
    }

    void periodicPeriod_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("above a timer's largest interval") << "2147483648" << false;
        QTest::newRow("above 32 bits") << "4294967296" << false;
        QTest::newRow("restored with other characters") << "100ms" << false;
        QTest::newRow("restored with a trailing newline") << "100\n" << false;
        QTest::newRow("restored with a sign") << "+100" << false;
        QTest::newRow("zero, a busy loop") << "0" << false;
        QTest::newRow("one") << "1" << true;
        QTest::newRow("largest timer interval") << "2147483647" << true;
    }

    void periodicPeriod()
    {
        QFETCH(QString, period);
        QFETCH(bool, accepted);
        ui().lineEdit_regular_time->setText(period);
        m_boxText.clear();
        if (!accepted)
            testsupport::dismissNextMessageBox(&m_boxText);
        ui().checkBox_regulerSend->setChecked(true);
        QCOMPARE(m_boxText, accepted ? QString() : QStringLiteral("定时时间错误"));
        QCOMPARE(ui().checkBox_regulerSend->isChecked(), accepted);
        QCOMPARE(ui().lineEdit_regular_time->isEnabled(), !accepted);
        QCOMPARE(A::regularSendTimer(*m_w)->isActive(), accepted);
        if (accepted)
            QCOMPARE(qulonglong(A::regularSendTimer(*m_w)->interval()), period.toULongLong());
    }

    void completer()
    {
        QLineEdit *cmd = ui().lineEdit_cmd;
        cmd->clear();
        QTest::keyClicks(cmd, QStringLiteral("at+r"));
        QCompleter *completer = cmd->completer();
        QTRY_VERIFY(completer->popup()->isVisible());
        QStringList offered;
        for (int i = 0; completer->setCurrentRow(i); ++i)
            offered << completer->currentCompletion();
        QCOMPARE(offered, (QStringList{"AT+RSPMOD", "AT+RECV", "AT+RECVI", "AT+RST"}));
    }

private:
    Ui::QuorvelClass &ui() { return A::ui(*m_w); }
    bool openModule()
    {
        return testsupport::openPort(*m_w, m_sim->slavePath())
            && QTest::qWaitFor([this] { return m_sim->peerConnected(); });
    }

    QTemporaryDir m_dir;
    QString m_boxText;   // written by testsupport::dismissNextMessageBox, outlives a box that never came
    std::unique_ptr<ModSim> m_sim;
    std::unique_ptr<Quorvel> m_w;
};

QTEST_MAIN(tst_Console)
#include "tst_console.moc"
