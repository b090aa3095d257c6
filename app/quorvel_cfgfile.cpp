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
#include <QSaveFile>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

#include "cfgfile/cfgleaf.h"
#include "protocol/cfgfields.h"
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

// The leaves of one group element, their fields from the field table. The
// work mode is set quietly: the module hears of it once, at the end of an import.
QList<Leaf> groupLeaves(const QHash<QString, QWidget *> &widgets, const QString &group)
{
    QList<Leaf> leaves;
    for (const QString &name : cfgfields::leaves(group)) {
        Leaf leaf{name, {}};
        for (const cfgfields::Field *f : cfgfields::leafFields(name)) {
            QWidget *widget = widgets.value(QLatin1String(f->widget));
            if (auto *box = qobject_cast<QComboBox *>(widget))
                leaf.fields << Field(box, name == QLatin1String("DFWM"));
            else if (auto *edit = qobject_cast<QLineEdit *>(widget))
                leaf.fields << Field(edit);
            else
                leaf.fields << Field(qobject_cast<QCheckBox *>(widget));
        }
        leaves << leaf;
    }
    return leaves;
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
        index = cfgfields::bilingualItemIndex(box->objectName(), text);
    if (index < 0 || index >= box->count())
        return false;
    const QSignalBlocker blocker(field.quiet ? box : nullptr);
    box->setCurrentIndex(index);
    return true;
}

// Every field the leaf carries is applied: a line-edit field sets its line
// edit's text, an empty one too (an open access point has no key); a combo
// field that names no item, or none at all, leaves its combo as it is; a
// check box field unticks for "0" and ticks for anything else. A text with
// a line break applies nothing. What the leaf gets wrong is returned, each
// field named; none: it was applied whole.
QList<cfgleaf::Problem> applyLeaf(const Leaf &leaf, const QString &text)
{
    using cfgleaf::Problem;
    if (text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(u'\0')))
        return {Problem{leaf.name, Problem::LineBreak}};
    QStringList values;
    if (!cfgleaf::splitFields(text, int(leaf.fields.size()), &values))
        return {Problem{leaf.name, Problem::FieldCount, 0, int(leaf.fields.size())}};
    QList<Problem> problems;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const Field &field = leaf.fields.at(i);
        const QString &value = values.at(i);
        const int number = int(i) + 1;
        if (field.lineEdit) {
            field.lineEdit->setText(value);
        } else if (field.combo) {
            if (value.isEmpty())
                problems << Problem{leaf.name, Problem::EmptyChoice, number};
            else if (!selectItem(field, value))
                problems << Problem{leaf.name, Problem::NotAnItem, number, 0, value};
        } else {
            if (value != QLatin1String("0") && value != QLatin1String("1"))
                problems << Problem{leaf.name, Problem::NotAFlag, number, 0, value};
            field.check->setChecked(value != QLatin1String("0"));
        }
    }
    return problems;
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
// Every leaf met is added to `seen` (a second time when repeated); the
// names of the leaves applied whole go to `applied`, what was wrong with the
// others to `problems`; *workModeSet becomes true when a DFWM leaf names a
// work mode.
void readGroup(QXmlStreamReader &reader, const QList<Leaf> &leaves, QStringList *seen, QStringList *applied,
               QList<cfgleaf::Problem> *problems, bool *workModeSet = nullptr)
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
        seen->append(leaf->name);
        const QList<cfgleaf::Problem> wrong = applyLeaf(*leaf, text);
        if (!wrong.isEmpty()) {
            *problems << wrong;
            continue;
        }
        if (!applied->contains(leaf->name))
            applied->append(leaf->name);
        if (workModeSet && leaf->name == QLatin1String("DFWM"))
            *workModeSet = true;
    }
}

} // namespace

void Quorvel::on_pushButton_Export_clicked()
{
    if (cfgBusy())
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
            && !askUser(tr("%1 已存在。要替换它吗？").arg(path), QString(), QString(), false))
            return;
    }
    exportCfgFile(path);
}

void Quorvel::on_pushButton_Import_clicked()
{
    if (cfgBusy())
        return;
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Import Cfg File From"), QStringLiteral("./"), tr("XML (*.xml)"),
        nullptr, QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty())
        importCfgFile(path);
}

bool Quorvel::exportCfgFile(const QString &path)
{
    // A profile that would not bring the form back is said before it is written.
    const QStringList problems = profileProblems();
    if (!problems.isEmpty()
        && !askUser(tr("导出的文件不能原样保存表单：%1。仍要导出吗？").arg(problems.join(tr("；"))), QString(),
                    QString(), false)) {
        reportDeclined(Outcome::Action::Export);
        return false;
    }
    // Written aside and renamed at the end: a failed export leaves an
    // existing file as it was.
    // No direct-write fallback: in a folder where nothing can be created
    // beside the file, the export fails rather than overwrite it in place.
    // LF line ends on every system: a profile saved on Windows is the same
    // file, byte for byte, as one saved on Linux.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        reportFailure({Outcome::Action::Export, Outcome::End::Refused},
                      tr("不能打开文件%1（%2）").arg(path, file.errorString()));
        return false;
    }
    savedTabIndex = ui.tabWidget->currentIndex();
    setCfgFileBusy(true);

    // Each group's tab is shown, and paused on, before the file is made.
    for (int tab = 0; tab < 3; ++tab) {
        ui.tabWidget->setCurrentIndex(tab);
        delayMsec(groupPauseMs());
    }
    // A profile states a work mode only when someone chose one: no read learns it.
    const QByteArray document = cfgFileDocument(workModeChosen);
    // commit() misses a failed final flush (a full disk) and would put the
    // truncated file in place: flush first, and give up on failure.
    QString why;
    if (file.write(document) != document.size() || !file.flush()) {
        why = file.errorString();
        file.cancelWriting();
    }
    const bool written = file.commit();
    if (why.isEmpty())
        why = file.errorString();

    ui.tabWidget->setCurrentIndex(savedTabIndex);
    setCfgFileBusy(false);
    if (!written) {
        reportFailure({Outcome::Action::Export, Outcome::End::Failed}, tr("不能写入文件%1（%2）").arg(path, why));
        return false;
    }
    const QStringList lost = cfgFieldsLostToCommas();
    if (lost.isEmpty())
        reportOutcome({Outcome::Action::Export}, [this] { return tr("导出完成"); }, 10000);
    else
        reportOutcome({Outcome::Action::Export}, [this, lost] {
            return tr("导出完成，但%1含有逗号，导入时不能原样取回").arg(joinCfgFieldNames(lost)); }, 10000);
    return true;
}

// The profile of the form, as Export writes it and a backup keeps it.
// Without `withWorkMode` the DFWM leaf is left out: the form's work mode is
// then no value of the module's (a read does not ask for it).
QByteArray Quorvel::cfgFileDocument(bool withWorkMode)
{
    QList<Leaf> base = groupLeaves(cfgWidgets, baseGroupName);
    if (!withWorkMode)
        base.removeIf([](const Leaf &leaf) { return leaf.name == QLatin1String("DFWM"); });
    QByteArray document;
    // Characters that XML 1.0 cannot hold (control characters) are left out
    // by the writer; everything else is escaped as needed.
    QXmlStreamWriter writer(&document);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(4);
    writer.writeStartDocument();
    writer.writeStartElement(rootName);
    writeGroup(writer, baseGroupName, base);
    writeGroup(writer, wifiGroupName, groupLeaves(cfgWidgets, wifiGroupName));
    writeGroup(writer, tpGroupName, groupLeaves(cfgWidgets, tpGroupName));
    writer.writeEndElement();
    writer.writeEndDocument();
    return document;
}

bool Quorvel::importCfgFile(const QString &path)
{
    // Read as bytes: the XML reader folds line ends itself, and a text-mode
    // read could drop bytes before the size bound sees them.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reportFailure({Outcome::Action::Import, Outcome::End::Refused},
                      tr("不能打开文件%1（%2）").arg(path, file.errorString()));
        return false;
    }
    const QByteArray data = file.read(maxFileBytes + 1);
    file.close();

    // A refused work mode puts the box back to what the module still holds.
    const int workModeBefore = ui.comboBox_defaultWorkMode->currentIndex();
    const bool workModeChosenBefore = workModeChosen;
    resetCfgWidgets();
    formSource = FormSource::Defaults;
    importWorkModeSet = false;
    setCfgFileBusy(true);

    QXmlStreamReader reader(data);
    if (data.size() > maxFileBytes)
        reader.raiseError(QStringLiteral("too large"));   // said in the language on screen below

    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement())
            break;
    }
    if (reader.isStartElement() && reader.name() != rootName) {
        setCfgFileBusy(false);
        reportOutcome({Outcome::Action::Import, Outcome::End::Failed},
                      [this] { return tr("不是%1格式的XML配置文件,导入失败").arg(QStringLiteral("Quorvel")); }, 10000);
        return false;
    }

    savedTabIndex = ui.tabWidget->currentIndex();
    importTabsShown = 0;
    importedLeaves.clear();
    importSeenLeaves.clear();
    importProblems.clear();
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
    // A leaf given twice makes the file no profile: which of the two is meant?
    QList<cfgleaf::Problem> repeated;
    for (const QString &leaf : cfgfields::leaves()) {
        if (const int times = int(importSeenLeaves.count(leaf)); times > 1)
            repeated.append({leaf, cfgleaf::Problem::Repeated, 0, times});
    }
    importProblems = repeated + importProblems;

    // A leaf the file lacks (or that did not apply whole) leaves its fields at
    // their defaults: the next write asks before it sends them.
    workModeChosen = importWorkModeSet;
    formMissingLeaves = missingProfileLeaves();
    const bool complete = formMissingLeaves.isEmpty() && importProblems.isEmpty();
    formSource = complete ? FormSource::Import : FormSource::ImportIncomplete;

    // The module is left in the file's work mode: the last DFWM leaf that
    // named one wins, and one command carries it, whatever the combo showed
    // before. A file without one leaves the module alone, and so does a file
    // with a wrong leaf: nothing of it reaches the module.
    const bool failed = reader.hasError();
    const bool refused = failed || !importProblems.isEmpty();
    std::function<QString()> workModeRefused;
    Outcome outcome{Outcome::Action::Import};
    if (importWorkModeSet && serialLink.isOpen() && !refused) {
        const QString answer = sendWorkMode();
        if (!atanswer::matchesWhole(atanswer::plainOk(), answer)) {
            outcome.command = workModeCommand();
            outcome.answer = answer;
            workModeRefused = [this, command = workModeCommand(), answer] { return cfgFailureText(command, answer); };
            const QSignalBlocker quiet(ui.comboBox_defaultWorkMode);
            ui.comboBox_defaultWorkMode->setCurrentIndex(workModeBefore);
            workModeChosen = workModeChosenBefore;
        }
    }
    setCfgFileBusy(false);
    importReadFailure = {};
    if (failed && data.size() > maxFileBytes) {
        importReadFailure = [this] { return tr("文件大于 %1 MiB，不是配置文件").arg(maxFileBytes >> 20); };
    } else if (failed) {   // the reader's words, and where it stopped
        importReadFailure = [this, why = reader.errorString(), line = reader.lineNumber(), column = reader.columnNumber()] {
            return tr("%1（第 %2 行第 %3 列）").arg(why, QString::number(line), QString::number(column));
        };
    }
    if (refused)
        outcome.end = Outcome::End::Failed;
    const std::function<QString()> readFailure = importReadFailure;
    const QList<cfgleaf::Problem> problems = importProblems;
    const QStringList missing = formMissingLeaves;
    reportOutcome(outcome, [this, readFailure, problems, missing, workModeRefused] {
        if (readFailure)   // what was read up to the error stays in the form
            return tr("导入遇到错误：%1").arg(readFailure());
        QStringList wrong;
        for (const cfgleaf::Problem &problem : problems)
            wrong << cfgleaf::problemText(problem);
        if (!missing.isEmpty())
            wrong << tr("文件缺少 %1").arg(missing.join(QStringLiteral(", ")));
        if (!problems.isEmpty())
            return tr("导入遇到错误：%1").arg(wrong.join(tr("；")));
        // Values the module would not take are Write's to name: the file itself is whole.
        QStringList buts = wrong;
        if (workModeRefused)
            buts << tr("模块没有接受默认工作模式：%1").arg(workModeRefused());
        return buts.isEmpty() ? tr("导入完成") : tr("导入完成") + tr("，但") + buts.join(tr("；"));
    }, 10000);
    ui.tabWidget->setCurrentIndex(savedTabIndex);
    return !failed;
}

// Why the profile the last import read cannot be written to a module as it
// is, every problem named: the leaves it got wrong, those it lacks, and the
// values of the form the module would not take. Empty: it can.
QStringList Quorvel::profileRefusals() const
{
    QStringList refusals;
    if (importReadFailure)
        refusals << tr("导入遇到错误：%1").arg(importReadFailure());
    for (const cfgleaf::Problem &problem : importProblems)
        refusals << cfgleaf::problemText(problem);
    if (!formMissingLeaves.isEmpty())
        refusals << tr("文件缺少 %1").arg(formMissingLeaves.join(QStringLiteral(", ")));
    return refusals + writeCfgProblems();
}

QString Quorvel::workModeCommand() const
{
    return ui.comboBox_defaultWorkMode->currentIndex() == 0 ? QStringLiteral("AT+ATTP=0")
                                                            : QStringLiteral("AT+ATTP=1");
}

// Sends the work mode the box shows and waits for the module's answer (empty
// when none came). Awaited here: a Write right after would take a late "OK"
// for the answer to its own first command.
QString Quorvel::sendWorkMode()
{
    return awaitAnswer(workModeCommand(), cfgAnswerTimeoutMs);   // as long as the read and write wait for one
}

// The leaves of a complete profile the last import did not meet at all (a
// leaf it met but got wrong is named as wrong, in importProblems).
QStringList Quorvel::missingProfileLeaves()
{
    QStringList missing;
    for (const Leaf &leaf : groupLeaves(cfgWidgets, QString())) {
        // A profile states a work mode only when someone chose one.
        if (leaf.name != QLatin1String("DFWM") && !importSeenLeaves.contains(leaf.name))
            missing << leaf.name;
    }
    return missing;
}

// What a profile written from the form now would not hold as the form shows
// it: the read's unclean texts and blank selectors, and commas that the
// format moves into another field.
QStringList Quorvel::profileProblems()
{
    QStringList problems = readCfgProblems();
    const QStringList lost = cfgFieldsLostToCommas();
    if (!lost.isEmpty())
        problems << tr("%1含有逗号，导入时不能原样取回").arg(joinCfgFieldNames(lost));
    return problems;
}

// The names of the line edits whose text a profile would not bring back.
QStringList Quorvel::cfgFieldsLostToCommas()
{
    QStringList lost;
    for (const Leaf &leaf : groupLeaves(cfgWidgets, QString())) {
        for (QLineEdit *edit : fieldsLostToCommas(leaf))
            lost << cfgFieldName(edit);
    }
    return lost;
}

QList<CfgFileField> Quorvel::cfgFileFields()
{
    QList<CfgFileField> all;
    for (const Leaf &leaf : groupLeaves(cfgWidgets, QString())) {
        for (const Field &field : leaf.fields) {
            const QObject *widget = field.combo ? static_cast<QObject *>(field.combo)
                                  : field.lineEdit ? static_cast<QObject *>(field.lineEdit)
                                                   : static_cast<QObject *>(field.check);
            const QString name = widget->objectName();
            all.append({leaf.name, name.mid(name.indexOf(u'_') + 1), field.text()});
        }
    }
    return all;
}

void Quorvel::setCfgFileBusy(bool busy)
{
    cfgFileBusy = busy;
    updateCfgButtons();
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
    delayMsec(groupPauseMs());
}

// The work-mode leaves are applied without the combo's signal; the module
// hears of the result once, at the end of the import.
void Quorvel::importBaseGroup(QXmlStreamReader &reader)
{
    showImportGroupTab(0);
    readGroup(reader, groupLeaves(cfgWidgets, baseGroupName), &importSeenLeaves, &importedLeaves, &importProblems,
              &importWorkModeSet);
}

void Quorvel::importWifiGroup(QXmlStreamReader &reader)
{
    showImportGroupTab(1);
    readGroup(reader, groupLeaves(cfgWidgets, wifiGroupName), &importSeenLeaves, &importedLeaves, &importProblems);
}

void Quorvel::importTpGroup(QXmlStreamReader &reader)
{
    showImportGroupTab(2);
    readGroup(reader, groupLeaves(cfgWidgets, tpGroupName), &importSeenLeaves, &importedLeaves, &importProblems);
}

// Waits on a monotonic clock, so that neither midnight nor a change of the
// system time can end the wait early or stretch it; events are served in
// slices of at most 100 ms meanwhile, without spinning.
// Nobody watches the tabs of a batch run.
int Quorvel::groupPauseMs() const
{
    return batchRun ? 0 : cfgGroupWaitMs;
}

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
