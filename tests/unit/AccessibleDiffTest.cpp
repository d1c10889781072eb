// Which reports a change between two published trees gives, and in which
// order.

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "toolkit/forms/AccessibleTree.h"

namespace {

using namespace tk::platform;

// A dialog (1) holding a panel (2) with a focused field (4), and a button (3).
AccessibleTree Base() {
  AccessibleTree t;
  auto node = [&t](NodeId id, NodeId parent, Role role, uint32_t st, std::vector<NodeId> kids) {
    AccessibleNode n;
    n.id = id;
    n.parent = parent;
    n.role = role;
    n.states = st;
    n.children = std::move(kids);
    n.bounds = tk::TRect{0, 0, 10, 10};
    t.nodes.push_back(n);
  };
  node(1, kNoNode, Role::Dialog, states::kActive, {2, 3});
  node(2, 1, Role::Panel, 0, {4});
  node(4, 2, Role::PasswordField, states::kFocused | states::kFocusable, {});
  node(3, 1, Role::PushButton, 0, {});
  return t;
}

AccessibleNode& At(AccessibleTree& t, NodeId id) {
  for (AccessibleNode& n : t.nodes) {
    if (n.id == id) return n;
  }
  throw std::out_of_range("no such node");
}

TEST(AccessibleDiff, EachChangeGivesItsReportsInOrder) {
  using K = ChangeKind;
  struct Case {
    const char* what;
    std::function<void(AccessibleTree&)> change;
    std::vector<std::pair<K, NodeId>> reports;
  };
  const std::vector<Case> cases = {
      {"nothing", [](AccessibleTree&) {}, {}},
      {"a panel's caption", [](AccessibleTree& t) { At(t, 2).name = "OK"; }, {{K::Name, 2}}},
      {"typing: value and caret",
       [](AccessibleTree& t) {
         At(t, 4).value = "*";
         At(t, 4).caret = 1;
       },
       {{K::Value, 4}, {K::Caret, 4}}},
      {"the focus moves: no States for it",
       [](AccessibleTree& t) {
         At(t, 4).states &= ~states::kFocused;
         At(t, 1).states |= states::kFocused;
       },
       {{K::Focus, 1}}},
      {"a control disabled",
       [](AccessibleTree& t) { At(t, 3).states |= states::kDisabled; },
       {{K::States, 3}}},
      {"a modal dialog above: the window disabled, not the root's States",
       [](AccessibleTree& t) {
         At(t, 1).states = (At(t, 1).states & ~states::kActive) | states::kDisabled;
         At(t, 4).states &= ~states::kFocused;
       },
       {{K::States, 1}, {K::WindowDisabled, 1}}},
      {"a child gone",
       [](AccessibleTree& t) {
         t.nodes.erase(t.nodes.begin() + 2);
         At(t, 2).children.clear();
       },
       {{K::Structure, 2}}},
      {"moved",
       [](AccessibleTree& t) {
         At(t, 3).bounds = tk::TRect{5, 5, 15, 15};
       },
       {{K::Bounds, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AccessibleTree before = Base();
    AccessibleTree after = Base();
    c.change(after);
    std::vector<AccessibleChange> out;
    tk::DiffAccessibleTrees(&before, after, out);
    std::vector<std::pair<K, NodeId>> got;
    for (const AccessibleChange& r : out) got.emplace_back(r.kind, r.node);
    EXPECT_EQ(got, c.reports);
  }
  // A first publication is the whole window, then its focus.
  std::vector<AccessibleChange> out;
  tk::DiffAccessibleTrees(nullptr, Base(), out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].kind, K::WindowShown);
  EXPECT_EQ(out[1].kind, K::Focus);
  EXPECT_EQ(out[1].node, 4u);
}

}  // namespace
