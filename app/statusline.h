// StatusLine: the rules of the window's status bar. The final message of a
// read, a write, an import, an export or a save stays its full time and, on
// a language switch, shows again in the new language; the port's state
// (lost, awaited, back) goes on the lamp's tooltip at once and into the
// status bar only once such a final message has had its time, so that a cut
// sequence's failure is not replaced at once.
#ifndef STATUSLINE_H
#define STATUSLINE_H

#include <QDeadlineTimer>
#include <QObject>
#include <QString>

#include <functional>

class QStatusBar;
class QTimer;
class QWidget;

class StatusLine : public QObject
{
public:
    // `lamp` is the port's lamp, whose tooltip says the port's state.
    StatusLine(QStatusBar *bar, QWidget *lamp);

    // `text` makes the message in the language on screen, now and after a switch.
    void showFinal(std::function<QString()> text, int ms);
    void showFinal(const QString &text, int ms)
    {
        showFinal([text] { return text; }, ms);
    }
    bool finalShowing() const { return !finalDeadline.hasExpired(); }
    void showPort(const QString &text, int ms = 0);
    // The final message still showing, again in the language now on screen.
    void retranslate();

private:
    void showPendingPort();

    QStatusBar *bar;
    QWidget *lamp;
    QDeadlineTimer finalDeadline;         // the final message shows until then
    std::function<QString()> finalText;   // that message, in the language on screen
    QString pendingPort;                  // a port message held back while a final message shows
    QTimer *portTimer = nullptr;
};

#endif // STATUSLINE_H
