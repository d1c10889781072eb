/* The physical floor of start-up on X11: one plain Xlib window of the given
 * client size, centred, whose background the X server paints in the dialog
 * face colour when it is mapped; then idle until it is killed.
 *
 * Usage: bare_x11_window [WIDTH HEIGHT]   (default: the board, 519 x 426) */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  int width = argc > 2 ? atoi(argv[1]) : 519;
  int height = argc > 2 ? atoi(argv[2]) : 426;
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "bare_x11_window: cannot open the display\n");
    return 1;
  }
  int screen = DefaultScreen(display);
  int x = (DisplayWidth(display, screen) - width) / 2;
  int y = (DisplayHeight(display, screen) - height) / 2;
  Window window = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, (unsigned)width,
                                      (unsigned)height, 0, 0, 0xD4D0C8);
  /* The window manager keeps a position the user (here: the program) chose. */
  XSizeHints hints = {0};
  hints.flags = USPosition | USSize;
  hints.x = x;
  hints.y = y;
  hints.width = width;
  hints.height = height;
  XSetWMNormalHints(display, window, &hints);
  XStoreName(display, window, "bare Xlib window");
  XMapWindow(display, window);
  XFlush(display);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
  }
}
