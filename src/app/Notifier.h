#pragma once

#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <memory>

class DesktopNotifications;
class QDBusConnection;
class QWidget;

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

// Balloons go to the tray icon wherever a tray exists. Without one Qt still
// reports the icon as visible and able to show messages, and shows nothing;
// there the message goes out as a desktop notification over the session bus
// (where the platform has D-Bus), or, when no notification service answers,
// as a small window of our own at the bottom right of the screen. Each
// message replaces the previous one.
class TrayNotifier : public Notifier
{
public:
    explicit TrayNotifier(QSystemTrayIcon *trayIcon = nullptr);
    ~TrayNotifier() override;

    // The icon is made only once a tray is there.
    void SetTrayIcon(QSystemTrayIcon *trayIcon) { TrayIcon = trayIcon; }

    void ShowMessage(const QString &title, const QString &message, QSystemTrayIcon::MessageIcon icon,
                     int millisecondsTimeoutHint) override;

    // The bus desktop notifications are sent over; the session bus unless
    // set. Tests point it at a private bus. D-Bus platforms only.
    void SetNotificationBus(const QDBusConnection &bus);

    // The window shown when neither a tray nor a notification service is
    // there, while it is open.
    QWidget *Popup() const;

private:
    void ShowPopup(const QString &title, const QString &message, QSystemTrayIcon::MessageIcon icon,
                   int milliseconds);

    QPointer<QSystemTrayIcon> TrayIcon;
    std::unique_ptr<DesktopNotifications> Desktop; // null where there is no D-Bus
    QPointer<QWidget> CurrentPopup;
};
