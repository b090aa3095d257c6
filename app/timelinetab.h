// TimelineTab: the "All ports" tab. Every console's rows in one log, in the
// order of their times, each tagged with its port's short name in its
// colour (ConsoleSet's timeline), with the log's times, hex view, find,
// copy, save and recording as every console has them (LogView; a saved or
// recorded file has the port in a column of its own). Its command line
// sends one line to every open port, or to those ticked under "发送到",
// each in its own wire encoding.
#ifndef TIMELINETAB_H
#define TIMELINETAB_H

#include <QSet>
#include <QWidget>

#include "app/logview.h"

class ConsoleSet;
class QLineEdit;
class QPushButton;
class QToolButton;

class TimelineTab : public QWidget
{
    Q_OBJECT

public:
    explicit TimelineTab(ConsoleSet &set, QWidget *parent = nullptr);

    LogView &logView() { return *view; }
    // The ports a send goes to: every open one but those unticked.
    QList<int> chosenPorts() const;
    void setPortChosen(int port, bool chosen);
    // Sends the command line's text (CR LF added) to the chosen ports.
    void send();
    void retranslate();

signals:
    void statusMessage(const QString &text, int ms);

private:
    void buildWidgets();
    void fillPortMenu();

    ConsoleSet &set;
    QSet<int> unticked;
    struct Widgets : LogView::Widgets
    {
        QPushButton *pushButton_clearLog;
        QPushButton *pushButton_send;
        QLineEdit *lineEdit_cmd;
        QToolButton *toolButton_sendTo;
    } ui{};
    LogView *view = nullptr;
};

#endif // TIMELINETAB_H
