#include "settings/appsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QSettings>
#include <QSize>
#include <QStandardPaths>
#include <QStringList>

namespace appsettings {

namespace {

const char chineseOnScreen[] = "English";   // the stored caption while Chinese is on screen
const char englishOnScreen[] = "中文";

const Entry entries[] = {
    {Key::Lang, "LANG/lang", QString::fromLatin1(chineseOnScreen)},
    {Key::Pos, "pos&size/pos", QPoint(100, 50)},
    {Key::Size, "pos&size/size", QSize(1200, 550)},
    {Key::IsMax, "pos&size/isMax", false},
    {Key::ComPort, "comSettings/comPort", QString()},
    {Key::Bps, "comSettings/bps", 5},   // 115200
    {Key::DataBit, "comSettings/dataBit", 3},   // 8
    {Key::ParBit, "comSettings/parBit", 0},
    {Key::StopBit, "comSettings/stopBit", 0},
    {Key::AutoReconnect, "comSettings/autoReconnect", true},
    {Key::Encoding, "comSettings/encoding", QString()},   // UTF-8
    {Key::LogMaxRows, "comSettings/logMaxRows", 100000},
    {Key::ConfirmWrite, "comSettings/confirmWrite", true},
    {Key::VerifyWrite, "comSettings/verifyWrite", true},
    {Key::CmdLine, "consoleSettings/cmd_line", QStringLiteral("AT")},
    {Key::RegularTime, "consoleSettings/regularly_send_time", QString()},
    {Key::Timestamp, "consoleSettings/timestamp", false},
    {Key::HexView, "consoleSettings/hexView", false},
    {Key::HexSend, "consoleSettings/hexSend", false},
    {Key::History, "consoleSettings/history", QStringList()},
    {Key::CommandList, "comSettings/commandList", QString()},   // the command panel's list file
};

} // namespace

const Entry &entry(Key key)
{
    return entries[int(key)];
}

QVariant value(const QSettings &settings, Key key)
{
    const Entry &e = entry(key);
    return settings.value(QLatin1String(e.path), e.fallback);
}

QString text(const QSettings &settings, Key key)
{
    const QVariant stored = value(settings, key);
    if (stored.metaType().id() == QMetaType::QStringList)
        return stored.toStringList().join(u',');
    return stored.toString();
}

int index(const QSettings &settings, Key key, int count)
{
    bool ok = false;
    const int stored = value(settings, key).toInt(&ok);
    return ok && stored >= 0 && stored < count ? stored : entry(key).fallback.toInt();
}

bool onUnlessOff(const QSettings &settings, Key key)
{
    const QString stored = text(settings, key).trimmed().toLower();
    return stored != QLatin1String("false") && stored != QLatin1String("0");
}

int logMaxRows(const QSettings &settings)
{
    bool ok = false;
    const int rows = value(settings, Key::LogMaxRows).toInt(&ok);
    return ok && rows >= 1000 && rows <= 10000000 ? rows : entry(Key::LogMaxRows).fallback.toInt();
}

void setValue(QSettings &settings, Key key, const QVariant &value)
{
    settings.setValue(QLatin1String(entry(key).path), value);
}

Language language(const QSettings &settings)
{
    // Any caption but the Chinese interface's names the English interface, as
    // the button showed it: a file from a build whose catalogue translated the
    // caption keeps its language.
    return text(settings, Key::Lang) == QLatin1String(chineseOnScreen) ? Language::Chinese : Language::English;
}

void setLanguage(QSettings &settings, Language language)
{
    setValue(settings, Key::Lang, QString::fromUtf8(language == Language::English ? englishOnScreen : chineseOnScreen));
}

Location locate(const Places &places, System system)
{
    const QString name = QStringLiteral("Quorvel.ini");
    if (!places.named.isEmpty())
        return {places.named, QString()};
    if (system == System::Windows) {
        const QString beside = QDir(places.exeDir).filePath(name);
        if (!places.exeDir.isEmpty() && QFileInfo::exists(beside))
            return {beside, QString()};
        if (places.appDataDir.isEmpty())   // no profile folder at all: the working folder, as before
            return {QStringLiteral("./") + name, QString()};
        const QString file = places.appDataDir + QStringLiteral("/Quorvel/") + name;
        const QString old = QDir(places.workDir).filePath(name);
        const bool leftHere = QFileInfo(old).isFile() && !QFileInfo::exists(file);
        return {file, leftHere ? old : QString()};
    }
    const QString here = QFileInfo(places.workDir).canonicalFilePath();
    const bool fromMenu = here == QFileInfo(places.homeDir).canonicalFilePath() || QDir(here).isRoot();
    // A file a technician already keeps in the home folder stays in use.
    if (fromMenu && !places.configDir.isEmpty() && !QFileInfo::exists(here + QLatin1Char('/') + name))
        return {places.configDir + QStringLiteral("/quorvel/") + name, QString()};
    return {QStringLiteral("./") + name, QString()};
}

QString filePath(const QString &workDir, const QString &homeDir, const QString &configDir)
{
    Places places;
    places.workDir = workDir;
    places.homeDir = homeDir;
    places.configDir = configDir;
    return locate(places, System::Linux).file;
}

namespace {

Move moved;

} // namespace

QString take(const Location &at)
{
    if (at.moveFrom.isEmpty())
        return at.file;
    // A move that fails (a profile folder that cannot be made) leaves the
    // old file in use: nothing a technician set is lost.
    if (!QDir().mkpath(QFileInfo(at.file).absolutePath()) || !QFile::rename(at.moveFrom, at.file))
        return at.moveFrom;
    moved = {QDir::toNativeSeparators(QFileInfo(at.moveFrom).absoluteFilePath()), QDir::toNativeSeparators(at.file)};
    return at.file;
}

QString filePath()
{
    Places places;
    places.named = qEnvironmentVariable("QUORVEL_SETTINGS");
    places.workDir = QDir::currentPath();
    places.homeDir = QDir::homePath();
    places.configDir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#ifdef Q_OS_WIN
    places.exeDir = QCoreApplication::applicationDirPath();
    places.appDataDir = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
    return take(locate(places, System::Windows));
#else
    return take(locate(places, System::Linux));
#endif
}

Move movedSettings()
{
    return moved;
}

int answerTimeoutMs()
{
    bool numeric = false;
    const int ms = qEnvironmentVariableIntValue("QUORVEL_ANSWER_TIMEOUT_MS", &numeric);
    return numeric && ms >= 100 && ms <= 600000 ? ms : 3000;
}

} // namespace appsettings
