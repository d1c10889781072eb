#pragma once
// A window's accessible tree as Microsoft Active Accessibility shows it: an
// IAccessible object for the window's client area, answered to WM_GETOBJECT,
// and WinEvents (NotifyWinEvent) for what changed.
//
// The root node is the client object itself (CHILDID_SELF); every other node
// is reached by its node id as a child id. A node without children is a
// simple element of the object that holds it; a node with children (a panel)
// is an object of its own. Every answer comes from the last tree the toolkit
// published; what a client asks to do (press, focus, set text) is posted as
// an AccessibleAction event for the toolkit to judge. Once the window is
// destroyed every object handed out answers CO_E_OBJNOTCONNECTED.

// windows.h first: its CreateWindow macro must not rename the platform's
// operation of the same name.
#include <windows.h>
#undef CreateWindow

#include <functional>
#include <memory>
#include <vector>

#include "toolkit/platform/Platform.h"

namespace tk::platform {

// The child id of the object that carries announcements: a static text
// tied to the root but not among its children, whose name is the last
// announcement. Node ids never reach it.
inline constexpr LONG kAnnouncementChild = 0x7FFFFFFF;

// The text MSAA clients read as a push button's default action.
inline constexpr wchar_t kPressActionName[] = L"Нажать";

// COM on this thread, with the system's COM and accessibility libraries,
// loaded when first needed (a program nobody reads never loads them).
class ComRuntime {
 public:
  ComRuntime() = default;
  ~ComRuntime();
  ComRuntime(const ComRuntime&) = delete;
  ComRuntime& operator=(const ComRuntime&) = delete;
  // Loads the libraries and joins a single-threaded apartment, once; false
  // when the system refuses either.
  bool Start();

 private:
  bool started_ = false;
  bool failed_ = false;
  bool owned_ = false;  // this object initialised COM and ends it
};

class AccessibleWindow {
 public:
  // post takes the events that clients' requests become.
  AccessibleWindow(HWND hwnd, WindowId window, std::function<void(Event)> post);
  ~AccessibleWindow();
  AccessibleWindow(const AccessibleWindow&) = delete;
  AccessibleWindow& operator=(const AccessibleWindow&) = delete;

  // Takes the toolkit's new tree (null: the window was hidden) and tells
  // listening clients what changed, through WinEvents.
  void Publish(std::shared_ptr<const AccessibleTree> tree,
               const std::vector<AccessibleChange>& changes);
  bool HasTree() const;
  // The answer to WM_GETOBJECT(OBJID_CLIENT) with the message's wParam; 0
  // while there is no tree (the system's default object then answers).
  // ComRuntime must have started on this thread.
  LRESULT Answer(WPARAM wParam);
  // The window goes: every object handed out is cut off from clients and
  // answers CO_E_OBJNOTCONNECTED from now on.
  void Disconnect();

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// Maps the model's role to MSAA's ROLE_SYSTEM_* and its states to
// STATE_SYSTEM_* bits.
LONG MsaaRole(Role role);
LONG MsaaStates(const AccessibleNode& node);

}  // namespace tk::platform
