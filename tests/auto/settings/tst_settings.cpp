// The settings file: what a window shows of it, what it cannot write, which file a desktop start uses.
#include "tests/common/testsupport.h"

#include <QSettings>

class tst_Settings : public QObject
{
    Q_OBJECT
    std::unique_ptr<testsupport::ModuleWindow> m_f;

    // What a window, set up as the program sets it up, shows of the settings; the language by its catalogue.
    static QVariantMap shown(Quorvel &w)
    {
        w.installTranslator();
        w.retranslate();
        Ui::QuorvelClass &ui = QuorvelTestAccess::ui(w);
        ui.comboBox_comPort->listOnce();   // what the event loop does first
        return {{"lang", QuorvelTestAccess::langButton(w)->text() + u' ' + ui.groupBox_console->title()},
                {"port", ui.comboBox_comPort->currentText()}, {"logMaxRows", QuorvelTestAccess::logModel(w).maxRows()},
                {"line", QStringList{ui.comboBox_bps->currentText(), ui.comboBox_dataBit->currentText(),
                                     ui.comboBox_parBit->currentText(), ui.comboBox_stopBit->currentText(),
                                     ui.comboBox_encoding->currentText()}},
                {"geometry", QRect(w.pos(), w.size())},
                {"console", QStringList{ui.lineEdit_cmd->text(), ui.lineEdit_regular_time->text(),
                                        ui.checkBox_autoReconnect->isChecked() ? "reconnect" : "no reconnect",
                                        ui.checkBox_verifyWrite->isChecked() ? "verify" : "no verify",
                                        QString::number(ui.checkBox_timestamp->isChecked())
                                            + QString::number(ui.checkBox_hexView->isChecked())
                                            + QString::number(ui.checkBox_hexSend->isChecked())}}};
    }

private slots:
    void stored_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QVariantMap>("changed");   // against what a window shows without a file
        const auto row = [](const char *name, const char *ini, const QVariantMap &changed = {}) {
            QTest::newRow(name) << QByteArray(ini) << changed;
        };
        row("no file", nullptr);
        row("damaged: past the end, below the range, unreadable, a monitor that is gone; a port not plugged in",
            "[comSettings]\nbps=8\ndataBit=4\nparBit=3\nstopBit=2\nlogMaxRows=999\nautoReconnect=maybe\nencoding=Big5\n"
            "comPort=ttyGONE7\n[pos%26size]\npos=@Point(-20000 -20000)",
            {{"port", "ttyGONE7"}});   // an adapter plugged in later still opens
        row("Chinese, lowest limit, no reconnect, no verify, unquoted commas, partly off the left edge",
            "[LANG]\nlang=中文\n[comSettings]\nbps=2\ndataBit=1\nparBit=2\nstopBit=1\nencoding=GBK\nlogMaxRows=1000\n"
            "autoReconnect=false\nverifyWrite=false\n[consoleSettings]\ncmd_line=AT+UART=5,8,0,1,0\nregularly_send_time=250\n"
            "timestamp=true\nhexView=true\nhexSend=true\n"
            "[pos%26size]\npos=@Point(-300 30)\nsize=@Size(600 400)",
            {{"lang", "中文 COM Cosole"}, {"line", QStringList{"19200", "6", "Odd", "2", "GBK"}}, {"logMaxRows", 1000},
             {"console", QStringList{"AT+UART=5,8,0,1,0", "250", "no reconnect", "no verify", "111"}},
             {"geometry", QRect(-300, 30, 600, 400)}});
    }

    // Nothing written before closing, and what was read is written back.
    void stored()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QVariantMap, changed);
        QUORVEL_START(m_f, /*open*/ false);
        m_f->ui().comboBox_comPort->listOnce();
        QVariantMap expected{{"lang", "English COM控制台"}, {"line", QStringList{"115200", "8", "None", "1", "UTF-8"}},
                             {"port", m_f->ui().comboBox_comPort->currentText()}, {"logMaxRows", 100000},
                             {"console", QStringList{"AT", "", "reconnect", "verify", "000"}}, {"geometry", QRect(100, 50, 1200, 550)}};
        expected.insert(changed);
        if (!ini.isNull())
            testsupport::writeFile(QStringLiteral("Quorvel.ini"), ini + '\n');
        for (const bool again : {false, true}) {
            Quorvel w;
            QCOMPARE(shown(w), expected);
            QCOMPARE(QFile::exists(QStringLiteral("Quorvel.ini")), again || !ini.isNull());
            QVERIFY(w.close());
        }
    }

    // Settings that cannot be written (a folder: refused even to root) are said at close, with file and reason.
    void unwritable()
    {
        QUORVEL_START(m_f, /*open*/ false);
        QVERIFY(QDir().mkdir(QStringLiteral("Quorvel.ini")));
        m_f->dismissNextBox();
        QVERIFY(m_f->w->close());
        QVERIFY2(m_f->boxText.startsWith(QStringLiteral("设置不能保存到 %1（").arg(m_f->dir.filePath("Quorvel.ini")))
                     && m_f->boxText.contains(QStringLiteral("directory")),
                 qPrintable(m_f->boxText));
    }

    // Which file each system uses, from what lies where: a folder with work/, exe/, home/, config/ and
    // appdata/ holds the files of `present`; "." in an expected path is the working folder's "./".
    void whereTheFileIs_data()
    {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("work");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("moveFrom");
        const QString ini = QStringLiteral("Quorvel.ini");
        QTest::newRow("Linux, a terminal: the working folder") << false << QStringList() << "" << "work" << "./" + ini << "";
        QTest::newRow("Linux, the menu: the config folder") << false << QStringList() << "" << "home"
                                                            << "config/quorvel/" + ini << "";
        QTest::newRow("Linux, named") << false << QStringList() << "run/x.ini" << "work" << "run/x.ini" << "";
        QTest::newRow("Windows, fresh: the profile") << true << QStringList() << "" << "work" << "appdata/Quorvel/" + ini << "";
        QTest::newRow("Windows, portable beside the program") << true << QStringList{"exe/" + ini, "work/" + ini} << ""
                                                              << "work" << "exe/" + ini << "";
        QTest::newRow("Windows, started in its own folder with a file there: portable")
            << true << QStringList{"exe/" + ini} << "" << "exe" << "exe/" + ini << "";
        QTest::newRow("Windows, an earlier build's file in the working folder: moved")
            << true << QStringList{"work/" + ini} << "" << "work" << "appdata/Quorvel/" + ini << "work/" + ini;
        QTest::newRow("Windows, the profile has one already: the old one stays unread")
            << true << QStringList{"work/" + ini, "appdata/Quorvel/" + ini} << "" << "work" << "appdata/Quorvel/" + ini << "";
        QTest::newRow("Windows, a folder named like the file is not moved")
            << true << QStringList{"work/" + ini + "/"} << "" << "work" << "appdata/Quorvel/" + ini << "";
        QTest::newRow("Windows, named wins over portable") << true << QStringList{"exe/" + ini} << "run/x.ini" << "work"
                                                           << "run/x.ini" << "";
    }
    void whereTheFileIs()
    {
        QFETCH(bool, windows);
        QFETCH(QStringList, present);
        QFETCH(QString, named);
        QFETCH(QString, work);
        QFETCH(QString, file);
        QFETCH(QString, moveFrom);
        QTemporaryDir dir;
        const QDir root(dir.path());
        for (const char *sub : {"work", "exe", "home", "config", "appdata"})
            QVERIFY(root.mkpath(sub));
        for (const QString &path : present) {
            if (path.endsWith(u'/'))
                QVERIFY(root.mkpath(path));
            else
                QVERIFY(root.mkpath(QFileInfo(root.filePath(path)).path()) && QFile(root.filePath(path)).open(QIODevice::WriteOnly));
        }
        appsettings::Places places;
        places.named = named.isEmpty() ? QString() : root.filePath(named);
        places.workDir = root.filePath(work);
        places.homeDir = root.filePath("home");
        places.configDir = root.filePath("config");
        places.exeDir = root.filePath("exe");
        places.appDataDir = root.filePath("appdata");
        const appsettings::Location at =
            appsettings::locate(places, windows ? appsettings::System::Windows : appsettings::System::Linux);
        QCOMPARE(at.file, file.startsWith("./") ? file : root.filePath(file));
        QCOMPARE(at.moveFrom, moveFrom.isEmpty() ? QString() : root.filePath(moveFrom));
    }

    // The move into the profile: the file arrives whole and is said once; one that cannot be made keeps the old file.
    void moveIntoProfile()
    {
        QTemporaryDir dir;
        const QDir root(dir.path());
        testsupport::writeFile(root.filePath("Quorvel.ini"), "[comSettings]\ncomPort=COM5\n");
        testsupport::writeFile(root.filePath("blocked"), "a file where the profile folder would be");
        QCOMPARE(appsettings::take({root.filePath("blocked/Quorvel/Quorvel.ini"), root.filePath("Quorvel.ini")}),
                 root.filePath("Quorvel.ini"));
        QVERIFY(appsettings::movedSettings().from.isEmpty());
        const QString to = root.filePath("appdata/Quorvel/Quorvel.ini");
        QCOMPARE(appsettings::take({to, root.filePath("Quorvel.ini")}), to);
        QCOMPARE(testsupport::readFile(to), QByteArray("[comSettings]\ncomPort=COM5\n"));
        QVERIFY(!QFile::exists(root.filePath("Quorvel.ini")));
        QCOMPARE(appsettings::movedSettings().from, root.filePath("Quorvel.ini"));
        QCOMPARE(appsettings::movedSettings().to, to);
        QCOMPARE(QSettings(appsettings::take({to, QString()}), QSettings::IniFormat).value("comSettings/comPort"), "COM5");
    }

    // Started from a desktop menu (in home, or "/"): the settings go to $XDG_CONFIG_HOME unless home has its own.
    void fromTheMenu()
    {
        QTemporaryDir dir;
        const QString home = dir.filePath("home"), config = QStringLiteral("/c/quorvel/Quorvel.ini");
        qputenv("HOME", QFile::encodeName(home));   // for the rest of this program: its last test
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
        QVERIFY(QDir().mkpath(home) && QDir::setCurrent(home) && Quorvel().close());
        QVERIFY(QFile::exists(dir.filePath("config/quorvel/Quorvel.ini")) && !QFile::exists(home + "/Quorvel.ini"));
        QVERIFY(QFile::link(home, dir.filePath("link")));
        QCOMPARE(appsettings::filePath(dir.filePath("link"), home, "/c"), config);
        QCOMPARE(appsettings::filePath("/", home, "/c"), config);
        QVERIFY(QFile(home + "/Quorvel.ini").open(QIODevice::WriteOnly));
        QCOMPARE(appsettings::filePath(home, home, "/c"), "./Quorvel.ini");
    }
};

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
