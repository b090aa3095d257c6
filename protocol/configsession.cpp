#include "protocol/configsession.h"

#include <QEventLoop>

#include <QCoreApplication>
#include <QTimer>

#include "protocol/atanswer.h"
#include "protocol/cfgfields.h"

ConfigSession::ConfigSession(QObject *parent)
    : QObject(parent)
{
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { stepFailed(QString()); });
}

QString ConfigSession::currentCommand() const
{
    return m_running && m_index < m_steps.size() ? m_steps.at(m_index).cmd : QString();
}

void ConfigSession::run(const QVector<Step> &steps, int tries)
{
    m_steps = steps;
    m_tries = qMax(1, tries);
    m_index = 0;
    m_attempt = 0;
    m_running = true;
    sendStep();
}

void ConfigSession::read()
{
    m_values.clear();
    QVector<Step> steps;
    for (const cfgfields::Query &query : cfgfields::queries()) {
        const QString cmd = QLatin1String(query.cmd);
        steps.append({cmd, QString(), Expect::Data, [this, cmd](const QString &answer) {
            // Off the network the module has no current address: any "OK" or
            // "ERR" answer will do.
            if (cmd == QLatin1String("AT+CURIP?") && m_values.value(QStringLiteral("lineEdit_net_state")) == QLatin1String("OFF")) {
                const QString unknown = QCoreApplication::translate("Quorvel", "未知");
                const QHash<QString, QString> values{{QStringLiteral("lineEdit_ip"), unknown},
                                                     {QStringLiteral("lineEdit_ip_gatway"), unknown},
                                                     {QStringLiteral("lineEdit_ip_mask"), unknown}};
                m_values.insert(values);
                emit valuesRead(values);
                return true;
            }
            QHash<QString, QString> values;
            if (!cfgfields::parseAnswer(cmd, answer, &values))
                return false;
            m_values.insert(values);
            emit valuesRead(values);
            return true;
        }});
    }
    run(steps);
}

void ConfigSession::write(const QHash<QString, QString> &values)
{
    QVector<Step> steps;
    for (const QString &prefix : cfgfields::setCommands())
        steps.append({cfgfields::setCommand(prefix, values), prefix, Expect::PlainOk, {}});
    run(steps);
}

void ConfigSession::cancel()
{
    if (m_running)
        finish(End::Cancelled);
}

void ConfigSession::sendStep()
{
    if (m_index >= m_steps.size()) {
        finish(End::Done);
        return;
    }
    m_timer->start(m_timeoutMs);
    const QString cmd = m_steps.at(m_index).cmd;
    emit commandSent(m_index, cmd);
    if (m_send)
        m_send(cmd);
}

bool ConfigSession::matches(Expect expect, const QString &line) const
{
    switch (expect) {
    case Expect::Data:
        return atanswer::matchesWhole(atanswer::okWithText(), line) || atanswer::matchesWhole(atanswer::errWithText(), line);
    case Expect::PlainOk:
    case Expect::Any:
        return atanswer::matchesWhole(atanswer::okLine(), line) || atanswer::matchesWhole(atanswer::errLine(), line);
    }
    return false;
}

void ConfigSession::takeLine(const QString &line)
{
    if (!m_running || m_index >= m_steps.size())
        return;
    const Step &step = m_steps.at(m_index);
    if (!matches(step.expect, line))
        return;   // echoes and unsolicited lines; the time-out keeps running
    bool usable = false;
    if (step.expect == Expect::PlainOk)
        usable = atanswer::matchesWhole(atanswer::plainOk(), line) && (!step.handler || step.handler(line));
    else
        usable = !step.handler || step.handler(line);
    if (!usable) {
        stepFailed(line);
        return;
    }
    ++m_index;
    m_attempt = 0;
    sendStep();
}

void ConfigSession::stepFailed(const QString &answer)
{
    if (!m_running)
        return;
    if (++m_attempt < m_tries) {
        sendStep();
        return;
    }
    const Step &step = m_steps.at(m_index);
    finish(End::Failed, step.name.isEmpty() ? step.cmd : step.name, answer);
}

void ConfigSession::finish(End end, const QString &cmd, const QString &answer)
{
    m_running = false;
    m_timer->stop();
    emit finished({end, cmd, answer});
}

ConfigSession::Result ConfigSession::wait(const std::function<void()> &start)
{
    Result result;
    QEventLoop loop;
    const auto ended = connect(this, &ConfigSession::finished, &loop, [&](const Result &r) {
        result = r;
        loop.quit();
    });
    start();
    if (running())
        loop.exec();
    disconnect(ended);
    return result;
}

ConfigSession::Step ConfigSession::anyAnswer(const QString &cmd, QString *answer)
{
    return {cmd, QString(), Expect::Any, [answer](const QString &line) {
                *answer = line;
                return true;
            }};
}
