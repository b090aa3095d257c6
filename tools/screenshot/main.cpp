// Drives the real window through a short session with a simulated module and
// saves what the user sees at each step as PNG files in the folder given:
// the start-up form, the console after a few commands (times shown, the
// find line open, then in hex), the form after a
// configuration read, the same in English, and the box of a port that
// cannot be opened, with its reason.
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
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTextStream>

#include "app/quorvel.h"
#include "tools/modsim/modsim.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

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

    w.close();
    return ok ? 0 : 1;
}
