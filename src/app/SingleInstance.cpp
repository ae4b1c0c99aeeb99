#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#ifdef Q_OS_WIN
#include <windows.h>

#include <sddl.h>
#else
#include <QX11Info>
#endif

namespace {

// "show", then what the launcher handed the new start for the window to take
// the focus with, as NAME=value (percent-encoded) pairs.
const QByteArray ShowWord = "show";
const QByteArray DoneLine = "ok\n";
// Far more than a request with a startup id and a token takes: a peer that
// sends more without ending its line is cut off rather than buffered.
constexpr qint64 MaxRequestLine = 512;

// Only characters every file system and pipe name takes.
QString Safe(QString text)
{
    return text.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
}

#ifdef Q_OS_WIN

// The user a process runs as: the TOKEN_USER of its token and the SID it
// points to, kept together.
struct UserSid
{
    alignas(TOKEN_USER) BYTE room[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    PSID Sid() { return reinterpret_cast<TOKEN_USER *>(room)->User.Sid; }
};

bool ReadUser(HANDLE process, UserSid &user)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token))
        return false;
    DWORD size = 0;
    const bool read = ::GetTokenInformation(token, TokenUser, user.room, sizeof user.room, &size);
    ::CloseHandle(token);
    return read && ::IsValidSid(user.Sid());
}

// Named pipes are one namespace for the whole machine, so the pipe carries
// the user and the session (fast user switching, remote desktops). The SID
// is one per user, where a user name cut down to file-name characters makes
// all names in Chinese letters one. Without it the name is empty: the
// program then runs without the rule rather than under a name another user
// could take.
QString PipeName()
{
    DWORD session = 0;
    ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
    UserSid user;
    wchar_t *sid = nullptr;
    if (!ReadUser(::GetCurrentProcess(), user) || !::ConvertSidToStringSidW(user.Sid(), &sid)) {
        qWarning("VarnoSoftware: the user's SID cannot be read (error %lu)", ::GetLastError());
        return QString();
    }
    const QString name
        = QStringLiteral("VarnoSoftware-%1-%2").arg(Safe(QString::fromWCharArray(sid))).arg(session);
    ::LocalFree(sid);
    return name;
}

// Qt 5.15 creates its pipes without FILE_FLAG_FIRST_PIPE_INSTANCE, so a
// process of another user can create this name first, or add instances of
// its own beside the program's, and be the one a second start reaches. The
// SID in the name keeps users apart by accident; this check, that the
// process serving the pipe runs as this user, keeps them apart on purpose.
// Whatever cannot be read counts as foreign: the request is then not handed
// over, and after its retries the start ends without an answer. A program
// whose listen fails on a name taken that way still runs (its lock, in the
// user's own temporary folder, is what makes it the one).
bool ServedByThisUser(qintptr pipe)
{
    ULONG serverId = 0;
    if (!::GetNamedPipeServerProcessId(reinterpret_cast<HANDLE>(pipe), &serverId))
        return false;
    const HANDLE server = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverId);
    if (!server)
        return false;
    UserSid theirs;
    UserSid ours;
    const bool same = ReadUser(server, theirs) && ReadUser(::GetCurrentProcess(), ours)
        && ::EqualSid(theirs.Sid(), ours.Sid());
    ::CloseHandle(server);
    return same;
}

QString LockPath(const QString &name)
{
    return QDir::tempPath() + QLatin1Char('/') + name + QStringLiteral(".lock");
}

#else

// The display a window of this start would go to stands for the desktop
// session: another X login has another display. ":0.0" and "unix:0" are
// still ":0".
QString SessionKey()
{
    QString display = qEnvironmentVariable("DISPLAY");
    display.remove(QRegularExpression(QStringLiteral("\\.[0-9]+$")));
    if (display.startsWith(QLatin1String("unix:")))
        display.remove(0, 4);
    if (!display.isEmpty())
        return QStringLiteral("x") + display;
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (!wayland.isEmpty())
        return wayland;
    return QStringLiteral("session") + qEnvironmentVariable("XDG_SESSION_ID");
}

QString LockPath(const QString &name)
{
    return name + QStringLiteral(".lock");
}

#endif

} // namespace

SingleInstance::Activation SingleInstance::FromLauncher()
{
    Activation activation;
#ifndef Q_OS_WIN
    // Qt has taken DESKTOP_STARTUP_ID out of the environment by now.
    if (QX11Info::isPlatformX11()) {
        activation.startupId = QX11Info::nextStartupId();
        if (activation.startupId.isEmpty())
            activation.startupId
                = "VarnoSoftware_TIME" + QByteArray::number(qulonglong(QX11Info::getTimestamp()));
    }
    activation.token = qgetenv("XDG_ACTIVATION_TOKEN");
#endif
    return activation;
}

QString SingleInstance::SessionName()
{
#ifdef Q_OS_WIN
    return PipeName();
#else
    // Private to the user ($XDG_RUNTIME_DIR, or Qt's own 0700 folder when it
    // is unset), so nobody else can reach or block the socket.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return QString();
    return folder + QStringLiteral("/VarnoSoftware-") + Safe(SessionKey());
#endif
}

SingleInstance::SingleInstance(const QString &name)
    : Name(name)
    , Lock(name.isEmpty() ? QString() : LockPath(name))
{
    // Held for the program's whole life: only a dead holder makes it stale,
    // never its age.
    Lock.setStaleLockTime(0);
}

// The server goes first: once the lock is free a new start may listen under
// the same name, and Qt would then remove that one's socket file by name.
SingleInstance::~SingleInstance()
{
    delete Server;
}

SingleInstance::Outcome SingleInstance::Claim(Request request, const Activation &activation)
{
    if (Name.isEmpty()) {
        qWarning("VarnoSoftware: no private folder for the one-instance lock; starting anyway");
        return Outcome::Run;
    }
    QElapsedTimer waited;
    waited.start();
    bool ownIdSeen = false;
    for (;;) {
        if (Lock.tryLock(0)) {
            Listen();
            return Outcome::Run;
        }
        // A killed program's lock naming this very process: its id was given
        // out again (under Wine ids start over with every new session), and
        // Qt takes a holder by that id and name for alive.
        if (!ownIdSeen && HolderId() == QCoreApplication::applicationPid()) {
            ownIdSeen = true;
            Lock.removeStaleLockFile();
            continue;
        }
        if (Lock.error() != QLockFile::LockFailedError) {
            // No lock can be made at all: one program too many beats none.
            qWarning("VarnoSoftware: the one-instance lock %s cannot be made; starting anyway",
                     qPrintable(QDir::toNativeSeparators(LockPath(Name))));
            return Outcome::Run;
        }
        // The holder may be between taking the lock and listening, or ending;
        // either way the next round sees it settled.
        if (request == Request::Nothing || AskToShow(activation))
            return Outcome::Delivered;
        if (waited.elapsed() > 10000)
            return Outcome::NoAnswer;
        QThread::msleep(100);
    }
}

qint64 SingleInstance::HolderId() const
{
    qint64 id = 0;
    QString host;
    QString application;
    return Lock.getLockInfo(&id, &host, &application) ? id : 0;
}

void SingleInstance::Listen()
{
    // A socket file left by a program that was killed; the lock says no
    // program owns it any more.
    QLocalServer::removeServer(Name);
    Server = new QLocalServer(this);
    Server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(Server, &QLocalServer::newConnection, this, &SingleInstance::Serve);
    if (!Server->listen(Name))
        qWarning("VarnoSoftware: a second start cannot reach this one: %s",
                 qPrintable(Server->errorString()));
}

bool SingleInstance::AskToShow(const Activation &activation)
{
    QLocalSocket socket;
    socket.connectToServer(Name);
    if (!socket.waitForConnected(1000))
        return false;
#ifdef Q_OS_WIN
    if (!ServedByThisUser(socket.socketDescriptor()))
        return false;
    // Windows lets the process the user just started take the foreground;
    // without handing it on, the running window would only flash in the
    // taskbar.
    if (const qint64 holder = HolderId())
        ::AllowSetForegroundWindow(static_cast<DWORD>(holder));
#endif
    QByteArray line = ShowWord;
    if (!activation.startupId.isEmpty())
        line += " DESKTOP_STARTUP_ID=" + activation.startupId.toPercentEncoding();
    if (!activation.token.isEmpty())
        line += " XDG_ACTIVATION_TOKEN=" + activation.token.toPercentEncoding();
    socket.write(line + '\n');
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(3000))
            return false;
    }
    return socket.readLine() == DoneLine;
}

void SingleInstance::Serve()
{
    while (QLocalSocket *socket = Server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > MaxRequestLine)
                    socket->abort();
                return;
            }
            const QByteArray line = socket->readLine(MaxRequestLine + 1);
            if (!line.endsWith('\n')) {
                socket->abort();
                return;
            }
            const QList<QByteArray> words = line.trimmed().split(' ');
            if (words.constFirst() == ShowWord) {
                Activation activation;
                for (const QByteArray &word : words.mid(1)) {
                    const int equals = word.indexOf('=');
                    const QByteArray value = QByteArray::fromPercentEncoding(word.mid(equals + 1));
                    if (word.startsWith("DESKTOP_STARTUP_ID="))
                        activation.startupId = value;
                    else if (word.startsWith("XDG_ACTIVATION_TOKEN="))
                        activation.token = value;
                }
                emit ShowRequested(activation);
            }
            socket->write(DoneLine);
            socket->disconnectFromServer();
        });
        // Only this user can connect, but a peer that never speaks is not kept.
        QTimer::singleShot(5000, socket, &QLocalSocket::abort);
    }
}
