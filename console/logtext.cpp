// Console texts from bytes and back; see logtext.h.
#include "console/logtext.h"

#include <QDateTime>
#include <QStringDecoder>

namespace logtext {

namespace {

const char hexDigits[] = "0123456789ABCDEF";

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

void appendEscape(QByteArray &out, uchar byte)
{
    out += "\\x";
    out += hexDigits[byte >> 4];
    out += hexDigits[byte & 15];
}

// One character of decoded text, as the file shows it.
void appendChar(QByteArray &out, char32_t c)
{
    if (c < 0x20 || c == 0x7f)
        appendEscape(out, uchar(c));
    else if (c == u'\\')
        out += "\\\\";
    else
        out += QString::fromUcs4(&c, 1).toUtf8();
}

bool isContinuation(uchar b)
{
    return (b & 0xc0) == 0x80;
}

// The length of the valid UTF-8 sequence at raw[i] (a byte of 0x80 or
// above), or 0 when none starts there.
qsizetype utf8Length(QByteArrayView raw, qsizetype i)
{
    const uchar lead = uchar(raw[i]);
    qsizetype len = 0;
    uchar low = 0x80, high = 0xbf;   // the range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        len = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        len = 3;
        if (lead == 0xe0)
            low = 0xa0;   // no overlong forms
        else if (lead == 0xed)
            high = 0x9f;   // no surrogates
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        len = 4;
        if (lead == 0xf0)
            low = 0x90;
        else if (lead == 0xf4)
            high = 0x8f;   // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (i + len > raw.size())
        return 0;
    const uchar second = uchar(raw[i + 1]);
    if (second < low || second > high)
        return 0;
    for (qsizetype k = 2; k < len; ++k) {
        if (!isContinuation(uchar(raw[i + k])))
            return 0;
    }
    return len;
}

QByteArray escapedUtf8(QByteArrayView raw)
{
    bool plain = true;
    for (const char c : raw) {
        const uchar u = uchar(c);
        if (u < 0x20 || u == 0x7f || u == '\\') {
            plain = false;
            break;
        }
    }
    if (plain && raw.isValidUtf8())
        return raw.toByteArray();
    QByteArray out;
    out.reserve(raw.size() + 16);
    for (qsizetype i = 0; i < raw.size();) {
        const uchar u = uchar(raw[i]);
        if (u < 0x80) {
            appendChar(out, u);
            ++i;
        } else if (const qsizetype len = utf8Length(raw, i)) {
            out += raw.sliced(i, len);
            i += len;
        } else {
            appendEscape(out, u);
            ++i;
        }
    }
    return out;
}

QByteArray escapedGbk(QByteArrayView raw)
{
    bool clean = false;
    const QString text = wiretext::decode(raw.toByteArray(), wiretext::Encoding::Gbk, &clean);
    QByteArray out;
    out.reserve(raw.size() + 16);
    if (clean) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c.isHighSurrogate() && i + 1 < text.size()) {
                appendChar(out, QChar::surrogateToUcs4(c, text.at(i + 1)));
                ++i;
            } else {
                appendChar(out, c.unicode());
            }
        }
        return out;
    }
    // Character by character: ASCII alone, a lead byte with its trail byte
    // as a pair that decodes on its own, anything else escaped.
    for (qsizetype i = 0; i < raw.size();) {
        const uchar u = uchar(raw[i]);
        if (u < 0x80) {
            appendChar(out, u);
            ++i;
            continue;
        }
        if (u >= 0x81 && u <= 0xfe && i + 1 < raw.size()) {
            bool pairClean = false;
            const QString pair = wiretext::decode(raw.sliced(i, 2).toByteArray(), wiretext::Encoding::Gbk, &pairClean);
            if (pairClean && pair.size() == 1) {
                out += pair.toUtf8();
                i += 2;
                continue;
            }
        }
        appendEscape(out, u);
        ++i;
    }
    return out;
}

// The whole second a time in ms falls in, before 1970 too.
qint64 secondOf(qint64 msecs)
{
    return msecs >= 0 ? msecs / 1000 : (msecs - 999) / 1000;
}

} // namespace

QString hex(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString();
    QString out(bytes.size() * 3 - 1, u' ');
    QChar *p = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes[i]);
        p[i * 3] = QLatin1Char(hexDigits[b >> 4]);
        p[i * 3 + 1] = QLatin1Char(hexDigits[b & 15]);
    }
    return out;
}

std::optional<QByteArray> parseHex(QStringView text, qsizetype *bad)
{
    QByteArray bytes;
    bytes.reserve(text.size() / 2);
    for (qsizetype i = 0; i < text.size();) {
        if (text[i].isSpace()) {
            ++i;
            continue;
        }
        const int high = hexValue(text[i]);
        const int low = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
        if (high < 0 || low < 0) {
            if (bad)
                *bad = high < 0 || i + 1 == text.size() ? i : i + 1;
            return std::nullopt;
        }
        bytes += char(high * 16 + low);
        i += 2;
    }
    return bytes;
}

qsizetype firstUnencodable(QStringView text, wiretext::Encoding encoding)
{
    bool clean = false;
    wiretext::encode(text.toString(), encoding, &clean);
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (!pair && text[i].isSurrogate())
            return i;   // half a character: no encoding has bytes for it, though UTF-8's encoder says nothing
        const qsizetype len = pair ? 2 : 1;
        if (!clean) {
            bool pieceClean = false;
            wiretext::encode(text.sliced(i, len).toString(), encoding, &pieceClean);
            if (!pieceClean)
                return i;
        }
        i += len;
    }
    return -1;
}

QByteArray escaped(QByteArrayView raw, wiretext::Encoding encoding)
{
    if (raw.endsWith("\r\n"))
        raw.chop(2);
    return encoding == wiretext::Encoding::Gbk ? escapedGbk(raw) : escapedUtf8(raw);
}

QString clock(qint64 msecsSinceEpoch)
{
    // A second's text is made once for all its rows: each conversion to
    // local time looks at the system's time zone file again.
    thread_local qint64 second = std::numeric_limits<qint64>::min();
    thread_local QString secondText;
    const qint64 now = secondOf(msecsSinceEpoch);
    if (now != second) {
        second = now;
        secondText = QDateTime::fromMSecsSinceEpoch(now * 1000).toString(QStringLiteral("HH:mm:ss."));
    }
    const int milli = int(msecsSinceEpoch - now * 1000);
    QString text;
    text.reserve(secondText.size() + 3);
    text += secondText;
    text += QLatin1Char(char('0' + milli / 100));
    text += QLatin1Char(char('0' + milli / 10 % 10));
    text += QLatin1Char(char('0' + milli % 10));
    return text;
}

QByteArray FileLine::line(qint64 msecs, bool sent, QByteArrayView raw, wiretext::Encoding encoding, bool hexView,
                          QByteArrayView port)
{
    QByteArray out;
    appendLine(out, msecs, sent, raw, encoding, hexView, port);
    return out;
}

void FileLine::appendLine(QByteArray &out, qint64 msecs, bool sent, QByteArrayView raw, wiretext::Encoding encoding,
                          bool hexView, QByteArrayView port)
{
    const qint64 second = secondOf(msecs);
    if (second != m_second) {
        m_second = second;
        m_secondText = QDateTime::fromMSecsSinceEpoch(second * 1000)
                           .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                           .toLatin1();
    }
    const int milli = int(msecs - second * 1000);
    const qsizetype room = out.size() + m_secondText.size() + 8 + port.size() + 1 + raw.size() * (hexView ? 3 : 1) + 2;
    if (out.capacity() < room)
        out.reserve(qMax(room, 2 * out.capacity()));   // a growing recording doubles, as appending would
    out += m_secondText;
    out += '.';
    out += char('0' + milli / 100);
    out += char('0' + milli / 10 % 10);
    out += char('0' + milli % 10);
    if (!port.isEmpty()) {
        out += '\t';
        out += port;
    }
    out += sent ? "\tTX\t" : "\tRX\t";
    if (hexView)
        out += hex(raw).toLatin1();
    else
        out += escaped(raw, encoding);
    out += '\n';
}

namespace {

QByteArray asciiLower(QByteArray bytes)
{
    for (char &c : bytes) {
        if (c >= 'A' && c <= 'Z')
            c = char(c + ('a' - 'A'));
    }
    return bytes;
}

} // namespace

Needle::Needle(const QString &text, bool hexView)
    : m_hex(hexView)
{
    if (hexView) {
        m_bytes = parseHex(text).value_or(QByteArray());
        m_hex = !m_bytes.isEmpty();
        if (m_hex)
            return;
    }
    bool clean = false;
    m_utf8 = asciiLower(wiretext::encode(text, wiretext::Encoding::Utf8));
    const QByteArray gbk = wiretext::encode(text, wiretext::Encoding::Gbk, &clean);
    if (clean)   // else no GBK row can hold it
        m_gbk = asciiLower(gbk);
}

bool Needle::matches(QByteArrayView raw, wiretext::Encoding encoding) const
{
    if (m_hex)
        return !m_bytes.isEmpty() && raw.indexOf(m_bytes) >= 0;
    const QByteArray &needle = encoding == wiretext::Encoding::Gbk ? m_gbk : m_utf8;
    const qsizetype n = needle.size();
    if (n == 0 || n > raw.size())
        return false;
    const char *hay = raw.data();
    const char first = needle.at(0);
    for (qsizetype i = 0; i + n <= raw.size(); ++i) {
        char c = hay[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c + ('a' - 'A'));
        if (c != first)
            continue;
        qsizetype k = 1;
        for (; k < n; ++k) {
            char d = hay[i + k];
            if (d >= 'A' && d <= 'Z')
                d = char(d + ('a' - 'A'));
            if (d != needle.at(k))
                break;
        }
        if (k == n)
            return true;
    }
    return false;
}

} // namespace logtext
