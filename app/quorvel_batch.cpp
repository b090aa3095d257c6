// The command line's batch runs, --read and --apply: the window's own port,
// read, write, import and export code driven step by step on a window that is
// never shown, one line per step on standard error (the status bar's text
// where it has one) and, for --verify, the differences on standard output.
// Exit status: 0 done, 1 the module failed, 2 usage or file, 3 the port.
#include "app/quorvel.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "app/consoletext.h"
#include "protocol/atanswer.h"

namespace {

enum Exit { Done = 0, ModuleFailed = 1, BadFile = 2, PortFailed = 3 };

} // namespace

// Checks what main() parsed against the rules of the modes and puts --port
// and --baud into the port boxes, as a user's choice would be.
QString Quorvel::takeCommandLine(const QCommandLineParser &parser)
{
    const auto isSet = [&parser](const char *name) { return parser.isSet(QLatin1String(name)); };
    const bool batch = isSet("read") || isSet("apply");
    if (!parser.positionalArguments().isEmpty())
        return tr("多余的参数：%1").arg(parser.positionalArguments().first());
    if (isSet("read") && isSet("apply"))
        return tr("--read 与 --apply 不能同时使用");
    if (batch && !isSet("port"))
        return tr("--read 和 --apply 需要 --port");
    if (batch && isSet("open"))
        return tr("--open 只用于窗口，不能与 --read 或 --apply 同用");
    if (isSet("verify") && !isSet("apply"))
        return tr("--verify 只能与 --apply 同用");
    if (isSet("baud")) {
        const QString baud = parser.value(QStringLiteral("baud"));
        const int index = ui.comboBox_bps->findText(baud, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index < 0)
            return tr("--baud %1：不是串口框中的波特率").arg(baud);
        ui.comboBox_bps->setCurrentIndex(index);
    }
    const QString port = parser.value(QStringLiteral("port"));
    if (!port.isEmpty()) {
        const int index = ui.comboBox_comPort->findText(port, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            ui.comboBox_comPort->setCurrentIndex(index);
        else
            ui.comboBox_comPort->setEditText(port);
    }
    return QString();
}

void Quorvel::printStep(const QString &text)
{
    printConsoleLine(stderr, text);
}

// Starts a sequence as its button does and serves events until it ends.
// 0 done, 1 failed, 2 the window refused to start it (its reason is in the
// status bar).
int Quorvel::waitForSequence(void (Quorvel::*finished)(bool), void (Quorvel::*start)())
{
    QEventLoop loop;
    bool ended = false;
    bool ok = false;
    const auto connection = connect(this, finished, &loop, [&](bool result) {
        ended = true;
        ok = result;
        loop.quit();
    });
    (this->*start)();
    if (!ended && (readCfgRunning || writeCfgRunning))
        loop.exec();
    disconnect(connection);
    printStep(statusBar()->currentMessage());
    if (!ended)
        return BadFile;
    return ok ? Done : ModuleFailed;
}

// What an import sends with the port open (the default work mode) has been
// answered before the import ended; a failure to answer stops the apply.
bool Quorvel::workModeAccepted()
{
    if (!importWorkModeAnswer)
        return true;
    if (importWorkModeAnswer->isEmpty()) {
        printStep(tr("模块没有回答默认工作模式命令"));
        return false;
    }
    if (!atanswer::matchesWhole(atanswer::plainOk(), *importWorkModeAnswer)) {
        // An error answer in the words the window's status bar uses for it.
        const QString error = errAnswerText(*importWorkModeAnswer);
        printStep(error.isEmpty() ? importWorkModeAnswer->trimmed() : error);
        return false;
    }
    printStep(tr("模块已接受默认工作模式"));
    return true;
}

// Compares every field the file set with what the read brought back; the
// work mode is not part of the read, and the addresses of a dynamic IP
// setting are not part of the write. One line per difference on stdout.
int Quorvel::printDifferences(const QList<CfgFileField> &expected)
{
    const auto ipMode = std::find_if(expected.cbegin(), expected.cend(), [](const CfgFileField &f) {
        return f.field == QLatin1String("ip_mode");
    });
    const bool dynamicIp = ipMode != expected.cend() && ipMode->text == ui.comboBox_ip_mode->itemText(0);
    const QList<CfgFileField> actual = cfgFileFields();
    int differences = 0;
    for (qsizetype i = 0; i < expected.size() && i < actual.size(); ++i) {
        const CfgFileField &want = expected.at(i);
        if (want.leaf == QLatin1String("DFWM"))
            continue;
        if (dynamicIp && want.leaf == QLatin1String("WIFI_IP") && want.field != QLatin1String("ip_mode"))
            continue;
        if (want.text == actual.at(i).text)
            continue;
        ++differences;
        printConsoleLine(stdout, tr("%1 %2：文件为“%3”，模块为“%4”").arg(want.leaf, want.field, want.text, actual.at(i).text));
    }
    return differences;
}

int Quorvel::runBatch(const QString &readFile, const QString &applyFile, bool verify)
{
    batchRun = true;
    cfgGroupWaitMs = 0;   // nobody watches the tabs

    QList<CfgFileField> expected;
    if (!applyFile.isEmpty()) {
        // A first import with the port still closed checks the file and sends
        // nothing; the second, on the open port, is the real one.
        const bool imported = importCfgFile(applyFile);
        printStep(statusBar()->currentMessage());
        if (!imported)
            return BadFile;
        QStringList missing;
        for (const CfgFileField &field : cfgFileFields()) {
            if (!importedLeaves.contains(field.leaf) && !missing.contains(field.leaf))
                missing.append(field.leaf);
        }
        if (!missing.isEmpty()) {
            printStep(tr("配置文件不完整，缺少 %1：没有写入模块").arg(missing.join(QStringLiteral(", "))));
            return BadFile;
        }
    }

    on_pushButton_openCom_clicked();
    if (!comIsOpen) {
        printStep(statusBar()->currentMessage());
        return PortFailed;
    }
    printStep(tr("已打开串口 %1").arg(ui.comboBox_comPort->currentText()));

    if (!applyFile.isEmpty()) {
        if (!importCfgFile(applyFile)) {   // changed since the first look
            printStep(statusBar()->currentMessage());
            return BadFile;
        }
        if (!workModeAccepted())
            return ModuleFailed;
        expected = cfgFileFields();
        const int written = waitForSequence(&Quorvel::writeCfgFinished,
                                            &Quorvel::on_pushButton_writeConfiguartion_clicked);
        if (written != Done)
            return written;
        if (!verify)
            return Done;
    }

    const int readBack = waitForSequence(&Quorvel::readCfgFinished,
                                         &Quorvel::on_pushButton_readConfiguration_clicked);
    if (readBack != Done)
        return readBack;

    if (!applyFile.isEmpty()) {
        const int differences = printDifferences(expected);
        printStep(differences == 0 ? tr("核对完成：模块的配置与文件一致")
                                   : tr("核对发现 %1 处不同").arg(differences));
        return differences == 0 ? Done : ModuleFailed;
    }
    const bool exported = exportCfgFile(readFile);
    printStep(statusBar()->currentMessage());
    return exported ? Done : BadFile;
}
