// The command line as the program takes it: what main() parsed, checked
// against the rules of the modes (window, station, --read, --apply) with no
// window made, and held as plain values for whoever runs the mode.
#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QCoreApplication>
#include <QString>

#include <optional>

class QCommandLineParser;

struct CommandLine
{
    Q_DECLARE_TR_FUNCTIONS(Quorvel)

public:
    QString port;                  // --port, as given
    int baudIndex = -1;            // --baud, as the port box's index; -1: not given
    QString readFile, applyFile;   // --read, --apply
    QString runFile;               // --run
    bool verify = false;
    QString report;                // --report: a CSV file or a database URI
    QString stationName, runId, expectVersion;
    QString expectMac;             // --expect-mac, in the MAC's one spelling
    QString label;                 // --label: the scanned code, for the report row
    std::optional<QString> waitNew;   // --wait-new: the MAC to wait past, in its one spelling (empty: any)
    bool progress = false;
    QString setupFile;             // --station SETUP.ini

    bool batch() const { return !readFile.isEmpty() || !applyFile.isEmpty() || !runFile.isEmpty(); }

    // Why the options cannot run together, in the language installed, or
    // empty; on success the values are taken.
    QString take(const QCommandLineParser &parser);
};

#endif // COMMANDLINE_H
