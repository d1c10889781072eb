// What the back ends compute alike from a published tree: pieces of text,
// value and children changes, and the actions refused at once.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/AccessibleTrees.h"
#include "toolkit/platform/AccessibleQueries.h"

namespace tk::platform {
namespace {

TEST(AccessibleQueries, TextAroundAnOffset) {
  struct Case {
    const char* text;
    int offset;
    TextUnit unit;
    int start, end;
  };
  const Case cases[] = {
      {"аб вг", 1, TextUnit::Char, 1, 2},   // characters, not bytes
      {"аб вг", 9, TextUnit::Char, 5, 5},   // past the end: clamped
      {"аб  вг", 1, TextUnit::Word, 0, 4},  // a word takes the spaces after it
      {"аб вг", 4, TextUnit::Word, 3, 5},
      {"аб\nвг", 0, TextUnit::Word, 0, 2},  // ... but not the line break
      {"аб\nвг д", 4, TextUnit::Line, 3, 7},
      {"аб\nвг", 1, TextUnit::Line, 0, 3},  // with its line break
      {"", 0, TextUnit::Line, 0, 0},
  };
  for (const Case& c : cases) {
    auto [s, e] = TextAround(c.text, c.offset, c.unit);
    EXPECT_EQ(s, c.start) << c.text << " @" << c.offset;
    EXPECT_EQ(e, c.end) << c.text << " @" << c.offset;
  }
}

TEST(AccessibleQueries, ValueChangeIsTheChangedMiddleInWholeCharacters) {
  struct Case {
    std::string before, after;
    int at;
    std::string removed, inserted;
  };
  // "б" and "в" share their first byte: the cut must not split a character.
  const Case cases[] = {
      {"абв", "абгдв", 2, "", "гд"}, {"абгдв", "ав", 1, "бгд", ""}, {"аб", "ав", 1, "б", "в"},
      {"", "**", 0, "", "**"},       {"ab", "ab", 2, "", ""},
  };
  for (const Case& c : cases) {
    TextChange t = DiffText(c.before, c.after);
    EXPECT_EQ(t.at, c.at) << c.before << " -> " << c.after;
    EXPECT_EQ(t.removed, c.removed) << c.before << " -> " << c.after;
    EXPECT_EQ(t.inserted, c.inserted) << c.before << " -> " << c.after;
  }
}

TEST(AccessibleQueries, ChildrenThatWentAndCameWithTheirIndexes) {
  AccessibleNode was, now;
  was.children = {2, 3, 4};
  now.children = {2, 5, 4, 6};
  using Moves = std::vector<std::pair<size_t, NodeId>>;
  ChildrenChange c = DiffChildren(&was, now);
  EXPECT_EQ(c.gone, (Moves{{1, 3}}));
  EXPECT_EQ(c.came, (Moves{{1, 5}, {3, 6}}));
  EXPECT_EQ(DiffChildren(nullptr, now).came.size(), 4u);  // a new node: all came
}

TEST(AccessibleQueries, ActionsRefusedByTheTree) {
  AccessibleTree tree;
  AddNode(tree, 1, kNoNode, Role::Dialog, "", {});
  AccessibleNode& button =
      AddNode(tree, 2, 1, Role::PushButton, "", {}, 0, ActionBit(AccessibleAction::Press));
  EXPECT_EQ(RefuseAction(tree, button, AccessibleAction::Press), ActionRefusal::None);
  EXPECT_EQ(RefuseAction(tree, button, AccessibleAction::Focus), ActionRefusal::Unsupported);
  EXPECT_EQ(IndexInParent(tree, tree.nodes[1]), 0);
  EXPECT_EQ(IndexInParent(tree, tree.nodes[0]), -1);
  tree.nodes[0].states = states::kDisabled;  // beneath a modal dialog
  EXPECT_EQ(RefuseAction(tree, tree.nodes[1], AccessibleAction::Press), ActionRefusal::Disabled);
}

}  // namespace
}  // namespace tk::platform
