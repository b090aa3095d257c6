// The profile file through the window: dialogs, failures, backups, what an import gives the form and module.
#include <QFileDialog>
#include <QSignalSpy>

#include <csignal>
#include <sys/resource.h>

#include "cfgfile/backupstore.h"
#include "cfgfile/profilefile.h"
#include "tests/common/testsupport.h"

using Access = QuorvelTestAccess;
using Lines = QList<QByteArray>;
using testsupport::document;
using testsupport::readFile;

namespace {

// The tabs' editable fields by name; with `fill`, first moved off the reset's values (the Wi-Fi mode aside).
QVariantMap formState(Quorvel &w, const QString &fill = QString())
{
    QVariantMap state;
    for (QWidget *field : Access::ui(w).tabWidget->findChildren<QWidget *>()) {
        const QString key = field->objectName().mid(9);
        if (auto *edit = qobject_cast<QLineEdit *>(field); edit && !edit->isReadOnly()) {
            if (!fill.isNull())
                edit->setText(fill + QLatin1Char(' ') + key);
            state.insert(key, edit->text());
        } else if (auto *box = qobject_cast<QComboBox *>(field)) {
            if (!fill.isNull() && key != QLatin1String("wifi_mode"))
                box->setCurrentIndex(qMin(2, box->count() - 1));
            state.insert(key, box->currentText());
        } else if (auto *check = qobject_cast<QCheckBox *>(field)) {
            check->setChecked(check->isChecked() || !fill.isNull());
            state.insert(key, check->isChecked() ? "1" : "0");
        }
    }
    return state;
}

QString shownIn;   // the folder the last file dialog answered showed

// Types `answer` into the next file dialog and accepts; cancels for no answer.
void answerNextFileDialog(const QString &answer, int ms = 0)
{
    QTimer::singleShot(ms, [answer] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        auto *name = dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!name)
            return answerNextFileDialog(answer, 10);   // not shown yet
        shownIn = dialog->directory().absolutePath();
        if (answer.isEmpty())
            return dialog->reject();
        name->setText(answer);
        static_cast<QDialog *>(dialog)->accept();   // QFileDialog's own is protected
    });
}

} // namespace

class tst_CfgFile : public QObject
{
    Q_OBJECT
    std::unique_ptr<testsupport::ModuleWindow> m_f;

private slots:
    void cleanup() { m_f.reset(); }

    // Export adds ".xml", a full disk keeps the old file, a key's comma is asked; a lost file changes nothing.
    void exportImportAndBackups()
    {
        QUORVEL_START(m_f, false);
        Quorvel &w = *m_f->w;
        Ui::QuorvelClass &ui = m_f->ui();
        const QString file = m_f->dir.filePath(QStringLiteral("cfg.xml"));
        ui.tabWidget->setCurrentIndex(1);
        answerNextFileDialog(file.chopped(4));
        ui.pushButton_Export->click();
        const QByteArray example = readFile(file);   // the reset form, no work mode chosen
        QCOMPARE(example, ProfileFile::document(ModuleConfig::defaults(), std::nullopt, false));

        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{64, saved.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        m_f->dismissNextBox();
        const bool written = Access::exportCfgFile(w, file);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY2(!written && m_f->boxText.startsWith(QStringLiteral("不能写入文件%1（").arg(file))
                     && m_f->boxText.endsWith(u'）') && !m_f->boxText.endsWith(QStringLiteral("（）")),
                 qPrintable(m_f->boxText));   // with a reason
        QCOMPARE(readFile(file), example);
        QCOMPARE(QDir(m_f->dir.path()).entryList({"cfg.xml*"}, QDir::Files | QDir::Hidden), QStringList{"cfg.xml"});
        ui.lineEdit_AP_KEY->setText(QStringLiteral("pa,ss"));
        ui.lineEdit_STA_KEY->setText(QStringLiteral("x,y"));
        m_f->dismissNextBox(QMessageBox::No);   // asked first, and No keeps the file
        QVERIFY(!Access::exportCfgFile(w, file));
        QVERIFY2(m_f->boxText.contains(QStringLiteral("AP设置/密码、STA设置/密码含有逗号")), qPrintable(m_f->boxText));
        QCOMPARE(readFile(file), example);
        m_f->dismissNextBox(QMessageBox::Yes);
        QVERIFY(Access::exportCfgFile(w, file));
        QCOMPARE(m_f->status(), QStringLiteral("导出完成，但AP设置/密码、STA设置/密码含有逗号，导入时不能原样取回"));

        formState(w, QStringLiteral("<&>\"'中文"));
        ui.comboBox_wifi_mode->setCurrentIndex(1);
        ui.lineEdit_AP_SSID->setText(QStringLiteral("Lab,AP,<&>"));
        ui.lineEdit_STA_SSID->setText(QStringLiteral("办公室,2.4G"));
        const QVariantMap exported = formState(w);
        QVERIFY(Access::exportCfgFile(w, file));
        QCOMPARE(m_f->status(), QStringLiteral("导出完成"));   // commas in the first field come back
        m_f->dismissNextBox();
        QVERIFY(!Access::importCfgFile(w, file + ".gone"));
        QCOMPARE(m_f->boxText, QStringLiteral("不能打开文件%1（No such file or directory）").arg(file + ".gone"));
        QCOMPARE(formState(w), exported);
        formState(w, QStringLiteral("junk"));
        answerNextFileDialog(file);
        ui.pushButton_Import->click();
        QCOMPARE(m_f->status(), QStringLiteral("导入完成"));
        QCOMPARE(formState(w), exported);
        QCOMPARE(ui.tabWidget->currentIndex(), 1);

        // A read leaves a backup without a work mode in the module's folder, where Restore opens and brings it back.
        QVERIFY(m_f->openPort());
        const QString modules = m_f->dir.filePath(QStringLiteral("data/quorvel/modules"));
        answerNextFileDialog(QString());   // nothing read yet: the modules folder
        ui.pushButton_restoreBackup->click();
        QCOMPARE(shownIn, modules);

        m_f->sim.setFields(QStringLiteral("STAMOD"), {"Plant, hall 2", "k"});
        QSignalSpy read(&w, &Quorvel::readCfgFinished);
        ui.pushButton_readConfiguration->click();
        QVERIFY(read.wait(15000) && read.first().at(0).toBool());
        const QVariantMap wasRead = formState(w);
        const QString folder = modules + QStringLiteral("/AC:CF:23:5A:10:7E");
        const QStringList files = QDir(folder).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        const QByteArray backup = readFile(folder + u'/' + files.first());   // compared with Export in tst_cmdline
        QVERIFY2(!backup.contains("DFWM") && backup.contains("Plant, hall 2"), backup.constData());

        formState(w, QStringLiteral("junk"));
        answerNextFileDialog(folder + u'/' + files.first());
        ui.pushButton_restoreBackup->click();
        QCOMPARE(shownIn, folder);
        QCOMPARE(m_f->status(), QStringLiteral("导入完成"));
        QVariantMap restored = formState(w);
        restored.insert("defaultWorkMode", wasRead.value("defaultWorkMode"));   // not in a backup
        QCOMPARE(restored, wasRead);
    }

    // Names numbered within a second; beyond the newest 100 (by time, then number) backups go, other files stay.
    void backupFiles()
    {
        QTemporaryDir dir;
        const QString folder = dir.path();
        const QDateTime when(QDate(2026, 12, 7), QTime(10, 30, 5));
        QStringList names;
        const auto put = [&](const QString &name) { testsupport::writeFile(folder + u'/' + name, "x"); };
        for (int i = 0; i < 3; ++i)
            put(names.emplaceBack(backupstore::freeFileName(folder, when)));
        QCOMPARE(names, (QStringList{"20261207-103005.xml", "20261207-103005-2.xml", "20261207-103005-3.xml"}));
        for (int n = 4; n <= 10; ++n)
            put(QStringLiteral("20261207-103005-%1.xml").arg(n));
        for (int s = 0; s < 95; ++s)
            put(when.addSecs(60 + s).toString("yyyyMMdd-HHmmss") + ".xml");
        put(QStringLiteral("notes.xml"));
        backupstore::prune(folder, 100);
        const QStringList left = QDir(folder).entryList(QDir::Files);
        QVERIFY(left.size() == 101 && left.contains("notes.xml"));
        QCOMPARE(left.filter("-103005"), (QStringList{"20261207-103005-10.xml", "20261207-103005-6.xml",
            "20261207-103005-7.xml", "20261207-103005-8.xml", "20261207-103005-9.xml"}));   // the five newest
    }

    void import_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QVariantMap>("changed");   // against the reset form
        QTest::addColumn<Lines>("sent");   // to the module by the import
        const auto row = [](const char *name, const QByteArray &file, const QString &message,
                            const QVariantMap &changed, const Lines &sent = {}) {
            QTest::newRow(name) << file << message << changed << sent;
        };
        const QString done = QStringLiteral("导入完成");
        row("no work mode: nothing reaches the module", document("<WIFI_GROUP_ELEM><WIFI_AP>a,b,c,key,NONE,WEP,11b,5"
            "</WIFI_AP><WIFI_STA>net,pa,ss</WIFI_STA></WIFI_GROUP_ELEM>"),
            done + "，但文件缺少 UART, WIFI_MODE, WIFI_IP, WIFI_DHCP, TP_TP, TP_FRAME",
            {{"AP_SSID", "a,b,c"}, {"AP_KEY", "key"}, {"AUTH", "NONE"}, {"CRYPT", "WEP"}, {"MODE", "11b"}, {"CH", "5"},
             {"STA_SSID", "net,pa"}, {"STA_KEY", "ss"}});
        row("a work mode the module refuses: said, and the box shows what it showed before", document(
            "<BASE_GROUP_ELEM><DFWM>AT_MODE</DFWM></BASE_GROUP_ELEM>"), done + "，但文件缺少 UART, WIFI_MODE, WIFI_AP, "
            "WIFI_STA, WIFI_IP, WIFI_DHCP, TP_TP, TP_FRAME；模块没有接受默认工作模式：AT+ATTP=0 回答 ERR=1（通用错误）",
            {{"defaultWorkMode", "TP_MODE"}}, {"AT+ATTP=0\r\n"});
        row("a refused file: named, and none of it reaches the module", document("<BASE_GROUP_ELEM><DFWM>TP_MODE</DFWM>"
            "</BASE_GROUP_ELEM><WIFI_GROUP_ELEM><WIFI_STA>sid,p&#13;&#10;AT+DFRST</WIFI_STA></WIFI_GROUP_ELEM>"),
            QStringLiteral("导入遇到错误：WIFI_STA 含有换行；文件缺少 UART, WIFI_MODE, WIFI_AP, WIFI_IP, WIFI_DHCP, TP_TP, "
            "TP_FRAME"), {{"defaultWorkMode", "TP_MODE"}});
    }

    // From other values to the row's message and form; a work mode goes to the module once, a Read meanwhile not.
    void import()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        QFETCH(QVariantMap, changed);
        QFETCH(Lines, sent);
        QUORVEL_START(m_f, false);
        Quorvel &w = *m_f->w;
        QVariantMap expected = formState(w);
        expected.insert(changed);
        formState(w, QStringLiteral("junk"));   // TP_MODE as well, with the port closed
        m_f->ui().tabWidget->setCurrentIndex(2);
        QVERIFY(m_f->openPort());
        m_f->sim.clearTrace();
        if (message.contains(QStringLiteral("ERR=1")))
            m_f->sim.setError(QStringLiteral("AT+ATTP="), 1);
        bool offMeanwhile = sent.isEmpty();   // a read asked for during the import's pauses sends nothing
        if (!sent.isEmpty())
            QTimer::singleShot(0, &w, [&] {
                offMeanwhile = !m_f->ui().pushButton_readConfiguration->isEnabled();
                QMetaObject::invokeMethod(&w, "on_pushButton_readConfiguration_clicked");
            });
        const QString path = m_f->dir.filePath(QStringLiteral("case.xml"));
        testsupport::writeFile(path, file);
        Access::importCfgFile(w, path);
        QVERIFY(offMeanwhile);
        QCOMPARE(m_f->status(), message);
        QCOMPARE(formState(w), expected);
        QCOMPARE(m_f->ui().tabWidget->currentIndex(), 2);
        w.sendCmd(QStringLiteral("AT+VER?"));   // a marker: what the import sent arrives before it
        QTRY_VERIFY(m_f->sim.receivedLines().endsWith("AT+VER?\r\n"));
        QCOMPARE(m_f->sim.receivedLines(), sent + Lines{"AT+VER?\r\n"});
        QCOMPARE(m_f->status(), message);
    }
};

QTEST_MAIN(tst_CfgFile)
#include "tst_cfgfile.moc"
