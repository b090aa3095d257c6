// Wire encodings through Qt's converters (GBK comes from ICU; on Windows,
// whose Qt has no ICU, from the system's code page 936); see wiretext.h.
#include "serial/wiretext.h"

#include <algorithm>

#include <QStringDecoder>
#include <QStringEncoder>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace wiretext {

namespace {

const char *codecName(Encoding encoding)
{
    return encoding == Encoding::Gbk ? "GBK" : "UTF-8";
}

#ifdef Q_OS_WIN
const UINT gbkCodePage = 936;

QString decodeGbk(const QByteArray &bytes, bool *clean)
{
    const int size = int(bytes.size());
    int length = MultiByteToWideChar(gbkCodePage, MB_ERR_INVALID_CHARS, bytes.constData(), size, nullptr, 0);
    const bool valid = length > 0 || size == 0;
    if (clean)
        *clean = valid;
    const DWORD flags = valid ? MB_ERR_INVALID_CHARS : 0;
    if (!valid)
        length = MultiByteToWideChar(gbkCodePage, flags, bytes.constData(), size, nullptr, 0);
    QString text(length, Qt::Uninitialized);
    MultiByteToWideChar(gbkCodePage, flags, bytes.constData(), size, reinterpret_cast<wchar_t *>(text.data()), length);
    return text;
}

QByteArray encodeGbk(const QString &text, bool *clean)
{
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int size = int(text.size());
    BOOL replaced = FALSE;
    const int length = WideCharToMultiByte(gbkCodePage, WC_NO_BEST_FIT_CHARS, wide, size, nullptr, 0, "?", &replaced);
    QByteArray bytes(length, Qt::Uninitialized);
    WideCharToMultiByte(gbkCodePage, WC_NO_BEST_FIT_CHARS, wide, size, bytes.data(), length, "?", &replaced);
    if (clean)
        *clean = !replaced;
    return bytes;
}
#endif

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
    // Plain ASCII, most lines a module sends, is the same text in both
    // encodings: no converter is needed for it.
    if (std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x80; })) {
        if (clean)
            *clean = true;
        return QString::fromLatin1(bytes);
    }
#ifdef Q_OS_WIN
    if (encoding == Encoding::Gbk)
        return decodeGbk(bytes, clean);
#endif
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
#ifdef Q_OS_WIN
    if (encoding == Encoding::Gbk)
        return encodeGbk(text, clean);
#endif
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
