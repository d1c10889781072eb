#include "toolkit/platform/sdl/SdlPlatform.h"

#include <SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/platform/sdl/WindowIcon.h"

namespace tk::platform {

namespace {

// Bytes written into the wake-up pipe.
constexpr char kPipeWake = 'w';
constexpr char kPipeQuit = 'q';
constexpr char kPipeStop = 'x';
// Codes of the SDL user event that the pipe reader pushes.
constexpr int kUserWake = 0;
constexpr int kUserQuit = 1;

// The pipe's write end for the signal handler; -1 while no platform exists.
volatile sig_atomic_t gSignalPipe = -1;
struct sigaction gOldTerm;
struct sigaction gOldInt;

void OnTerminateSignal(int /*signal*/) {
  int savedErrno = errno;
  int fd = gSignalPipe;
  if (fd >= 0) {
    char byte = kPipeQuit;
    // A full pipe already holds a pending quit or wake; losing one byte is fine.
    [[maybe_unused]] ssize_t written = write(fd, &byte, 1);
  }
  errno = savedErrno;
}

// Async-signal-safe: write() only, errno preserved.
void WriteByte(int fd, char byte) {
  if (fd < 0) return;
  int savedErrno = errno;
  while (write(fd, &byte, 1) < 0 && errno == EINTR) {
  }
  errno = savedErrno;
}

Key TranslateKey(SDL_Keycode code) {
  switch (code) {
    case SDLK_TAB:
      return Key::Tab;
    case SDLK_RETURN:
    case SDLK_RETURN2:
    case SDLK_KP_ENTER:
      return Key::Enter;
    case SDLK_ESCAPE:
      return Key::Escape;
    case SDLK_BACKSPACE:
      return Key::Backspace;
    case SDLK_DELETE:
      return Key::Delete;
    case SDLK_LEFT:
      return Key::Left;
    case SDLK_RIGHT:
      return Key::Right;
    case SDLK_UP:
      return Key::Up;
    case SDLK_DOWN:
      return Key::Down;
    case SDLK_HOME:
      return Key::Home;
    case SDLK_END:
      return Key::End;
    case SDLK_SPACE:
      return Key::Space;
    case SDLK_INSERT:
      return Key::Insert;
    // The letters of the toolkit's shortcuts; their typed text arrives as
    // SDL_TEXTINPUT on its own.
    case SDLK_a:
      return Key::A;
    case SDLK_c:
      return Key::C;
    case SDLK_v:
      return Key::V;
    case SDLK_x:
      return Key::X;
    default:
      return Key::None;
  }
}

uint8_t TranslateModifiers(uint16_t mod) {
  uint8_t result = 0;
  if (mod & KMOD_SHIFT) result |= kShift;
  if (mod & KMOD_CTRL) result |= kCtrl;
  if (mod & KMOD_ALT) result |= kAlt;
  return result;
}

// The toolkit numbers buttons left 1, right 2, middle 3.
int TranslateButton(uint8_t button) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      return 1;
    case SDL_BUTTON_RIGHT:
      return 2;
    case SDL_BUTTON_MIDDLE:
      return 3;
    default:
      return 0;
  }
}

// SDL's video drivers that draw into memory only.
bool IsInvisibleDriver(const char* name) {
  return std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0;
}

bool IsEmptyFrame(const FrameExtents& f) {
  return f.left == 0 && f.top == 0 && f.right == 0 && f.bottom == 0;
}

// Copies rect of the 0x00RRGGBB buffer into the surface in its own format.
void CopyToSurface(const PixelBuffer& buffer, SDL_Surface* surface, const SDL_Rect& rect) {
  const SDL_PixelFormat* format = surface->format;
  auto* base = static_cast<uint8_t*>(surface->pixels);
  const bool direct = format->BytesPerPixel == 4 && format->Rmask == 0x00FF0000 &&
                      format->Gmask == 0x0000FF00 && format->Bmask == 0x000000FF;
  const uint32_t alpha = format->Amask;
  for (int y = rect.y; y < rect.y + rect.h; ++y) {
    const uint32_t* src = buffer.Row(y) + rect.x;
    uint8_t* dst = base + static_cast<size_t>(y) * surface->pitch;
    if (direct) {
      auto* row = reinterpret_cast<uint32_t*>(dst) + rect.x;
      if (alpha == 0) {
        std::memcpy(row, src, static_cast<size_t>(rect.w) * 4);
      } else {
        for (int x = 0; x < rect.w; ++x) row[x] = src[x] | alpha;
      }
      continue;
    }
    for (int x = 0; x < rect.w; ++x) {
      uint32_t c = src[x];
      uint32_t p = SDL_MapRGB(format, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
      uint8_t* at = dst + static_cast<size_t>(rect.x + x) * format->BytesPerPixel;
      switch (format->BytesPerPixel) {
        case 1:
          *at = static_cast<uint8_t>(p);
          break;
        case 2: {
          auto v = static_cast<uint16_t>(p);
          std::memcpy(at, &v, 2);
          break;
        }
        case 3:
          if (SDL_BYTEORDER == SDL_LIL_ENDIAN) {
            at[0] = p & 0xFF;
            at[1] = (p >> 8) & 0xFF;
            at[2] = (p >> 16) & 0xFF;
          } else {
            at[0] = (p >> 16) & 0xFF;
            at[1] = (p >> 8) & 0xFF;
            at[2] = p & 0xFF;
          }
          break;
        default:
          std::memcpy(at, &p, 4);
          break;
      }
    }
  }
}

}  // namespace

std::unique_ptr<Platform> OpenNativePlatform(std::string& error) {
  return SdlPlatform::Open(error);
}

void ReportFatalError(const std::string& /*titleUtf8*/, const std::string& /*textUtf8*/) {
  // The program wrote the error to its error stream, which reaches the user
  // (a terminal, the session's log); a desktop without a display has no
  // other place to show it.
}

std::unique_ptr<SdlPlatform> SdlPlatform::Open(std::string& error) {
  std::unique_ptr<SdlPlatform> platform(new SdlPlatform);
  if (!platform->Init(error)) return nullptr;
  return platform;
}

bool SdlPlatform::Init(std::string& error) {
  // The signals are ours (see the header); SDL's own handlers would push
  // SDL_QUIT from inside the signal handler.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A close box is a close request for the toolkit to judge; SDL must not
  // add a quit of its own when the window is the last one.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // Dialog windows: the window manager leaves out minimise and maximise.
  SDL_SetHint(SDL_HINT_X11_WINDOW_TYPE, "_NET_WM_WINDOW_TYPE_DIALOG");
  // The mouse is captured in Translate while a button is held; the click
  // that activates a window is delivered like any other.
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  // Before SDL opens the display: SDL chains its own handler to this one and
  // puts this one back before it closes its connections at the end.
  x11_.IgnoreVanishedWindowErrors();
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    error = std::string("cannot open the display: ") + SDL_GetError();
    return false;
  }
  sdlStarted_ = true;
  // Without a display SDL falls back to drivers that show nothing; a player
  // would wait for windows that never come. They serve only when asked for.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  if (driver != nullptr && IsInvisibleDriver(driver) &&
      (asked == nullptr || std::strstr(asked, driver) == nullptr)) {
    error = std::string("cannot open the display (no X11 or Wayland session; SDL offered its ") +
            driver + " driver: " + SDL_GetError() + ")";
    return false;
  }
  // A GL-backed window surface costs a hundredfold at creation and per update
  // under a software X server; the plain X11 framebuffer is what we want.
  // SDL 2.26's Wayland driver has no plain framebuffer: there the surface
  // must be backed by a renderer, or the windows would never be shown. SDL
  // reads the hint when the first surface is made.
  if (driver == nullptr || std::strcmp(driver, "wayland") != 0)
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  startMs_ = static_cast<int64_t>(SDL_GetTicks64());
  userEvent_ = SDL_RegisterEvents(1);
  SDL_StartTextInput();

  // The pipe that ends the bridge's poll(), made before the pipe reader runs.
  if (pipe(bridgeWake_) == 0) {
    for (int fd : bridgeWake_) {
      fcntl(fd, F_SETFD, FD_CLOEXEC);
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
  }
  if (pipe(pipe_) == 0) {
    fcntl(pipe_[0], F_SETFD, FD_CLOEXEC);
    fcntl(pipe_[1], F_SETFD, FD_CLOEXEC);
    // The writers must never block, least of all inside a signal handler.
    fcntl(pipe_[1], F_SETFL, fcntl(pipe_[1], F_GETFL) | O_NONBLOCK);
    pipeReader_ = std::thread([this] { RunPipeReader(); });
    gSignalPipe = pipe_[1];
    struct sigaction action {};
    action.sa_handler = OnTerminateSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, &gOldTerm);
    sigaction(SIGINT, &action, &gOldInt);
  } else {
    // Without the pipe the program still runs; only signals end it the hard way.
    std::fprintf(stderr, "SDL back end: no wake-up pipe: %s\n", std::strerror(errno));
  }
  // Assistive technology, where the session asks for it (AtkBridge.h), once
  // Wake works.
  AtkBridge::Host host;
  host.clientOrigin = [this](WindowId window) {
    TPoint at;
    if (const WindowState* state = Find(window)) SDL_GetWindowPosition(state->sdl, &at.X, &at.Y);
    return at;
  };
  host.post = [this](Event e) { queue_.Push(std::move(e)); };
  host.wake = [this] { Wake(); };
  atk_ = std::make_unique<AtkBridge>(std::move(host));
  atk_->Update();

  return true;
}

SdlPlatform::~SdlPlatform() {
  atk_.reset();
  if (pipe_[1] >= 0) {
    sigaction(SIGTERM, &gOldTerm, nullptr);
    sigaction(SIGINT, &gOldInt, nullptr);
    gSignalPipe = -1;
    WriteByte(pipe_[1], kPipeStop);
    if (pipeReader_.joinable()) pipeReader_.join();
    close(pipe_[0]);
    close(pipe_[1]);
  }
  for (auto& [id, state] : windows_) SDL_DestroyWindow(state.sdl);
  windows_.Clear();
  for (int fd : bridgeWake_) {
    if (fd >= 0) close(fd);
  }
  if (icon_ != nullptr) SDL_FreeSurface(icon_);
  if (sdlStarted_) SDL_Quit();
}

void SdlPlatform::RunPipeReader() {
  for (;;) {
    char byte = 0;
    ssize_t got = read(pipe_[0], &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || byte == kPipeStop) return;
    SDL_Event event{};
    event.type = userEvent_;
    event.user.code = byte == kPipeQuit ? kUserQuit : kUserWake;
    // SDL_PushEvent is thread-safe and wakes a thread waiting in SDL; the
    // bridge's poll() is woken through its own pipe.
    SDL_PushEvent(&event);
    WriteByte(bridgeWake_[1], kPipeWake);
  }
}

SdlPlatform::WindowState* SdlPlatform::Find(WindowId window) {
  return windows_.Find(window);
}

const SdlPlatform::WindowState* SdlPlatform::Find(WindowId window) const {
  return windows_.Find(window);
}

SDL_Window* SdlPlatform::SdlWindow(WindowId window) const {
  const WindowState* state = Find(window);
  return state == nullptr ? nullptr : state->sdl;
}

WindowId SdlPlatform::IdOf(uint32_t sdlId) const {
  // A handful of dialogs: a look at each is cheaper than a second map.
  for (const auto& [id, state] : windows_) {
    if (state.sdlId == sdlId) return id;
  }
  return kNoWindow;
}

WindowId SdlPlatform::CreateWindow(const std::string& titleUtf8, int clientWidth, int clientHeight,
                                   WindowId /*owner*/) {
  // SDL knows no owners; a dialog is put above another when it is modal for
  // it (SetModalFor).
  SDL_Window* sdl =
      SDL_CreateWindow(titleUtf8.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                       std::max(1, clientWidth), std::max(1, clientHeight), SDL_WINDOW_HIDDEN);
  if (sdl == nullptr) return kNoWindow;
  // The dialog is placed by its outer size before it is first shown: the
  // window manager is asked for the frame now, and answers while the dialog
  // is drawn.
  x11_.Request(sdl);
  if (icon_ == nullptr) icon_ = LoadWindowIcon();
  if (icon_ != nullptr) SDL_SetWindowIcon(sdl, icon_);
  WindowState state;
  state.sdl = sdl;
  state.sdlId = SDL_GetWindowID(sdl);
  state.frameRequested = x11_.Available();
  return windows_.Add(state);
}

void SdlPlatform::DestroyWindow(WindowId window) {
  WindowState* state = Find(window);
  if (state == nullptr) return;
  if (atk_ != nullptr) atk_->Forget(window);
  SDL_DestroyWindow(state->sdl);
  windows_.Remove(window);
  queue_.Forget(window);
}

void SdlPlatform::SetTitle(WindowId window, const std::string& titleUtf8) {
  if (auto* state = Find(window)) SDL_SetWindowTitle(state->sdl, titleUtf8.c_str());
}

void SdlPlatform::ShowWindow(WindowId window) {
  auto* state = Find(window);
  if (state == nullptr || state->shown) return;
  if (state->movePending) {
    state->movePending = false;
    if (!x11_.MoveUnmapped(state->sdl, state->outer.X, state->outer.Y)) {
      FrameExtents frame = SdlFrame(*state);
      SDL_SetWindowPosition(state->sdl, state->outer.X + frame.left, state->outer.Y + frame.top);
    }
  }
  // The window manager takes milliseconds to map a window, which SDL's
  // showing spends waiting: the first frame's surface is made and filled
  // meanwhile (Present).
  if (x11_.MapWithoutWaiting(state->sdl)) {
    state->mapping = true;
  } else {
    SDL_ShowWindow(state->sdl);
  }
  state->shown = true;
}

void SdlPlatform::FinishShowing(WindowState& state, bool activate) {
  if (!state.mapping) return;
  state.mapping = false;
  SDL_ShowWindow(state.sdl);
  if (activate) ActivatePending(state);
}

void SdlPlatform::ActivatePending(WindowState& state) {
  if (!state.activatePending) return;
  state.activatePending = false;
  Raise(state);
}

void SdlPlatform::Raise(WindowState& state) {
  SDL_RaiseWindow(state.sdl);
  // Without a window manager nobody gives the focus back after a dialog
  // above was hidden; asking for it is harmless with one.
  SDL_SetWindowInputFocus(state.sdl);
}

void SdlPlatform::HideWindow(WindowId window) {
  auto* state = Find(window);
  if (state == nullptr || !state->shown) return;
  FinishShowing(*state);
  SDL_HideWindow(state->sdl);
  state->shown = false;
}

FrameExtents SdlPlatform::SdlFrame(const WindowState& state) {
  FrameExtents frame;
  if (SDL_GetWindowBordersSize(state.sdl, &frame.top, &frame.left, &frame.bottom, &frame.right) !=
      0) {
    return {};
  }
  return frame;
}

void SdlPlatform::MoveWindow(WindowId window, int x, int y) {
  auto* state = Find(window);
  if (state == nullptr) return;
  state->outer = {x, y};
  if (!state->shown) {
    // Dialogs are moved while hidden (at creation and before their first
    // showing); each move of SDL's waits for the window manager, so only the
    // last one is made, when the window is shown.
    state->movePending = true;
    return;
  }
  FinishShowing(*state);
  // SDL positions the client area and subtracts the frame it knows of before
  // it asks the window manager, which places the outer frame there. Adding
  // the same frame here makes the outer corner land at (x, y) whether or not
  // SDL has learnt the frame yet.
  FrameExtents frame = SdlFrame(*state);
  SDL_SetWindowPosition(state->sdl, x + frame.left, y + frame.top);
}

TPoint SdlPlatform::WindowPosition(WindowId window) const {
  const auto* state = Find(window);
  return state == nullptr ? TPoint{} : state->outer;
}

FrameExtents SdlPlatform::Frame(WindowId window) {
  auto* state = Find(window);
  if (state == nullptr) return {};
  FrameExtents frame = SdlFrame(*state);
  if (!IsEmptyFrame(frame)) {
    knownFrame_ = frame;
    return frame;
  }
  if (state->wmFrame) return *state->wmFrame;
  // Every dialog window has the same decoration: a frame seen on one window
  // is the frame of the next, without waiting for the window manager again.
  if (knownFrame_) return *knownFrame_;
  if (state->frameRequested && !wmSilent_) {
    // Asked for at creation; the window manager answers within a few
    // milliseconds. Without an answer the frame counts as none, and later
    // windows do not wait for one either.
    state->frameRequested = false;
    state->wmFrame = x11_.Read(state->sdl, 100);
    if (state->wmFrame) {
      knownFrame_ = state->wmFrame;
    } else {
      wmSilent_ = true;
    }
  }
  return state->wmFrame.value_or(FrameExtents{});
}

void SdlPlatform::SetModalFor(WindowId window, WindowId owner) {
  auto* state = Find(window);
  auto* ownerState = Find(owner);
  if (state == nullptr || ownerState == nullptr) return;
  SDL_SetWindowModalFor(state->sdl, ownerState->sdl);
}

void SdlPlatform::Activate(WindowId window) {
  auto* state = Find(window);
  if (state == nullptr || !state->shown) return;
  // A window still being mapped is raised when SDL is told it is shown,
  // after its first frame is ready.
  if (state->mapping) {
    state->activatePending = true;
    return;
  }
  Raise(*state);
}

void SdlPlatform::Present(WindowId window, const PixelBuffer& buffer,
                          const std::vector<TRect>& dirty) {
  auto* state = Find(window);
  if (state == nullptr || dirty.empty()) return;
  SDL_Surface* surface = SDL_GetWindowSurface(state->sdl);
  if (surface == nullptr) return;
  TRect limit = buffer.Bounds().Intersect(TRect{0, 0, surface->w, surface->h});
  std::vector<SDL_Rect> rects;
  rects.reserve(dirty.size());
  for (const TRect& r : dirty) {
    TRect clipped = r.Intersect(limit);
    if (clipped.IsEmpty()) continue;
    rects.push_back({clipped.Left, clipped.Top, clipped.Width(), clipped.Height()});
  }
  if (rects.empty()) return;
  bool locked = SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) == 0;
  for (const SDL_Rect& rect : rects) CopyToSurface(buffer, surface, rect);
  if (locked) SDL_UnlockSurface(surface);
  // Pixels sent before the window is mapped would be lost. Raising and
  // focusing it asks the X server a question, and the window manager to
  // redraw its frame: that waits until the pixels are sent.
  FinishShowing(*state, false);
  SDL_UpdateWindowSurfaceRects(state->sdl, rects.data(), static_cast<int>(rects.size()));
  ActivatePending(*state);
}

TRect SdlPlatform::Desktop() {
  TRect desktop;
  for (const TRect& monitor : Monitors()) desktop = desktop.Union(monitor);
  return desktop;
}

std::vector<TRect> SdlPlatform::Monitors() {
  std::vector<TRect> monitors;
  int count = SDL_GetNumVideoDisplays();
  for (int i = 0; i < count; ++i) {
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(i, &bounds) == 0)
      monitors.push_back(TRect::FromSize(bounds.x, bounds.y, bounds.w, bounds.h));
  }
  return monitors;
}

int SdlPlatform::PixelsPerInch() {
  // The density the desktop asks programs to draw at, not the monitor's
  // physical one (which SDL_GetDisplayDPI reports, when it knows it): the
  // user's text scale is what the dialogs should follow. 96 is the classic
  // density and the desktops' own default.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver != nullptr && std::strcmp(driver, "x11") == 0) return x11_.ResourceDpi().value_or(96);
  // Under Wayland SDL 2.26 offers no content scale of its own; it shows in
  // the display's desktop mode, which is in the compositor's logical units,
  // against its largest mode, in pixels. But SDL 2.26 gives a window a
  // buffer of scale 1, which the compositor itself enlarges by that content
  // scale, so the dialogs are already shown at the desktop's scale: a density
  // above 96 here would enlarge them twice.
  return 96;
}

int SdlPlatform::DisplayBitsPerPixel() {
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return 24;
  return static_cast<int>(SDL_BITSPERPIXEL(mode.format));
}

std::optional<std::string> SdlPlatform::ClipboardText() {
  std::string text;
  if (char* clip = SDL_GetClipboardText()) {
    text = clip;
    SDL_free(clip);
  }
  return text;
}

int64_t SdlPlatform::NowMs() noexcept {
  return static_cast<int64_t>(SDL_GetTicks64()) - startMs_;
}

void SdlPlatform::Translate(const SDL_Event& event, EventQueue& out) {
  Event e;
  switch (event.type) {
    case SDL_QUIT:
      out.PostQuit();
      return;
    case SDL_TEXTINPUT:
      e.kind = EventKind::Text;
      e.window = IdOf(event.text.windowID);
      e.text = event.text.text;
      if (!e.text.empty()) out.Push(std::move(e));
      return;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const SDL_Keysym& sym = event.key.keysym;
      e.modifiers = TranslateModifiers(sym.mod);
      e.key = TranslateKey(sym.sym);
      if (e.key == Key::None) return;
      e.window = IdOf(event.key.windowID);
      e.repeat = event.key.repeat != 0;
      e.kind = event.type == SDL_KEYDOWN ? EventKind::KeyDown : EventKind::KeyUp;
      out.Push(std::move(e));
      return;
    }
    case SDL_MOUSEMOTION:
      e.kind = EventKind::MouseMove;
      e.window = IdOf(event.motion.windowID);
      e.x = event.motion.x;
      e.y = event.motion.y;
      out.Push(std::move(e));
      return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      e.button = TranslateButton(event.button.button);
      if (e.button == 0) return;
      bool down = event.type == SDL_MOUSEBUTTONDOWN;
      // Capture while any button is held, so the release reaches the window
      // that saw the press even outside it.
      buttonsHeld_ = std::max(0, buttonsHeld_ + (down ? 1 : -1));
      SDL_CaptureMouse(buttonsHeld_ > 0 ? SDL_TRUE : SDL_FALSE);
      e.kind = down ? EventKind::MouseDown : EventKind::MouseUp;
      e.window = IdOf(event.button.windowID);
      e.x = event.button.x;
      e.y = event.button.y;
      out.Push(std::move(e));
      return;
    }
    case SDL_SYSWMEVENT:
      // The window manager told a window's frame, maybe after the window was
      // placed without it: the toolkit places it again where that matters.
      for (auto& [id, state] : windows_) {
        if (!x11_.FrameChanged(event, state.sdl)) continue;
        std::optional<FrameExtents> frame = x11_.Read(state.sdl, 0);
        if (!frame || frame == state.wmFrame) return;
        state.wmFrame = frame;
        knownFrame_ = frame;
        out.Push(WindowEvent(EventKind::FrameChanged, id));
        return;
      }
      return;
    case SDL_WINDOWEVENT:
      e.window = IdOf(event.window.windowID);
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          e.kind = EventKind::CloseRequest;
          break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          e.kind = EventKind::FocusGained;
          break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          e.kind = EventKind::FocusLost;
          break;
        case SDL_WINDOWEVENT_LEAVE:
          e.kind = EventKind::MouseLeave;
          break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          e.kind = EventKind::Exposed;
          break;
        case SDL_WINDOWEVENT_MOVED: {
          // A hidden window moves only when the toolkit moves it.
          auto* state = Find(e.window);
          if (state == nullptr || !state->shown) return;
          // The frame the window manager told, where SDL has not learnt it yet:
          // the outer corner must not look moved by the frame.
          FrameExtents frame = SdlFrame(*state);
          if (IsEmptyFrame(frame) && state->wmFrame) frame = *state->wmFrame;
          e.kind = EventKind::Moved;
          e.x = event.window.data1 - frame.left;
          e.y = event.window.data2 - frame.top;
          state->outer = {e.x, e.y};
          break;
        }
        default:
          return;
      }
      out.Push(std::move(e));
      return;
    default:
      if (event.type == userEvent_ && userEvent_ != 0) {
        if (event.user.code == kUserQuit) {
          out.PostQuit();
        } else {
          out.PostWake();
        }
      }
      return;
  }
}

bool SdlPlatform::WaitEvent(Event& out, int64_t deadlineMs) {
  // SDL's events about a window follow SDL's knowing it shown.
  for (auto& [id, state] : windows_) FinishShowing(state);
  // --- Assistive technology: while the bridge runs, GLib's descriptors are
  // watched too (WaitWithBridge); otherwise the wait below is SDL's alone.
  if (atk_ != nullptr) {
    // The setting changed (its watcher woke this thread): the toolkit is
    // woken to publish every window, or to stop publishing.
    if (atk_->Update()) queue_.PostWake();
    if (atk_->Running()) return WaitWithBridge(out, deadlineMs);
  }
  for (;;) {
    if (queue_.Pop(out)) return true;
    SDL_Event event;
    int got = 0;
    if (deadlineMs < 0) {
      got = SDL_WaitEvent(&event);
    } else {
      int64_t wait = std::clamp<int64_t>(deadlineMs - NowMs(), 0, INT_MAX);
      got = SDL_WaitEventTimeout(&event, static_cast<int>(wait));
    }
    if (got != 0) {
      // An event that means nothing to the toolkit is dropped; what SDL still
      // holds is read before the deadline may end the wait.
      Translate(event, queue_);
      continue;
    }
    // SDL ends a wait that may not block at a marker after what it had read
    // so far; events queued behind the marker (pushed from the pipe reader,
    // say) are still taken before the deadline counts as passed.
    if (deadlineMs >= 0 && NowMs() >= deadlineMs &&
        SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) <= 0) {
      return false;
    }
  }
}

int SdlPlatform::DisplayDescriptor() {
  if (displayFd_ >= 0) return displayFd_;
  for (const auto& [id, state] : windows_) {
    displayFd_ = X11Extras::ConnectionDescriptor(state.sdl);
    break;
  }
  return displayFd_;
}

bool SdlPlatform::WaitWithBridge(Event& out, int64_t deadlineMs) {
  for (;;) {
    if (queue_.Pop(out)) return true;
    // What the X connection holds (Xlib's queue included) first, so that the
    // poll() below waits only for what is still to come.
    SDL_PumpEvents();
    SDL_Event event;
    bool got = false;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
      Translate(event, queue_);
      got = true;
    }
    if (got) continue;
    int64_t now = NowMs();
    if (deadlineMs >= 0 && now >= deadlineMs) return false;
    int timeout =
        deadlineMs < 0 ? -1 : static_cast<int>(std::min<int64_t>(deadlineMs - now, INT_MAX));
    std::vector<pollfd> fds;
    fds.push_back({bridgeWake_[0], POLLIN, 0});
    int display = DisplayDescriptor();
    if (display >= 0) {
      fds.push_back({display, POLLIN, 0});
    } else if (timeout < 0 || timeout > 50) {
      // Another display server than X11: its descriptor is SDL's own, so
      // SDL is asked again every 50 ms.
      timeout = 50;
    }
    atk_->Wait(fds, timeout);
    if (fds[0].revents != 0) {
      char drain[64];
      while (read(bridgeWake_[0], drain, sizeof drain) > 0) {
      }
    }
  }
}

void SdlPlatform::PublishAccessibility(WindowId window, std::shared_ptr<const AccessibleTree> tree,
                                       const std::vector<AccessibleChange>& changes) {
  if (atk_ != nullptr) atk_->Publish(window, std::move(tree), changes);
}

void SdlPlatform::Wake() {
  WriteByte(pipe_[1], kPipeWake);
}

void SdlPlatform::PostQuit() {
  WriteByte(pipe_[1], kPipeQuit);
}

}  // namespace tk::platform
