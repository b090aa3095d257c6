// Leaf splitting against the whole-text pattern it stands for: the first byte picks the number of fields.
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

#include "cfgfile/cfgleaf.h"
#include "protocol/cfgfields.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0 || size > 512)   // the pattern backtracks; long texts add nothing
        return 0;
    const int count = 1 + data[0] % 6;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    QStringList fields{QStringLiteral("untouched")};
    const bool split = cfgleaf::splitFields(text, count, &fields);

    QStringList groups(count, QStringLiteral("(.*)"));   // a field may be empty (an open AP has no key)
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(groups.join(QLatin1Char(','))),
                                     QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = pattern.match(text);
    const QStringList expected = match.capturedTexts().mid(1);
    if (split != match.hasMatch() || fields != (split ? expected : QStringList{QStringLiteral("untouched")}))
        std::abort();
    for (const char16_t *combo : {u"comboBox_wifi_mode", u"comboBox_ip_mode", u"comboBox_TP_S_C", u"other"}) {
        const int index = cfgfields::bilingualItemIndex(QStringView(combo), text);
        if (index < -1 || index > 1)
            std::abort();
    }
    return 0;
}
