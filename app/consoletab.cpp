// A console of its own for one more port; see consoletab.h. The widgets are
// built here as the window's form lays out the first console, and do what
// the first console's do (app/quorvel_serial.cpp, app/quorvel_console.cpp),
// for this tab's link and rows only.
#include "app/consoletab.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSettings>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>
#include <optional>

#include "app/commandline_keys.h"
#include "app/logview.h"
#include "console/consoleset.h"
#include "serial/portcombobox.h"
#include "serial/portsettings.h"
#include "settings/appsettings.h"

namespace {

// The texts of the window's code: its catalogue translates them in the "Quorvel" context.
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Quorvel)
};

// The tab's choices in its settings group, each read and written from this
// one row: its key, the widget that shows it, how it is kept, and the
// window's setting whose default it takes.
enum class Kind {
    Port,          // the port box's text (the open port's, see portText())
    Index,         // a combo box's index, within its list
    Encoding,      // the wire encoding's name
    Switch,        // a check box, off unless stored on
    OnUnlessOff,   // a check box that only a plain "false" (or 0) turns off
    Text,          // a line edit's text
    History,       // the command line's lines sent before, oldest first
};

struct Choice
{
    const char *key;
    const char *widget;
    Kind kind;
    appsettings::Key defaultOf;
};

const Choice choices[] = {
    {"port", "comboBox_comPort", Kind::Port, appsettings::Key::ComPort},
    {"bps", "comboBox_bps", Kind::Index, appsettings::Key::Bps},
    {"dataBit", "comboBox_dataBit", Kind::Index, appsettings::Key::DataBit},
    {"parBit", "comboBox_parBit", Kind::Index, appsettings::Key::ParBit},
    {"stopBit", "comboBox_stopBit", Kind::Index, appsettings::Key::StopBit},
    {"encoding", "comboBox_encoding", Kind::Encoding, appsettings::Key::Encoding},
    {"autoReconnect", "checkBox_autoReconnect", Kind::OnUnlessOff, appsettings::Key::AutoReconnect},
    {"timestamp", "checkBox_timestamp", Kind::Switch, appsettings::Key::Timestamp},
    {"hexView", "checkBox_hexView", Kind::Switch, appsettings::Key::HexView},
    {"hexSend", "checkBox_hexSend", Kind::Switch, appsettings::Key::HexSend},
    {"cmd_line", "lineEdit_cmd", Kind::Text, appsettings::Key::CmdLine},
    {"regularly_send_time", "lineEdit_regular_time", Kind::Text, appsettings::Key::RegularTime},
    {"history", "lineEdit_cmd", Kind::History, appsettings::Key::History},
};

template <class W>
W *named(QWidget *parent, const char *name)
{
    auto *widget = new W(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QComboBox *box(QWidget *parent, const char *name, const QStringList &items)
{
    auto *combo = named<QComboBox>(parent, name);
    combo->addItems(items);
    return combo;
}

} // namespace

ConsoleTab::ConsoleTab(QWidget *parent)
    : QWidget(parent)
{
    buildWidgets();
    regularSendTimer = new QTimer(this);
    connectLink();
    connectWidgets();
    takeChoices(nullptr);
    retranslate();
    // As in the window: the system's port list is read once the tab is up,
    // and until then the box keeps a given port as text.
    QTimer::singleShot(0, ui.comboBox_comPort, &PortComboBox::listOnce);
}

ConsoleTab::~ConsoleTab()
{
    // The port closes without a word: nothing of this tab is left to show one.
    serialLink.disconnect(this);
    serialLink.close();
    delete view;   // a recording writes out its last rows now, while the rows' model lives
}

void ConsoleTab::buildWidgets()
{
    ui.label_comLed = named<QLabel>(this, "label_comLed");
    ui.label_comLed->setFixedSize(20, 20);
    ui.label_comLed->setScaledContents(true);
    ui.comboBox_comPort = named<PortComboBox>(this, "comboBox_comPort");
    ui.comboBox_comPort->setEditable(true);
    ui.comboBox_comPort->setMinimumWidth(170);
    ui.pushButton_openCom = named<QPushButton>(this, "pushButton_openCom");
    ui.label_bps = named<QLabel>(this, "label_bps");
    ui.label_stopBit = named<QLabel>(this, "label_stopBit");
    ui.label_dataBit = named<QLabel>(this, "label_dataBit");
    ui.label_parBit = named<QLabel>(this, "label_parBit");
    ui.label_encoding = named<QLabel>(this, "label_encoding");
    // The items of the window's form; serial/portsettings.h turns their indices into settings.
    ui.comboBox_bps = box(this, "comboBox_bps", {"4800", "9600", "19200", "38400", "76800", "115200", "128000", "256000"});
    ui.comboBox_stopBit = box(this, "comboBox_stopBit", {"1", "2"});
    ui.comboBox_dataBit = box(this, "comboBox_dataBit", {"5", "6", "7", "8"});
    ui.comboBox_parBit = box(this, "comboBox_parBit", {"None", "Even", "Odd"});
    ui.comboBox_encoding = box(this, "comboBox_encoding", {wiretext::name(wiretext::Encoding::Utf8),
                                                           wiretext::name(wiretext::Encoding::Gbk)});

    ui.checkBox_regulerSend = named<QCheckBox>(this, "checkBox_regulerSend");
    ui.lineEdit_regular_time = named<QLineEdit>(this, "lineEdit_regular_time");
    ui.lineEdit_regular_time->setFixedWidth(70);
    ui.lineEdit_regular_time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui.lineEdit_regular_time->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), ui.lineEdit_regular_time));
    ui.checkBox_autoReconnect = named<QCheckBox>(this, "checkBox_autoReconnect");
    ui.checkBox_hexSend = named<QCheckBox>(this, "checkBox_hexSend");
    ui.pushButton_send = named<QPushButton>(this, "pushButton_send");
    ui.pushButton_send->setEnabled(false);
    ui.lineEdit_cmd = named<QLineEdit>(this, "lineEdit_cmd");

    ui.pushButton_clearLog = named<QPushButton>(this, "pushButton_clearLog");
    static_cast<LogView::Widgets &>(ui) = LogView::Widgets::make(this);

    // No status bar of its own: passing notes and final messages both go out
    // as statusMessage. Its find keys act while the focus is in this tab.
    view = new LogView(ui, logModel, this, nullptr, [this](const QString &text, int ms) { say(text, ms); });

    // The port and its line settings, as the first console's grid.
    auto *portGrid = new QGridLayout;
    portGrid->addWidget(ui.label_comLed, 0, 0);
    portGrid->addWidget(ui.comboBox_comPort, 0, 1);
    portGrid->addWidget(ui.pushButton_openCom, 0, 3);
    portGrid->addWidget(ui.label_bps, 1, 0);
    portGrid->addWidget(ui.comboBox_bps, 1, 1);
    portGrid->addWidget(ui.label_stopBit, 1, 2);
    portGrid->addWidget(ui.comboBox_stopBit, 1, 3);
    portGrid->addWidget(ui.label_dataBit, 2, 0);
    portGrid->addWidget(ui.comboBox_dataBit, 2, 1);
    portGrid->addWidget(ui.label_parBit, 2, 2);
    portGrid->addWidget(ui.comboBox_parBit, 2, 3);
    portGrid->addWidget(ui.label_encoding, 3, 0);
    portGrid->addWidget(ui.comboBox_encoding, 3, 1);
    auto *portRow = new QHBoxLayout;
    portRow->addLayout(portGrid);
    portRow->addStretch();
    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto *options = new QGridLayout;
    options->addWidget(ui.checkBox_regulerSend, 0, 0);
    options->addWidget(ui.lineEdit_regular_time, 0, 1);
    options->addWidget(new QLabel(QStringLiteral("ms"), this), 0, 2);
    options->addWidget(ui.checkBox_logAutoScroll, 1, 0);
    options->addWidget(ui.checkBox_autoReconnect, 1, 1);
    options->addWidget(ui.checkBox_timestamp, 2, 0);
    options->addWidget(ui.checkBox_hexView, 2, 1);
    options->addWidget(ui.checkBox_hexSend, 2, 2);
    options->setColumnStretch(3, 1);

    auto *sendRow = new QHBoxLayout;
    sendRow->addWidget(ui.pushButton_send);
    sendRow->addWidget(ui.lineEdit_cmd, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(portRow);
    layout->addWidget(line);
    layout->addLayout(options);
    layout->addLayout(sendRow);
    layout->addLayout(view->counterRow(ui.pushButton_clearLog));
    layout->addWidget(ui.widget_find);
    layout->addWidget(ui.tableWidget_log, 1);
}

// What the link says goes to this tab's rows, counters, lamp and messages.
void ConsoleTab::connectLink()
{
    connect(&serialLink, &SerialLink::opened, this, &ConsoleTab::showPortState);
    connect(&serialLink, &SerialLink::closed, this, &ConsoleTab::showPortState);
    connect(&serialLink, &SerialLink::lost, this, &ConsoleTab::portLost);
    connect(&serialLink, &SerialLink::notice, this, &ConsoleTab::statusMessage);
    connect(&serialLink, &SerialLink::unterminated, this, [this](const QString &hint) { say(hint); });
    connect(&serialLink, &SerialLink::traffic, this,
            [this](SerialLink::Direction direction, const QByteArray &bytes, qint64 msecs) {
                const bool sent = direction == SerialLink::Direction::Sent;
                if (sent)
                    logModel.countSent(bytes.size());
                logModel.append(bytes, sent, msecs, serialLink.encoding());
                view->record(bytes, sent, msecs, serialLink.encoding());
            });
    // Received bytes are counted with the log rows, at the next repaint.
    connect(&serialLink, &SerialLink::bytesRead, &logModel, &ConsoleModel::countReceived);
}

void ConsoleTab::connectWidgets()
{
    connect(ui.pushButton_openCom, &QPushButton::clicked, this, [this] {
        serialLink.stopAwaiting();   // the technician's own open or close ends a wait
        if (serialLink.isOpen())
            serialLink.close();
        else
            openChosenPort();
    });
    connect(ui.comboBox_comPort, &QComboBox::currentIndexChanged, this, [this] {
        if (ui.comboBox_comPort->currentText() != serialLink.portText())
            serialLink.stopAwaiting();   // another port chosen
        if (serialLink.isOpen())
            openChosenPort();
        notePort();
    });
    // Picking the item that is already current, or Enter on its text, leaves
    // the index alone; with a typed path open it must switch all the same.
    connect(ui.comboBox_comPort, &QComboBox::activated, this, &ConsoleTab::portPicked);
    // Each box sets its own line setting on the open port.
    for (QComboBox *setting : {ui.comboBox_bps, ui.comboBox_dataBit, ui.comboBox_parBit, ui.comboBox_stopBit})
        connect(setting, &QComboBox::currentIndexChanged, this, [this] { serialLink.setSettings(lineSettings()); });
    connect(ui.comboBox_encoding, &QComboBox::currentTextChanged, this,
            [this](const QString &name) { serialLink.setEncoding(wiretext::fromName(name)); });
    connect(ui.checkBox_autoReconnect, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            serialLink.stopAwaiting();
    });
    connect(ui.pushButton_send, &QPushButton::clicked, this, [this] { sendLine(true); });
    commandlinekeys::install(ui.lineEdit_cmd, &history, [this] { sendLine(true); });
    connect(ui.pushButton_clearLog, &QPushButton::clicked, this, [this] {
        // Rows not shown yet were logged before the click: they go too.
        logModel.clear();
        view->cleared();
    });
    connect(ui.checkBox_regulerSend, &QCheckBox::toggled, this, &ConsoleTab::periodicSending);
    connect(regularSendTimer, &QTimer::timeout, this, [this] { sendLine(false); });
}

QString ConsoleTab::portText() const
{
    // The port that is open or awaited, not text typed into the box since.
    return serialLink.isOpen() || serialLink.awaiting() ? serialLink.portText() : ui.comboBox_comPort->currentText();
}

void ConsoleTab::setPortText(const QString &text)
{
    const int index = ui.comboBox_comPort->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        ui.comboBox_comPort->setCurrentIndex(index);
    else
        ui.comboBox_comPort->setEditText(text);
    notePort();
}

PortSettings ConsoleTab::lineSettings() const
{
    PortSettings settings;
    baudRateForIndex(ui.comboBox_bps->currentIndex(), &settings.BaudRate);
    dataBitsForIndex(ui.comboBox_dataBit->currentIndex(), &settings.DataBits);
    parityForIndex(ui.comboBox_parBit->currentIndex(), &settings.Parity);
    stopBitsForIndex(ui.comboBox_stopBit->currentIndex(), &settings.StopBits);
    return settings;
}

bool ConsoleTab::openPort(QString *why)
{
    ui.comboBox_comPort->listOnce();
    QString reason;
    const bool opened = serialLink.open(ui.comboBox_comPort->currentText(), lineSettings(), &reason);
    if (why)
        *why = reason;
    return opened;
}

void ConsoleTab::closePort()
{
    serialLink.stopAwaiting();
    serialLink.close();
}

// The technician asked: a port that cannot be opened says why.
void ConsoleTab::openChosenPort()
{
    QString why;
    if (!openPort(&why))
        say(why);
}

void ConsoleTab::portPicked()
{
    if (ui.comboBox_comPort->currentText() == serialLink.portText())
        return;
    serialLink.stopAwaiting();
    if (serialLink.isOpen())
        openChosenPort();
    notePort();
}

// The port vanished and the link closed it: awaited when auto-reconnect is
// on (the link says so), else said. The box's list loses it too.
void ConsoleTab::portLost()
{
    ui.comboBox_comPort->refresh();
    if (ui.checkBox_autoReconnect->isChecked())
        serialLink.awaitReturn();
    else
        say(Words::tr("串口 %1 已断开，已关闭").arg(serialLink.portText()));
}

void ConsoleTab::showPort(QLabel *lamp, QPushButton *openButton, QPushButton *send, bool open, const QString &port)
{
    openButton->setText(open ? Words::tr("关闭") : Words::tr("打开"));
    const QPixmap picture(open ? QStringLiteral(":/Quorvel/comGreenLed") : QStringLiteral(":/Quorvel/comGrayLed"));
    lamp->setPixmap(picture.scaled(25, 25, Qt::KeepAspectRatioByExpanding, Qt::FastTransformation));
    lamp->setToolTip(open ? Words::tr("串口 %1 已打开").arg(port) : Words::tr("串口已关闭"));
    send->setEnabled(open);
}

void ConsoleTab::showPortState()
{
    showPort(ui.label_comLed, ui.pushButton_openCom, ui.pushButton_send, serialLink.isOpen(), serialLink.portText());
    notePort();
}

void ConsoleTab::notePort()
{
    const QString now = portText();
    if (now == announcedPort)
        return;
    announcedPort = now;
    emit portChanged(now);
}

// Text goes out with CR LF when the wire encoding has bytes for all of it,
// hex exactly as its byte pairs; a refused line sends nothing and says why.
// `asked`: the Send button or Enter, rather than the periodic send, which
// passes its turns silently while the port is closed.
void ConsoleTab::sendLine(bool asked)
{
    if (!serialLink.isOpen()) {
        if (asked)
            say(Words::tr("请先打开串口"));
        return;
    }
    // The window's read or write works on this port: a line in between
    // would be answered in place of its commands. Periodic sending skips
    // its turns meanwhile.
    if (serialLink.held()) {
        if (asked)
            say(Words::tr("正在读写模块的配置，控制台暂不发送"));
        return;
    }
    const QString line = ui.lineEdit_cmd->text();
    QString why;
    const std::optional<QByteArray> bytes =
        ConsoleSet::lineToSend(line, ui.checkBox_hexSend->isChecked(), true, serialLink.encoding(), &why);
    if (!bytes) {
        say(why);
        return;
    }
    history.remember(line);
    serialLink.sendBytes(*bytes);
}

void ConsoleTab::periodicSending(bool on)
{
    if (!on) {
        regularSendTimer->stop();
        ui.lineEdit_regular_time->setEnabled(true);
        return;
    }
    const std::optional<int> period = ConsoleSet::sendPeriod(ui.lineEdit_regular_time->text());
    if (!period) {
        say(Words::tr("定时时间错误"));
        ui.checkBox_regulerSend->setChecked(false);
        return;
    }
    regularSendTimer->start(*period);
    ui.lineEdit_regular_time->setEnabled(false);
}

void ConsoleTab::saveSettings(QSettings &settings) const
{
    for (const Choice &choice : choices) {
        QWidget *widget = findChild<QWidget *>(QLatin1String(choice.widget));
        QVariant value;
        switch (choice.kind) {
        case Kind::Port:
            value = portText();
            break;
        case Kind::Index:
            value = static_cast<QComboBox *>(widget)->currentIndex();
            break;
        case Kind::Encoding:
            value = static_cast<QComboBox *>(widget)->currentText();
            break;
        case Kind::Switch:
        case Kind::OnUnlessOff:
            value = static_cast<QCheckBox *>(widget)->isChecked();
            break;
        case Kind::Text:
            value = static_cast<QLineEdit *>(widget)->text();
            break;
        case Kind::History:
            value = history.lines();
            break;
        }
        settings.setValue(QLatin1String(choice.key), value);
    }
}

void ConsoleTab::loadSettings(const QSettings &settings)
{
    takeChoices(&settings);
}

// The choices stored in `settings`, or the defaults when it is null. A value
// that is missing or damaged (an index past its list) reads as the default,
// with the rules the window applies to its own keys.
void ConsoleTab::takeChoices(const QSettings *settings)
{
    for (const Choice &choice : choices) {
        const QVariant fallback = appsettings::entry(choice.defaultOf).fallback;
        const QVariant stored = settings ? settings->value(QLatin1String(choice.key), fallback) : fallback;
        // An unquoted text with commas, in a hand-edited file, reads as a list.
        const QString text = stored.metaType().id() == QMetaType::QStringList ? stored.toStringList().join(u',')
                                                                              : stored.toString();
        QWidget *widget = findChild<QWidget *>(QLatin1String(choice.widget));
        switch (choice.kind) {
        case Kind::Port:
            setPortText(text);
            break;
        case Kind::Index: {
            auto *combo = static_cast<QComboBox *>(widget);
            bool ok = false;
            const int index = stored.toInt(&ok);
            combo->setCurrentIndex(ok && index >= 0 && index < combo->count() ? index : fallback.toInt());
            break;
        }
        case Kind::Encoding:
            static_cast<QComboBox *>(widget)->setCurrentText(wiretext::name(wiretext::fromName(text)));
            break;
        case Kind::Switch:
            static_cast<QCheckBox *>(widget)->setChecked(stored.toBool());
            break;
        case Kind::OnUnlessOff: {
            const QString word = text.trimmed().toLower();
            static_cast<QCheckBox *>(widget)->setChecked(word != QLatin1String("false") && word != QLatin1String("0"));
            break;
        }
        case Kind::Text:
            static_cast<QLineEdit *>(widget)->setText(text);
            break;
        case Kind::History:
            history.setLines(stored.toStringList());
            break;
        }
    }
}

void ConsoleTab::retranslate()
{
    // The form's texts, in the context uic gives the window's form: the
    // first console's widgets and this tab's say the same.
    const std::pair<QWidget *, const char *> formTexts[] = {
        {ui.label_bps, QT_TRANSLATE_NOOP("QuorvelClass", "波特率")},
        {ui.label_stopBit, QT_TRANSLATE_NOOP("QuorvelClass", "停止位")},
        {ui.label_dataBit, QT_TRANSLATE_NOOP("QuorvelClass", "数据位")},
        {ui.label_parBit, QT_TRANSLATE_NOOP("QuorvelClass", "校验位")},
        {ui.label_encoding, QT_TRANSLATE_NOOP("QuorvelClass", "编码")},
        {ui.checkBox_regulerSend, QT_TRANSLATE_NOOP("QuorvelClass", "定时发送")},
        {ui.checkBox_logAutoScroll, QT_TRANSLATE_NOOP("QuorvelClass", "自动滚动")},
        {ui.checkBox_autoReconnect, QT_TRANSLATE_NOOP("QuorvelClass", "自动重连")},
        {ui.checkBox_timestamp, QT_TRANSLATE_NOOP("QuorvelClass", "时间戳")},
        {ui.checkBox_hexView, QT_TRANSLATE_NOOP("QuorvelClass", "十六进制显示")},
        {ui.checkBox_hexSend, QT_TRANSLATE_NOOP("QuorvelClass", "十六进制发送")},
        {ui.pushButton_send, QT_TRANSLATE_NOOP("QuorvelClass", "发送")},
        {ui.pushButton_saveLog, QT_TRANSLATE_NOOP("QuorvelClass", "保存日志")},
        {ui.pushButton_recordLog, QT_TRANSLATE_NOOP("QuorvelClass", "记录到文件")},
        {ui.pushButton_clearLog, QT_TRANSLATE_NOOP("QuorvelClass", "清除窗口")},
    };
    for (const auto &[widget, source] : formTexts) {
        const QString text = QCoreApplication::translate("QuorvelClass", source);
        if (auto *label = qobject_cast<QLabel *>(widget))
            label->setText(text);
        else
            static_cast<QAbstractButton *>(widget)->setText(text);
    }
    showPortState();   // the open button and the lamp's tooltip
}
