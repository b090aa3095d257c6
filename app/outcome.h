// What became of one thing the user (or a batch run) asked the window to do:
// the data the window shows in its status bar or a box, and that a batch run
// prints, turns into its exit status and records. Carried by
// Quorvel::actionEnded, so that no caller has to read a message back.
#ifndef OUTCOME_H
#define OUTCOME_H

#include <QMetaType>
#include <QString>

#include <utility>

struct Outcome
{
    enum class Action { OpenPort, Read, Write, Import, Export };
    // Refused: the action never started; nothing of it reached the module or the disk.
    enum class End { Done, Failed, Refused };

    Outcome() = default;
    Outcome(Action action, End end = End::Done, QString command = QString(), QString answer = QString(),
            QString text = QString())
        : action(action), end(end), command(std::move(command)), answer(std::move(answer)), text(std::move(text))
    {
    }

    Action action = Action::Read;
    End end = End::Done;
    QString command;   // the command that failed, when one did
    QString answer;    // the module's answer to it; empty when none came in time
    QString text;      // what the user was told, in the language on screen

    bool ok() const { return end == End::Done; }
};

Q_DECLARE_METATYPE(Outcome)

#endif // OUTCOME_H
