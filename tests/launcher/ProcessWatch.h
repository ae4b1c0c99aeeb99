#pragma once

// Looks at the processes the launcher starts, through /proc.

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QString>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ProcessWatch {

// The launcher orphans what it starts on purpose. Adopting those orphans lets
// a test reap them after killing them: not every init does (some container
// inits leave them as zombies for good).
inline bool AdoptOrphans()
{
    return ::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
}

// The fields of /proc/<pid>/stat after the command name, starting with the
// state; empty once the process is gone.
inline QList<QByteArray> StatFields(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.readAll();
    const int nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0)
        return {};
    return stat.mid(nameEnd + 2).trimmed().split(' ');
}

inline char State(qint64 pid)
{
    const QList<QByteArray> fields = StatFields(pid);
    return fields.isEmpty() ? '\0' : fields.at(0).at(0);
}

inline bool IsRunning(qint64 pid)
{
    const char state = State(pid);
    return ::kill(static_cast<pid_t>(pid), 0) == 0 && state != '\0' && state != 'Z' && state != 'X';
}

inline qint64 ParentOf(qint64 pid)
{
    const QList<QByteArray> fields = StatFields(pid);
    return fields.size() > 1 ? fields.at(1).toLongLong() : -1;
}

// When the process was created, in ms since boot; the kernel counts in clock
// ticks, so equal spacing in ticks means at least that spacing in time.
inline qint64 CreationMilliseconds(qint64 pid)
{
    const QList<QByteArray> fields = StatFields(pid); // starttime is stat field 22
    if (fields.size() < 20)
        return -1;
    return fields.at(19).toLongLong() * 1000 / ::sysconf(_SC_CLK_TCK);
}

inline QList<qint64> ZombieChildren()
{
    QList<qint64> zombies;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isNumber = false;
        const qint64 pid = entry.toLongLong(&isNumber);
        if (!isNumber)
            continue;
        const QList<QByteArray> fields = StatFields(pid);
        if (fields.size() > 1 && fields.at(0) == "Z" && fields.at(1).toLongLong() == ::getpid())
            zombies.append(pid);
    }
    return zombies;
}

// Ends a started program and waits until it is gone (reaping it when it was
// adopted by this process).
inline void KillAndReap(qint64 pid)
{
    if (pid <= 0)
        return;
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    if (ParentOf(pid) == ::getpid()) {
        while (::waitpid(static_cast<pid_t>(pid), nullptr, 0) < 0 && errno == EINTR) { }
        return;
    }
    QElapsedTimer waited;
    waited.start();
    while (State(pid) != '\0' && State(pid) != 'Z' && waited.elapsed() < 5000)
        QThread::msleep(10);
}

struct Start
{
    qint64 pid = 0;
    qint64 monotonicMilliseconds = 0;
};

// The lines the recorder program appended to the file, in file order.
inline QList<Start> ReadStarts(const QString &recordPath)
{
    QList<Start> starts;
    QFile file(recordPath);
    if (!file.open(QIODevice::ReadOnly))
        return starts;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2)
            starts.append({parts.at(0).toLongLong(), parts.at(1).toLongLong()});
    }
    return starts;
}

// Waits (without an event loop: the programs write on their own) until count
// starts were recorded or a few seconds passed.
inline QList<Start> WaitForStarts(const QString &recordPath, int count)
{
    QElapsedTimer waited;
    waited.start();
    QList<Start> starts = ReadStarts(recordPath);
    while (starts.size() < count && waited.elapsed() < 10000) {
        QThread::msleep(10);
        starts = ReadStarts(recordPath);
    }
    return starts;
}

} // namespace ProcessWatch
