// The configuration field table and what is computed from it alone.
#include "protocol/cfgfields.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

#include "protocol/atanswer.h"

namespace cfgfields {

namespace {

using K = Kind;
using S = Shown;
constexpr int kept = -2;   // reset: the field keeps what it shows (the Wi-Fi role)
constexpr Value any = Value::Any, address = Value::Address, port = Value::Port, number = Value::Number,
                ssid = Value::Ssid, key = Value::Key;

// widget, kind, shown, query, answer pos, set command, set pos, code offset, items, leaf, leaf pos, reset,
// value a text takes, label, name (Chinese, English), a selector's items (in Chinese, and in English where
// they differ)
const QList<Field> table = {
    // The module's own information: read only.
    {"lineEdit_deviceSoftwareVer", K::Text, S::Info, "AT+VER?", 0, nullptr, 0, 0, 0, nullptr, 0, 0, any,
     "label_4", "设备相关/软件版本", "Device/Software Ver", nullptr, nullptr},
    {"lineEdit_device_mac", K::Text, S::Mac, "AT+MAC?", 0, nullptr, 0, 0, 0, nullptr, 0, 0, any,
     "label_10", "设备相关/MAC地址", "Device/MAC Address", nullptr, nullptr},
    {"lineEdit_wifi_mode", K::Text, S::Role, "AT+APSTA?", 0, nullptr, 0, 0, 0, nullptr, 0, 0, any,
     "label_14", "设备相关/WIFI模式", "Device/WIFI mode", nullptr, nullptr},
    {"lineEdit_net_state", K::Text, S::OnOff, "AT+NETS?", 1, nullptr, 0, 0, 0, nullptr, 0, 0, any,
     "label_11", "设备相关/网络状态", "Device/Network state", nullptr, nullptr},
    {"lineEdit_ip", K::Text, S::AsIs, "AT+CURIP?", 0, nullptr, 0, 0, 0, nullptr, 0, 0, any,
     "label_18", "设备相关/IP", "Device/IP", nullptr, nullptr},
    {"lineEdit_ip_gatway", K::Text, S::AsIs, "AT+CURIP?", 1, nullptr, 0, 0, 0, nullptr, 0, 0, any,
     "label_19", "设备相关/网关", "Device/gateway", nullptr, nullptr},
    {"lineEdit_ip_mask", K::Text, S::AsIs, "AT+CURIP?", 2, nullptr, 0, 0, 0, nullptr, 0, 0, any,
     "label_20", "设备相关/地址隐码", "Device/IP mask", nullptr, nullptr},
    // The module's UART.
    {"comboBox_deviceBps", K::Selector, S::AsIs, "AT+UART?", 0, "AT+UART=", 0, 0, 8, "UART", 0, 5, any,
     "label_bps_2", "UART参数/波特率", "UART/BaudRate",
     "4800|9600|19200|38400|76800|115200|128000|256000", nullptr},
    {"comboBox_deviceDataBit", K::Selector, S::AsIs, "AT+UART?", 1, "AT+UART=", 1, 5, 4, "UART", 1, 3, any,
     "label_dataBit_2", "UART参数/数据位", "UART/DataBit", "5|6|7|8", nullptr},
    {"comboBox_deviceParBit", K::Selector, S::AsIs, "AT+UART?", 2, "AT+UART=", 2, 0, 3, "UART", 2, 0, any,
     "label_94", "UART参数/校验位", "UART/Parity", "None|Even|Odd", nullptr},
    {"comboBox_deviceStopBit", K::Selector, S::AsIs, "AT+UART?", 3, "AT+UART=", 3, 1, 2, "UART", 3, 0, any,
     "label_stopBit_2", "UART参数/停止位", "UART/StopBit", "1|2", nullptr},
    {"comboBox_deviceFlow", K::Selector, S::AsIs, "AT+UART?", 4, "AT+UART=", 4, 0, 2, "UART", 4, 0, any,
     "label_stopBit_3", "UART参数/流控", "UART/Flow Control", "None|Hardware", nullptr},
    // Sent by its own control when chosen; the profile carries it.
    {"comboBox_defaultWorkMode", K::Selector, S::AsIs, nullptr, 0, nullptr, 0, 0, 2, "DFWM", 0, 0, any,
     "label_95", "系统控制/默认工作模式", "System Control/Default Work Mode", "AT_MODE|TP_MODE", nullptr},
    // Wi-Fi.
    {"comboBox_wifi_mode", K::Selector, S::AsIs, "AT+APSTA?", 0, "AT+APSTA=", 0, 0, 2, "WIFI_MODE", 0, kept,
     any, "label_2", "WIFI模式", "WIFI mode", "AP模式|STA模式", "AP|STA"},
    {"lineEdit_AP_SSID", K::Text, S::AsIs, "AT+APMOD?", 0, "AT+APMOD=", 0, 0, 0, "WIFI_AP", 0, 0, ssid,
     "label_3", "AP设置/SSID", "AP Mode/SSID", nullptr, nullptr},
    {"comboBox_MODE", K::Selector, S::AsIs, "AT+APMOD?", 1, "AT+APMOD=", 1, 1, 5, "WIFI_AP", 4, 3, any,
     "label_8", "AP设置/无线模式", "AP Mode/Wireless Mode", "11a|11b|11g|11n|HT40", nullptr},
    {"comboBox_CH", K::Selector, S::AsIs, "AT+APMOD?", 2, "AT+APMOD=", 2, 1, 13, "WIFI_AP", 5, 1, any,
     "label_9", "AP设置/信道", "AP Mode/Channel", "1|2|3|4|5|6|7|8|9|10|11|12|13", nullptr},
    {"comboBox_AUTH", K::Selector, S::AsIs, "AT+APKEY?", 0, "AT+APKEY=", 0, 0, 8, "WIFI_AP", 2, 4, any,
     "label_6", "AP设置/安全模式", "AP Mode/Authorization",
     "NONE|WPA|WAP2|WAP_PSK|WAP2_PSK|WAP_CCKM|WPA2_CCKM|WPA2_PSK_SHA256", nullptr},
    {"comboBox_CRYPT", K::Selector, S::AsIs, "AT+APKEY?", 1, "AT+APKEY=", 1, 0, 6, "WIFI_AP", 3, 3, any,
     "label_7", "AP设置/加密模式", "AP Mode/Encryption", "NONE|WEP|TKIP|AES|BIP|KTK", nullptr},
    {"lineEdit_AP_KEY", K::Text, S::AsIs, "AT+APKEY?", 2, "AT+APKEY=", 2, 0, 0, "WIFI_AP", 1, 0, key,
     "label_5", "AP设置/密码", "AP Mode/Key", nullptr, nullptr},
    {"lineEdit_STA_SSID", K::Text, S::AsIs, "AT+STAMOD?", 0, "AT+STAMOD=", 0, 0, 0, "WIFI_STA", 0, 0, ssid,
     "label_12", "STA设置/目标SSID", "STA Mode/AP SSID", nullptr, nullptr},
    {"lineEdit_STA_KEY", K::Text, S::AsIs, "AT+STAMOD?", 1, "AT+STAMOD=", 1, 0, 0, "WIFI_STA", 1, 0, key,
     "label_13", "STA设置/密码", "STA Mode/Key", nullptr, nullptr},
    {"comboBox_ip_mode", K::Selector, S::AsIs, "AT+IPCFG?", 0, "AT+IPCFG=", 0, 0, 2, "WIFI_IP", 0, 0, any,
     "comboBox_ip_mode", "IP设置", "IP", "动态IP|静态IP", "Dynamic IP|Static IP"},
    {"lineEdit_set_ip", K::Text, S::AsIs, "AT+IPCFG?", 1, "AT+IPCFG=", 1, 0, 0, "WIFI_IP", 1, 0, address,
     "label_15", "IP设置/IP", "IP/IP", nullptr, nullptr},
    {"lineEdit_set_gatway", K::Text, S::AsIs, "AT+IPCFG?", 2, "AT+IPCFG=", 2, 0, 0, "WIFI_IP", 2, 0, address,
     "label_21", "IP设置/网关", "IP/gateway", nullptr, nullptr},
    {"lineEdit_set_mask", K::Text, S::AsIs, "AT+IPCFG?", 3, "AT+IPCFG=", 3, 0, 0, "WIFI_IP", 3, 0, address,
     "label_30", "IP设置/地址隐码", "IP/IP mask", nullptr, nullptr},
    {"checkBox_en_dhcp", K::Check, S::AsIs, "AT+DHCP?", 0, "AT+DHCP=", 0, 0, 0, "WIFI_DHCP", 0, 0, any,
     "checkBox_en_dhcp", "IP设置/使能DHCP", "IP/Enable DHCP", nullptr, nullptr},
    {"lineEdit_dhcp_start_ip", K::Text, S::AsIs, "AT+DHCP?", 1, "AT+DHCP=", 1, 0, 0, "WIFI_DHCP", 1, 0, address,
     "label_16", "IP设置/起始地址", "IP/Start IP", nullptr, nullptr},
    {"lineEdit_dhcp_end_ip", K::Text, S::AsIs, "AT+DHCP?", 2, "AT+DHCP=", 2, 0, 0, "WIFI_DHCP", 2, 0, address,
     "label_23", "IP设置/结束地址", "IP/End IP", nullptr, nullptr},
    // Transparent mode.
    {"comboBox_TP_TCP_UDP", K::Selector, S::AsIs, "AT+TPSOCK?", 0, "AT+TPSOCK=", 0, 0, 2, "TP_TP", 0, 0, any,
     "label_31", "TP设置/协议", "TP setting/Protocol", "TCP|UDP", nullptr},
    {"comboBox_TP_S_C", K::Selector, S::AsIs, "AT+TPSOCK?", 1, "AT+TPSOCK=", 1, 0, 2, "TP_TP", 1, 0, any,
     "label_32", "TP设置/类型", "TP setting/Type", "服务器|客户端", "Server|Client"},
    {"lineEdit_TP_ADDR", K::Text, S::AsIs, "AT+TPSOCK?", 2, "AT+TPSOCK=", 2, 0, 0, "TP_TP", 2, 0, address,
     "label_34", "TP设置/地址", "TP setting/Address", nullptr, nullptr},
    {"lineEdit_TP_PORT", K::Text, S::AsIs, "AT+TPSOCK?", 3, "AT+TPSOCK=", 3, 0, 0, "TP_TP", 3, 0, port,
     "label_35", "TP设置/端口", "TP setting/Port", nullptr, nullptr},
    {"lineEdit_fframe_time", K::Text, S::AsIs, "AT+FFRAME?", 0, "AT+FFRAME=", 0, 0, 0, "TP_FRAME", 0, 0, number,
     "label_36", "成帧设置/自由成帧时间间隔", "Frame setting/Free Frame Time", nullptr, nullptr},
    {"lineEdit_aframe_len", K::Text, S::AsIs, "AT+AFRAME?", 0, "AT+AFRAME=", 0, 0, 0, "TP_FRAME", 1, 0, number,
     "label_38", "成帧设置/自动成帧长度", "Frame setting/Auto Frame Len", nullptr, nullptr},
    {"lineEdit_aframe_time", K::Text, S::AsIs, "AT+AFRAME?", 1, "AT+AFRAME=", 1, 0, 0, "TP_FRAME", 2, 0, number,
     "label_37", "成帧设置/自动成帧时间", "Frame setting/Auto Frame Time", nullptr, nullptr},
};

const QList<Query> queryTable = {
    {"AT+VER?", 1, false},   {"AT+MAC?", 1, false},    {"AT+APSTA?", 1, false},  {"AT+NETS?", 2, false},
    {"AT+CURIP?", 3, false}, {"AT+UART?", 5, false},   {"AT+APMOD?", 3, false},  {"AT+APKEY?", 3, true},
    {"AT+STAMOD?", 2, false}, {"AT+IPCFG?", 4, false}, {"AT+DHCP?", 3, false},   {"AT+TPSOCK?", 4, false},
    {"AT+FFRAME?", 1, false}, {"AT+AFRAME?", 2, false},
};

// The UART settings go last: the module's line changes with them.
const char *const setTable[] = {"AT+APSTA=", "AT+APMOD=", "AT+APKEY=", "AT+STAMOD=", "AT+IPCFG=",
                                "AT+DHCP=",  "AT+TPSOCK=", "AT+FFRAME=", "AT+AFRAME=", "AT+UART="};

// The profile's leaves in file order, each in its group element.
const struct {
    const char *group;
    const char *leaf;
} leafTable[] = {
    {"BASE_GROUP_ELEM", "UART"},    {"BASE_GROUP_ELEM", "DFWM"},     {"WIFI_GROUP_ELEM", "WIFI_MODE"},
    {"WIFI_GROUP_ELEM", "WIFI_AP"}, {"WIFI_GROUP_ELEM", "WIFI_STA"}, {"WIFI_GROUP_ELEM", "WIFI_IP"},
    {"WIFI_GROUP_ELEM", "WIFI_DHCP"}, {"TP_GROUP_ELEM", "TP_TP"},    {"TP_GROUP_ELEM", "TP_FRAME"},
};

// A selector's item index for a wire code, or -1 for a code that is empty,
// not a number or outside the list.
int indexOfCode(const Field &field, const QString &code)
{
    const std::optional<int> number = atanswer::code(code);
    const int index = number ? *number - field.codeOffset : -1;
    return index >= 0 && index < field.items ? index : -1;
}

QString shownValue(const Field &field, const QString &text)
{
    switch (field.shown) {
    case Shown::Info:
        return escapedText(text);
    case Shown::Mac: {
        const QString mac = canonicalMac(text);
        return mac.isEmpty() ? escapedText(text) : mac;
    }
    case Shown::OnOff:
        return text == QLatin1String("1") ? QStringLiteral("ON") : QStringLiteral("OFF");
    case Shown::Role:
        return text == QLatin1String("0") ? QStringLiteral("AP") : text == QLatin1String("1") ? QStringLiteral("STA") : text;
    case Shown::AsIs:
        break;
    }
    switch (field.kind) {
    case Kind::Selector:
        return QString::number(indexOfCode(field, text));
    case Kind::Check:
        return text == QLatin1String("1") || text == QLatin1String("0") ? text : QStringLiteral("?");
    case Kind::Text:
        break;
    }
    return text;
}

} // namespace

const QList<Field> &all()
{
    return table;
}

const QList<Query> &queries()
{
    return queryTable;
}

QStringList setCommands()
{
    QStringList cmds;
    for (const char *cmd : setTable)
        cmds << QLatin1String(cmd);
    return cmds;
}

const Field *find(QStringView widget)
{
    for (const Field &f : table) {
        if (widget == QLatin1String(f.widget))
            return &f;
    }
    return nullptr;
}

QStringList leaves(QStringView group)
{
    QStringList names;
    for (const auto &entry : leafTable) {
        if (group.isEmpty() || group == QLatin1String(entry.group))
            names << QLatin1String(entry.leaf);
    }
    return names;
}

QList<const Field *> leafFields(QStringView leaf)
{
    QList<const Field *> fields;
    for (const Field &f : table) {
        if (f.leaf && leaf == QLatin1String(f.leaf))
            fields << &f;
    }
    std::sort(fields.begin(), fields.end(), [](const Field *a, const Field *b) { return a->leafPos < b->leafPos; });
    return fields;
}

QList<const Field *> written()
{
    QList<const Field *> fields;
    for (const char *cmd : setTable) {
        QList<const Field *> mine;
        for (const Field &f : table) {
            if (f.set && qstrcmp(f.set, cmd) == 0)
                mine << &f;
        }
        std::sort(mine.begin(), mine.end(), [](const Field *a, const Field *b) { return a->setPos < b->setPos; });
        fields << mine;
    }
    return fields;
}

bool staticAddressOnly(const Field &field)
{
    return field.set && qstrcmp(field.set, "AT+IPCFG=") == 0 && field.setPos > 0;
}

QString name(const Field &field, bool english)
{
    return QString::fromUtf8(english ? field.nameEn : field.nameZh);
}

bool parseAnswer(QStringView query, const QString &line, QHash<QString, QString> *values)
{
    const auto q = std::find_if(queryTable.cbegin(), queryTable.cend(),
                                [query](const Query &entry) { return query == QLatin1String(entry.cmd); });
    if (q == queryTable.cend())
        return false;
    QStringList f;
    if (!(q->lastTakesCommas ? atanswer::leadingFields(line, q->fields, &f) : atanswer::dataFields(line, q->fields, &f)))
        return false;
    for (const Field &field : table) {
        if (field.query && query == QLatin1String(field.query))
            values->insert(QLatin1String(field.widget), shownValue(field, f.at(field.answerPos)));
    }
    return true;
}

QString setCommand(QStringView prefix, const QHash<QString, QString> &values)
{
    QStringList sent;
    for (const Field *field : written()) {
        if (prefix != QLatin1String(field->set))
            continue;
        const QString value = values.value(QLatin1String(field->widget));
        if (field->kind == Kind::Selector) {
            const int index = value.toInt();
            sent << (index < 0 ? QString() : QString::number(index + field->codeOffset));
        } else {
            sent << value;
        }
    }
    // A dynamic address needs none of the static one's fields.
    if (prefix == QLatin1String("AT+IPCFG=") && values.value(QStringLiteral("comboBox_ip_mode")) == QLatin1String("0"))
        sent = sent.mid(0, 1);
    return atanswer::setCommand(prefix.toString(), sent);
}

QStringList items(const Field &field, bool english)
{
    if (field.kind != Kind::Selector || !field.itemsZh)
        return {};
    return QString::fromUtf8(english && field.itemsEn ? field.itemsEn : field.itemsZh).split(u'|');
}

int bilingualItemIndex(QStringView widget, QStringView text)
{
    const Field *field = find(widget);
    if (!field || !field->itemsEn)
        return -1;
    for (const char *items : {field->itemsZh, field->itemsEn}) {
        const int index = int(QString::fromUtf8(items).split(u'|').indexOf(text));
        if (index >= 0)
            return index;
    }
    return -1;
}

const char *formChars(const Field &field)
{
    switch (field.value) {
    case Value::Address:
        return "[0-9.]*";
    case Value::Port:
    case Value::Number:
        return "[0-9]*";
    case Value::Any:
    case Value::Ssid:
    case Value::Key:
        break;
    }
    return nullptr;
}

bool mayHoldComma(const Field &field)
{
    if (!field.set || field.kind != Kind::Text)
        return false;
    for (const Field &other : table) {
        if (&other == &field || !other.set || qstrcmp(other.set, field.set) != 0)
            continue;
        if (other.kind == Kind::Text || other.setPos > field.setPos)
            return false;
    }
    return true;
}

namespace {

bool isAddress(const QString &text)
{
    static const QRegularExpression quad(QStringLiteral("^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$"));
    const QRegularExpressionMatch m = quad.match(text);
    if (!m.hasMatch())
        return false;
    for (int i = 1; i <= 4; ++i) {
        if (m.capturedView(i).toInt() > 255)
            return false;
    }
    return true;
}

bool allDigits(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Whether the write sends the field with the form's values as they are, and
// whether the module needs it filled in then.
bool sentNow(const Field &field, const QHash<QString, QString> &values)
{
    return !(staticAddressOnly(field) && values.value(QStringLiteral("comboBox_ip_mode")) == QLatin1String("0"));
}

bool neededNow(const Field &field, const QHash<QString, QString> &values)
{
    if (staticAddressOnly(field))
        return true;   // sent only in static mode, where the module needs all three
    const bool pool = field.set && qstrcmp(field.set, "AT+DHCP=") == 0 && field.kind == Kind::Text;
    return pool && values.value(QStringLiteral("checkBox_en_dhcp")) == QLatin1String("1");
}

} // namespace

QList<Problem> valueProblems(const QHash<QString, QString> &values, wiretext::Encoding encoding)
{
    QList<Problem> problems;
    for (const Field &f : table) {   // in the form's order, as the user reads it
        const Field *field = &f;
        if (!field->set || !sentNow(*field, values))
            continue;
        const QString value = values.value(QLatin1String(field->widget));
        const auto add = [&](Problem::Kind kind, int limit = 0) { problems.append({field, kind, limit}); };
        if (field->kind == Kind::Selector) {
            bool number = false;
            const int index = value.toInt(&number);
            if (!number || index < 0 || index >= field->items)
                add(Problem::NoChoice);
            continue;
        }
        if (field->kind == Kind::Check) {
            if (value != QLatin1String("0") && value != QLatin1String("1"))
                add(Problem::NoChoice);
            continue;
        }
        if (value.contains(u'\r') || value.contains(u'\n') || value.contains(QChar(u'\0'))) {
            add(Problem::LineBreak);
            continue;
        }
        if (value.contains(u',') && !mayHoldComma(*field))
            add(Problem::Comma);
        bool clean = true;
        const qsizetype bytes = wiretext::encode(value, encoding, &clean).size();
        if (!clean)
            add(Problem::Unencodable);
        if (value.isEmpty()) {
            if (neededNow(*field, values))
                add(Problem::Missing);
            continue;
        }
        switch (field->value) {
        case Value::Any:
            break;
        case Value::Ssid:
            if (bytes > 32)
                add(Problem::TooLong, 32);
            break;
        case Value::Key:
            if (bytes > 64)
                add(Problem::TooLong, 64);
            break;
        case Value::Address:
            if (!isAddress(value))
                add(Problem::NotAddress);
            break;
        case Value::Port:
            if (!allDigits(value) || value.size() > 5 || value.toInt() < 1 || value.toInt() > 65535)
                add(Problem::NotPort);
            break;
        case Value::Number:
            if (!allDigits(value) || value.size() > 9)
                add(Problem::NotNumber);
            break;
        }
    }
    return problems;
}

QStringList problemTexts(const QList<Problem> &problems, bool english, wiretext::Encoding encoding)
{
    const auto tr = [](const char *text) { return QCoreApplication::translate("cfgfields", text); };
    QStringList texts;
    for (int kind = Problem::NoChoice; kind <= Problem::Missing; ++kind) {
        // One text for the fields of a kind (and of a limit), in the order they came.
        QList<int> limits;
        for (const Problem &p : problems) {
            if (p.kind == kind && !limits.contains(p.limit))
                limits << p.limit;
        }
        for (const int limit : std::as_const(limits)) {
            QStringList names;
            for (const Problem &p : problems) {
                if (p.kind == kind && p.limit == limit)
                    names << name(*p.field, english);
            }
            const QString fields = names.join(tr("、"));
            switch (Problem::Kind(kind)) {
            case Problem::NoChoice:
                texts << tr("%1没有选择值").arg(fields);
                break;
            case Problem::LineBreak:
                texts << tr("%1含有换行").arg(fields);
                break;
            case Problem::Comma:
                texts << tr("%1含有逗号（模块会把它当作分隔符）").arg(fields);
                break;
            case Problem::Unencodable:
                texts << tr("%1含有%2不能表示的字符").arg(fields, wiretext::name(encoding));
                break;
            case Problem::TooLong:
                texts << tr("%1超过 %2 字节").arg(fields, QString::number(limit));
                break;
            case Problem::NotAddress:
                texts << tr("%1不是 IP 地址（四个 0 到 255 的数，以点分隔）").arg(fields);
                break;
            case Problem::NotPort:
                texts << tr("%1不是 1 到 65535 的端口").arg(fields);
                break;
            case Problem::NotNumber:
                texts << tr("%1不是最多 9 位的数").arg(fields);
                break;
            case Problem::Missing:
                texts << tr("%1不能为空").arg(fields);
                break;
            }
        }
    }
    return texts;
}

QString canonicalMac(QStringView text)
{
    static const QRegularExpression form(
        QStringLiteral("^[0-9A-Fa-f]{2}([:-]?)[0-9A-Fa-f]{2}(?:\\1[0-9A-Fa-f]{2}){4}$"));
    const QString trimmed = text.trimmed().toString();
    if (!form.match(trimmed).hasMatch())
        return QString();
    QString hex = trimmed.toUpper();
    hex.remove(u':').remove(u'-');
    for (int i = 10; i > 0; i -= 2)
        hex.insert(i, u':');
    return hex;
}

QString escapedText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7f)
            out += QLatin1String("\\x") + QLatin1Char("0123456789ABCDEF"[u >> 4]) + QLatin1Char("0123456789ABCDEF"[u & 15]);
        else
            out += c;
    }
    return out;
}

} // namespace cfgfields
