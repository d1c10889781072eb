// The Win32 back end in real windows (under Wine on a virtual X server with a
// window manager): frames and owners, pixels on screen, the translation of
// keys, characters and the mouse, disabled windows, waiting and the due work
// inside the system's own loops; what Active Accessibility clients read and
// do, and the system's colours; and a start-up that fails in real windows.

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
#include "tests/support/AccessibleTrees.h"
#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/platform/win32/Win32Platform.h"
#include "toolkit/text/Ansi.h"

// After the program's headers: windows.h renames some of their names.
#include <oleacc.h>

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

// A published board slot as MSAA clients read it: the dialog holds a panel
// (prompt, password field, button) and a disabled button of its own.
class Win32AccessibleTest : public Win32PlatformTest {
 protected:
  enum : NodeId { kRoot = 100, kPanel, kPrompt, kField, kOk, kClose };

  static std::shared_ptr<AccessibleTree> Slot(bool solved) {
    auto tree = std::make_shared<AccessibleTree>();
    auto add = [&](NodeId id, NodeId parent, Role role, std::string name, uint32_t st,
                   uint8_t actions, TRect bounds) {
      AddNode(*tree, id, parent, role, std::move(name), bounds, st, actions);
    };
    const uint8_t press = ActionBit(AccessibleAction::Press);
    add(kRoot, kNoNode, Role::Dialog, "MIRVOLANT", states::kActive, 0, {0, 0, 200, 100});
    add(kPanel, kRoot, Role::Panel, solved ? "OK" : "", 0, 0, {0, 0, 150, 100});
    if (!solved) {
      add(kPrompt, kPanel, Role::Label, "Введите код:", 0, 0, {10, 10, 140, 23});
      add(kField, kPanel, Role::PasswordField,
          "Введите код:", states::kFocused | states::kFocusable | states::kProtected,
          ActionBit(AccessibleAction::SetText) | ActionBit(AccessibleAction::Focus),
          {10, 30, 140, 49});
      tree->nodes.back().value = "***";
      tree->nodes.back().caret = 3;
      tree->nodes.back().caretBounds = TRect{31, 33, 32, 46};
      add(kOk, kPanel, Role::PushButton, "ОК", 0, press, {40, 60, 105, 82});
    }
    add(kClose, kRoot, Role::PushButton, "Закрыть", states::kDisabled, press, {160, 60, 195, 82});
    return tree;
  }
  static VARIANT Id(LONG child) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = child;
    return v;
  }
  static std::wstring Name(IAccessible* a, LONG child) {
    BSTR s = nullptr;
    HRESULT hr = a->get_accName(Id(child), &s);
    std::wstring out = FAILED(hr) ? L"(error)" : s != nullptr ? s : L"";
    SysFreeString(s);
    return out;
  }
  static LONG Get(IAccessible* a, LONG child, bool role) {
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = role ? a->get_accRole(Id(child), &v) : a->get_accState(Id(child), &v);
    return SUCCEEDED(hr) && v.vt == VT_I4 ? v.lVal : -1;
  }
  IAccessible* Client(HWND hwnd) {
    IAccessible* a = nullptr;
    EXPECT_EQ(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                         reinterpret_cast<void**>(&a)),
              S_OK);
    return a;
  }
};

// WinEvents this process sees (the hook is out of context: they arrive as
// messages while the test pumps).
std::vector<std::pair<DWORD, LONG>> winEvents;
void CALLBACK RecordWinEvent(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD,
                             DWORD) {
  winEvents.emplace_back(event, object == OBJID_CLIENT ? child : -object);
}

TEST_F(Win32AccessibleTest, ClientsReadThePublishedTreeAndTheirRequestsBecomeEvents) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  WindowId w = ShownWindow(200, 100, 0xD4D0C8);
  HWND hwnd = P().Handle(w);
  // Before any tree, the system's default object answers; the request
  // starts the listening and wakes the toolkit.
  EXPECT_FALSE(P().AccessibilityListening());
  IAccessible* plain = Client(hwnd);
  ASSERT_NE(plain, nullptr);
  LONG count = -1;
  plain->get_accChildCount(&count);
  EXPECT_EQ(count, 0);
  plain->Release();
  EXPECT_TRUE(P().AccessibilityListening());
  EXPECT_EQ(OfKind(Drain(), EventKind::Wake).size(), 1u);

  P().PublishAccessibility(w, Slot(false), {Report(ChangeKind::WindowShown, kRoot)});
  IAccessible* root = Client(hwnd);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(Name(root, CHILDID_SELF), L"MIRVOLANT");
  EXPECT_EQ(Get(root, CHILDID_SELF, true), ROLE_SYSTEM_DIALOG);
  root->get_accChildCount(&count);
  EXPECT_EQ(count, 2);

  // The panel is an object of its own; its children are simple elements.
  IDispatch* dispatch = nullptr;
  EXPECT_EQ(root->get_accChild(Id(kPanel), &dispatch), S_OK);
  ASSERT_NE(dispatch, nullptr);
  IAccessible* panel = nullptr;
  dispatch->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&panel));
  dispatch->Release();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(Get(panel, CHILDID_SELF, true), ROLE_SYSTEM_GROUPING);
  panel->get_accChildCount(&count);
  EXPECT_EQ(count, 3);
  // Clients that enumerate get the node ids, not indices.
  VARIANT kids[4];
  LONG got = 0;
  EXPECT_EQ(AccessibleChildren(panel, 0, 3, kids, &got), S_OK);
  ASSERT_EQ(got, 3);
  for (LONG i = 0; i < got; ++i) {
    EXPECT_EQ(kids[i].vt, VT_I4);
    EXPECT_EQ(kids[i].lVal, static_cast<LONG>(kPrompt + i));
  }
  EXPECT_EQ(AccessibleChildren(root, 0, 2, kids, &got), S_OK);
  ASSERT_EQ(got, 2);
  EXPECT_EQ(kids[0].vt, VT_DISPATCH);
  VariantClear(&kids[0]);
  EXPECT_EQ(kids[1].lVal, static_cast<LONG>(kClose));
  EXPECT_EQ(panel->get_accChild(Id(kField), &dispatch), S_FALSE);
  EXPECT_EQ(panel->get_accChild(Id(kClose), &dispatch), E_INVALIDARG);  // not beneath it
  EXPECT_EQ(Get(panel, kPrompt, true), ROLE_SYSTEM_STATICTEXT);
  EXPECT_EQ(Get(panel, kField, true), ROLE_SYSTEM_TEXT);
  EXPECT_EQ(Get(panel, kField, false),
            STATE_SYSTEM_FOCUSED | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_PROTECTED);
  EXPECT_EQ(Get(root, kClose, false), STATE_SYSTEM_UNAVAILABLE);
  EXPECT_EQ(Name(panel, kField), L"Введите код:");
  BSTR value = nullptr;
  EXPECT_EQ(panel->get_accValue(Id(kField), &value), E_ACCESSDENIED);
  EXPECT_EQ(value, nullptr);
  BSTR action = nullptr;
  EXPECT_EQ(panel->get_accDefaultAction(Id(kOk), &action), S_OK);
  EXPECT_EQ(std::wstring(action), L"Нажать");
  SysFreeString(action);

  // Where things are: screen coordinates, the focus, hit tests, siblings.
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  LONG x = 0, y = 0, cx = 0, cy = 0;
  EXPECT_EQ(panel->accLocation(&x, &y, &cx, &cy, Id(kField)), S_OK);
  EXPECT_EQ(std::vector<LONG>({x - origin.x, y - origin.y, cx, cy}),
            std::vector<LONG>({10, 30, 130, 19}));
  VARIANT v;
  EXPECT_EQ(root->get_accFocus(&v), S_OK);
  EXPECT_EQ(v.vt, VT_DISPATCH);  // the focus is inside the panel
  VariantClear(&v);
  EXPECT_EQ(panel->get_accFocus(&v), S_OK);
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, static_cast<LONG>(kField));
  EXPECT_EQ(panel->accHitTest(origin.x + 50, origin.y + 70, &v), S_OK);
  EXPECT_EQ(v.lVal, static_cast<LONG>(kOk));
  EXPECT_EQ(root->accHitTest(origin.x + 170, origin.y + 70, &v), S_OK);
  EXPECT_EQ(v.lVal, static_cast<LONG>(kClose));
  EXPECT_EQ(panel->accNavigate(NAVDIR_NEXT, Id(kPrompt), &v), S_OK);
  EXPECT_EQ(v.lVal, static_cast<LONG>(kField));
  EXPECT_EQ(panel->accNavigate(NAVDIR_NEXT, Id(kOk), &v), S_FALSE);

  // The hidden system caret stands where the field's is drawn.
  POINT caret{-1, -1};
  GetCaretPos(&caret);
  EXPECT_EQ(caret.x, 31);
  EXPECT_EQ(caret.y, 33);

  // Requests are posted as events; what the tree shows impossible is
  // refused at once.
  Drain();
  BSTR code = SysAllocString(L"жуфа");
  EXPECT_EQ(panel->put_accValue(Id(kField), code), S_OK);
  SysFreeString(code);
  EXPECT_EQ(panel->accDoDefaultAction(Id(kOk)), S_OK);
  EXPECT_EQ(panel->accSelect(SELFLAG_TAKEFOCUS, Id(kField)), S_OK);
  EXPECT_NE(root->accDoDefaultAction(Id(kClose)), S_OK);   // disabled
  EXPECT_NE(panel->accDoDefaultAction(Id(kField)), S_OK);  // no press
  EXPECT_NE(panel->put_accValue(Id(kOk), nullptr), S_OK);  // no text
  std::vector<Event> acts = OfKind(Drain(), EventKind::AccessibleAction);
  ASSERT_EQ(acts.size(), 3u);
  EXPECT_EQ(acts[0].window, w);
  EXPECT_EQ(acts[0].node, kField);
  EXPECT_EQ(acts[0].action, AccessibleAction::SetText);
  EXPECT_EQ(acts[0].text, "жуфа");
  EXPECT_EQ(acts[1].node, kOk);
  EXPECT_EQ(acts[1].action, AccessibleAction::Press);
  EXPECT_EQ(acts[2].node, kField);
  EXPECT_EQ(acts[2].action, AccessibleAction::Focus);

  // The solved slot: reports become WinEvents on the nodes' child ids, the
  // panel's object reads the new tree, the caret goes with the field.
  winEvents.clear();
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, &RecordWinEvent,
                                       GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  AccessibleChange announcement = Report(ChangeKind::Announcement, kNoNode);
  announcement.text = "Уровень 1 пройден";
  P().PublishAccessibility(w, Slot(true),
                           {Report(ChangeKind::Structure, kPanel), Report(ChangeKind::Name, kPanel),
                            Report(ChangeKind::Focus, kRoot), announcement});
  auto seen = [](DWORD event, LONG child) {
    return std::find(winEvents.begin(), winEvents.end(), std::make_pair(event, child)) !=
           winEvents.end();
  };
  Pump(5000, [&](auto&) { return seen(EVENT_OBJECT_LIVEREGIONCHANGED, kAnnouncementChild); });
  UnhookWinEvent(hook);
  EXPECT_TRUE(seen(EVENT_OBJECT_HIDE, kField));
  EXPECT_TRUE(seen(EVENT_OBJECT_REORDER, kPanel));
  EXPECT_TRUE(seen(EVENT_OBJECT_NAMECHANGE, kPanel));
  EXPECT_TRUE(seen(EVENT_OBJECT_FOCUS, CHILDID_SELF));
  EXPECT_TRUE(seen(EVENT_OBJECT_NAMECHANGE, kAnnouncementChild));
  EXPECT_EQ(Name(root, kAnnouncementChild), L"Уровень 1 пройден");
  EXPECT_EQ(Name(panel, CHILDID_SELF), L"OK");
  panel->get_accChildCount(&count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(Name(panel, kField), L"(error)");
  EXPECT_FALSE(GetCaretPos(&caret) && caret.x == 31);

  // A destroyed window's objects refuse every call and never crash.
  P().DestroyWindow(w);
  EXPECT_EQ(root->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(panel->accDoDefaultAction(Id(kOk)), CO_E_OBJNOTCONNECTED);
  panel->Release();
  root->Release();
  EXPECT_TRUE(OfKind(Drain(), EventKind::AccessibleAction).empty());
  CoUninitialize();
}

TEST_F(Win32PlatformTest, TheSystemsColoursBlinkTimeAndScreenReaderAreFollowed) {
  // Two windows get the system's broadcast; one report comes of it.
  ShownWindow(40, 30, 0xD4D0C8);
  ShownWindow(40, 30, 0xD4D0C8);
  Drain();
  INT index = COLOR_BTNFACE;
  COLORREF before = GetSysColor(COLOR_BTNFACE);
  COLORREF black = RGB(0, 0, 0);
  COLORREF yellow = RGB(0xFF, 0xFF, 0x00);
  ASSERT_TRUE(SetSysColors(1, &index, before == yellow ? &black : &yellow));
  auto events =
      Pump(5000, [](auto& got) { return !OfKind(got, EventKind::SettingsChanged).empty(); });
  bool followed = (P().SystemColorValue(SysColor::BtnFace) == 0xFFFF00) == (before != yellow);
  SetSysColors(1, &index, &before);
  EXPECT_TRUE(followed);
  EXPECT_EQ(OfKind(events, EventKind::SettingsChanged).size(), 1u);
  // Each name asks its own index: the classic scheme of the test prefix.
  EXPECT_EQ(P().SystemColorValue(SysColor::DkShadow3D), 0x404040u);
  EXPECT_EQ(P().SystemColorValue(SysColor::WindowText), 0x000000u);

  // A screen reader that starts makes the platform listen, and wakes it.
  // (The system tells windows only of a setting saved in the profile.)
  Drain();
  ASSERT_FALSE(P().AccessibilityListening());
  constexpr UINT kSaveAndTell = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;
  ASSERT_TRUE(SystemParametersInfoW(SPI_SETSCREENREADER, TRUE, nullptr, kSaveAndTell));
  events = Pump(5000, [](auto& got) { return !OfKind(got, EventKind::Wake).empty(); });
  SystemParametersInfoW(SPI_SETSCREENREADER, FALSE, nullptr, kSaveAndTell);
  EXPECT_TRUE(P().AccessibilityListening());
  EXPECT_FALSE(OfKind(events, EventKind::Wake).empty());

  UINT blink = GetCaretBlinkTime();
  ASSERT_TRUE(SetCaretBlinkTime(INFINITE));
  EXPECT_EQ(P().CaretBlinkMs(), 0);  // blinking off: the caret stays on
  SetCaretBlinkTime(blink);
  EXPECT_EQ(P().CaretBlinkMs(), static_cast<int>(blink));
}

}  // namespace
}  // namespace tk::platform
