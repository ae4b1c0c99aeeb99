// Starts a program and reports, from outside it, how long it took until its
// window was mapped and until its first drawing reached that window. The
// program is then terminated. Watching the X server keeps the measurement
// identical for any program, whatever it does inside.
//
//   window_probe [--min-size N] [--timeout SECONDS] -- PROGRAM [ARGUMENTS...]
//
// Prints "<mapped ms> <first paint ms>" on success. The window counted is the
// first one mapped by the started process (its _NET_WM_PID) that is not
// override-redirect (tray icons and pop-ups are) and is at least N pixels wide
// and high.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>

namespace {

double Milliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Windows come and go while we look at them; a request about one that has
// just gone must not end the probe.
int IgnoreErrors(Display *, XErrorEvent *)
{
    return 0;
}

long WindowPid(Display *display, Window window)
{
    static const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char *data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                           &remaining, &data)
            == Success
        && data && format == 32 && count == 1)
        pid = static_cast<long>(*reinterpret_cast<unsigned long *>(data));
    if (data)
        XFree(data);
    return pid;
}

void Usage()
{
    std::fprintf(stderr,
                 "usage: window_probe [--min-size N] [--timeout SECONDS] -- PROGRAM [ARGUMENTS...]\n");
}

} // namespace

int main(int argc, char *argv[])
{
    int minSize = 1;
    double timeoutMs = 60000;
    int first = 1;
    for (; first < argc; ++first) {
        if (std::strcmp(argv[first], "--") == 0) {
            ++first;
            break;
        }
        if (std::strcmp(argv[first], "--min-size") == 0 && first + 1 < argc)
            minSize = std::atoi(argv[++first]);
        else if (std::strcmp(argv[first], "--timeout") == 0 && first + 1 < argc)
            timeoutMs = std::atof(argv[++first]) * 1e3;
        else {
            Usage();
            return 2;
        }
    }
    if (first >= argc) {
        Usage();
        return 2;
    }

    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "window_probe: cannot open the display\n");
        return 2;
    }
    int damageEvent = 0;
    int damageError = 0;
    if (!XDamageQueryExtension(display, &damageEvent, &damageError)) {
        std::fprintf(stderr, "window_probe: the X server has no DAMAGE extension\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const double start = Milliseconds();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("window_probe: fork");
        return 2;
    }
    if (child == 0) {
        close(ConnectionNumber(display));
        // The probe's own output is the figures alone.
        dup2(STDERR_FILENO, STDOUT_FILENO);
        execvp(argv[first], argv + first);
        std::perror("window_probe: exec");
        _exit(127);
    }

    // Damage is watched from each window's creation on, so no drawing can
    // happen before the probe looks; Qt gives its windows no background, so
    // the server itself paints nothing there on mapping.
    std::map<Window, Damage> damages;
    Window target = None;
    double mapped = -1;
    double painted = -1;
    int status = 0;
    bool exited = false;

    while (painted < 0) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify && event.xcreatewindow.parent == root) {
                const Window window = event.xcreatewindow.window;
                damages[window] = XDamageCreate(display, window, XDamageReportNonEmpty);
            } else if (event.type == MapNotify && event.xmap.event == root && target == None) {
                const Window window = event.xmap.window;
                XWindowAttributes attributes;
                if (!event.xmap.override_redirect && WindowPid(display, window) == child
                    && XGetWindowAttributes(display, window, &attributes) && attributes.width >= minSize
                    && attributes.height >= minSize) {
                    target = window;
                    mapped = Milliseconds() - start;
                    if (!damages.count(window))
                        damages[window] = XDamageCreate(display, window, XDamageReportNonEmpty);
                }
            } else if (event.type == damageEvent + XDamageNotify) {
                const auto *notify = reinterpret_cast<XDamageNotifyEvent *>(&event);
                if (target != None && notify->drawable == target && painted < 0)
                    painted = Milliseconds() - start;
                XDamageSubtract(display, notify->damage, None, None);
            }
        }
        if (painted >= 0)
            break;
        if (waitpid(child, &status, WNOHANG) == child) {
            exited = true;
            break;
        }
        if (Milliseconds() - start > timeoutMs)
            break;
        pollfd connection {ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, 5);
    }

    if (!exited) {
        kill(child, SIGTERM);
        waitpid(child, &status, 0);
    }
    for (const auto &entry : damages)
        XDamageDestroy(display, entry.second);
    XCloseDisplay(display);

    if (painted < 0) {
        if (exited)
            std::fprintf(stderr, "window_probe: %s ended (status %d) before showing a window\n", argv[first],
                         status);
        else
            std::fprintf(stderr, "window_probe: no window of %s within the timeout\n", argv[first]);
        return 1;
    }
    std::printf("%.1f %.1f\n", mapped, painted);
    return 0;
}
