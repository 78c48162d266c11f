// velnora_mapwait: starts a program and prints how long it took, in milliseconds, from just
// before the program is started to the moment the X server maps its top-level window.
//
//   velnora_mapwait [--title TITLE] [--timeout SECONDS] -- PROGRAM [ARGS...]
//
// Meant for a bare X server without a window manager (Xvfb), where top-level windows are children
// of the root window: the tool listens for the root's substructure events before it starts the
// program, so nothing can be missed and no polling is involved. The same fork and exec is paid for
// by every program measured. With --title only a window of that title counts (_NET_WM_NAME, else
// WM_NAME). Once the window is mapped, or on failure, the program is ended (SIGTERM, then SIGKILL).
//
// Exit status: 0 measured, 1 timed out, 2 the program ended before mapping, 3 usage or X error.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <set>
#include <string>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

double now()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

std::optional<std::string> windowTitle(Display *display, Window window)
{
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(display, window, netWmName, 0, 4096, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        std::string title(reinterpret_cast<const char *>(data), count);
        XFree(data);
        if (type == utf8)
            return title;
    }
    XTextProperty text{};
    if (XGetWMName(display, window, &text) && text.value) {
        char **list = nullptr;
        int items = 0;
        std::optional<std::string> title;
        if (Xutf8TextPropertyToTextList(display, &text, &list, &items) >= Success && items > 0)
            title = list[0];
        if (list)
            XFreeStringList(list);
        XFree(text.value);
        return title;
    }
    return std::nullopt;
}

// Windows may be gone by the time we ask about them; that is no error here.
int ignoreErrors(Display *, XErrorEvent *)
{
    return 0;
}

void endChild(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

int usage()
{
    std::fprintf(
        stderr,
        "usage: velnora_mapwait [--title TITLE] [--timeout SECONDS] -- PROGRAM [ARGS...]\n");
    return 3;
}

} // namespace

int main(int argc, char *argv[])
{
    std::optional<std::string> wanted;
    double timeout = 30.0;
    int first = 1;
    for (; first < argc; ++first) {
        const std::string arg = argv[first];
        if (arg == "--") {
            ++first;
            break;
        }
        if (first + 1 >= argc)
            return usage();
        if (arg == "--title")
            wanted = argv[++first];
        else if (arg == "--timeout")
            timeout = std::atof(argv[++first]);
        else
            return usage();
    }
    if (first >= argc)
        return usage();

    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "velnora_mapwait: cannot open display %s\n", XDisplayName(nullptr));
        return 3;
    }
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const double start = now();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("velnora_mapwait: fork");
        return 3;
    }
    if (pid == 0) {
        close(ConnectionNumber(display));
        execvp(argv[first], argv + first);
        std::fprintf(stderr, "velnora_mapwait: cannot start %s: %s\n", argv[first],
                     std::strerror(errno));
        _exit(127);
    }

    const Atom wmName = XInternAtom(display, "WM_NAME", False);
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    std::set<Window> mapped; // mapped top-level windows whose title did not match (yet)
    const auto matches = [&](Window window) {
        if (!wanted)
            return true;
        const auto title = windowTitle(display, window);
        return title && *title == *wanted;
    };

    const double deadline = start + timeout * 1e3;
    int status = 1;
    double mappedAt = 0.0;
    while (status == 1) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify && event.xcreatewindow.parent == root) {
                // A title set after mapping arrives as a property change.
                XSelectInput(display, event.xcreatewindow.window, PropertyChangeMask);
            } else if (event.type == MapNotify && event.xmap.event == root) {
                if (matches(event.xmap.window)) {
                    mappedAt = now();
                    status = 0;
                    break;
                }
                mapped.insert(event.xmap.window);
            } else if (event.type == UnmapNotify && event.xunmap.event == root) {
                mapped.erase(event.xunmap.window);
            } else if (event.type == PropertyNotify && mapped.count(event.xproperty.window) &&
                       (event.xproperty.atom == wmName || event.xproperty.atom == netWmName) &&
                       matches(event.xproperty.window)) {
                mappedAt = now();
                status = 0;
                break;
            }
        }
        if (status != 1)
            break;
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "velnora_mapwait: %s ended before mapping a window\n",
                         argv[first]);
            XCloseDisplay(display);
            return 2;
        }
        const double left = deadline - now();
        if (left <= 0)
            break;
        // Wake for X events at once, and now and then to see whether the program is still there.
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, left < 20 ? int(left) + 1 : 20);
    }

    endChild(pid);
    XCloseDisplay(display);
    if (status != 0) {
        std::fprintf(stderr, "velnora_mapwait: no window mapped within %g s\n", timeout);
        return status;
    }
    std::printf("%.3f\n", mappedAt - start);
    return 0;
}
