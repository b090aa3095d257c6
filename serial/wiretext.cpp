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

QString name(Encoding encoding)
{
    return QString::fromLatin1(codecName(encoding));
}

Encoding fromName(const QString &name)
{
    return name == QLatin1String("GBK") ? Encoding::Gbk : Encoding::Utf8;
}

// A fresh converter per call: a used one keeps reporting its first error
// after resetState(). A GBK converter costs an ICU lookup; Qt caches the
// conversion tables, so that is cheap next to the serial line.
QString decode(const QByteArray &bytes, Encoding encoding, bool *clean)
{
    QStringDecoder decoder = encoding == Encoding::Gbk ? QStringDecoder(codecName(encoding))
                                                       : QStringDecoder(QStringDecoder::Utf8);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (clean)
        *clean = !decoder.hasError();
    return text;
}

QByteArray encode(const QString &text, Encoding encoding, bool *clean)
{
    QStringEncoder encoder = encoding == Encoding::Gbk ? QStringEncoder(codecName(encoding))
                                                       : QStringEncoder(QStringEncoder::Utf8);
    if (!encoder.isValid())
        encoder = QStringEncoder(QStringEncoder::Utf8);
    QByteArray bytes = encoder.encode(text);
    if (clean)
        *clean = !encoder.hasError();
    return bytes;
}

} // namespace wiretext
