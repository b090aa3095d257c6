// The XML profile file, without any widget: a ModuleConfig and a work mode
// become the document Export and the backups write, and a file becomes the
// values, the work mode and the refusals an import takes from it. Each leaf
// holds the comma-separated texts of its fields, as the form shows them; the
// fields of a leaf come from the field table (cfgfields).
#ifndef PROFILEFILE_H
#define PROFILEFILE_H

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

#include "cfgfile/cfgleaf.h"
#include "protocol/moduleconfig.h"
#include "serial/wiretext.h"

class QSaveFile;
class QXmlStreamReader;

class ProfileFile
{
    Q_DECLARE_TR_FUNCTIONS(ProfileFile)

public:
    // Every file this program can write is far smaller (thirteen texts of at
    // most 32767 characters each); reading no more than this bounds the memory
    // and time spent on whatever else is chosen.
    static constexpr qint64 maxFileBytes = 4 * 1024 * 1024;

    // The document of `config`, selectors by their items in the language
    // `english` picks. Without a work mode the DFWM leaf is left out: a
    // profile states one only when someone chose one.
    static QByteArray document(const ModuleConfig &config, std::optional<int> workMode, bool english);
    // The texts of the leaf's fields as the document holds them.
    static QStringList leafTexts(const ModuleConfig &config, std::optional<int> workMode, const QString &leaf,
                                 bool english);
    // The names of the texts a reader of the document would not get back as
    // they are: a leaf is cut at commas, surplus commas going to its first
    // field, so a comma elsewhere (an access point's key) moves text.
    static QStringList lostToCommas(const ModuleConfig &config, bool english);
    // What a profile written of `config` now would not hold as the module
    // gave it: the read's problems, and the texts lost to commas.
    static QStringList unsavable(const ModuleConfig &config, bool english, wiretext::Encoding encoding);

    // Writes `document` into `file` (open, written aside) and puts it in
    // place, whole or not at all. False, with why, when it could not.
    static bool commit(QSaveFile &file, const QByteArray &document, QString *why);

    // The file at `path`, read as bytes (the XML reader folds line ends itself).
    static ProfileFile read(const QString &path);
    static ProfileFile parse(const QByteArray &data);
    // Why --apply refuses the profile at `path` before opening any port, as
    // the import and the write would say it, every problem named; empty when
    // it can be written.
    static QString refusal(const QString &path, bool english, wiretext::Encoding encoding);

    QString openError() const { return m_openError; }   // the file could not be opened: why
    bool isProfile() const { return m_isProfile; }      // its root element is none of ours: false
    // Why the file could not be read to its end, in the language of the
    // installed catalogue; empty when it was. What came before stays taken.
    QString readFailure() const;
    // The values the file's leaves gave, the last leaf of a name winning; a
    // field a leaf got wrong keeps what an earlier one gave, or none.
    const ModuleConfig &config() const { return m_config; }
    std::optional<int> workMode() const { return m_workMode; }   // the last DFWM leaf that named one
    // The tabs of its group elements (0 base, 1 Wi-Fi, 2 transparent mode),
    // in the order the first of each kind came.
    const QList<int> &groups() const { return m_groups; }
    // What its leaves got wrong: the repeated leaves first, then each leaf's
    // problems in file order.
    QList<cfgleaf::Problem> problems() const;
    // The leaves of a complete profile it lacks (DFWM is never needed).
    QStringList missingLeaves() const;
    // Why it is no profile to write as it is: its read failure, its leaves'
    // problems, the leaves it lacks; empty when it is whole.
    QStringList refusals() const;
    // The group element whose fields the tab `tab` shows.
    static QString groupName(int tab);
    // What the import says of a file that is none of ours.
    static QString notProfileText();

private:
    void readGroup(QXmlStreamReader &reader, int group);
    void takeLeaf(const QString &leaf, const QString &text);

    QString m_openError;
    bool m_isProfile = true;
    bool m_tooLarge = false;
    QString m_xmlError;
    qint64 m_errorLine = 0;
    qint64 m_errorColumn = 0;
    ModuleConfig m_config;
    std::optional<int> m_workMode;
    QList<int> m_groups;
    QStringList m_seen;   // every leaf met, a repeated one as often as it came
    QList<cfgleaf::Problem> m_leafProblems;
};

#endif // PROFILEFILE_H
