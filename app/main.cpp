// Process entry: the application object, its names, the command line
// (--help, --version), one main window, the catalogue installed after
// construction and a second text refresh.
#include <QApplication>
#include <QCommandLineParser>

#include "app/quorvel.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Ondrel"));
    QApplication::setOrganizationDomain(QString());
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
    // Lets a Wayland compositor match the window with the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.ondrel.Quorvel"));

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    Quorvel w;
    w.installTranslator();
    w.retranslate();
    w.show();
    return app.exec();
}
