#include "TestHttpServer.h"
#include "kit/TestKit.h"
#include "web/FunctionModule.h"
#include "web/UpdateGate.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QUrl>
#include <QtTest>

namespace {

const QByteArray CheckPath = "/website/varno/VarnoSoftware/copyright.php";

} // namespace

class TestUpdateGate : public QObject
{
    Q_OBJECT

public slots:
    // Takes the place of the desktop's browser for "http" addresses.
    void Open(const QUrl &url) { Events.append(QStringLiteral("open ") + url.toString()); }

private slots:
    void gate_data()
    {
        QTest::addColumn<QByteArray>("status"); // empty: nothing listens
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("current");
        QTest::addColumn<int>("upAfterMs"); // the server refuses until then

        const QByteArray ok = "200 OK";
        const QByteArray current = R"({"version":"v1.0"})";
        QTest::newRow("v1.0 with extra members")
            << ok << QStringLiteral(R"({"notes":"新版本","version":"v1.0","build":7})").toUtf8() << true << 0;
        QTest::newRow("v1.0, zero byte, more JSON")
            << ok << current + QByteArray("\0{\"version\":\"v2.0\"}", 19) << true << 0;
        QTest::newRow("higher release") << ok << QByteArray(R"({"version":"v1.1"})") << false << 0;
        QTest::newRow("lower release") << ok << QByteArray(R"({"version":"v0.9"})") << false << 0;
        QTest::newRow("capital V") << ok << QByteArray(R"({"version":"V1.0"})") << false << 0;
        QTest::newRow("trailing blank") << ok << QByteArray(R"({"version":"v1.0 "})") << false << 0;
        QTest::newRow("number 1.0") << ok << QByteArray(R"({"version":1.0})") << false << 0;
        QTest::newRow("not JSON") << ok << QByteArray("v1.0") << false << 0;
        QTest::newRow("zero byte before the end")
            << ok << QByteArray("{\"version\":\"v1.0\"\0}", 19) << false << 0;
        // Redirects point at an answer that would pass, so following one shows.
        QTest::newRow("301") << QByteArray("301 Moved Permanently\r\nLocation: /moved") << current << false
                             << 0;
        QTest::newRow("302") << QByteArray("302 Found\r\nLocation: /moved") << current << false << 0;
        QTest::newRow("404") << QByteArray("404 Not Found") << current << false << 0;
        // Asked again while nothing answers (three times, 300 ms apart, in these rows).
        QTest::newRow("connection refused") << QByteArray() << QByteArray() << false << 0;
        QTest::newRow("server comes up late") << ok << current << true << 450;
    }

    void gate()
    {
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, current);
        QFETCH(int, upAfterMs);

        TestKit::IsolatedSettings settings;
        TestKit::ModalAnswerer answerer;
        TestHttpServer server;
        QVERIFY(server.Listening);
        server.Answer("/moved", "200 OK", R"({"version":"v1.0"})");
        server.Answer(CheckPath, status, body);
        const QString baseUrl
            = QString::fromUtf8(status.isEmpty() ? TestHttpServer::UnusedBaseUrl() : server.BaseUrl());
        if (upAfterMs > 0)
            server.StartLater(upAfterMs);
        Events.clear();
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Open");
        answerer.Next([this](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            Events.append(QStringLiteral("box %1 | %2 | icon %3 | parent %4")
                              .arg(box->windowTitle(), box->text())
                              .arg(box->icon())
                              .arg(box->parentWidget() ? "yes" : "no"));
            box->button(QMessageBox::Ok)->click();
        });
        FunctionModule functionModule;

        const UpdateGate::Outcome outcome
            = UpdateGate::Run(functionModule, baseUrl, UpdateGate::Retries {3, 300});
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));

        QCOMPARE(outcome, current ? UpdateGate::Outcome::Current : UpdateGate::Outcome::Outdated);
        const QStringList outdated {
            QStringLiteral("box 提示 | 发现新版本,请下载新版本! | icon %1 | parent no")
                .arg(QMessageBox::Information),
            QStringLiteral("open ") + baseUrl
                + QStringLiteral("/website/varno/VarnoSoftware/download/VarnoSoftware.rar")};
        QCOMPARE(Events, current ? QStringList() : outdated);
        // One plain GET of the check address, never of a redirect's target.
        QCOMPARE(server.Requests,
                 status.isEmpty() ? QList<QByteArray>() : QList<QByteArray> {"GET " + CheckPath});
    }

    void addresses()
    {
        // A base written with a trailing slash must not double the paths' first one.
        const QString base = QStringLiteral("http://updates.example.com/");
        QCOMPARE(UpdateGate::VersionCheckAddress(base),
                 QStringLiteral("http://updates.example.com/website/varno/VarnoSoftware/copyright.php"));
        QCOMPARE(UpdateGate::DownloadAddress(base),
                 QStringLiteral(
                     "http://updates.example.com/website/varno/VarnoSoftware/download/VarnoSoftware.rar"));
        QCOMPARE(UpdateGate::ConfiguredBaseUrl(), QStringLiteral(VARNO_EXPECTED_UPDATE_BASE_URL));
    }

private:
    QStringList Events;
};

VARNO_TEST_MAIN(TestUpdateGate)
#include "tst_updategate.moc"
