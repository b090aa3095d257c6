// The console with a simulated module on a pseudo-terminal: log rows, clearing, the bounded log, periodic sending.
#include <QDeadlineTimer>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>

#include "tests/common/testsupport.h"

class tst_Console : public QObject
{
    Q_OBJECT
    std::unique_ptr<testsupport::ModuleWindow> m_f;
    Ui::QuorvelClass &ui() { return m_f->ui(); }

private slots:
    void init() { QUORVEL_START(m_f, /*open*/ false, /*show*/ true); }

    // A row logged with its CR LF looks exactly like one without; a control byte is drawn, not hidden;
    // every row stays one line high, its text dark on the pale row colours even under a dark theme.
    void rowsDrawOneReadableLine()
    {
        QTableWidget *log = ui().tableWidget_log;
        log->setPalette(QPalette(Qt::black));   // a dark theme: white text on black
        for (const char *text : {"OK", "OK\r\n", "A\x1b" "B", "AB", "A\rB\nC\r\n", "A\u2028B\u0085\r\n"})
            QuorvelTestAccess::addStrToLog(*m_f->w, text, Quorvel::logRecv);
        QuorvelTestAccess::addStrToLog(*m_f->w, QStringLiteral("MMMM\r\n"), Quorvel::logSend);
        log->resizeRowsToContents();
        auto cell = [log](int r) { return log->viewport()->grab(log->visualItemRect(log->item(r, 0))).toImage(); };
        QVERIFY(cell(1) == cell(0) && cell(2) != cell(3));
        for (int row = 0; row < log->rowCount(); ++row) {
            const QImage image = cell(row);
            int darkest = 255;
            for (int i = 0; i < image.width() * image.height(); ++i)
                darkest = qMin(darkest, qGray(image.pixel(i % image.width(), i / image.width())));
            QVERIFY2(darkest < 100 && log->rowHeight(row) == log->rowHeight(0), qPrintable(QString::number(row)));
        }
    }

    // Clear empties the log and counters but keeps a line half-way in. Past the limit the oldest tenth goes
    // at once, announced once; a reader scrolled up keeps the rows in view; auto-scroll resumes at the next entry.
    void clearThenBoundedLog()
    {
        QSettings(QStringLiteral("./Quorvel.ini"), QSettings::IniFormat).setValue("comSettings/logMaxRows", 1000);
        m_f->w = std::make_unique<Quorvel>();
        m_f->w->show();
        QTableWidget *log = ui().tableWidget_log;
        QScrollBar *bar = log->verticalScrollBar();
        QSignalSpy messages(m_f->w->statusBar(), &QStatusBar::messageChanged);
        QVERIFY(QTest::qWaitForWindowExposed(m_f->w.get()) && m_f->openPort());
        m_f->w->sendCmd(QStringLiteral("AT"));
        QTRY_COMPARE(log->rowCount(), 2);
        m_f->sim.sendRaw("PAR");
        QTRY_COMPARE(ui().label_recvCnt->text(), QStringLiteral("7"));
        ui().pushButton_clearLog->click();
        QCOMPARE(ui().label_sendCnt->text() + ui().label_recvCnt->text() + QString::number(log->rowCount()), "000");
        m_f->sim.sendRaw("TIAL\r\n");
        QTRY_COMPARE(log->rowCount(), 1);
        QCOMPARE(log->item(0, 0)->text() + ui().label_recvCnt->text(), QStringLiteral("PARTIAL\r\n6"));
        QByteArray lines;   // "L1" to "L1200", each to show in the row of its number
        for (int i = 1; i <= 1200; ++i)
            lines += 'L' + QByteArray::number(i) + "\r\n";
        m_f->sim.sendRaw(lines.left(lines.indexOf("L1000")));
        QTRY_COMPARE(log->rowCount(), 1000);
        QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());

        ui().checkBox_logAutoScroll->setChecked(false);
        log->scrollToItem(log->item(500, 0), QAbstractItemView::PositionAtTop);
        m_f->sim.sendRaw(lines.mid(lines.indexOf("L1000")));
        QTRY_COMPARE(log->item(log->rowCount() - 1, 0)->text(), QStringLiteral("L1200\r\n"));
        QCOMPARE(log->rowCount(), 901);
        QCOMPARE(log->item(0, 0)->text() + log->item(log->rowAt(0), 0)->text(), QStringLiteral("L300\r\nL500\r\n"));
        QCOMPARE(messages.count(QVariantList{QStringLiteral("日志已超过 1000 行，最早的行正在被删除")}), 1);
        ui().checkBox_logAutoScroll->setChecked(true);
        m_f->sim.sendRaw("L1201\r\n");
        QTRY_VERIFY(log->rowCount() == 902 && bar->value() == bar->maximum());
    }

    void periodicSending_data()
    {
        QTest::addColumn<QString>("period");
        // Refused: empty, a busy loop, past a timer or 32 bits, as a damaged settings file restores it.
        for (const char *refused : {"", "0", "2147483648", "4294967296", "100ms", "100\n", "+100"})
            QTest::addRow("refused \"%s\"", refused) << refused;
        QTest::newRow("100 ms") << "100";
    }

    // A refused period says so and leaves sending off; else ticks send nothing until the port opens, then
    // at the period and never faster the command line as it is then.
    void periodicSending()
    {
        QFETCH(QString, period);
        const bool accepted = period == QLatin1String("100");
        ui().lineEdit_regular_time->setText(period);
        if (!accepted)
            m_f->dismissNextBox();
        ui().checkBox_regulerSend->setChecked(true);
        QCOMPARE(m_f->boxText, accepted ? QString() : QStringLiteral("定时时间错误"));
        QTimer *timer = QuorvelTestAccess::regularSendTimer(*m_f->w);
        QCOMPARE(QList<bool>({ui().checkBox_regulerSend->isChecked(), !ui().lineEdit_regular_time->isEnabled(),
                              timer->isActive()}), QList<bool>(3, accepted));
        if (!accepted)
            return;
        QSignalSpy ticks(timer, &QTimer::timeout);
        QTRY_VERIFY(ticks.size() >= 2);
        QCOMPARE(ui().label_sendCnt->text(), QStringLiteral("0"));
        const QDeadlineTimer early(180);   // two periods
        QVERIFY(m_f->openPort());
        QTRY_VERIFY(m_f->sim.receivedLines().size() >= 3);
        QVERIFY(early.hasExpired());
        ui().lineEdit_cmd->setText(QStringLiteral("AT+VER?"));
        QTRY_COMPARE(m_f->sim.receivedLines().last(), QByteArray("AT+VER?\r\n"));
        ui().checkBox_regulerSend->setChecked(false);
        QVERIFY(!QSignalSpy(&m_f->sim, &ModSim::lineReceived).wait(500));   // five periods
    }
};

QTEST_MAIN(tst_Console)
#include "tst_console.moc"
