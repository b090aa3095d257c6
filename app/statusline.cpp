#include "app/statusline.h"

#include <QStatusBar>
#include <QTimer>

StatusLine::StatusLine(QStatusBar *bar, QWidget *lamp) : QObject(bar), bar(bar), lamp(lamp)
{
    portTimer = new QTimer(this);
    portTimer->setSingleShot(true);
    connect(portTimer, &QTimer::timeout, this, &StatusLine::showPendingPort);
}

void StatusLine::showFinal(std::function<QString()> text, int ms)
{
    finalText = std::move(text);
    bar->showMessage(finalText(), ms);
    finalDeadline.setRemainingTime(ms);
}

void StatusLine::retranslate()
{
    if (!finalText || finalDeadline.hasExpired())
        return;
    bar->showMessage(finalText(), int(finalDeadline.remainingTime()));
}

void StatusLine::showPort(const QString &text, int ms)
{
    lamp->setToolTip(text);
    if (finalDeadline.hasExpired()) {
        pendingPort.clear();
        bar->showMessage(text, ms);
        return;
    }
    pendingPort = text;
    portTimer->start(int(finalDeadline.remainingTime()));
}

void StatusLine::showPendingPort()
{
    if (!pendingPort.isEmpty())
        bar->showMessage(pendingPort);
    pendingPort.clear();
}
