// The console as the technician sees it, with a simulated module on a pseudo-
// terminal: how log rows are drawn, auto-scroll, clearing, periodic sending
// and the completer.
#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "console/logdelegate.h"
#include "tests/common/testsupport.h"
#include "tools/modsim/modsim.h"

using A = QuorvelTestAccess;

class tst_Console : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void shownText_data();
    void shownText();
    void rowsDrawOneReadableLine();
    void autoScroll();
    void clearKeepsPartialLine();
    void periodicSending();
    void periodicPeriod_data();
    void periodicPeriod();
    void periodicWhilePortClosed();
    void completer();

private:
    void openModule();
    // Lets the event loop run a few of the window's 50 ms receive ticks.
    void waitTicks(int ticks);

    QTemporaryDir m_dir;
    QString m_boxText;   // written by testsupport::dismissNextMessageBox
    ModSim *m_sim = nullptr;
    Quorvel *m_w = nullptr;
};

void tst_Console::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path()));   // no ./Quorvel.ini from elsewhere
}

void tst_Console::init()
{
    m_sim = new ModSim;
    QString error;
    QVERIFY2(m_sim->start(&error) && m_sim->makeLink(m_dir.filePath(QStringLiteral("mod")), &error),
             qPrintable(error));
    m_w = new Quorvel;
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w));
}

void tst_Console::cleanup()
{
    delete m_w;
    delete m_sim;
    m_w = nullptr;
    m_sim = nullptr;
}

void tst_Console::openModule()
{
    QVERIFY(testsupport::openPort(*m_w, m_dir.filePath(QStringLiteral("mod"))));
    QTRY_VERIFY(m_sim->peerConnected());
}

void tst_Console::waitTicks(int ticks)
{
    QSignalSpy spy(A::readComTimer(*m_w), &QTimer::timeout);
    while (spy.size() < ticks)
        QVERIFY(spy.wait(1000));
}

void tst_Console::shownText_data()
{
    QTest::addColumn<QString>("logged");
    QTest::addColumn<bool>("pictures");   // a font can draw the control pictures
    QTest::addColumn<QString>("shown");

    QTest::newRow("trailing CR LF hidden") << "OK=1,2\r\n" << true << "OK=1,2";
    QTest::newRow("lone CR and LF inside") << "A\rB\nC\r\n" << true << "A\u240dB\u240aC";
    QTest::newRow("only the last CR LF hidden") << "AT\r\n\r\n" << true << "AT\u240d\u240a";
    QTest::newRow("escape, tab, DEL") << "\x1b[0m\t\x7f" << true << "\u241b[0m\u2409\u2421";
    QTest::newRow("C1 control visible") << "A\u0085B" << true << "A\ufffdB";
    QTest::newRow("line separators visible") << "A\u2028B\u2029C" << true << "A\u2424B\u2424C";
    QTest::newRow("text kept") << "OK=办公室,é" << true << "OK=办公室,é";
    QTest::newRow("names without pictures") << "A\rB\x1b\x7f\u2028\r\n" << false << "A<CR>B<ESC><DEL><NL>";
}

void tst_Console::shownText()
{
    QFETCH(QString, logged);
    QFETCH(bool, pictures);
    QFETCH(QString, shown);
    QCOMPARE(logDisplayText(logged, pictures), shown);
}

// What the user sees: a row logged with its CR LF looks exactly like one
// without; rows with control bytes stay one line high; the text is dark on
// the pale rows even under a dark theme's light text colour. Items keep the
// text exactly as logged.
void tst_Console::rowsDrawOneReadableLine()
{
    QTableWidget *log = A::ui(*m_w).tableWidget_log;
    QPalette dark = log->palette();
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Base, Qt::black);
    log->setPalette(dark);
    const QStringList texts{"OK", "OK\r\n", "A\rB\nC\r\n", "A\u2028B\r\n"};
    for (const QString &text : texts)
        A::addStrToLog(*m_w, text, Quorvel::logRecv);
    A::addStrToLog(*m_w, QStringLiteral("MMMM\r\n"), Quorvel::logSend);
    for (int row = 0; row < texts.size(); ++row)
        QCOMPARE(log->item(row, 0)->text(), texts.at(row));
    log->resizeRowsToContents();
    for (int row = 1; row < log->rowCount(); ++row)
        QCOMPARE(log->rowHeight(row), log->rowHeight(0));

    const auto cell = [log](int row) { return log->viewport()->grab(log->visualItemRect(log->item(row, 0))).toImage(); };
    QCOMPARE(cell(1), cell(0));
    for (int row : {0, 4}) {
        const QImage image = cell(row);
        int darkest = 255;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                darkest = qMin(darkest, qGray(image.pixel(x, y)));
        }
        QVERIFY2(darkest < 100, qPrintable(QStringLiteral("row %1: darkest grey %2").arg(row).arg(darkest)));
    }
}

void tst_Console::autoScroll()
{
    Ui::QuorvelClass &ui = A::ui(*m_w);
    QScrollBar *bar = ui.tableWidget_log->verticalScrollBar();
    openModule();
    const auto lines = [](int n) {
        QByteArray bytes;
        for (int i = 0; i < n; ++i)
            bytes += "+IND=" + QByteArray::number(i) + "\r\n";
        return bytes;
    };

    m_sim->sendRaw(lines(300));
    QTRY_COMPARE(ui.tableWidget_log->rowCount(), 300);
    QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());

    ui.checkBox_logAutoScroll->setChecked(false);
    bar->setValue(0);
    m_sim->sendRaw(lines(50));
    QTRY_COMPARE(ui.tableWidget_log->rowCount(), 350);
    waitTicks(2);
    QCOMPARE(bar->value(), 0);

    ui.checkBox_logAutoScroll->setChecked(true);   // takes effect at the next entry
    QCOMPARE(bar->value(), 0);
    m_sim->sendRaw(lines(1));
    QTRY_COMPARE(ui.tableWidget_log->rowCount(), 351);
    QTRY_COMPARE(bar->value(), bar->maximum());
}

void tst_Console::clearKeepsPartialLine()
{
    Ui::QuorvelClass &ui = A::ui(*m_w);
    openModule();
    m_w->sendCmd(QStringLiteral("AT"));
    QTRY_COMPARE(ui.tableWidget_log->rowCount(), 2);
    m_sim->sendRaw("PAR");
    QTRY_COMPARE(ui.label_recvCnt->text(), QStringLiteral("7"));

    ui.pushButton_clearLog->click();
    QCOMPARE(ui.tableWidget_log->rowCount(), 0);
    QCOMPARE(ui.label_sendCnt->text(), QStringLiteral("0"));
    QCOMPARE(ui.label_recvCnt->text(), QStringLiteral("0"));

    m_sim->sendRaw("TIAL\r\n");
    QTRY_COMPARE(ui.tableWidget_log->rowCount(), 1);
    QCOMPARE(ui.tableWidget_log->item(0, 0)->text(), QStringLiteral("PARTIAL\r\n"));
    QCOMPARE(ui.label_recvCnt->text(), QStringLiteral("6"));
}

// At the period, never faster; each tick sends the command line as it is
// then; unticking stops it.
void tst_Console::periodicSending()
{
    Ui::QuorvelClass &ui = A::ui(*m_w);
    openModule();
    QList<qint64> at;
    QElapsedTimer clock;
    clock.start();
    connect(m_sim, &ModSim::lineReceived, this, [&](const QByteArray &) { at.append(clock.elapsed()); });

    ui.lineEdit_cmd->setText(QStringLiteral("AT"));
    ui.lineEdit_regular_time->setText(QStringLiteral("100"));
    ui.checkBox_regulerSend->setChecked(true);
    QVERIFY(!ui.lineEdit_regular_time->isEnabled());
    QTRY_COMPARE(m_sim->receivedLines().size(), 3);
    QVERIFY2(at.at(2) - at.at(0) >= 180, qPrintable(QString::number(at.at(2) - at.at(0))));

    ui.lineEdit_cmd->setText(QStringLiteral("AT+VER?"));
    QTRY_COMPARE(m_sim->receivedLines().last(), QByteArray("AT+VER?\r\n"));
    QTRY_VERIFY(ui.tableWidget_log->findItems(QStringLiteral("OK=V2.1.7\r\n"), Qt::MatchExactly).size() > 0);

    ui.checkBox_regulerSend->setChecked(false);
    QVERIFY(ui.lineEdit_regular_time->isEnabled());
    const qsizetype sent = m_sim->receivedLines().size();
    waitTicks(5);
    QCOMPARE(m_sim->receivedLines().size(), sent);
    for (const QByteArray &line : m_sim->receivedLines())
        QVERIFY(line == "AT\r\n" || line == "AT+VER?\r\n");
}

void tst_Console::periodicPeriod_data()
{
    QTest::addColumn<QString>("period");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("empty") << "" << false;
    QTest::newRow("above a timer's largest interval") << "2147483648" << false;
    QTest::newRow("above 32 bits") << "4294967296" << false;
    QTest::newRow("restored with other characters") << "100ms" << false;
    QTest::newRow("restored with a trailing newline") << "100\n" << false;
    QTest::newRow("restored with a sign") << "+100" << false;
    QTest::newRow("zero") << "0" << true;
    QTest::newRow("largest timer interval") << "2147483647" << true;
}

void tst_Console::periodicPeriod()
{
    QFETCH(QString, period);
    QFETCH(bool, accepted);

    Ui::QuorvelClass &ui = A::ui(*m_w);
    ui.lineEdit_regular_time->setText(period);
    QString &boxText = m_boxText;   // outlives a box that never came
    boxText.clear();
    if (!accepted)
        testsupport::dismissNextMessageBox(&boxText);
    ui.checkBox_regulerSend->setChecked(true);

    QCOMPARE(boxText, accepted ? QString() : QStringLiteral("定时时间错误"));
    QCOMPARE(ui.checkBox_regulerSend->isChecked(), accepted);
    QCOMPARE(ui.lineEdit_regular_time->isEnabled(), !accepted);
    QCOMPARE(A::regularSendTimer(*m_w)->isActive(), accepted);
    if (accepted)
        QCOMPARE(qulonglong(A::regularSendTimer(*m_w)->interval()), period.toULongLong());
    ui.checkBox_regulerSend->setChecked(false);
}

void tst_Console::periodicWhilePortClosed()
{
    Ui::QuorvelClass &ui = A::ui(*m_w);
    ui.lineEdit_cmd->setText(QStringLiteral("AT"));
    ui.lineEdit_regular_time->setText(QStringLiteral("20"));
    ui.checkBox_regulerSend->setChecked(true);
    QSignalSpy ticks(A::regularSendTimer(*m_w), &QTimer::timeout);
    while (ticks.size() < 3)
        QVERIFY(ticks.wait(1000));
    QCOMPARE(ui.tableWidget_log->rowCount(), 0);
    QCOMPARE(ui.label_sendCnt->text(), QStringLiteral("0"));

    openModule();
    QTRY_VERIFY(m_sim->receivedLines().size() >= 2);
    QCOMPARE(m_sim->receivedLines().first(), QByteArray("AT\r\n"));
    QVERIFY(ui.label_sendCnt->text().toInt() >= 8);
    ui.checkBox_regulerSend->setChecked(false);
}

void tst_Console::completer()
{
    QLineEdit *cmd = A::ui(*m_w).lineEdit_cmd;
    cmd->clear();
    QTest::keyClicks(cmd, QStringLiteral("at+r"));
    QCompleter *completer = cmd->completer();
    QTRY_VERIFY(completer->popup()->isVisible());
    QStringList offered;
    for (int i = 0; completer->setCurrentRow(i); ++i)
        offered << completer->currentCompletion();
    QCOMPARE(offered, (QStringList{"AT+RSPMOD", "AT+RECV", "AT+RECVI", "AT+RST"}));
}

QTEST_MAIN(tst_Console)
#include "tst_console.moc"
