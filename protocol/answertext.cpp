#include "protocol/answertext.h"

#include <QCoreApplication>

#include <iterator>

#include "protocol/atanswer.h"

namespace {

// The window's catalogue context: these texts were the window's first.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Quorvel)
};

} // namespace

namespace answertext {

QString errorCodeSource(int code)
{
    // The table keeps the Chinese source texts; they are translated only when
    // shown, so that they follow the language on screen.
    static const char *const sources[] = {
        nullptr,
        QT_TRANSLATE_NOOP("Quorvel", "通用错误"),
        QT_TRANSLATE_NOOP("Quorvel", "设备忙"),
        QT_TRANSLATE_NOOP("Quorvel", "未知错误"),
        QT_TRANSLATE_NOOP("Quorvel", "奇偶校验错误"),
        QT_TRANSLATE_NOOP("Quorvel", "指令没有已回车换行结束"),
    };
    if (code <= 0 || code >= int(std::size(sources)))
        return QString();
    return QString::fromUtf8(sources[code]);
}

QString failure(const QString &cmd, const QString &answer)
{
    if (answer.isEmpty())
        return Texts::tr("%1 没有回答").arg(cmd);
    const QString line = atanswer::withoutLineBreaks(answer);
    const std::optional<int> code = atanswer::errorCode(answer);
    const QByteArray source = code ? errorCodeSource(*code).toUtf8() : QByteArray();
    if (source.isEmpty())
        return Texts::tr("%1 回答 %2").arg(cmd, line);
    return Texts::tr("%1 回答 %2（%3）").arg(cmd, line, QCoreApplication::translate("Quorvel", source.constData()));
}

} // namespace answertext
