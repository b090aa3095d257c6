// The settings file: where it lives, each key named once with its default,
// and the interface language.
//
// The file is an INI file ("Quorvel.ini") with three groups; the window reads
// it once at start and writes it once at close, the station hands a copy to
// the command-line runs it starts, and a command-line run reads its line
// settings and language from it. A hand-edited or damaged value falls back to
// the key's default, never to whatever QVariant makes of it.
#ifndef APPSETTINGS_H
#define APPSETTINGS_H

#include <QString>
#include <QVariant>

class QSettings;

// The interface language. The file keeps it as the language button's caption
// of old ("English" while Chinese is on screen, "中文" while English is), so
// files written by earlier versions keep their language.
enum class Language { Chinese, English };

namespace appsettings {

enum class Key {
    Lang,
    Pos, Size, IsMax,
    ComPort, Bps, DataBit, ParBit, StopBit, AutoReconnect, Encoding, LogMaxRows, ConfirmWrite, VerifyWrite,
    CmdLine, RegularTime, Timestamp, HexView, HexSend, History, CommandList,
};

struct Entry
{
    Key key;
    const char *path;   // "group/name" in the file
    QVariant fallback;
};

const Entry &entry(Key key);

// The stored value, or the key's default.
QVariant value(const QSettings &settings, Key key);
// A stored text. An unquoted value with commas in a hand-edited file reads as
// a list; it is taken back as the text it was.
QString text(const QSettings &settings, Key key);
// A stored index of a list of `count` items; the default when it is none.
int index(const QSettings &settings, Key key, int count);
// A switch that only a plain "false" (or 0) turns off; anything unreadable leaves it on.
bool onUnlessOff(const QSettings &settings, Key key);
// logMaxRows: 1,000 to 10,000,000 rows; anything else is the default.
int logMaxRows(const QSettings &settings);
void setValue(QSettings &settings, Key key, const QVariant &value);

Language language(const QSettings &settings);
void setLanguage(QSettings &settings, Language language);

// How long the read, the write and every awaited command wait for each
// answer: 3 s, or QUORVEL_ANSWER_TIMEOUT_MS from the environment (100 ms to
// 10 min) for slow modules, and for the test suite's silent ones.
int answerTimeoutMs();

// Where the settings live.
// - QUORVEL_SETTINGS names the file outright (the station's runs use it).
// - Linux: started from a terminal, "./Quorvel.ini" in the working folder,
//   so that each folder keeps its own. Started from a desktop menu (the
//   working folder is the home folder, or "/" with some launchers),
//   configDir/quorvel/Quorvel.ini ($XDG_CONFIG_HOME) instead of a stray file
//   in the home folder, unless a Quorvel.ini is already there.
// - Windows: a Quorvel.ini beside quorvel.exe is used where it is (portable:
//   the program on a USB stick keeps its settings with it). Otherwise
//   appDataDir/Quorvel/Quorvel.ini (%APPDATA%): a program started from the
//   Start menu runs in its installation folder, which the user cannot write.
//   A Quorvel.ini that earlier builds kept in the working folder is moved
//   there, once, while none is there yet.
enum class System { Linux, Windows };
struct Places {
    QString named;   // QUORVEL_SETTINGS
    QString workDir;
    QString homeDir;
    QString configDir;   // $XDG_CONFIG_HOME
    QString exeDir;   // the program's folder
    QString appDataDir;   // %APPDATA%
};
struct Location {
    QString file;   // the settings file to use
    QString moveFrom;   // an earlier build's file to move to `file` first, or empty
};
Location locate(const Places &places, System system);
// The Linux rule alone (the tests' short form of locate()).
QString filePath(const QString &workDir, const QString &homeDir, const QString &configDir);
// The file to use at `at`, after its move; a move that fails leaves the
// old file in use.
QString take(const Location &at);
// The file for the program as started now. Its first call makes the move
// locate() asks for; a move that fails leaves the old file in use.
QString filePath();
// The move filePath() made in this run, for a one-time notice: the old
// path and the new one, or empty strings.
struct Move {
    QString from;
    QString to;
};
Move movedSettings();

} // namespace appsettings

#endif // APPSETTINGS_H
