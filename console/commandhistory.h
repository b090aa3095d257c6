// The command line's history: the last lines sent, oldest first, no two the
// same in a row. Up and Down walk it; one past the newest is the line that
// was being typed when the walk began.
#ifndef COMMANDHISTORY_H
#define COMMANDHISTORY_H

#include <QString>
#include <QStringList>

#include <optional>

class CommandHistory
{
public:
    static constexpr int maxLines = 100;

    // The newest maxLines of `lines` (as the settings file kept them); the walk starts past the newest.
    void setLines(const QStringList &lines);
    const QStringList &lines() const { return m_lines; }
    // A line sent; the walk starts again past the newest.
    void remember(const QString &line);
    // One line older (step -1) or newer (1) than the one shown; `typed` is
    // what the command line holds now. The text to show, or none at either end.
    std::optional<QString> walk(int step, const QString &typed);

private:
    QStringList m_lines;
    int m_pos = 0;     // m_lines.size(): the line being typed
    QString m_draft;   // the line being typed, while walking
};

#endif // COMMANDHISTORY_H
