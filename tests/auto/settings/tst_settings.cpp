// The settings file "./Quorvel.ini": what a window shows for a stored file (or none), again after
// closing, and a round trip of changed values, a typed device path among them (the one open,
// not what was typed after it); which file a window started from a terminal or from the desktop
// menu uses.
#include <QDirIterator>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <memory>

#include "tests/common/testsupport.h"
#include "tools/modsim/modsim.h"

using Access = QuorvelTestAccess;

namespace {

// The window set up as the process entry does it, and what it shows of the
// settings: language, window, port, line settings and the console's fields.
QVariantMap shown(Quorvel &w)
{
    w.installTranslator();
    w.retranslate();
    Ui::QuorvelClass &ui = Access::ui(w);
    const QString geometry = w.isMaximized() ? QStringLiteral("maximized")
        : QStringLiteral("%1,%2 %3x%4").arg(w.x()).arg(w.y()).arg(w.width()).arg(w.height());
    return {{"lang", Access::langButton(w)->text()}, {"console", ui.groupBox_console->title()},
            {"geometry", geometry}, {"port", ui.comboBox_comPort->currentText()},
            {"bps", ui.comboBox_bps->currentText()}, {"dataBit", ui.comboBox_dataBit->currentText()},
            {"parBit", ui.comboBox_parBit->currentText()}, {"stopBit", ui.comboBox_stopBit->currentText()},
            {"cmd", ui.lineEdit_cmd->text()}, {"every", ui.lineEdit_regular_time->text()},
            {"reconnect", ui.checkBox_autoReconnect->isChecked()}, {"encoding", ui.comboBox_encoding->currentText()}, {"logMaxRows", Access::logMaxRows(w)}};
}

} // namespace

class tst_Settings : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;

    // Every default, with the port a window shows without a file.
    QVariantMap defaults()
    {
        Quorvel fresh;
        return {{"lang", "English"}, {"console", "COM控制台"}, {"geometry", "100,50 1200x550"},
                {"port", Access::ui(fresh).comboBox_comPort->currentText()}, {"bps", "115200"}, {"dataBit", "8"},
                {"parBit", "None"}, {"stopBit", "1"}, {"cmd", "AT"}, {"every", ""}, {"reconnect", true}, {"encoding", "UTF-8"}, {"logMaxRows", 100000}};
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid() && QDir::setCurrent(m_dir->path()));
    }

    void stored_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QVariantMap>("changed");   // against the defaults
        const auto row = [](const char *name, const char *ini, const QVariantMap &changed = {}) {
            QTest::newRow(name) << QByteArray(ini) << changed;
        };
        row("no file", nullptr);
        row("lang English", "[LANG]\nlang=English");
        row("lang 中文", "[LANG]\nlang=中文", {{"lang", "中文"}, {"console", "COM Cosole"}});
        row("lang other text", "[LANG]\nlang=Deutsch", {{"lang", "Deutsch"}, {"console", "COM Cosole"}});
        row("indices past the end", "[comSettings]\nbps=8\ndataBit=4\nparBit=3\nstopBit=2");
        row("negative indices", "[comSettings]\nbps=-1\ndataBit=-1\nparBit=-1\nstopBit=-1");
        row("indices not numbers", "[comSettings]\nbps=a\ndataBit=b\nparBit=c\nstopBit=d");
        row("log limit, lowest", "[comSettings]\nlogMaxRows=1000", {{"logMaxRows", 1000}});
        row("log limit, highest", "[comSettings]\nlogMaxRows=10000000", {{"logMaxRows", 10000000}});
        row("log limit below the range", "[comSettings]\nlogMaxRows=999");
        row("log limit above the range", "[comSettings]\nlogMaxRows=10000001");
        row("log limit not a number", "[comSettings]\nlogMaxRows=lots");
        row("a port that is gone", "[comSettings]\ncomPort=ttyGONE7");
        row("reconnect off", "[comSettings]\nautoReconnect=false", {{"reconnect", false}});
        row("reconnect unreadable", "[comSettings]\nautoReconnect=maybe");
        row("encoding GBK", "[comSettings]\nencoding=GBK", {{"encoding", "GBK"}});
        row("encoding unknown", "[comSettings]\nencoding=Big5");
        row("unquoted commas, read as a list", "[consoleSettings]\ncmd_line=AT+UART=5,8,0,1,0",
            {{"cmd", "AT+UART=5,8,0,1,0"}});
        row("partly off the left edge", "[pos%26size]\npos=@Point(-300 30)\nsize=@Size(600 400)",
            {{"geometry", "-300,30 600x400"}});
        row("on a monitor that is gone", "[pos%26size]\npos=@Point(-20000 -20000)\nsize=@Size(600 400)",
            {{"geometry", "100,50 600x400"}});
        row("maximized", "[pos%26size]\npos=@Point(300 200)\nsize=@Size(640 480)\nisMax=true",
            {{"geometry", "maximized"}});
    }

    // Nothing written before closing, what was read is written back, the language button switches.
    void stored()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QVariantMap, changed);
        QVariantMap expected = defaults();
        expected.insert(changed);
        QFile file(QStringLiteral("Quorvel.ini"));
        QVERIFY(ini.isNull() || (file.open(QIODevice::WriteOnly) && file.write(ini + '\n') == ini.size() + 1));
        file.close();
        {
            Quorvel w;
            QCOMPARE(shown(w).values(), expected.values());
            QCOMPARE(file.exists(), !ini.isNull());
            QVERIFY(w.close());
        }
        Quorvel again;
        QCOMPARE(shown(again).values(), expected.values());
        const bool chinese = expected.value("console") == QStringLiteral("COM控制台");
        Access::langButton(again)->click();
        QCOMPARE(Access::langButton(again)->text(), chinese ? QStringLiteral("中文") : QStringLiteral("English"));
        QCOMPARE(Access::ui(again).groupBox_console->title(),
                 chinese ? QStringLiteral("COM Cosole") : QStringLiteral("COM控制台"));
    }

    // The file is UTF-8, with Qt's group encoding; a pseudo-terminal's path is in no port list.
    void roundTrip()
    {
        ModSim sim;
        QString why;
        QVERIFY2(sim.start(&why), qPrintable(why));
        // Commas, semicolons, quotes, a leading "@" and Chinese need the ini file's quoting.
        const QString cmd = QStringLiteral("@AT+APMOD=Lab,AP;1 \"q\" 中文 ");
        const QVariantMap expected = {{"lang", "中文"}, {"console", "COM Cosole"}, {"geometry", "130,90 1000x720"},
                                      {"port", sim.slavePath()}, {"bps", "19200"}, {"dataBit", "6"},
                                      {"parBit", "Odd"}, {"stopBit", "2"}, {"cmd", cmd}, {"every", "250"},
                                      {"reconnect", false}, {"encoding", "GBK"}, {"logMaxRows", 100000}};
        {
            Quorvel w;
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            Access::langButton(w)->click();
            w.move(130, 90);
            w.resize(1000, 720);
            Ui::QuorvelClass &ui = Access::ui(w);
            QVERIFY(testsupport::openPort(w, sim.slavePath()));
            ui.comboBox_bps->setCurrentIndex(2);
            ui.comboBox_dataBit->setCurrentIndex(1);
            ui.comboBox_parBit->setCurrentIndex(2);
            ui.comboBox_stopBit->setCurrentIndex(1);
            ui.lineEdit_cmd->setText(cmd);
            ui.lineEdit_regular_time->setText(QStringLiteral("250"));
            ui.checkBox_autoReconnect->setChecked(false);
            ui.comboBox_comPort->setEditText(QStringLiteral("/dev/ttyUS"));   // typed half-way, no Enter
            ui.comboBox_encoding->setCurrentIndex(1);
            QVERIFY(w.close());
        }
        QFile file(QStringLiteral("Quorvel.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY2(text.contains("[pos%26size]") && text.contains("lang=中文"), text.constData());
        Quorvel w;
        QCOMPARE(shown(w).values(), expected.values());
        Access::ui(w).pushButton_openCom->click();
        QVERIFY(Access::comIsOpen(w));
    }

    void location_data()
    {
        QTest::addColumn<QString>("workDir");       // under the temporary folder
        QTest::addColumn<bool>("fileThere");        // a Quorvel.ini in it already
        QTest::addColumn<QString>("expected");      // the file written at close
        QTest::newRow("from the menu: the home folder") << "home" << false << "config/quorvel/Quorvel.ini";
        QTest::newRow("home through a link") << "home-link" << false << "config/quorvel/Quorvel.ini";
        QTest::newRow("the home folder's own file") << "home" << true << "home/Quorvel.ini";
        QTest::newRow("a product line's folder") << "home/line-A" << false << "home/line-A/Quorvel.ini";
    }

    // Started from a desktop menu, the working folder is home: the settings go to
    // $XDG_CONFIG_HOME, never as a stray file there; anywhere else "./Quorvel.ini".
    void location()
    {
        QFETCH(QString, workDir);
        QFETCH(bool, fileThere);
        QFETCH(QString, expected);
        const QString base = m_dir->path() + u'/';
        QVERIFY(QDir().mkpath(base + QStringLiteral("home/line-A")));
        QVERIFY(QFile::link(base + QStringLiteral("home"), base + QStringLiteral("home-link")));
        const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", oldHome);
            qputenv("XDG_CONFIG_HOME", oldConfig);
        });
        qputenv("HOME", QFile::encodeName(base + QStringLiteral("home")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(base + QStringLiteral("config")));
        QVERIFY(QDir::setCurrent(base + workDir));
        if (fileThere) {
            QFile file(QStringLiteral("Quorvel.ini"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[LANG]\nlang=中文\n") > 0);
        }
        {
            Quorvel w;
            QCOMPARE(Access::langButton(w)->text(), fileThere ? QStringLiteral("中文") : QStringLiteral("English"));
            QVERIFY(w.close());
        }
        QDirIterator files(base, QDir::Files, QDirIterator::Subdirectories);
        QStringList written;
        while (files.hasNext())
            written << files.next().mid(base.size());
        QCOMPARE(written, QStringList{expected});
        // Some launchers start programs in "/".
        QCOMPARE(settingsFilePath(QStringLiteral("/"), base + QStringLiteral("home"), QStringLiteral("/c")),
                 QStringLiteral("/c/quorvel/Quorvel.ini"));
    }
};

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
