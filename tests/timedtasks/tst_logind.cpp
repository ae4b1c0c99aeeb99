#include "kit/PrivateBus.h"
#include "kit/TestKit.h"
#include "timedtasks/Logind.h"

#include <QDBusConnection>
#include <QThread>
#include <QtTest>

// A stand-in for logind on a private bus, so the system bus is never
// touched. It answers from a thread of its own, as logind would from its
// process: the requests wait for the answer.
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
    void requests()
    {
        TestKit::PrivateBus bus;
        const QString address = bus.Start();
        if (address.isEmpty())
            QSKIP("dbus-daemon could not start");
        FakeLogind logind;
        QThread thread;
        logind.moveToThread(&thread);
        thread.start();
        QDBusConnection service = QDBusConnection::connectToBus(address, "logind");
        QVERIFY(service.registerObject("/org/freedesktop/login1", &logind, QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService("org.freedesktop.login1"));
        const QDBusConnection client = QDBusConnection::connectToBus(address, "client");

        for (const PowerAction action : {PowerAction::PowerOff, PowerAction::Restart, PowerAction::Sleep})
            QVERIFY(Logind::Request(client, action));
        QCOMPARE(logind.Calls, (QStringList {"PowerOff 1", "Reboot 1", "Suspend 1"}));
        // "challenge" would ask for a password nobody is there to type.
        for (const QString &answer : QStringList {"yes", "challenge", "no", "na"}) {
            logind.SuspendAnswer = answer;
            QCOMPARE(Logind::CanSuspend(client), answer == "yes");
        }
        thread.quit();
        thread.wait();
    }
};

VARNO_TEST_MAIN(TestLogind)
#include "tst_logind.moc"
