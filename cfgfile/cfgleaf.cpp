// Field cutting and cleaning for the configuration file's leaves.
#include "cfgfile/cfgleaf.h"

#include <QVarLengthArray>

namespace cfgleaf {

bool splitFields(QStringView text, int count, QStringList *fields)
{
    if (count < 1 || text.isEmpty())
        return false;
    // Choosing every comma as far right as the fields after it allow gives
    // each field, from the left, its longest possible text: what a greedy
    // match of the pattern produces.
    QVarLengthArray<qsizetype, 8> commas(count - 1);
    qsizetype end = text.size();   // end of the field after the comma sought
    for (int k = count - 2; k >= 0; --k) {
        const qsizetype from = end - 2;   // that field needs one character
        if (from < 0)
            return false;
        const qsizetype comma = text.lastIndexOf(u',', from);
        if (comma < 0)
            return false;
        commas[k] = comma;
        end = comma;
    }
    if (end < 1)   // empty first field
        return false;

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

int bilingualItemIndex(QStringView comboName, QStringView text)
{
    struct Item {
        const char16_t *combo;
        int index;
        const char16_t *chinese;
        const char16_t *english;
    };
    static const Item items[] = {
        {u"comboBox_wifi_mode", 0, u"AP模式", u"AP"},
        {u"comboBox_wifi_mode", 1, u"STA模式", u"STA"},
        {u"comboBox_ip_mode", 0, u"动态IP", u"Dynamic IP"},
        {u"comboBox_ip_mode", 1, u"静态IP", u"Static IP"},
        {u"comboBox_TP_S_C", 0, u"服务器", u"Server"},
        {u"comboBox_TP_S_C", 1, u"客户端", u"Client"},
    };
    for (const Item &item : items) {
        if (comboName == QStringView(item.combo)
            && (text == QStringView(item.chinese) || text == QStringView(item.english)))
            return item.index;
    }
    return -1;
}

} // namespace cfgleaf
