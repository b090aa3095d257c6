// The main window's shell: construction in its fixed order, the form reset,
// the settings file (read once here, written once at close) and the
// interface language.
#include "app/quorvel.h"
#include "station/stationwindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSettings>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTemporaryFile>
#include <QTimer>
#include <QTranslator>

#include "protocol/cfgfields.h"

namespace {

const char englishButtonText[] = "English";   // button text while Chinese is on screen

// A stored combo index, or the setting's default when the stored value is
// not an index of the box (a hand-edited or damaged file).
int storedIndex(QSettings *settings, const char *key, int fallback, const QComboBox *box)
{
    bool ok = false;
    const int index = settings->value(QLatin1String(key), fallback).toInt(&ok);
    return ok && index >= 0 && index < box->count() ? index : fallback;
}

// A stored text. An unquoted value with commas in a hand-edited file reads
// as a list; it is taken back as the text it was.
QString storedText(QSettings *settings, const char *key, const QString &fallback)
{
    const QVariant value = settings->value(QLatin1String(key), fallback);
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

// Whether some of the window's title strip would be on a screen, each screen
// taken on its own (the bounding box of two unequal monitors has holes).
bool titleOnSomeScreen(const QPoint &pos, const QSize &size)
{
    const QRect titleStrip(pos, QSize(qMax(size.width(), 1), 30));
    const auto screens = QGuiApplication::screens();
    for (const QScreen *screen : screens) {
        if (screen->availableGeometry().intersects(titleStrip))
            return true;
    }
    return false;
}

// Why `path` cannot be written, in the system's words: the file refuses to
// open for writing (read-only, a folder), or its folder takes no new file.
QString fileWriteProblem(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite))
            return file.errorString();
    }
    QTemporaryFile probe(info.absolutePath() + QStringLiteral("/.quorvel-XXXXXX"));
    if (!probe.open())
        return probe.errorString();
    return QString();
}

} // namespace

QString settingsFilePath(const QString &workDir, const QString &homeDir, const QString &configDir)
{
#ifdef Q_OS_WIN
    // On Windows the settings always stay in the working folder.
    Q_UNUSED(workDir);
    Q_UNUSED(homeDir);
    Q_UNUSED(configDir);
    return QStringLiteral("./Quorvel.ini");
#else
    const QString here = QFileInfo(workDir).canonicalFilePath();
    const bool fromMenu = here == QFileInfo(homeDir).canonicalFilePath() || QDir(here).isRoot();
    // A file a technician already keeps in the home folder stays in use.
    if (fromMenu && !configDir.isEmpty() && !QFileInfo::exists(here + QStringLiteral("/Quorvel.ini")))
        return configDir + QStringLiteral("/quorvel/Quorvel.ini");
    return QStringLiteral("./Quorvel.ini");
#endif
}

Quorvel::Quorvel(QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
{
    ui.setupUi(this);
    // Renditions scaled at build time from ":/Quorvel/AppIcon" (the sizes of
    // QUORVEL_ICON_SIZES in CMakeLists.txt): no window manager shows more
    // than 256 px, and decoding the full 1884 x 1884 picture slowed each start.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/Quorvel/AppIcon-%1").arg(size), QSize(size, size));
    setWindowIcon(icon);

    settings = new QSettings(settingsFilePath(QDir::currentPath(), QDir::homePath(),
                                              QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)),
                             QSettings::IniFormat);
    langButton = new QPushButton;
    langButton->setObjectName(QStringLiteral("langButton"));
    translator = new QTranslator;
    qtTranslator = new QTranslator;
    // The station opens from the status bar, left of the language button.
    stationButton = new QPushButton;
    stationButton->setObjectName(QStringLiteral("pushButton_station"));
    statusBar()->addPermanentWidget(stationButton, 0);
    statusBar()->addPermanentWidget(langButton, 0);

    // The window's timers (the console's log and recording timers are made
    // with the log table, in initLogTable).
    regularSendTimer = new QTimer(this);
    readCfgTimer = new QTimer(this);
    readCfgTimer->setSingleShot(true);
    writeCfgTimer = new QTimer(this);
    writeCfgTimer->setSingleShot(true);
    portStatusTimer = new QTimer(this);  // a port message held back until the final message has had its time
    portStatusTimer->setSingleShot(true);
    connect(portStatusTimer, &QTimer::timeout, this, &Quorvel::showPendingPortStatus);

    fillComPortCombo();
    loadSettings();
    initErrStrMap();
    initAnswerTimeout();
    initReadCfgCmds();
    initWriteCfgCmds();
    initCmdCompleter();
    initLogTable();

    // The configuration fields take their limits from the field table (initCfgFieldChecks).
    ui.lineEdit_regular_time->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));

    connect(regularSendTimer, &QTimer::timeout, this, &Quorvel::on_pushButton_send_clicked);
    connect(readCfgTimer, &QTimer::timeout, this, &Quorvel::readCfgTimeout);
    connect(writeCfgTimer, &QTimer::timeout, this, &Quorvel::writeCfgTimeout);
    connect(langButton, &QPushButton::clicked, this, &Quorvel::langSwitch);
    connect(stationButton, &QPushButton::clicked, this, &Quorvel::openStation);
    initCfgFieldChecks();
    fitValueWidgets();
    // Plain "OK" and "ERR=" answers to anything, a control button or a typed
    // command, show in the status bar for the whole run.
    connect(this, &Quorvel::recvNewLine, this, &Quorvel::commonRspProc);

    resetCfgWidgets();
    loadCatalogue(langButton->text() != QLatin1String(englishButtonText));
    retranslate();
    statusBar()->showMessage(tr("Ready"), 5000);
}

Quorvel::~Quorvel()
{
    QCoreApplication::removeTranslator(translator);
    QCoreApplication::removeTranslator(qtTranslator);
    delete translator;
    delete qtTranslator;
    delete settings;
}

// The information fields are wide enough for a MAC address or an IP address
// and show the start of a longer value, with the whole of it as tooltip; the
// counters hold twelve digits at a width of their own, so that a growing
// count never moves the rest of their row.
void Quorvel::fitValueWidgets()
{
    const QList<QLineEdit *> info{ui.lineEdit_deviceSoftwareVer, ui.lineEdit_device_mac, ui.lineEdit_wifi_mode,
                                  ui.lineEdit_net_state, ui.lineEdit_ip, ui.lineEdit_ip_gatway,
                                  ui.lineEdit_ip_mask};
    for (QLineEdit *edit : info) {
        // Read-only, not disabled: the text stays legible and can be
        // selected and copied (a MAC address into a label or a spreadsheet).
        edit->setEnabled(true);
        edit->setReadOnly(true);
        // What QLineEdit's own size hint adds around its text: side margins
        // of 2, text and contents margins, the cursor, then the style's frame.
        const QMargins text = edit->textMargins();
        const QMargins contents = edit->contentsMargins();
        const int inner = edit->fontMetrics().horizontalAdvance(QStringLiteral("AC:CF:23:5A:10:7E")) + 2 * 2 + 1
                          + text.left() + text.right() + contents.left() + contents.right();
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
        const int width = edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(inner, 20), edit).width();
        edit->setFixedWidth(qMax(110, width));
        connect(edit, &QLineEdit::textChanged, edit, [edit](const QString &value) {
            edit->setCursorPosition(0);
            edit->setToolTip(value);
        });
    }
    // Selectors whose items change with the language take the width of the
    // items on screen, not of those shown first ("STA" is narrower than "AP模式").
    for (QComboBox *box : {ui.comboBox_wifi_mode, ui.comboBox_ip_mode, ui.comboBox_TP_S_C})
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (QLabel *counter : {ui.label_sendCnt, ui.label_recvCnt}) {
        const int width = counter->fontMetrics().horizontalAdvance(QStringLiteral("000000000000")) + 4;
        counter->setFixedWidth(qMax(60, width));
    }
}

void Quorvel::installTranslator()
{
    QCoreApplication::installTranslator(qtTranslator);
    QCoreApplication::installTranslator(translator);
}

// The program's catalogue, and Qt's own for the Chinese interface (the
// buttons of a question, the file dialogs); English is Qt's source language.
void Quorvel::loadCatalogue(bool english)
{
    (void)translator->load(english ? QStringLiteral(":/Quorvel/en_lang")
                                   : QStringLiteral(":/Quorvel/cn_lang"));
    if (english)
        (void)qtTranslator->load(QString());   // unloads
    else
        (void)qtTranslator->load(QStringLiteral(":/Quorvel/qtbase_zh_CN"));
}

void Quorvel::retranslate()
{
    // retranslateUi sets every form text again, the counters and the open
    // button's caption among them; those show state, so keep it.
    const QString sent = ui.label_sendCnt->text();
    const QString received = ui.label_recvCnt->text();
    ui.retranslateUi(this);
    ui.label_sendCnt->setText(sent);
    ui.label_recvCnt->setText(received);
    ui.pushButton_openCom->setText(serialLink.isOpen() ? tr("关闭") : tr("打开"));
    stationButton->setText(tr("量产"));
}

// The station is a window of its own; one at a time, kept while open.
void Quorvel::openStation()
{
    if (!stationWindow) {
        stationWindow = new StationWindow(QCoreApplication::applicationFilePath());
        stationWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    stationWindow->show();
    stationWindow->raise();
    stationWindow->activateWindow();
}

void Quorvel::langSwitch()
{
    if (langButton->text() == QLatin1String(englishButtonText)) {
        loadCatalogue(true);
        langButton->setText(tr("中文"));
    } else {
        loadCatalogue(false);
        langButton->setText(tr("English"));
    }
    retranslate();
    retranslateStatus();
}

// Every field of the table back to its default: texts empty, selectors and
// check boxes at their reset values; the Wi-Fi role keeps what it shows.
void Quorvel::resetCfgWidgets()
{
    forgetReadProblems();
    for (const cfgfields::Field &f : cfgfields::all()) {
        QWidget *widget = cfgWidget(f.widget);
        if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
            edit->clear();
        } else if (auto *check = qobject_cast<QCheckBox *>(widget)) {
            check->setChecked(f.reset == 1);
        } else if (auto *box = qobject_cast<QComboBox *>(widget)) {
            if (f.reset < 0)
                continue;
            if (box == ui.comboBox_defaultWorkMode) {
                if (verifyingWrite)
                    continue;
                // A reset never talks to the module: the read sequence sends its
                // first query right after it and takes the next answer as that
                // query's, so an "AT+ATTP=0" acknowledgement would shift every
                // answer. The box then shows no choice: no read learns it.
                const QSignalBlocker quiet(box);
                box->setCurrentIndex(f.reset);
                workModeChosen = false;
                continue;
            }
            box->setCurrentIndex(f.reset);
        }
    }
}

void Quorvel::loadSettings()
{
    settings->beginGroup(QStringLiteral("LANG"));
    langButton->setText(storedText(settings, "lang", QLatin1String(englishButtonText)));
    settings->endGroup();

    settings->beginGroup(QStringLiteral("pos&size"));
    QPoint pos = settings->value(QStringLiteral("pos"), QPoint(100, 50)).toPoint();
    const QSize size = settings->value(QStringLiteral("size"), QSize(1200, 550)).toSize();
    const bool isMax = settings->value(QStringLiteral("isMax"), false).toBool();
    settings->endGroup();
    if (isMax) {
        showMaximized();
    } else {
        resize(size);
        // A monitor that has gone away must not take the window with it.
        if (!titleOnSomeScreen(pos, size))
            pos = QPoint(100, 50);
        move(pos);
    }

    settings->beginGroup(QStringLiteral("comSettings"));
    const QString comPort = storedText(settings, "comPort", QString());
    const int found = ui.comboBox_comPort->findText(comPort, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found > 0) {
        ui.comboBox_comPort->setCurrentIndex(found);
    } else if (found < 0 && !comPort.isEmpty()) {
        // A port the system does not list now (an adapter not plugged in
        // yet, a pseudo-terminal, a link under /dev/serial/by-id) comes back
        // as typed text, and is remembered as it was at close.
        ui.comboBox_comPort->setEditText(comPort);
    }
    ui.comboBox_bps->setCurrentIndex(storedIndex(settings, "bps", 5, ui.comboBox_bps));
    ui.comboBox_dataBit->setCurrentIndex(storedIndex(settings, "dataBit", 3, ui.comboBox_dataBit));
    ui.comboBox_parBit->setCurrentIndex(storedIndex(settings, "parBit", 0, ui.comboBox_parBit));
    ui.comboBox_stopBit->setCurrentIndex(storedIndex(settings, "stopBit", 0, ui.comboBox_stopBit));
    // Only a plain "false" (or 0) turns reconnecting off; anything unreadable leaves it on.
    const QString autoReconnect = storedText(settings, "autoReconnect", QString()).trimmed().toLower();
    ui.checkBox_autoReconnect->setChecked(autoReconnect != QLatin1String("false") && autoReconnect != QLatin1String("0"));
    ui.comboBox_encoding->setCurrentText(wiretext::name(wiretext::fromName(storedText(settings, "encoding", QString()))));
    // Only a plain "false" (or 0) turns the list of changes or the verify off.
    const auto onUnlessOff = [this](const char *key) {
        const QString value = storedText(settings, key, QString()).trimmed().toLower();
        return value != QLatin1String("false") && value != QLatin1String("0");
    };
    confirmWriteSetting = onUnlessOff("confirmWrite");
    ui.checkBox_verifyWrite->setChecked(onUnlessOff("verifyWrite"));
    {
        bool ok = false;
        const int rows = settings->value(QStringLiteral("logMaxRows"), logMaxRows).toInt(&ok);
        if (ok && rows >= 1000 && rows <= 10000000)
            logMaxRows = rows;
    }
    settings->endGroup();

    settings->beginGroup(QStringLiteral("consoleSettings"));
    ui.lineEdit_cmd->insert(storedText(settings, "cmd_line", QStringLiteral("AT")));
    ui.lineEdit_regular_time->setText(storedText(settings, "regularly_send_time", QString()));
    ui.checkBox_timestamp->setChecked(settings->value(QStringLiteral("timestamp"), false).toBool());
    ui.checkBox_hexView->setChecked(settings->value(QStringLiteral("hexView"), false).toBool());
    ui.checkBox_hexSend->setChecked(settings->value(QStringLiteral("hexSend"), false).toBool());
    const QStringList history = settings->value(QStringLiteral("history")).toStringList();
    cmdHistory = history.mid(qMax(0, int(history.size()) - 100));
    historyPos = int(cmdHistory.size());
    settings->endGroup();
}

void Quorvel::saveSettings()
{
    settings->beginGroup(QStringLiteral("LANG"));
    settings->setValue(QStringLiteral("lang"), langButton->text());
    settings->endGroup();

    settings->beginGroup(QStringLiteral("pos&size"));
    settings->setValue(QStringLiteral("pos"), pos());
    settings->setValue(QStringLiteral("size"), size());
    settings->setValue(QStringLiteral("isMax"), isMaximized());
    settings->endGroup();

    settings->beginGroup(QStringLiteral("comSettings"));
    settings->setValue(QStringLiteral("comPort"), comPortToRemember());
    settings->setValue(QStringLiteral("bps"), ui.comboBox_bps->currentIndex());
    settings->setValue(QStringLiteral("dataBit"), ui.comboBox_dataBit->currentIndex());
    settings->setValue(QStringLiteral("stopBit"), ui.comboBox_stopBit->currentIndex());
    settings->setValue(QStringLiteral("parBit"), ui.comboBox_parBit->currentIndex());
    settings->setValue(QStringLiteral("autoReconnect"), ui.checkBox_autoReconnect->isChecked());
    settings->setValue(QStringLiteral("encoding"), ui.comboBox_encoding->currentText());
    settings->setValue(QStringLiteral("logMaxRows"), logMaxRows);
    settings->setValue(QStringLiteral("confirmWrite"), confirmWriteSetting);
    settings->setValue(QStringLiteral("verifyWrite"), ui.checkBox_verifyWrite->isChecked());
    settings->endGroup();

    settings->beginGroup(QStringLiteral("consoleSettings"));
    settings->setValue(QStringLiteral("cmd_line"), ui.lineEdit_cmd->text());
    settings->setValue(QStringLiteral("regularly_send_time"), ui.lineEdit_regular_time->text());
    settings->setValue(QStringLiteral("timestamp"), ui.checkBox_timestamp->isChecked());
    settings->setValue(QStringLiteral("hexView"), ui.checkBox_hexView->isChecked());
    settings->setValue(QStringLiteral("hexSend"), ui.checkBox_hexSend->isChecked());
    settings->setValue(QStringLiteral("history"), cmdHistory);
    settings->endGroup();

    settings->sync();
    // Said once a run, with the file and the reason; a batch run gets one line.
    if (settings->status() == QSettings::NoError || settingsProblemSaid)
        return;
    settingsProblemSaid = true;
    QString why = fileWriteProblem(settings->fileName());
    if (why.isEmpty())
        why = settings->status() == QSettings::FormatError ? QStringLiteral("format error") : QStringLiteral("access error");
    const QString text = tr("设置不能保存到 %1（%2）").arg(QFileInfo(settings->fileName()).absoluteFilePath(), why);
    if (batchRun)
        printStep(text);
    else
        warnUser(text);
}

void Quorvel::closeEvent(QCloseEvent *event)
{
    saveSettings();
    event->accept();
}
