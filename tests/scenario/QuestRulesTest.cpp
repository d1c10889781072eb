// The quest's finer rules: what wrong codes change, how missions behave when
// reopened or left running hidden, and how start-up fails.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Cp1251.h"
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
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST(MissionRules, MysterySuccessDuringThePictureUncoversTheEngineCode) {
  Driver q;
  q.OpenPath(1);
  q.Wait(1300);
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
  q.Then([&] { q.Enter(Form2->MaskEdit3, "jjj52"); });
  q.Then([&] { q.Enter(Form5->MaskEdit1, "5335k"); });
  q.Then([&] {
    EXPECT_TRUE(Form4->FormVisible());
    q.Close(Form4);
  });
  q.Then([&] { EXPECT_FALSE(Form5->FormVisible()); });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST(ExactBytes, CodesAndMissionTextsAreTheWindows1251BytesOfTheQuotedText) {
  EXPECT_EQ(kLevelCodes[4], IconvToCp1251("жуфа"));
  EXPECT_EQ(std::string(kLevelCodes[0]) + kLevelCodes[1].data() + kLevelCodes[2].data(),
            "gg38tt72m%3&9");
  // The program's own path codes, not the driver's of the same name.
  EXPECT_EQ(mirvolant::kPathCodes[0], "hhh52");
  EXPECT_EQ(mirvolant::kPathCodes[1], "hhh");
  EXPECT_EQ(mirvolant::kPathCodes[2], "jjj52");
  EXPECT_EQ(kVictoryDrainCode, "406?&");
  EXPECT_EQ(kEscapeDrainCode, "5335k");
  EXPECT_EQ(kMysteryDrainCode, "83~");

  // Along the road, each stop checks the texts shown there, then moves on.
  Driver q;
  struct Shown {
    std::function<tk::AnsiString()> text;
    const char* utf8;
  };
  auto stop = [&q](std::vector<Shown> texts, std::function<void()> next) {
    q.Then([texts = std::move(texts), next = std::move(next)] {
      for (const Shown& t : texts) EXPECT_EQ(t.text(), IconvToCp1251(t.utf8)) << t.utf8;
      next();
    });
  };
  auto seconds = [&q](int64_t s) { return [&q, s] { q.Seconds(s); }; };
  stop({{[] { return Form1->Label5->Caption(); }, "Введите код 5го уровня:"},
        {[] { return Form1->SpeedButton5->Caption(); }, "\xD0\x9E\xD0\x9A"},  // Cyrillic О, К
        {[] { return Form1->SpeedButton10->Caption(); }, "Закрыть"}},
       [] {});
  q.SolveBoard();
  stop({{[] { return Form1->Panel5->Caption(); }, "OK"},
        {[] { return Form2->Caption(); }, "Выбор пути"},
        {[] { return Form2->Label3->Caption(); }, "Cбежать подальше от этого города:"},
        {[] { return Form2->Memo1->Lines()[4]; },
         "прежде чем набрать № 8-900-123-45-67 или 8-900-765-43-21 "},
        {[] { return Form2->Memo1->Lines()[9]; },
         "Задайте мне этот вопрос и вы получите шанс узнать тайну."}},
       [&q] { q.Enter(Form2->MaskEdit3, "jjj52"); });
  stop({{[] { return Form5->Label1->Caption(); },
         "Задание:\rПрежде чем разгадать тайну я перекрестился, и в этом\rмне помог князь."}},
       seconds(1));
  stop({{[] { return Form5->Label2->Caption(); },
         "До активации 1-ой части вируса осталось: 1199 сек."}},
       seconds(1199));
  stop({{[] { return Form5->Label1->Caption(); }, "Князь Олвесар."}}, seconds(1));
  stop({{[] { return Form5->Label2->Caption(); },
         "До активации 2-ой части вируса осталось: 1199 сек."}},
       seconds(1199));
  stop({{[] { return Form5->Label1->Caption(); }, "Ищи около моста."}}, seconds(1));
  stop({{[] { return Form5->Label2->Caption(); },
         "До активации 3-ой части вируса осталось: 1199 сек."}},
       seconds(1199));
  stop({{[] { return Form5->Label1->Caption(); }, "Вирус активирован, введите код слива: 5335K"},
        {[] { return Form5->Label2->Caption(); }, "Активация прошла успешно!!!"},
        {[] { return Form5->Label3->Caption(); }, "Введите код:"}},
       [&q] { q.Enter(Form5->MaskEdit1, "5335K"); });
  stop({{[] { return Form4->Label1->Caption(); },
         "Задание:\rВ сорок первом году Тарвелин продолжал искать\rдом в котором торговали."}},
       seconds(1200));
  stop({{[] { return Form4->Label1->Caption(); },
         "Именно в доме торговли в одной из арок я написал код."}},
       seconds(1200));
  stop({{[] { return Form4->Label1->Caption(); }, "Арка которая смотрит на ул. Вельдерова."}},
       seconds(1200));
  stop({{[] { return Form4->Label1->Caption(); }, "Вирус активирован, введите код слива: 406?&"}},
       [&q] { q.Enter(Form4->MaskEdit1, "406?&"); });
  stop({{[] { return Form3->Label1->Caption(); },
         "Задание:\rNEW и первоначально - настоятель православного монастыря,\rи промышленное "
         "предприятие, осущеспвлявшее добычу пластовых\rполезных ископаемых."}},
       seconds(2400));
  stop({{[] { return Form3->Label1->Caption(); },
         "Спустившись с горы, я увидел знак Ближняя игуменка, а \rрядом была шахта."}},
       seconds(1200));
  stop({{[] { return Form3->Label1->Caption(); }, "Вирус активирован, введите код слива: 83~"}},
       [&q] { q.Enter(Form3->MaskEdit1, "83~"); });
  stop({{[] { return Form3->Label1->Caption(); }, "Код: 66$6\rВбейте в движок 10 уровня."},
        {[] { return Form3->Label2->Caption(); }, "Вирус активирован!!!"},
        // The Latin C of the third path's prompt.
        {[] { return Form2->Label3->Caption().substr(0, 1); }, "C"}},
       [] {});
  ASSERT_EQ(q.CloseAllAndRun(), 0);
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
