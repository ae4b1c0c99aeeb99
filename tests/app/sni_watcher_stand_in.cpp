// Stands in for a panel's StatusNotifierWatcher on the test's session bus:
// it takes the watcher's name, has a host, and prints each item that
// registers with it.

#include <QCoreApplication>
#include <QDBusConnection>

#include <cstdio>

class Watcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ HostRegistered)

public:
    bool HostRegistered() const { return true; }

public slots:
    void RegisterStatusNotifierItem(const QString &service)
    {
        std::printf("registered %s\n", qPrintable(service));
        std::fflush(stdout);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    Watcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.registerObject("/StatusNotifierWatcher", &watcher, QDBusConnection::ExportAllContents);
    return bus.registerService("org.kde.StatusNotifierWatcher") ? application.exec() : 1;
}

#include "sni_watcher_stand_in.moc"
