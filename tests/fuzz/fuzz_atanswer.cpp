// The answer grammar and command building on any text (fields split at 0x1f): no fault, consistent results,
// and no CR, LF or NUL in a built command.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

#include "protocol/atanswer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    const bool ok = atanswer::matchesWhole(atanswer::plainOk(), text);
    if (ok != (text == QLatin1String("OK\r\n")))
        std::abort();
    const std::optional<int> code = atanswer::errorCode(text);
    if (code && (*code < 0 || *code > 999 || !atanswer::matchesWhole(atanswer::errorWithCode(), text)))
        std::abort();
    for (const QRegularExpression *pattern : {&atanswer::okWithText(), &atanswer::errWithText(), &atanswer::okLine(),
                                              &atanswer::errLine()})
        atanswer::matchesWhole(*pattern, text);
    for (int count = 1; count <= atanswer::maxFields; ++count) {
        QStringList fields;
        if (atanswer::dataFields(text, count, &fields)) {
            if (fields.size() != count || !text.startsWith(QLatin1String("OK=")))
                std::abort();
            for (const QString &field : std::as_const(fields))
                (void)atanswer::code(field);
        }
    }

    const QStringList values = text.split(QChar(0x1f));
    const QString command = atanswer::setCommand(QStringLiteral("AT+APMOD="), values);
    static const QRegularExpression breaks(QStringLiteral("[\r\n\\x{0}]"));
    if (!command.startsWith(QLatin1String("AT+APMOD=")) || command.contains(breaks)
        || atanswer::withoutLineBreaks(text).contains(breaks))
        std::abort();
    return 0;
}
