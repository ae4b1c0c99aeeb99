#include "Notifier.h"

Notifier::~Notifier() = default;

TrayNotifier::TrayNotifier(QSystemTrayIcon *trayIcon)
    : TrayIcon(trayIcon)
{ }

void TrayNotifier::ShowMessage(const QString &title, const QString &message,
                               QSystemTrayIcon::MessageIcon icon, int millisecondsTimeoutHint)
{
    TrayIcon->showMessage(title, message, icon, millisecondsTimeoutHint);
}
