// ConsoleTabs: the window's consoles as tabs (tabWidget_consoles). The
// first tab is the window's own console, whose port the configuration side
// reads and writes; pushButton_addConsole (beside its open button) adds a
// ConsoleTab for another port. With more than one console an "All ports"
// tab (TimelineTab) shows every console's rows in one timeline and sends
// to all of them. With one console the tab bar hides, and the window looks
// as it always did.
//
// With several consoles the selector above the configuration form
// (comboBox_cfgConsole) names the console whose port Read, Write, an
// import's work mode and the control buttons talk to; the first by default.
// First::bindTo is told which link that is. The selector is the window's
// to enable; a bound console is not closed while the configuration side is
// busy with its port.
//
// Closing a tab closes its port. The consoles and their choices are kept
// in the settings ("consoles/size", "consoles/<n>/…") when the window
// closes, and come back at the next start.
#ifndef CONSOLETABS_H
#define CONSOLETABS_H

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

#include "app/timelinetab.h"
#include "console/consoleset.h"

class ConsoleTab;
class LogView;
class PortComboBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QSettings;
class QTabWidget;
class QVBoxLayout;
class SerialLink;

class ConsoleTabs : public QObject
{
    Q_OBJECT

public:
    struct First
    {
        QGroupBox *box;            // the window's console, whose layout becomes the first tab
        QGridLayout *portGrid;     // its port row: the add button goes beside the open button
        PortComboBox *portBox;
        SerialLink *link;
        LogView *log;             // its log's find keys move into its tab
        QLabel *cfgLabel;         // the selector above the configuration form, and its label
        QComboBox *cfgSelector;
        std::function<bool()> cfgBusy;   // a read, a write, an import or an export runs
        std::function<void(SerialLink *)> bindTo;   // the configuration side now works on this link
        int logMaxRows;           // the bound of its log, which every console's and the timeline's take
    };
    // `settings` stays the window's for its lifetime; `status` shows a console's message.
    ConsoleTabs(const First &first, QSettings &settings, std::function<void(const QString &, int)> status,
                QWidget *window);

    QTabWidget *tabs() const { return m_tabs; }
    ConsoleSet &set() { return m_set; }
    // The extra consoles, in tab order.
    QList<ConsoleTab *> consoles() const;
    TimelineTab *timeline() const { return m_timeline; }
    ConsoleTab *addConsole();
    void closeConsole(ConsoleTab *tab);
    // The console the configuration side works on: nullptr for the first.
    ConsoleTab *bound() const;
    void bind(ConsoleTab *tab);
    void retranslate();
    void saveSettings();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void wrapFirst(QGroupBox *box, LogView *firstLog);
    void showTimeline();
    void titleFirst();
    void restore();
    void fillSelector();

    QSettings &settings;
    std::function<void(const QString &, int)> status;
    ConsoleSet m_set;
    QTabWidget *m_tabs = nullptr;
    QPushButton *m_add = nullptr;
    PortComboBox *m_firstPortBox = nullptr;
    SerialLink *m_firstLink = nullptr;
    QLabel *m_cfgLabel = nullptr;
    QComboBox *m_cfgSelector = nullptr;
    std::function<bool()> m_cfgBusy;
    std::function<void(SerialLink *)> m_bindTo;
    int m_logMaxRows = 100000;
    QPointer<ConsoleTab> m_bound;
    int m_firstPort = 0;   // the first console's number in the timeline
    QPointer<TimelineTab> m_timeline;
};

#endif // CONSOLETABS_H
