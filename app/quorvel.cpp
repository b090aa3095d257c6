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

#include "app/consoletabs.h"
#include "protocol/cfgfields.h"
#include "settings/appsettings.h"

namespace {

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

Quorvel::Quorvel(QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
{
    ui.setupUi(this);
    // Renditions scaled at build time from resources/icons/AppIcon.png, at
    // the sizes CMakeLists.txt embeds (QUORVEL_WINDOW_ICON_SIZES). Every
    // rendition is decoded and handed to the window system at each start:
    // with a 256 px one that took 1.1 ms, without it 0.45. Title bars, task
    // bars and switchers draw the window's icon small; launchers take the
    // installed icon theme's, which has 256 px. Their names end in ".png":
    // without a suffix QIcon loads the system's MIME database to learn what
    // the file is, and the image reader tries one suffix after another
    // before it finds the file (2 ms of each start).
    QIcon icon;
    for (int size : {QUORVEL_WINDOW_ICON_SIZES})
        icon.addFile(QStringLiteral(":/Quorvel/AppIcon-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);

    settings = new QSettings(appsettings::filePath(), QSettings::IniFormat);
    langButton = new QPushButton;
    langButton->setObjectName(QStringLiteral("langButton"));
    // The station opens from the status bar, left of the language button.
    stationButton = new QPushButton;
    stationButton->setObjectName(QStringLiteral("pushButton_station"));
    statusBar()->addPermanentWidget(stationButton, 0);
    statusBar()->addPermanentWidget(langButton, 0);

    // The periodic send's timer (the recording's is LogView's).
    regularSendTimer = new QTimer(this);
    // The read, the write and every awaited command go through the one session.
    cfgSession = new ConfigSession(this);
    cfgSession->setSender([this](const QString &cmd) { sendCmd(cmd); });
    connect(cfgSession, &ConfigSession::valuesRead, this, &Quorvel::takeReadValues);
    connect(cfgSession, &ConfigSession::finished, this, &Quorvel::cfgSessionFinished);
    // The first console's lines, while the configuration side works on its
    // port (another console's come from bindConfiguration): a running
    // sequence's answers, and plain "OK" and "ERR=" answers to anything, a
    // control button or a typed command, in the status bar.
    connect(this, &Quorvel::recvNewLine, this, [this](const QString &line) {
        if (cfgLink != &serialLink)
            return;
        cfgSessionLine(line);
        commonRspProc(line);
    });
    statusLine = new StatusLine(statusBar(), ui.label_comLed);

    fillComPortCombo();
    loadSettings();
    initCmdCompleter();
    logView = new LogView(LogView::Widgets::of(ui), logModel, this, statusBar(),
                          [this](const QString &text, int ms) { statusLine->showFinal(text, ms); });
    initCommandPanel();

    // The configuration fields take their limits from the field table (ConfigForm).
    ui.lineEdit_regular_time->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));

    connect(regularSendTimer, &QTimer::timeout, this, &Quorvel::on_pushButton_send_clicked);
    connect(langButton, &QPushButton::clicked, this, &Quorvel::langSwitch);
    connect(stationButton, &QPushButton::clicked, this, &Quorvel::openStation);
    cfgForm = new ConfigForm(this);
    fitValueWidgets();
    // More consoles, for other ports, as tabs beside this one (a child: it
    // saves them as the window closes); the configuration side works on the
    // port of the one its selector names.
    new ConsoleTabs({ui.groupBox_console, ui.gridLayout, ui.comboBox_comPort, &serialLink, logView,
                     ui.label_cfgConsole, ui.comboBox_cfgConsole, [this] { return cfgBusy(); },
                     [this](SerialLink *link) { bindConfiguration(link); }, logModel.maxRows()},
                    *settings, [this](const QString &text, int ms) { statusLine->showFinal(text, ms); }, this);

    resetCfgWidgets();
    catalogues.load(language);
    retranslate();
    // Settings an earlier build kept in the working folder were moved into
    // the user's profile at this start: said once, as it happens.
    const appsettings::Move moved = appsettings::movedSettings();
    if (moved.from.isEmpty())
        statusBar()->showMessage(tr("Ready"), 5000);
    else
        statusLine->showFinal([this, moved] { return tr("设置文件已从 %1 移到 %2").arg(moved.from, moved.to); }, 30000);
}

Quorvel::~Quorvel()
{
    // Another console's link outlives this class's members by a moment: it closes with its tab.
    if (cfgLink != &serialLink)
        disconnect(cfgLink, nullptr, this, nullptr);
    delete settings;
}

// The information fields are wide enough for a MAC address or an IP address
// and show the start of a longer value, with the whole of it as tooltip.
// (The log's counters are sized by LogView.)
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
}

void Quorvel::installTranslator()
{
    catalogues.install();
}

void Quorvel::retranslate()
{
    // retranslateUi sets every translatable form text again, the open
    // button's caption among them, which shows the port's state. (The
    // counters' texts are not translated: it leaves them alone.)
    ui.retranslateUi(this);
    ui.pushButton_openCom->setText(serialLink.isOpen() ? tr("关闭") : tr("打开"));
    stationButton->setText(tr("量产"));
    commandPanel->retranslate();
    if (auto *tabs = findChild<ConsoleTabs *>(QString(), Qt::FindDirectChildrenOnly))
        tabs->retranslate();
    // The language button names the language a click switches to.
    langButton->setText(language == Language::English ? tr("中文") : tr("English"));
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
    language = language == Language::English ? Language::Chinese : Language::English;
    catalogues.load(language);
    retranslate();
    statusLine->retranslate();
}

// Every field of the table back to its default: texts empty, selectors and
// check boxes at their reset values; the Wi-Fi role keeps what it shows.
void Quorvel::resetCfgWidgets()
{
    cfgForm->forgetReadProblems();
    for (const cfgfields::Field &f : cfgfields::all()) {
        QWidget *widget = cfgForm->widget(f.widget);
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
    using appsettings::Key;
    language = appsettings::language(*settings);

    QPoint pos = appsettings::value(*settings, Key::Pos).toPoint();
    const QSize size = appsettings::value(*settings, Key::Size).toSize();
    if (appsettings::value(*settings, Key::IsMax).toBool()) {
        showMaximized();
    } else {
        resize(size);
        // A monitor that has gone away must not take the window with it.
        if (!titleOnSomeScreen(pos, size))
            pos = appsettings::entry(Key::Pos).fallback.toPoint();
        move(pos);
    }

    // The port list is read once the window is up: it takes the remembered
    // port to its item, or keeps it as typed text when the system does not
    // list it now (an adapter not plugged in yet, a pseudo-terminal, a link
    // under /dev/serial/by-id), remembered as it was at close.
    ui.comboBox_comPort->setEditText(appsettings::text(*settings, Key::ComPort));
    ui.comboBox_bps->setCurrentIndex(appsettings::index(*settings, Key::Bps, ui.comboBox_bps->count()));
    ui.comboBox_dataBit->setCurrentIndex(appsettings::index(*settings, Key::DataBit, ui.comboBox_dataBit->count()));
    ui.comboBox_parBit->setCurrentIndex(appsettings::index(*settings, Key::ParBit, ui.comboBox_parBit->count()));
    ui.comboBox_stopBit->setCurrentIndex(appsettings::index(*settings, Key::StopBit, ui.comboBox_stopBit->count()));
    ui.checkBox_autoReconnect->setChecked(appsettings::onUnlessOff(*settings, Key::AutoReconnect));
    ui.comboBox_encoding->setCurrentText(wiretext::name(wiretext::fromName(appsettings::text(*settings, Key::Encoding))));
    confirmWriteSetting = appsettings::onUnlessOff(*settings, Key::ConfirmWrite);
    ui.checkBox_verifyWrite->setChecked(appsettings::onUnlessOff(*settings, Key::VerifyWrite));
    logModel.setMaxRows(appsettings::logMaxRows(*settings));

    ui.lineEdit_cmd->insert(appsettings::text(*settings, Key::CmdLine));
    ui.lineEdit_regular_time->setText(appsettings::text(*settings, Key::RegularTime));
    ui.checkBox_timestamp->setChecked(appsettings::value(*settings, Key::Timestamp).toBool());
    ui.checkBox_hexView->setChecked(appsettings::value(*settings, Key::HexView).toBool());
    ui.checkBox_hexSend->setChecked(appsettings::value(*settings, Key::HexSend).toBool());
    const QStringList history = appsettings::value(*settings, Key::History).toStringList();
    cmdHistory.setLines(history);
}

void Quorvel::saveSettings()
{
    using appsettings::Key;
    const auto store = [this](Key key, const QVariant &value) { appsettings::setValue(*settings, key, value); };
    appsettings::setLanguage(*settings, language);
    store(Key::Pos, pos());
    store(Key::Size, size());
    store(Key::IsMax, isMaximized());
    store(Key::ComPort, comPortToRemember());
    commandPanel->saveSettings(*settings);
    store(Key::Bps, ui.comboBox_bps->currentIndex());
    store(Key::DataBit, ui.comboBox_dataBit->currentIndex());
    store(Key::StopBit, ui.comboBox_stopBit->currentIndex());
    store(Key::ParBit, ui.comboBox_parBit->currentIndex());
    store(Key::AutoReconnect, ui.checkBox_autoReconnect->isChecked());
    store(Key::Encoding, ui.comboBox_encoding->currentText());
    store(Key::LogMaxRows, logModel.maxRows());
    store(Key::ConfirmWrite, confirmWriteSetting);
    store(Key::VerifyWrite, ui.checkBox_verifyWrite->isChecked());
    store(Key::CmdLine, ui.lineEdit_cmd->text());
    store(Key::RegularTime, ui.lineEdit_regular_time->text());
    store(Key::Timestamp, ui.checkBox_timestamp->isChecked());
    store(Key::HexView, ui.checkBox_hexView->isChecked());
    store(Key::HexSend, ui.checkBox_hexSend->isChecked());
    store(Key::History, cmdHistory.lines());

    settings->sync();
    // Said once a run, with the file and the reason.
    if (settings->status() == QSettings::NoError || settingsProblemSaid)
        return;
    settingsProblemSaid = true;
    QString why = fileWriteProblem(settings->fileName());
    if (why.isEmpty())
        why = settings->status() == QSettings::FormatError ? QStringLiteral("format error") : QStringLiteral("access error");
    warnUser(tr("设置不能保存到 %1（%2）").arg(QFileInfo(settings->fileName()).absoluteFilePath(), why));
}

void Quorvel::closeEvent(QCloseEvent *event)
{
    saveSettings();
    event->accept();
}
