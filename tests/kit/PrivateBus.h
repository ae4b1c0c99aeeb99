#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace TestKit {

// A D-Bus session bus of the test's own, so no test meets the desktop's
// services or leaves anything on its bus. Linux only.
class PrivateBus
{
public:
    // The bus's address; empty when dbus-daemon (Debian package dbus) could
    // not start.
    QString Start()
    {
        QFile config(Folder.filePath("bus.conf"));
        if (!config.open(QIODevice::WriteOnly))
            return QString();
        config.write(
            QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                           "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                           "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                .arg(Folder.path())
                .toUtf8());
        config.close();
        Daemon.start("dbus-daemon", {"--config-file=" + config.fileName(), "--nofork", "--print-address"});
        while (Daemon.waitForStarted(5000) && !Daemon.canReadLine()) {
            if (!Daemon.waitForReadyRead(5000))
                return QString();
        }
        return QString::fromUtf8(Daemon.readLine()).trimmed();
    }

    ~PrivateBus()
    {
        Daemon.terminate();
        Daemon.waitForFinished(3000);
    }

private:
    QTemporaryDir Folder;
    QProcess Daemon;
};

} // namespace TestKit
