#include "WaylandIdle.h"

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <cstring>

namespace IdleTime {

struct WaylandIdle::Connection
{
    qint64 AwayAfterSeconds = 0;
    bool StandardFirst = true;
    wl_display *Display = nullptr;
    wl_registry *Registry = nullptr;
    wl_callback *InitialGlobals = nullptr;
    wl_seat *Seat = nullptr;
    ext_idle_notifier_v1 *Notifier = nullptr;
    ext_idle_notification_v1 *Notification = nullptr;
    org_kde_kwin_idle *KdeIdle = nullptr;
    org_kde_kwin_idle_timeout *KdeTimeout = nullptr;
    QPointer<QSocketNotifier> Readable;
    bool Watching = false;
    bool Away = false;
    QElapsedTimer AwaySince;

    void Idled()
    {
        Away = true;
        AwaySince.start();
    }

    void Resumed() { Away = false; }

    void Subscribe();
    void Dispatch();
    void Close();
};

namespace {

void OnGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
{
    auto *connection = static_cast<WaylandIdle::Connection *>(data);
    // The first seat: desktops have one, and idleness is the user's, not a
    // device's.
    if (!connection->Seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
        connection->Seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (!connection->Notifier && std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
        connection->Notifier = static_cast<ext_idle_notifier_v1 *>(
            wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    } else if (!connection->KdeIdle && std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
        connection->KdeIdle = static_cast<org_kde_kwin_idle *>(
            wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
    }
}

// A seat unplugged while running is not followed: desktops keep theirs.
void OnGlobalRemoved(void *, wl_registry *, uint32_t) { }

const wl_registry_listener RegistryListener = {OnGlobal, OnGlobalRemoved};

void OnInitialGlobals(void *data, wl_callback *callback, uint32_t)
{
    auto *connection = static_cast<WaylandIdle::Connection *>(data);
    wl_callback_destroy(callback);
    connection->InitialGlobals = nullptr;
    connection->Subscribe();
}

const wl_callback_listener InitialGlobalsListener = {OnInitialGlobals};

void OnIdled(void *data, ext_idle_notification_v1 *)
{
    static_cast<WaylandIdle::Connection *>(data)->Idled();
}

void OnResumed(void *data, ext_idle_notification_v1 *)
{
    static_cast<WaylandIdle::Connection *>(data)->Resumed();
}

const ext_idle_notification_v1_listener NotificationListener = {OnIdled, OnResumed};

void OnKdeIdle(void *data, org_kde_kwin_idle_timeout *)
{
    static_cast<WaylandIdle::Connection *>(data)->Idled();
}

void OnKdeResumed(void *data, org_kde_kwin_idle_timeout *)
{
    static_cast<WaylandIdle::Connection *>(data)->Resumed();
}

const org_kde_kwin_idle_timeout_listener KdeTimeoutListener = {OnKdeIdle, OnKdeResumed};

} // namespace

// Once every global the compositor had at connection time is known, so the
// preferred protocol wins wherever both are offered.
void WaylandIdle::Connection::Subscribe()
{
    const auto milliseconds = static_cast<uint32_t>(AwayAfterSeconds * 1000);
    if (Seat && Notifier && (StandardFirst || !KdeIdle)) {
        Notification = ext_idle_notifier_v1_get_idle_notification(Notifier, milliseconds, Seat);
        ext_idle_notification_v1_add_listener(Notification, &NotificationListener, this);
    } else if (Seat && KdeIdle) {
        KdeTimeout = org_kde_kwin_idle_get_idle_timeout(KdeIdle, Seat, milliseconds);
        org_kde_kwin_idle_timeout_add_listener(KdeTimeout, &KdeTimeoutListener, this);
    } else {
        return;
    }
    // Both start counting at creation, so the person counts as present until
    // the compositor says otherwise.
    Watching = true;
}

// Reads what the socket holds and runs the callbacks, in the order libwayland
// asks of a program that polls the socket itself; never blocks.
void WaylandIdle::Connection::Dispatch()
{
    while (wl_display_prepare_read(Display) != 0) {
        if (wl_display_dispatch_pending(Display) < 0)
            return Close();
    }
    if (wl_display_read_events(Display) < 0 || wl_display_dispatch_pending(Display) < 0)
        return Close();
    wl_display_flush(Display);
    // A compositor without either protocol has nothing more to say.
    if (!InitialGlobals && !Watching)
        Close();
}

void WaylandIdle::Connection::Close()
{
    Watching = false;
    // Called from the notifier's own signal too: off at once, gone later.
    if (Readable) {
        Readable->setEnabled(false);
        Readable->deleteLater();
    }
    if (Notification)
        ext_idle_notification_v1_destroy(Notification);
    if (KdeTimeout)
        org_kde_kwin_idle_timeout_release(KdeTimeout);
    if (Notifier)
        ext_idle_notifier_v1_destroy(Notifier);
    if (KdeIdle)
        org_kde_kwin_idle_destroy(KdeIdle);
    if (Seat)
        wl_seat_destroy(Seat);
    if (InitialGlobals)
        wl_callback_destroy(InitialGlobals);
    if (Registry)
        wl_registry_destroy(Registry);
    if (Display)
        wl_display_disconnect(Display);
    Notification = nullptr;
    KdeTimeout = nullptr;
    Notifier = nullptr;
    KdeIdle = nullptr;
    Seat = nullptr;
    InitialGlobals = nullptr;
    Registry = nullptr;
    Display = nullptr;
}

WaylandIdle::WaylandIdle(qint64 awayAfterSeconds, bool standardFirst)
    : State(std::make_unique<Connection>())
{
    State->AwayAfterSeconds = awayAfterSeconds;
    State->StandardFirst = standardFirst;
    State->Display = wl_display_connect(nullptr);
    if (!State->Display)
        return;
    State->Registry = wl_display_get_registry(State->Display);
    wl_registry_add_listener(State->Registry, &RegistryListener, State.get());
    State->InitialGlobals = wl_display_sync(State->Display);
    wl_callback_add_listener(State->InitialGlobals, &InitialGlobalsListener, State.get());
    wl_display_flush(State->Display);
    // Owned by the application, so a source that outlives it (a static one)
    // does not touch a notifier whose event dispatcher is gone.
    State->Readable = new QSocketNotifier(wl_display_get_fd(State->Display), QSocketNotifier::Read,
                                          QCoreApplication::instance());
    Connection *connection = State.get();
    QObject::connect(State->Readable.data(), &QSocketNotifier::activated,
                     [connection] { connection->Dispatch(); });
}

WaylandIdle::~WaylandIdle()
{
    State->Close();
}

std::optional<qint64> WaylandIdle::Seconds() const
{
    if (!State->Watching)
        return std::nullopt;
    return State->Away ? State->AwayAfterSeconds + State->AwaySince.elapsed() / 1000 : 0;
}

} // namespace IdleTime
