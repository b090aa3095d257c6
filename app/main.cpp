// Process entry: the application object, its names, one main window, the
// catalogue installed after construction and a second text refresh.
#include <QApplication>

#include "app/quorvel.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Ondrel"));
    QApplication::setOrganizationDomain(QString());
    QApplication::setApplicationName(QStringLiteral("Quorvel"));

    Quorvel w;
    w.installTranslator();
    w.retranslate();
    w.show();
    return app.exec();
}
