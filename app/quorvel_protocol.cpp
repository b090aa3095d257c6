// The module's error codes and the answer handler that listens to every
// received line for the whole run: a plain "OK" or an "ERR=" code answering
// what the user sent shows in the status bar in the language on screen.
// Answers to a read's, a write's or an import's own commands do not, and no
// answer replaces the final message of one of those or of an export.
#include "app/quorvel.h"

#include <QCoreApplication>
#include <QTimer>
#include <QStatusBar>

#include "protocol/answertext.h"
#include "protocol/atanswer.h"

// The Chinese source text of an error code (answertext), untranslated.
QString Quorvel::getErrStrFromCode(int code)
{
    return answertext::errorCodeSource(code);
}

void Quorvel::commonRspProc(QString line)
{
    // While a read, a write or an awaited command holds the link, every
    // answer is theirs (they take a console command's late answer
    // themselves, ConsoleAnswers). A sequence's final message, or an
    // import's, comes right after its last command and shows longer than
    // the sequences wait for an answer, so a late answer to one of their
    // commands meets that message and leaves it alone.
    if (cfgLink->held())
        return;
    consoleAnswers.take(line);
    if (statusLine->finalShowing())
        return;
    if (atanswer::matchesWhole(atanswer::plainOk(), line)) {
        statusBar()->showMessage(tr("成功"), 10000);
        return;
    }
    const QString error = errAnswerText(line);
    if (!error.isEmpty())
        statusBar()->showMessage(error, 10000);
}

// "错误：…" with the error code's text in the language on screen, for an
// "ERR=" answer; empty for any other line.
QString Quorvel::errAnswerText(const QString &line)
{
    const std::optional<int> code = atanswer::errorCode(line);
    if (!code)
        return QString();
    const QByteArray source = getErrStrFromCode(*code).toUtf8();
    const QString text = source.isEmpty() ? QString()
                                          : QCoreApplication::translate("Quorvel", source.constData());
    return tr("错误：%1").arg(text);
}

// Runs `steps` on the session, holding the link, and serves events until
// they end: for commands sent outside the read and write sequences whose
// answers must not be taken for anyone else's.
ConfigSession::Result Quorvel::runAwaited(const QVector<ConfigSession::Step> &steps, int tries, int msec)
{
    cfgLink->hold();   // the console waits meanwhile
    updateCfgButtons();
    cfgSession->setAnswerTimeout(msec);
    const ConfigSession::Result result = cfgSession->wait([&] { cfgSession->run(steps, tries); });
    cfgLink->release();
    updateCfgButtons();
    return result;
}
