// The program's folders as their #include lines connect them, so that every engine builds without what is above it.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

class tst_Layout : public QObject
{
    Q_OBJECT

private slots:
    // Only the window's own folder reaches the window, and no two folders of the library and the program include
    // each other (tests, benchmarks and tools may use anything).
    void folders()
    {
        static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s+\"([^\"]+)\""),
                                                QRegularExpression::MultilineOption);
        const QStringList folders{"app", "serial", "console", "protocol", "cfgfile", "report", "station", "settings"};
        QHash<QString, QSet<QString>> uses;
        QStringList offenders, both;
        int seen = 0;
        for (const QString &folder : folders) {
            QDirIterator it(QStringLiteral(QUORVEL_SOURCE_DIR "/") + folder, {"*.h", "*.cpp"}, QDir::Files,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString file = it.next();
                QFile f(file);
                if (!f.open(QIODevice::ReadOnly))
                    qFatal("cannot read %s", qPrintable(file));
                auto matches = include.globalMatch(QString::fromUtf8(f.readAll()));
                while (matches.hasNext()) {
                    const QString path = matches.next().captured(1), target = path.section(u'/', 0, 0);
                    seen += path.contains(u'/');
                    if (path == QLatin1String("app/quorvel.h") && folder != QLatin1String("app"))
                        offenders << file.mid(int(qstrlen(QUORVEL_SOURCE_DIR)) + 1);
                    if (path.contains(u'/') && target != folder && folders.contains(target))
                        uses[folder].insert(target);
                }
            }
        }
        QVERIFY(seen > 50);   // the scan saw the sources
        QVERIFY2(offenders.isEmpty(), qPrintable(offenders.join(u' ')));
        for (auto it = uses.cbegin(); it != uses.cend(); ++it)
            for (const QString &other : it.value())
                if (it.key() < other && uses.value(other).contains(it.key()))
                    both << it.key() + QStringLiteral(" <-> ") + other;
        QVERIFY2(both.isEmpty(), qPrintable(both.join(QStringLiteral(", "))));
    }
    // The command line's --read and --apply run without a window: BatchRun reaches neither the window nor a
    // widget, not even through a project header it includes.
    void theBatchRunMakesNoWindow()
    {
        static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s+([\"<])([^\">]+)[\">]"),
                                                QRegularExpression::MultilineOption);
        static const QSet<QString> widgetHeaders{"QApplication", "QGuiApplication", "QWidget", "QMainWindow",
                                                 "QMessageBox", "QDialog", "QFileDialog", "QLineEdit", "QComboBox",
                                                 "QCheckBox", "QPushButton", "QLabel", "QStatusBar"};
        QStringList todo{"app/batchrun.h", "app/batchrun.cpp"}, seen, offenders;
        while (!todo.isEmpty()) {
            const QString file = todo.takeFirst();
            if (seen.contains(file))
                continue;
            seen << file;
            QFile f(QStringLiteral(QUORVEL_SOURCE_DIR "/") + file);
            if (!f.open(QIODevice::ReadOnly))
                continue;   // a generated or system header
            auto matches = include.globalMatch(QString::fromUtf8(f.readAll()));
            while (matches.hasNext()) {
                const QRegularExpressionMatch m = matches.next();
                const QString path = m.captured(2);
                const bool project = m.captured(1) == QLatin1String("\"");
                if ((project && (path == QLatin1String("app/quorvel.h") || path.startsWith(QLatin1String("ui_"))))
                    || (!project && (widgetHeaders.contains(path) || path.startsWith(QLatin1String("QtWidgets")))))
                    offenders << file + QStringLiteral(": ") + path;
                else if (project)
                    todo << path;
            }
        }
        QVERIFY(seen.size() > 10);   // the project headers were followed
        QVERIFY2(offenders.isEmpty(), qPrintable(offenders.join(QStringLiteral(", "))));
    }
};

QTEST_GUILESS_MAIN(tst_Layout)
#include "tst_layout.moc"
