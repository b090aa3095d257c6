// Shared by the tests: the window's private state, files, and a window on a simulated module.
#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QMessageBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include "app/quorvel.h"
#include "tools/modsim/modsim.h"

extern "C" int ioctl(int fd, unsigned long request, ...);

class QuorvelTestAccess
{
public:
    static Ui::QuorvelClass &ui(Quorvel &w) { return w.ui; }
    static bool comIsOpen(const Quorvel &w) { return w.serialLink.isOpen(); }
    static QSerialPort *serialPort(const Quorvel &w) { return w.serialLink.port(); }
    static bool readCfgRunning(const Quorvel &w) { return w.readCfgRunning; }
    static QPushButton *langButton(const Quorvel &w) { return w.langButton; }
    // Logs and shows at once, without waiting for the next repaint.
    static void addStrToLog(Quorvel &w, const QString &s, Quorvel::logType t)
    {
        w.addStrToLog(s, t);
        w.logModel.flush();
    }
    static const ConsoleModel &logModel(const Quorvel &w) { return w.logModel; }
    static bool exportCfgFile(Quorvel &w, const QString &path) { return w.exportCfgFile(path); }
    static bool importCfgFile(Quorvel &w, const QString &path) { return w.importCfgFile(path); }
    static void setGroupPause(Quorvel &w, int ms) { w.cfgGroupWaitMs = ms; }
    static void setAnswerTimeout(Quorvel &w, int ms) { w.cfgAnswerTimeoutMs = ms; }
    static bool saveLogTo(Quorvel &w, const QString &path) { return w.logView->saveLogTo(path); }
    static bool startRecording(Quorvel &w, const QString &path) { return w.logView->startRecording(path); }
    static QTimer *recordTimer(const Quorvel &w) { return w.logView->recordTimer(); }
};

namespace testsupport {

// A profile document around the group elements of `body`.
inline QByteArray document(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TESSELANE_CFG>" + body + "</TESSELANE_CFG>\n";
}

// A complete profile off the simulated module's factory values everywhere but the station key.
inline const QByteArray completeProfile = document(
    "<BASE_GROUP_ELEM><UART>115200,8,None,1,None</UART><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>"
    "<WIFI_GROUP_ELEM><WIFI_MODE>STA</WIFI_MODE><WIFI_AP>LineAP,secret99,WAP2,AES,11g,11</WIFI_AP>"
    "<WIFI_STA>PlantNet,office-pass</WIFI_STA><WIFI_IP>Static IP,10.0.0.7,10.0.0.1,255.255.255.0</WIFI_IP>"
    "<WIFI_DHCP>0,10.0.0.100,10.0.0.200</WIFI_DHCP></WIFI_GROUP_ELEM>"
    "<TP_GROUP_ELEM><TP_TP>UDP,客户端,10.0.0.9,9000</TP_TP><TP_FRAME>40,256,30</TP_FRAME></TP_GROUP_ELEM>");

// The bytes of a log's rows that were sent, or else received.
inline QByteArrayList rows(const ConsoleModel &model, bool sent)
{
    QByteArrayList found;
    for (int r = 0; r < model.rowCount(); ++r)
        if (model.row(r).sent == sent)
            found << model.row(r).raw;
    return found;
}

// A CSV file's records as Python's csv module reads them (header included); none for a missing file.
inline QList<QStringList> csvRows(const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QStringLiteral(
        "import csv, json, os, sys\np = sys.argv[1]\nprint(json.dumps(list(csv.reader(open(p, newline='', "
        "encoding='utf-8'), strict=True)) if os.path.exists(p) else []))"), path});
    if (!python.waitForFinished(30000) || python.exitCode() != 0) {
        qWarning("python3 csv: %s", python.readAllStandardError().constData());
        return {QStringList{QStringLiteral("<csv reader failed>")}};
    }
    QList<QStringList> rows;
    for (const QJsonValue &row : QJsonDocument::fromJson(python.readAllStandardOutput()).array())
        rows << row.toVariant().toStringList();
    return rows;
}

// A port's speed as the kernel holds it for its open fd; 0 for none.
inline uint portSpeed(const QSerialPort *port)
{
    termios2 t{};
    return port && ioctl(int(port->handle()), TCGETS2, &t) == 0 ? t.c_ospeed : 0;
}

// A file's bytes, or "<unreadable>".
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// The window on a simulated module over a pseudo-terminal, in a fresh working folder (no one else's
// settings or backups). One per test: the window goes before the module.
struct ModuleWindow
{
    QTemporaryDir dir;
    ModSim sim;
    std::unique_ptr<Quorvel> w;
    QString error;
    static constexpr int answerTimeoutMs = 1000;
    QString boxText, boxInfo, boxDetails, boxYes;   // of the last box dismissNextBox closed (boxYes: its Yes)
    QStringList boxTexts;                           // of every box it closed
    bool boxYesByDefault = false;

    // Starts the module and the window, shown when `show`, its port open when `open`; else `error` says why.
    bool start(bool open = true, bool show = false)
    {
        if (!dir.isValid() || !QDir::setCurrent(dir.path()))
            return failed(QStringLiteral("no working folder"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
        if (!sim.start(&error))
            return false;
        w = std::make_unique<Quorvel>();
        QuorvelTestAccess::setAnswerTimeout(*w, answerTimeoutMs);
        QuorvelTestAccess::setGroupPause(*w, 20);   // an import's or export's pause on each tab: still serves events
        if (show && (w->show(), !QTest::qWaitForWindowExposed(w.get())))
            return failed(QStringLiteral("window not exposed"));
        if (open && !openPort())
            return failed(QStringLiteral("port did not open: ") + sim.slavePath());
        return true;
    }
    bool failed(const QString &why) { return error = why, false; }
    // Types `device` (the module's when empty) into the port box and presses Open; true once `module` sees it.
    bool openPort(const QString &device = {}, ModSim *module = nullptr)
    {
        ui().comboBox_comPort->setEditText(device.isEmpty() ? sim.slavePath() : device);
        ui().pushButton_openCom->click();
        ModSim *peer = module ? module : &sim;
        return QuorvelTestAccess::comIsOpen(*w) && QTest::qWaitFor([peer] { return peer->peerConnected(); });
    }
    Ui::QuorvelClass &ui() { return QuorvelTestAccess::ui(*w); }
    QString status() const { return w->statusBar()->currentMessage(); }

    // Closes the next modal box as it shows, pressing `press`; keeps its texts. Call before.
    void dismissNextBox(QMessageBox::StandardButton press = QMessageBox::Ok)
    {
        auto *poll = new QTimer(w.get());   // a box that never comes: the wait ends with the window
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, press] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || box->property("dismissed").toBool())
                return;
            box->setProperty("dismissed", true);
            boxTexts << (boxText = box->text());
            boxInfo = box->informativeText();
            boxDetails = box->detailedText();
            QAbstractButton *yes = box->button(QMessageBox::Yes);
            boxYes = yes ? yes->text() : QString();
            boxYesByDefault = yes && box->defaultButton() == yes;
            if (QAbstractButton *button = box->button(press))
                button->click();
            else
                box->done(press);
            poll->stop();
            poll->deleteLater();
        });
        poll->start(10);
    }
};

} // namespace testsupport

// Starts a fresh ModuleWindow in `f` (a std::unique_ptr) or fails the test.
#define QUORVEL_START(f, ...)                                                                                  \
    do {                                                                                                       \
        (f) = std::make_unique<testsupport::ModuleWindow>();                                                  \
        QVERIFY2((f)->start(__VA_ARGS__), qPrintable((f)->error));                                            \
    } while (false)

#endif // TESTSUPPORT_H
