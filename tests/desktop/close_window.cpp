// Asks every top-level window of one process to close, the way a window manager does
// when its close button is pressed: a WM_DELETE_WINDOW message. Under a bare X server
// there is no window manager to do it, and destroying the window is not the same.
// Usage: close-window PID. Exit 0 when at least one window was asked.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

long WindowPid(Display* display, Window window, Atom pidAtom) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr && format == 32 && count == 1)
        pid = *reinterpret_cast<long*>(data);
    if (data != nullptr) XFree(data);
    return pid;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: close-window PID\n");
        return 2;
    }
    const long pid = std::strtol(argv[1], nullptr, 10);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "close-window: no display\n");
        return 2;
    }
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    int asked = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count; ++i) {
            if (WindowPid(display, children[i], pidAtom) != pid) continue;
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = children[i];
            event.xclient.message_type = protocols;
            event.xclient.format = 32;
            event.xclient.data.l[0] = static_cast<long>(deleteWindow);
            event.xclient.data.l[1] = CurrentTime;
            XSendEvent(display, children[i], False, NoEventMask, &event);
            ++asked;
        }
        if (children != nullptr) XFree(children);
    }
    XCloseDisplay(display);
    if (asked == 0) std::fprintf(stderr, "close-window: process %ld has no window\n", pid);
    return asked > 0 ? 0 : 1;
}
