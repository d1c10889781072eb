#include "toolkit/platform/web/DomMirror.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string_view>

#include "toolkit/platform/AccessibleQueries.h"

namespace tk::platform::web {

namespace {

// The page's names of the roles, in the order of Role.
constexpr const char* kRoleNames[] = {"dialog",     "alertdialog", "panel",         "label",
                                      "status",     "textfield",   "passwordfield", "textarea",
                                      "pushbutton", "image"};

const char* RoleName(Role role) {
  return ByRole(kRoleNames, role);
}

// Appends text as a JSON string; the text is UTF-8 already.
void AppendString(std::string& out, std::string_view text) {
  out.push_back('"');
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  out.push_back('"');
}

void AppendField(std::string& out, std::string_view name, std::string_view text) {
  out += ",\"";
  out += name;
  out += "\":";
  AppendString(out, text);
}

void AppendField(std::string& out, std::string_view name, long long n) {
  out += ",\"";
  out += name;
  out += "\":";
  out += std::to_string(n);
}

}  // namespace

void DomMirror::Open() {
  out_.push_back(out_.empty() ? '[' : ',');
}

void DomMirror::WindowOperation(WindowId window, const AccessibleTree& tree, bool fresh) {
  const AccessibleNode& root = tree.nodes[0];
  Open();
  out_ += "{\"o\":\"win\"";
  AppendField(out_, "w", window);
  AppendField(out_, "id", root.id);
  AppendField(out_, "role", RoleName(root.role));
  AppendField(out_, "name", root.name);
  AppendField(out_, "desc", root.description);
  AppendField(out_, "modal", (root.states & states::kModal) != 0);
  AppendField(out_, "inert", (root.states & states::kDisabled) != 0);
  AppendField(out_, "new", fresh);
  const TRect& b = root.bounds;
  out_ += ",\"b\":[" + std::to_string(b.Left) + "," + std::to_string(b.Top) + "," +
          std::to_string(b.Width()) + "," + std::to_string(b.Height()) + "]";
  out_.push_back('}');
}

void DomMirror::NodeOperation(WindowId window, const AccessibleNode& node) {
  Open();
  out_ += "{\"o\":\"node\"";
  AppendField(out_, "w", window);
  AppendField(out_, "id", node.id);
  AppendField(out_, "parent", node.parent);
  AppendField(out_, "role", RoleName(node.role));
  AppendField(out_, "name", node.name);
  AppendField(out_, "desc", node.description);
  AppendField(out_, "value", node.value);
  AppendField(out_, "states", node.states);
  AppendField(out_, "actions", node.actions);
  const TRect& b = node.bounds;
  out_ += ",\"b\":[" + std::to_string(b.Left) + "," + std::to_string(b.Top) + "," +
          std::to_string(b.Width()) + "," + std::to_string(b.Height()) + "]";
  out_ += ",\"sel\":[" + std::to_string(node.selectionStart) + "," +
          std::to_string(node.selectionEnd) + "," + std::to_string(node.caret) + "]";
  AppendField(out_, "label", node.labelFor);
  out_.push_back('}');
}

void DomMirror::NodeAndBeneath(WindowId window, const AccessibleTree& tree,
                               const AccessibleNode& node) {
  NodeOperation(window, node);
  for (NodeId child : node.children) {
    if (const AccessibleNode* c = tree.Find(child)) NodeAndBeneath(window, tree, *c);
  }
}

void DomMirror::Publish(WindowId window, std::shared_ptr<const AccessibleTree> tree,
                        const std::vector<AccessibleChange>& changes) {
  Kept& kept = windows_[window];
  std::shared_ptr<const AccessibleTree> before = std::move(kept.tree);
  kept.tree = tree;
  // Nodes brought up to date in this publication: one operation each.
  std::set<NodeId> told;
  bool windowTold = false;
  auto node = [&](NodeId id) {
    if (tree == nullptr || told.count(id) != 0) return;
    const AccessibleNode* n = tree->Find(id);
    if (n == nullptr) return;
    told.insert(id);
    if (n == &tree->nodes[0]) {
      if (!windowTold) WindowOperation(window, *tree, false);
      windowTold = true;
    } else {
      NodeOperation(window, *n);
    }
  };
  for (const AccessibleChange& c : changes) {
    switch (c.kind) {
      case ChangeKind::WindowShown:
        if (tree == nullptr || tree->nodes.empty()) break;
        WindowOperation(window, *tree, true);
        windowTold = true;
        for (size_t i = 1; i < tree->nodes.size(); ++i) {
          told.insert(tree->nodes[i].id);
          NodeOperation(window, tree->nodes[i]);
        }
        // A new element: its place is told again.
        kept.z = -1;
        break;
      case ChangeKind::WindowHidden:
        Open();
        out_ += "{\"o\":\"hide\"";
        AppendField(out_, "w", window);
        out_.push_back('}');
        windows_.erase(window);
        return;
      case ChangeKind::Structure: {
        const AccessibleNode* now = tree != nullptr ? tree->Find(c.node) : nullptr;
        if (now == nullptr) break;
        const AccessibleNode* was = before != nullptr ? before->Find(c.node) : nullptr;
        if (was != nullptr) {
          for (NodeId gone : was->children) {
            if (std::find(now->children.begin(), now->children.end(), gone) ==
                now->children.end()) {
              Open();
              out_ += "{\"o\":\"drop\"";
              AppendField(out_, "id", gone);
              out_.push_back('}');
            }
          }
        }
        for (NodeId child : now->children) {
          const AccessibleNode* n = tree->Find(child);
          bool added = was == nullptr || std::find(was->children.begin(), was->children.end(),
                                                   child) == was->children.end();
          if (n != nullptr && added) {
            // Everything beneath a new child is new to the page too.
            NodeAndBeneath(window, *tree, *n);
            told.insert(child);
          }
        }
        Open();
        out_ += "{\"o\":\"order\"";
        AppendField(out_, "id", c.node);
        out_ += ",\"kids\":[";
        for (size_t i = 0; i < now->children.size(); ++i) {
          if (i > 0) out_.push_back(',');
          out_ += std::to_string(now->children[i]);
        }
        out_ += "]}";
        break;
      }
      case ChangeKind::Name:
      case ChangeKind::Description:
      case ChangeKind::Value:
      case ChangeKind::States:
      case ChangeKind::Bounds:
      case ChangeKind::Caret:
      case ChangeKind::WindowEnabled:
      case ChangeKind::WindowDisabled:
        node(c.node);
        break;
      case ChangeKind::Focus:
        Open();
        out_ += "{\"o\":\"focus\"";
        AppendField(out_, "id", c.node);
        out_.push_back('}');
        break;
      case ChangeKind::Announcement:
        Open();
        out_ += "{\"o\":\"say\"";
        AppendField(out_, "text", c.text);
        AppendField(out_, "assertive", c.politeness == Politeness::Assertive);
        out_.push_back('}');
        break;
    }
  }
  if (tree == nullptr) windows_.erase(window);
}

void DomMirror::Forget(WindowId window) {
  if (windows_.erase(window) == 0) return;
  Open();
  out_ += "{\"o\":\"hide\"";
  AppendField(out_, "w", window);
  out_.push_back('}');
}

void DomMirror::Place(WindowId window, TPoint clientOrigin, int z) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return;
  Kept& kept = it->second;
  if (kept.z == z && kept.origin == clientOrigin) return;
  kept.origin = clientOrigin;
  kept.z = z;
  Open();
  out_ += "{\"o\":\"place\"";
  AppendField(out_, "w", window);
  AppendField(out_, "x", clientOrigin.X);
  AppendField(out_, "y", clientOrigin.Y);
  AppendField(out_, "z", z);
  out_.push_back('}');
}

std::vector<WindowId> DomMirror::Windows() const {
  std::vector<WindowId> out;
  for (const auto& [id, kept] : windows_) out.push_back(id);
  return out;
}

std::string DomMirror::TakeOperations() {
  if (out_.empty()) return {};
  out_.push_back(']');
  std::string out;
  out.swap(out_);
  return out;
}

const AccessibleNode* DomMirror::Find(NodeId node, WindowId* window) const {
  for (const auto& [id, kept] : windows_) {
    if (kept.tree == nullptr) continue;
    if (const AccessibleNode* n = kept.tree->Find(node)) {
      if (window != nullptr) *window = id;
      return n;
    }
  }
  if (window != nullptr) *window = kNoWindow;
  return nullptr;
}

const AccessibleTree* DomMirror::Tree(WindowId window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.tree.get();
}

const AccessibleNode* DomMirror::Focused(WindowId window) const {
  const AccessibleTree* tree = Tree(window);
  return tree == nullptr ? nullptr : tree->Focused();
}

}  // namespace tk::platform::web
