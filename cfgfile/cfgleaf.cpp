// Field cutting and cleaning for the configuration file's leaves.
#include "cfgfile/cfgleaf.h"

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

} // namespace cfgleaf
