// The progress lines between a batch run and the station.
#include "report/progress.h"

namespace progress {

namespace {

struct Word {
    Event event;
    const char *word;
};
constexpr Word words[] = {
    {Event::Waiting, "waiting"},   {Event::Module, "module"},       {Event::Firmware, "firmware"},
    {Event::Writing, "writing"},   {Event::Verifying, "verifying"}, {Event::Detail, "detail"},
    {Event::Reported, "reported"},
};

} // namespace

QByteArray line(Event event, const QString &text)
{
    for (const Word &w : words) {
        if (w.event == event) {
            QByteArray out = QByteArray("@") + w.word;
            if (!text.isEmpty())
                out += ' ' + text.toUtf8().replace('\r', ' ').replace('\n', ' ');
            return out + '\n';
        }
    }
    return QByteArray();
}

Parsed parse(const QByteArray &raw)
{
    QByteArray text = raw;
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    if (!text.startsWith('@'))
        return {};
    const qsizetype space = text.indexOf(' ');
    const QByteArray word = text.mid(1, space < 0 ? -1 : space - 1);
    for (const Word &w : words) {
        if (word == w.word)
            return {w.event, space < 0 ? QString() : QString::fromUtf8(text.mid(space + 1))};
    }
    return {};
}

} // namespace progress
