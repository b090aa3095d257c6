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
