// Export and import of the configuration tabs as an XML file. The file is a
// snapshot of the form: export writes the form's values (ConfigForm::config) through
// ProfileFile, import shows what ProfileFile took from a file, tab by tab.
// Only the default work mode travels on to the module, once, at the end of an
// import. The configuration buttons stay off while either runs: their pauses
// serve events, and a read started meanwhile would talk to the module
// alongside the import.
#include "app/quorvel.h"

#include "protocol/answertext.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

#include "app/outcometext.h"
#include "cfgfile/profilefile.h"
#include "protocol/atanswer.h"
#include "protocol/cfgfields.h"

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
                      OutcomeText::cannotOpenFile(path, file.errorString()));
        return false;
    }
    savedTabIndex = ui.tabWidget->currentIndex();
    setCfgFileBusy(true);

    // Each group's tab is shown, and paused on, before the file is made.
    for (int tab = 0; tab < 3; ++tab) {
        ui.tabWidget->setCurrentIndex(tab);
        delayMsec(cfgGroupWaitMs);
    }
    // A profile states a work mode only when someone chose one: no read learns it.
    const std::optional<int> workMode =
        workModeChosen ? std::optional<int>(ui.comboBox_defaultWorkMode->currentIndex()) : std::nullopt;
    const QByteArray document = ProfileFile::document(cfgForm->config(), workMode, englishOnScreen());
    QString why;
    const bool written = ProfileFile::commit(file, document, &why);

    ui.tabWidget->setCurrentIndex(savedTabIndex);
    setCfgFileBusy(false);
    if (!written) {
        reportFailure({Outcome::Action::Export, Outcome::End::Failed}, OutcomeText::cannotWriteFile(path, why));
        return false;
    }
    const QStringList lost = ProfileFile::lostToCommas(cfgForm->config(), englishOnScreen());
    reportOutcome({Outcome::Action::Export}, [lost] { return OutcomeText::exportDone(lost); }, 10000);
    return true;
}

bool Quorvel::importCfgFile(const QString &path)
{
    const ProfileFile profile = ProfileFile::read(path);
    if (!profile.openError().isEmpty()) {
        reportFailure({Outcome::Action::Import, Outcome::End::Refused},
                      OutcomeText::cannotOpenFile(path, profile.openError()));
        return false;
    }

    // A refused work mode puts the box back to what the module still holds.
    const int workModeBefore = ui.comboBox_defaultWorkMode->currentIndex();
    const bool workModeChosenBefore = workModeChosen;
    resetCfgWidgets();
    formSource = FormSource::Defaults;
    setCfgFileBusy(true);
    if (!profile.isProfile()) {
        setCfgFileBusy(false);
        reportOutcome({Outcome::Action::Import, Outcome::End::Failed}, [] { return ProfileFile::notProfileText(); },
                      10000);
        return false;
    }

    // Each group's tab is shown, and paused on, as the first group element of
    // its kind fills it: a file of ten thousand group elements costs 600 ms of
    // waiting, not 2000 s, and no storm of tab switches. The work mode is set
    // without the box's signal: the module hears of it once, at the end.
    savedTabIndex = ui.tabWidget->currentIndex();
    const ModuleConfig &values = profile.config();
    for (const int tab : profile.groups()) {
        ui.tabWidget->setCurrentIndex(tab);
        delayMsec(cfgGroupWaitMs);
        for (const QString &leaf : cfgfields::leaves(ProfileFile::groupName(tab))) {
            for (const cfgfields::Field *f : cfgfields::leafFields(leaf)) {
                QWidget *widget = cfgForm->widget(f->widget);
                const QString value = values.value(QLatin1String(f->widget));
                if (widget == ui.comboBox_defaultWorkMode) {
                    if (profile.workMode()) {
                        const QSignalBlocker quiet(ui.comboBox_defaultWorkMode);
                        ui.comboBox_defaultWorkMode->setCurrentIndex(*profile.workMode());
                    }
                } else if (!values.has(QLatin1String(f->widget))) {
                    continue;   // the file gave none: the reset's
                } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
                    edit->setText(value);
                } else if (auto *box = qobject_cast<QComboBox *>(widget)) {
                    box->setCurrentIndex(value.toInt());
                } else if (auto *check = qobject_cast<QCheckBox *>(widget)) {
                    check->setChecked(value == QLatin1String("1"));
                }
            }
        }
    }
    importedProfile = profile;

    // A leaf the file lacks (or that did not apply whole) leaves its fields at
    // their defaults: the next write asks before it sends them.
    workModeChosen = profile.workMode().has_value();
    const QList<cfgleaf::Problem> problems = profile.problems();
    const QStringList missing = profile.missingLeaves();
    const bool complete = missing.isEmpty() && problems.isEmpty();
    formSource = complete ? FormSource::Import : FormSource::ImportIncomplete;

    // The module is left in the file's work mode: the last DFWM leaf that
    // named one wins, and one command carries it, whatever the combo showed
    // before. A file without one leaves the module alone, and so does a file
    // with a wrong leaf: nothing of it reaches the module.
    const bool failed = !profile.readFailure().isEmpty();
    const bool refused = failed || !problems.isEmpty();
    std::function<QString()> workModeRefused;
    Outcome outcome{Outcome::Action::Import};
    if (profile.workMode() && cfgLink->isOpen() && !refused) {
        const QString answer = sendWorkMode();
        if (!atanswer::matchesWhole(atanswer::plainOk(), answer)) {
            outcome.command = workModeCommand();
            outcome.answer = answer;
            workModeRefused = [command = workModeCommand(), answer] { return answertext::failure(command, answer); };
            const QSignalBlocker quiet(ui.comboBox_defaultWorkMode);
            ui.comboBox_defaultWorkMode->setCurrentIndex(workModeBefore);
            workModeChosen = workModeChosenBefore;
        }
    }
    setCfgFileBusy(false);
    if (refused)
        outcome.end = Outcome::End::Failed;
    reportOutcome(outcome, [profile, workModeRefused] {
        return OutcomeText::importEnd(profile, workModeRefused ? workModeRefused() : QString());
    }, 10000);
    ui.tabWidget->setCurrentIndex(savedTabIndex);
    return !failed;
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
    QString answer;   // as long as the read and write wait for one, and no retry
    runAwaited({ConfigSession::anyAnswer(workModeCommand(), &answer)}, 1, cfgAnswerTimeoutMs);
    return answer;
}

// What a profile written from the form now would not hold as the form shows
// it: the read's unclean texts and blank selectors, and commas that the
// format moves into another field.
QStringList Quorvel::profileProblems() const
{
    return ProfileFile::unsavable(cfgForm->config(), englishOnScreen(), cfgLink->encoding());
}

void Quorvel::setCfgFileBusy(bool busy)
{
    cfgFileBusy = busy;
    updateCfgButtons();
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
