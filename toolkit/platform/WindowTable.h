#pragma once
// The windows a back end made, by id: what it keeps of each (State) and the
// next id to give. Ids count from 1 in creation order and are never given
// twice, so an id the toolkit still holds after a window went finds nothing.

#include <map>
#include <string>

#include "toolkit/base/Geometry.h"
#include "toolkit/platform/Platform.h"

namespace tk::platform {

// What a back end keeps of a window that no system window stands behind (it
// shows it itself, or nobody does): the state the toolkit gave it.
struct KeptWindow {
  std::string title;  // UTF-8
  int clientWidth = 0;
  int clientHeight = 0;
  // The outer corner on the desktop.
  TPoint position;
  bool shown = false;
  bool enabled = true;
};

template <class State>
class WindowTable {
 public:
  using Map = std::map<WindowId, State>;

  // Adds a window under the next id. Its state keeps its address until it is
  // removed, so a back end may hand the system a pointer to it.
  WindowId Add(State state = State{}) {
    WindowId id = next_++;
    windows_.emplace(id, std::move(state));
    return id;
  }
  void Remove(WindowId id) { windows_.erase(id); }

  State* Find(WindowId id) {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : &it->second;
  }
  const State* Find(WindowId id) const {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : &it->second;
  }

  // Every window, oldest first (reverse: newest first).
  typename Map::iterator begin() { return windows_.begin(); }
  typename Map::iterator end() { return windows_.end(); }
  typename Map::const_iterator begin() const { return windows_.begin(); }
  typename Map::const_iterator end() const { return windows_.end(); }
  typename Map::reverse_iterator rbegin() { return windows_.rbegin(); }
  typename Map::reverse_iterator rend() { return windows_.rend(); }
  void Clear() { windows_.clear(); }

 private:
  Map windows_;
  WindowId next_ = 1;
};

}  // namespace tk::platform
