/* Measures the time from starting a program to its first frame on screen:
 * starts the command given on the command line and watches one pixel of the
 * X root window until it takes the expected colour (the program's window is
 * then mapped and presented there). Prints the milliseconds and the child's
 * process id; leaves the child running.
 *
 * The program is started only once the pixel shows another colour: a window
 * of the same colour that ended just before may still be on screen until the
 * window manager takes its frame away, which would count as an instant frame.
 * When the pixel keeps the colour for the whole timeout, prints "stale".
 *
 * Usage: first_frame X Y RRGGBB TIMEOUT_MS command [args...] */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static double NowMs(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

/* The colour of one pixel of the root window, as 0xRRGGBB; 0 when it cannot
 * be read. */
static unsigned long PixelAt(Display* display, Window root, int x, int y) {
  XImage* image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
  unsigned long pixel = image ? XGetPixel(image, 0, 0) & 0xFFFFFF : 0;
  if (image) XDestroyImage(image);
  return pixel;
}

int main(int argc, char** argv) {
  if (argc < 6) {
    fprintf(stderr, "usage: %s X Y RRGGBB TIMEOUT_MS command [args...]\n", argv[0]);
    return 2;
  }
  int x = atoi(argv[1]);
  int y = atoi(argv[2]);
  unsigned long want = strtoul(argv[3], NULL, 16);
  double timeout = atof(argv[4]);
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "cannot open the display\n");
    return 2;
  }
  Window root = DefaultRootWindow(display);
  double cleared = NowMs();
  while (PixelAt(display, root, x, y) == want) {
    if (NowMs() - cleared > timeout) {
      printf("stale\n");
      return 1;
    }
    struct timespec pause = {0, 1000000};
    nanosleep(&pause, NULL);
  }
  double start = NowMs();
  pid_t child = fork();
  if (child == 0) {
    execvp(argv[5], argv + 5);
    _exit(127);
  }
  for (;;) {
    unsigned long pixel = PixelAt(display, root, x, y);
    double elapsed = NowMs() - start;
    if (pixel == want) {
      printf("%.1f %d\n", elapsed, (int)child);
      return 0;
    }
    if (elapsed > timeout) {
      printf("timeout %d\n", (int)child);
      return 1;
    }
    struct timespec pause = {0, 1000000};
    nanosleep(&pause, NULL);
  }
}
