// The serial link end to end over pseudo-terminals with simulated modules:
// open, close, switch, line settings on the real fd, what goes on the wire and
// what the counters and the log show, line framing of real reads, and the
// module vanishing while the port is open.
#include <QDir>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/resource.h>

#include "tests/common/testsupport.h"
#include "tools/modsim/modsim.h"

extern "C" int ioctl(int fd, unsigned long request, ...);

using A = QuorvelTestAccess;

namespace {

const QColor sendColor(220, 245, 250);
const QColor recvColor(250, 240, 220);

QStringList logRows(Quorvel &w, const QColor &color)
{
    QTableWidget *log = A::ui(w).tableWidget_log;
    QStringList rows;
    for (int r = 0; r < log->rowCount(); ++r) {
        if (log->item(r, 0)->background().color() == color)
            rows << log->item(r, 0)->text();
    }
    return rows;
}

// The lamp as shown, at the size the window scales it to.
bool lampShows(Quorvel &w, const char *resource)
{
    const auto scaled = [](const QPixmap &p) {
        return p.scaled(25, 25, Qt::KeepAspectRatioByExpanding, Qt::FastTransformation).toImage();
    };
    const QPixmap want{QLatin1String(resource)};
    return !want.isNull() && scaled(A::ui(w).label_comLed->pixmap()) == scaled(want);
}

// What the technician sees of the port state.
bool looksOpen(Quorvel &w, bool open)
{
    Ui::QuorvelClass &ui = A::ui(w);
    return A::comIsOpen(w) == open
        && ui.pushButton_openCom->text() == (open ? QStringLiteral("关闭") : QStringLiteral("打开"))
        && lampShows(w, open ? ":/Quorvel/comGreenLed" : ":/Quorvel/comGrayLed")
        && ui.pushButton_send->isEnabled() == open && ui.pushButton_readConfiguration->isEnabled() == open
        && ui.pushButton_writeConfiguartion->isEnabled() == open;
}

// The line speed and control flags as the kernel holds them for the open fd.
termios2 portTermios(Quorvel &w)
{
    termios2 t{};
    ioctl(int(A::serialPort(w)->handle()), TCGETS2, &t);
    return t;
}

} // namespace

class tst_Serial : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void openCloseReopen();
    void lineSettingWhileOpen_data();
    void lineSettingWhileOpen();
    void switchPort_data();
    void switchPort();
    void openFailure();
    void sending_data();
    void sending();
    void receiving_data();
    void receiving();
    void moduleVanishes();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    QString m_boxText;   // written by testsupport::dismissNextMessageBox
    ModSim *m_simA = nullptr;
    ModSim *m_simB = nullptr;
    Quorvel *m_w = nullptr;
};

void tst_Serial::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path()));   // no ./Quorvel.ini from elsewhere
}

void tst_Serial::init()
{
    m_simA = new ModSim;
    m_simB = new ModSim;
    QString error;
    QVERIFY2(m_simA->start(&error) && m_simA->makeLink(path(QStringLiteral("modA")), &error), qPrintable(error));
    QVERIFY2(m_simB->start(&error) && m_simB->makeLink(path(QStringLiteral("modB")), &error), qPrintable(error));
    m_w = new Quorvel;
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w));
}

void tst_Serial::cleanup()
{
    delete m_w;
    delete m_simA;
    delete m_simB;
    m_w = nullptr;
    m_simA = m_simB = nullptr;
}

void tst_Serial::openCloseReopen()
{
    Quorvel &w = *m_w;
    Ui::QuorvelClass &ui = A::ui(w);
    QVERIFY(looksOpen(w, false));

    QVERIFY(testsupport::openPort(w, path(QStringLiteral("modA"))));
    QVERIFY(looksOpen(w, true));
    QTRY_VERIFY(m_simA->peerConnected());
    w.sendCmd(QStringLiteral("AT+VER?"));
    QTRY_COMPARE(logRows(w, recvColor), QStringList{QStringLiteral("OK=V2.1.7\r\n")});

    ui.pushButton_openCom->click();
    QVERIFY(looksOpen(w, false));
    QTRY_VERIFY(!m_simA->peerConnected());

    ui.comboBox_bps->setCurrentIndex(1);   // while closed: used at the next open
    QVERIFY(testsupport::openPort(w, path(QStringLiteral("modA"))));
    QVERIFY(looksOpen(w, true));
    QCOMPARE(portTermios(w).c_ospeed, 9600u);
    w.sendCmd(QStringLiteral("AT"));
    QTRY_COMPARE(m_simA->receivedLines().last(), QByteArray("AT\r\n"));
    QTRY_COMPARE(logRows(w, recvColor).size(), 2);
}

void tst_Serial::lineSettingWhileOpen_data()
{
    QTest::addColumn<QString>("combo");
    QTest::addColumn<int>("index");
    QTest::addColumn<uint>("speed");
    QTest::addColumn<uint>("flagMask");
    QTest::addColumn<uint>("flags");

    QTest::newRow("4800 baud") << "comboBox_bps" << 0 << 4800u << 0u << 0u;
    QTest::newRow("38400 baud") << "comboBox_bps" << 3 << 38400u << 0u << 0u;
    QTest::newRow("76800 baud, no named rate") << "comboBox_bps" << 4 << 76800u << 0u << 0u;
    QTest::newRow("256000 baud, no named rate") << "comboBox_bps" << 7 << 256000u << 0u << 0u;
    QTest::newRow("two stop bits") << "comboBox_stopBit" << 1 << 115200u << uint(CSTOPB) << uint(CSTOPB);
    // A pseudo-terminal refuses parity: not reported, the port stays open.
    QTest::newRow("even parity refused quietly") << "comboBox_parBit" << 1 << 115200u << 0u << 0u;
}

void tst_Serial::lineSettingWhileOpen()
{
    QFETCH(QString, combo);
    QFETCH(int, index);
    QFETCH(uint, speed);
    QFETCH(uint, flagMask);
    QFETCH(uint, flags);

    Quorvel &w = *m_w;
    QVERIFY(testsupport::openPort(w, path(QStringLiteral("modA"))));
    QSerialPort *port = A::serialPort(w);
    QCOMPARE(portTermios(w).c_ospeed, 115200u);

    w.findChild<QComboBox *>(combo)->setCurrentIndex(index);
    QCOMPARE(A::serialPort(w), port);   // applied to the open port, not re-opened
    QVERIFY(looksOpen(w, true));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    const termios2 t = portTermios(w);
    QCOMPARE(t.c_ospeed, speed);
    QCOMPARE(uint(t.c_cflag) & flagMask, flags);
    w.sendCmd(QStringLiteral("AT"));
    QTRY_COMPARE(logRows(w, recvColor), QStringList{QStringLiteral("OK\r\n")});
}

// Ports named by symbols: "A" and "B" are simulated modules, "missing" does
// not exist. The box holds `items`; `openWith` is typed and opened; then the
// technician either types `target` and presses Enter or picks it from the list.
void tst_Serial::switchPort_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("openWith");
    QTest::addColumn<bool>("pick");
    QTest::addColumn<QString>("target");

    QTest::newRow("Enter on the second module's path") << QStringList{} << "A" << false << "B";
    QTest::newRow("Enter on a missing path") << QStringList{} << "A" << false << "missing";
    QTest::newRow("pick the second module") << QStringList{"A", "B"} << "A" << true << "B";
    QTest::newRow("pick a missing device") << QStringList{"A", "missing"} << "A" << true << "missing";
    // The list's current item is A, but B was typed and opened: picking A
    // leaves the index where it was and must still switch.
    QTest::newRow("pick the current item while a typed path is open")
        << QStringList{"A"} << "B" << true << "A";
    QTest::newRow("Enter on the current item while a typed path is open")
        << QStringList{"A"} << "B" << false << "A";
}

void tst_Serial::switchPort()
{
    QFETCH(QStringList, items);
    QFETCH(QString, openWith);
    QFETCH(bool, pick);
    QFETCH(QString, target);

    Quorvel &w = *m_w;
    QComboBox *box = A::ui(w).comboBox_comPort;
    const auto where = [this](const QString &symbol) {
        return path(symbol == QLatin1String("A") ? QStringLiteral("modA")
                    : symbol == QLatin1String("B") ? QStringLiteral("modB") : QStringLiteral("missing"));
    };
    ModSim *from = openWith == QLatin1String("A") ? m_simA : m_simB;
    ModSim *to = target == QLatin1String("A") ? m_simA : target == QLatin1String("B") ? m_simB : nullptr;

    box->clear();
    for (const QString &item : std::as_const(items))
        box->addItem(where(item));
    QVERIFY(testsupport::openPort(w, where(openWith)));
    QTRY_VERIFY(from->peerConnected());

    QString &boxText = m_boxText;   // outlives a box that never came
    boxText.clear();
    if (!to)
        testsupport::dismissNextMessageBox(&boxText);
    if (pick) {
        box->showPopup();
        QAbstractItemView *view = box->view();
        view->setCurrentIndex(view->model()->index(items.indexOf(target), 0));
        QTest::keyClick(view, Qt::Key_Return);
    } else {
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), where(target));
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    }

    QTRY_VERIFY(!from->peerConnected());   // the old port is closed
    if (!to) {
        QCOMPARE(boxText, QStringLiteral("Can not open %1").arg(where(target)));
        QVERIFY(looksOpen(w, false));
        QVERIFY(w.statusBar()->currentMessage().contains(where(target)));
        return;
    }
    QVERIFY(looksOpen(w, true));
    QCOMPARE(box->currentText(), where(target));
    QTRY_VERIFY(to->peerConnected());
    w.sendCmd(QStringLiteral("AT+MAC?"));
    QTRY_COMPARE(to->receivedLines(), QList<QByteArray>{"AT+MAC?\r\n"});
    QTRY_COMPARE(logRows(w, recvColor), QStringList{QStringLiteral("OK=AC:CF:23:5A:10:7E\r\n")});
}

// A missing device and a busy one: the box as specified, the closed look, no
// port object, and the status bar naming the device with two different reasons.
void tst_Serial::openFailure()
{
    Quorvel &w = *m_w;
    QStringList reasons;
    for (const QString &device : {path(QStringLiteral("gone")), path(QStringLiteral("modA"))}) {
        QSerialPort holder(device);
        if (device.endsWith(QLatin1String("modA")))
            QVERIFY(holder.open(QIODevice::ReadWrite));
        QString &boxText = m_boxText;
        boxText.clear();
        testsupport::dismissNextMessageBox(&boxText);
        QVERIFY(!testsupport::openPort(w, device));
        QCOMPARE(boxText, QStringLiteral("Can not open %1").arg(device));
        QVERIFY(looksOpen(w, false));
        QCOMPARE(A::serialPort(w), nullptr);
        reasons << w.statusBar()->currentMessage();
        QVERIFY2(reasons.last().contains(device), qPrintable(reasons.last()));
    }
    QVERIFY(reasons.at(0) != reasons.at(1));
}

enum class Via { SendCmd, ComSend, Button };
Q_DECLARE_METATYPE(Via)

void tst_Serial::sending_data()
{
    QTest::addColumn<Via>("via");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("newLine");
    QTest::addColumn<bool>("logCmd");
    QTest::addColumn<QString>("countBefore");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("countAfter");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("sendCmd adds CR LF") << Via::SendCmd << "AT+RST" << true << true << "0"
                                        << QByteArray("AT+RST\r\n") << "8" << QStringList{"AT+RST\r\n"};
    QTest::newRow("comSend sends as is") << Via::ComSend << "+++" << true << true << "0" << QByteArray("+++")
                                         << "3" << QStringList{"+++"};
    QTest::newRow("button with new line") << Via::Button << "AT+VER" << true << true << "0"
                                          << QByteArray("AT+VER\r\n") << "8" << QStringList{"AT+VER\r\n"};
    QTest::newRow("button without new line") << Via::Button << "AT+VER" << false << true << "0"
                                             << QByteArray("AT+VER") << "6" << QStringList{"AT+VER"};
    QTest::newRow("empty command with new line") << Via::Button << "" << true << true << "0" << QByteArray("\r\n")
                                                 << "2" << QStringList{"\r\n"};
    QTest::newRow("empty command without new line") << Via::Button << "" << false << true << "0" << QByteArray()
                                                    << "0" << QStringList{""};
    QTest::newRow("log cmd off: written and counted, no row")
        << Via::SendCmd << "AT+RST" << true << false << "5" << QByteArray("AT+RST\r\n") << "13" << QStringList{};
    QTest::newRow("counter past 2147483647") << Via::SendCmd << "AT" << true << true << "2147483647"
                                             << QByteArray("AT\r\n") << "2147483651" << QStringList{"AT\r\n"};
    QTest::newRow("characters counted, UTF-8 written") << Via::ComSend << "é" << true << true << "0"
                                                       << QByteArray("\xc3\xa9") << "1" << QStringList{"é"};
}

void tst_Serial::sending()
{
    QFETCH(Via, via);
    QFETCH(QString, text);
    QFETCH(bool, newLine);
    QFETCH(bool, logCmd);
    QFETCH(QString, countBefore);
    QFETCH(QByteArray, wire);
    QFETCH(QString, countAfter);
    QFETCH(QStringList, rows);

    Quorvel &w = *m_w;
    Ui::QuorvelClass &ui = A::ui(w);
    // Closed: nothing is written, counted or logged.
    w.sendCmd(text);
    w.comSend(text);
    w.on_pushButton_send_clicked();
    QCOMPARE(ui.label_sendCnt->text(), QStringLiteral("0"));
    QCOMPARE(ui.tableWidget_log->rowCount(), 0);

    QVERIFY(testsupport::openPort(w, path(QStringLiteral("modA"))));
    QTRY_VERIFY(m_simA->peerConnected());
    ui.checkBox_log_cmd->setChecked(logCmd);
    ui.checkBox_sendNewLine->setChecked(newLine);
    ui.lineEdit_cmd->setText(text);
    ui.label_sendCnt->setText(countBefore);
    switch (via) {
    case Via::SendCmd: w.sendCmd(text); break;
    case Via::ComSend: w.comSend(text); break;
    case Via::Button: ui.pushButton_send->click(); break;
    }
    QCOMPARE(ui.label_sendCnt->text(), countAfter);
    QCOMPARE(logRows(w, sendColor), rows);
    QCOMPARE(ui.lineEdit_cmd->text(), text);

    // A fence written past the program shows that nothing else went out.
    const QByteArray fence("#fence#");
    A::serialPort(w)->write(fence);
    QTRY_VERIFY(m_simA->receivedBytes().endsWith(fence));
    QCOMPARE(m_simA->receivedBytes(), wire + fence);
}

void tst_Serial::receiving_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QList<int>>("rowsAfter");   // rows shown after each read
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("countBefore");
    QTest::addColumn<QString>("countAfter");

    using L = QList<QByteArray>;
    QTest::newRow("CR and LF in different reads") << L{"OK\r", "\n"} << QList<int>{0, 1}
                                                  << QStringList{"OK\r\n"} << "0" << "4";
    QTest::newRow("several lines in one read, all and in order")
        << L{"OK\r\nOK=V2.1.7\r\nERR=3\r\n+IND=NOISE,1\r\n"} << QList<int>{4}
        << QStringList{"OK\r\n", "OK=V2.1.7\r\n", "ERR=3\r\n", "+IND=NOISE,1\r\n"} << "0" << "36";
    QTest::newRow("empty line") << L{"\r\n"} << QList<int>{1} << QStringList{"\r\n"} << "0" << "2";
    QTest::newRow("lone CR and lone LF are no line end") << L{"A\rB\nC", "\r\n"} << QList<int>{0, 1}
                                                         << QStringList{"A\rB\nC\r\n"} << "0" << "7";
    QTest::newRow("zero byte inside a line") << L{QByteArray("AB\0CD\r\nOK\r\n", 11)} << QList<int>{2}
                                             << QStringList{"AB", "OK\r\n"} << "0" << "11";
    QTest::newRow("counter past 2147483647") << L{"OK\r\n"} << QList<int>{1} << QStringList{"OK\r\n"}
                                             << "2147483647" << "2147483651";
}

void tst_Serial::receiving()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QList<int>, rowsAfter);
    QFETCH(QStringList, lines);
    QFETCH(QString, countBefore);
    QFETCH(QString, countAfter);

    Quorvel &w = *m_w;
    Ui::QuorvelClass &ui = A::ui(w);
    // Each signalled line, with the log as it stood when the signal came.
    QList<QPair<QString, int>> signalled;
    connect(&w, &Quorvel::recvNewLine, this, [&](const QString &line) {
        signalled.append({line, ui.tableWidget_log->rowCount()});
    });
    QVERIFY(testsupport::openPort(w, path(QStringLiteral("modA"))));
    QTRY_VERIFY(m_simA->peerConnected());
    ui.label_recvCnt->setText(countBefore);

    qint64 expected = countBefore.toLongLong();
    for (int i = 0; i < reads.size(); ++i) {
        m_simA->sendRaw(reads.at(i));
        expected += reads.at(i).size();
        QTRY_COMPARE(ui.label_recvCnt->text(), QString::number(expected));
        QCOMPARE(ui.tableWidget_log->rowCount(), rowsAfter.at(i));
    }
    QCOMPARE(ui.label_recvCnt->text(), countAfter);
    QCOMPARE(logRows(w, recvColor), lines);
    QCOMPARE(A::recvBuffer(w).pending(), 0);
    QCOMPARE(signalled.size(), lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        QCOMPARE(signalled.at(i).first, lines.at(i));
        QCOMPARE(signalled.at(i).second, i + 1);   // logged before it was signalled
    }
}

// The adapter pulled: one reaction, the closed look, the reason in the status
// bar, and no storm of errors burning a core afterwards.
void tst_Serial::moduleVanishes()
{
    Quorvel &w = *m_w;
    const QString device = path(QStringLiteral("modA"));
    QVERIFY(testsupport::openPort(w, device));
    QTRY_VERIFY(m_simA->peerConnected());
    QSignalSpy errors(A::serialPort(w), &QSerialPort::errorOccurred);

    m_simA->stop();
    QTRY_VERIFY_WITH_TIMEOUT(!A::comIsOpen(w), 1000);
    QVERIFY(looksOpen(w, false));
    QVERIFY(w.statusBar()->currentMessage().contains(device));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);

    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const qsizetype errorsAtClose = errors.size();
    QTimer second;
    second.setSingleShot(true);
    QSignalSpy secondSpy(&second, &QTimer::timeout);
    second.start(1000);
    QVERIFY(secondSpy.wait(2000));
    getrusage(RUSAGE_SELF, &after);
    const auto usec = [](const rusage &r) {
        return qint64(r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000000 + r.ru_utime.tv_usec + r.ru_stime.tv_usec;
    };
    const qint64 cpu = usec(after) - usec(before);
    QVERIFY2(errors.size() - errorsAtClose == 0, qPrintable(QString::number(errors.size())));
    QVERIFY2(cpu < 300000, qPrintable(QStringLiteral("%1 us of CPU in one second").arg(cpu)));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);

    // Back again: the same path opens and works.
    QString error;
    QVERIFY2(m_simA->start(&error) && m_simA->makeLink(device, &error), qPrintable(error));
    QVERIFY(testsupport::openPort(w, device));
    w.sendCmd(QStringLiteral("AT"));
    QTRY_COMPARE(logRows(w, recvColor), QStringList{QStringLiteral("OK\r\n")});
}

QTEST_MAIN(tst_Serial)
#include "tst_serial.moc"
