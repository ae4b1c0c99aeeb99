#include "kit/PrivateBus.h"
#include "kit/TestKit.h"
#include "timedtasks/Logind.h"

#include <QDBusConnection>
#include <QThread>
#include <QtTest>

// The power requests against a stand-in for logind on a private bus: the
// system bus is never touched. The stand-in answers from a thread of its own,
// as logind would from its process, since the requests wait for the answer.
class FakeLogind : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    QStringList Calls;
    QString SuspendAnswer;

public slots:
    void PowerOff(bool interactive) { Calls << QStringLiteral("PowerOff %1").arg(interactive); }
    void Reboot(bool interactive) { Calls << QStringLiteral("Reboot %1").arg(interactive); }
    void Suspend(bool interactive) { Calls << QStringLiteral("Suspend %1").arg(interactive); }
    QString CanSuspend() { return SuspendAnswer; }
};

class TestLogind : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString address = Bus.Start();
        if (address.isEmpty())
            QSKIP("dbus-daemon could not start");
        Logind.moveToThread(&Thread);
        Thread.start();
        QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("logind"));
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/login1"), &Logind,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.login1")));
        Client = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("client")));
    }

    void cleanupTestCase()
    {
        Thread.quit();
        Thread.wait();
    }

    void requests_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("call");
        QTest::newRow("power-off") << int(PowerAction::PowerOff) << "PowerOff 1";
        QTest::newRow("restart") << int(PowerAction::Restart) << "Reboot 1";
        QTest::newRow("sleep") << int(PowerAction::Sleep) << "Suspend 1";
    }

    void requests()
    {
        QFETCH(int, action);
        QFETCH(QString, call);
        Logind.Calls.clear();
        QVERIFY(Logind::Request(*Client, PowerAction(action)));
        QCOMPARE(Logind.Calls, QStringList(call));
    }

    void canSuspend_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("yes") << "yes" << true;
        QTest::newRow("a password would be asked") << "challenge" << false;
        QTest::newRow("no") << "no" << false;
        QTest::newRow("not available") << "na" << false;
    }

    void canSuspend()
    {
        QFETCH(QString, answer);
        QFETCH(bool, allowed);
        Logind.SuspendAnswer = answer;
        QCOMPARE(Logind::CanSuspend(*Client), allowed);
    }

private:
    TestKit::PrivateBus Bus;
    QThread Thread;
    FakeLogind Logind;
    std::unique_ptr<QDBusConnection> Client;
};

VARNO_TEST_MAIN(TestLogind)
#include "tst_logind.moc"
