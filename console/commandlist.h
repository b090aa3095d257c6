// CommandList: a list of commands as a technician writes it, one step a
// line in a plain UTF-8 text file:
//   # a comment (the first one names the list)
//   error /PATTERN/        from here on a received line matching it fails the running expect
//   send TEXT              TEXT sent as the console sends a line
//   expect /PATTERN/ [MS]  the first received line matching it within MS (1000) passes
//   wait MS
//   hex 41 54 0D 0A        these bytes, exactly
// Every line of the file is a row, blank lines and comments included, so
// that a list loaded and saved again is the same file. Parsing names the
// first line that is none of these; nothing in a list runs anything but
// these steps.
#ifndef COMMANDLIST_H
#define COMMANDLIST_H

#include <QByteArray>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

class CommandList
{
    Q_DECLARE_TR_FUNCTIONS(CommandList)

public:
    enum class Kind { Note, Send, Expect, Wait, Hex, Error };   // Note: a comment or a blank line

    struct Step
    {
        Kind kind = Kind::Note;
        QString source;                // the line as written
        QString text;                  // send: what goes out (before its line end)
        QRegularExpression pattern;    // expect, error
        int ms = 0;                    // expect: its time-out; wait: its length
        QByteArray bytes;              // hex

        bool acts() const { return kind != Kind::Note; }
    };

    static constexpr int defaultExpectMs = 1000;
    static constexpr int maxMs = 3600000;   // an hour: longer is a typing slip

    // One line as a step, or nothing with why (without the line number) in *why (when given).
    static std::optional<Step> parseLine(const QString &line, QString *why);
    // A whole file's text; nothing, with the first bad line named in *why.
    static std::optional<CommandList> parse(const QString &text, QString *why);
    // A file: also says when it cannot be read or is not UTF-8 text.
    static std::optional<CommandList> load(const QString &path, QString *why);

    // The list's name: its first comment, without the "#".
    QString name() const;
    // The rows as a file's text, one line each, LF line ends.
    QString text() const;
    bool save(const QString &path, QString *why) const;

    // The pattern of a step as written, slashes included.
    static QString patternText(const Step &step);

    QVector<Step> steps;
};

#endif // COMMANDLIST_H
