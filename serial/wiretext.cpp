// Wire encodings through Qt's converters (GBK comes from ICU); see wiretext.h.
#include "serial/wiretext.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace wiretext {

namespace {

const char *codecName(Encoding encoding)
{
    return encoding == Encoding::Gbk ? "GBK" : "UTF-8";
}

} // namespace

QStringList names()
{
    return {QStringLiteral("UTF-8"), QStringLiteral("GBK")};
}

QString name(Encoding encoding)
{
    return QString::fromLatin1(codecName(encoding));
}

Encoding fromName(const QString &name)
{
    return name == QLatin1String("GBK") ? Encoding::Gbk : Encoding::Utf8;
}

// One converter per encoding for the whole run: opening an ICU converter
// per line would cost more than decoding the line. Only the UI thread uses them.
QString decode(const QByteArray &bytes, Encoding encoding, bool *clean)
{
    static QStringDecoder utf8(QStringDecoder::Utf8);
    static QStringDecoder gbk(codecName(Encoding::Gbk));
    QStringDecoder &decoder = encoding == Encoding::Gbk && gbk.isValid() ? gbk : utf8;
    decoder.resetState();
    QString text = decoder.decode(bytes);
    if (clean)
        *clean = !decoder.hasError();
    return text;
}

QByteArray encode(const QString &text, Encoding encoding, bool *clean)
{
    static QStringEncoder utf8(QStringEncoder::Utf8);
    static QStringEncoder gbk(codecName(Encoding::Gbk));
    QStringEncoder &encoder = encoding == Encoding::Gbk && gbk.isValid() ? gbk : utf8;
    encoder.resetState();
    QByteArray bytes = encoder.encode(text);
    if (clean)
        *clean = !encoder.hasError();
    return bytes;
}

} // namespace wiretext
