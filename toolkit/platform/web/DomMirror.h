#pragma once
// The page shows the desktop in a canvas, which a screen reader cannot read,
// so the page keeps a mirror of real elements placed over the drawn controls
// (a dialog element per window, a field, a button, a label... per node).
// This class keeps the last tree the toolkit published for each window and
// turns each publication into the few changes the page makes to its mirror,
// as a batch of operations in JSON that the page's script applies as they
// come (browser/mirror.js):
//
//   {"o":"win","w":W,"id":N,"role":"dialog"|"alertdialog","name":..,"desc":..,
//    "modal":0|1,"inert":0|1,"new":0|1,"b":[x,y,w,h]}
//                                           the window's element (new: made afresh)
//   {"o":"node","w":W,"id":N,"parent":P,"role":..,"name":..,"desc":..,"value":..,
//    "states":S,"actions":A,"b":[x,y,w,h],"sel":[start,end,caret],"label":L}
//                                           a node's element, made or brought up to
//                                           date; b in client pixels, label: the
//                                           field a label names (0: none)
//   {"o":"drop","id":N}                     a node went away, with what it held
//   {"o":"order","id":P,"kids":[...]}       P's children in reading order
//   {"o":"hide","w":W}                      the window has no tree now
//   {"o":"focus","id":N}                    N has the keyboard focus
//   {"o":"say","text":..,"assertive":0|1}   an announcement
//   {"o":"place","w":W,"x":X,"y":Y,"z":Z}   the window's client area lies at X, Y
//                                           desktop pixels, Z-th from the bottom
//
// The role names are those of Role, in lower case ("passwordfield"); states
// and actions are the bits of Accessibility.h. What element a role becomes is
// the page's choice; which nodes change, and when, is decided here.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/base/Geometry.h"
#include "toolkit/platform/Platform.h"

namespace tk::platform::web {

class DomMirror {
 public:
  // Takes a window's publication (see Platform::PublishAccessibility).
  void Publish(WindowId window, std::shared_ptr<const AccessibleTree> tree,
               const std::vector<AccessibleChange>& changes);
  // The window went away without a WindowHidden report.
  void Forget(WindowId window);
  // Where a window with a tree lies now: told to the page when it changed.
  void Place(WindowId window, TPoint clientOrigin, int z);
  // The windows that have a tree.
  std::vector<WindowId> Windows() const;

  // The operations since the last call, as a JSON array; empty when none.
  std::string TakeOperations();

  // The node in the last trees, and the window it is in (null, kNoWindow:
  // no tree holds it).
  const AccessibleNode* Find(NodeId node, WindowId* window = nullptr) const;
  // The window's last tree, or null.
  const AccessibleTree* Tree(WindowId window) const;
  // The node of window's last tree that has the focus, or null.
  const AccessibleNode* Focused(WindowId window) const;

 private:
  struct Kept {
    std::shared_ptr<const AccessibleTree> tree;
    // The place last told; z < 0: none yet.
    TPoint origin;
    int z = -1;
  };

  void Open();
  void WindowOperation(WindowId window, const AccessibleTree& tree, bool fresh);
  void NodeOperation(WindowId window, const AccessibleNode& node);
  // node and everything beneath it in tree, parents first.
  void NodeAndBeneath(WindowId window, const AccessibleTree& tree, const AccessibleNode& node);

  std::map<WindowId, Kept> windows_;
  std::string out_;
};

}  // namespace tk::platform::web
