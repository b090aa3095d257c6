// The widget map that scripts read to find widgets: which widgets it lists,
// where (in screen pixels, with Qt scaling the program by 2), whether they are
// enabled and what they show; and the file that follows the window when the
// environment names one.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/widgetmap.h"

class tst_WidgetMap : public QObject
{
    Q_OBJECT

public:
    // Global coordinates are device-independent, the map's are the screen's
    // pixels: at a ratio of 1 the two could not be told apart.
    static void initMain() { qputenv("QT_SCALE_FACTOR", "2"); }

private:
    static QWidget *child(QWidget *parent, const char *name, const QRect &geometry, QWidget *widget = nullptr)
    {
        if (!widget)
            widget = new QWidget;
        widget->setParent(parent);
        widget->setObjectName(QLatin1String(name));
        widget->setGeometry(geometry);
        return widget;
    }

    static QString fileText(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private slots:
    void listsVisibleNamedWidgets()
    {
        QWidget window(nullptr, Qt::FramelessWindowHint);
        window.setObjectName(QStringLiteral("window"));
        window.setGeometry(40, 30, 300, 200);
        // Nested: the button's place is its parent's plus its own.
        QWidget *panel = child(&window, "panel", QRect(5, 6, 200, 100));
        child(panel, "button", QRect(10, 20, 80, 24), new QPushButton(QStringLiteral("Re%1ad")));
        auto *edit = new QLineEdit(QStringLiteral("V2.1.7\tb\\c\nd"));
        child(&window, "edit", QRect(100, 150, 120, 20), edit);
        // Disabled through its parent only.
        QWidget *settings = child(&window, "settings", QRect(210, 10, 80, 80));
        child(settings, "box", QRect(0, 0, 80, 20), new QCheckBox(QStringLiteral("on")));
        settings->setEnabled(false);
        // Not listed: hidden through its parent, unnamed, Qt's own, another window not shown.
        QWidget *hidden = child(&window, "hiddenPanel", QRect(0, 120, 50, 50));
        child(hidden, "hiddenChild", QRect(0, 0, 10, 10));
        hidden->hide();
        new QWidget(&window);
        child(&window, "qt_own_part", QRect(0, 0, 5, 5));
        QWidget notShown;
        notShown.setObjectName(QStringLiteral("notShown"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QCOMPARE(widgetmap::describe(), QStringLiteral("window\t80\t60\t600\t400\t1\t\n"
                                                       "panel\t90\t72\t400\t200\t1\t\n"
                                                       "button\t110\t112\t160\t48\t1\tRe%1ad\n"
                                                       "edit\t280\t360\t240\t40\t1\tV2.1.7\\tb\\\\c\\nd\n"
                                                       "settings\t500\t80\t160\t160\t0\t\n"
                                                       "box\t500\t80\t160\t40\t0\ton\n"));
    }

    // The file appears and changes with the window; without the variable nothing watches.
    void fileFollowsTheWindow()
    {
        qunsetenv("QUORVEL_WIDGET_MAP");
        widgetmap::startFromEnvironment();
        QVERIFY(qApp->findChildren<QTimer *>().isEmpty());

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("map.txt"));
        qputenv("QUORVEL_WIDGET_MAP", path.toLocal8Bit());
        widgetmap::startFromEnvironment();
        QWidget window(nullptr, Qt::FramelessWindowHint);
        window.setGeometry(0, 0, 200, 100);
        auto *button = static_cast<QPushButton *>(
            child(&window, "read", QRect(10, 10, 50, 20), new QPushButton(QStringLiteral("Read"))));
        button->setEnabled(false);
        window.show();
        QTRY_COMPARE(fileText(path), QStringLiteral("read\t20\t20\t100\t40\t0\tRead\n"));
        button->setEnabled(true);
        button->move(30, 40);
        button->setText(QStringLiteral("Again"));
        QTRY_COMPARE(fileText(path), QStringLiteral("read\t60\t80\t100\t40\t1\tAgain\n"));
        window.hide();
        QTRY_COMPARE(fileText(path), QString());
    }
};

QTEST_MAIN(tst_WidgetMap)
#include "tst_widgetmap.moc"
