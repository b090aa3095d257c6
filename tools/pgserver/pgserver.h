// A PostgreSQL server of the test's (or benchmark's) own: Debian's server
// programs, a cluster made by initdb in a temporary folder, listening only on
// a Unix socket in that folder (no TCP port, so it meets no other server), with
// password authentication. The server refuses to run as root, so under root
// the programs run as "nobody" and the folder is handed to it.
#ifndef PGSERVER_H
#define PGSERVER_H

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <pwd.h>
#include <unistd.h>

class PgServer
{
public:
    QString error;   // why the last step failed: the program's output

    ~PgServer() { stop(); }

    // Makes the cluster, its superuser `postgres` with `password`, and starts it.
    bool start(const QString &password)
    {
        if (!m_dir.isValid())
            return fail(QStringLiteral("no temporary folder"));
        m_bin = binDir();
        if (m_bin.isEmpty())
            return fail(QStringLiteral("no /usr/lib/postgresql/*/bin/initdb: install the package postgresql"));
        const QString pwFile = m_dir.filePath(QStringLiteral("pw"));
        QFile pw(pwFile);
        if (!pw.open(QIODevice::WriteOnly) || pw.write(password.toUtf8() + '\n') <= 0)
            return fail(QStringLiteral("cannot write ") + pwFile);
        pw.close();
        if (geteuid() == 0) {
            const passwd *nobody = getpwnam("nobody");
            if (!nobody || chown(QFile::encodeName(m_dir.path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0
                || chown(QFile::encodeName(pwFile).constData(), nobody->pw_uid, nobody->pw_gid) != 0)
                return fail(QStringLiteral("cannot hand the folder to the user nobody"));
        }
        return run(QStringLiteral("initdb"),
                   {QStringLiteral("-D"), dataDir(), QStringLiteral("-U"), QStringLiteral("postgres"),
                    QStringLiteral("--pwfile=") + pwFile, QStringLiteral("--auth=scram-sha-256"),
                    QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C"),
                    QStringLiteral("--no-sync")})
            && resume();
    }
    // Starts the server again after stop().
    bool resume()
    {
        if (m_running)
            return true;
        m_running = run(QStringLiteral("pg_ctl"),
                        {QStringLiteral("-D"), dataDir(), QStringLiteral("-l"), m_dir.filePath(QStringLiteral("log")),
                         QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-o"),
                         QStringLiteral("-c listen_addresses='' -k %1 -c fsync=off").arg(m_dir.path()),
                         QStringLiteral("start")});
        return m_running;
    }
    bool stop()
    {
        if (!m_running)
            return true;
        m_running = !run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), dataDir(), QStringLiteral("-m"),
                                                    QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")});
        return !m_running;
    }
    // The folder of the server's socket, and a URI that reaches it.
    QString socketDir() const { return m_dir.path(); }
    QString uri(const QString &user, const QString &database) const
    {
        return QStringLiteral("postgresql://%1@/%2?host=%3").arg(user, database, m_dir.path());
    }

private:
    QTemporaryDir m_dir;
    QString m_bin;
    bool m_running = false;

    QString dataDir() const { return m_dir.filePath(QStringLiteral("data")); }
    bool fail(const QString &why)
    {
        error = why;
        return false;
    }
    // The newest installed server version's programs.
    static QString binDir()
    {
        QDir root(QStringLiteral("/usr/lib/postgresql"));
        QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        std::sort(versions.begin(), versions.end(),
                  [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
        for (const QString &v : std::as_const(versions)) {
            if (QFile::exists(root.filePath(v + QStringLiteral("/bin/initdb"))))
                return root.filePath(v + QStringLiteral("/bin"));
        }
        return QString();
    }
    bool run(const QString &program, const QStringList &arguments)
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        const QString path = m_bin + u'/' + program;
        if (geteuid() == 0)
            p.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("nobody"),
                                                           QStringLiteral("--"), path} + arguments);
        else
            p.start(path, arguments);
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return fail(program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(p.readAll())
                        + p.errorString());
        return true;
    }
};

#endif // PGSERVER_H
