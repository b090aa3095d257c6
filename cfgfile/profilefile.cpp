// The profile file's document, and what an import takes from one.
#include "cfgfile/profilefile.h"

#include <QSaveFile>

#include <QCoreApplication>
#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

const QString rootName = QStringLiteral("TESSELANE_CFG");
// The group elements, by the tab that shows their fields.
const QString groupNames[] = {QStringLiteral("BASE_GROUP_ELEM"), QStringLiteral("WIFI_GROUP_ELEM"),
                              QStringLiteral("TP_GROUP_ELEM")};
const QString workModeLeaf = QStringLiteral("DFWM");

bool hasLineBreak(const QString &text)
{
    return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(u'\0'));
}

// The selector's item that `text` names, in either language; -1 for none.
int itemIndex(const cfgfields::Field &field, const QString &text)
{
    const int index = int(cfgfields::items(field, false).indexOf(text));
    return index >= 0 ? index : cfgfields::bilingualItemIndex(QString::fromLatin1(field.widget), text);
}

} // namespace

QStringList ProfileFile::leafTexts(const ModuleConfig &config, std::optional<int> workMode, const QString &leaf,
                                   bool english)
{
    QStringList texts;
    for (const cfgfields::Field *f : cfgfields::leafFields(leaf)) {
        const QString value = config.value(QLatin1String(f->widget));
        switch (f->kind) {
        case cfgfields::Kind::Selector: {   // no item (none given, or "-1"): empty
            bool known = leaf == workModeLeaf;
            const int index = known ? workMode.value_or(-1) : value.toInt(&known);
            const QStringList items = cfgfields::items(*f, english);
            texts << (known && index >= 0 && index < items.size() ? items.at(index) : QString());
            break;
        }
        case cfgfields::Kind::Check:
            texts << (value == QLatin1String("1") ? QStringLiteral("1") : QStringLiteral("0"));
            break;
        case cfgfields::Kind::Text:
            texts << value;
            break;
        }
    }
    return texts;
}

QByteArray ProfileFile::document(const ModuleConfig &config, std::optional<int> workMode, bool english)
{
    QByteArray document;
    // Characters that XML 1.0 cannot hold (control characters) are left out
    // by the writer; everything else is escaped as needed.
    QXmlStreamWriter writer(&document);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(4);
    writer.writeStartDocument();
    writer.writeStartElement(rootName);
    for (const QString &group : groupNames) {
        writer.writeStartElement(group);
        for (const QString &leaf : cfgfields::leaves(group)) {
            if (leaf == workModeLeaf && !workMode)
                continue;
            writer.writeTextElement(leaf, leafTexts(config, workMode, leaf, english).join(u','));
        }
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    return document;
}

QStringList ProfileFile::lostToCommas(const ModuleConfig &config, bool english)
{
    QStringList lost;
    for (const QString &leaf : cfgfields::leaves()) {
        const QStringList texts = leafTexts(config, std::nullopt, leaf, english);
        QStringList back;
        if (cfgleaf::splitFields(texts.join(u','), int(texts.size()), &back) && back == texts)
            continue;
        for (const cfgfields::Field *f : cfgfields::leafFields(leaf)) {
            if (f->kind == cfgfields::Kind::Text && config.value(QLatin1String(f->widget)).contains(u','))
                lost << cfgfields::name(*f, english);
        }
    }
    return lost;
}

QStringList ProfileFile::unsavable(const ModuleConfig &config, bool english, wiretext::Encoding encoding)
{
    QStringList problems = config.readProblemTexts(english, encoding);
    const QStringList lost = lostToCommas(config, english);
    if (!lost.isEmpty())
        problems << tr("%1含有逗号，导入时不能原样取回").arg(lost.join(tr("、")));
    return problems;
}

ProfileFile ProfileFile::read(const QString &path)
{
    // Read as bytes: a text-mode read could drop bytes before the size bound sees them.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ProfileFile unread;
        unread.m_openError = file.errorString();
        return unread;
    }
    return parse(file.read(maxFileBytes + 1));
}

ProfileFile ProfileFile::parse(const QByteArray &data)
{
    ProfileFile profile;
    QXmlStreamReader reader(data);
    if (data.size() > maxFileBytes) {
        profile.m_tooLarge = true;
        reader.raiseError(QStringLiteral("too large"));
    }
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement())
            break;
    }
    if (reader.isStartElement() && reader.name() != rootName) {
        profile.m_isProfile = false;
        return profile;
    }
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        for (int group = 0; group < 3; ++group) {
            if (reader.name() == groupNames[group]) {
                profile.readGroup(reader, group);
                break;
            }
        }
    }
    if (reader.hasError() && !profile.m_tooLarge) {
        profile.m_xmlError = reader.errorString();
        profile.m_errorLine = reader.lineNumber();
        profile.m_errorColumn = reader.columnNumber();
    }
    return profile;
}

// Reads the leaves of the group whose start tag the reader has just passed,
// up to its end tag or the first element that is not one of its leaves.
void ProfileFile::readGroup(QXmlStreamReader &reader, int group)
{
    if (!m_groups.contains(group))
        m_groups << group;
    const QStringList leaves = cfgfields::leaves(groupNames[group]);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement())
            return;
        if (!reader.isStartElement())
            continue;
        const QString leaf = reader.name().toString();
        if (!leaves.contains(leaf))
            return;
        const QString text = reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (reader.hasError())   // a child element, or the input ends inside the leaf
            return;
        m_seen << leaf;
        takeLeaf(leaf, text);
    }
}

// Every field the leaf carries is taken: a text, an empty one too (an open
// access point has no key); a selector's item, where the field names one; a
// flag, "0" unticked and anything else ticked. A text with a line break, or
// with too few fields, gives nothing. What the leaf gets wrong is kept, each
// field named.
void ProfileFile::takeLeaf(const QString &leaf, const QString &text)
{
    using cfgleaf::Problem;
    const QList<const cfgfields::Field *> fields = cfgfields::leafFields(leaf);
    if (hasLineBreak(text)) {
        m_leafProblems << Problem{leaf, Problem::LineBreak};
        return;
    }
    QStringList values;
    if (!cfgleaf::splitFields(text, int(fields.size()), &values)) {
        m_leafProblems << Problem{leaf, Problem::FieldCount, 0, int(fields.size())};
        return;
    }
    for (qsizetype i = 0; i < values.size(); ++i) {
        const cfgfields::Field &field = *fields.at(i);
        const QString widget = QLatin1String(field.widget);
        const QString &value = values.at(i);
        const int number = int(i) + 1;
        switch (field.kind) {
        case cfgfields::Kind::Text:
            m_config.set(widget, value);
            break;
        case cfgfields::Kind::Selector: {
            const int index = value.isEmpty() ? -1 : itemIndex(field, value);
            if (value.isEmpty())
                m_leafProblems << Problem{leaf, Problem::EmptyChoice, number};
            else if (index < 0 || index >= field.items)
                m_leafProblems << Problem{leaf, Problem::NotAnItem, number, 0, value};
            else if (leaf == workModeLeaf)
                m_workMode = index;
            else
                m_config.set(widget, QString::number(index));
            break;
        }
        case cfgfields::Kind::Check:
            if (value != QLatin1String("0") && value != QLatin1String("1"))
                m_leafProblems << Problem{leaf, Problem::NotAFlag, number, 0, value};
            m_config.set(widget, value == QLatin1String("0") ? QStringLiteral("0") : QStringLiteral("1"));
            break;
        }
    }
}

QString ProfileFile::readFailure() const
{
    if (m_tooLarge)
        return tr("文件大于 %1 MiB，不是配置文件").arg(maxFileBytes >> 20);
    if (m_xmlError.isEmpty())
        return QString();
    // The reader's words, and where it stopped.
    return tr("%1（第 %2 行第 %3 列）")
        .arg(m_xmlError, QString::number(m_errorLine), QString::number(m_errorColumn));
}

QList<cfgleaf::Problem> ProfileFile::problems() const
{
    // A leaf given twice makes the file no profile: which of the two is meant?
    QList<cfgleaf::Problem> problems;
    for (const QString &leaf : cfgfields::leaves()) {
        if (const int times = int(m_seen.count(leaf)); times > 1)
            problems.append({leaf, cfgleaf::Problem::Repeated, 0, times});
    }
    return problems + m_leafProblems;
}

QStringList ProfileFile::missingLeaves() const
{
    QStringList missing;
    for (const QString &leaf : cfgfields::leaves()) {
        if (leaf != workModeLeaf && !m_seen.contains(leaf))
            missing << leaf;
    }
    return missing;
}

QStringList ProfileFile::refusals() const
{
    QStringList refusals;
    if (const QString failure = readFailure(); !failure.isEmpty())
        refusals << tr("导入遇到错误：%1").arg(failure);
    for (const cfgleaf::Problem &problem : problems())
        refusals << cfgleaf::problemText(problem);
    if (const QStringList missing = missingLeaves(); !missing.isEmpty())
        refusals << tr("文件缺少 %1").arg(missing.join(QStringLiteral(", ")));
    return refusals;
}

QString ProfileFile::groupName(int tab)
{
    return groupNames[tab];
}

QString ProfileFile::notProfileText()
{
    return tr("不是%1格式的XML配置文件,导入失败").arg(QStringLiteral("Quorvel"));
}

QString ProfileFile::refusal(const QString &path, bool english, wiretext::Encoding encoding)
{
    const ProfileFile profile = read(path);
    if (!profile.openError().isEmpty())
        return tr("不能打开文件%1（%2）").arg(path, profile.openError());
    if (!profile.isProfile())
        return notProfileText();
    if (const QString failure = profile.readFailure(); !failure.isEmpty())
        return tr("导入遇到错误：%1").arg(failure);
    // The form an import leaves: the reset's values, and what the file gave.
    const QStringList refusals =
        profile.refusals() + profile.config().over(ModuleConfig::defaults()).problemTexts(english, encoding);
    if (refusals.isEmpty())
        return QString();
    return tr("配置文件有误，没有写入模块：%1").arg(refusals.join(tr("；")));
}

bool ProfileFile::commit(QSaveFile &file, const QByteArray &document, QString *why)
{
    // commit() misses a failed final flush (a full disk) and would put the
    // truncated file in place: flush first, and give up on failure.
    QString failure;
    if (file.write(document) != document.size() || !file.flush()) {
        failure = file.errorString();
        file.cancelWriting();
    }
    const bool written = file.commit();
    if (failure.isEmpty())
        failure = file.errorString();
    if (!written && why)
        *why = failure;
    return written;
}
