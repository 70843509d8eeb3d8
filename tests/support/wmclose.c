/* wmclose: asks a window to close the way a window manager's close button does, by sending it the
 * WM_PROTOCOLS client message WM_DELETE_WINDOW (destroying the window instead would not be a close).
 * Usage: wmclose WINDOW-ID (decimal or 0x hex). Exit code 0 when the message was sent.
 * Depends on: Xlib. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <X11/Xlib.h>

int main(int argc, char **argv)
{
    if (argc != 2 || strcmp(argv[1], "--help") == 0) {
        fprintf(stderr, "usage: wmclose WINDOW-ID\n");
        return argc == 2 ? 0 : 2;
    }
    char *end = NULL;
    unsigned long window = strtoul(argv[1], &end, 0);
    if (!end || *end != '\0' || window == 0) {
        fprintf(stderr, "wmclose: not a window id: %s\n", argv[1]);
        return 2;
    }
    Display *display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "wmclose: cannot open the display\n");
        return 1;
    }
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = (Window)window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    Status sent = XSendEvent(display, (Window)window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    if (!sent) {
        fprintf(stderr, "wmclose: the message could not be sent\n");
        return 1;
    }
    return 0;
}
