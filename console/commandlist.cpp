#include "console/commandlist.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>

#include "console/logtext.h"

namespace {

// "/PATTERN/" at the start of `rest`, and what follows its closing slash
// (the last slash of the line that only spaces and digits follow).
bool splitPattern(const QString &rest, QString *pattern, QString *after)
{
    if (!rest.startsWith(u'/'))
        return false;
    for (qsizetype close = rest.size() - 1; close > 0; --close) {
        if (rest.at(close) != u'/')
            continue;
        const QString tail = rest.mid(close + 1);
        for (QChar c : tail) {
            if (!c.isSpace() && !c.isDigit())
                return false;
        }
        *pattern = rest.mid(1, close - 1);
        *after = tail.trimmed();
        return true;
    }
    return false;
}

std::optional<int> milliseconds(const QString &text)
{
    bool ok = !text.isEmpty();
    for (QChar c : text)
        ok = ok && c >= u'0' && c <= u'9';
    const qulonglong ms = ok ? text.toULongLong(&ok) : 0;
    if (!ok || ms > qulonglong(CommandList::maxMs))
        return std::nullopt;
    return int(ms);
}

// A pattern compiled once however many steps use it: the copies share it.
QRegularExpression compiled(const QString &pattern)
{
    static thread_local QHash<QString, QRegularExpression> known;
    if (known.size() > 1000)
        known.clear();
    auto it = known.constFind(pattern);
    if (it == known.cend()) {
        QRegularExpression expression(pattern);
        (void)expression.isValid();   // compiles it
        it = known.insert(pattern, expression);
    }
    return *it;
}

QString badMilliseconds(const QString &text)
{
    return CommandList::tr("“%1”不是 0 到 %2 之间的毫秒数").arg(text).arg(CommandList::maxMs);
}

} // namespace

std::optional<CommandList::Step> CommandList::parseLine(const QString &line, QString *why)
{
    QString ignored;
    if (!why)
        why = &ignored;
    Step step;
    step.source = line;
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
        return step;
    qsizetype space = 0;
    while (space < trimmed.size() && !trimmed.at(space).isSpace())
        ++space;
    const QString word = trimmed.left(space);
    const QString rest = trimmed.mid(space).trimmed();
    if (word == QLatin1String("send")) {
        step.kind = Kind::Send;
        // The rest of the line as written, but for the spaces after the word.
        const QString afterWord = line.mid(line.indexOf(word) + word.size());
        qsizetype from = 0;
        while (from < afterWord.size() && afterWord.at(from).isSpace())
            ++from;
        step.text = afterWord.mid(from);
        return step;
    }
    if (word == QLatin1String("wait")) {
        const std::optional<int> ms = milliseconds(rest);
        if (!ms) {
            *why = badMilliseconds(rest);
            return std::nullopt;
        }
        step.kind = Kind::Wait;
        step.ms = *ms;
        return step;
    }
    if (word == QLatin1String("hex")) {
        qsizetype bad = -1;
        const std::optional<QByteArray> bytes = logtext::parseHex(rest, &bad);
        if (!bytes || bytes->isEmpty()) {
            *why = bytes ? tr("hex 后面没有字节")
                         : tr("不是十六进制字节，第 %1 个字符“%2”有误").arg(bad + 1).arg(rest.mid(bad, 1));
            return std::nullopt;
        }
        step.kind = Kind::Hex;
        step.bytes = *bytes;
        return step;
    }
    if (word == QLatin1String("expect") || word == QLatin1String("error")) {
        step.kind = word == QLatin1String("expect") ? Kind::Expect : Kind::Error;
        QString pattern, after;
        if (!splitPattern(rest, &pattern, &after) || pattern.isEmpty()) {
            *why = tr("%1 需要写在两个斜杠之间的正则表达式，如 /^OK/").arg(word);
            return std::nullopt;
        }
        step.pattern = compiled(pattern);
        if (!step.pattern.isValid()) {
            *why = tr("正则表达式 /%1/ 有误：%2").arg(pattern, step.pattern.errorString());
            return std::nullopt;
        }
        step.ms = defaultExpectMs;
        if (!after.isEmpty()) {
            const std::optional<int> ms = step.kind == Kind::Expect ? milliseconds(after) : std::nullopt;
            if (!ms) {
                *why = step.kind == Kind::Expect ? badMilliseconds(after) : tr("error 的正则表达式后面不能再有内容");
                return std::nullopt;
            }
            step.ms = *ms;
        }
        return step;
    }
    *why = tr("不认识“%1”：一行以 send、expect、wait、hex 或 error 开头，# 开头的是注释").arg(word);
    return std::nullopt;
}

std::optional<CommandList> CommandList::parse(const QString &text, QString *why)
{
    CommandList list;
    QStringList lines = text.split(u'\n');
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();   // the file's last line end
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(u'\r'))
            line.chop(1);
        QString wrong;
        const std::optional<Step> step = parseLine(line, &wrong);
        if (!step) {
            *why = tr("第 %1 行：%2").arg(i + 1).arg(wrong);
            return std::nullopt;
        }
        list.steps.append(*step);
    }
    if (list.steps.size() == 1 && list.steps.first().source.isEmpty())
        list.steps.clear();   // an empty file
    return list;
}

std::optional<CommandList> CommandList::load(const QString &path, QString *why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = tr("不能打开命令列表 %1：%2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (utf8.hasError() || bytes.contains('\0')) {
        *why = tr("命令列表 %1 不是 UTF-8 文本").arg(path);
        return std::nullopt;
    }
    QString wrong;
    std::optional<CommandList> list = parse(text, &wrong);
    if (!list)
        *why = tr("命令列表 %1 %2").arg(path, wrong);
    return list;
}

QString CommandList::name() const
{
    for (const Step &step : steps) {
        const QString trimmed = step.source.trimmed();
        if (trimmed.startsWith(u'#'))
            return trimmed.mid(1).trimmed();
    }
    return QString();
}

QString CommandList::text() const
{
    QString all;
    for (const Step &step : steps)
        all += step.source + u'\n';
    return all;
}

bool CommandList::save(const QString &path, QString *why) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text().toUtf8()) < 0 || !file.commit()) {
        *why = tr("不能保存命令列表 %1：%2").arg(path, file.errorString());
        return false;
    }
    return true;
}

QString CommandList::patternText(const Step &step)
{
    return u'/' + step.pattern.pattern() + u'/';
}
