// The program's folders as their #include lines connect them: only the
// window's own folder reaches the window, and no two folders include each
// other, so that every engine can be built and used without what sits above it.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

class tst_Layout : public QObject
{
    Q_OBJECT

    // The folders of the library and the program (tests, benchmarks and tools may use anything).
    const QStringList folders{"app", "serial", "console", "protocol", "cfgfile", "report", "station", "settings"};

    // folder -> every "path" its files include by a project path, with the including file.
    QMultiHash<QString, QPair<QString, QString>> includes() const
    {
        static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s+\"([^\"]+)\""),
                                                QRegularExpression::MultilineOption);
        QMultiHash<QString, QPair<QString, QString>> found;
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
                    const QString path = matches.next().captured(1);
                    if (path.contains(u'/'))
                        found.insert(folder, {path, file.mid(int(qstrlen(QUORVEL_SOURCE_DIR)) + 1)});
                }
            }
        }
        return found;
    }

private slots:
    void onlyTheWindowIncludesTheWindow()
    {
        const auto all = includes();
        QCOMPARE(all.size() > 50, true);   // the scan saw the sources
        QStringList offenders;
        for (auto it = all.cbegin(); it != all.cend(); ++it) {
            if (it.value().first == QLatin1String("app/quorvel.h") && it.key() != QLatin1String("app"))
                offenders << it.value().second;
        }
        QVERIFY2(offenders.isEmpty(), qPrintable(offenders.join(u' ')));
    }

    void noTwoFoldersIncludeEachOther()
    {
        const auto all = includes();
        QHash<QString, QSet<QString>> uses;
        for (auto it = all.cbegin(); it != all.cend(); ++it) {
            const QString target = it.value().first.section(u'/', 0, 0);
            if (target != it.key() && folders.contains(target))
                uses[it.key()].insert(target);
        }
        QStringList both;
        for (auto it = uses.cbegin(); it != uses.cend(); ++it) {
            for (const QString &other : it.value()) {
                if (it.key() < other && uses.value(other).contains(it.key()))
                    both << it.key() + QStringLiteral(" <-> ") + other;
            }
        }
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
