#include "DetachedStart.h"

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// The program is started through an intermediate process that exits at once,
// so the started program is adopted by init (or the nearest subreaper) rather
// than being our child: nothing here has to stay alive to reap it, and it is
// in a session of its own, away from the terminal or desktop signals aimed at
// the toolbox. The intermediate waits for the exec outcome and reaps a program
// that failed to exec, so a failed start leaves no zombie either.

namespace Launcher {
namespace {

enum FailedCall : qint32 { NoFailure, PipeFailed, ForkFailed, ExecFailed };

// Sent by the intermediate in one write smaller than PIPE_BUF, so it arrives
// whole or not at all.
struct Report
{
    qint32 failedCall;
    qint32 errorCode;
    qint64 processId;
};

bool WriteAll(int fd, const void *data, size_t size)
{
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Reads until size bytes arrived or the other end is closed; returns the count.
size_t ReadFull(int fd, void *data, size_t size)
{
    char *bytes = static_cast<char *>(data);
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, bytes + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    return got;
}

void Reap(pid_t pid)
{
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) { }
}

// From here on only async-signal-safe calls: the toolbox has other threads,
// whose locks may be held forever in a forked copy.
[[noreturn]] void ExecProgram(const char *path, char *const argv[], int nullFd, int errorFd)
{
    // The standard descriptors are about to be replaced; keep the error pipe
    // out of their way in case the toolbox runs with them closed.
    errorFd = ::fcntl(errorFd, F_DUPFD_CLOEXEC, 3);
    // The client must not write into the toolbox's terminal or pipes, which
    // go away with the toolbox.
    for (int fd = 0; fd < 3; ++fd) {
        if (fd == nullFd)
            ::fcntl(fd, F_SETFD, 0);
        else
            ::dup2(nullFd, fd);
    }
    sigset_t noSignals;
    sigemptyset(&noSignals);
    ::sigprocmask(SIG_SETMASK, &noSignals, nullptr);
    struct sigaction defaultAction = {};
    defaultAction.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &defaultAction, nullptr);

    ::execv(path, argv);
    const int code = errno;
    if (errorFd >= 0)
        WriteAll(errorFd, &code, sizeof code);
    ::_exit(127);
}

[[noreturn]] void RunIntermediate(const char *path, char *const argv[], int nullFd, int reportFd)
{
    ::setsid();
    Report report = {NoFailure, 0, 0};
    int execPipe[2];
    if (::pipe2(execPipe, O_CLOEXEC) != 0) {
        report = {PipeFailed, errno, 0};
    } else {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(execPipe[0]);
            ::close(reportFd);
            ExecProgram(path, argv, nullFd, execPipe[1]);
        }
        const int forkError = errno;
        ::close(execPipe[1]);
        if (pid < 0) {
            report = {ForkFailed, forkError, 0};
        } else {
            int code = 0;
            if (ReadFull(execPipe[0], &code, sizeof code) == sizeof code) {
                Reap(pid);
                report = {ExecFailed, code, 0};
            } else {
                report = {NoFailure, 0, pid};
            }
        }
        ::close(execPipe[0]);
    }
    WriteAll(reportFd, &report, sizeof report);
    ::_exit(0);
}

StartOutcome Failure(const char *call, int code)
{
    StartOutcome outcome;
    outcome.errorText = QLatin1String(call) + QLatin1String(": ") + qt_error_string(code);
    return outcome;
}

} // namespace

StartOutcome StartDetached(const QString &program)
{
    // Resolved here rather than by execvp in the child, which may allocate.
    QByteArray path = QFile::encodeName(program);
    if (!program.contains(QLatin1Char('/'))) {
        const QString found = QStandardPaths::findExecutable(program);
        if (!found.isEmpty())
            path = QFile::encodeName(found);
    }
    char *argv[] = {path.data(), nullptr};

    const int nullFd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (nullFd < 0)
        return Failure("open", errno);
    int reportPipe[2];
    if (::pipe2(reportPipe, O_CLOEXEC) != 0) {
        const int code = errno;
        ::close(nullFd);
        return Failure("pipe", code);
    }

    const pid_t intermediate = ::fork();
    if (intermediate == 0) {
        ::close(reportPipe[0]);
        RunIntermediate(path.constData(), argv, nullFd, reportPipe[1]);
    }
    const int forkError = errno;
    ::close(reportPipe[1]);
    ::close(nullFd);
    if (intermediate < 0) {
        ::close(reportPipe[0]);
        return Failure("fork", forkError);
    }

    Report report = {};
    const size_t got = ReadFull(reportPipe[0], &report, sizeof report);
    ::close(reportPipe[0]);
    Reap(intermediate);

    if (got != sizeof report)
        return Failure("fork", EPIPE);
    switch (report.failedCall) {
    case NoFailure: {
        StartOutcome outcome;
        outcome.started = true;
        outcome.processId = report.processId;
        return outcome;
    }
    case PipeFailed:
        return Failure("pipe", report.errorCode);
    case ForkFailed:
        return Failure("fork", report.errorCode);
    default:
        // The same wording as QProcess, which also looks the name up in PATH.
        return Failure("execvp", report.errorCode);
    }
}

} // namespace Launcher
