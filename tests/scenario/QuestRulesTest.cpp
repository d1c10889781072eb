// The quest's finer rules: what wrong codes change, how missions behave when
// reopened or left running hidden, and how start-up fails.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Cp1251.h"
#include "QuestHarness.h"
#include "toolkit/components/Timer.h"

namespace mirvolant::testing {
namespace {

using tk::operator""_ansi;

TEST(BoardRules, WrongCodesChangeNothingButTheLowerCasing) {
  QuestHarness q;
  q.Then([&] {
    q.Enter(Form1->MaskEdit5, "ЖУФА");     // Cyrillic capitals are not folded
    q.Enter(Form1->MaskEdit1, " GG38TT");  // a leading blank
    q.Enter(Form1->MaskEdit2, "72M");      // a prefix
    q.Enter(Form1->MaskEdit3, "3&99");     // longer
    q.Enter(Form1->MaskEdit4, "");         // Enter in an empty field
    q.platform.Key(Form1->WindowId(), tk::platform::Key::Escape);
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
    q.Close(Form1);
  });
  EXPECT_EQ(q.RunProgram(), 0);
}

TEST(BoardRules, TabSkipsSolvedSlotsAndWraps) {
  QuestHarness q;
  q.Then([&] { q.Enter(Form1->MaskEdit2, "72m%"); });
  q.Then([&] {
    // Solving slot 2 hid the focused field: the focus is with the dialog.
    EXPECT_EQ(Form1->ActiveControl(), nullptr);
    q.ClickOn(Form1->MaskEdit1);
    q.platform.Key(Form1->WindowId(), tk::platform::Key::Tab);
  });
  q.Then([&] {
    EXPECT_EQ(Form1->ActiveControl(), Form1->MaskEdit3);
    q.ClickOn(Form1->MaskEdit9);
    q.platform.Key(Form1->WindowId(), tk::platform::Key::Tab);
  });
  q.Then([&] {
    EXPECT_EQ(Form1->ActiveControl(), Form1->MaskEdit1);
    q.platform.Key(Form1->WindowId(), tk::platform::Key::Tab, tk::platform::kShift);
  });
  q.Then([&] {
    EXPECT_EQ(Form1->ActiveControl(), Form1->MaskEdit9);
    q.Close(Form1);
  });
  EXPECT_EQ(q.RunProgram(), 0);
}

TEST(PathRules, PrefixOpensNothingAndTabNeverReachesTheMemo) {
  QuestHarness q;
  q.SolveBoard({1, 2, 3, 4, 5, 6, 7, 8, 9});
  q.Then([&] {
    q.Enter(Form2->MaskEdit1, "hhh");  // the second path's code is a prefix
  });
  q.Then([&] {
    EXPECT_FALSE(Form3->FormVisible());
    EXPECT_EQ(Form2->ActiveControl(), Form2->MaskEdit1);
    for (auto* expected : {Form2->MaskEdit2, Form2->MaskEdit3, Form2->MaskEdit1}) {
      q.platform.Key(Form2->WindowId(), tk::platform::Key::Tab);
      q.Then([expected] { EXPECT_EQ(Form2->ActiveControl(), expected); });
    }
  });
  q.Then([&] { q.Close(Form2); });
  q.Then([&] {
    // Nothing can open the path choice again.
    EXPECT_FALSE(Form2->FormVisible());
    q.Close(Form1);
  });
  EXPECT_EQ(q.RunProgram(), 0);
}

TEST(MissionRules, HiddenMissionMovesOnThroughItsPhases) {
  QuestHarness q;
  q.SolveBoard({1, 2, 3, 4, 5, 6, 7, 8, 9});
  q.Then([&] { q.Enter(Form2->MaskEdit3, "jjj52"); });
  q.Then([&] { q.ClickOn(Form5->SpeedButton1); });  // "Закрыть" in phase 1
  q.Then([&] {
    EXPECT_FALSE(Form5->FormVisible());
    q.Seconds(3600);
  });
  q.Then([&] {
    // The timers went on while the dialog was hidden.
    EXPECT_EQ(Form5->Label1->Caption(), "Вирус активирован, введите код слива: 5335K"_ansi);
    EXPECT_EQ(unit5::SecondsLeft, 0);
    q.Close(Form2);
  });
  q.Then([&] { q.Close(Form1); });
  EXPECT_EQ(q.RunProgram(), 0);
}

TEST(MissionRules, ReopeningRestartsPhaseOneWithOnlyOneTimerCounting) {
  QuestHarness q;
  q.SolveBoard({1, 2, 3, 4, 5, 6, 7, 8, 9});
  q.Then([&] { q.Enter(Form2->MaskEdit2, "hhh"); });
  q.Then([&] { q.Seconds(1500); });  // into phase 2
  q.Then([&] {
    EXPECT_TRUE(Form4->Timer2->Enabled());
    q.Close(Form4);
  });
  q.Then([&] { q.Enter(Form2->MaskEdit2, "hhh"); });
  q.Then([&] {
    EXPECT_FALSE(Form4->Timer2->Enabled());
    EXPECT_TRUE(Form4->Timer1->Enabled());
    q.Seconds(10);
  });
  q.Then([&] {
    // One countdown, one second a second.
    EXPECT_EQ(unit4::SecondsLeft, 1190);
    EXPECT_EQ(Form4->Label2->Caption(), "До активации 1-ой части вируса осталось: 1190 сек."_ansi);
    q.Close(Form4);
  });
  q.Then([&] { q.Close(Form2); });
  q.Then([&] { q.Close(Form1); });
  EXPECT_EQ(q.RunProgram(), 0);
}

TEST(MissionRules, MysterySuccessDuringThePictureUncoversTheEngineCode) {
  QuestHarness q;
  q.SolveBoard({1, 2, 3, 4, 5, 6, 7, 8, 9});
  q.Then([&] { q.Enter(Form2->MaskEdit1, "hhh52"); });
  q.Then([&] { q.Seconds(1300); });
  q.Then([&] {
    EXPECT_TRUE(Form3->Image1->Visible());
    q.Enter(Form3->MaskEdit1, "83~");
  });
  q.Then([&] {
    EXPECT_FALSE(Form3->Image1->Visible());
    EXPECT_EQ(Form3->Label1->Caption(), "Код: 66$6\rВбейте в движок 10 уровня."_ansi);
    EXPECT_FALSE(Form3->Timer2->Enabled());
    q.Close(Form3);
  });
  q.Then([&] { q.Enter(Form2->MaskEdit1, "hhh52"); });
  q.Then([&] {
    // Reopened: the picture of the last showing does not cover the task.
    EXPECT_FALSE(Form3->Image1->Visible());
    EXPECT_EQ(Form3->Label1->Caption().substr(0, 8), "Задание:"_ansi);
    q.Close(Form3);
  });
  q.Then([&] { q.Close(Form2); });
  q.Then([&] { q.Close(Form1); });
  EXPECT_EQ(q.RunProgram(), 0);
}

TEST(MissionRules, EscapeAcceptsEitherCaseVictoryOnlyTheExactCode) {
  QuestHarness q;
  q.SolveBoard({1, 2, 3, 4, 5, 6, 7, 8, 9});
  q.Then([&] { q.Enter(Form2->MaskEdit2, "hhh"); });
  q.Then([&] { q.Enter(Form4->MaskEdit1, "406?& "); });
  q.Then([&] {
    EXPECT_FALSE(Form3->FormVisible());
    EXPECT_EQ(Form4->MaskEdit1->Text(), "406?& ");  // compared exactly, not lowered
    q.Close(Form4);
  });
  q.Then([&] { q.Enter(Form2->MaskEdit3, "jjj52"); });
  q.Then([&] { q.Enter(Form5->MaskEdit1, "5335k"); });
  q.Then([&] {
    EXPECT_TRUE(Form4->FormVisible());
    q.Close(Form4);
  });
  q.Then([&] {
    EXPECT_FALSE(Form5->FormVisible());
    q.Close(Form2);
  });
  q.Then([&] { q.Close(Form1); });
  EXPECT_EQ(q.RunProgram(), 0);
}

std::string Cp1251(const std::string& utf8) {
  return IconvToCp1251(utf8);
}

TEST(ExactBytes, CodesAndMissionTextsAreTheWindows1251BytesOfTheQuotedText) {
  EXPECT_EQ(kLevelCodes[4], Cp1251("жуфа"));
  EXPECT_EQ(std::string(kLevelCodes[0]) + kLevelCodes[1].data() + kLevelCodes[2].data(),
            "gg38tt72m%3&9");
  EXPECT_EQ(kPathCodes[0], "hhh52");
  EXPECT_EQ(kPathCodes[1], "hhh");
  EXPECT_EQ(kPathCodes[2], "jjj52");
  EXPECT_EQ(kVictoryDrainCode, "406?&");
  EXPECT_EQ(kEscapeDrainCode, "5335k");
  EXPECT_EQ(kMysteryDrainCode, "83~");

  QuestHarness q;
  std::map<std::string, std::string> seen;
  auto record = [&](const char* key, const tk::AnsiString& text) { seen[key] = text; };
  q.Then([&] {
    record("board label 5", Form1->Label5->Caption());
    record("board ok", Form1->SpeedButton5->Caption());
    record("board close", Form1->SpeedButton10->Caption());
  });
  q.SolveBoard({1, 2, 3, 4, 5, 6, 7, 8, 9});
  q.Then([&] {
    record("solved", Form1->Panel5->Caption());
    record("path caption", Form2->Caption());
    record("path 3", Form2->Label3->Caption());
    record("story 5", Form2->Memo1->Lines()[4]);
    record("story 10", Form2->Memo1->Lines()[9]);
    q.Enter(Form2->MaskEdit3, "jjj52");
  });
  q.Then([&] {
    record("escape task", Form5->Label1->Caption());
    q.Seconds(1);
  });
  q.Then([&] {
    record("phase 1 line", Form5->Label2->Caption());
    q.Seconds(1199);
  });
  q.Then([&] {
    record("escape clue 1", Form5->Label1->Caption());
    q.Seconds(1);
  });
  q.Then([&] {
    record("phase 2 line", Form5->Label2->Caption());
    q.Seconds(1199);
  });
  q.Then([&] {
    record("escape clue 2", Form5->Label1->Caption());
    q.Seconds(1);
  });
  q.Then([&] {
    record("phase 3 line", Form5->Label2->Caption());
    q.Seconds(1199);
  });
  q.Then([&] {
    record("escape drain", Form5->Label1->Caption());
    record("success", Form5->Label2->Caption());
    record("enter code", Form5->Label3->Caption());
    q.Enter(Form5->MaskEdit1, "5335K");
  });
  q.Then([&] {
    record("victory task", Form4->Label1->Caption());
    q.Seconds(1200);
  });
  q.Then([&] {
    record("victory clue 1", Form4->Label1->Caption());
    q.Seconds(1200);
  });
  q.Then([&] {
    record("victory clue 2", Form4->Label1->Caption());
    q.Seconds(1200);
  });
  q.Then([&] {
    record("victory drain", Form4->Label1->Caption());
    q.Enter(Form4->MaskEdit1, "406?&");
  });
  q.Then([&] {
    record("mystery task", Form3->Label1->Caption());
    q.Seconds(2400);
  });
  q.Then([&] {
    record("mystery clue 2", Form3->Label1->Caption());
    q.Seconds(1200);
  });
  q.Then([&] {
    record("mystery drain", Form3->Label1->Caption());
    q.Enter(Form3->MaskEdit1, "83~");
  });
  q.Then([&] {
    record("engine", Form3->Label1->Caption());
    record("activated", Form3->Label2->Caption());
    q.Close(Form3);
  });
  q.Then([&] { q.Close(Form2); });
  q.Then([&] { q.Close(Form1); });
  ASSERT_EQ(q.RunProgram(), 0);

  const std::map<std::string, std::string> expected = {
      {"board label 5", "Введите код 5го уровня:"},
      {"board ok", "\xD0\x9E\xD0\x9A"},  // Cyrillic О and К
      {"board close", "Закрыть"},
      {"solved", "OK"},
      {"path caption", "Выбор пути"},
      {"path 3", "Cбежать подальше от этого города:"},
      {"story 5", "прежде чем набрать № 8-900-123-45-67 или 8-900-765-43-21 "},
      {"story 10", "Задайте мне этот вопрос и вы получите шанс узнать тайну."},
      {"escape task",
       "Задание:\rПрежде чем разгадать тайну я перекрестился, и в этом\rмне помог князь."},
      {"phase 1 line", "До активации 1-ой части вируса осталось: 1199 сек."},
      {"escape clue 1", "Князь Олвесар."},
      {"phase 2 line", "До активации 2-ой части вируса осталось: 1199 сек."},
      {"escape clue 2", "Ищи около моста."},
      {"phase 3 line", "До активации 3-ой части вируса осталось: 1199 сек."},
      {"escape drain", "Вирус активирован, введите код слива: 5335K"},
      {"success", "Активация прошла успешно!!!"},
      {"enter code", "Введите код:"},
      {"victory task",
       "Задание:\rВ сорок первом году Тарвелин продолжал искать\rдом в котором "
       "торговали."},
      {"victory clue 1", "Именно в доме торговли в одной из арок я написал код."},
      {"victory clue 2", "Арка которая смотрит на ул. Вельдерова."},
      {"victory drain", "Вирус активирован, введите код слива: 406?&"},
      {"mystery task",
       "Задание:\rNEW и первоначально - настоятель православного монастыря,\rи промышленное "
       "предприятие, осущеспвлявшее добычу пластовых\rполезных ископаемых."},
      {"mystery clue 2",
       "Спустившись с горы, я увидел знак Ближняя игуменка, а \rрядом была шахта."},
      {"mystery drain", "Вирус активирован, введите код слива: 83~"},
      {"engine", "Код: 66$6\rВбейте в движок 10 уровня."},
      {"activated", "Вирус активирован!!!"},
  };
  for (const auto& [key, utf8] : expected) {
    EXPECT_EQ(seen[key], Cp1251(utf8)) << key;
  }
  EXPECT_EQ(seen["path 3"][0], 'C');  // the Latin letter
  EXPECT_EQ(seen["board ok"], "\xCE\xCA");
}

TEST(StartUp, MissingDescriptionEndsWithExitCodeOne) {
  QuestHarness q;
  q.overrides["TFORM3"] = std::nullopt;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(q.RunProgram(), 1);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Resource TForm3 not found."), std::string::npos) << err;
}

TEST(StartUp, WithoutAWindowForTheErrorBoxTheProgramsFallbackReportsIt) {
  QuestHarness q;
  q.overrides["TFORM3"] = std::nullopt;
  std::vector<std::string> reported;
  auto fallback = [&](const std::string& title, const std::string& text) {
    reported = {title, text};
  };
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(q.RunProgram(fallback), 1);
  ::testing::internal::GetCapturedStderr();
  // The toolkit's own box was shown: the fallback stays unused.
  EXPECT_TRUE(reported.empty());

  QuestHarness refused;
  refused.overrides["TFORM3"] = std::nullopt;
  refused.platform.SetWindowLimit(0);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(refused.RunProgram(fallback), 1);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(reported, (std::vector<std::string>{"mirvolant", "Resource TForm3 not found."}));
}

TEST(StartUp, HandlerNameTheClassLacksFailsTheCreation) {
  std::string text(*EmbeddedDescription("TFORM2"));
  size_t at = text.find("OnClick = SpeedButton4Click");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 27, "OnClick = SpeedButton9Click");
  QuestHarness q;
  q.overrides["TFORM2"] = text;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(q.RunProgram(), 1);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Error reading SpeedButton4.OnClick: Invalid property value."),
            std::string::npos)
      << err;
}

}  // namespace
}  // namespace mirvolant::testing
