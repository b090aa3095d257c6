// Export and import of the configuration tabs as an XML file. The file is a
// snapshot of the form: export reads the widgets, import fills them. Only the
// default work mode travels on to the module, once, at the end of an import.
// Each leaf's field table below serves both directions. The configuration
// buttons stay off while either runs: their pauses serve events, and a read
// started meanwhile would talk to the module alongside the import.
#include "app/quorvel.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

#include "cfgfile/cfgleaf.h"
#include "protocol/atanswer.h"

namespace {

// Every file this program can write is far smaller (thirteen line edits of
// at most 32767 characters each); reading no more than this bounds the
// memory and time an import spends on whatever else is chosen.
constexpr qint64 maxFileBytes = 4 * 1024 * 1024;

const QString rootName = QStringLiteral("TESSELANE_CFG");
const QString baseGroupName = QStringLiteral("BASE_GROUP_ELEM");
const QString wifiGroupName = QStringLiteral("WIFI_GROUP_ELEM");
const QString tpGroupName = QStringLiteral("TP_GROUP_ELEM");

// One field of a leaf and the widget it comes from and goes to.
struct Field
{
    Field(QComboBox *box, bool quietly = false) : combo(box), quiet(quietly) {}
    Field(QLineEdit *edit) : lineEdit(edit) {}
    Field(QCheckBox *box) : check(box) {}

    QComboBox *combo = nullptr;
    QLineEdit *lineEdit = nullptr;
    QCheckBox *check = nullptr;
    bool quiet = false;   // set without emitting the combo's signals
    QString text() const
    {
        if (combo)
            return combo->currentText();
        if (lineEdit)
            return lineEdit->text();
        return check->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    }
};

struct Leaf
{
    QString name;
    QList<Field> fields;
};

QList<Leaf> baseLeaves(Ui::QuorvelClass &ui)
{
    return {
        {QStringLiteral("UART"),
         {ui.comboBox_deviceBps, ui.comboBox_deviceDataBit, ui.comboBox_deviceParBit,
          ui.comboBox_deviceStopBit, ui.comboBox_deviceFlow}},
        {QStringLiteral("DFWM"), {Field(ui.comboBox_defaultWorkMode, true)}},
    };
}

QList<Leaf> wifiLeaves(Ui::QuorvelClass &ui)
{
    return {
        {QStringLiteral("WIFI_MODE"), {ui.comboBox_wifi_mode}},
        {QStringLiteral("WIFI_AP"),
         {ui.lineEdit_AP_SSID, ui.lineEdit_AP_KEY, ui.comboBox_AUTH, ui.comboBox_CRYPT,
          ui.comboBox_MODE, ui.comboBox_CH}},
        {QStringLiteral("WIFI_STA"), {ui.lineEdit_STA_SSID, ui.lineEdit_STA_KEY}},
        {QStringLiteral("WIFI_IP"),
         {ui.comboBox_ip_mode, ui.lineEdit_set_ip, ui.lineEdit_set_gatway, ui.lineEdit_set_mask}},
        {QStringLiteral("WIFI_DHCP"),
         {ui.checkBox_en_dhcp, ui.lineEdit_dhcp_start_ip, ui.lineEdit_dhcp_end_ip}},
    };
}

QList<Leaf> tpLeaves(Ui::QuorvelClass &ui)
{
    return {
        {QStringLiteral("TP_TP"),
         {ui.comboBox_TP_TCP_UDP, ui.comboBox_TP_S_C, ui.lineEdit_TP_ADDR, ui.lineEdit_TP_PORT}},
        {QStringLiteral("TP_FRAME"),
         {ui.lineEdit_fframe_time, ui.lineEdit_aframe_len, ui.lineEdit_aframe_time}},
    };
}

void writeGroup(QXmlStreamWriter &writer, const QString &groupName, const QList<Leaf> &leaves)
{
    writer.writeStartElement(groupName);
    for (const Leaf &leaf : leaves) {
        QStringList texts;
        for (const Field &field : leaf.fields)
            texts.append(field.text());
        writer.writeTextElement(leaf.name, texts.join(u','));
    }
    writer.writeEndElement();
}

// Whether the text named an item, which then is the current one.
bool selectItem(const Field &field, const QString &text)
{
    QComboBox *box = field.combo;
    int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)   // a file written in the other language
        index = cfgleaf::bilingualItemIndex(box->objectName(), text);
    if (index < 0 || index >= box->count())
        return false;
    const QSignalBlocker blocker(field.quiet ? box : nullptr);
    box->setCurrentIndex(index);
    return true;
}

// Every field the leaf carries is applied: an empty line-edit field empties
// the line edit (an open access point has no key); an empty combo or check
// box field says nothing and leaves its widget as it is. Returns whether
// every combo field named an item.
bool applyLeaf(const Leaf &leaf, const QString &text)
{
    QStringList values;
    if (!cfgleaf::splitFields(text, int(leaf.fields.size()), &values))
        return false;
    bool named = true;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const Field &field = leaf.fields.at(i);
        const QString &value = values.at(i);
        if (field.lineEdit)   // no imported value may end a command line early
            field.lineEdit->setText(atanswer::withoutLineBreaks(value));
        else if (value.isEmpty())
            named = named && !field.combo;
        else if (field.combo)
            named = selectItem(field, value) && named;
        else
            field.check->setChecked(value != QLatin1String("0"));
    }
    return named;
}

// Line-edit fields of a leaf that a reader of the file would not get back
// as they are: the format cuts at commas, and surplus commas go to the first
// field, so a comma elsewhere (an access point's key) moves text.
QList<QLineEdit *> fieldsLostToCommas(const Leaf &leaf)
{
    QStringList texts;
    for (const Field &field : leaf.fields)
        texts.append(field.text());
    QStringList back;
    if (cfgleaf::splitFields(texts.join(u','), int(texts.size()), &back) && back == texts)
        return {};
    QList<QLineEdit *> lost;
    for (const Field &field : leaf.fields) {
        if (field.lineEdit && field.lineEdit->text().contains(u','))
            lost.append(field.lineEdit);
    }
    return lost;
}

// Reads the leaves of the group whose start tag the reader has just passed,
// up to its end tag or the first element that is not one of its leaves.
// The names of the leaves applied whole go to `applied`; *workModeSet becomes
// true when a DFWM leaf names a work mode.
void readGroup(QXmlStreamReader &reader, const QList<Leaf> &leaves, QStringList *applied,
               bool *workModeSet = nullptr)
{
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement())
            return;
        if (!reader.isStartElement())
            continue;
        const auto leaf = std::find_if(leaves.cbegin(), leaves.cend(), [&reader](const Leaf &l) {
            return reader.name() == l.name;
        });
        if (leaf == leaves.cend())
            return;
        const QString text = reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (reader.hasError())   // a child element, or the input ends inside the leaf
            return;
        if (!applyLeaf(*leaf, text))
            continue;
        if (!applied->contains(leaf->name))
            applied->append(leaf->name);
        if (workModeSet && leaf->name == QLatin1String("DFWM"))
            *workModeSet = true;
    }
}

} // namespace

void Quorvel::on_pushButton_Export_clicked()
{
    if (cfgFileBusy || readCfgRunning || writeCfgRunning)
        return;
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export Cfg File To"), QStringLiteral("./"), tr("XML (*.xml)"),
        nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    // Without ".xml" the file would hide from the import dialog's filter. The
    // dialog asked about replacing the name as typed, not this one.
    if (!path.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".xml");
        if (QFileInfo::exists(path)
            && QMessageBox::question(this, QStringLiteral("Quorvel"), tr("%1 已存在。要替换它吗？").arg(path),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                   != QMessageBox::Yes)
            return;
    }
    exportCfgFile(path);
}

void Quorvel::on_pushButton_Import_clicked()
{
    if (cfgFileBusy || readCfgRunning || writeCfgRunning)
        return;
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Import Cfg File From"), QStringLiteral("./"), tr("XML (*.xml)"),
        nullptr, QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty())
        importCfgFile(path);
}

bool Quorvel::exportCfgFile(const QString &path)
{
    // Written aside and renamed at the end: a failed export leaves an
    // existing file as it was.
    // No direct-write fallback: in a folder where nothing can be created
    // beside the file, the export fails rather than overwrite it in place.
    // LF line ends on every system: a profile saved on Windows is the same
    // file, byte for byte, as one saved on Linux.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        warnUser(tr("不能打开文件%1").arg(path));
        return false;
    }
    savedTabIndex = ui.tabWidget->currentIndex();
    setCfgFileBusy(true);

    // Characters that XML 1.0 cannot hold (control characters) are left out
    // by the writer; everything else is escaped as needed.
    QXmlStreamWriter writer(&file);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(4);
    writer.writeStartDocument();
    writer.writeStartElement(rootName);
    exportBaseGroup(writer);
    exportWifiGroup(writer);
    exportTpGroup(writer);
    writer.writeEndElement();
    writer.writeEndDocument();
    // commit() misses a failed final flush (a full disk) and would put the
    // truncated file in place: flush first, and give up on failure.
    if (!file.flush())
        file.cancelWriting();
    const bool written = file.commit();

    ui.tabWidget->setCurrentIndex(savedTabIndex);
    setCfgFileBusy(false);
    if (!written) {
        warnUser(tr("不能写入文件%1").arg(path));
        return false;
    }
    QStringList lost;
    for (const QList<Leaf> &leaves : {baseLeaves(ui), wifiLeaves(ui), tpLeaves(ui)}) {
        for (const Leaf &leaf : leaves) {
            for (QLineEdit *edit : fieldsLostToCommas(leaf))
                lost << cfgFieldName(edit);
        }
    }
    if (lost.isEmpty())
        showFinalStatus(tr("导出完成"), 10000);
    else
        showFinalStatus(tr("导出完成，但%1含有逗号，导入时不能原样取回").arg(joinCfgFieldNames(lost)), 10000);
    return true;
}

void Quorvel::exportBaseGroup(QXmlStreamWriter &writer)
{
    ui.tabWidget->setCurrentIndex(0);
    delayMsec(cfgGroupWaitMs);
    writeGroup(writer, baseGroupName, baseLeaves(ui));
}

void Quorvel::exportWifiGroup(QXmlStreamWriter &writer)
{
    ui.tabWidget->setCurrentIndex(1);
    delayMsec(cfgGroupWaitMs);
    writeGroup(writer, wifiGroupName, wifiLeaves(ui));
}

void Quorvel::exportTpGroup(QXmlStreamWriter &writer)
{
    ui.tabWidget->setCurrentIndex(2);
    delayMsec(cfgGroupWaitMs);
    writeGroup(writer, tpGroupName, tpLeaves(ui));
}

bool Quorvel::importCfgFile(const QString &path)
{
    // Read as bytes: the XML reader folds line ends itself, and a text-mode
    // read could drop bytes before the size bound sees them.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        warnUser(tr("不能打开文件%1").arg(path));
        return false;
    }
    const QByteArray data = file.read(maxFileBytes + 1);
    file.close();

    resetCfgWidgets();
    cfgFormLoaded = true;
    importWorkModeSet = false;
    setCfgFileBusy(true);

    QXmlStreamReader reader(data);
    if (data.size() > maxFileBytes)
        reader.raiseError(QStringLiteral("larger than any configuration file"));

    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement())
            break;
    }
    if (reader.isStartElement() && reader.name() != rootName) {
        setCfgFileBusy(false);
        showFinalStatus(tr("不是%1格式的XML配置文件,导入失败").arg(QStringLiteral("Quorvel")), 10000);
        return false;
    }

    savedTabIndex = ui.tabWidget->currentIndex();
    importTabsShown = 0;
    importedLeaves.clear();
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        if (reader.name() == baseGroupName)
            importBaseGroup(reader);
        else if (reader.name() == wifiGroupName)
            importWifiGroup(reader);
        else if (reader.name() == tpGroupName)
            importTpGroup(reader);
    }

    // The module is left in the file's work mode: the last DFWM leaf that
    // named one wins, and one command carries it, whatever the combo showed
    // before. A file without one leaves the module alone. Its answer is
    // awaited here: a Write right after the import would take a late "OK"
    // for the answer to its own first command.
    importWorkModeAnswer.reset();
    if (importWorkModeSet && comIsOpen) {
        sendCmd(ui.comboBox_defaultWorkMode->currentIndex() == 0 ? QStringLiteral("AT+ATTP=0")
                                                                 : QStringLiteral("AT+ATTP=1"));
        importWorkModeAnswer = awaitAnswer(3000);   // as long as the read and write wait for one;
    }
    setCfgFileBusy(false);
    showFinalStatus(reader.hasError() ? tr("导入遇到错误") : tr("导入完成"), 10000);
    ui.tabWidget->setCurrentIndex(savedTabIndex);
    return !reader.hasError();
}

QList<CfgFileField> Quorvel::cfgFileFields()
{
    QList<CfgFileField> all;
    for (const QList<Leaf> &leaves : {baseLeaves(ui), wifiLeaves(ui), tpLeaves(ui)}) {
        for (const Leaf &leaf : leaves) {
            for (const Field &field : leaf.fields) {
                const QObject *widget = field.combo ? static_cast<QObject *>(field.combo)
                                      : field.lineEdit ? static_cast<QObject *>(field.lineEdit)
                                                       : static_cast<QObject *>(field.check);
                const QString name = widget->objectName();
                all.append({leaf.name, name.mid(name.indexOf(u'_') + 1), field.text()});
            }
        }
    }
    return all;
}

void Quorvel::setCfgFileBusy(bool busy)
{
    cfgFileBusy = busy;
    if (busy) {
        ui.pushButton_readConfiguration->setEnabled(false);
        ui.pushButton_writeConfiguartion->setEnabled(false);
        ui.pushButton_Import->setEnabled(false);
        ui.pushButton_Export->setEnabled(false);
    } else {
        enableCfgButtonsAfterSequence();
    }
}

// Shows a group's tab, and pauses so that the user sees it, for the first
// group element of each kind only: a file of ten thousand group elements
// costs 600 ms of waiting, not 2000 s, and no storm of tab switches.
void Quorvel::showImportGroupTab(int index)
{
    const unsigned bit = 1u << index;
    if (importTabsShown & bit)
        return;
    importTabsShown |= bit;
    ui.tabWidget->setCurrentIndex(index);
    delayMsec(cfgGroupWaitMs);
}

// The work-mode leaves are applied without the combo's signal; the module
// hears of the result once, at the end of the import.
void Quorvel::importBaseGroup(QXmlStreamReader &reader)
{
    showImportGroupTab(0);
    readGroup(reader, baseLeaves(ui), &importedLeaves, &importWorkModeSet);
}

void Quorvel::importWifiGroup(QXmlStreamReader &reader)
{
    showImportGroupTab(1);
    readGroup(reader, wifiLeaves(ui), &importedLeaves);
}

void Quorvel::importTpGroup(QXmlStreamReader &reader)
{
    showImportGroupTab(2);
    readGroup(reader, tpLeaves(ui), &importedLeaves);
}

// Waits on a monotonic clock, so that neither midnight nor a change of the
// system time can end the wait early or stretch it; events are served in
// slices of at most 100 ms meanwhile, without spinning.
void Quorvel::delayMsec(int msec)
{
    if (msec <= 0)
        return;
    const QDeadlineTimer deadline(msec, Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        QEventLoop slice;
        const int ms = int(std::min<qint64>(100, deadline.remainingTime()));
        QTimer::singleShot(ms, Qt::PreciseTimer, &slice, &QEventLoop::quit);
        slice.exec();
    }
}
