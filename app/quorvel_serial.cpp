// The window's side of the serial link: the port list, the open button and
// its lamp, the line settings boxes, the counters and what the status bar
// says. The port itself, the framing and the reconnect are serialLink's.
#include "app/quorvel.h"

#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

#include "app/commandline.h"
#include "app/consoletab.h"
#include "app/outcometext.h"

// Start-up: the port list, and what keeps it and a lost port up to date.
void Quorvel::fillComPortCombo()
{
    connectSerialLink();
    connect(ui.checkBox_autoReconnect, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            serialLink.stopAwaiting();
    });
    // Picking the item that is already current, or Enter on its text, leaves
    // the index alone; with a typed path open it must switch all the same.
    connect(ui.comboBox_comPort, &QComboBox::activated, this, &Quorvel::comPortActivated);
    // Reading the system's port list takes milliseconds of every start: it
    // is read as soon as the window is up (or when a port is opened first).
    // Until then the box holds the remembered or given port as text.
    QTimer::singleShot(0, ui.comboBox_comPort, &PortComboBox::listOnce);
}

void Quorvel::getComSetting(PortSettings &comSetting)
{
    baudRateForIndex(ui.comboBox_bps->currentIndex(), &comSetting.BaudRate);
    dataBitsForIndex(ui.comboBox_dataBit->currentIndex(), &comSetting.DataBits);
    parityForIndex(ui.comboBox_parBit->currentIndex(), &comSetting.Parity);
    stopBitsForIndex(ui.comboBox_stopBit->currentIndex(), &comSetting.StopBits);
    comSetting.FlowControl = QSerialPort::NoFlowControl;
    comSetting.Timeout_Millisec = 500;
}

// What the window does with the link's signals. The reconnect says where
// it stands in the status bar; received lines go to the log and then to
// whoever listens to recvNewLine.
void Quorvel::connectSerialLink()
{
    connect(&serialLink, &SerialLink::opened, this, [this] { on_comPortToggle(true); });
    connect(&serialLink, &SerialLink::closed, this, [this] {
        if (cfgLink == &serialLink)
            cfgForm->setModuleValues({});   // the next module on this port may be another one
        on_comPortToggle(false);
    });
    connect(&serialLink, &SerialLink::lost, this, [this] { comPortLost(&serialLink); });
    connect(&serialLink, &SerialLink::notice, this, [this](const QString &text, int ms) { statusLine->showPort(text, ms); });
    connect(&serialLink, &SerialLink::traffic, this,
            [this](SerialLink::Direction direction, const QByteArray &bytes, qint64 msecs) {
                if (direction == SerialLink::Direction::Sent) {
                    logModel.countSent(bytes.size());
                    if (cfgLink == &serialLink)
                        consoleAnswers.sent(bytes, serialLink.held(), cfgAnswerTimeoutMs);
                }
                logBytes(bytes, direction == SerialLink::Direction::Sent ? logSend : logRecv, msecs);
            });
    // Received bytes are counted with the log rows, at the next repaint.
    connect(&serialLink, &SerialLink::bytesRead, &logModel, &ConsoleModel::countReceived);
    connect(&serialLink, &SerialLink::lineReceived, this,
            [this](const QByteArray &, const QString &text, bool) { emit recvNewLine(text); });
    connect(&serialLink, &SerialLink::unterminated, this,
            [this](const QString &hint) { statusBar()->showMessage(hint, 10000); });
}

// The configuration side moves to `link` (the selector names another
// console, or the bound tab closed): its answers, its state and a loss of
// its port now come from there. The selector is off while a read, a write or
// an import runs, so no sequence is under way.
void Quorvel::bindConfiguration(SerialLink *link)
{
    if (link == cfgLink)
        return;
    if (cfgLink != &serialLink)
        disconnect(cfgLink, nullptr, this, nullptr);
    cfgLink = link;
    cfgForm->setModuleValues({});   // another port, maybe another module
    if (link != &serialLink) {
        connect(link, &SerialLink::lineReceived, this, [this](const QByteArray &, const QString &text, bool) {
            cfgSessionLine(text);
            commonRspProc(text);
        });
        connect(link, &SerialLink::traffic, this,
                [this, link](SerialLink::Direction direction, const QByteArray &bytes, qint64) {
                    if (direction == SerialLink::Direction::Sent)
                        consoleAnswers.sent(bytes, link->held(), cfgAnswerTimeoutMs);
                });
        connect(link, &SerialLink::opened, this, &Quorvel::updateCfgButtons);
        connect(link, &SerialLink::closed, this, [this] {
            cfgForm->setModuleValues({});
            updateCfgButtons();
        });
        connect(link, &SerialLink::lost, this, [this, link] { comPortLost(link); });
    }
    updateCfgButtons();
}

// The reason stays on screen with the box, not only behind it.
void Quorvel::comPortFailed(const QString &portText, const QString &why)
{
    statusBar()->showMessage(why, 10000);
    reportFailure({Outcome::Action::OpenPort, Outcome::End::Failed}, tr("Can not open %1").arg(portText), why);
}

// The one open path of the button, a port switch and the command line:
// `portText` with the line settings of the boxes, or the reason in *why.
bool Quorvel::openComPort(const QString &portText, QString *why)
{
    cfgForm->setModuleValues({});   // whatever answers on this port has not been read yet
    PortSettings comSetting;
    getComSetting(comSetting);
    return serialLink.open(portText, comSetting, why);
}

// Opens the port named in the port box; the user asked, so a failure shows the box.
void Quorvel::openChosenPort()
{
    ui.comboBox_comPort->listOnce();
    const QString portText = ui.comboBox_comPort->currentText();
    QString why;
    if (!openComPort(portText, &why)) {
        comPortFailed(portText, why);
        return;
    }
    emit actionEnded({Outcome::Action::OpenPort});
}

// --port and --baud of the command line, as the user's choice in the port boxes.
void Quorvel::takePortChoice(const CommandLine &line)
{
    if (line.baudIndex >= 0)
        ui.comboBox_bps->setCurrentIndex(line.baudIndex);
    if (!line.port.isEmpty()) {
        const int index = ui.comboBox_comPort->findText(line.port, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            ui.comboBox_comPort->setCurrentIndex(index);
        else
            ui.comboBox_comPort->setEditText(line.port);
    }
}

void Quorvel::on_pushButton_openCom_clicked()
{
    serialLink.stopAwaiting();   // the user's own open or close ends a wait
    if (serialLink.isOpen())
        serialLink.close();
    else
        openChosenPort();
}

// What the settings file keeps: the port that was open (or is awaited), not
// text typed into the box without Enter.
QString Quorvel::comPortToRemember() const
{
    return serialLink.isOpen() || serialLink.awaiting() ? serialLink.portText() : ui.comboBox_comPort->currentText();
}

// A port vanished and its link closed it, exactly like the close button.
void Quorvel::comPortLost(SerialLink *link)
{
    // A sequence cannot go on without its port, and a reconnect must not
    // take it up again half-way. Its failure shows for its full time.
    if (link == cfgLink && (readCfgRunning || writeCfgRunning))
        failCfgSequence(QString(), QString(), [port = link->portText()] { return OutcomeText::portLost(port); });
    if (link == cfgLink && readCfgRunning)
        finishReadCfg(false);
    if (link == cfgLink && writeCfgRunning)
        finishWriteCfg(false);
    if (link != &serialLink)
        return;   // another console's tab tells of its own port
    ui.comboBox_comPort->refresh();
    if (ui.checkBox_autoReconnect->isChecked())
        serialLink.awaitReturn();
    else
        statusLine->showPort(tr("串口 %1 已断开，已关闭").arg(serialLink.portText()), 10000);
}

void Quorvel::on_comboBox_comPort_currentIndexChanged(int index)
{
    Q_UNUSED(index);
    if (ui.comboBox_comPort->currentText() != serialLink.portText())
        serialLink.stopAwaiting();   // another port chosen
    if (serialLink.isOpen())
        openChosenPort();
}

void Quorvel::comPortActivated()
{
    if (ui.comboBox_comPort->currentText() == serialLink.portText())
        return;
    serialLink.stopAwaiting();
    if (serialLink.isOpen())
        openChosenPort();
}

// Each box sets its own line setting on the open port.
void Quorvel::applyComSetting()
{
    PortSettings comSetting;
    getComSetting(comSetting);
    serialLink.setSettings(comSetting);
}

void Quorvel::on_comboBox_bps_currentIndexChanged(int index)
{
    Q_UNUSED(index);
    applyComSetting();
}

void Quorvel::on_comboBox_dataBit_currentIndexChanged(int index)
{
    Q_UNUSED(index);
    applyComSetting();
}

void Quorvel::on_comboBox_parBit_currentIndexChanged(int index)
{
    Q_UNUSED(index);
    applyComSetting();
}

void Quorvel::on_comboBox_stopBit_currentIndexChanged(int index)
{
    Q_UNUSED(index);
    applyComSetting();
}

void Quorvel::on_comboBox_encoding_currentIndexChanged(int index)
{
    serialLink.setEncoding(wiretext::fromName(ui.comboBox_encoding->itemText(index)));
}

void Quorvel::on_comPortToggle(bool open)
{
    ConsoleTab::showPort(ui.label_comLed, ui.pushButton_openCom, ui.pushButton_send, open, serialLink.portText());
    updateCfgButtons();
}

void Quorvel::readCom()
{
    serialLink.poll();
}

void Quorvel::comSend(QString sendStr)
{
    serialLink.send(sendStr);
}

// A command of the configuration side, on its port.
void Quorvel::sendCmd(QString cmd)
{
    cfgLink->send(cmd + QStringLiteral("\r\n"));
}
