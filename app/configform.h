// ConfigForm: the configuration form's widgets bound to the field table.
// It finds each field's widget by the table's object name, gives the form's
// values as one ModuleConfig, fills the form from a read's values, keeps what
// a read could not show (a flag that was neither "0" nor "1", text from a
// line not valid in the wire encoding, a MAC that is no MAC), knows the
// module's values as of the last read or write and marks the labels of the
// fields that differ from them, and locks the fields while a sequence runs.
// The window asks and tells; this is where a field's widget is touched.
#ifndef CONFIGFORM_H
#define CONFIGFORM_H

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include "protocol/moduleconfig.h"

class QCheckBox;
class QLineEdit;
class QWidget;

class ConfigForm : public QObject
{
    // The texts are the window's: its catalogue translates them.
    Q_DECLARE_TR_FUNCTIONS(Quorvel)

public:
    // Binds every field of the table among `form`'s children (each must be there).
    explicit ConfigForm(QWidget *form);

    QWidget *widget(const QString &name) const { return m_widgets.value(name); }
    QWidget *widget(const char *name) const { return widget(QLatin1String(name)); }
    // Every field the write sends, in the order of its commands.
    QList<QWidget *> writtenFields() const;
    // A field's name in the language on screen, e.g. "AP设置/密码".
    static QString fieldName(const QWidget *field, bool english);

    // The form's values as a configuration, with what a read could not show marked.
    ModuleConfig config() const;
    // The written values as a read or a write leaves them known.
    QHash<QString, QString> values() const { return config().writtenValues(); }

    // What a read's answers gave, into the form; `lineClean` false: the
    // answer line was not valid in the wire encoding.
    void setReadValues(const QHash<QString, QString> &values, bool lineClean);
    void setMacBad(bool bad) { m_macBad = bad; }
    // None of what a read could not show, before the next read or import fills the form.
    void forgetReadProblems();

    // A value as the form shows it, in the language on screen.
    static QString shown(const QWidget *field, const QString &value);
    // The written fields whose values differ between `from` and `to`; with a
    // dynamic address in `to`, the static address fields do not count.
    QList<QWidget *> changedFields(const QHash<QString, QString> &from, const QHash<QString, QString> &to) const;
    // One `line` (%1 the field's name, %2 and %3 its two values) per changed field, in the order of the write.
    QStringList differences(const QHash<QString, QString> &from, const QHash<QString, QString> &to,
                            const QString &line, bool english) const;

    // What the module holds as of the last read or write on the open port;
    // empty while unknown. The label of every field the next write would
    // change is bold.
    const QHash<QString, QString> &moduleValues() const { return m_moduleValues; }
    void setModuleValues(const QHash<QString, QString> &values);
    void markChanged();

    // The user's fields (not the module's own information) read-only or not.
    void setLocked(bool locked);

private:
    void setReadValue(QWidget *field, const QString &value, bool lineClean);
    QWidget *label(const QWidget *field) const;

    QWidget *m_form;
    QHash<QString, QWidget *> m_widgets;   // the field table's widgets by object name
    QSet<QLineEdit *> m_unclean;           // filled by a read from a line not valid in the wire encoding
    QSet<QCheckBox *> m_unreadFlags;       // a read's flag that was neither "0" nor "1"
    bool m_macBad = false;                 // the last read's MAC answer was no MAC address
    QHash<QString, QString> m_moduleValues;
};

#endif // CONFIGFORM_H
