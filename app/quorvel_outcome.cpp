// The one road of what reaches the user: the end of every action as data
// (an Outcome, announced by actionEnded), shown as the status bar's final
// message or a box; questions; and the status-bar rules that keep a final
// message on screen for its full time and in the language on screen. The
// command line's runs have no window: BatchRun prints the same texts
// (app/outcometext.h).
#include "app/quorvel.h"

#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

// The end of an action shown in the status bar for `ms`, then announced.
void Quorvel::reportOutcome(Outcome outcome, std::function<QString()> text, int ms)
{
    outcome.text = text();
    showFinalStatus(std::move(text), ms);
    emit actionEnded(outcome);
}

// The end of an action that stops with a box (`info` under `text`); its
// outcome carries the detail when there is one.
void Quorvel::reportFailure(Outcome outcome, const QString &text, const QString &info)
{
    outcome.text = info.isEmpty() ? text : info;
    warnUser(text, info);
    emit actionEnded(outcome);
}

// An action that asked a question and was told No: nothing of it was done.
void Quorvel::reportDeclined(Outcome::Action action)
{
    Outcome outcome;
    outcome.action = action;
    outcome.end = Outcome::End::Refused;
    emit actionEnded(outcome);
}

// A failure that stops an action: a message box in the window, `info` under
// its text.
void Quorvel::warnUser(const QString &text, const QString &info)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quorvel"), text, QMessageBox::Ok, this);
    box.setInformativeText(info);
    box.exec();
}

// A question with Yes and No, the default button as given.
bool Quorvel::askUser(const QString &text, const QString &info, const QString &details, bool yesByDefault)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Quorvel"), text, QMessageBox::Yes | QMessageBox::No,
                    this);
    box.setInformativeText(info);
    box.setDetailedText(details);
    box.setDefaultButton(yesByDefault ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

// The final message of a read, a write, an import or an export: it stays its
// full time, and a language switch shows it again in the new language.
void Quorvel::showFinalStatus(std::function<QString()> text, int ms)
{
    finalStatusText = std::move(text);
    statusBar()->showMessage(finalStatusText(), ms);
    finalStatusDeadline.setRemainingTime(ms);
}

void Quorvel::retranslateStatus()
{
    if (!finalStatusText || finalStatusDeadline.hasExpired())
        return;
    statusBar()->showMessage(finalStatusText(), int(finalStatusDeadline.remainingTime()));
}

// The port's state (lost, awaited, back): on the lamp's tooltip at once, and
// in the status bar once the final message of a read or write has had its
// time, so that a cut sequence's failure is not replaced at once.
void Quorvel::showPortStatus(const QString &text, int ms)
{
    ui.label_comLed->setToolTip(text);
    if (finalStatusDeadline.hasExpired()) {
        pendingPortStatus.clear();
        statusBar()->showMessage(text, ms);
        return;
    }
    pendingPortStatus = text;
    portStatusTimer->start(int(finalStatusDeadline.remainingTime()));
}

void Quorvel::showPendingPortStatus()
{
    if (!pendingPortStatus.isEmpty())
        statusBar()->showMessage(pendingPortStatus);
    pendingPortStatus.clear();
}
