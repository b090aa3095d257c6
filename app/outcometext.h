// The words of the window's action ends that the command line's --read and
// --apply print too: one text each, in the window's catalogue context
// ("Quorvel"), in the language installed when called. The window calls them
// again on a language switch; BatchRun calls them once.
#ifndef OUTCOMETEXT_H
#define OUTCOMETEXT_H

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class ProfileFile;

struct OutcomeText
{
    Q_DECLARE_TR_FUNCTIONS(Quorvel)

public:
    // The end of a configuration read: done or failed (`failure` says why),
    // the fields it could not show as the module holds them, and why its
    // backup was not written (empty: written, or none due).
    static QString readEnd(bool ok, const QStringList &problems, const QString &failure,
                           const QString &backupFailure);
    static QString writeDone();
    static QString writeFailed(const QString &failure);
    // A write refused before anything was sent: the form's problems.
    static QString writeRefused(const QStringList &problems);
    // An import's end; `workModeRefused` is why the module refused the file's
    // work mode (empty: it was not refused, or not sent).
    static QString importEnd(const ProfileFile &profile, const QString &workModeRefused);
    static QString workModeRefused(const QString &failure);
    // An export's end; `lost` names the texts a reader would not get back.
    static QString exportDone(const QStringList &lost);
    static QString cannotOpenFile(const QString &path, const QString &why);
    static QString cannotWriteFile(const QString &path, const QString &why);
    static QString portLost(const QString &port);
};

#endif // OUTCOMETEXT_H
