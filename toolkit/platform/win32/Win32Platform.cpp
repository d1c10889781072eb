#include "toolkit/platform/win32/Win32Platform.h"

#include <windowsx.h>

#include <algorithm>
#include <iterator>

#include "toolkit/text/Utf16.h"

namespace tk::platform {

namespace {

constexpr wchar_t kClassName[] = L"MirvolantDialog";
// A fixed dialog frame: caption and close box, no sizing border, no minimise
// or maximise box.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
// The window timer that runs the toolkit's due work inside a system loop.
constexpr UINT_PTR kDueWorkTimer = 1;
// The icon resource of the executable, where it has one.
constexpr WORD kIconResource = 1;

// Windows' wide characters are UTF-16 units.
std::wstring Wide(const std::string& utf8) {
  std::u16string units = Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

std::string Utf8(const wchar_t* text, size_t length) {
  return Utf16ToUtf8(std::u16string(text, text + length));
}

Key TranslateKey(WPARAM virtualKey) {
  switch (virtualKey) {
    case VK_TAB:
      return Key::Tab;
    case VK_RETURN:
      return Key::Enter;
    case VK_ESCAPE:
      return Key::Escape;
    case VK_BACK:
      return Key::Backspace;
    case VK_DELETE:
      return Key::Delete;
    case VK_LEFT:
      return Key::Left;
    case VK_RIGHT:
      return Key::Right;
    case VK_UP:
      return Key::Up;
    case VK_DOWN:
      return Key::Down;
    case VK_HOME:
      return Key::Home;
    case VK_END:
      return Key::End;
    case VK_SPACE:
      return Key::Space;
    case VK_INSERT:
      return Key::Insert;
    // The letters of the toolkit's shortcuts; their typed text arrives as
    // WM_CHAR on its own.
    case 'A':
      return Key::A;
    case 'C':
      return Key::C;
    case 'V':
      return Key::V;
    case 'X':
      return Key::X;
    default:
      return Key::None;
  }
}

uint8_t CurrentModifiers() {
  uint8_t result = 0;
  if (GetKeyState(VK_SHIFT) < 0) result |= kShift;
  if (GetKeyState(VK_CONTROL) < 0) result |= kCtrl;
  if (GetKeyState(VK_MENU) < 0) result |= kAlt;
  return result;
}

FrameExtents StyleFrame() {
  RECT r{0, 0, 0, 0};
  if (!AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle)) return {};
  return {static_cast<int>(-r.left), static_cast<int>(-r.top), static_cast<int>(r.right),
          static_cast<int>(r.bottom)};
}

BOOL CALLBACK AddMonitor(HMONITOR /*monitor*/, HDC /*dc*/, LPRECT bounds, LPARAM data) {
  auto* out = reinterpret_cast<std::vector<TRect>*>(data);
  out->push_back({static_cast<int>(bounds->left), static_cast<int>(bounds->top),
                  static_cast<int>(bounds->right), static_cast<int>(bounds->bottom)});
  return TRUE;
}

// The system's colour index of each named colour, in the order of SysColor.
constexpr int kSysColorIndex[kSysColorCount] = {
    COLOR_BTNFACE,
    COLOR_BTNHIGHLIGHT,
    COLOR_BTNSHADOW,
    COLOR_3DDKSHADOW,
    COLOR_3DLIGHT,
    COLOR_WINDOW,
    COLOR_WINDOWTEXT,
    COLOR_GRAYTEXT,
    COLOR_WINDOWFRAME,
    COLOR_HIGHLIGHT,
    COLOR_HIGHLIGHTTEXT,
    COLOR_ACTIVECAPTION,
    COLOR_GRADIENTACTIVECAPTION,
    COLOR_INACTIVECAPTION,
    COLOR_GRADIENTINACTIVECAPTION,
    COLOR_CAPTIONTEXT,
    COLOR_INACTIVECAPTIONTEXT,
};

static_assert(std::size(kSysColorIndex) == kSysColorCount);

bool ScreenReaderRunning() {
  BOOL running = FALSE;
  return SystemParametersInfoW(SPI_GETSCREENREADER, 0, &running, 0) && running;
}

}  // namespace

std::unique_ptr<Platform> OpenNativePlatform(std::string& error) {
  return Win32Platform::Open(error);
}

void ReportFatalError(const std::string& titleUtf8, const std::string& textUtf8) {
  // A GUI program has no console: the system's message box tells the user.
  MessageBoxW(nullptr, Wide(textUtf8).c_str(), Wide(titleUtf8).c_str(), MB_OK | MB_ICONERROR);
}

std::unique_ptr<Win32Platform> Win32Platform::Open(std::string& error) {
  std::unique_ptr<Win32Platform> platform(new Win32Platform);
  if (!platform->Init(error)) return nullptr;
  return platform;
}

bool Win32Platform::Init(std::string& error) {
  LARGE_INTEGER frequency;
  LARGE_INTEGER counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  counterFrequency_ = std::max<int64_t>(frequency.QuadPart, 1);
  counterStart_ = counter.QuadPart;

  // Auto-reset: each signal ends one wait.
  wakeEvent_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (wakeEvent_ == nullptr) {
    error = "cannot create the wake-up event (error " + std::to_string(GetLastError()) + ")";
    return false;
  }

  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  // No CS_DBLCLKS: a second click is a second press, as the toolkit expects.
  wc.style = 0;
  wc.lpfnWndProc = &Win32Platform::WindowProc;
  wc.hInstance = instance;
  wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                           LR_DEFAULTCOLOR));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  if (wc.hIcon == nullptr)
    wc.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));    // IDI_APPLICATION
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  // No background brush: every pixel of the client area is ours.
  wc.hbrBackground = nullptr;
  wc.lpszClassName = kClassName;
  if (RegisterClassExW(&wc) == 0) {
    error = "cannot register the window class (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  classRegistered_ = true;
  // A screen reader that runs already listens from the start.
  listening_ = ScreenReaderRunning();
  return true;
}

Win32Platform::~Win32Platform() {
  // Owned windows go before their owner (destroying an owner destroys them).
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (it->second.hwnd != nullptr) ::DestroyWindow(it->second.hwnd);
  }
  windows_.Clear();
  if (classRegistered_) UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
  if (wakeEvent_ != nullptr) CloseHandle(wakeEvent_);
}

// A window whose handle the system destroyed (with its owner) counts as gone.
Win32Platform::WindowState* Win32Platform::Find(WindowId window) {
  WindowState* state = windows_.Find(window);
  return state == nullptr || state->hwnd == nullptr ? nullptr : state;
}

const Win32Platform::WindowState* Win32Platform::Find(WindowId window) const {
  const WindowState* state = windows_.Find(window);
  return state == nullptr || state->hwnd == nullptr ? nullptr : state;
}

HWND Win32Platform::Handle(WindowId window) const {
  const WindowState* state = Find(window);
  return state == nullptr ? nullptr : state->hwnd;
}

WindowId Win32Platform::CreateWindow(const std::string& titleUtf8, int clientWidth,
                                     int clientHeight, WindowId owner) {
  FrameExtents frame = StyleFrame();
  int width = std::max(1, clientWidth) + frame.left + frame.right;
  int height = std::max(1, clientHeight) + frame.top + frame.bottom;
  // Owned from the start: above its owner, and sharing its taskbar button.
  const WindowState* ownerState = Find(owner);
  WindowId id = windows_.Add();
  WindowState& state = *windows_.Find(id);
  state.platform = this;
  state.id = id;
  HWND hwnd = CreateWindowExW(kExStyle, kClassName, Wide(titleUtf8).c_str(), kStyle, 0, 0, width,
                              height, ownerState != nullptr ? ownerState->hwnd : nullptr, nullptr,
                              GetModuleHandleW(nullptr), &state);
  if (hwnd == nullptr) {
    windows_.Remove(id);
    return kNoWindow;
  }
  return id;
}

void Win32Platform::DestroyWindow(WindowId window) {
  WindowState* state = windows_.Find(window);
  if (state == nullptr) return;
  // WM_NCDESTROY clears the state's handle; the state goes after it.
  if (state->hwnd != nullptr) ::DestroyWindow(state->hwnd);
  windows_.Remove(window);
  // Destroying a window may have queued events for it.
  queue_.Forget(window);
}

void Win32Platform::SetTitle(WindowId window, const std::string& titleUtf8) {
  if (auto* state = Find(window)) SetWindowTextW(state->hwnd, Wide(titleUtf8).c_str());
}

void Win32Platform::ShowWindow(WindowId window) {
  // Shown without activating it; the toolkit activates it next.
  if (auto* state = Find(window)) ::ShowWindow(state->hwnd, SW_SHOWNA);
}

void Win32Platform::HideWindow(WindowId window) {
  if (auto* state = Find(window)) ::ShowWindow(state->hwnd, SW_HIDE);
}

void Win32Platform::MoveWindow(WindowId window, int x, int y) {
  if (auto* state = Find(window)) {
    SetWindowPos(state->hwnd, nullptr, x, y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  }
}

FrameExtents Win32Platform::Frame(WindowId window) {
  if (Find(window) == nullptr) return {};
  return StyleFrame();
}

void Win32Platform::SetModalFor(WindowId window, WindowId owner) {
  auto* state = Find(window);
  auto* ownerState = Find(owner);
  if (state == nullptr || ownerState == nullptr || state == ownerState) return;
  // A window made without an owner gets it here, before its first showing.
  if (GetWindow(state->hwnd, GW_OWNER) != ownerState->hwnd) {
    SetWindowLongPtrW(state->hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(ownerState->hwnd));
  }
}

void Win32Platform::EnableWindow(WindowId window, bool enabled) {
  if (auto* state = Find(window)) ::EnableWindow(state->hwnd, enabled ? TRUE : FALSE);
}

void Win32Platform::Activate(WindowId window) {
  auto* state = Find(window);
  if (state == nullptr || !IsWindowVisible(state->hwnd)) return;
  SetForegroundWindow(state->hwnd);
  // Where Windows keeps another program in the foreground, the window still
  // becomes our thread's active window with the keyboard focus.
  if (GetActiveWindow() != state->hwnd) SetActiveWindow(state->hwnd);
}

void Win32Platform::Draw(const WindowState& state, HDC dc, const RECT& rect) const {
  const int width = state.pixels.Width();
  RECT r{std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0),
         std::min<LONG>(rect.right, width), std::min<LONG>(rect.bottom, state.pixels.Height())};
  if (r.right <= r.left || r.bottom <= r.top) return;
  // A top-down bitmap of just the rows asked for: its first row is the
  // rectangle's top row, so the source's vertical origin is 0 whichever way
  // the system counts it.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -(r.bottom - r.top);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  const uint32_t* rows = state.pixels.Row(r.top);
  SetDIBitsToDevice(dc, r.left, r.top, static_cast<DWORD>(r.right - r.left),
                    static_cast<DWORD>(r.bottom - r.top), r.left, 0, 0,
                    static_cast<UINT>(r.bottom - r.top), rows, &info, DIB_RGB_COLORS);
}

void Win32Platform::Present(WindowId window, const PixelBuffer& buffer,
                            const std::vector<TRect>& dirty) {
  auto* state = Find(window);
  if (state == nullptr || dirty.empty()) return;
  // 0x00RRGGBB in memory is the blue, green, red, unused order of a 32-bit
  // device-independent bitmap: rows are copied as they are.
  // A buffer of another size is taken whole.
  bool resized =
      state->pixels.Width() != buffer.Width() || state->pixels.Height() != buffer.Height();
  if (resized) state->pixels.Resize(buffer.Width(), buffer.Height());
  std::vector<TRect> rects;
  for (const TRect& r : resized ? std::vector<TRect>{buffer.Bounds()} : dirty) {
    TRect copied = CopyRect(buffer, state->pixels, r);
    if (!copied.IsEmpty()) rects.push_back(copied);
  }
  if (rects.empty() || !IsWindowVisible(state->hwnd)) return;
  HDC dc = GetDC(state->hwnd);
  if (dc == nullptr) return;
  for (const TRect& r : rects) Draw(*state, dc, RECT{r.Left, r.Top, r.Right, r.Bottom});
  ReleaseDC(state->hwnd, dc);
}

TRect Win32Platform::Desktop() {
  int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
  int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  int w = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  int h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (w <= 0 || h <= 0) {
    w = GetSystemMetrics(SM_CXSCREEN);
    h = GetSystemMetrics(SM_CYSCREEN);
  }
  return TRect::FromSize(x, y, w, h);
}

std::vector<TRect> Win32Platform::Monitors() {
  std::vector<TRect> monitors;
  EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  if (monitors.empty()) monitors.push_back(Desktop());
  return monitors;
}

int Win32Platform::PixelsPerInch() {
  // The system density; the executable's manifest declares it aware of it,
  // so Windows does not pretend 96 and stretch the windows.
  HDC dc = GetDC(nullptr);
  if (dc == nullptr) return 96;
  int ppi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return ppi > 0 ? ppi : 96;
}

int Win32Platform::DisplayBitsPerPixel() {
  HDC dc = GetDC(nullptr);
  if (dc == nullptr) return 24;
  int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
  ReleaseDC(nullptr, dc);
  return bits > 0 ? bits : 24;
}

std::optional<std::string> Win32Platform::ClipboardText() {
  std::string text;
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      // The text ends at its terminating zero, or at the end of the memory.
      size_t limit = GlobalSize(data) / sizeof(wchar_t);
      size_t length = 0;
      while (length < limit && chars[length] != L'\0') ++length;
      text = Utf8(chars, length);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

int64_t Win32Platform::NowMs() noexcept {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  int64_t ticks = counter.QuadPart - counterStart_;
  return ticks / counterFrequency_ * 1000 + ticks % counterFrequency_ * 1000 / counterFrequency_;
}

bool Win32Platform::WaitEvent(Event& out, int64_t deadlineMs) {
  for (;;) {
    if (queue_.Pop(out)) {
      if (out.kind == EventKind::SettingsChanged) settingsQueued_ = false;
      return true;
    }
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        queue_.PostQuit();
        continue;
      }
      // Key-downs become WM_CHAR messages here; the window procedure turns
      // what concerns the toolkit into events.
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      continue;
    }
    DWORD timeout = INFINITE;
    if (deadlineMs >= 0) {
      int64_t left = deadlineMs - NowMs();
      if (left <= 0) return false;
      timeout = static_cast<DWORD>(std::min<int64_t>(left, INFINITE - 1));
    }
    // Also ends for input that PeekMessage has seen but left in the queue.
    MsgWaitForMultipleObjectsEx(1, &wakeEvent_, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void Win32Platform::Wake() {
  queue_.PostWake();
  SetEvent(wakeEvent_);
}

void Win32Platform::PostQuit() {
  queue_.PostQuit();
  SetEvent(wakeEvent_);
}

LRESULT CALLBACK Win32Platform::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    // CreateWindow passes the window's state; the first message stores it.
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* created = static_cast<WindowState*>(create->lpCreateParams);
    created->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* state = reinterpret_cast<WindowState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (state == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // Destroyed by us or, with its owner, by the system: forget the handle.
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    state->hwnd = nullptr;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return state->platform->OnMessage(*state, message, wParam, lParam);
}

LRESULT Win32Platform::OnMessage(WindowState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = state.hwnd;
  Event e;
  e.window = state.id;
  switch (message) {
    case WM_CLOSE:
      // The close box, Alt+F4 and the taskbar: a request for the toolkit to
      // judge. A disabled window never gets here; Windows refuses it first.
      e.kind = EventKind::CloseRequest;
      Push(e);
      return 0;
    case WM_SETFOCUS:
      e.kind = EventKind::FocusGained;
      Push(e);
      return 0;
    case WM_KILLFOCUS:
      e.kind = EventKind::FocusLost;
      Push(e);
      return 0;
    case WM_ACTIVATE:
      // Activation gives the window the keyboard focus (WM_SETFOCUS above);
      // losing it is reported at once, in case the focus was elsewhere.
      if (LOWORD(wParam) == WA_INACTIVE) {
        e.kind = EventKind::FocusLost;
        Push(e);
      }
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(state.hwnd, &ps);
      if (state.pixels.Bounds().IsEmpty()) {
        // Nothing presented yet: the toolkit paints and presents it all.
        e.kind = EventKind::Exposed;
        Push(e);
      } else if (dc != nullptr) {
        Draw(state, dc, ps.rcPaint);
      }
      EndPaint(state.hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      // Every pixel of the client area is painted from the kept pixels.
      return 1;
    case WM_MOVE:
      if (IsWindowVisible(state.hwnd)) {
        RECT r;
        GetWindowRect(state.hwnd, &r);
        e.kind = EventKind::Moved;
        e.x = r.left;
        e.y = r.top;
        Push(e);
      }
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      Key key = TranslateKey(wParam);
      if (key != Key::None) {
        bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
        e.kind = down ? EventKind::KeyDown : EventKind::KeyUp;
        e.key = key;
        e.modifiers = CurrentModifiers();
        // Bit 30: the key was already down (held, repeating).
        e.repeat = down && (lParam & (1 << 30)) != 0;
        Push(e);
      }
      // Alt+F4, Alt+Space and F10 are the system's.
      if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) break;
      return 0;
    }
    case WM_CHAR:
      OnChar(state, static_cast<wchar_t>(wParam));
      return 0;
    case WM_MOUSEMOVE:
      if (!state.trackingLeave) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = state.hwnd;
        state.trackingLeave = TrackMouseEvent(&track) != FALSE;
      }
      e.kind = EventKind::MouseMove;
      e.x = GET_X_LPARAM(lParam);
      e.y = GET_Y_LPARAM(lParam);
      Push(e);
      return 0;
    case WM_MOUSELEAVE:
      state.trackingLeave = false;
      e.kind = EventKind::MouseLeave;
      Push(e);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      OnMouseButton(state, message, wParam, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      // Another window took the mouse: no button counts as held any more.
      if (reinterpret_cast<HWND>(lParam) != state.hwnd) buttonsHeld_ = 0;
      break;
    case WM_ENTERSIZEMOVE:
    case WM_ENTERMENULOOP:
      // Windows runs a loop of its own until the drag ends or the menu
      // closes: the toolkit's timers are kept going from a window timer.
      RunDueWork(state.hwnd);
      break;
    case WM_TIMER:
      if (wParam == kDueWorkTimer) {
        RunDueWork(state.hwnd);
        return 0;
      }
      break;
    case WM_EXITSIZEMOVE:
    case WM_EXITMENULOOP:
      KillTimer(state.hwnd, kDueWorkTimer);
      break;
    case WM_GETOBJECT:
      return OnGetObject(state, wParam, lParam);
    case WM_DESTROY:
      // Clients that still hold the window's objects get errors from now on.
      if (state.accessible != nullptr) state.accessible->Disconnect();
      if (caretWindow_ == state.hwnd) caretWindow_ = nullptr;
      break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
      OnSettingChange(message, wParam);
      break;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The session ends: the program ends as after a quit request.
      if (wParam) queue_.PostQuit();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void Win32Platform::OnChar(WindowState& state, wchar_t unit) {
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    highSurrogate_ = unit;
    return;
  }
  wchar_t text[2] = {unit, 0};
  int length = 1;
  if (unit >= 0xDC00 && unit <= 0xDFFF) {
    // The second half of a pair; a lone half is no character.
    if (highSurrogate_ == 0) return;
    text[0] = highSurrogate_;
    text[1] = unit;
    length = 2;
  }
  highSurrogate_ = 0;
  // Control characters (Enter 13, Tab 9, Backspace 8, Escape 27, Ctrl with
  // a letter, Ctrl+Backspace 127) come from their key-downs, not as text.
  if (length == 1 && (unit < 0x20 || unit == 0x7F)) return;
  Event e = WindowEvent(EventKind::Text, state.id);
  e.text = Utf8(text, static_cast<size_t>(length));
  Push(std::move(e));
}

void Win32Platform::OnMouseButton(WindowState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  Event e;
  e.window = state.id;
  e.x = GET_X_LPARAM(lParam);
  e.y = GET_Y_LPARAM(lParam);
  if (wParam & MK_SHIFT) e.modifiers |= kShift;
  if (wParam & MK_CONTROL) e.modifiers |= kCtrl;
  if (GetKeyState(VK_MENU) < 0) e.modifiers |= kAlt;
  // Which button a message is about (left 1, right 2, middle 3) and whether
  // it went down.
  struct ButtonMessage {
    UINT message;
    int button;
    bool down;
  };
  static constexpr ButtonMessage kButtons[] = {
      {WM_LBUTTONDOWN, 1, true}, {WM_LBUTTONUP, 1, false},  {WM_RBUTTONDOWN, 2, true},
      {WM_RBUTTONUP, 2, false},  {WM_MBUTTONDOWN, 3, true}, {WM_MBUTTONUP, 3, false},
  };
  const ButtonMessage* b =
      std::find_if(std::begin(kButtons), std::end(kButtons),
                   [&](const ButtonMessage& m) { return m.message == message; });
  if (b == std::end(kButtons)) return;
  e.button = b->button;
  bool down = b->down;
  // The mouse is captured while any button is held, so the release reaches
  // the window that saw the press even outside it.
  if (down) {
    if (buttonsHeld_++ == 0) SetCapture(state.hwnd);
  } else if (buttonsHeld_ > 0 && --buttonsHeld_ == 0) {
    ReleaseCapture();
  }
  e.kind = down ? EventKind::MouseDown : EventKind::MouseUp;
  Push(std::move(e));
}

void Win32Platform::RunDueWork(HWND hwnd) {
  // A timer's handler may itself wait for messages (an error box); the
  // timer message that arrives meanwhile does not start the work again.
  if (!dueWork_ || inDueWork_) return;
  inDueWork_ = true;
  int64_t next = dueWork_();
  inDueWork_ = false;
  if (next < 0) {
    KillTimer(hwnd, kDueWorkTimer);
    return;
  }
  int64_t wait = std::clamp<int64_t>(next - NowMs(), USER_TIMER_MINIMUM, 0x7FFFFFFF);
  SetTimer(hwnd, kDueWorkTimer, static_cast<UINT>(wait), nullptr);
}

void Win32Platform::StartListening() {
  if (listening_) return;
  listening_ = true;
  Wake();
}

LRESULT Win32Platform::OnGetObject(WindowState& state, WPARAM wParam, LPARAM lParam) {
  // The object id arrives as a 32-bit value.
  if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) {
    return DefWindowProcW(state.hwnd, WM_GETOBJECT, wParam, lParam);
  }
  // A client asks: from now on the toolkit publishes. Until the first tree
  // arrives the system's default object answers.
  StartListening();
  if (state.accessible == nullptr || !state.accessible->HasTree()) {
    return DefWindowProcW(state.hwnd, WM_GETOBJECT, wParam, lParam);
  }
  // Handing an object to another process needs COM on this thread.
  LRESULT answer = com_.Start() ? state.accessible->Answer(wParam) : 0;
  return answer != 0 ? answer : DefWindowProcW(state.hwnd, WM_GETOBJECT, wParam, lParam);
}

void Win32Platform::PublishAccessibility(WindowId window,
                                         std::shared_ptr<const AccessibleTree> tree,
                                         const std::vector<AccessibleChange>& changes) {
  WindowState* state = Find(window);
  if (state == nullptr) return;
  if (state->accessible == nullptr) {
    state->accessible = std::make_unique<AccessibleWindow>(state->hwnd, window,
                                                           [this](Event e) { Push(std::move(e)); });
  }
  // The caret is placed first: a client told of the move finds it there.
  FollowCaret(state->hwnd, tree.get());
  state->accessible->Publish(std::move(tree), changes);
}

void Win32Platform::FollowCaret(HWND hwnd, const AccessibleTree* tree) {
  const AccessibleNode* focused = tree != nullptr ? tree->Focused() : nullptr;
  if (focused == nullptr || focused->caretBounds.IsEmpty()) {
    // This window no longer draws a caret; another window's stays.
    if (caretWindow_ == hwnd) {
      DestroyCaret();
      caretWindow_ = nullptr;
    }
    return;
  }
  const TRect& r = focused->caretBounds;
  // The caret is never shown: ours is drawn. Magnifiers and screen readers
  // follow the system's caret, shown or not.
  if (caretWindow_ != hwnd || r.Width() != caretRect_.Width() ||
      r.Height() != caretRect_.Height()) {
    if (!CreateCaret(hwnd, nullptr, r.Width(), r.Height())) {
      caretWindow_ = nullptr;
      return;
    }
    caretWindow_ = hwnd;
    caretRect_ = TRect{};
  }
  if (r != caretRect_) {
    SetCaretPos(r.Left, r.Top);
    caretRect_ = r;
  }
}

void Win32Platform::OnSettingChange(UINT message, WPARAM wParam) {
  if (message == WM_SETTINGCHANGE && wParam == SPI_SETSCREENREADER && ScreenReaderRunning()) {
    StartListening();
  }
  // Every top-level window gets the message; the toolkit reads the colours
  // and the blink time again once.
  if (settingsQueued_) return;
  settingsQueued_ = true;
  Push(WindowEvent(EventKind::SettingsChanged, kNoWindow));
}

TColor Win32Platform::SystemColorValue(SysColor name) {
  auto index = static_cast<size_t>(name);
  if (index >= std::size(kSysColorIndex)) return 0;  // no such name: black, as ColorToRGB
  // COLORREF is 0x00BBGGRR; a high-contrast scheme shows here too.
  COLORREF c = GetSysColor(kSysColorIndex[index]);
  return static_cast<TColor>(GetRValue(c)) << 16 | static_cast<TColor>(GetGValue(c)) << 8 |
         static_cast<TColor>(GetBValue(c));
}

int Win32Platform::CaretBlinkMs() {
  UINT ms = GetCaretBlinkTime();
  if (ms == INFINITE) return 0;  // the user turned blinking off
  return ms == 0 ? Platform::CaretBlinkMs() : static_cast<int>(ms);
}

}  // namespace tk::platform
