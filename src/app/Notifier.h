#pragma once

#include <QString>
#include <QSystemTrayIcon>

// Where tray balloons go. The window talks to this instead of to the tray
// icon directly, so the way a message reaches the user can be chosen per
// desktop and observed by tests.
class Notifier
{
public:
    virtual ~Notifier();
    virtual void ShowMessage(const QString &title, const QString &message, QSystemTrayIcon::MessageIcon icon,
                             int millisecondsTimeoutHint)
        = 0;
};

class TrayNotifier : public Notifier
{
public:
    explicit TrayNotifier(QSystemTrayIcon *trayIcon);
    void ShowMessage(const QString &title, const QString &message, QSystemTrayIcon::MessageIcon icon,
                     int millisecondsTimeoutHint) override;

private:
    QSystemTrayIcon *TrayIcon;
};
