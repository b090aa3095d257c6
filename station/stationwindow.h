// The production station: a window of its own (not part of the main form)
// that drives several fixtures at once. Each fixture runs one child
// `quorvel --wait-new … --apply … --verify --report …` per module, so a
// crash or hang of one module's run touches no other fixture and not the
// station; the child's progress lines drive the fixture's tile
// (station/fixture.h), and its report row goes to the shared report.
#ifndef STATIONWINDOW_H
#define STATIONWINDOW_H

#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <memory>
#include <vector>

#include "station/fixture.h"
#include "report/reportrow.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QProcess;
class QPushButton;
class QTableWidget;
class QTimer;

class StationWindow : public QWidget
{
    Q_OBJECT

public:
    // `program`: the quorvel executable the fixtures' runs start.
    explicit StationWindow(const QString &program, QWidget *parent = nullptr);
    ~StationWindow() override;

    // What the form sets; public for the tests, the benchmark and the screenshots.
    bool setProfile(const QString &path);   // false: refused, the reason on screen
    // Empty: none; false: refused, the reason on screen (and in *why when given).
    bool setCommandList(const QString &path, QString *why = nullptr);
    void setExpectedVersion(const QString &version);
    void setReportFile(const QString &path);
    void addFixture(const QString &port, const QString &baud = QString());
    void start();
    void stop();   // the first waits for the modules on the fixtures, a second kills their runs
    // With "scan each module's label first": a fixture starts its next module
    // only with a scanned code, which `takeScan` hands to the first fixture
    // waiting for one ("FIXTURE:<n>:<code>": to fixture n).
    void setScanFirst(bool on);
    // A supervisor's setup (an INI file, group [station]): the profile and its
    // SHA-256, the command list, the firmware, the report, the station's name
    // and the fixtures (PORT@BAUD;…). What it gives is read-only on screen; a
    // key left out leaves its field as it is. False, with why, for a file
    // that cannot be used.
    bool loadSetup(const QString &path, QString *why);
    bool saveSetup(const QString &path, QString *why) const;
    const station::ShiftYield &shiftYield() const { return m_yield; }
    void takeScan(const QString &code);
    bool awaitingScan(int index) const { return m_fixtures.at(size_t(index))->awaitingScan; }

    bool isRunning() const { return m_running; }
    int runningChildren() const;
    int fixtureCount() const { return int(m_fixtures.size()); }
    const station::FixtureState &fixtureState(int index) const;
    QFrame *tile(int index) const;
    int totalPasses() const;
    int totalFails() const;
    double modulesPerHour() const;
    QString reportFile() const;
    static QString defaultReportFile();

signals:
    // A fixture's module ended (before its next child starts).
    void moduleFinished(int fixture, bool pass);
    void runningChanged(bool running);
    // A row the station wrote itself (see recordMissingRow) is in, or not: `where` says.
    void rowWritten(bool ok, const QString &where);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Fixture
    {
        QString port, baud;
        station::FixtureState state;
        QProcess *process = nullptr;
        QTimer *limit = nullptr;       // the module's run outlived its time
        QByteArray pendingOut;         // a partial progress line
        QString killWhy;               // set when the station kills the run
        QString runId;                 // of the current child's run
        QString scan;                  // the code scanned for this fixture's next module
        QString label;                 // the code of the module on show
        bool awaitingScan = false;     // no child: its next module waits for a scan
        QDateTime moduleTime;          // when the current module answered
        QElapsedTimer moduleClock;
        QFrame *tile = nullptr;
        QLabel *portLabel = nullptr, *phaseLabel = nullptr, *macLabel = nullptr, *reasonLabel = nullptr,
               *noticeLabel = nullptr, *countLabel = nullptr;
    };

    void buildForm();
    void retranslate();
    void chooseProfile();
    void chooseCommandList();
    void lockField(QWidget *field);
    void chooseReport();
    void addChosenFixture();
    void removeChosenFixture();
    void prepareRunSettings();
    void startChild(Fixture &f);
    void childOutput(Fixture &f);
    void childFinished(Fixture &f, int exitCode, bool crashed);
    void killChild(Fixture &f, const QString &why);
    void recordMissingRow(Fixture &f, const QString &why, int exitCode);
    void writeRowInThread(const QString &target, const ReportRow &row);
    void showTile(const Fixture &f);
    void showTotals();
    void setRunning(bool running);
    int indexOf(const Fixture &f) const;

    const QString m_program;
    QString m_profile, m_profileSha;
    // While running, the runs apply a copy of the profile taken at Start
    // (same file name): an edit of the file meanwhile reaches no module.
    std::unique_ptr<QTemporaryDir> m_runDir;
    QString m_runProfile;
    QString m_lockedSha;         // the setup's profileSha256: Start refuses another profile
    QString m_stationName;       // the setup's stationName, for the runs' database rows
    QString m_commands, m_runCommands;   // the command list run after each apply, and its copy taken at Start
    bool m_running = false;
    int m_stopPresses = 0;
    QElapsedTimer m_clock;       // monotonic, since the window was made
    station::RunClock m_runClock;
    QThread m_rowThread;         // writes the station's own rows
    QObject *m_rowWriter;        // lives in m_rowThread
    std::vector<std::unique_ptr<Fixture>> m_fixtures;

    QLabel *m_profileLabel, *m_profileInfo, *m_versionLabel, *m_reportLabel, *m_fixturesLabel, *m_totals,
        *m_commandsLabel;
    QLineEdit *m_profileEdit, *m_versionEdit, *m_reportEdit, *m_commandsEdit;
    QPushButton *m_saveSetupButton;
    QPushButton *m_profileButton, *m_commandsButton, *m_reportButton, *m_addButton, *m_removeButton, *m_startButton, *m_stopButton;
    QCheckBox *m_verify, *m_scanFirst;
    QLineEdit *m_scanEdit;
    QStringList m_scans;         // scanned codes no fixture has taken yet, oldest first
    station::ShiftYield m_yield;   // every module's end since the window opened
    qint64 m_shiftStartMs = -1;    // the first Start, on m_clock
    QLabel *m_yieldLabel;
    QPushButton *m_shiftReportButton;
    QComboBox *m_portBox, *m_baudBox;
    QTableWidget *m_fixtureTable;
    QGridLayout *m_tiles;
    QString m_profileRefusal;
};

#endif // STATIONWINDOW_H
