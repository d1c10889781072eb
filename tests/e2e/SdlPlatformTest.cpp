// The SDL back end on SDL's window-less "dummy" video driver: presentation
// into the window surface, translation of SDL events, waiting, waking and
// the signals that end the program.

#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <thread>

#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/paint/png/PngFile.h"
#include "toolkit/platform/sdl/SdlPlatform.h"
#include "toolkit/platform/sdl/WindowIcon.h"

namespace tk::platform {
namespace {

std::unique_ptr<SdlPlatform> MustOpen() {
  std::string error;
  auto platform = SdlPlatform::Open(error);
  if (!platform) ADD_FAILURE() << error;
  return platform;
}

class SdlPlatformTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setenv("SDL_VIDEODRIVER", "dummy", 1); }

  std::deque<Event> Translate(const SDL_Event& e) {
    EventQueue queue;
    platform_.Translate(e, queue);
    std::deque<Event> out;
    for (Event got; queue.Pop(got);) out.push_back(got);
    return out;
  }
  // Checks that an SDL key event becomes exactly one key event of window_.
  void ExpectKey(const SDL_Event& sdl, EventKind kind, platform::Key key, uint8_t modifiers = 0,
                 bool repeat = false) {
    SCOPED_TRACE(::testing::Message() << "SDL key " << sdl.key.keysym.sym);
    std::deque<Event> out = Translate(sdl);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, kind);
    EXPECT_EQ(out[0].window, window_);
    EXPECT_EQ(out[0].key, key);
    EXPECT_EQ(out[0].modifiers, modifiers);
    EXPECT_EQ(out[0].repeat, repeat);
  }
  SDL_Event Key(uint32_t type, SDL_Keycode sym, uint16_t mod = 0, uint8_t repeat = 0) const {
    SDL_Event e{};
    e.type = type;
    e.key.windowID = sdlId_;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    e.key.repeat = repeat;
    return e;
  }
  SDL_Event WindowEvent(uint8_t what, int data1 = 0, int data2 = 0) const {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = sdlId_;
    e.window.event = what;
    e.window.data1 = data1;
    e.window.data2 = data2;
    return e;
  }

  std::unique_ptr<SdlPlatform> owned_ = MustOpen();
  SdlPlatform& platform_ = *owned_;
  // A window the synthetic events are for, and SDL's number of it.
  WindowId window_ = platform_.CreateWindow("MIRVOLANT", 50, 40, kNoWindow);
  uint32_t sdlId_ = SDL_GetWindowID(platform_.SdlWindow(window_));
};

TEST_F(SdlPlatformTest, PresentCopiesOnlyTheDirtyRectanglesInTheSurfaceFormat) {
  WindowId w = platform_.CreateWindow("Проверка", 40, 30, kNoWindow);
  ASSERT_NE(w, kNoWindow);
  platform_.ShowWindow(w);
  SDL_Surface* surface = SDL_GetWindowSurface(platform_.SdlWindow(w));
  ASSERT_NE(surface, nullptr);
  SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));

  PixelBuffer buffer(40, 30, 0xD4D0C8);
  buffer.Set(6, 7, 0x0A246A);
  // The second rectangle reaches past the buffer and must be clipped.
  platform_.Present(w, buffer, {TRect{5, 5, 15, 15}, TRect{30, 20, 60, 60}});

  auto pixel = [&](int x, int y) {
    Uint8 r, g, b;
    auto* row = static_cast<uint8_t*>(surface->pixels) + y * surface->pitch;
    Uint32 p = 0;
    std::memcpy(&p, row + x * surface->format->BytesPerPixel, surface->format->BytesPerPixel);
    SDL_GetRGB(p, surface->format, &r, &g, &b);
    return static_cast<TColor>(r << 16 | g << 8 | b);
  };
  EXPECT_EQ(pixel(6, 7), 0x0A246Au);
  EXPECT_EQ(pixel(5, 5), 0xD4D0C8u);
  EXPECT_EQ(pixel(14, 14), 0xD4D0C8u);
  EXPECT_EQ(pixel(39, 29), 0xD4D0C8u);
  // Outside every dirty rectangle the surface keeps what it had.
  EXPECT_EQ(pixel(15, 15), 0u);
  EXPECT_EQ(pixel(4, 5), 0u);
  EXPECT_EQ(pixel(29, 20), 0u);
}

TEST_F(SdlPlatformTest, CommandKeysBecomeKeyDownsWithModifiersAndRepeat) {
  ExpectKey(Key(SDL_KEYDOWN, SDLK_TAB, KMOD_LSHIFT), EventKind::KeyDown, Key::Tab, kShift);
  ExpectKey(Key(SDL_KEYDOWN, SDLK_KP_ENTER), EventKind::KeyDown, Key::Enter);
  ExpectKey(Key(SDL_KEYDOWN, SDLK_BACKSPACE, 0, 1), EventKind::KeyDown, Key::Backspace, 0, true);
  ExpectKey(Key(SDL_KEYUP, SDLK_DELETE), EventKind::KeyUp, Key::Delete);
  ExpectKey(Key(SDL_KEYDOWN, SDLK_LEFT), EventKind::KeyDown, Key::Left);
  ExpectKey(Key(SDL_KEYDOWN, SDLK_RIGHT), EventKind::KeyDown, Key::Right);
  ExpectKey(Key(SDL_KEYDOWN, SDLK_HOME), EventKind::KeyDown, Key::Home);
  ExpectKey(Key(SDL_KEYDOWN, SDLK_END), EventKind::KeyDown, Key::End);
}

TEST_F(SdlPlatformTest, ShortcutLettersAreReportedAsKeysAndTheClipboardIsReadOnRequest) {
  // The letters of the shortcuts come as keys with their modifiers; what they
  // mean is the toolkit's business. Other letters only arrive as text.
  EXPECT_TRUE(Translate(Key(SDL_KEYDOWN, SDLK_b, KMOD_LCTRL)).empty());
  ExpectKey(Key(SDL_KEYDOWN, SDLK_a), EventKind::KeyDown, Key::A);
  ExpectKey(Key(SDL_KEYDOWN, SDLK_c), EventKind::KeyDown, Key::C);
  ExpectKey(Key(SDL_KEYDOWN, SDLK_v), EventKind::KeyDown, Key::V);
  ExpectKey(Key(SDL_KEYDOWN, SDLK_x), EventKind::KeyDown, Key::X);
  ExpectKey(Key(SDL_KEYDOWN, SDLK_v, KMOD_RCTRL), EventKind::KeyDown, Key::V, kCtrl);

  ASSERT_EQ(SDL_SetClipboardText("жуфа"), 0);
  EXPECT_EQ(platform_.ClipboardText(), "жуфа");

  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  text.text.windowID = sdlId_;
  SDL_strlcpy(text.text.text, "Ж", sizeof text.text.text);
  auto typed = Translate(text);
  ASSERT_EQ(typed.size(), 1u);
  EXPECT_EQ(typed[0].kind, EventKind::Text);
  EXPECT_EQ(typed[0].text, "Ж");
  EXPECT_EQ(typed[0].window, window_);
}

TEST_F(SdlPlatformTest, MouseButtonsAndWindowEventsAreTranslated) {
  SDL_Event press{};
  press.type = SDL_MOUSEBUTTONDOWN;
  press.button.windowID = sdlId_;
  press.button.button = SDL_BUTTON_RIGHT;
  press.button.x = 12;
  press.button.y = -3;
  auto down = Translate(press);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].kind, EventKind::MouseDown);
  EXPECT_EQ(down[0].button, 2);
  EXPECT_EQ(down[0].x, 12);
  EXPECT_EQ(down[0].y, -3);
  press.type = SDL_MOUSEBUTTONUP;
  press.button.button = SDL_BUTTON_LEFT;
  auto up = Translate(press);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].kind, EventKind::MouseUp);
  EXPECT_EQ(up[0].button, 1);

  const std::pair<uint8_t, EventKind> kinds[] = {
      {SDL_WINDOWEVENT_CLOSE, EventKind::CloseRequest},
      {SDL_WINDOWEVENT_FOCUS_GAINED, EventKind::FocusGained},
      {SDL_WINDOWEVENT_FOCUS_LOST, EventKind::FocusLost},
      {SDL_WINDOWEVENT_LEAVE, EventKind::MouseLeave},
      {SDL_WINDOWEVENT_EXPOSED, EventKind::Exposed}};
  for (auto [what, kind] : kinds) {
    auto out = Translate(WindowEvent(what));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, kind);
    EXPECT_EQ(out[0].window, window_);
  }
  EXPECT_TRUE(Translate(WindowEvent(SDL_WINDOWEVENT_ENTER)).empty());
}

TEST_F(SdlPlatformTest, OnlyShownWindowsReportMovesAtTheirOuterCorner) {
  WindowId w = window_;
  EXPECT_TRUE(Translate(WindowEvent(SDL_WINDOWEVENT_MOVED, 30, 40)).empty());
  platform_.ShowWindow(w);
  platform_.MoveWindow(w, 100, 120);
  EXPECT_EQ(platform_.WindowPosition(w), (TPoint{100, 120}));
  auto moved = Translate(WindowEvent(SDL_WINDOWEVENT_MOVED, 30, 40));
  ASSERT_EQ(moved.size(), 1u);
  EXPECT_EQ(moved[0].kind, EventKind::Moved);
  FrameExtents frame = platform_.Frame(w);
  EXPECT_EQ(moved[0].x, 30 - frame.left);
  EXPECT_EQ(moved[0].y, 40 - frame.top);
}

TEST_F(SdlPlatformTest, WaitEndsAtTheDeadlineOrEarlierWhenWoken) {
  Event e;
  int64_t start = platform_.NowMs();
  EXPECT_FALSE(platform_.WaitEvent(e, start + 30));
  EXPECT_GE(platform_.NowMs(), start + 30);

  // A deadline already passed returns at once.
  EXPECT_FALSE(platform_.WaitEvent(e, platform_.NowMs() - 5));

  std::thread waker([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    platform_.Wake();
  });
  start = platform_.NowMs();
  ASSERT_TRUE(platform_.WaitEvent(e, start + 5000));
  waker.join();
  EXPECT_EQ(e.kind, EventKind::Wake);
  EXPECT_LT(platform_.NowMs() - start, 2000);

  // Input already queued by SDL comes before any wait.
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  SDL_strlcpy(text.text.text, "7", sizeof text.text.text);
  SDL_PushEvent(&text);
  ASSERT_TRUE(platform_.WaitEvent(e, platform_.NowMs()));
  EXPECT_EQ(e.kind, EventKind::Text);
  EXPECT_EQ(e.text, "7");
}

TEST_F(SdlPlatformTest, PostQuitAndTerminationSignalsEndTheWaitWithQuit) {
  Event e;
  platform_.PostQuit();
  ASSERT_TRUE(platform_.WaitEvent(e, -1));
  EXPECT_EQ(e.kind, EventKind::Quit);

  // The handler only asks for the quit; the process goes on to end normally.
  for (int signal : {SIGTERM, SIGINT}) {
    raise(signal);
    ASSERT_TRUE(platform_.WaitEvent(e, platform_.NowMs() + 5000)) << signal;
    EXPECT_EQ(e.kind, EventKind::Quit) << signal;
  }
}

TEST_F(SdlPlatformTest, DesktopSpansTheMonitors) {
  std::vector<TRect> monitors = platform_.Monitors();
  ASSERT_FALSE(monitors.empty());
  TRect desktop = platform_.Desktop();
  for (const TRect& m : monitors) EXPECT_EQ(desktop.Intersect(m), m);
  EXPECT_FALSE(desktop.IsEmpty());
  // The dummy display reports no density; the classic default stands in.
  EXPECT_EQ(platform_.PixelsPerInch(), 96);
  EXPECT_GE(platform_.DisplayBitsPerPixel(), 8);
}

// The build decodes the icon into the program: its pixels are those of the
// picture the desktop entry names, opaque, in SDL's ARGB order.
TEST(WindowIconTest, IsThePictureOfTheDesktopEntryOpaque) {
  PixelBuffer picture;
  ASSERT_TRUE(ReadPng(MV_SOURCE_DIR "/resources/icon-64.png", picture));
  SDL_Surface* icon = LoadWindowIcon();
  ASSERT_NE(icon, nullptr);
  ASSERT_EQ(icon->format->format, SDL_PIXELFORMAT_ARGB8888);
  ASSERT_EQ(icon->w, picture.Width());
  ASSERT_EQ(icon->h, picture.Height());
  int differing = 0;
  for (int y = 0; y < icon->h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const char*>(icon->pixels) +
                                                        static_cast<ptrdiff_t>(y) * icon->pitch);
    for (int x = 0; x < icon->w; ++x) {
      if (row[x] != (0xFF000000u | picture.At(x, y))) ++differing;
    }
  }
  SDL_FreeSurface(icon);
  EXPECT_EQ(differing, 0);
}

TEST(SdlPlatformStartTest, WithoutADisplayOpeningFailsWithAReason) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto start = [] {
    // SDL would otherwise settle for a driver that shows nothing.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    std::string error;
    auto platform = OpenNativePlatform(error);
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(platform == nullptr ? 1 : 0);
  };
  EXPECT_EXIT(start(), ::testing::ExitedWithCode(1), "cannot open the display");
}

}  // namespace
}  // namespace tk::platform
