#pragma once

#include <QJsonObject>
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
};
// At sign-in the network often comes up some seconds after the desktop.
constexpr Retries SignInRetries {12, 10000};

// Blocks until the check has finished. Any answer decides at once; after the
// last retry no answer counts as outdated. When outdated, the user has been
// told and the download address handed to the desktop before this returns.
Outcome Run(FunctionModule &functionModule, const QString &baseUrl, Retries retries = Retries());

} // namespace UpdateGate
