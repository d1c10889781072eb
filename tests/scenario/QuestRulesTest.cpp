// The quest's finer rules: what wrong codes change, how missions behave when
// reopened or left running hidden, and how start-up fails.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Driver.h"
#include "toolkit/components/Timer.h"

namespace mirvolant::testing {
namespace {

using tk::operator""_ansi;

TEST(BoardRules, WrongCodesChangeNothingButTheLowerCasing) {
  Driver q;
  q.Then([&] {
    q.Enter(Form1->MaskEdit5, "ЖУФА");     // Cyrillic capitals are not folded
    q.Enter(Form1->MaskEdit1, " GG38TT");  // a leading blank
    q.Enter(Form1->MaskEdit2, "72M");      // a prefix
    q.Enter(Form1->MaskEdit3, "3&99");     // longer
    q.Enter(Form1->MaskEdit4, "");         // Enter in an empty field
    q.Key(Form1, tk::platform::Key::Escape);
  });
  q.Then([&] {
    EXPECT_EQ(SolvedCount, 0);
    EXPECT_EQ(Form1->MaskEdit5->Text(), "ЖУФА"_ansi);
    EXPECT_EQ(Form1->MaskEdit1->Text(), " gg38tt");
    EXPECT_EQ(Form1->MaskEdit2->Text(), "72m");
    EXPECT_EQ(Form1->MaskEdit3->Text(), "3&99");
    for (int n = 1; n <= 9; ++n) {
      EXPECT_TRUE(Form1->SlotControls(n).field->Visible());
      EXPECT_EQ(Form1->SlotControls(n).panel->Caption(), "");
    }
    EXPECT_TRUE(Form1->FormVisible());  // Escape closed nothing
    // A right code in capitals, checked by the slot's button.
    q.Click(Form1->MaskEdit1);
    q.Key(Form1, tk::platform::Key::A, tk::platform::kCtrl);
    q.Type(Form1, "GG38TT");
    q.Click(Form1->SpeedButton1);
  });
  q.Then([&] {
    EXPECT_EQ(SolvedCount, 1);
    EXPECT_EQ(Form1->MaskEdit1->Text(), "gg38tt");
    EXPECT_FALSE(Form1->SpeedButton1->Visible());
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST(BoardRules, TabSkipsSolvedSlotsAndWraps) {
  Driver q;
  q.Then([&] { q.Enter(Form1->MaskEdit2, "72m%"); });
  q.Then([&] {
    // Solving slot 2 hid the focused field: the focus is with the dialog.
    EXPECT_EQ(Form1->ActiveControl(), nullptr);
    q.Click(Form1->MaskEdit1);
    q.Key(Form1, tk::platform::Key::Tab);
  });
  q.Then([&] {
    EXPECT_EQ(Form1->ActiveControl(), Form1->MaskEdit3);
    q.Click(Form1->MaskEdit9);
    q.Key(Form1, tk::platform::Key::Tab);
  });
  q.Then([&] {
    EXPECT_EQ(Form1->ActiveControl(), Form1->MaskEdit1);
    q.Key(Form1, tk::platform::Key::Tab, tk::platform::kShift);
  });
  q.Then([&] { EXPECT_EQ(Form1->ActiveControl(), Form1->MaskEdit9); });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST(PathRules, PrefixOpensNothingAndTabNeverReachesTheMemo) {
  Driver q;
  q.SolveBoard();
  // The second path's code is a prefix of the first's.
  q.Then([&] { q.Enter(Form2->MaskEdit1, "hhh"); });
  q.Then([&] {
    EXPECT_FALSE(Form3->FormVisible());
    EXPECT_EQ(Form2->ActiveControl(), Form2->MaskEdit1);
    for (auto* expected : {Form2->MaskEdit2, Form2->MaskEdit3, Form2->MaskEdit1}) {
      q.Key(Form2, tk::platform::Key::Tab);
      q.Then([expected] { EXPECT_EQ(Form2->ActiveControl(), expected); });
    }
  });
  q.Then([&] { q.Close(Form2); });
  // Nothing can open the path choice again.
  q.Then([&] { EXPECT_FALSE(Form2->FormVisible()); });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST(MissionRules, HiddenMissionMovesOnThroughItsPhases) {
  Driver q;
  q.OpenPath(3);
  q.Then([&] { q.Click(Form5->SpeedButton1); });  // "Закрыть" in phase 1
  q.Then([&] {
    EXPECT_FALSE(Form5->FormVisible());
    q.Seconds(3600);
  });
  q.Then([&] {
    // The timers went on while the dialog was hidden.
    EXPECT_EQ(Form5->Label1->Caption(), "Вирус активирован, введите код слива: 5335K"_ansi);
    EXPECT_EQ(unit5::SecondsLeft, 0);
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST(MissionRules, ReopeningRestartsPhaseOneWithOnlyOneTimerCounting) {
  Driver q;
  q.OpenPath(2);
  q.Wait(1500);  // into phase 2
  q.Then([&] {
    EXPECT_TRUE(Form4->Timer2->Enabled());
    q.Close(Form4);
  });
  q.Then([&] { q.EnterPath(2); });
  q.Then([&] {
    EXPECT_FALSE(Form4->Timer2->Enabled());
    EXPECT_TRUE(Form4->Timer1->Enabled());
    q.Seconds(10);
  });
  q.Then([&] {
    // One countdown, one second a second.
    EXPECT_EQ(unit4::SecondsLeft, 1190);
    EXPECT_EQ(Form4->Label2->Caption(), "До активации 1-ой части вируса осталось: 1190 сек."_ansi);
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST(MissionRules, MysterySuccessDuringThePictureUncoversTheEngineCode) {
  Driver q;
  q.OpenPath(1);
  q.Wait(1300);
  q.Then([&] {
    EXPECT_TRUE(Form3->Image1->Visible());
    q.EnterDrain(Form3);
  });
  q.Then([&] {
    EXPECT_FALSE(Form3->Image1->Visible());
    EXPECT_EQ(Form3->Label1->Caption(), "Код: 66$6\rВбейте в движок 10 уровня."_ansi);
    EXPECT_FALSE(Form3->Timer2->Enabled());
    q.Close(Form3);
  });
  q.Then([&] { q.EnterPath(1); });
  q.Then([&] {
    // Reopened: the picture of the last showing does not cover the task.
    EXPECT_FALSE(Form3->Image1->Visible());
    EXPECT_EQ(Form3->Label1->Caption().substr(0, 8), "Задание:"_ansi);
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST(MissionRules, EscapeAcceptsEitherCaseVictoryOnlyTheExactCode) {
  Driver q;
  q.OpenPath(2);
  q.Then([&] { q.Enter(Form4->MaskEdit1, "406?& "); });
  q.Then([&] {
    EXPECT_FALSE(Form3->FormVisible());
    EXPECT_EQ(Form4->MaskEdit1->Text(), "406?& ");  // compared exactly, not lowered
    q.Close(Form4);
  });
  q.Then([&] { q.EnterPath(3); });
  q.Then([&] { q.EnterDrain(Form5); });
  q.Then([&] {
    EXPECT_TRUE(Form4->FormVisible());
    q.Close(Form4);
  });
  q.Then([&] { EXPECT_FALSE(Form5->FormVisible()); });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST(StartUp, FailuresEndWithExitCodeOneAndTheirMessage) {
  std::string form2(*EmbeddedDescription("TFORM2"));
  size_t at = form2.find("OnClick = SpeedButton4Click");
  ASSERT_NE(at, std::string::npos);
  form2.replace(at, 27, "OnClick = SpeedButton9Click");
  // The message goes to the error stream and into the toolkit's box; only
  // when not even the box gets a window does the program's own fallback
  // report it (the system's message box on Windows).
  const struct {
    const char* name;
    std::function<void(Driver&)> setUp;
    const char* message;
    bool boxShown;
  } cases[] = {
      {"MissingDescription", [](Driver& q) { q.overrides["TFORM3"] = std::nullopt; },
       "Resource TForm3 not found.", true},
      {"ABoardWindowTheSystemRefuses", [](Driver& q) { q.platform.RefuseWindows(1000); },
       "Error creating window.", false},
      {"HandlerNameTheClassLacks", [&](Driver& q) { q.overrides["TFORM2"] = form2; },
       "Error reading SpeedButton4.OnClick: Invalid property value.", true},
  };
  for (const auto& c : cases) {
    Driver q;
    c.setUp(q);
    std::vector<std::string> reported;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(q.RunProgram([&](const std::string& title, const std::string& text) {
      reported = {title, text};
    }),
              1)
        << c.name;
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(c.message), std::string::npos) << c.name << ": " << err;
    if (c.boxShown) {
      EXPECT_TRUE(reported.empty()) << c.name;
    } else {
      EXPECT_EQ(reported, (std::vector<std::string>{"mirvolant", c.message})) << c.name;
    }
  }
}

}  // namespace
}  // namespace mirvolant::testing
