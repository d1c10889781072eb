#pragma once
// What assistive technology (a screen reader, a magnifier) may know of a
// window, as plain data. The toolkit decides all of it: each shown window has
// a tree of nodes (the dialog and its controls), and after each loop turn
// that paints the toolkit hands a back end that listens the window's new tree
// and the list of what changed since the last one (Platform::
// PublishAccessibility). A back end maps this to its platform's interface and
// answers every query from the last tree it was given; it never calls into
// the toolkit. What the user does through assistive technology (press a
// button, focus or fill a field) comes back as an ordinary event
// (EventKind::AccessibleAction), which the toolkit applies by its own rules.
//
// Texts are UTF-8. Offsets into a node's value count characters (Unicode
// code points; every character of this program's code page is one code
// point, and one UTF-16 unit). Rectangles are in the window's client
// coordinates; the back end knows where its window's client area lies on
// the screen.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/base/Geometry.h"

namespace tk::platform {

// A node, numbered by the toolkit: unique among all windows of the process,
// kept while its control lives, never given to another control in the same
// run. 0 is never a node.
using NodeId = uint32_t;
inline constexpr NodeId kNoNode = 0;

enum class Role : uint8_t {
  Dialog,         // the root of a dialog's tree; name = the window title
  Alert,          // the root of an error message box; description = its message
  Panel,          // a grouping of the nodes below it; name = its caption, often empty
  Label,          // static text; name = the text, lines separated by "\n"
  Status,         // static text that reports a state that keeps changing (a countdown):
                  // read on demand; its changes are Name reports, not announcements
  TextField,      // single-line editable text; value = the text
  PasswordField,  // single-line editable text that is never exposed: value = one "*" per
                  // character, states::kProtected
  TextArea,       // multi-line text; value = its lines separated by "\n"
  PushButton,     // name = its caption
  Image,          // a picture; name = what it shows, as the program describes it
};
inline constexpr size_t kRoleCount = static_cast<size_t>(Role::Image) + 1;

// The states of a node, as a set of bits.
namespace states {
inline constexpr uint32_t kFocused = 1u << 0;    // has the keyboard focus: at most one node of
                                                 // all trees, and only in the active window; the
                                                 // root when the dialog itself has it
inline constexpr uint32_t kFocusable = 1u << 1;  // can take the focus now (Tab or Focus action)
inline constexpr uint32_t kDisabled = 1u << 2;   // takes no input. On the root: the whole window
                                                 // is disabled (beneath a modal dialog); its
                                                 // controls keep their own states
inline constexpr uint32_t kReadOnly = 1u << 3;   // text that can be read, not changed
inline constexpr uint32_t kProtected = 1u << 4;  // a password field
inline constexpr uint32_t kMultiLine = 1u << 5;  // text of several lines
inline constexpr uint32_t kOffscreen = 1u << 6;  // none of it can be seen (bounds empty)
inline constexpr uint32_t kModal = 1u << 7;      // root only: the dialog is shown modally
inline constexpr uint32_t kActive = 1u << 8;     // root only: the window is the active one
}  // namespace states

// What assistive technology may ask a node to do. A node's actions say what
// it supports at all; whether it can now is in its states (kDisabled,
// kFocusable) and those of its root.
enum class AccessibleAction : uint8_t {
  Press,    // a push button: as a click; the focus stays where it is
  Focus,    // gives the node the keyboard focus, activating its window
  SetText,  // a text field: replaces its text, as typing that text would
};
constexpr uint8_t ActionBit(AccessibleAction a) {
  return static_cast<uint8_t>(1u << static_cast<unsigned>(a));
}

struct AccessibleNode {
  NodeId id = kNoNode;
  NodeId parent = kNoNode;       // kNoNode for the root
  std::vector<NodeId> children;  // in reading order: top to bottom, then left to right
  Role role = Role::Panel;
  uint32_t states = 0;
  uint8_t actions = 0;  // ActionBit()s
  std::string name;
  std::string description;
  std::string value;  // text nodes only
  // The part of the node that can be seen: its rectangle cut by its parents'
  // client areas and the window. Empty (and kOffscreen) when none of it can.
  TRect bounds;
  // Text fields and password fields: the caret's offset and the selection
  // [selectionStart, selectionEnd), both within value; -1 on other nodes.
  int caret = -1;
  int selectionStart = -1;
  int selectionEnd = -1;
  // Where the caret is drawn while the node has the focus (a one-pixel bar
  // as high as the text), else empty: where a magnifier should look.
  TRect caretBounds;
  // The label that names this node, and the node a label names.
  NodeId labelledBy = kNoNode;
  NodeId labelFor = kNoNode;
};

// One window's tree: nodes[0] is the root (the dialog), the others follow
// depth-first in reading order, each after its parent.
struct AccessibleTree {
  std::vector<AccessibleNode> nodes;

  const AccessibleNode* Find(NodeId id) const {
    for (const AccessibleNode& n : nodes) {
      if (n.id == id) return &n;
    }
    return nullptr;
  }
  // The node with kFocused, or null.
  const AccessibleNode* Focused() const {
    for (const AccessibleNode& n : nodes) {
      if ((n.states & states::kFocused) != 0) return &n;
    }
    return nullptr;
  }
};

enum class Politeness : uint8_t {
  Polite,     // said when the user is idle, after what is being said
  Assertive,  // said at once, interrupting
};

// What changed in a window since its last publication. In one list the
// reports come in this order: WindowShown, or else Structure, then per node
// in tree order Name, Description, Value, States, Bounds, Caret; then
// WindowEnabled or WindowDisabled; then Focus; announcements last.
enum class ChangeKind : uint8_t {
  WindowShown,     // the window was shown (or assistive technology started to listen): the
                   // whole tree is new; Focus follows when a node of it has the focus
  WindowHidden,    // the window was hidden: it has no tree until WindowShown (a window that
                   // is destroyed goes without this report)
  WindowEnabled,   // the root lost kDisabled: a modal dialog above it closed
  WindowDisabled,  // the root got kDisabled: a modal dialog opened above it
  Structure,       // node's children changed (nodes were added or went away)
  Focus,           // node got the keyboard focus (the root: the dialog itself has it)
  Name,            // node's name changed (a solved slot's panel now reads "OK")
  Description,     // node's description changed
  Value,           // node's value changed
  States,          // node's states changed other than kFocused (reported as Focus) and
                   // the root's kDisabled (WindowEnabled / WindowDisabled); oldStates
                   // holds what they were
  Bounds,          // node's bounds changed
  Caret,           // node's caret, selection or caret bounds changed
  Announcement,    // text to be said with politeness, tied to no node
};

struct AccessibleChange {
  ChangeKind kind = ChangeKind::Structure;
  NodeId node = kNoNode;  // the root for window reports, kNoNode for announcements
  uint32_t oldStates = 0;
  std::string text;  // announcements only
  Politeness politeness = Politeness::Polite;
};

}  // namespace tk::platform
