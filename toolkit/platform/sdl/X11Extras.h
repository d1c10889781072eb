#pragma once
// What SDL leaves out under X11, reached through the Xlib that SDL has
// already loaded (the program links no X library of its own); on other
// systems everything here does nothing and answers "unknown".
//
// The window manager's frame around a window, known before the window is
// first shown. SDL learns a window's frame extents only after mapping it
// (tens of milliseconds later), but a dialog must be centred by its outer
// size when it is first shown. Under X11 the window manager can be asked for
// the extents of a window it has not mapped yet (_NET_REQUEST_FRAME_EXTENTS).
//
// A vanished window: SDL wakes its own wait by sending an event to one of the
// program's windows from a second X connection. When that window is destroyed
// at the end of the run before the X server has handled the event, the
// server answers with an error that Xlib's default handler turns into exit
// code 1 when SDL closes the connection. That one error is harmless and is
// ignored; every other error still goes to the previous handler.
//
// The desktop's text scale: GNOME, KDE and Xfce tell X11 programs the density
// to draw text at through the resource Xft.dpi in the root window's resource
// database (the RESOURCE_MANAGER property that xrdb writes), 120 at 125 %,
// 192 at 200 %. SDL does not read it.

#include <optional>
#include <string>

#include "toolkit/platform/Platform.h"

struct SDL_Window;
union SDL_Event;

namespace tk::platform {

class X11Extras {
 public:
  X11Extras();
  ~X11Extras();
  X11Extras(const X11Extras&) = delete;
  X11Extras& operator=(const X11Extras&) = delete;

  // Installs the error handler described above. Called before SDL opens the
  // display, because SDL restores the handler it found when it closes it.
  void IgnoreVanishedWindowErrors();

  // Moves the outer corner of a window that is not mapped to (x, y) without
  // waiting for the window manager (SDL waits about 10 ms for each move, as
  // the request goes through the window manager). The window manager places
  // the frame's corner at the window's position when it maps it. False when
  // not on X11.
  bool MoveUnmapped(SDL_Window* window, int x, int y);

  // Asks for window to be mapped and raised, and returns at once; SDL's own
  // showing waits until the window manager has mapped it. The program can
  // prepare the window's first frame meanwhile and tell SDL afterwards (SDL
  // then finds the window mapped, or waits for the rest). False when not on
  // X11.
  bool MapWithoutWaiting(SDL_Window* window);

  // The Xft.dpi value of the resource database of the display SDL uses,
  // rounded; nullopt when the resource is absent or not a plausible density,
  // or when not on X11. Read once, when first asked: the dialogs are built
  // once and a later change of the setting would not rescale them anyway.
  std::optional<int> ResourceDpi();

  // What the start-up needs of the display besides SDL's own questions: the
  // resource database (for the density) and whether a window manager that
  // reports frame extents runs (with the atoms involved). Read once, when
  // first needed, on a connection of its own (SDL's cannot be reached before
  // its first window), all questions in two round trips. Reading them on a
  // thread beside SDL's start made the start slower, not faster.
  struct DisplayFacts {
    std::string resources;
    unsigned long requestExtents = 0;
    unsigned long frameExtents = 0;
    bool frameRequests = false;
  };

  // True when an X11 window manager that reports frame extents runs.
  bool Available() const { return available_; }
  // Asks the window manager to report the frame of window.
  void Request(SDL_Window* window);
  // The frame the window manager reported for window, waiting up to
  // timeoutMs for the answer to a Request; nullopt when none came.
  std::optional<FrameExtents> Read(SDL_Window* window, int timeoutMs);
  // Late answers: once a Request was made, SDL hands over the X events it
  // reads (SDL_SYSWMEVENT), and this tells whether one of them says that the
  // frame of window changed (the window manager answered, or changed its
  // decoration).
  bool FrameChanged(const SDL_Event& event, SDL_Window* window) const;

  // The descriptor of the X connection that window's events come through;
  // -1 when not on X11.
  static int ConnectionDescriptor(SDL_Window* window);

  // The Xlib entry points and atoms in use (defined where Xlib is known).
  struct Api;

 private:
  const DisplayFacts& Facts();

  Api* api_ = nullptr;
  bool factsRead_ = false;
  DisplayFacts facts_;
  bool available_ = false;
  bool dpiRead_ = false;
  std::optional<int> dpi_;
};

}  // namespace tk::platform
