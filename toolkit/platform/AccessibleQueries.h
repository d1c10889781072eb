#pragma once
// What every back end that maps the accessible tree computes alike from the
// last published tree: which roles carry text or stand for a window, whether
// an action can be asked of a node at all, how a node's children or value
// changed between two trees, and the piece of text around an offset. Each
// back end only turns the answers into its platform's terms.

#include <string>
#include <utility>
#include <vector>

#include "toolkit/platform/Platform.h"

namespace tk::platform {

// The entry for a role in a back end's table of one entry per role, listed
// in the order of Role.
template <class T, size_t N>
constexpr T ByRole(const T (&table)[N], Role role) {
  static_assert(N == kRoleCount, "one entry per role");
  return table[static_cast<size_t>(role)];
}

// A node whose value is text (a field or a text area).
bool IsTextRole(Role role);
// A node that stands for a top-level window (a dialog or an error box).
bool IsWindowRole(Role role);

// Why an action asked by assistive technology is refused at once: the node
// does not support it, or the node or its window takes no input. The toolkit
// judges the rest when the action arrives.
enum class ActionRefusal { None, Unsupported, Disabled };
ActionRefusal RefuseAction(const AccessibleTree& tree, const AccessibleNode& node,
                           AccessibleAction action);
// The event that carries the action to the toolkit.
Event AccessibleActionEvent(WindowId window, NodeId node, AccessibleAction action,
                            std::string text = {});

// The place of a node among its parent's children, -1 for a root or a node
// its parent does not list.
int IndexInParent(const AccessibleTree& tree, const AccessibleNode& node);

// The children that went from a node and those that came to it, each with
// its index in the list it stands in (the old one for those that went).
struct ChildrenChange {
  std::vector<std::pair<size_t, NodeId>> gone;
  std::vector<std::pair<size_t, NodeId>> came;
};
ChildrenChange DiffChildren(const AccessibleNode* was, const AccessibleNode& now);

// A change of a UTF-8 value as one removal and one insertion at the same
// character offset: the changed middle, cut at whole characters.
struct TextChange {
  int at = 0;            // characters before the change
  std::string removed;   // empty when nothing went
  std::string inserted;  // empty when nothing came
};
TextChange DiffText(const std::string& before, const std::string& after);

// The number of characters of a UTF-8 text.
int CharCount(const std::string& utf8);

// The piece of a UTF-8 text around a character offset, as character offsets
// [start, end): the character itself, its word (up to and with the spaces
// after it, stopping at a line's end) or its line (with the line break).
enum class TextUnit { Char, Word, Line };
std::pair<int, int> TextAround(const std::string& utf8, int offset, TextUnit unit);

}  // namespace tk::platform
