// The one road of what reaches the user: the end of every action as data
// (an Outcome, announced by actionEnded), shown as the status bar's final
// message (StatusLine keeps it its full time, in the language on screen) or
// a box; and questions. The command line's runs have no window: BatchRun
// prints the same texts (app/outcometext.h).
#include "app/quorvel.h"

#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

// The end of an action shown in the status bar for `ms`, then announced.
void Quorvel::reportOutcome(Outcome outcome, std::function<QString()> text, int ms)
{
    outcome.text = text();
    statusLine->showFinal(std::move(text), ms);
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
