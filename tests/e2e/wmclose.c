/* Asks a window to close as a window manager does when its close box is
 * clicked: a WM_DELETE_WINDOW ClientMessage of the WM_PROTOCOLS type.
 * Usage: kvx_wmclose WINDOW-ID (decimal or 0x hex). */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s WINDOW-ID\n", argv[0]);
        return 2;
    }
    Display* d = XOpenDisplay(NULL);
    if (d == NULL) {
        fprintf(stderr, "cannot open display\n");
        return 1;
    }
    Window w = (Window)strtoul(argv[1], NULL, 0);
    XEvent ev = {0};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &ev);
    XSync(d, False);
    XCloseDisplay(d);
    return 0;
}
