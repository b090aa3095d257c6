// The widget map: named visible widgets in screen pixels, enabled or not, text escaped, following the window.
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/widgetmap.h"

class tst_WidgetMap : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("QT_SCALE_FACTOR", "2"); }   // at 1 global and screen pixels look alike

private slots:
    void fileFollowsTheWindow()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("map.txt"));
        const auto text = [&path] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        qputenv("QUORVEL_WIDGET_MAP", path.toLocal8Bit());
        widgetmap::startFromEnvironment();
        QWidget window(nullptr, Qt::FramelessWindowHint);   // unnamed: not listed
        window.setGeometry(40, 30, 300, 200);
        auto *panel = new QWidget(&window);
        panel->setObjectName(QStringLiteral("panel"));
        panel->setGeometry(5, 6, 200, 100);
        panel->setEnabled(false);   // the button is disabled through it
        auto *button = new QPushButton(QStringLiteral("Re%1\tad"), panel);
        button->setObjectName(QStringLiteral("read"));
        button->setGeometry(10, 20, 80, 24);
        window.show();
        QTRY_COMPARE(text(), QStringLiteral("panel\t90\t72\t400\t200\t0\t\nread\t110\t112\t160\t48\t0\tRe%1\\tad\n"));
        panel->setEnabled(true);
        button->move(30, 40);
        button->setText(QStringLiteral("Again"));
        QTRY_COMPARE(text(), QStringLiteral("panel\t90\t72\t400\t200\t1\t\nread\t150\t152\t160\t48\t1\tAgain\n"));
        window.hide();
        QTRY_COMPARE(text(), QString());
    }
};

QTEST_MAIN(tst_WidgetMap)
#include "tst_widgetmap.moc"
