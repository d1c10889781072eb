#include "toolkit/platform/sdl/X11Extras.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <poll.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(SDL_VIDEO_DRIVER_X11)
// After SDL_syswm.h, which brings Xlib.
#include <X11/Xresource.h>
#include <xcb/xcb.h>
#endif

namespace tk::platform {

#if defined(SDL_VIDEO_DRIVER_X11)

struct X11Extras::Api {
  void* library = nullptr;
  decltype(&::XSendEvent) SendEvent = nullptr;
  decltype(&::XFlush) Flush = nullptr;
  decltype(&::XGetWindowProperty) GetWindowProperty = nullptr;
  decltype(&::XFree) Free = nullptr;
  decltype(&::XSetErrorHandler) SetErrorHandler = nullptr;
  decltype(&::XMoveWindow) MoveWindow = nullptr;
  decltype(&::XMapRaised) MapRaised = nullptr;
  decltype(&::XCheckIfEvent) CheckIfEvent = nullptr;
  decltype(&::XrmInitialize) XrmInitialize = nullptr;
  decltype(&::XrmGetStringDatabase) XrmGetStringDatabase = nullptr;
  decltype(&::XrmGetResource) XrmGetResource = nullptr;
  decltype(&::XrmDestroyDatabase) XrmDestroyDatabase = nullptr;
  Display* display = nullptr;
  bool probed = false;
};

namespace {

template <class F>
bool Load(void* library, const char* name, F& out) {
  out = reinterpret_cast<F>(SDL_LoadFunction(library, name));
  return out != nullptr;
}

XErrorHandler gPreviousErrorHandler = nullptr;

// Requests of the core protocol that may name a window another client just
// destroyed: SDL's wake-up event (X_SendEvent, 25), and the questions SDL
// asks after moving a window about the frame the window manager put it in
// (X_GetWindowAttributes 3, X_GetGeometry 14, X_QueryTree 15,
// X_TranslateCoords 40), which the window manager destroys when the window
// is hidden. Such a request's answer is simply lost; it must not end the
// program.
bool AboutAVanishedWindow(const XErrorEvent& error) {
  if (error.error_code != BadWindow) return false;
  switch (error.request_code) {
    case 3:
    case 14:
    case 15:
    case 25:
    case 40:
      return true;
    default:
      return false;
  }
}

int OnXError(Display* display, XErrorEvent* error) {
  if (AboutAVanishedWindow(*error)) return 0;
  return gPreviousErrorHandler != nullptr ? gPreviousErrorHandler(display, error) : 0;
}

bool X11Handles(SDL_Window* window, Display*& display, Window& xwindow) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  display = info.info.x11.display;
  xwindow = info.info.x11.window;
  return true;
}

}  // namespace

X11Extras::X11Extras() {
  void* library = SDL_LoadObject("libX11.so.6");
  if (library == nullptr) return;
  api_ = new Api;
  api_->library = library;
  bool ok = Load(library, "XSendEvent", api_->SendEvent) && Load(library, "XFlush", api_->Flush) &&
            Load(library, "XGetWindowProperty", api_->GetWindowProperty) &&
            Load(library, "XFree", api_->Free) &&
            Load(library, "XSetErrorHandler", api_->SetErrorHandler) &&
            Load(library, "XMoveWindow", api_->MoveWindow) &&
            Load(library, "XMapRaised", api_->MapRaised) &&
            Load(library, "XCheckIfEvent", api_->CheckIfEvent) &&
            Load(library, "XrmInitialize", api_->XrmInitialize) &&
            Load(library, "XrmGetStringDatabase", api_->XrmGetStringDatabase) &&
            Load(library, "XrmGetResource", api_->XrmGetResource) &&
            Load(library, "XrmDestroyDatabase", api_->XrmDestroyDatabase);
  if (!ok) {
    SDL_UnloadObject(library);
    delete api_;
    api_ = nullptr;
  }
}

X11Extras::~X11Extras() {
  if (api_ == nullptr) return;
  SDL_UnloadObject(api_->library);
  delete api_;
}

namespace {

// Reads a 32-bit property of window into out (up to max values) and returns
// the number of values it holds; 0 when it is not set.
int ReadLongs(X11Extras::Api& api, Window window, Atom property, Atom type, long* out, int max) {
  Atom actualType = 0;
  int actualFormat = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  if (api.GetWindowProperty(api.display, window, property, 0, 1024, False, type, &actualType,
                            &actualFormat, &count, &after, &data) != Success) {
    return 0;
  }
  int n = 0;
  if (data != nullptr && actualType == type && actualFormat == 32) {
    const long* values = reinterpret_cast<const long*>(data);
    for (unsigned long i = 0; i < count; ++i) {
      if (n < max) out[n] = values[i];
      ++n;
    }
  }
  if (data != nullptr) api.Free(data);
  return n;
}

// The density a resource value names: a number of dots per inch, possibly
// with a fraction ("120", "96.0", "144.5"). Anything else, or a value outside
// what any screen has, counts as absent.
std::optional<int> ParseDpi(const char* text) {
  if (text == nullptr) return std::nullopt;
  char* end = nullptr;
  double dpi = std::strtod(text, &end);
  if (end == text || !std::isfinite(dpi) || dpi < 24 || dpi > 1200) return std::nullopt;
  return static_cast<int>(std::lround(dpi));
}

// The entry points of libxcb in use; libX11 is built on it, so it is
// already loaded.
struct Xcb {
  decltype(&::xcb_connect) connect = nullptr;
  decltype(&::xcb_connection_has_error) hasError = nullptr;
  decltype(&::xcb_disconnect) disconnect = nullptr;
  decltype(&::xcb_get_setup) getSetup = nullptr;
  decltype(&::xcb_setup_roots_iterator) roots = nullptr;
  decltype(&::xcb_screen_next) nextScreen = nullptr;
  decltype(&::xcb_intern_atom) internAtom = nullptr;
  decltype(&::xcb_intern_atom_reply) internAtomReply = nullptr;
  decltype(&::xcb_get_property) getProperty = nullptr;
  decltype(&::xcb_get_property_reply) getPropertyReply = nullptr;
  decltype(&::xcb_get_property_value) value = nullptr;
  decltype(&::xcb_get_property_value_length) valueLength = nullptr;
};

// The 32-bit values of a property reply (freed here); empty when it is of
// another type or unset.
std::vector<uint32_t> Longs(const Xcb& x, xcb_get_property_reply_t* reply, xcb_atom_t type) {
  std::vector<uint32_t> out;
  if (reply == nullptr) return out;
  if (reply->type == type && reply->format == 32) {
    const auto* values = static_cast<const uint32_t*>(x.value(reply));
    out.assign(values, values + x.valueLength(reply) / 4);
  }
  std::free(reply);
  return out;
}

void ReadFacts(const Xcb& x, X11Extras::DisplayFacts& facts) {
  int screen = 0;
  xcb_connection_t* c = x.connect(nullptr, &screen);
  if (x.hasError(c) != 0) {
    x.disconnect(c);
    return;
  }
  xcb_screen_iterator_t roots = x.roots(x.getSetup(c));
  for (int i = 0; i < screen && roots.rem > 0; ++i) x.nextScreen(&roots);
  if (roots.rem <= 0) {
    x.disconnect(c);
    return;
  }
  xcb_window_t root = roots.data->root;
  // The first round trip: the names and the resource database.
  static constexpr const char* kNames[] = {"_NET_REQUEST_FRAME_EXTENTS", "_NET_FRAME_EXTENTS",
                                           "_NET_SUPPORTED", "_NET_SUPPORTING_WM_CHECK"};
  xcb_intern_atom_cookie_t names[4];
  for (int i = 0; i < 4; ++i)
    names[i] = x.internAtom(c, 0, static_cast<uint16_t>(std::strlen(kNames[i])), kNames[i]);
  xcb_get_property_cookie_t database =
      x.getProperty(c, 0, root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 1u << 24);
  xcb_atom_t atoms[4] = {};
  for (int i = 0; i < 4; ++i) {
    if (xcb_intern_atom_reply_t* reply = x.internAtomReply(c, names[i], nullptr)) {
      atoms[i] = reply->atom;
      std::free(reply);
    }
  }
  if (xcb_get_property_reply_t* reply = x.getPropertyReply(c, database, nullptr)) {
    if (reply->format == 8) {
      facts.resources.assign(static_cast<const char*>(x.value(reply)),
                             static_cast<size_t>(x.valueLength(reply)));
    }
    std::free(reply);
  }
  facts.requestExtents = atoms[0];
  facts.frameExtents = atoms[1];
  // The second: a window manager that advertises the frame request runs.
  xcb_get_property_cookie_t check = x.getProperty(c, 0, root, atoms[3], XCB_ATOM_WINDOW, 0, 1);
  xcb_get_property_cookie_t supported = x.getProperty(c, 0, root, atoms[2], XCB_ATOM_ATOM, 0, 4096);
  std::vector<uint32_t> wm = Longs(x, x.getPropertyReply(c, check, nullptr), XCB_ATOM_WINDOW);
  std::vector<uint32_t> advertised =
      Longs(x, x.getPropertyReply(c, supported, nullptr), XCB_ATOM_ATOM);
  if (!wm.empty() && wm[0] != 0 && atoms[0] != 0) {
    for (uint32_t atom : advertised) {
      if (atom == atoms[0]) facts.frameRequests = true;
    }
  }
  x.disconnect(c);
}

X11Extras::DisplayFacts ReadDisplayFacts() {
  X11Extras::DisplayFacts facts;
  void* library = SDL_LoadObject("libxcb.so.1");
  if (library == nullptr) return facts;
  Xcb x;
  if (Load(library, "xcb_connect", x.connect) &&
      Load(library, "xcb_connection_has_error", x.hasError) &&
      Load(library, "xcb_disconnect", x.disconnect) && Load(library, "xcb_get_setup", x.getSetup) &&
      Load(library, "xcb_setup_roots_iterator", x.roots) &&
      Load(library, "xcb_screen_next", x.nextScreen) &&
      Load(library, "xcb_intern_atom", x.internAtom) &&
      Load(library, "xcb_intern_atom_reply", x.internAtomReply) &&
      Load(library, "xcb_get_property", x.getProperty) &&
      Load(library, "xcb_get_property_reply", x.getPropertyReply) &&
      Load(library, "xcb_get_property_value", x.value) &&
      Load(library, "xcb_get_property_value_length", x.valueLength)) {
    ReadFacts(x, facts);
  }
  SDL_UnloadObject(library);
  return facts;
}

}  // namespace

const X11Extras::DisplayFacts& X11Extras::Facts() {
  if (!factsRead_) {
    factsRead_ = true;
    facts_ = ReadDisplayFacts();
  }
  return facts_;
}

std::optional<int> X11Extras::ResourceDpi() {
  if (dpiRead_ || api_ == nullptr) return dpi_;
  dpiRead_ = true;
  const DisplayFacts& facts = Facts();
  if (facts.resources.empty()) return dpi_;
  Api& api = *api_;
  api.XrmInitialize();
  if (XrmDatabase database = api.XrmGetStringDatabase(facts.resources.c_str())) {
    char* type = nullptr;
    XrmValue value{};
    // Looked up as Xft itself looks it up, so wildcards such as "*dpi"
    // match too.
    if (api.XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) != False)
      dpi_ = ParseDpi(value.addr);
    api.XrmDestroyDatabase(database);
  }
  return dpi_;
}

void X11Extras::IgnoreVanishedWindowErrors() {
  if (api_ == nullptr || gPreviousErrorHandler != nullptr) return;
  XErrorHandler previous = api_->SetErrorHandler(OnXError);
  // Installing twice must not make the handler its own predecessor.
  gPreviousErrorHandler = previous == OnXError ? nullptr : previous;
}

bool X11Extras::MoveUnmapped(SDL_Window* window, int x, int y) {
  Display* display = nullptr;
  Window xwindow = 0;
  if (api_ == nullptr || !X11Handles(window, display, xwindow)) return false;
  api_->MoveWindow(display, xwindow, x, y);
  api_->Flush(display);
  return true;
}

bool X11Extras::MapWithoutWaiting(SDL_Window* window) {
  Display* display = nullptr;
  Window xwindow = 0;
  if (api_ == nullptr || !X11Handles(window, display, xwindow)) return false;
  api_->MapRaised(display, xwindow);
  api_->Flush(display);
  return true;
}

void X11Extras::Request(SDL_Window* window) {
  if (api_ == nullptr) return;
  Display* display = nullptr;
  Window xwindow = 0;
  if (!X11Handles(window, display, xwindow)) return;
  Api& api = *api_;
  if (!api.probed) {
    api.probed = true;
    // Its answer may come late; SDL then passes it on with the X events.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    api.display = display;
    available_ = Facts().frameRequests;
  }
  if (!available_) return;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = xwindow;
  event.xclient.message_type = facts_.requestExtents;
  event.xclient.format = 32;
  api.SendEvent(display, DefaultRootWindow(display), False,
                SubstructureRedirectMask | SubstructureNotifyMask, &event);
  api.Flush(display);
}

namespace {

// Counts the changes of one property of one window that Xlib has queued,
// leaving the events where they are (SDL reads them later).
struct PropertyChanges {
  Window window;
  Atom property;
  int count;
};

Bool CountPropertyChange(Display*, XEvent* event, XPointer arg) {
  auto* changes = reinterpret_cast<PropertyChanges*>(arg);
  if (event->type == PropertyNotify && event->xproperty.window == changes->window &&
      event->xproperty.atom == changes->property) {
    ++changes->count;
  }
  return False;
}

}  // namespace

std::optional<FrameExtents> X11Extras::Read(SDL_Window* window, int timeoutMs) {
  if (!available_) return std::nullopt;
  Display* display = nullptr;
  Window xwindow = 0;
  if (!X11Handles(window, display, xwindow)) return std::nullopt;
  Api& api = *api_;
  // The answer is a property change made by another client, which the X
  // server tells as an event (SDL selects them on its windows). The property
  // is read; while it is not set, the wait is for a new change to be queued
  // or for the connection to bring more. This happens once per dialog.
  uint64_t end = SDL_GetTicks64() + static_cast<uint64_t>(timeoutMs);
  auto queuedChanges = [&] {
    // Reads what the connection holds without blocking, then counts.
    PropertyChanges changes{xwindow, facts_.frameExtents, 0};
    XEvent unused;
    api.CheckIfEvent(display, &unused, CountPropertyChange, reinterpret_cast<XPointer>(&changes));
    return changes.count;
  };
  // Counted before each reading: a change told while it was answered is new.
  int seen = queuedChanges();
  for (;;) {
    long values[4] = {0, 0, 0, 0};
    if (ReadLongs(api, xwindow, facts_.frameExtents, XA_CARDINAL, values, 4) >= 4) {
      FrameExtents frame;
      frame.left = static_cast<int>(values[0]);
      frame.right = static_cast<int>(values[1]);
      frame.top = static_cast<int>(values[2]);
      frame.bottom = static_cast<int>(values[3]);
      return frame;
    }
    for (int count = queuedChanges(); count <= seen; count = queuedChanges()) {
      uint64_t now = SDL_GetTicks64();
      if (now >= end) return std::nullopt;
      pollfd fd{ConnectionNumber(display), POLLIN, 0};
      poll(&fd, 1, static_cast<int>(end - now));
    }
    seen = queuedChanges();
  }
}

bool X11Extras::FrameChanged(const SDL_Event& event, SDL_Window* window) const {
  if (!available_ || event.type != SDL_SYSWMEVENT || event.syswm.msg == nullptr ||
      event.syswm.msg->subsystem != SDL_SYSWM_X11) {
    return false;
  }
  const XEvent& x = event.syswm.msg->msg.x11.event;
  if (x.type != PropertyNotify || x.xproperty.atom != facts_.frameExtents) return false;
  Display* display = nullptr;
  Window xwindow = 0;
  return X11Handles(window, display, xwindow) && x.xproperty.window == xwindow;
}

#else

struct X11Extras::Api {};
bool X11Extras::FrameChanged(const SDL_Event&, SDL_Window*) const {
  return false;
}
X11Extras::X11Extras() = default;
X11Extras::~X11Extras() = default;
void X11Extras::IgnoreVanishedWindowErrors() {}
bool X11Extras::MoveUnmapped(SDL_Window*, int, int) {
  return false;
}
bool X11Extras::MapWithoutWaiting(SDL_Window*) {
  return false;
}

void X11Extras::Request(SDL_Window*) {}
std::optional<FrameExtents> X11Extras::Read(SDL_Window*, int) {
  return std::nullopt;
}
std::optional<int> X11Extras::ResourceDpi() {
  return std::nullopt;
}

#endif

// The descriptor of the X connection SDL reads window's events from, or -1.
int X11Extras::ConnectionDescriptor(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11)
    return ConnectionNumber(info.info.x11.display);
#else
  (void)window;
#endif
  return -1;
}

}  // namespace tk::platform
