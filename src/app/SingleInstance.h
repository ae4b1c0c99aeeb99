#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

// One program per user and desktop session. Two copies would both fire every
// reminder and the shutdown, and the one closed last would save its inputs
// over the other's. The first start holds a lock file for its whole life and
// listens on a local socket (a named pipe on Windows) that only its user can
// reach; a later start finds the lock taken, asks that one to show its window
// and ends. Both are named after the user and the session, never after the
// program's path, so every copy of the program finds the same one.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Request {
        Show, // a start by the user: the running program shows its window
        Nothing, // a start at sign-in: the running program is left as it is
    };
    enum class Outcome {
        Run, // this process is the program now
        Delivered, // another one runs and has the request
        NoAnswer, // another one holds the lock but does not answer
    };

    // What the launcher gave a start so that its window may take the focus
    // from the window the user was in: the X11 startup id, or the Wayland
    // activation token. A second start hands it to the running program.
    struct Activation
    {
        QByteArray startupId;
        QByteArray token;
    };

    // What this start's launcher gave it. On X11 a start without a startup
    // id makes one from the X server's present time, which is what focus-
    // stealing prevention weighs.
    static Activation FromLauncher();

    // The rendezvous of this user's present desktop session.
    static QString SessionName();

    explicit SingleInstance(const QString &name = SessionName());
    ~SingleInstance() override;

    // Takes the lock and starts listening, or hands the request to the one
    // that holds it. Gives up after about ten seconds without an answer.
    Outcome Claim(Request request, const Activation &activation = Activation());

signals:
    // Another start asked for the window.
    void ShowRequested(const SingleInstance::Activation &activation);

private:
    qint64 HolderId() const; // the process id in the lock file, 0 when unreadable
    void Listen();
    bool AskToShow(const Activation &activation);
    void Serve();

    QString Name; // the socket's full path on Unix, the pipe's name on Windows
    QLockFile Lock;
    QLocalServer *Server = nullptr;
};
