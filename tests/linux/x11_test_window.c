/* A stand-in for the windows the program is given by others (an XScreenSaver
 * window, an embedding application), and for a window manager's close button.
 *
 *   x11_test_window window W H [DEPTH]
 *       Creates and maps a plain W x H top-level window named
 *       "halvorn-test-window", with a TrueColor visual of DEPTH bits when
 *       given (else the screen's default visual), and prints its id
 *       ("0x...") on a line. Then reads commands from standard input, one a
 *       line: "resize W H" resizes the window, "destroy" (or the end of the
 *       input) destroys it and ends. Prints "ok" after each command.
 *   x11_test_window close ID
 *       Sends window ID the WM_DELETE_WINDOW message of WM_PROTOCOLS, as a
 *       window manager's close button does.
 *
 * Exit status 0 on success, 1 when the display or the window is unusable,
 * 2 for bad arguments. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int errors = 0;

static int countError(Display* display, XErrorEvent* e) {
    (void)display;
    (void)e;
    ++errors;
    return 0;
}

static int makeWindow(Display* display, int width, int height, int depth) {
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    Visual* visual = DefaultVisual(display, screen);
    int windowDepth = DefaultDepth(display, screen);
    if (depth > 0) {
        XVisualInfo info;
        if (!XMatchVisualInfo(display, screen, depth, TrueColor, &info)) {
            fprintf(stderr, "x11_test_window: no TrueColor visual of depth %d\n", depth);
            return 1;
        }
        visual = info.visual;
        windowDepth = depth;
    }
    XSetWindowAttributes attributes;
    memset(&attributes, 0, sizeof attributes);
    attributes.colormap = XCreateColormap(display, root, visual, AllocNone);
    attributes.background_pixel = 0;
    attributes.border_pixel = 0;
    const Window window = XCreateWindow(display, root, 10, 10, (unsigned)width, (unsigned)height, 0, windowDepth,
                                        InputOutput, visual, CWColormap | CWBackPixel | CWBorderPixel, &attributes);
    XStoreName(display, window, "halvorn-test-window");
    XMapWindow(display, window);
    XSync(display, False);
    if (errors) {
        fprintf(stderr, "x11_test_window: cannot create the window\n");
        return 1;
    }
    printf("0x%lx\n", (unsigned long)window);
    fflush(stdout);

    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        int w = 0;
        int h = 0;
        if (sscanf(line, "resize %d %d", &w, &h) == 2 && w > 0 && h > 0) {
            XResizeWindow(display, window, (unsigned)w, (unsigned)h);
        } else if (strncmp(line, "destroy", 7) == 0) {
            break;
        } else {
            fprintf(stderr, "x11_test_window: unknown command %s", line);
            continue;
        }
        XSync(display, False);
        printf("ok\n");
        fflush(stdout);
    }
    XDestroyWindow(display, window);
    XSync(display, False);
    printf("ok\n");
    fflush(stdout);
    return errors ? 1 : 0;
}

static int sendClose(Display* display, Window window) {
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &e);
    XSync(display, False);
    if (errors) {
        fprintf(stderr, "x11_test_window: cannot send to window 0x%lx\n", (unsigned long)window);
        return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    const int makeArgs = argc == 4 || argc == 5;
    if (!(argc >= 2 &&
          ((strcmp(argv[1], "window") == 0 && makeArgs) || (strcmp(argv[1], "close") == 0 && argc == 3)))) {
        fprintf(stderr, "usage: x11_test_window window W H [DEPTH] | close ID\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "x11_test_window: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(countError);
    int status;
    if (strcmp(argv[1], "window") == 0) {
        status = makeWindow(display, atoi(argv[2]), atoi(argv[3]), argc == 5 ? atoi(argv[4]) : 0);
    } else {
        status = sendClose(display, (Window)strtoul(argv[2], NULL, 0));
    }
    XCloseDisplay(display);
    return status;
}
