#include "toolkit/forms/AccessibleTree.h"

#include <algorithm>
#include <unordered_map>

#include "toolkit/forms/Application.h"
#include "toolkit/forms/Form.h"

namespace tk {

namespace {

using platform::AccessibleChange;
using platform::AccessibleNode;
using platform::AccessibleTree;
using platform::ChangeKind;
using platform::NodeId;
using platform::Role;
namespace states = platform::states;

bool IsTextField(Role role) {
  return role == Role::TextField || role == Role::PasswordField || role == Role::TextArea;
}

class Builder {
 public:
  Builder(const TCustomForm& form, bool active, AccessibleTree& tree)
      : form_(form), active_(active), tree_(tree) {}

  void Build() {
    // Every control the dialog owns, at most, and the dialog.
    tree_.nodes.reserve(form_.Components().size() + 1);
    AccessibleNode root;
    root.id = form_.AccessibleId();
    root.bounds = TRect{0, 0, form_.ClientWidth(), form_.ClientHeight()};
    const TWinControl* focused = form_.ActiveControl();
    bool controlFocused = focused != nullptr && focused->CanFocus();
    if (active_) root.states |= states::kActive;
    if (active_ && !controlFocused) root.states |= states::kFocused;
    if (form_.Modal()) root.states |= states::kModal;
    if (!form_.WindowEnabled()) root.states |= states::kDisabled;
    root.actions = platform::ActionBit(platform::AccessibleAction::Focus);
    form_.DescribeAccessible(root);
    Override(form_, root);
    tree_.nodes.push_back(std::move(root));
    AddChildren(form_, 0, tree_.nodes[0].bounds);
  }

 private:
  // Adds the shown children of parent (whose node is at parentIndex and
  // whose visible part is clip, in client coordinates), each followed by
  // its own children.
  void AddChildren(const TWinControl& parent, size_t parentIndex, const TRect& clip) {
    std::vector<TControl*> shown;
    for (TControl* c : parent.Children()) {
      if (c->Visible()) shown.push_back(c);
    }
    // Describe them in the description's order, where the label rule looks.
    std::vector<std::pair<const TControl*, AccessibleNode>> described;
    described.reserve(shown.size());
    for (const TControl* c : shown) {
      AccessibleNode node;
      if (Describe(*c, parentIndex, clip, node)) described.emplace_back(c, std::move(node));
    }
    NameFieldsByLabels(described);
    std::vector<size_t> order(described.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&described](size_t a, size_t b) {
      TRect ra = described[a].first->BoundsRect();
      TRect rb = described[b].first->BoundsRect();
      return ra.Top != rb.Top ? ra.Top < rb.Top : ra.Left < rb.Left;
    });
    for (size_t i : order) {
      auto& [control, node] = described[i];
      tree_.nodes[parentIndex].children.push_back(node.id);
      TRect bounds = node.bounds;
      size_t index = tree_.nodes.size();
      tree_.nodes.push_back(std::move(node));
      if (control->IsWindowed()) {
        AddChildren(static_cast<const TWinControl&>(*control), index, bounds);
      }
    }
  }

  bool Describe(const TControl& c, size_t parentIndex, const TRect& clip, AccessibleNode& node) {
    node.id = c.AccessibleId();
    node.parent = tree_.nodes[parentIndex].id;
    TPoint o = c.OriginInForm();
    node.bounds = TRect::FromSize(o.X, o.Y, c.Width(), c.Height()).Intersect(clip);
    if (node.bounds.IsEmpty()) node.states |= states::kOffscreen;
    if (!c.EnabledInTree()) node.states |= states::kDisabled;
    if (c.IsWindowed()) {
      const auto& w = static_cast<const TWinControl&>(c);
      if (w.TabStop()) {
        node.actions |= platform::ActionBit(platform::AccessibleAction::Focus);
        if (w.CanFocus()) node.states |= states::kFocusable;
      }
      if (active_ && form_.ActiveControl() == &w && w.CanFocus()) node.states |= states::kFocused;
    }
    if (!c.DescribeAccessible(node)) return false;
    Override(c, node);
    return true;
  }

  static void Override(const TControl& c, AccessibleNode& node) {
    if (c.HasAccessibleRole()) node.role = c.AccessibleRole();
    if (!c.AccessibleName().empty()) node.name = AnsiToUtf8(c.AccessibleName());
  }

  // A field without a name takes the nearest label before it that names no
  // other field.
  static void NameFieldsByLabels(std::vector<std::pair<const TControl*, AccessibleNode>>& nodes) {
    AccessibleNode* label = nullptr;
    for (auto& entry : nodes) {
      AccessibleNode& node = entry.second;
      if (node.role == Role::Label) {
        label = &node;
      } else if (IsTextField(node.role) && node.name.empty() && label != nullptr) {
        node.name = label->name;
        node.labelledBy = label->id;
        label->labelFor = node.id;
        label = nullptr;
      }
    }
  }

  const TCustomForm& form_;
  bool active_;
  AccessibleTree& tree_;
};

// The state bits that States reports cover: the focus has reports of its
// own, and so has the window being disabled.
uint32_t ReportedStates(const AccessibleNode& node, bool root) {
  uint32_t mask = ~states::kFocused;
  if (root) mask &= ~states::kDisabled;
  return node.states & mask;
}

bool SameCaret(const AccessibleNode& a, const AccessibleNode& b) {
  return a.caret == b.caret && a.selectionStart == b.selectionStart &&
         a.selectionEnd == b.selectionEnd && a.caretBounds == b.caretBounds;
}

TControl* FindControl(const TWinControl& parent, NodeId id) {
  for (TControl* c : parent.Children()) {
    if (c->AccessibleId() == id) return c;
    if (c->IsWindowed()) {
      if (TControl* found = FindControl(static_cast<const TWinControl&>(*c), id)) return found;
    }
  }
  return nullptr;
}

}  // namespace

std::shared_ptr<AccessibleTree> BuildAccessibleTree(const TCustomForm& form, bool active) {
  auto tree = std::make_shared<AccessibleTree>();
  Builder(form, active, *tree).Build();
  return tree;
}

void DiffAccessibleTrees(const AccessibleTree* before, const AccessibleTree& after,
                         std::vector<AccessibleChange>& out) {
  auto report = [&out](ChangeKind kind, NodeId node, uint32_t oldStates = 0) {
    AccessibleChange change;
    change.kind = kind;
    change.node = node;
    change.oldStates = oldStates;
    out.push_back(std::move(change));
  };
  const AccessibleNode* focused = after.Focused();
  if (before == nullptr || before->nodes.empty()) {
    report(ChangeKind::WindowShown, after.nodes[0].id);
    if (focused != nullptr) report(ChangeKind::Focus, focused->id);
    return;
  }
  std::unordered_map<NodeId, const AccessibleNode*> old;
  for (const AccessibleNode& n : before->nodes) old.emplace(n.id, &n);
  auto was = [&old](NodeId id) -> const AccessibleNode* {
    auto it = old.find(id);
    return it == old.end() ? nullptr : it->second;
  };
  for (const AccessibleNode& n : after.nodes) {
    const AccessibleNode* o = was(n.id);
    if (o != nullptr && o->children != n.children) report(ChangeKind::Structure, n.id);
  }
  for (const AccessibleNode& n : after.nodes) {
    const AccessibleNode* o = was(n.id);
    if (o == nullptr) continue;
    bool root = &n == &after.nodes[0];
    if (o->name != n.name) report(ChangeKind::Name, n.id);
    if (o->description != n.description) report(ChangeKind::Description, n.id);
    if (o->value != n.value) report(ChangeKind::Value, n.id);
    if (ReportedStates(*o, root) != ReportedStates(n, root)) {
      report(ChangeKind::States, n.id, o->states);
    }
    if (o->bounds != n.bounds) report(ChangeKind::Bounds, n.id);
    if (!SameCaret(*o, n)) report(ChangeKind::Caret, n.id);
  }
  const AccessibleNode& root = after.nodes[0];
  bool wasDisabled = (before->nodes[0].states & states::kDisabled) != 0;
  bool isDisabled = (root.states & states::kDisabled) != 0;
  if (wasDisabled != isDisabled) {
    report(isDisabled ? ChangeKind::WindowDisabled : ChangeKind::WindowEnabled, root.id);
  }
  const AccessibleNode* wasFocused = before->Focused();
  if (focused != nullptr && (wasFocused == nullptr || wasFocused->id != focused->id)) {
    report(ChangeKind::Focus, focused->id);
  }
}

void ApplyAccessibleAction(TApplication& app, TCustomForm& form, const platform::Event& e) {
  using platform::AccessibleAction;
  if (!form.FormVisible() || !form.WindowEnabled()) return;
  TWinControl* target = nullptr;
  if (e.node != form.AccessibleId()) {
    TControl* control = FindControl(form, e.node);
    if (control == nullptr || !control->Showing() || !control->EnabledInTree()) return;
    if (e.action != AccessibleAction::Focus) {
      control->DoAccessibleAction(e.action, e.text);
      return;
    }
    if (!control->IsWindowed()) return;
    target = static_cast<TWinControl*>(control);
    if (!target->TabStop() || !target->CanFocus()) return;
  } else if (e.action != AccessibleAction::Focus) {
    return;
  }
  // Focus: the window becomes the active one, as a click into it would
  // make it, and the control (if any) gets the focus.
  if (app.ActiveForm() != &form) app.ActivateWindow(&form);
  app.SetFocusedForm(&form);
  if (target != nullptr) form.FocusControl(target);
}

void AccessibilityPublisher::Publish(platform::Platform& platform,
                                     const std::vector<TCustomForm*>& windows,
                                     const TCustomForm* active) {
  listening_ = true;
  struct Publication {
    platform::WindowId window;
    std::shared_ptr<const AccessibleTree> tree;
    std::vector<AccessibleChange> changes;
  };
  std::vector<Publication> out;
  for (TCustomForm* form : windows) {
    if (!form->FormVisible()) {
      auto it = std::find_if(entries_.begin(), entries_.end(),
                             [form](const Entry& e) { return e.form == form; });
      if (it == entries_.end()) continue;
      if (it->tree != nullptr) {
        AccessibleChange hidden;
        hidden.kind = ChangeKind::WindowHidden;
        hidden.node = it->tree->nodes[0].id;
        out.push_back({form->WindowId(), nullptr, {hidden}});
      }
      entries_.erase(it);
      continue;
    }
    Entry& entry = EntryOf(*form);
    bool changed = form->TakeAccessibleChange();
    bool isActive = form == active;
    if (entry.tree != nullptr && !changed && entry.active == isActive &&
        entry.announcements.empty()) {
      continue;
    }
    std::shared_ptr<const AccessibleTree> tree = BuildAccessibleTree(*form, isActive);
    Publication p{form->WindowId(), tree, {}};
    DiffAccessibleTrees(entry.tree.get(), *tree, p.changes);
    for (AccessibleChange& a : entry.announcements) p.changes.push_back(std::move(a));
    entry.announcements.clear();
    entry.tree = std::move(tree);
    entry.active = isActive;
    if (!p.changes.empty()) out.push_back(std::move(p));
  }
  // The focus is told last, after what it left.
  std::stable_partition(out.begin(), out.end(), [](const Publication& p) {
    return std::none_of(p.changes.begin(), p.changes.end(),
                        [](const AccessibleChange& c) { return c.kind == ChangeKind::Focus; });
  });
  for (Publication& p : out) platform.PublishAccessibility(p.window, p.tree, p.changes);
}

void AccessibilityPublisher::ResetListening() {
  entries_.clear();
  listening_ = false;
}

void AccessibilityPublisher::Forget(const TCustomForm& form) {
  std::erase_if(entries_, [&form](const Entry& e) { return e.form == &form; });
}

void AccessibilityPublisher::Announce(const TCustomForm& form, const AnsiString& text,
                                      platform::Politeness politeness) {
  if (!listening_ || !form.FormVisible() || text.empty()) return;
  AccessibleChange a;
  a.kind = ChangeKind::Announcement;
  // Line breaks as the tree has them.
  AnsiString lines = text;
  std::replace(lines.begin(), lines.end(), '\r', '\n');
  a.text = AnsiToUtf8(lines);
  a.politeness = politeness;
  EntryOf(form).announcements.push_back(std::move(a));
}

AccessibilityPublisher::Entry& AccessibilityPublisher::EntryOf(const TCustomForm& form) {
  for (Entry& e : entries_) {
    if (e.form == &form) return e;
  }
  entries_.push_back(Entry{&form, nullptr, false, {}});
  return entries_.back();
}

}  // namespace tk
