// Drives the real window through a short session with a simulated module and
// saves what the user sees at each step as PNG files in the folder given:
// the start-up form, the console after a few commands (times shown, the
// find line open, then in hex), the form after a
// configuration read, the same in English, and the box of a port that
// cannot be opened, with its reason; then the production station with a PASS
// and a FAIL tile.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTextStream>

#include "app/consoletab.h"
#include "app/consoletabs.h"
#include "app/interfacefont.h"
#include "app/quorvel.h"
#include "app/timelinetab.h"
#include "station/stationwindow.h"
#include "tools/modsim/modsim.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

const char stationProfile[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TESSELANE_CFG>"
    "<BASE_GROUP_ELEM><UART>115200,8,None,1,None</UART><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>"
    "<WIFI_GROUP_ELEM><WIFI_MODE>STA</WIFI_MODE><WIFI_AP>LineAP,secret99,WAP2,AES,11g,11</WIFI_AP>"
    "<WIFI_STA>PlantNet,plant-pass</WIFI_STA><WIFI_IP>Static IP,10.0.0.7,10.0.0.1,255.255.255.0</WIFI_IP>"
    "<WIFI_DHCP>0,10.0.0.100,10.0.0.200</WIFI_DHCP></WIFI_GROUP_ELEM>"
    "<TP_GROUP_ELEM><TP_TP>UDP,Client,10.0.0.9,9000</TP_TP><TP_FRAME>40,256,30</TP_FRAME></TP_GROUP_ELEM>"
    "</TESSELANE_CFG>\n";

template <typename Pred>
bool waitFor(Pred done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void settle(int ms)
{
    waitFor([] { return false; }, ms);
}

bool save(QWidget &w, const QDir &out, const QString &name)
{
    settle(300);
    const QString path = out.filePath(name);
    const bool ok = w.grab().save(path);
    QTextStream(stdout) << (ok ? "wrote " : "could not write ") << path << Qt::endl;
    return ok;
}

// The screen where the window is, the window's modal box included.
bool saveScreen(QWidget &w, const QDir &out, const QString &name)
{
    const QPixmap shot = w.screen()->grabWindow(0, w.x(), w.y(), w.width(), w.height());
    const QString path = out.filePath(name);
    const bool ok = shot.save(path);
    QTextStream(stdout) << (ok ? "wrote " : "could not write ") << path << Qt::endl;
    return ok;
}

template <typename T>
T *child(QWidget &w, const char *name)
{
    return w.findChild<T *>(QString::fromLatin1(name));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    interfacefont::install();
    if (argc < 2) {
        QTextStream(stderr) << "usage: quorvel-screenshot OUTPUT_DIR" << Qt::endl;
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir data;   // the backup of the read shown stays out of the user's data folder
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));

    ModSim module;
    QString error;
    if (!module.start(&error)) {
        QTextStream(stderr) << "simulated module: " << error << Qt::endl;
        return 1;
    }

    Quorvel w;
    w.installTranslator();
    w.retranslate();
    w.resize(1200, 620);
    w.move(0, 0);
    w.show();
    bool ok = save(w, out, QStringLiteral("window-zh.png"));

    // The console after a few commands.
    child<QComboBox>(w, "comboBox_comPort")->setEditText(module.slavePath());
    child<QPushButton>(w, "pushButton_openCom")->click();
    auto *cmd = child<QLineEdit>(w, "lineEdit_cmd");
    auto *send = child<QPushButton>(w, "pushButton_send");
    for (const char *text : {"AT+VER?", "AT+UART?", "AT+NETS?", "AT+APSTA=7"}) {
        cmd->setText(QString::fromLatin1(text));
        send->click();
        const qsizetype before = module.receivedLines().size();
        waitFor([&] { return module.receivedLines().size() > before; }, 2000);
        settle(150);
    }
    // Times shown, the find line open on the module's answers, the next
    // match selected; then the same rows in hex.
    child<QCheckBox>(w, "checkBox_timestamp")->setChecked(true);
    w.findChild<QAction *>(QStringLiteral("action_find"))->trigger();
    child<QLineEdit>(w, "lineEdit_find")->setText(QStringLiteral("OK="));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(child<QLineEdit>(w, "lineEdit_find"), &enter);
    ok = save(w, out, QStringLiteral("console.png")) && ok;
    child<QCheckBox>(w, "checkBox_hexView")->setChecked(true);
    ok = save(w, out, QStringLiteral("console-hex.png")) && ok;
    child<QCheckBox>(w, "checkBox_hexView")->setChecked(false);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(child<QLineEdit>(w, "lineEdit_find"), &escape);

    // A full configuration read into the form.
    auto *read = child<QPushButton>(w, "pushButton_readConfiguration");
    read->click();
    waitFor([&] { return read->isEnabled(); }, 20000);
    ok = save(w, out, QStringLiteral("config-read.png")) && ok;
    child<QTabWidget>(w, "tabWidget")->setCurrentIndex(1);
    ok = save(w, out, QStringLiteral("config-read-wifi.png")) && ok;

    // The same window in English.
    child<QPushButton>(w, "langButton")->click();
    child<QTabWidget>(w, "tabWidget")->setCurrentIndex(0);
    ok = save(w, out, QStringLiteral("window-en.png")) && ok;
    child<QTabWidget>(w, "tabWidget")->setCurrentIndex(1);
    ok = save(w, out, QStringLiteral("window-en-wifi.png")) && ok;
    child<QTabWidget>(w, "tabWidget")->setCurrentIndex(0);

    // The command panel in the middle of the documentation's example list,
    // the module answering slowly enough to catch a step waiting.
    {
        QTemporaryDir lists;
        const QString list = lists.filePath(QStringLiteral("check-after-configuration.txt"));
        QFile::copy(QStringLiteral(QUORVEL_SOURCE_DIR "/docs/examples/check-after-configuration.txt"), list);
        auto *panel = w.findChild<CommandPanel *>();
        panel->load(list);
        module.setDelay(300);
        child<QAbstractButton>(w, "pushButton_runCommands")->click();
        auto *rows = child<QListWidget>(w, "listWidget_commands");
        waitFor([&] { return !rows->item(8)->data(CommandPanel::outcomeRole).toString().isEmpty(); }, 5000);
        settle(100);
        ok = save(w, out, QStringLiteral("commands-run.png")) && ok;
        waitFor([&] { return !panel->running(); }, 10000);
        module.setDelay(0);
    }

    // Three consoles and the timeline of all of them, after a line sent to all.
    {
        auto *tabs = w.findChild<ConsoleTabs *>();
        ModSim second, third;
        QTemporaryDir links;
        const QStringList names{links.filePath(QStringLiteral("ttyUSB1")), links.filePath(QStringLiteral("ttyUSB2"))};
        QList<ModSim *> modules{&second, &third};
        for (int i = 0; i < 2; ++i) {
            QString why;
            ConsoleTab *tab = tabs->addConsole();
            if (!modules[i]->start(&why) || !modules[i]->makeLink(names[i], &why)) {
                std::fprintf(stderr, "second module: %s\n", qPrintable(why));
                ok = false;
                continue;
            }
            tab->setPortText(names[i]);
            ok = tab->openPort(&why) && ok;
        }
        // The form bound to the second console's module, and read from it.
        second.setFields(QStringLiteral("VER"), {QStringLiteral("V2.2.0")});
        child<QComboBox>(w, "comboBox_cfgConsole")->setCurrentIndex(1);
        read->click();
        waitFor([&] { return read->isEnabled(); }, 20000);
        third.setDelay(40);
        TimelineTab *all = tabs->timeline();
        tabs->tabs()->setCurrentWidget(all);
        all->findChild<QCheckBox *>(QStringLiteral("checkBox_timestamp"))->setChecked(true);
        for (const char *line : {"AT+VER?", "AT+MAC?", "AT+NETS?"}) {
            all->findChild<QLineEdit *>(QStringLiteral("lineEdit_cmd"))->setText(QString::fromLatin1(line));
            all->send();
            settle(150);
        }
        settle(300);
        ok = save(w, out, QStringLiteral("consoles-all-ports.png")) && ok;
        for (ConsoleTab *tab : tabs->consoles())
            tabs->closeConsole(tab);
    }

    // A device this user may not open: the box says why. Root, who may open
    // anything, gives up its rights for the moment.
    child<QTabWidget>(w, "tabWidget")->setCurrentIndex(0);
    child<QPushButton>(w, "pushButton_openCom")->click();   // close
    const QByteArray slave = QFile::encodeName(module.slavePath());
    const bool root = ::geteuid() == 0;
    bool boxSaved = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        if (root && ::seteuid(0) != 0)
            QTextStream(stderr) << "could not take root's rights back" << Qt::endl;
        settle(300);
        boxSaved = saveScreen(w, out, QStringLiteral("open-failed-en.png"));
        box->done(QMessageBox::Ok);
    });
    if (::chmod(slave.constData(), 0) == 0 && (!root || ::seteuid(65534) == 0)) {
        poll.start(300);
        child<QPushButton>(w, "pushButton_openCom")->click();
        poll.stop();
        if (root)
            (void)::seteuid(0);
        ::chmod(slave.constData(), 0620);
    }
    ok = boxSaved && ok;

    // The production station, in English, with two fixtures: the module on
    // the first takes the profile, the one on the second refuses a command.
    ModSim good, refusing;
    if (!good.start(&error) || !refusing.start(&error)) {
        QTextStream(stderr) << "simulated module: " << error << Qt::endl;
        return 1;
    }
    refusing.setMac(QStringLiteral("AC:CF:23:5A:10:9C"));
    refusing.setError(QStringLiteral("AT+APSTA="), 3);
    const QString profile = QDir::current().filePath(QStringLiteral("line-profile.xml"));
    QFile profileFile(profile);
    if (!profileFile.open(QIODevice::WriteOnly) || profileFile.write(stationProfile) != qint64(sizeof stationProfile - 1))
        return 1;
    profileFile.close();
    StationWindow station(QStringLiteral(QUORVEL_BIN));
    ok = station.setProfile(profile) && ok;
    station.setReportFile(QDir::current().filePath(QStringLiteral("report.csv")));
    station.setExpectedVersion(QStringLiteral("V2.1.7"));
    station.addFixture(good.slavePath(), QStringLiteral("115200"));
    station.addFixture(refusing.slavePath(), QStringLiteral("115200"));
    station.resize(900, 640);
    station.move(0, 0);
    station.show();
    station.start();
    ok = waitFor([&] { return station.totalPasses() >= 1 && station.totalFails() >= 1; }, 30000) && ok;
    ok = save(station, out, QStringLiteral("station-en.png")) && ok;
    station.stop();
    waitFor([&] { return !station.isRunning(); }, 10000);
    station.close();

    // The same line from a supervisor's locked setup, each module's label
    // scanned first: the first fixture's label is its module's MAC, the
    // second's names another module, which is refused unwritten.
    {
        ModSim labelled;
        if (!labelled.start(&error))
            return 1;
        labelled.setMac(QStringLiteral("AC:CF:23:5A:10:A4"));
        const QString setup = QDir::current().filePath(QStringLiteral("station.ini"));
        QFile setupFile(setup);
        if (!setupFile.open(QIODevice::WriteOnly))
            return 1;
        setupFile.write(QStringLiteral("[station]\nprofile=line-profile.xml\nreport=report.csv\nfirmware=V2.1.7\n"
                                       "stationName=line 3\nfixtures=%1@115200;%2@115200\n")
                            .arg(good.slavePath(), labelled.slavePath())
                            .toUtf8());
        setupFile.close();
        StationWindow locked(QStringLiteral(QUORVEL_BIN));
        QString why;
        ok = locked.loadSetup(setup, &why) && ok;
        locked.setScanFirst(true);
        locked.resize(900, 700);
        locked.move(0, 0);
        locked.show();
        locked.start();
        locked.takeScan(good.mac());
        locked.takeScan(QStringLiteral("FIXTURE:2:AC:CF:23:00:00:99"));
        ok = waitFor([&] { return locked.totalPasses() >= 1 && locked.totalFails() >= 1; }, 30000) && ok;
        settle(200);
        ok = save(locked, out, QStringLiteral("station-scan-en.png")) && ok;
        locked.stop();
        waitFor([&] { return !locked.isRunning(); }, 10000);
        locked.close();
    }

    w.close();
    return ok ? 0 : 1;
}
