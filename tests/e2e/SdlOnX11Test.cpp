// The SDL back end on a real X server (run under xvfb-run; skipped without a
// display).

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/platform/sdl/SdlPlatform.h"
// Xlib's macros (None among them) clash with names above; it comes last.
#include <SDL_syswm.h>
#include <X11/Xutil.h>

namespace tk::platform {
namespace {

bool HaveX11Display() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  return std::getenv("DISPLAY") != nullptr && (driver == nullptr || std::string(driver) == "x11");
}

// SDL wakes its own wait by sending an event to one of the program's windows
// over a second connection of its own. When that window is destroyed at the
// end of the run before the server has handled the event, the server's error
// is read only when SDL closes that connection, after SDL has put back the
// error handler it found at start-up; it used to end the process with exit
// code 1. Here a connection like SDL's sends to a window that never existed
// and is closed after SDL has quit.
void SendToVanishedWindowAndQuit() {
  Display* second = nullptr;
  {
    std::string error;
    auto platform = SdlPlatform::Open(error);
    if (!platform) std::exit(4);
    second = XOpenDisplay(nullptr);
    if (second == nullptr) std::exit(3);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.format = 32;
    XSendEvent(second, 0x1FFFFFF0, False, NoEventMask, &event);
    XFlush(second);
  }
  XCloseDisplay(second);
  std::exit(0);
}

TEST(SdlOnX11Test, AnEventSentToAVanishedWindowDoesNotEndTheProgram) {
  if (!HaveX11Display()) GTEST_SKIP() << "no X display";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(SendToVanishedWindowAndQuit(), ::testing::ExitedWithCode(0), "");
}

// Opens the back end with a window, makes the X request that names a window
// that does not exist (kNoSuchWindow), waits for the server's answer and ends
// with exit code 0, unless the error ended the process first. Exit codes 3 and
// 4: no X window to start from.
constexpr Window kNoSuchWindow = 0x1FFFFFF0;
template <class Request>
void RequestAboutNoSuchWindow(Request request) {
  std::string error;
  auto platform = SdlPlatform::Open(error);
  if (!platform) std::exit(4);
  WindowId w = platform->CreateWindow("MIRVOLANT", 20, 20, kNoWindow);
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(platform->SdlWindow(w), &info)) std::exit(3);
  request(info.info.x11.display);
  XSync(info.info.x11.display, False);
  std::exit(0);
}

TEST(SdlOnX11Test, XErrorsAboutAVanishedWindow) {
  if (!HaveX11Display()) GTEST_SKIP() << "no X display";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // After SDL moved a window it asks where the window manager's frame put
  // it; when the window manager destroyed that frame meanwhile (the window
  // was hidden), the question names a window that no longer exists.
  EXPECT_EXIT(RequestAboutNoSuchWindow([](Display* display) {
                int x = 0;
                int y = 0;
                Window child = 0;
                XTranslateCoordinates(display, kNoSuchWindow, DefaultRootWindow(display), 0, 0, &x,
                                      &y, &child);
                XWindowAttributes attributes;
                XGetWindowAttributes(display, kNoSuchWindow, &attributes);
              }),
              ::testing::ExitedWithCode(0), "");
  // Mapping a window that does not exist is a plain programming error: it
  // still reaches Xlib's default handler.
  EXPECT_EXIT(
      RequestAboutNoSuchWindow([](Display* display) { XMapWindow(display, kNoSuchWindow); }),
      ::testing::ExitedWithCode(1), "BadWindow");
}

// Where the X server has the window's top-left corner.
TPoint ScreenCorner(SDL_Window* w) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(w, &info)) return {-1, -1};
  Display* display = info.info.x11.display;
  int x = 0;
  int y = 0;
  Window child = 0;
  XSync(display, False);
  XTranslateCoordinates(display, info.info.x11.window, DefaultRootWindow(display), 0, 0, &x, &y,
                        &child);
  return {x, y};
}

// The window tests share one back end, as the program has one per run.
class SdlOnX11Window : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!HaveX11Display()) return;
    std::string error;
    platform_ = SdlPlatform::Open(error).release();
    if (platform_ == nullptr) ADD_FAILURE() << error;
  }
  static void TearDownTestSuite() {
    delete platform_;
    platform_ = nullptr;
  }
  void SetUp() override {
    if (platform_ == nullptr) GTEST_SKIP() << "no X display";
  }
  static SdlPlatform* platform_;
};
SdlPlatform* SdlOnX11Window::platform_ = nullptr;

TEST_F(SdlOnX11Window, PresentedPixelsReachTheScreen) {
  SdlPlatform& platform = *platform_;
  WindowId w = platform.CreateWindow("MIRVOLANT", 64, 48, kNoWindow);
  platform.MoveWindow(w, 100, 80);
  platform.ShowWindow(w);
  PixelBuffer buffer(64, 48, 0x123456);
  platform.Present(w, buffer, {buffer.Bounds()});

  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  ASSERT_TRUE(SDL_GetWindowWMInfo(platform.SdlWindow(w), &info));
  Display* display = info.info.x11.display;
  XImage* image = XGetImage(display, info.info.x11.window, 10, 10, 1, 1, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(XGetPixel(image, 0, 0) & 0xFFFFFF, 0x123456u);
  XDestroyImage(image);
  // Without a window manager there is no frame, and the corner is the
  // client's corner.
  EXPECT_EQ(platform.WindowPosition(w), (TPoint{100, 80}));
  EXPECT_EQ(ScreenCorner(platform.SdlWindow(w)), (TPoint{100, 80}));
}

TEST_F(SdlOnX11Window, AHiddenWindowAppearsWhereItWasLastMoved) {
  SdlPlatform& platform = *platform_;
  WindowId w = platform.CreateWindow("MIRVOLANT", 30, 30, kNoWindow);
  platform.MoveWindow(w, 465, 308);
  platform.MoveWindow(w, 200, 150);
  platform.ShowWindow(w);
  EXPECT_EQ(ScreenCorner(platform.SdlWindow(w)), (TPoint{200, 150}));
  EXPECT_EQ(platform.WindowPosition(w), (TPoint{200, 150}));

  // Moved while shown, hidden, moved again and shown again.
  platform.MoveWindow(w, 50, 60);
  EXPECT_EQ(ScreenCorner(platform.SdlWindow(w)), (TPoint{50, 60}));
  platform.HideWindow(w);
  platform.MoveWindow(w, 300, 20);
  platform.ShowWindow(w);
  EXPECT_EQ(ScreenCorner(platform.SdlWindow(w)), (TPoint{300, 20}));
}

// A window is mapped at once but SDL is told only with its first frame:
// hiding it before then, or waiting for events, must leave SDL and the X
// server agreeing on whether it is shown.
TEST_F(SdlOnX11Window, AWindowShownWithoutAFrameIsHiddenOrShownInFull) {
  SdlPlatform& platform = *platform_;
  WindowId w = platform.CreateWindow("MIRVOLANT", 30, 30, kNoWindow);
  SDL_Window* sdl = platform.SdlWindow(w);
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  ASSERT_TRUE(SDL_GetWindowWMInfo(sdl, &info));
  auto mapState = [&] {
    XWindowAttributes attributes{};
    XSync(info.info.x11.display, False);
    XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes);
    return attributes.map_state;
  };
  platform.ShowWindow(w);
  platform.Activate(w);
  platform.HideWindow(w);
  EXPECT_EQ(mapState(), IsUnmapped);
  EXPECT_EQ(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN, 0u);

  platform.ShowWindow(w);
  Event event;
  platform.WaitEvent(event, platform.NowMs());
  EXPECT_EQ(mapState(), IsViewable);
  EXPECT_NE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN, 0u);
  platform.DestroyWindow(w);
}

// The density comes from the desktop's resource database (what xrdb writes
// into the root window's RESOURCE_MANAGER property), read when the platform
// starts; without Xft.dpi, or with a value that is no density, the platform
// reports 96.
TEST(SdlOnX11Test, DensityFollowsXftDpiOfTheResourceDatabase) {
  if (!HaveX11Display()) GTEST_SKIP() << "no X display";
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  Window root = DefaultRootWindow(display);
  Atom property = XInternAtom(display, "RESOURCE_MANAGER", False);
  const struct {
    const char* resources;  // nullptr: no property at all
    int expected;
  } cases[] = {
      {nullptr, 96},
      {"Xft.antialias:\t1\nXft.dpi:\t120\n", 120},
      {"Xft.dpi: 192\n", 192},
      {"Xft.dpi: 144.5\n", 145},
      {"*dpi: 168\n", 168},
      {"Xcursor.size: 24\n", 96},
      {"Xft.dpi: large\n", 96},
      {"Xft.dpi: 0\n", 96},
  };
  for (const auto& c : cases) {
    if (c.resources == nullptr) {
      XDeleteProperty(display, root, property);
    } else {
      XChangeProperty(display, root, property, XA_STRING, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(c.resources),
                      static_cast<int>(std::strlen(c.resources)));
    }
    XSync(display, False);
    // What the platform reports, read afresh as at each start.
    X11Extras extras;
    EXPECT_EQ(extras.ResourceDpi().value_or(96), c.expected)
        << (c.resources ? c.resources : "(none)");
  }
  XDeleteProperty(display, root, property);
  XCloseDisplay(display);
}

}  // namespace
}  // namespace tk::platform
