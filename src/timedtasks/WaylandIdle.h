#pragma once

#include <QtGlobal>

#include <memory>
#include <optional>

namespace IdleTime {

// Idleness as a Wayland compositor tells it, through ext-idle-notify-v1
// (wlroots desktops such as Sway and Hyprland, KWin since Plasma 5.27) or
// else KDE's org_kde_kwin_idle (earlier Plasma 5). Linux only. Both honour
// idle inhibitors: while a video player keeps the screen on, the person
// counts as present.
//
// It keeps a connection of its own to the compositor of WAYLAND_DISPLAY, so it
// works whether Qt runs on the wayland or the xcb platform (XWayland). That is
// why it speaks the protocols itself instead of using KIdleTime: KIdleTime's
// Wayland plugin rides on Qt's own Wayland connection and gives nothing while
// Qt runs on xcb.
//
// The compositor only says when the seat has had no input for the threshold
// and when input comes back, so the seconds are derived: 0 while present, and
// the threshold plus the time since then while away.
class WaylandIdle
{
public:
    // Starts connecting without waiting for the compositor; the answers come
    // through the event loop of the thread that makes it. Plasma 5.27 offers
    // both protocols; standardFirst false takes KDE's there.
    explicit WaylandIdle(qint64 awayAfterSeconds, bool standardFirst = true);
    ~WaylandIdle();
    WaylandIdle(const WaylandIdle &) = delete;
    WaylandIdle &operator=(const WaylandIdle &) = delete;

    // None before the compositor has offered a seat and one of the protocols,
    // where it offers neither, and once the connection is lost.
    std::optional<qint64> Seconds() const;

    struct Connection;

private:
    std::unique_ptr<Connection> State;
};

} // namespace IdleTime
