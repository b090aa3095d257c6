// CommandPanel: the command list beside the console. Every line of a list
// file is a row of listWidget_commands, edited in place (F2, or the add,
// remove and move buttons) and saved back as the same text. Double-click or
// F1-F12 (the first twelve steps) sends one step; Run goes through the list,
// the current row highlighted and each step marked with its outcome; Step
// runs the next step alone; Stop ends a run at once. A run holds the link:
// the console and the configuration wait until it ends. The rows run on
// CommandRun (console/commandrun.h), as `quorvel --run` runs them.
#ifndef COMMANDPANEL_H
#define COMMANDPANEL_H

#include <QGroupBox>
#include <QString>

#include <functional>

#include "console/commandlist.h"
#include "console/commandrun.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QToolButton;
class QShortcut;
class QSettings;
class SerialLink;

class CommandPanel : public QGroupBox
{
    Q_OBJECT

public:
    // `mayRun` says why nothing may be sent now (the port closed, a read
    // running), or nothing; `say` shows a message in the status bar.
    CommandPanel(SerialLink &link, std::function<QString()> mayRun,
                 std::function<void(const QString &text, int ms)> say, QWidget *parent = nullptr);

    // Where a step's text and bytes go (CommandRun::setTextSender).
    CommandRun &runner() { return run; }
    bool running() const { return run.running(); }

    // The list file remembered in the settings, reopened at start.
    void loadSettings(const QSettings &settings);
    void saveSettings(QSettings &settings) const;

    bool load(const QString &path);
    bool save(const QString &path);
    // The rows as a list, or nothing with the first bad row named in *why.
    std::optional<CommandList> list(QString *why) const;
    // A row's mark after its step ran ("✓ answer", "✗ why", "■" where a run was stopped), or why it is no step.
    static constexpr int outcomeRole = Qt::UserRole + 1;

    void retranslate();
    // Step key F<n+1> on or off (F3 finds in the log while its find line is open).
    void setStepKeyEnabled(int n, bool on);

signals:
    void runningChanged(bool running);

private:
    void start(int first, int count);
    void stepEnded(int row, bool passed, const QString &detail);
    void finished(const CommandRun::Outcome &outcome);
    void rowEdited(QListWidgetItem *item);
    void addRow();
    void removeRow();
    void moveRow(int by);
    void showRows(const CommandList &list);
    void clearMarks();
    void updateButtons();
    void updateTitle();
    void stepNext();
    int actingRow(int nth) const;   // the row of the nth step that acts; -1: none

    SerialLink &link;
    std::function<QString()> mayRun;
    std::function<void(const QString &, int)> say;
    CommandRun run;
    QListWidget *rows = nullptr;
    QLabel *nameLabel = nullptr;
    // Tool buttons: as narrow as their texts, so that the log keeps the width.
    QToolButton *runButton = nullptr, *stepButton = nullptr, *stopButton = nullptr;
    QToolButton *loadButton = nullptr, *saveButton = nullptr;
    QToolButton *addButton = nullptr, *removeButton = nullptr, *upButton = nullptr, *downButton = nullptr;
    QString path;            // the file the rows came from or went to
    bool changed = false;    // edited since
    bool filling = false;    // rows being put in by the program, not edited
    int stepRow = -1;        // the row Step runs next
    QList<QShortcut *> stepKeys;   // F1 to F12
    bool single = false;     // the run is one step (double-click, F key, Step)
};

#endif // COMMANDPANEL_H
