#include "toolkit/platform/AccessibleQueries.h"

#include <algorithm>

#include "toolkit/text/Ansi.h"

namespace tk::platform {

namespace {

bool Continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool Lists(const AccessibleNode* n, NodeId id) {
  return n != nullptr && std::find(n->children.begin(), n->children.end(), id) != n->children.end();
}

}  // namespace

bool IsTextRole(Role role) {
  return role == Role::TextField || role == Role::PasswordField || role == Role::TextArea;
}

bool IsWindowRole(Role role) {
  return role == Role::Dialog || role == Role::Alert;
}

ActionRefusal RefuseAction(const AccessibleTree& tree, const AccessibleNode& node,
                           AccessibleAction action) {
  if ((node.actions & ActionBit(action)) == 0) return ActionRefusal::Unsupported;
  uint32_t rootStates = tree.nodes.empty() ? 0 : tree.nodes.front().states;
  if (((node.states | rootStates) & states::kDisabled) != 0) return ActionRefusal::Disabled;
  return ActionRefusal::None;
}

Event AccessibleActionEvent(WindowId window, NodeId node, AccessibleAction action,
                            std::string text) {
  Event e = WindowEvent(EventKind::AccessibleAction, window);
  e.node = node;
  e.action = action;
  e.text = std::move(text);
  return e;
}

int IndexInParent(const AccessibleTree& tree, const AccessibleNode& node) {
  const AccessibleNode* parent = tree.Find(node.parent);
  if (parent == nullptr) return -1;
  auto at = std::find(parent->children.begin(), parent->children.end(), node.id);
  return at == parent->children.end() ? -1 : static_cast<int>(at - parent->children.begin());
}

ChildrenChange DiffChildren(const AccessibleNode* was, const AccessibleNode& now) {
  ChildrenChange change;
  if (was != nullptr) {
    for (size_t i = 0; i < was->children.size(); ++i) {
      if (!Lists(&now, was->children[i])) change.gone.emplace_back(i, was->children[i]);
    }
  }
  for (size_t i = 0; i < now.children.size(); ++i) {
    if (!Lists(was, now.children[i])) change.came.emplace_back(i, now.children[i]);
  }
  return change;
}

TextChange DiffText(const std::string& before, const std::string& after) {
  size_t prefix = 0;
  while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
    ++prefix;
  while (prefix > 0 && Continuation(after[prefix])) --prefix;
  size_t suffix = 0;
  while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
    ++suffix;
  while (suffix > 0 && Continuation(after[after.size() - suffix])) --suffix;
  TextChange change;
  change.at = CharCount(after.substr(0, prefix));
  change.removed = before.substr(prefix, before.size() - suffix - prefix);
  change.inserted = after.substr(prefix, after.size() - suffix - prefix);
  return change;
}

int CharCount(const std::string& utf8) {
  return static_cast<int>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return !Continuation(c); }));
}

std::pair<int, int> TextAround(const std::string& utf8, int offset, TextUnit unit) {
  std::u32string chars;
  for (size_t pos = 0; pos < utf8.size();) chars.push_back(NextUtf8(utf8, pos));
  int n = static_cast<int>(chars.size());
  auto at = [&](int i) { return chars[static_cast<size_t>(i)]; };
  offset = std::clamp(offset, 0, n);
  int s = offset;
  int e = std::min(offset + 1, n);
  if (unit == TextUnit::Word) {
    auto space = [&](int i) { return at(i) == U' ' || at(i) == U'\n'; };
    while (s > 0 && !space(s - 1)) --s;
    e = offset;
    while (e < n && !space(e)) ++e;
    while (e < n && space(e) && at(e) != U'\n') ++e;
  } else if (unit == TextUnit::Line) {
    while (s > 0 && at(s - 1) != U'\n') --s;
    e = offset;
    while (e < n && at(e) != U'\n') ++e;
    if (e < n) ++e;
  }
  return {s, e};
}

}  // namespace tk::platform
