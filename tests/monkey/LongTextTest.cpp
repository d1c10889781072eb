// Very long input into a field: a pasted clipboard of hundreds of thousands
// of characters must not freeze the program, and the field still scrolls so
// that the caret stays in view.

#include <gtest/gtest.h>

#include "CpuTime.h"
#include "Driver.h"
#include "toolkit/paint/Font.h"

namespace mirvolant::testing {
namespace {

using tk::platform::Key;

// The caret is in view, and the field scrolled no further than needed.
void ExpectCaretJustInView(const tk::TMaskEdit& e) {
  const tk::Font& font = e.GetFont();
  std::string shown = e.DisplayText();
  std::string_view beforeCaret = std::string_view(shown).substr(0, e.CaretPos());
  int area = e.TextArea().Width();
  int s = e.ScrollOffset();
  EXPECT_LT(font.TextWidth(beforeCaret.substr(s)), area);
  if (s > 0) {
    EXPECT_GE(font.TextWidth(beforeCaret.substr(s - 1)), area);
  }
}

TEST(LongText, HugePasteAndTypingStayFastAndKeepTheCaretInView) {
  TestApp t;
  double start = CpuSeconds();
  t.Then([&] {
    ASSERT_EQ(t.d1->ActiveControl(), t.d1->Edit1);
    t.platform.Paste(t.d1->WindowId(), std::string(300000, 'x'));
    // A burst of typing at the end of it.
    t.Type(t.d1, std::string(2000, 'y'));
  });
  t.Then([&] {
    tk::TMaskEdit& e = *t.d1->Edit1;
    ASSERT_EQ(e.Text().size(), 302000u);
    EXPECT_EQ(e.CaretPos(), 302000);
    EXPECT_GT(e.ScrollOffset(), 301000);
    ExpectCaretJustInView(e);
    t.Key(t.d1, Key::Home);
  });
  t.Then([&] {
    EXPECT_EQ(t.d1->Edit1->ScrollOffset(), 0);
    t.Key(t.d1, Key::End, tk::platform::kShift);
  });
  t.Then([&] {
    // Selecting everything from the start scrolls back to the end.
    EXPECT_EQ(t.d1->Edit1->SelLength(), 302000);
    ExpectCaretJustInView(*t.d1->Edit1);
    t.Type(t.d1, "z");
  });
  t.Then([&] {
    EXPECT_EQ(t.d1->Edit1->Text(), "z");
    EXPECT_EQ(t.d1->Edit1->ScrollOffset(), 0);
  });
  t.Run();
  double cpu = CpuSeconds() - start;
  EXPECT_LT(cpu, 5.0);
}

}  // namespace
}  // namespace mirvolant::testing
