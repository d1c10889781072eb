// The Win32 back end in real windows (under Wine on a virtual X server with a
// window manager): frames and owners, pixels on screen, the translation of
// keys, characters and the mouse, disabled windows, waiting and the due work
// inside the system's own loops; and a start-up that fails in real windows.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/Program.h"
#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/platform/win32/Win32Platform.h"
#include "toolkit/text/Ansi.h"

namespace tk::platform {
namespace {

class Win32PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    owned_ = Win32Platform::Open(error);
    ASSERT_NE(owned_, nullptr) << error;
  }

  Win32Platform& P() { return *owned_; }

  // Every event the platform has now, after handling what is queued.
  std::vector<Event> Drain() {
    std::vector<Event> out;
    Event e;
    while (P().WaitEvent(e, P().NowMs())) out.push_back(e);
    return out;
  }
  // Handles messages for ms milliseconds, or until done(the events so far)
  // holds, and returns the events seen.
  std::vector<Event> Pump(int ms, const std::function<bool(const std::vector<Event>&)>& done = {}) {
    std::vector<Event> out;
    Event e;
    for (int64_t end = P().NowMs() + ms; P().NowMs() < end && !(done && done(out));) {
      if (P().WaitEvent(e, std::min(end, P().NowMs() + 10))) out.push_back(e);
    }
    return out;
  }
  static std::vector<Event> OfKind(const std::vector<Event>& events, EventKind kind) {
    std::vector<Event> out;
    for (const Event& e : events) {
      if (e.kind == kind) out.push_back(e);
    }
    return out;
  }
  // A shown window whose pixels have reached the screen.
  WindowId ShownWindow(int width, int height, TColor fill) {
    WindowId w = P().CreateWindow("MIRVOLANT", width, height, kNoWindow);
    P().ShowWindow(w);
    P().Activate(w);
    PixelBuffer buffer(width, height, fill);
    P().Present(w, buffer, {buffer.Bounds()});
    Pump(5000, [&](auto&) { return ScreenPixel(w, 0, 0) == fill; });
    return w;
  }
  TColor ScreenPixel(WindowId w, int x, int y) {
    HDC dc = GetDC(P().Handle(w));
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(P().Handle(w), dc);
    return static_cast<TColor>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
  }

  std::unique_ptr<Win32Platform> owned_;
};

TEST_F(Win32PlatformTest, DialogWindowsHaveAFixedFrameAndTheOwnerTheyWereGiven) {
  WindowId board = P().CreateWindow("MIRVOLANT", 519, 426, kNoWindow);
  WindowId choice = P().CreateWindow("Выбор пути", 617, 295, board);
  HWND hboard = P().Handle(board);
  HWND hchoice = P().Handle(choice);
  ASSERT_NE(hboard, nullptr);
  ASSERT_NE(hchoice, nullptr);

  LONG style = GetWindowLongW(hboard, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_EQ(GetWindow(hboard, GW_OWNER), nullptr);
  EXPECT_EQ(GetWindow(hchoice, GW_OWNER), hboard);
  wchar_t title[32] = {};
  GetWindowTextW(hchoice, title, 32);
  EXPECT_EQ(std::wstring(title), L"Выбор пути");

  // The frame known before the first showing is the one the window has.
  FrameExtents frame = P().Frame(board);
  EXPECT_GT(frame.top, frame.bottom);
  P().MoveWindow(board, 100, 80);
  P().ShowWindow(board);
  Pump(5000, [&](auto&) {
    RECT r;
    return GetWindowRect(hboard, &r) && r.left == 100 && r.top == 80;
  });
  RECT outer;
  RECT client;
  GetWindowRect(hboard, &outer);
  GetClientRect(hboard, &client);
  EXPECT_EQ(client.right, 519);
  EXPECT_EQ(client.bottom, 426);
  EXPECT_EQ(outer.left, 100);
  EXPECT_EQ(outer.top, 80);
  EXPECT_EQ(outer.right - outer.left, 519 + frame.left + frame.right);
  EXPECT_EQ(outer.bottom - outer.top, 426 + frame.top + frame.bottom);
  POINT corner{0, 0};
  ClientToScreen(hboard, &corner);
  EXPECT_EQ(corner.x, 100 + frame.left);
  EXPECT_EQ(corner.y, 80 + frame.top);

  // The desktop holds every monitor; the density comes from the system.
  TRect desktop = P().Desktop();
  for (const TRect& m : P().Monitors()) EXPECT_EQ(desktop.Intersect(m), m);
  EXPECT_EQ(desktop, (TRect{0, 0, 1280, 1024}));
  EXPECT_EQ(P().PixelsPerInch(), 96);
  EXPECT_GE(P().DisplayBitsPerPixel(), 24);
}

TEST_F(Win32PlatformTest, PresentedPixelsReachTheScreenAndARepaintRestoresThem) {
  WindowId w = ShownWindow(60, 40, 0xD4D0C8);
  EXPECT_EQ(ScreenPixel(w, 0, 0), 0xD4D0C8u);
  EXPECT_EQ(ScreenPixel(w, 59, 39), 0xD4D0C8u);

  // Only the dirty rectangles are shown; the second reaches past the buffer.
  PixelBuffer buffer(60, 40, 0x0A246A);
  buffer.Set(12, 7, 0xFF0000);
  P().Present(w, buffer, {TRect{10, 5, 20, 15}, TRect{50, 30, 90, 90}});
  Pump(5000, [&](auto&) { return ScreenPixel(w, 59, 39) == 0x0A246Au; });
  EXPECT_EQ(ScreenPixel(w, 12, 7), 0xFF0000u);
  EXPECT_EQ(ScreenPixel(w, 10, 5), 0x0A246Au);
  EXPECT_EQ(ScreenPixel(w, 59, 39), 0x0A246Au);
  EXPECT_EQ(ScreenPixel(w, 9, 5), 0xD4D0C8u);
  EXPECT_EQ(ScreenPixel(w, 20, 15), 0xD4D0C8u);

  // Something else draws over the window; the system's repaint brings the
  // presented pixels back without the toolkit.
  HWND h = P().Handle(w);
  HDC dc = GetDC(h);
  RECT all{0, 0, 60, 40};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(h, dc);
  ASSERT_EQ(ScreenPixel(w, 12, 7), 0u);
  InvalidateRect(h, nullptr, FALSE);
  std::vector<Event> events = Pump(5000, [&](auto&) { return ScreenPixel(w, 12, 7) == 0xFF0000u; });
  EXPECT_TRUE(OfKind(events, EventKind::Exposed).empty());
  EXPECT_EQ(ScreenPixel(w, 12, 7), 0xFF0000u);
  EXPECT_EQ(ScreenPixel(w, 40, 30), 0xD4D0C8u);
  EXPECT_EQ(ScreenPixel(w, 55, 35), 0x0A246Au);
}

TEST_F(Win32PlatformTest, KeysAndCharactersBecomeKeyDownsAndUtf8Text) {
  WindowId w = P().CreateWindow("MIRVOLANT", 40, 30, kNoWindow);
  HWND h = P().Handle(w);
  // Posted key-downs pass through the system's translation into WM_CHAR:
  // the control characters of Enter, Tab, Backspace and Escape must not
  // come a second time as text. Scan codes as a PC keyboard sends them.
  const std::pair<WPARAM, int> commandKeys[] = {
      {VK_RETURN, 0x1C}, {VK_TAB, 0x0F}, {VK_BACK, 0x0E}, {VK_ESCAPE, 0x01}};
  for (auto [vk, scan] : commandKeys) {
    PostMessageW(h, WM_KEYDOWN, vk, 1 | scan << 16);
    std::vector<Event> events = Drain();
    ASSERT_EQ(events.size(), 1u) << "virtual key " << vk;
    EXPECT_EQ(events[0].kind, EventKind::KeyDown);
    EXPECT_EQ(events[0].window, w);
  }

  const std::pair<WPARAM, Key> keys[] = {{VK_RETURN, Key::Enter},
                                         {VK_TAB, Key::Tab},
                                         {VK_BACK, Key::Backspace},
                                         {VK_ESCAPE, Key::Escape},
                                         {VK_DELETE, Key::Delete},
                                         {VK_LEFT, Key::Left},
                                         {VK_RIGHT, Key::Right},
                                         {VK_HOME, Key::Home},
                                         {VK_END, Key::End},
                                         {VK_SPACE, Key::Space},
                                         {'A', Key::A},
                                         {'C', Key::C},
                                         {'V', Key::V},
                                         {'X', Key::X}};
  for (auto [vk, key] : keys) {
    SendMessageW(h, WM_KEYDOWN, vk, 1);
    std::vector<Event> events = Drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].key, key);
    EXPECT_EQ(events[0].modifiers, 0);
    EXPECT_FALSE(events[0].repeat);
  }
  // Other letters only arrive as text.
  SendMessageW(h, WM_KEYDOWN, 'B', 1);
  EXPECT_TRUE(Drain().empty());

  // Held down (bit 30), with Ctrl and Shift as the thread's key state has them.
  BYTE state[256] = {};
  state[VK_CONTROL] = state[VK_SHIFT] = 0x80;
  SetKeyboardState(state);
  SendMessageW(h, WM_KEYDOWN, 'V', 1 | 1 << 30);
  std::vector<Event> ctrlV = Drain();
  state[VK_CONTROL] = state[VK_SHIFT] = 0;
  SetKeyboardState(state);
  ASSERT_EQ(ctrlV.size(), 1u);
  EXPECT_EQ(ctrlV[0].modifiers, kCtrl | kShift);
  EXPECT_TRUE(ctrlV[0].repeat);
  SendMessageW(h, WM_KEYUP, VK_DELETE, 1u << 31 | 1 << 30 | 1);
  std::vector<Event> up = Drain();
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].kind, EventKind::KeyUp);

  // Characters: Latin, Cyrillic, and one outside the basic plane whose
  // halves come in two messages. Control characters (Ctrl+V is 22) and a
  // lone half are no text.
  for (WPARAM unit : {WPARAM{'k'}, WPARAM{0x0416}, WPARAM{22}, WPARAM{127}, WPARAM{0xD83D},
                      WPARAM{0xDE00}, WPARAM{0xDE00}, WPARAM{'?'}}) {
    SendMessageW(h, WM_CHAR, unit, 1);
  }
  std::vector<Event> text = Drain();
  ASSERT_EQ(text.size(), 4u);
  EXPECT_EQ(text[0].text, "k");
  EXPECT_EQ(text[1].text, "Ж");
  EXPECT_EQ(text[2].text, "\U0001F600");
  EXPECT_EQ(text[3].text, "?");
  for (const Event& e : text) EXPECT_EQ(e.kind, EventKind::Text);
  // The toolkit keeps what Windows-1251 has and drops the rest.
  EXPECT_EQ(Utf8ToAnsi(text[1].text), "\xC6");
  EXPECT_EQ(Utf8ToAnsi(text[2].text), "");
}

TEST_F(Win32PlatformTest, TheMouseIsCapturedWhileAButtonIsHeld) {
  WindowId w = P().CreateWindow("MIRVOLANT", 40, 30, kNoWindow);
  HWND h = P().Handle(w);
  SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(5, 6));
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 12));
  EXPECT_EQ(GetCapture(), h);
  SendMessageW(h, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON | MK_SHIFT, MAKELPARAM(10, 12));
  SendMessageW(h, WM_RBUTTONUP, MK_LBUTTON, MAKELPARAM(10, 12));
  EXPECT_EQ(GetCapture(), h);
  // Released outside the window: still reported, at negative coordinates.
  SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(-4, -7));
  EXPECT_EQ(GetCapture(), nullptr);
  SendMessageW(h, WM_MOUSELEAVE, 0, 0);

  std::vector<Event> events = Drain();
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[0].kind, EventKind::MouseMove);
  EXPECT_EQ(events[0].x, 5);
  EXPECT_EQ(events[1].kind, EventKind::MouseDown);
  EXPECT_EQ(events[1].button, 1);
  EXPECT_EQ(events[1].y, 12);
  EXPECT_EQ(events[2].button, 2);
  EXPECT_EQ(events[2].modifiers, kShift);
  EXPECT_EQ(events[3].kind, EventKind::MouseUp);
  EXPECT_EQ(events[4].kind, EventKind::MouseUp);
  EXPECT_EQ(events[4].x, -4);
  EXPECT_EQ(events[4].y, -7);
  EXPECT_EQ(events[5].kind, EventKind::MouseLeave);
}

TEST_F(Win32PlatformTest, ADisabledWindowGetsNoClickAndItsCloseIsARequest) {
  WindowId w = ShownWindow(200, 100, 0xD4D0C8);
  HWND h = P().Handle(w);
  POINT middle{100, 50};
  ClientToScreen(h, &middle);
  // Waits up to ms for the click's press.
  auto click = [&](int ms) {
    SetCursorPos(middle.x, middle.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
    return OfKind(Pump(ms, [](auto& seen) { return !OfKind(seen, EventKind::MouseDown).empty(); }),
                  EventKind::MouseDown);
  };
  P().EnableWindow(w, false);
  EXPECT_FALSE(IsWindowEnabled(h));
  EXPECT_TRUE(click(400).empty());
  P().EnableWindow(w, true);
  std::vector<Event> downs = click(5000);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].x, 100);
  EXPECT_EQ(downs[0].y, 50);

  // The close box asks; the window stays until the toolkit decides.
  PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
  std::vector<Event> closes = OfKind(Drain(), EventKind::CloseRequest);
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].window, w);
  EXPECT_TRUE(IsWindow(h));
}

TEST_F(Win32PlatformTest, ActivationAndTheClipboardComeFromTheSystem) {
  WindowId first = ShownWindow(80, 60, 0xD4D0C8);
  WindowId second = ShownWindow(80, 60, 0xD4D0C8);
  P().Activate(first);
  std::vector<Event> events = Pump(5000, [&](const std::vector<Event>& seen) {
    std::vector<Event> gained = OfKind(seen, EventKind::FocusGained);
    std::vector<Event> lost = OfKind(seen, EventKind::FocusLost);
    return !gained.empty() && gained.back().window == first && !lost.empty() &&
           lost.back().window == second;
  });
  std::vector<Event> gained = OfKind(events, EventKind::FocusGained);
  ASSERT_FALSE(gained.empty());
  EXPECT_EQ(gained.back().window, first);
  std::vector<Event> lost = OfKind(events, EventKind::FocusLost);
  ASSERT_FALSE(lost.empty());
  EXPECT_EQ(lost.back().window, second);
  EXPECT_EQ(GetForegroundWindow(), P().Handle(first));

  const wchar_t text[] = L"жуфа 72m%";
  ASSERT_TRUE(OpenClipboard(P().Handle(first)));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
  std::memcpy(GlobalLock(memory), text, sizeof text);
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
  EXPECT_EQ(P().ClipboardText(), "жуфа 72m%");
}

TEST_F(Win32PlatformTest, WaitingEndsAtTheDeadlineOrWhenWokenFromAnotherThread) {
  Event e;
  int64_t start = P().NowMs();
  EXPECT_FALSE(P().WaitEvent(e, start + 60));
  EXPECT_GE(P().NowMs(), start + 60);
  EXPECT_LT(P().NowMs(), start + 1000);
  // A deadline already passed only polls.
  start = P().NowMs();
  EXPECT_FALSE(P().WaitEvent(e, start - 5));
  EXPECT_LT(P().NowMs() - start, 50);

  std::thread waker([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    P().Wake();
  });
  start = P().NowMs();
  ASSERT_TRUE(P().WaitEvent(e, -1));
  waker.join();
  EXPECT_EQ(e.kind, EventKind::Wake);
  EXPECT_LT(P().NowMs() - start, 2000);

  std::thread quitter([this] { P().PostQuit(); });
  quitter.join();
  ASSERT_TRUE(P().WaitEvent(e, P().NowMs() + 5000));
  EXPECT_EQ(e.kind, EventKind::Quit);

  // The session's end ends the program as a quit does.
  WindowId w = P().CreateWindow("MIRVOLANT", 40, 30, kNoWindow);
  SendMessageW(P().Handle(w), WM_ENDSESSION, TRUE, 0);
  ASSERT_TRUE(P().WaitEvent(e, P().NowMs() + 1000));
  EXPECT_EQ(e.kind, EventKind::Quit);
}

TEST_F(Win32PlatformTest, TimersKeepTickingInsideTheSystemsMoveLoop) {
  WindowId w = P().CreateWindow("MIRVOLANT", 40, 30, kNoWindow);
  HWND h = P().Handle(w);
  int calls = 0;
  P().SetDueWork([&] {
    ++calls;
    return P().NowMs() + 30;
  });
  // What Windows does while the title bar is dragged: a loop of its own,
  // between these two messages, that only dispatches.
  SendMessageW(h, WM_ENTERSIZEMOVE, 0, 0);
  EXPECT_EQ(calls, 1);
  auto systemLoop = [](int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  };
  systemLoop(400);
  SendMessageW(h, WM_EXITSIZEMOVE, 0, 0);
  // About one call per 30 ms (Windows' timers are coarse).
  EXPECT_GE(calls, 5);
  int afterLoop = calls;
  systemLoop(200);
  EXPECT_EQ(calls, afterLoop);
  P().SetDueWork({});
}

TEST_F(Win32PlatformTest, ADialogThatCannotBeBuiltEndsTheStartInTheErrorBox) {
  // The error box is a window of ours; a player closes it.
  std::atomic<bool> seen{false};
  std::thread player([&] {
    for (int i = 0; i < 200 && !seen; ++i) {
      HWND box = FindWindowW(L"MirvolantDialog", L"Mirvolant");
      if (box != nullptr && IsWindowVisible(box)) {
        seen = true;
        PostMessageW(box, WM_CLOSE, 0, 0);
      }
      Sleep(50);
    }
  });
  std::vector<std::string> fallback;
  int code = mirvolant::RunProgram(
      P(), "C:\\Games\\Mirvolant.exe",
      [](std::string_view) -> std::optional<std::string_view> { return std::nullopt; },
      [&](const std::string& title, const std::string& text) {
        fallback = {title, text};
      });
  player.join();
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(seen);
  EXPECT_TRUE(fallback.empty());
}

}  // namespace
}  // namespace tk::platform
