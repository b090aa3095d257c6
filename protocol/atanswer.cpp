// Answer patterns of the module and set-command building (see atanswer.h).
#include "protocol/atanswer.h"

namespace atanswer {

namespace {

QRegularExpression wholeLine(const QString &pattern)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                              QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

const QRegularExpression &plainOk()
{
    static const QRegularExpression re = wholeLine(QStringLiteral("OK\\r\\n"));
    return re;
}

const QRegularExpression &errorWithCode()
{
    static const QRegularExpression re = wholeLine(QStringLiteral("ERR=([0-9]{1,3})\\r\\n"));
    return re;
}

const QRegularExpression &okWithText()
{
    static const QRegularExpression re = wholeLine(QStringLiteral("OK.+"));
    return re;
}

const QRegularExpression &errWithText()
{
    static const QRegularExpression re = wholeLine(QStringLiteral("ERR.+"));
    return re;
}

const QRegularExpression &okLine()
{
    static const QRegularExpression re = wholeLine(QStringLiteral("OK.*\\r\\n"));
    return re;
}

const QRegularExpression &errLine()
{
    static const QRegularExpression re = wholeLine(QStringLiteral("ERR.*\\r\\n"));
    return re;
}

// A field may be empty: the write sends empty texts (an SSID not yet set,
// the key of an open network), and the module must be readable afterwards.
const QRegularExpression &dataAnswer(int fields)
{
    static const QRegularExpression patterns[maxFields] = {
        wholeLine(QStringLiteral("OK=(.*)\\r\\n")),
        wholeLine(QStringLiteral("OK=(.*),(.*)\\r\\n")),
        wholeLine(QStringLiteral("OK=(.*),(.*),(.*)\\r\\n")),
        wholeLine(QStringLiteral("OK=(.*),(.*),(.*),(.*)\\r\\n")),
        wholeLine(QStringLiteral("OK=(.*),(.*),(.*),(.*),(.*)\\r\\n")),
    };
    Q_ASSERT(fields >= 1 && fields <= maxFields);
    return patterns[qBound(1, fields, maxFields) - 1];
}

bool matchesWhole(const QRegularExpression &pattern, const QString &line, QRegularExpressionMatch *match)
{
    QRegularExpressionMatch m = pattern.match(line);
    const bool ok = m.hasMatch();
    if (match)
        *match = std::move(m);
    return ok;
}

bool dataFields(const QString &line, int count, QStringList *fields)
{
    if (count < 1 || count > maxFields)
        return false;
    QRegularExpressionMatch m;
    if (!matchesWhole(dataAnswer(count), line, &m))
        return false;
    fields->clear();
    for (int i = 1; i <= count; ++i)
        fields->append(m.captured(i));
    return true;
}

bool leadingFields(const QString &line, int count, QStringList *fields)
{
    if (count < 1 || count > maxFields)
        return false;
    QRegularExpressionMatch m;
    if (!matchesWhole(dataAnswer(1), line, &m))
        return false;
    const QString body = m.captured(1);
    QStringList out;
    qsizetype start = 0;
    for (int i = 1; i < count; ++i) {
        const qsizetype comma = body.indexOf(u',', start);
        if (comma < 0)
            return false;
        out << body.mid(start, comma - start);
        start = comma + 1;
    }
    out << body.mid(start);
    *fields = out;
    return true;
}

std::optional<int> errorCode(const QString &line)
{
    QRegularExpressionMatch m;
    if (!matchesWhole(errorWithCode(), line, &m))
        return std::nullopt;
    return m.captured(1).toInt(nullptr, 10);
}

std::optional<int> code(QStringView field)
{
    // Nine digits at most: always an int, and far beyond any list.
    if (field.isEmpty() || field.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const QChar c : field) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

QString withoutLineBreaks(QStringView text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (c != u'\r' && c != u'\n' && c != u'\0')
            kept += c;
    }
    return kept;
}

QString setCommand(const QString &prefix, const QStringList &values)
{
    QString command = prefix;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            command += QLatin1Char(',');
        command += withoutLineBreaks(values.at(i));
    }
    return command;
}

} // namespace atanswer
