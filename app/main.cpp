// Process entry: the command line, the application object, its names, and
// the mode: the main window (its catalogue installed after construction and
// a second text refresh), the station window, or what needs no window system
// at all: a --read or --apply run (BatchRun, app/batchrun.h, whose exit
// status is the run's), --history, --help and --version.
#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>

#include <memory>

#include <cstdio>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

#include "app/batchrun.h"
#include "app/commandline.h"
#include "app/consoletext.h"
#include "app/interfacefont.h"
#include "app/pathcheck.h"
#include "app/quorvel.h"
#include "app/widgetmap.h"
#include "report/pgreport.h"
#include "settings/catalogues.h"
#include "station/stationwindow.h"

namespace {

// Standard error of a batch run holds its own lines, one per step; Qt's
// notes on the environment (no runtime folder, a font substituted) would
// break that. Critical and fatal messages still pass.
void batchMessages(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

#ifdef Q_OS_WIN
// Under Wine the Windows platform's default font engine draws no text in
// line edits (labels and lists are fine), so every field of the form looks
// empty; Qt's FreeType engine draws them. Windows itself keeps its engine,
// and a platform chosen in QT_QPA_PLATFORM is left alone.
void chooseFontEngineUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll && GetProcAddress(ntdll, "wine_get_version") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "windows:fontengine=freetype");
}
#endif

void usageError(const QString &text)
{
    printConsoleLine(stderr, text);
}

} // namespace

int main(int argc, char *argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Configures a Wi-Fi module on a serial port. Without --read or --apply the window opens.\n"
        "Exit status of --read and --apply: 0 done (and verified), 1 the module failed or differs,\n"
        "2 usage error or a file that cannot be read, parsed or written, 3 the port cannot be opened."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("The serial port: a name such as ttyUSB0, or a device path."),
                                  QStringLiteral("PORT"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("The line rate, one of the port box's rates."),
                                  QStringLiteral("RATE"));
    const QCommandLineOption open(QStringLiteral("open"), QStringLiteral("Open the port at start (window)."));
    const QCommandLineOption read(QStringLiteral("read"),
                                  QStringLiteral("Read the module's configuration into FILE and exit."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption apply(QStringLiteral("apply"),
                                   QStringLiteral("Write the complete profile FILE to the module and exit."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption run(QStringLiteral("run"),
                                 QStringLiteral("Run the command list FILE on the module (after --apply, on the same "
                                                "port) and exit: 0 when every expectation held."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption verify(QStringLiteral("verify"),
                                    QStringLiteral("With --apply: read the module back and print every difference."));
    const QCommandLineOption report(QStringLiteral("report"),
                                    QStringLiteral("With --read or --apply: append the run's row to the CSV file FILE."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption expectVersion(QStringLiteral("expect-version"),
                                           QStringLiteral("With --apply or --run: work only on a module whose "
                                                          "firmware version is TEXT."),
                                           QStringLiteral("TEXT"));
    const QCommandLineOption expectMac(QStringLiteral("expect-mac"),
                                       QStringLiteral("With --apply or --run: work only on the module whose MAC is MAC "
                                                      "(AC:CF:23:5A:10:7E, AC-CF-23-5A-10-7E or accf235a107e); "
                                                      "another fails before anything is written."),
                                       QStringLiteral("MAC"));
    const QCommandLineOption label(QStringLiteral("label"),
                                   QStringLiteral("With --report: the code scanned off the module's label, "
                                                  "recorded in its row."),
                                   QStringLiteral("CODE"));
    const QCommandLineOption waitNew(QStringLiteral("wait-new"),
                                     QStringLiteral("With --read or --apply: first wait until a module whose MAC is "
                                                    "not MAC answers on the port (empty: any module)."),
                                     QStringLiteral("MAC"));
    const QCommandLineOption progress(QStringLiteral("progress"),
                                      QStringLiteral("With --read or --apply: progress lines starting with @ on "
                                                     "standard output, for the station."));
    const QCommandLineOption station(QStringLiteral("station"),
                                     QStringLiteral("Open the production station window instead of the main window; "
                                                    "an argument SETUP.ini gives it a supervisor's locked setup."));
    const QCommandLineOption stationName(QStringLiteral("station-name"),
                                         QStringLiteral("With --report: the station's name in a database row "
                                                        "(the host name by default)."),
                                         QStringLiteral("NAME"));
    const QCommandLineOption runId(QStringLiteral("run-id"),
                                   QStringLiteral("With --report: the run's id in its row (a fresh one by default); "
                                                  "a database keeps one row per id."),
                                   QStringLiteral("ID"));
    const QCommandLineOption history(QStringLiteral("history"),
                                     QStringLiteral("With --report FILE.csv or URI: print the runs of the module MAC, "
                                                    "newest first, as CSV, and exit."),
                                     QStringLiteral("MAC"));
    parser.addOptions({port, baud, open, read, apply, run, verify, report, expectVersion, expectMac, label, waitNew,
                       progress, station, stationName, runId, history});

    // No display is needed, and none is used even when there is one (a
    // window restored maximized from the settings would appear): the
    // platform is chosen from the raw arguments, before the application
    // object exists. A command line that does not parse is reported without
    // a display too.
    QStringList rawArgs;
    for (int i = 0; i < argc; ++i)
        rawArgs.append(QString::fromLocal8Bit(argv[i]));
    const bool rawParsed = parser.parse(rawArgs);
    // What prints and ends, and a --read or --apply run, make no window
    // system at all: no platform plugin is loaded.
    const bool batch = parser.isSet(read) || parser.isSet(apply) || parser.isSet(run);
    const bool windowless = !rawParsed || batch || parser.isSet(history) || parser.isSet(QStringLiteral("help"))
                            || parser.isSet(QStringLiteral("help-all")) || parser.isSet(QStringLiteral("version"));
    if (windowless)
        qInstallMessageHandler(batchMessages);
#ifdef Q_OS_WIN
    chooseFontEngineUnderWine();
#endif

    const std::unique_ptr<QCoreApplication> app(windowless ? new QCoreApplication(argc, argv)
                                                           : new QApplication(argc, argv));
    QCoreApplication::setOrganizationName(QStringLiteral("Ondrel"));
    QCoreApplication::setOrganizationDomain(QString());
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
    // Lets a Wayland compositor match the window with the installed desktop entry and its icon.
    if (!windowless) {
        QGuiApplication::setDesktopFileName(QStringLiteral("com.ondrel.Quorvel"));
        interfacefont::install();
    }

    if (!parser.parse(QCoreApplication::arguments())) {
        usageError(parser.errorText());
        return 2;
    }
    // Printed rather than left to showHelp()/showVersion(), which on Windows
    // put them in a message box.
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }

    // A module's runs, from a report file or the database: no window at all.
    if (parser.isSet(history)) {
        if (!parser.isSet(report) || batch || parser.isSet(station)) {
            usageError(QStringLiteral("--history MAC needs --report FILE.csv or URI, and nothing else"));
            return 2;
        }
        // A FIFO or a device would never end the read.
        if (!pgreport::isUri(parser.value(report))
            && pathcheck::kindOf(parser.value(report), true) == pathcheck::Kind::Other) {
            usageError(QStringLiteral("--report %1: not a regular file").arg(parser.value(report)));
            return 2;
        }
        QString why;
        const QList<ReportRow> rows = reporthistory::read(parser.value(report), parser.value(history), &why);
        if (!why.isEmpty()) {
            usageError(why);
            return 2;
        }
        const QByteArray csv = reporthistory::toCsv(rows);
        std::fwrite(csv.constData(), 1, size_t(csv.size()), stdout);
        return 0;
    }

    // The station, --read and --apply: the checks, and what follows, in the
    // language of the settings file.
    if (parser.isSet(station) || batch) {
        const QSettings settings(appsettings::filePath(), QSettings::IniFormat);
        Catalogues catalogues;
        catalogues.load(appsettings::language(settings));
        catalogues.install();
        const appsettings::Move moved = appsettings::movedSettings();
        if (!moved.from.isEmpty())
            printConsoleLine(stderr, QCoreApplication::translate("Quorvel", "设置文件已从 %1 移到 %2")
                                         .arg(moved.from, moved.to));
        CommandLine line;
        const QString wrong = line.take(parser);
        if (!wrong.isEmpty()) {
            usageError(wrong);
            return 2;
        }
        if (batch)
            return BatchRun(line, settings).run();
        widgetmap::startFromEnvironment();
        StationWindow stationWindow(QCoreApplication::applicationFilePath());
        QString why;
        if (!line.setupFile.isEmpty() && !stationWindow.loadSetup(line.setupFile, &why)) {
            usageError(why);
            return 2;
        }
        stationWindow.show();
        return app->exec();
    }

    // Constructed before the checks: it loads the language of the settings
    // file, in which they are reported.
    Quorvel w;
    w.installTranslator();
    w.retranslate();

    CommandLine line;
    const QString wrong = line.take(parser);
    if (!wrong.isEmpty()) {
        usageError(wrong);
        return 2;
    }
    w.takePortChoice(line);

    // For scripts that drive the window (QUORVEL_WIDGET_MAP); inert otherwise.
    widgetmap::startFromEnvironment();
    w.show();
    if (parser.isSet(open))
        w.on_pushButton_openCom_clicked();
    return app->exec();
}
