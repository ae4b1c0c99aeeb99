#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>

class FunctionModule;

// Start-up check against the update server: only a build whose version label
// is exactly the one the server names may start.
namespace UpdateGate {

enum class Outcome {
    Current,
    Outdated,
};

extern const char *const BuildVersionLabel;
extern const char *const VersionCheckPath;
extern const char *const DownloadPath;

// Scheme, host and port of the update server this build was configured with.
QString ConfiguredBaseUrl();

QString VersionCheckAddress(const QString &baseUrl);
QString DownloadAddress(const QString &baseUrl);

// The server's "version" member; empty unless it is a JSON string.
QString ServerVersion(const QJsonObject &answer);

// Whether a reply body (as the client returns it) names exactly this build's
// release. Kept apart from the request so arbitrary bodies can be checked
// without a server.
bool IsCurrentReply(const FunctionModule &functionModule, const QString &replyText);

// How often a request that got no answer at all (refused, no route, name not
// resolved, network down, timed out) is asked again, and how long apart.
struct Retries
{
    int count = 0;
    int intervalMs = 0;
    // After those, one more try this often for as long as the program runs;
    // 0: no answer after the last retry counts as outdated.
    int thenEveryMs = 0;
    // How long one try may take; 0: as long as the network stack waits.
    int timeoutMs = 0;
};
// At sign-in the network often comes up some seconds after the desktop, and
// on a train or a plane not at all that day: the program waits quietly, with
// nothing of it there yet, rather than send the user to a download it cannot
// reach. Each try is cut short, as a network that drops packets silently
// would hold it for two minutes.
constexpr Retries SignInRetries {12, 10000, 60000, 10000};

// A start by hand that arrives while a sign-in start is still waiting for an
// answer: the waiting program asks once more at once, and decides on what
// comes back as a start by hand would, no answer included.
class HandStart : public QObject
{
    Q_OBJECT

public:
    bool HasArrived() const { return ArrivedAlready; }
    void Arrive()
    {
        ArrivedAlready = true;
        emit Arrived();
    }

signals:
    void Arrived();

private:
    bool ArrivedAlready = false;
};

// Blocks until the check has finished. Any answer decides at once; so does
// the end of the retries, or a start by hand, where no answer counts as
// outdated. When outdated, the user has been told and the download address
// handed to the desktop before this returns.
Outcome Run(FunctionModule &functionModule, const QString &baseUrl, Retries retries = Retries(),
            const HandStart *handStart = nullptr);

} // namespace UpdateGate
