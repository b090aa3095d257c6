// The command panel in the window: the list reopened at start, Run marking each step while the console, Read and
// the controls wait, Step, Stop, double-click and the F keys, rows edited and saved back.
#include <QListWidget>
#include <QSettings>

#include "tests/common/testsupport.h"

class tst_CommandPanel : public QObject
{
    Q_OBJECT
    std::unique_ptr<testsupport::ModuleWindow> m_f;

    CommandPanel *panel() { return m_f->w->findChild<CommandPanel *>(); }
    QListWidget *rows() { return m_f->w->findChild<QListWidget *>(QStringLiteral("listWidget_commands")); }
    QAbstractButton *button(const char *name) { return m_f->w->findChild<QAbstractButton *>(QLatin1String(name)); }
    QStringList marks()   // each row's mark, "" for none
    {
        QStringList all;
        for (int row = 0; row < rows()->count(); ++row)
            all << rows()->item(row)->data(CommandPanel::outcomeRole).toString();
        return all;
    }
    QList<QByteArray> received() { return m_f->sim.receivedLines(); }

private slots:
    void cleanup() { m_f.reset(); }

    void runHoldsTheLinkAndMarksEachStep()
    {
        m_f = std::make_unique<testsupport::ModuleWindow>();
        testsupport::writeFile(m_f->dir.filePath(QStringLiteral("l.txt")),
                               "# Check\nerror /^ERR=/\nsend AT+VER?\nexpect /^OK=V2/\nwait 400\nsend AT+MAC?\n"
                               "expect /^OK=XX/ 300\nsend AT+RST\n");
        testsupport::writeFile(m_f->dir.filePath(QStringLiteral("Quorvel.ini")), "[comSettings]\ncommandList=l.txt\n");
        QVERIFY2(m_f->start(true, true), qPrintable(m_f->error));
        QCOMPARE(rows()->count(), 8);
        QCOMPARE(m_f->w->findChild<QLabel *>(QStringLiteral("label_commandList"))->text(), QStringLiteral("Check"));

        button("pushButton_runCommands")->click();
        QTRY_VERIFY2(marks().at(3) == QStringLiteral("✓ OK=V2.1.7"), qPrintable(m_f->status() + marks().join(u'|')));
        QCOMPARE(marks().mid(0, 4), (QStringList{"", "✓ ", "✓ ", "✓ OK=V2.1.7"}));
        // The wait runs: nothing else talks to the module meanwhile.
        QVERIFY(panel()->running());
        QVERIFY(!m_f->ui().pushButton_readConfiguration->isEnabled() && !m_f->ui().pushButton_reset->isEnabled());
        QVERIFY(!button("pushButton_runCommands")->isEnabled() && button("pushButton_stopCommands")->isEnabled());
        m_f->ui().lineEdit_cmd->setText(QStringLiteral("AT+NETS?"));
        m_f->ui().pushButton_send->click();
        QCOMPARE(m_f->status(), QStringLiteral("命令列表正在运行，控制台暂不发送"));
        QTRY_COMPARE_WITH_TIMEOUT(m_f->status(), QStringLiteral("命令列表未通过：第 7 行 expect /^OK=XX/：300 ms 内没有收到匹配的行"
                                                               "（最后收到：“OK=AC:CF:23:5A:10:7E”）"), 5000);
        QCOMPARE(marks().mid(4), (QStringList{"✓ ", "✓ ", "✗ " + m_f->status().section(QStringLiteral("："), 1), ""}));
        QCOMPARE(received(), (QList<QByteArray>{"AT+VER?\r\n", "AT+MAC?\r\n"}));
        QVERIFY(m_f->ui().pushButton_readConfiguration->isEnabled() && button("pushButton_runCommands")->isEnabled());
        m_f->ui().pushButton_send->click();   // the link is free again
        QTRY_COMPARE(received().size(), 3);
    }

    void stepStopKeysAndEdits()
    {
        QUORVEL_START(m_f, true, true);
        QVERIFY(QTest::qWaitForWindowActive(m_f->w.get()));
        for (const char *text : {"wait 5000", "send AT+VER?", "# note", "send AT+MAC?"}) {
            button("pushButton_addCommand")->click();
            rows()->currentItem()->setText(QString::fromLatin1(text));
        }
        QCOMPARE(m_f->w->findChild<QLabel *>(QStringLiteral("label_commandList"))->text(), QStringLiteral("note *"));

        // F3 is the third step (the comment is none) while the log's find line is closed; a double-click sends its
        // row alone.
        QTest::keyClick(m_f->w.get(), Qt::Key_F3);
        QTRY_COMPARE(received(), QList<QByteArray>{"AT+MAC?\r\n"});
        const QRect second = rows()->visualItemRect(rows()->item(1));
        QTest::mouseClick(rows()->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(rows()->viewport(), Qt::LeftButton, {}, second.center());
        QTRY_COMPARE(received().size(), 2);
        QCOMPARE(received().last(), QByteArray("AT+VER?\r\n"));

        // F2 with the rows in focus edits the selected row, and sends nothing.
        rows()->setFocus();
        QTest::keyClick(rows(), Qt::Key_F2);
        QVERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(received().size(), 2);

        // Step runs the selected row, then selects the next step; Stop ends the wait at once, nothing more sent.
        rows()->setCurrentRow(1);
        button("pushButton_stepCommands")->click();
        QTRY_COMPARE(received().size(), 3);
        QCOMPARE(rows()->currentRow(), 2);
        button("pushButton_runCommands")->click();
        QVERIFY(panel()->running());
        button("pushButton_stopCommands")->click();
        QCOMPARE(m_f->status(), QStringLiteral("在第 1 行停止"));
        QCOMPARE(marks().first(), QStringLiteral("■"));
        QTest::qWait(100);
        QCOMPARE(received().size(), 3);

        // A closed port ends a run too.
        button("pushButton_runCommands")->click();
        m_f->ui().pushButton_openCom->click();
        QVERIFY(!panel()->running());

        // A row that is no step: marked, and neither run nor saved.
        rows()->item(0)->setText(QStringLiteral("sned AT"));
        QVERIFY(marks().first().startsWith(QStringLiteral("✗ 不认识“sned”")));
        const QString path = m_f->dir.filePath(QStringLiteral("saved.txt"));
        QVERIFY(!panel()->save(path));
        QCOMPARE(m_f->status(), QStringLiteral("第 1 行：不认识“sned”：一行以 send、expect、wait、hex 或 error 开头，# 开头的是注释，"
                                               "命令列表没有保存"));
        QVERIFY(!QFile::exists(path));
        // Moved and saved as the rows stand; remembered for the next start.
        rows()->item(0)->setText(QStringLiteral("wait 10"));
        rows()->setCurrentRow(3);
        button("pushButton_upCommand")->click();
        QVERIFY(panel()->save(path));
        QCOMPARE(testsupport::readFile(path), QByteArray("wait 10\nsend AT+VER?\nsend AT+MAC?\n# note\n"));
        m_f->w->close();
        QCOMPARE(QSettings(QStringLiteral("Quorvel.ini"), QSettings::IniFormat).value("comSettings/commandList").toString(),
                 path);
    }
};

QTEST_MAIN(tst_CommandPanel)
#include "tst_commandpanel.moc"
