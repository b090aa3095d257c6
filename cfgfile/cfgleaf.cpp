// Field cutting and cleaning for the configuration file's leaves.
#include "cfgfile/cfgleaf.h"

#include <QCoreApplication>
#include <QVarLengthArray>

namespace cfgleaf {

bool splitFields(QStringView text, int count, QStringList *fields)
{
    if (count < 1)
        return false;
    // The last count - 1 commas separate the fields; everything before them,
    // commas included, is the first field: what a greedy match produces.
    QVarLengthArray<qsizetype, 8> commas(count - 1);
    qsizetype end = text.size();
    for (int k = count - 2; k >= 0; --k) {
        const qsizetype comma = end > 0 ? text.lastIndexOf(u',', end - 1) : -1;
        if (comma < 0)
            return false;
        commas[k] = comma;
        end = comma;
    }

    QStringList result;
    result.reserve(count);
    qsizetype start = 0;
    for (const qsizetype comma : std::as_const(commas)) {
        result.append(text.mid(start, comma - start).toString());
        start = comma + 1;
    }
    result.append(text.mid(start).toString());
    *fields = result;
    return true;
}

QString problemText(const Problem &problem)
{
    const auto tr = [](const char *text) { return QCoreApplication::translate("cfgleaf", text); };
    const QString field = QString::number(problem.field);
    // A text from the file is quoted as it is, but not at any length.
    const QString text = problem.text.size() > 40 ? problem.text.left(40) + QStringLiteral("…") : problem.text;
    switch (problem.kind) {
    case Problem::Repeated:
        return tr("%1 出现了 %2 次").arg(problem.leaf, QString::number(problem.count));
    case Problem::LineBreak:
        return tr("%1 含有换行").arg(problem.leaf);
    case Problem::FieldCount:
        return tr("%1 应有 %2 个字段").arg(problem.leaf, QString::number(problem.count));
    case Problem::EmptyChoice:
        return tr("%1 的第 %2 个字段为空").arg(problem.leaf, field);
    case Problem::NotAnItem:
        return tr("%1 的第 %2 个字段“%3”不是可选的值").arg(problem.leaf, field, text);
    case Problem::NotAFlag:
        return tr("%1 的第 %2 个字段“%3”应为 0 或 1").arg(problem.leaf, field, text);
    }
    return problem.leaf;
}

} // namespace cfgleaf
