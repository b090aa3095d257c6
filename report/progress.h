// What a batch run started with --progress tells the station on its standard
// output, besides the differences: one line per event, starting with "@"
// (no difference line does), the event's word, a space and its text.
//   @waiting            polling the port for a new module (--wait-new)
//   @module MAC         a module answered with this MAC
//   @firmware VERSION   its version answer
//   @writing            the configuration write starts
//   @verifying          the read-back starts
//   @detail TEXT        why the run failed, one line
//   @reported           the run's report row is written
#ifndef PROGRESS_H
#define PROGRESS_H

#include <QByteArray>
#include <QString>

namespace progress {

enum class Event { None, Waiting, Module, Firmware, Writing, Verifying, Detail, Reported };

QByteArray line(Event event, const QString &text = QString());

struct Parsed
{
    Event event = Event::None;
    QString text;
};
// One line of the child's output (with or without its line end); Event::None
// for anything else.
Parsed parse(const QByteArray &line);

} // namespace progress

#endif // PROGRESS_H
