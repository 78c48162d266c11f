#include "TopLevels.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>

struct TopLevels::Connection {
    Display *display = nullptr;
    Window root = 0;
    Atom netWmName = 0;
    Atom utf8String = 0;
    Atom wmProtocols = 0;
    Atom wmDeleteWindow = 0;

    std::string title(Window window) const
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(display, window, netWmName, 0, 4096, False, utf8String, &type,
                               &format, &count, &after, &data) == Success &&
            data) {
            std::string text(reinterpret_cast<const char *>(data), count);
            XFree(data);
            if (type == utf8String)
                return text;
        }
        std::string text;
        XTextProperty property{};
        if (XGetWMName(display, window, &property) && property.value) {
            char **list = nullptr;
            int items = 0;
            if (Xutf8TextPropertyToTextList(display, &property, &list, &items) >= Success &&
                items > 0)
                text = list[0];
            if (list)
                XFreeStringList(list);
            XFree(property.value);
        }
        return text;
    }
};

namespace
{
// A window may be gone by the time we ask about it.
int ignoreErrors(Display *, XErrorEvent *)
{
    return 0;
}
} // namespace

TopLevels::TopLevels(const std::string &display) : m_x(std::make_unique<Connection>())
{
    m_x->display = XOpenDisplay(display.c_str());
    if (!m_x->display)
        return;
    XSetErrorHandler(ignoreErrors);
    m_x->root = DefaultRootWindow(m_x->display);
    m_x->netWmName = XInternAtom(m_x->display, "_NET_WM_NAME", False);
    m_x->utf8String = XInternAtom(m_x->display, "UTF8_STRING", False);
    m_x->wmProtocols = XInternAtom(m_x->display, "WM_PROTOCOLS", False);
    m_x->wmDeleteWindow = XInternAtom(m_x->display, "WM_DELETE_WINDOW", False);
    XSelectInput(m_x->display, m_x->root, SubstructureNotifyMask);
    XSync(m_x->display, False);
}

TopLevels::~TopLevels()
{
    if (m_x->display)
        XCloseDisplay(m_x->display);
}

bool TopLevels::connected() const
{
    return m_x->display != nullptr;
}

void TopLevels::update(int waitMs)
{
    Display *display = m_x->display;
    if (!display)
        return;
    if (!XPending(display)) {
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, waitMs);
    }
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        switch (event.type) {
        case CreateNotify:
            if (event.xcreatewindow.parent == m_x->root)
                XSelectInput(display, event.xcreatewindow.window, PropertyChangeMask);
            break;
        case MapNotify:
            if (event.xmap.event == m_x->root)
                m_mapped[event.xmap.window] = m_x->title(event.xmap.window);
            break;
        case UnmapNotify:
            if (event.xunmap.event == m_x->root)
                m_mapped.erase(event.xunmap.window);
            break;
        case DestroyNotify:
            m_mapped.erase(event.xdestroywindow.window);
            break;
        case PropertyNotify:
            if (const auto it = m_mapped.find(event.xproperty.window); it != m_mapped.end())
                it->second = m_x->title(it->first);
            break;
        default:
            break;
        }
    }
}

unsigned long TopLevels::find(const std::string &title) const
{
    for (const auto &[window, text] : m_mapped) {
        if (text == title)
            return window;
    }
    return 0;
}

void TopLevels::requestClose(unsigned long window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = m_x->wmProtocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(m_x->wmDeleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_x->display, window, False, NoEventMask, &event);
    XFlush(m_x->display);
}
