#include "console/commandrun.h"

CommandRun::CommandRun(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<CommandRun::Outcome>();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CommandRun::timedOut);
}

void CommandRun::start(const CommandList &list, int first, int count)
{
    stop();
    m_list = list;
    const int size = int(m_list.steps.size());
    m_row = qBound(0, first, size);
    m_end = count < 0 ? size : qMin(size, m_row + count);
    // An error pattern set above the first row run holds for it too.
    m_error = QRegularExpression();
    for (int row = 0; row < m_row; ++row) {
        if (m_list.steps.at(row).kind == CommandList::Kind::Error)
            m_error = m_list.steps.at(row).pattern;
    }
    m_lastLine.clear();
    m_waiting = false;
    m_running = true;
    advance();
}

void CommandRun::stop()
{
    if (!m_running)
        return;
    finish(Outcome::End::Stopped, tr("在第 %1 行停止").arg(m_row + 1));
}

// Goes through the steps that need no answer and no time, up to the next
// expect or wait (or the end).
void CommandRun::advance()
{
    while (m_running && m_row < m_end) {
        const CommandList::Step &step = m_list.steps.at(m_row);
        if (!step.acts()) {
            ++m_row;
            continue;
        }
        emit stepStarted(m_row);
        if (!m_running)
            return;
        switch (step.kind) {
        case CommandList::Kind::Error:
            m_error = step.pattern;
            break;
        case CommandList::Kind::Send: {
            const QString refused = m_sendText ? m_sendText(step.text) : tr("没有打开的串口");
            if (!refused.isEmpty()) {
                fail(tr("第 %1 行 send：%2").arg(m_row + 1).arg(refused));
                return;
            }
            break;
        }
        case CommandList::Kind::Hex:
            if (!m_sendBytes) {
                fail(tr("第 %1 行 hex：%2").arg(m_row + 1).arg(tr("没有打开的串口")));
                return;
            }
            m_sendBytes(step.bytes);
            break;
        case CommandList::Kind::Expect:
            m_lastLine.clear();
            m_waiting = true;
            m_timer.start(step.ms);   // the expect's time-out
            return;
        case CommandList::Kind::Wait:
            m_timer.start(step.ms);
            return;
        case CommandList::Kind::Note:
            break;
        }
        if (!m_running)   // a sender's side effect stopped the run
            return;
        emit stepEnded(m_row, true, QString());
        ++m_row;
    }
    if (m_running)
        finish(Outcome::End::Passed);
}

void CommandRun::takeLine(const QString &received)
{
    if (!m_running)
        return;
    QString line = received;
    while (line.endsWith(u'\n') || line.endsWith(u'\r'))
        line.chop(1);
    m_lastLine = line;
    if (!m_waiting)
        return;
    const CommandList::Step &step = m_list.steps.at(m_row);
    // The expectation first: a list that expects an error answer on purpose gets it.
    if (step.pattern.match(line).hasMatch()) {
        m_waiting = false;
        m_timer.stop();
        emit stepEnded(m_row, true, line);
        ++m_row;
        advance();
        return;
    }
    if (!m_error.pattern().isEmpty() && m_error.match(line).hasMatch()) {
        fail(tr("第 %1 行 expect %2：收到“%3”，符合错误模式 %4")
                 .arg(m_row + 1)
                 .arg(CommandList::patternText(step), line, u'/' + m_error.pattern() + u'/'));
    }
}

void CommandRun::timedOut()
{
    if (!m_running)
        return;
    if (!m_waiting) {   // a wait step ended
        emit stepEnded(m_row, true, QString());
        ++m_row;
        advance();
        return;
    }
    const CommandList::Step &step = m_list.steps.at(m_row);
    fail(tr("第 %1 行 expect %2：%3 ms 内没有收到匹配的行（最后收到：%4）")
             .arg(m_row + 1)
             .arg(CommandList::patternText(step))
             .arg(step.ms)
             .arg(m_lastLine.isNull() ? tr("无") : u'“' + m_lastLine + u'”'));
}

void CommandRun::fail(const QString &why)
{
    emit stepEnded(m_row, false, why);
    finish(Outcome::End::Failed, why);
}

void CommandRun::finish(Outcome::End end, const QString &why)
{
    m_timer.stop();
    m_waiting = false;
    m_running = false;
    Outcome outcome;
    outcome.end = end;
    outcome.row = end == Outcome::End::Passed ? -1 : m_row;
    outcome.why = why;
    outcome.lastLine = m_lastLine;
    emit finished(outcome);
}
