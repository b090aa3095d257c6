// The console on a simulated module: rows, the bounded log, sending, its files, copy, find and history.
#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QDateTime>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>

#include <cstdio>

#include "tests/common/testsupport.h"

using A = QuorvelTestAccess;

namespace {

// A saved or recorded file's rows as "TX text" / "RX text", or "BAD: line" off the form or times from `from` to now.
QStringList fileRows(const QByteArray &file, qint64 from)
{
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3})\t(TX|RX)\t([^\t]*)$"));
    QStringList rows;
    qint64 last = from;
    for (const QByteArray &line : file.split('\n')) {
        const QRegularExpressionMatch m = form.match(QString::fromUtf8(line));
        const qint64 at = m.hasMatch()
            ? QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toMSecsSinceEpoch() : -1;
        if (at < last || at > QDateTime::currentMSecsSinceEpoch())
            rows << QStringLiteral("BAD: ") + QString::fromUtf8(line);
        else
            rows << m.captured(2) + u' ' + m.captured(3);
        last = qMax(last, at);
    }
    return rows;
}

} // namespace

class tst_Console : public QObject
{
    Q_OBJECT
    std::unique_ptr<testsupport::ModuleWindow> m_f;
    Ui::QuorvelClass &ui() { return m_f->ui(); }
    QString row(int r) { return A::logModel(*m_f->w).index(r, 0).data().toString(); }
    int rows() { return A::logModel(*m_f->w).rowCount(); }
    bool remade(const char *key, const QVariant &value)   // the window made again on this setting, port open
    {
        QSettings(QStringLiteral("./Quorvel.ini"), QSettings::IniFormat).setValue(key, value);
        m_f->w = std::make_unique<Quorvel>();
        m_f->w->show();
        return QTest::qWaitForWindowActive(m_f->w.get()) && m_f->openPort();
    }

private slots:
    void init() { QUORVEL_START(m_f, /*open*/ false, /*show*/ true); }

    // CR LF is not drawn, a control byte is; one line high; times and hex redraw rows; a long line scrolls.
    void rowsDrawOneReadableLine()
    {
        QTableView *log = ui().tableWidget_log;
        for (const char *text : {"OK", "OK\r\n", "A\x1b" "B", "AB", "A\rB\nC\r\n", "A\u2028B\u0085\r\n"})
            QuorvelTestAccess::addStrToLog(*m_f->w, text, Quorvel::logRecv);
        QuorvelTestAccess::addStrToLog(*m_f->w, QStringLiteral("MMMM\r\n"), Quorvel::logSend);
        log->resizeRowsToContents();
        auto cell = [log](int r) { return log->viewport()->grab(log->visualRect(log->model()->index(r, 0))).toImage(); };
        QVERIFY(cell(1) == cell(0) && cell(2) != cell(3));
        const int spacing = log->fontMetrics().lineSpacing();
        QVERIFY2(log->rowHeight(0) >= spacing && log->rowHeight(0) <= spacing + 6, qPrintable(QString::number(spacing)));
        const QImage plain = cell(0);
        ui().checkBox_timestamp->setChecked(true);
        QVERIFY(cell(0) != plain);
        ui().checkBox_hexView->setChecked(true);
        QVERIFY(cell(1) != cell(0));   // "OK" and "OK\r\n" now differ: 4F 4B against 4F 4B 0D 0A
        ui().checkBox_timestamp->setChecked(false);
        ui().checkBox_hexView->setChecked(false);
        QCOMPARE(log->horizontalScrollBar()->maximum(), 0);
        const QString longLine = QString(300, u'W') + u'.';
        QuorvelTestAccess::addStrToLog(*m_f->w, longLine, Quorvel::logRecv);
        QTRY_VERIFY(log->horizontalScrollBar()->maximum() > 0);
        QVERIFY(log->columnWidth(0) > log->fontMetrics().horizontalAdvance(longLine));
        // The keys: Ctrl+C copies the selection; Ctrl+F opens the find line, Enter and F3 go either way, Esc closes.
        QVERIFY(QTest::qWaitForWindowActive(m_f->w.get()));
        ui().pushButton_clearLog->click();
        for (const char *text : {"OK\r\n", "ERR=3\r\n", "ok=\t2\r\n", "AT\r\n"})
            A::addStrToLog(*m_f->w, text, text[0] == 'A' ? Quorvel::logSend : Quorvel::logRecv);
        log->selectRow(2);
        log->selectionModel()->select(log->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        log->setFocus();
        QTest::keyClick(log, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), "ERR=3\nok=\\x092");
        QVERIFY(ui().widget_find->isHidden());
        QTest::keyClick(m_f->w.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(ui().widget_find->isVisible() && ui().lineEdit_find->hasFocus());
        QTest::keyClicks(ui().lineEdit_find, "oK");
        QCOMPARE(ui().label_findCount->text(), "2 行匹配");
        log->setCurrentIndex(log->model()->index(1, 0));
        QList<int> visited;
        for (const auto &[key, modifier] : {std::pair{Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Return, Qt::NoModifier},
                                            {Qt::Key_Enter, Qt::ShiftModifier}, {Qt::Key_F3, Qt::ShiftModifier},
                                            {Qt::Key_F3, Qt::NoModifier}}) {
            QTest::keyClick(key == Qt::Key_F3 ? static_cast<QWidget *>(log) : ui().lineEdit_find, key, modifier);
            visited << log->currentIndex().row();
        }
        QCOMPARE(visited, (QList<int>{2, 0, 2, 0, 2}));
        QCOMPARE(log->selectionModel()->selectedRows().value(0).row(), 2);
        ui().checkBox_hexView->setChecked(true);   // in hex view the needle is bytes
        ui().lineEdit_find->setText(QStringLiteral("4f 4B"));
        QCOMPARE(ui().label_findCount->text(), "1 行匹配");
        QTest::keyClick(ui().lineEdit_find, Qt::Key_Escape);
        QVERIFY(ui().widget_find->isHidden());
    }

    void sending_data()
    {
        QTest::addColumn<QString>("mode");   // hex, or UTF-8 text; the new-line box ticked unless named, sends logged
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("said");   // the refusal, or nothing
        QTest::newRow("UTF-8, no new line") << "no new line" << "é" << QByteArray("\xc3\xa9") << "";
        QTest::newRow("hex: blank") << "hex" << "  " << QByteArray() << "没有要发送的十六进制字节";
    }

    // Closed, a send does nothing; open, it puts the row's bytes on the wire, counts and logs them, or refuses all.
    void sending()
    {
        QFETCH(QString, mode);
        QFETCH(QString, line);
        QFETCH(QByteArray, wire);
        QFETCH(QString, said);
        ui().checkBox_hexSend->setChecked(mode == QLatin1String("hex"));
        ui().checkBox_sendNewLine->setChecked(mode != QLatin1String("no new line"));
        ui().lineEdit_cmd->setText(line);
        QVERIFY(m_f->openPort());
        ui().pushButton_openCom->click();
        ui().pushButton_send->click();
        m_f->w->sendCmd(line);
        QVERIFY(m_f->openPort());
        ui().pushButton_send->click();
        QVERIFY2(said.isEmpty() ? !m_f->status().contains(QStringLiteral("没有发送")) : m_f->status() == said,
                 qPrintable(m_f->status()));
        QCOMPARE(ui().label_sendCnt->text(), QString::number(wire.size()));
        A::serialPort(*m_f->w)->write("#fence#");   // nothing else went out before it
        QTRY_COMPARE(m_f->sim.receivedBytes(), wire + "#fence#");
        const bool logged = said.isEmpty();
        const auto sentRows = [this] { return testsupport::rows(A::logModel(*m_f->w), true); };
        QVERIFY(logged == QTest::qWaitFor([&] { return !sentRows().isEmpty(); }, logged ? 5000 : 300));
        QCOMPARE(sentRows(), logged ? QByteArrayList{wire} : QByteArrayList());
    }

    // Clear keeps a half line; past 1000 rows a tenth goes, said once, the view still; recorded each second and saved.
    void boundedLogAndFiles()
    {
        QVERIFY(remade("comSettings/logMaxRows", 1000));
        QTableView *log = ui().tableWidget_log;
        QScrollBar *bar = log->verticalScrollBar();
        QSignalSpy messages(m_f->w->statusBar(), &QStatusBar::messageChanged);
        const QString recorded = m_f->dir.filePath("rec.log"), saved = m_f->dir.filePath("saved.log");
        testsupport::writeFile(recorded, "an earlier recording\n");
        const qint64 from = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(A::startRecording(*m_f->w, recorded));
        auto *label = m_f->w->statusBar()->findChild<QLabel *>("label_recording");
        QVERIFY(label->isVisible() && label->text().startsWith(QStringLiteral("记录中：rec.log"))
                && ui().pushButton_recordLog->isChecked());
        m_f->w->sendCmd(QStringLiteral("AT"));
        QTRY_COMPARE(rows(), 2);
        m_f->sim.sendRaw(QByteArray("OK=\xe5\x8a\x9e\t\\x41\xff\x00Z\r\nPAR", 19));
        QTRY_COMPARE(ui().label_recvCnt->text(), QStringLiteral("23"));
        ui().pushButton_clearLog->click();
        QCOMPARE(ui().label_sendCnt->text() + ui().label_recvCnt->text() + QString::number(rows()), "000");
        m_f->sim.sendRaw("TIAL\r\n");
        QTRY_COMPARE(rows(), 1);
        QCOMPARE(row(0) + ui().label_recvCnt->text(), QStringLiteral("PARTIAL\r\n6"));
        QStringList expected{"TX AT", "RX OK", "RX OK=办\\x09\\\\x41\\xFF\\x00Z", "RX PARTIAL"};
        QByteArray lines;   // "L1" to "L1200", each to show in the row of its number
        for (int i = 1; i <= 1200; ++i) {
            lines += 'L' + QByteArray::number(i) + "\r\n";
            expected << QStringLiteral("RX L%1").arg(i);
        }
        m_f->sim.sendRaw(lines.left(lines.indexOf("L1000")));
        QTRY_COMPARE(rows(), 1000);
        QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
        ui().checkBox_logAutoScroll->setChecked(false);
        log->scrollTo(log->model()->index(500, 0), QAbstractItemView::PositionAtTop);
        m_f->sim.sendRaw(lines.mid(lines.indexOf("L1000")));
        QTRY_COMPARE(row(rows() - 1), QStringLiteral("L1200\r\n"));
        QCOMPARE(row(0) + row(log->rowAt(0)), QStringLiteral("L300\r\nL500\r\n"));
        QCOMPARE(messages.count(QVariantList{QStringLiteral("日志已超过 1000 行，最早的行正在被删除")}), 1);
        QTRY_VERIFY(testsupport::readFile(recorded).endsWith("\tRX\tL1200\n"));   // without stopping it
        ui().checkBox_logAutoScroll->setChecked(true);
        ui().checkBox_hexView->setChecked(true);
        m_f->sim.sendRaw("OK\r\n");
        expected << "RX 4F 4B 0D 0A";
        QTRY_VERIFY(rows() == 902 && bar->value() == bar->maximum());
        QVERIFY(A::saveLogTo(*m_f->w, saved));
        ui().pushButton_recordLog->click();
        QVERIFY(!label->isVisible());
        const QByteArray file = testsupport::readFile(recorded);
        QVERIFY(file.startsWith("an earlier recording\n") && file.endsWith('\n'));
        QCOMPARE(fileRows(file.mid(21).chopped(1), from), expected);
        const QStringList savedRows = fileRows(testsupport::readFile(saved).chopped(1), from);
        QCOMPARE(savedRows.size(), rows());
        QCOMPARE(savedRows.mid(savedRows.size() - 2), (QStringList{"RX 4C 31 32 30 30 0D 0A", "RX 4F 4B 0D 0A"}));

        // What a recording holds when the program ends, before its next second.
        QVERIFY(A::startRecording(*m_f->w, recorded));
        A::recordTimer(*m_f->w)->stop();
        m_f->sim.sendRaw("BYE\r\n");
        QTRY_COMPARE(row(rows() - 1), "BYE\r\n");
        m_f->w.reset();
        QVERIFY(testsupport::readFile(recorded).endsWith("\tRX\t42 59 45 0D 0A\n"));
    }

    // A recording whose file is replaced by another of its name stops, said once with why; the new file is left alone.
    void recordingFails()
    {
        QVERIFY(m_f->openPort());
        const QString recorded = m_f->dir.filePath("rec.log"), other = m_f->dir.filePath("other.log");
        QVERIFY(A::startRecording(*m_f->w, recorded));
        QSignalSpy messages(m_f->w->statusBar(), &QStatusBar::messageChanged);
        m_f->sim.sendRaw("FIRST\r\n");
        QTRY_VERIFY(testsupport::readFile(recorded).endsWith("\tRX\tFIRST\n"));
        testsupport::writeFile(other, "someone else's file\n");
        QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(recorded).constData()), 0);
        m_f->sim.sendRaw("SECOND\r\n");
        const QString said = QStringLiteral("记录到 %1 失败：文件已被删除或替换。记录已停止").arg(recorded);
        QTRY_COMPARE_WITH_TIMEOUT(m_f->status(), said, 3000);
        QVERIFY(!ui().pushButton_recordLog->isChecked());
        m_f->w->sendCmd(QStringLiteral("AT"));
        QTRY_COMPARE(m_f->sim.receivedLines().value(0), QByteArray("AT\r\n"));
        QTRY_COMPARE(row(rows() - 1), "OK\r\n");
        QCOMPARE(testsupport::readFile(recorded), QByteArray("someone else's file\n"));
        QCOMPARE(messages.count(QVariantList{said}), 1);
    }

    // Enter sends (a completion is taken first); Up and Down walk the last 100 distinct lines; the history is kept.
    void enterAndHistory()
    {
        QStringList stored;
        for (int i = 0; i < 99; ++i)
            stored << QStringLiteral("C%1").arg(i);
        QVERIFY(remade("consoleSettings/history", stored));
        QLineEdit *cmd = ui().lineEdit_cmd;
        cmd->clear();
        cmd->setFocus();
        QTest::keyClicks(cmd, QStringLiteral("AT+MAC?"));
        QTest::keyClick(cmd, Qt::Key_Return);
        QTRY_COMPARE(m_f->sim.receivedLines(), QList<QByteArray>{"AT+MAC?\r\n"});
        cmd->clear();
        QTest::keyClicks(cmd, QStringLiteral("at+ve"));
        QTRY_VERIFY(cmd->completer()->popup()->isVisible());
        QTest::keyClick(cmd->completer()->popup(), Qt::Key_Down);
        QTest::keyClick(cmd->completer()->popup(), Qt::Key_Return);
        QCOMPARE(cmd->text(), QStringLiteral("AT+VER"));
        QTest::keyClick(cmd, Qt::Key_Enter);
        ui().pushButton_send->click();
        QTRY_COMPARE(m_f->sim.receivedLines(), (QList<QByteArray>{"AT+MAC?\r\n", "AT+VER\r\n", "AT+VER\r\n"}));
        cmd->setText(QStringLiteral("draft"));
        QStringList walked;
        for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}) {
            QTest::keyClick(cmd, key);
            walked << cmd->text();
        }
        QCOMPARE(walked, (QStringList{"AT+VER", "AT+MAC?", "C98", "AT+MAC?", "AT+VER", "draft"}));
        QVERIFY(m_f->w->close());
        const QStringList kept = QSettings(QStringLiteral("./Quorvel.ini"), QSettings::IniFormat)
                                     .value("consoleSettings/history").toStringList();
        QCOMPARE(kept, stored.mid(1) + QStringList({"AT+MAC?", "AT+VER"}));
    }
};

QTEST_MAIN(tst_Console)
#include "tst_console.moc"
