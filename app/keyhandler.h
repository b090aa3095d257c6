// Key presses of one widget handled by a function, for the log's find line
// and the command line.
#ifndef KEYHANDLER_H
#define KEYHANDLER_H

#include <QEvent>
#include <QKeyEvent>
#include <QObject>

#include <functional>

class KeyHandler : public QObject
{
public:
    // `handle` returns true for a key it took; install it as the event filter of its parent.
    KeyHandler(QObject *parent, std::function<bool(QKeyEvent *)> handle) : QObject(parent), m_handle(std::move(handle))
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        return event->type() == QEvent::KeyPress && m_handle(static_cast<QKeyEvent *>(event));
    }

private:
    std::function<bool(QKeyEvent *)> m_handle;
};

#endif // KEYHANDLER_H
