// RFC 4180 writing and reading of report rows, their texts guarded against
// spreadsheet formulas (see csvtable.h).
#include "report/csvtable.h"

#include <QCoreApplication>

namespace csvtable {

QByteArray line(const QStringList &fields)
{
    QByteArray out;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        const QByteArray value = fields.at(i).toUtf8();
        if (value.contains(',') || value.contains('"') || value.contains('\n') || value.contains('\r')) {
            out += '"';
            out += QByteArray(value).replace("\"", "\"\"");
            out += '"';
        } else {
            out += value;
        }
    }
    out += "\r\n";
    return out;
}

QString guarded(const QString &text)
{
    if (text.isEmpty())
        return text;
    switch (text.front().unicode()) {
    case '=': case '+': case '-': case '@': case '\t': case '\r': case '\'':
        return u'\'' + text;
    default:
        return text;
    }
}

QString unguarded(const QString &cell)
{
    return cell.startsWith(u'\'') ? cell.mid(1) : cell;
}

QString isoTime(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+')
        + QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

bool parse(const QByteArray &bytes, QList<QStringList> *records, QString *why)
{
    records->clear();
    qsizetype i = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const qsizetype n = bytes.size();
    int lineNo = 1;
    QStringList record;
    QByteArray field;
    while (i < n) {
        const int recordLine = lineNo;
        record.clear();
        for (;;) {   // one field
            field.clear();
            if (i < n && bytes.at(i) == '"') {
                ++i;
                for (;;) {
                    if (i >= n) {
                        if (why)
                            *why = QCoreApplication::translate("csvtable", "a quote opened on line %1 is never closed")
                                       .arg(recordLine);
                        return false;
                    }
                    const char c = bytes.at(i++);
                    if (c == '"') {
                        if (i < n && bytes.at(i) == '"') {
                            field += '"';
                            ++i;
                        } else {
                            break;
                        }
                    } else {
                        if (c == '\n')
                            ++lineNo;
                        field += c;
                    }
                }
                // Anything between the closing quote and the separator is kept as it is.
                while (i < n && bytes.at(i) != ',' && bytes.at(i) != '\n' && bytes.at(i) != '\r')
                    field += bytes.at(i++);
            } else {
                while (i < n && bytes.at(i) != ',' && bytes.at(i) != '\n' && bytes.at(i) != '\r')
                    field += bytes.at(i++);
            }
            record.append(QString::fromUtf8(field));
            if (i < n && bytes.at(i) == ',') {
                ++i;
                continue;
            }
            break;
        }
        if (i < n && bytes.at(i) == '\r')
            ++i;
        if (i < n && bytes.at(i) == '\n')
            ++i;
        ++lineNo;
        if (!(record.size() == 1 && record.first().isEmpty()))   // blank lines carry no record
            records->append(record);
    }
    return true;
}

QStringList fields(const ReportRow &row, const QStringList &columns)
{
    QStringList out;
    out.reserve(columns.size());
    for (const QString &c : columns) {
        if (c == u"time")
            out << isoTime(row.time);
        else if (c == u"exit")
            out << QString::number(row.exitCode);
        else if (c == u"ms")
            out << QString::number(row.ms);
        else if (c == u"port")
            out << guarded(row.port);
        else if (c == u"mac")
            out << guarded(row.mac);
        else if (c == u"label")
            out << guarded(row.label);
        else if (c == u"firmware")
            out << guarded(row.firmware);
        else if (c == u"action")
            out << guarded(row.action);
        else if (c == u"profile")
            out << guarded(row.profile);
        else if (c == u"profile_sha256")
            out << guarded(row.profileSha256);
        else if (c == u"result")
            out << (row.pass ? QStringLiteral("pass") : QStringLiteral("fail"));
        else if (c == u"detail")
            out << guarded(row.detail);
        else if (c == u"station")
            out << guarded(row.station);
        else if (c == u"run_id")
            out << guarded(row.runId);
        else
            out << QString();
    }
    return out;
}

bool toRow(const QStringList &columns, const QStringList &record, ReportRow *row, QString *why)
{
    *row = ReportRow();
    auto bad = [why](const QString &column, const QString &value) {
        if (why)
            *why = QCoreApplication::translate("csvtable", "%1 \"%2\" does not read").arg(column, value);
        return false;
    };
    for (qsizetype i = 0; i < columns.size() && i < record.size(); ++i) {
        const QString &c = columns.at(i);
        const QString &v = record.at(i);
        const QString text = unguarded(v);
        bool ok = true;
        if (c == u"time") {
            row->time = QDateTime::fromString(v, Qt::ISODateWithMs);
            if (!row->time.isValid())
                return bad(c, v);
        } else if (c == u"port") {
            row->port = text;
        } else if (c == u"mac") {
            row->mac = text;
        } else if (c == u"label") {
            row->label = text;
        } else if (c == u"firmware") {
            row->firmware = text;
        } else if (c == u"action") {
            row->action = text;
        } else if (c == u"profile") {
            row->profile = text;
        } else if (c == u"profile_sha256") {
            row->profileSha256 = text;
        } else if (c == u"result") {
            if (v != u"pass" && v != u"fail")
                return bad(c, v);
            row->pass = v == u"pass";
        } else if (c == u"exit") {
            row->exitCode = v.toInt(&ok);
        } else if (c == u"detail") {
            row->detail = text;
        } else if (c == u"ms") {
            row->ms = v.toLongLong(&ok);
        } else if (c == u"station") {
            row->station = text;
        } else if (c == u"run_id") {
            row->runId = text;
        }
        if (!ok)
            return bad(c, v);
    }
    return true;
}

} // namespace csvtable
