#include "Notifier.h"

#include "SystemTray.h"

#ifdef VARNO_DESKTOP_NOTIFICATIONS
#include "DesktopNotifications.h"
#else
class DesktopNotifications
{
};
#endif

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

Notifier::~Notifier() = default;

namespace {

constexpr int DefaultMilliseconds = 10000;
constexpr int PopupMargin = 12;
constexpr int PopupWidth = 320;

// A click anywhere dismisses it; it never takes the keyboard focus, so a
// reminder popping up does not interrupt what the user is typing.
class BalloonPopup : public QFrame
{
public:
    BalloonPopup(const QString &title, const QString &message, QSystemTrayIcon::MessageIcon icon)
        : QFrame(nullptr,
                 Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus | Qt::FramelessWindowHint)
    {
        setObjectName(QStringLiteral("BalloonPopup"));
        setWindowTitle(title);
        setAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_ShowWithoutActivating);
        // While the main window is hidden in the tray this may be the only
        // window; its closing must not count as the last window closing.
        setAttribute(Qt::WA_QuitOnClose, false);
        setFocusPolicy(Qt::NoFocus);
        setFrameShape(QFrame::Box);
        setStyleSheet(QStringLiteral("QFrame#BalloonPopup { background-color: rgb(45,45,50); "
                                     "border: 1px solid rgb(33,124,255); } QLabel { color: white; }"));

        auto *titleLabel = new QLabel(title, this);
        titleLabel->setObjectName(QStringLiteral("BalloonTitle"));
        QFont bold = titleLabel->font();
        bold.setBold(true);
        titleLabel->setFont(bold);

        auto *messageLabel = new QLabel(message, this);
        messageLabel->setObjectName(QStringLiteral("BalloonMessage"));
        messageLabel->setWordWrap(true);

        auto *text = new QVBoxLayout;
        text->addWidget(titleLabel);
        text->addWidget(messageLabel);

        auto *row = new QHBoxLayout(this);
        const QStyle::StandardPixmap iconKind = icon == QSystemTrayIcon::Critical
            ? QStyle::SP_MessageBoxCritical
            : icon == QSystemTrayIcon::Warning ? QStyle::SP_MessageBoxWarning
                                               : QStyle::SP_MessageBoxInformation;
        if (icon != QSystemTrayIcon::NoIcon) {
            auto *iconLabel = new QLabel(this);
            iconLabel->setPixmap(style()->standardIcon(iconKind).pixmap(32, 32));
            iconLabel->setAlignment(Qt::AlignTop);
            row->addWidget(iconLabel);
        }
        row->addLayout(text, 1);

        setFixedWidth(PopupWidth);
        adjustSize();
    }

protected:
    void mousePressEvent(QMouseEvent *) override { close(); }

    // Some platforms activate every window they show, whatever it asks for;
    // hand the activation straight back to the window the user was in.
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::WindowActivate && WorkWindow)
            WorkWindow->requestActivate();
        return QFrame::event(event);
    }

private:
    QPointer<QWindow> WorkWindow = QGuiApplication::focusWindow();
};

} // namespace

TrayNotifier::TrayNotifier(QSystemTrayIcon *trayIcon)
    : TrayIcon(trayIcon)
#ifdef VARNO_DESKTOP_NOTIFICATIONS
    , Desktop(std::make_unique<DesktopNotifications>())
#endif
{ }

TrayNotifier::~TrayNotifier()
{
    delete CurrentPopup.data();
}

#ifdef VARNO_DESKTOP_NOTIFICATIONS
void TrayNotifier::SetNotificationBus(const QDBusConnection &bus)
{
    Desktop->SetBus(bus);
}
#endif

QWidget *TrayNotifier::Popup() const
{
    return CurrentPopup.data();
}

void TrayNotifier::ShowMessage(const QString &title, const QString &message,
                               QSystemTrayIcon::MessageIcon icon, int millisecondsTimeoutHint)
{
    if (TrayIcon && SystemTray::IsAvailable()) {
        TrayIcon->showMessage(title, message, icon, millisecondsTimeoutHint);
        return;
    }
    const int milliseconds = millisecondsTimeoutHint > 0 ? millisecondsTimeoutHint : DefaultMilliseconds;
    const auto popup
        = [this, title, message, icon, milliseconds] { ShowPopup(title, message, icon, milliseconds); };
#ifdef VARNO_DESKTOP_NOTIFICATIONS
    if (Desktop->Send(title, message, icon, milliseconds, popup))
        return;
#endif
    popup();
}

void TrayNotifier::ShowPopup(const QString &title, const QString &message, QSystemTrayIcon::MessageIcon icon,
                             int milliseconds)
{
    if (CurrentPopup)
        CurrentPopup->close();

    auto *popup = new BalloonPopup(title, message, icon);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    popup->move(area.right() + 1 - PopupMargin - popup->width(),
                area.bottom() + 1 - PopupMargin - popup->height());
    QTimer::singleShot(milliseconds, popup, &QWidget::close);
    CurrentPopup = popup;
    popup->show();
}
