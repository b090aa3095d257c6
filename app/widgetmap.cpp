// The widget map: what scripts outside the program read to find a widget.
#include "app/widgetmap.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSaveFile>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace {

QString shownText(const QWidget *widget)
{
    if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
        return edit->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (const auto *box = qobject_cast<const QComboBox *>(widget))
        return box->currentText();
    return {};
}

QString escaped(QString text)
{
    return text.replace(u'\\', QLatin1String("\\\\"))
        .replace(u'\t', QLatin1String("\\t"))
        .replace(u'\n', QLatin1String("\\n"))
        .replace(u'\r', QLatin1String("\\r"));
}

// Qt scales global coordinates about each screen's top-left corner, which
// stays where the windowing system has it.
QRect screenPixels(const QWidget *widget)
{
    const QScreen *screen = widget->screen();
    const QPoint origin = screen->geometry().topLeft();
    const qreal ratio = screen->devicePixelRatio();
    return QRect(origin + (widget->mapToGlobal(QPoint(0, 0)) - origin) * ratio, widget->size() * ratio);
}

} // namespace

QString widgetmap::describe()
{
    QString out;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (!window->isVisible())
            continue;
        QWidgetList widgets = window->findChildren<QWidget *>();
        widgets.prepend(window);
        for (const QWidget *widget : std::as_const(widgets)) {
            const QString name = widget->objectName();
            // Qt's own parts (viewports, scroll bars' containers) are named qt_*.
            if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || !widget->isVisible())
                continue;
            const QRect r = screenPixels(widget);
            // One pass of arg(), so a text holding "%1" stays as it is.
            out += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7\n")
                       .arg(name, QString::number(r.x()), QString::number(r.y()), QString::number(r.width()),
                            QString::number(r.height()), widget->isEnabled() ? QStringLiteral("1") : QStringLiteral("0"),
                            escaped(shownText(widget)));
        }
    }
    return out;
}

void widgetmap::startFromEnvironment()
{
    const QString path = qEnvironmentVariable("QUORVEL_WIDGET_MAP");
    if (path.isEmpty())
        return;
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, qApp, [path, written = QString()]() mutable {
        const QString now = describe();
        if (now == written)
            return;
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(now.toUtf8()) >= 0 && file.commit())
            written = now;
    });
    timer->start(100);
}
