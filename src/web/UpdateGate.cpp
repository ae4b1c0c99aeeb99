#include "UpdateGate.h"

#include "FunctionModule.h"
#include "UpdateServerAddress.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QJsonValue>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>

namespace UpdateGate {

const char *const BuildVersionLabel = "v1.0";
const char *const VersionCheckPath = "/website/varno/VarnoSoftware/copyright.php";
const char *const DownloadPath = "/website/varno/VarnoSoftware/download/VarnoSoftware.rar";

namespace {

QString JoinAddress(QString baseUrl, const char *path)
{
    // A base written with a trailing slash must not double the one the
    // fixed paths begin with.
    while (baseUrl.endsWith(QLatin1Char('/')))
        baseUrl.chop(1);
    return baseUrl + QLatin1String(path);
}

} // namespace

QString ConfiguredBaseUrl()
{
    return QStringLiteral(VARNO_CONFIGURED_UPDATE_BASE_URL);
}

QString VersionCheckAddress(const QString &baseUrl)
{
    return JoinAddress(baseUrl, VersionCheckPath);
}

QString DownloadAddress(const QString &baseUrl)
{
    return JoinAddress(baseUrl, DownloadPath);
}

QString ServerVersion(const QJsonObject &answer)
{
    // toString() of a number, boolean, null, array or object is empty, so
    // only a JSON string can ever match the label.
    return answer.value(QStringLiteral("version")).toString();
}

bool IsCurrentReply(const FunctionModule &functionModule, const QString &replyText)
{
    const QJsonObject answer = functionModule.ByteArrayToJsonObject(replyText.toUtf8());
    // Exact, case-sensitive and untrimmed: any difference means the user has
    // to fetch the release the server names, older or newer.
    return ServerVersion(answer) == QLatin1String(BuildVersionLabel);
}

Outcome Run(FunctionModule &functionModule, const QString &baseUrl, Retries retries,
            const HandStart *handStart)
{
    const QByteArray checkAddress = VersionCheckAddress(baseUrl).toUtf8();
    const auto byHand = [handStart] { return handStart && handStart->HasArrived(); };
    functionModule.SetRequestTimeout(retries.timeoutMs);
    QString replyText;
    for (int tries = 0;; ++tries) {
        replyText = functionModule.HttpGetRequestSynchronous(checkAddress.constData());
        if (functionModule.LastRequestGotAnswer() || byHand()
            || (tries >= retries.count && retries.thenEveryMs <= 0))
            break;
        // Waiting in an event loop, so a second start of the program is
        // still heard meanwhile, and one by hand ends the wait.
        QEventLoop wait;
        QTimer::singleShot(tries < retries.count ? retries.intervalMs : retries.thenEveryMs, &wait,
                           &QEventLoop::quit);
        if (handStart)
            QObject::connect(handStart, &HandStart::Arrived, &wait, &QEventLoop::quit);
        wait.exec();
    }
    if (IsCurrentReply(functionModule, replyText))
        return Outcome::Current;

    QMessageBox::information(nullptr, QStringLiteral("提示"), QStringLiteral("发现新版本,请下载新版本!"));
    QDesktopServices::openUrl(QUrl(DownloadAddress(baseUrl)));
    return Outcome::Outdated;
}

} // namespace UpdateGate
