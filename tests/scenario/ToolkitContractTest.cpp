// The rules of the dialog toolkit that the quest relies on: modal loops,
// activation, closing, timers, keys, mouse and error reporting.

#include <gtest/gtest.h>

#include "Driver.h"
#include "toolkit/forms/MessageBox.h"

namespace mirvolant::testing {
namespace {

using tk::platform::Key;

TEST(ModalLoops, NestedDialogsReturnWithoutActivatingAgain) {
  TestApp t;
  std::vector<std::string> order;
  t.d1->onClick = [&] {
    t.d2->RunModal();
    order.push_back("after d2");
  };
  t.d2->onClick = [&] {
    t.d3->RunModal();
    order.push_back("after d3");
  };
  t.Then([&] {
    EXPECT_EQ(t.d1->activations, 1);  // shown by the event loop
    t.Click(t.d1->Button1);
  });
  t.Then([&] {
    EXPECT_TRUE(t.d2->Modal());
    EXPECT_FALSE(t.d1->WindowEnabled());
    t.Click(t.d2->Button1);
  });
  t.Then([&] {
    EXPECT_FALSE(t.d2->WindowEnabled());
    EXPECT_EQ(t.app->FocusedForm(), t.d3);
    // Every other dialog is owned by the main one, whichever opened it.
    EXPECT_EQ(t.platform.Find(t.d3->WindowId())->owner, t.d1->WindowId());
    EXPECT_EQ(t.platform.Find(t.d1->WindowId())->owner, tk::platform::kNoWindow);
    t.Close(t.d3);
  });
  t.Then([&] {
    EXPECT_EQ(t.app->FocusedForm(), t.d2);
    EXPECT_TRUE(t.d2->WindowEnabled());
    EXPECT_FALSE(t.d1->WindowEnabled());
    t.Close(t.d2);
  });
  t.Then([&] {
    EXPECT_EQ(t.app->FocusedForm(), t.d1);
    EXPECT_EQ(t.app->ActiveForm(), t.d1);
    EXPECT_TRUE(t.d1->WindowEnabled());
    // One activation each: returning from a nested dialog fires none.
    EXPECT_EQ(t.d1->activations, 1);
    EXPECT_EQ(t.d2->activations, 1);
    EXPECT_EQ(t.d3->activations, 1);
    EXPECT_EQ(order, (std::vector<std::string>{"after d3", "after d2"}));
  });
  t.Run();
}

TEST(ModalLoops, ClosingDialogStaysShownAndDisabledUnderTheNextOne) {
  TestApp t;
  t.d1->onClick = [&] { t.d2->RunModal(); };
  t.d2->onClick = [&] {
    t.d2->CloseDialog();
    t.d3->RunModal();
  };
  t.Then([&] { t.Click(t.d1->Button1); });
  t.Then([&] { t.Click(t.d2->Button1); });
  t.Then([&] {
    EXPECT_TRUE(t.d2->FormVisible());
    EXPECT_FALSE(t.d2->WindowEnabled());
    EXPECT_EQ(t.d2->ModalOutcome(), 2);
    t.Close(t.d3);
  });
  t.Then([&] {
    // The second closed, so the first one's loop ended at once.
    EXPECT_FALSE(t.d3->FormVisible());
    EXPECT_FALSE(t.d2->FormVisible());
    EXPECT_TRUE(t.d1->WindowEnabled());
  });
  t.Run();
}

TEST(ModalLoops, RunModalOfAVisibleDialogReportsAndStopsTheHandler) {
  TestApp t;
  bool reachedAfter = false;
  t.d1->onClick = [&] {
    t.d1->RunModal();
    reachedAfter = true;
  };
  t.Then([&] { t.Click(t.d1->Button1); });
  t.Then([&] {
    ASSERT_NE(t.app->MessageBox(), nullptr);
    EXPECT_EQ(t.app->MessageBox()->Text(), "Cannot make a visible window modal.");
    // The title is the file name without folder, cut at its first full stop,
    // the characters after the first lower-cased.
    EXPECT_EQ(t.app->MessageBox()->Caption(), "mirvolant");
    EXPECT_FALSE(t.d1->WindowEnabled());
    t.DismissBox();
  });
  t.Then([&] {
    EXPECT_EQ(t.app->MessageBox(), nullptr);
    EXPECT_FALSE(reachedAfter);
    EXPECT_TRUE(t.d1->WindowEnabled());
    EXPECT_EQ(t.app->ActiveForm(), t.d1);
    EXPECT_EQ(t.d1->activations, 1);
  });
  t.Run();
}

TEST(ModalLoops, QuitEndsEveryLoopInnermostFirstAndRunsTheCodeAfterEach) {
  TestApp t;
  std::vector<std::string> order;
  t.d1->onClick = [&] {
    EXPECT_EQ(t.d2->RunModal(), 2);
    order.push_back("d2 returned");
  };
  t.d2->onClick = [&] {
    EXPECT_EQ(t.d3->RunModal(), 2);
    order.push_back("d3 returned");
  };
  t.Then([&] { t.Click(t.d1->Button1); });
  t.Then([&] { t.Click(t.d2->Button1); });
  t.Then([&] { t.platform.PostQuit(); });  // as SIGTERM or the session ending does
  t.Run();
  EXPECT_TRUE(t.app->Terminated());
  EXPECT_EQ(order, (std::vector<std::string>{"d3 returned", "d2 returned"}));
}

TEST(ModalLoops, MainDialogCloseRequestEndsTheLoopWithoutHidingIt) {
  TestApp t;
  t.Then([&] { t.Close(t.d1); });
  t.Then([&] { ADD_FAILURE() << "the loop went on after the main dialog closed"; });
  t.Run();
  EXPECT_TRUE(t.d1->FormVisible());
}

TEST(ModalLoops, WorkAfterTheFirstFrameComesAfterTheWholeMainDialogAndBeforeAnyEvent) {
  TestApp t;
  int presents = -1;
  bool eventSeen = false;
  t.Then([&] {
    eventSeen = true;
    t.Close(t.d1);
  });
  t.app->RunEventLoop([&] {
    const auto* w = t.platform.Find(t.d1->WindowId());
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->shown);
    EXPECT_FALSE(eventSeen);
    presents = w->presentCount;
    // The dialog was drawn before it was shown and came whole in one frame.
    ASSERT_EQ(w->pixels.Width(), t.d1->ClientWidth());
    ASSERT_EQ(w->pixels.Height(), t.d1->ClientHeight());
    for (int y = 0; y < w->pixels.Height(); y += 7) {
      for (int x = 0; x < w->pixels.Width(); x += 7)
        ASSERT_EQ(w->pixels.At(x, y), t.d1->Buffer().At(x, y)) << x << "," << y;
    }
  });
  EXPECT_EQ(presents, 1);
  EXPECT_TRUE(eventSeen);
}

TEST(ModalLoops, DisabledDialogsTakeNoInputNorCloseRequests) {
  TestApp t;
  t.d1->onClick = [&] { t.d2->RunModal(); };
  t.Then([&] { t.Click(t.d1->Button1); });
  t.Then([&] {
    t.Close(t.d1);
    t.Type(t.d1, "abc");
    t.Click(t.d1->Button1);
  });
  t.Then([&] {
    EXPECT_FALSE(t.app->Terminated());
    EXPECT_EQ(t.d1->Edit1->Text(), "");
    EXPECT_EQ(t.d1->clicks, 1);
    EXPECT_TRUE(t.d2->FormVisible());
  });
  t.Run();
}

TEST(ModalLoops, ExceptionInActivationDoesNotStopTheDialog) {
  TestApp t;
  t.d2->onActivate = [] { throw tk::EInvalidOperation("Broken activation"); };
  t.d1->onClick = [&] { t.d2->RunModal(); };
  t.Then([&] { t.Click(t.d1->Button1); });
  t.Then([&] {
    ASSERT_NE(t.app->MessageBox(), nullptr);
    EXPECT_EQ(t.app->MessageBox()->Text(), "Broken activation.");
    t.DismissBox();
  });
  t.Then([&] {
    EXPECT_TRUE(t.d2->FormVisible());
    EXPECT_TRUE(t.d2->Modal());
    EXPECT_EQ(t.app->ActiveForm(), t.d2);
  });
  t.Run();
}

TEST(Timers, RhythmReEnablingAndDueWork) {
  TestApp t;
  int64_t start = 0;
  std::vector<int64_t> tickTimes;
  t.d1->onTick = [&] { tickTimes.push_back(t.platform.Now() - start); };
  t.Then([&] {
    start = t.platform.Now();
    t.d1->Timer1->SetEnabled(true);
    t.platform.Advance(500);
  });
  t.Then([&] {
    t.d1->Timer1->SetEnabled(true);  // already enabled: keeps its rhythm
    t.platform.Advance(1000);
  });
  t.Then([&] {
    EXPECT_EQ(tickTimes, (std::vector<int64_t>{1000}));
    t.d1->Timer1->SetEnabled(false);
    t.d1->Timer1->SetEnabled(true);  // from false: a full interval from now
    t.platform.Advance(999);
  });
  t.Then([&] {
    EXPECT_EQ(tickTimes.size(), 1u);
    t.platform.Advance(1);
  });
  t.Then([&] {
    EXPECT_EQ(tickTimes, (std::vector<int64_t>{1000, 2500}));
    // While the system holds the thread (a window dragged by its title bar)
    // the back end runs the due work: the due tick, once, and the next
    // deadline comes back.
    int64_t due = t.platform.Now() + 1000;
    t.platform.JumpClock(1500);
    EXPECT_LE(t.platform.RunDueWork(), due + 1000);
    EXPECT_EQ(tickTimes.size(), 3u);
    EXPECT_EQ(tickTimes.back(), due - start + 500);
  });
  t.Run();
}

TEST(Timers, CaughtUpTicksComeBeforeWaitingInput) {
  TestApp t;
  t.app->SetLateTicks(tk::LateTicks::CatchUp);
  int ticksBeforeKey = 0;
  t.d1->onTick = [&] {
    if (t.d1->keys.empty()) ++ticksBeforeKey;
    if (t.d1->ticks == 1) t.Type(t.d1, "k");
  };
  t.Then([&] {
    t.d1->Timer1->SetEnabled(true);
    t.platform.JumpClock(10500);
  });
  t.Then([&] {
    EXPECT_EQ(ticksBeforeKey, 10);
    EXPECT_EQ(t.d1->keys, "k");
  });
  t.Run();
}

TEST(Timers, TicksReachHiddenAndDisabledDialogs) {
  TestApp t;
  t.d1->onClick = [&] { t.d2->RunModal(); };
  t.d2->onClick = [&] { t.d3->RunModal(); };
  t.Then([&] { t.Click(t.d1->Button1); });
  t.Then([&] {
    t.d2->Timer1->SetEnabled(true);
    t.d3->Timer1->SetEnabled(true);
    t.Click(t.d2->Button1);
  });
  t.Wait(3);  // d2 disabled beneath d3
  t.Then([&] {
    EXPECT_EQ(t.d2->ticks, 3);
    t.Close(t.d3);
  });
  t.Then([&] { t.Close(t.d2); });
  t.Then([&] {
    EXPECT_FALSE(t.d2->FormVisible());
    t.platform.Advance(2000);  // both hidden now
  });
  t.Then([&] {
    EXPECT_EQ(t.d2->ticks, 5);
    EXPECT_EQ(t.d3->ticks, 5);
  });
  t.Run();
}

TEST(Timers, RefusedTimerStaysDisabledSoEnablingRetries) {
  TestApp t;
  t.Then([&] {
    t.app->Timers().SetLimit(0);
    EXPECT_THROW(t.d1->Timer1->SetEnabled(true), tk::EOutOfResources);
    EXPECT_FALSE(t.d1->Timer1->Enabled());
    t.app->Timers().SetLimit(100);
    t.d1->Timer1->SetEnabled(true);
    EXPECT_TRUE(t.d1->Timer1->Running());
    t.platform.Advance(1000);
  });
  t.Then([&] { EXPECT_EQ(t.d1->ticks, 1); });
  t.Run();
}

TEST(Timers, TicksGoOnWhileTheErrorBoxIsUp) {
  TestApp t;
  t.d1->onClick = [] { throw tk::EInvalidOperation("Failure"); };
  t.Then([&] {
    t.d1->Timer1->SetEnabled(true);
    t.Click(t.d1->Button1);
  });
  t.Then([&] {
    ASSERT_NE(t.app->MessageBox(), nullptr);
    t.platform.Advance(5000);
  });
  t.Then([&] {
    EXPECT_EQ(t.d1->ticks, 5);
    t.DismissBox();
  });
  t.Run();
}

TEST(Errors, AWindowTheSystemRefusesIsReportedAndTriedAgainNextTime) {
  TestApp t;
  t.d1->onClick = [&] { t.d2->RunModal(); };
  t.Then([&] {
    t.platform.RefuseWindows(1);  // d2's, not the error box's
    t.Click(t.d1->Button1);
  });
  t.Then([&] {
    ASSERT_NE(t.app->MessageBox(), nullptr);
    EXPECT_EQ(t.app->MessageBox()->Text(), "Error creating window.");
    EXPECT_FALSE(t.d2->Modal());
    t.DismissBox();
  });
  t.Then([&] {
    EXPECT_TRUE(t.d1->WindowEnabled());
    t.Click(t.d1->Button1);
  });
  t.Then([&] {
    EXPECT_TRUE(t.d2->FormVisible());
    EXPECT_EQ(t.app->VisibleForms().size(), 2u);  // each window known once
    t.Close(t.d2);
  });
  t.Run();
}

TEST(Errors, TitleComesFromTheProgramFileName) {
  tk::platform::HeadlessPlatform platform;
  EXPECT_EQ(tk::TApplication(platform, "/usr/games/mirvolant").Title(), "mirvolant");
  EXPECT_EQ(tk::TApplication(platform, "C:\\GAMES\\MIRVOLANT.EXE").Title(), "Mirvolant");
  EXPECT_EQ(tk::TApplication(platform, "build/Mirvolant.tar.gz").Title(), "Mirvolant");
}

TEST(Errors, AbortIsSilentAndTheFullStopRuleUsesByteOrder) {
  EXPECT_EQ(tk::TApplication::MessageBoxText("Boom"), "Boom.");
  EXPECT_EQ(tk::TApplication::MessageBoxText("Done."), "Done.");
  EXPECT_EQ(tk::TApplication::MessageBoxText("Really!"), "Really!");  // '!' sorts before '.'
  EXPECT_EQ(tk::TApplication::MessageBoxText("Code 42"), "Code 42.");
  EXPECT_EQ(tk::TApplication::MessageBoxText(""), "");

  TestApp t;
  t.d1->onClick = [] { throw tk::EAbort("silent"); };
  t.Then([&] { t.Click(t.d1->Button1); });
  t.Then([&] { EXPECT_EQ(t.app->MessageBox(), nullptr); });
  t.Run();
}

TEST(Errors, TheBoxClosesWithSpaceOrAClickOnOkAndIgnoresEscape) {
  TestApp t;
  t.d1->onClick = [] { throw tk::EInvalidOperation("Once"); };
  auto box = [&t] { return t.app->MessageBox(); };
  t.Then([&] { t.Click(t.d1->Button1); });
  t.Then([&] {
    ASSERT_NE(box(), nullptr);
    // Centred on the dialog that was active.
    tk::TRect owner = t.d1->OuterRect();
    tk::TRect outer = box()->OuterRect();
    EXPECT_EQ(outer.Left, owner.Left + (owner.Width() - outer.Width()) / 2);
    EXPECT_EQ(t.app->ActiveForm(), box());
    t.platform.Key(box()->WindowId(), Key::Escape);
  });
  t.Then([&] {
    ASSERT_NE(box(), nullptr);
    t.platform.Key(box()->WindowId(), Key::Space);
  });
  t.Then([&] {
    EXPECT_EQ(box(), nullptr);
    t.Click(t.d1->Button1);
  });
  t.Then([&] {
    ASSERT_NE(box(), nullptr);
    t.Click(box()->OkButton());
  });
  t.Then([&] {
    EXPECT_EQ(box(), nullptr);
    EXPECT_TRUE(t.d1->WindowEnabled());
    EXPECT_EQ(t.d1->activations, 1);  // closing the box fires no activation
  });
  t.Run();
}

TEST(Keys, TabWalksFieldsIntoPanelsAndSkipsHiddenOnes) {
  TestApp t;
  t.Then([&] {
    EXPECT_EQ(t.d1->ActiveControl(), t.d1->Edit1);
    t.Key(t.d1, Key::Tab);
  });
  t.Then([&] {
    EXPECT_EQ(t.d1->ActiveControl(), t.d1->Edit2);
    t.Key(t.d1, Key::Tab);
    t.Key(t.d1, Key::Tab);
  });
  t.Then([&] {
    EXPECT_EQ(t.d1->ActiveControl(), t.d1->Edit1);  // wrapped around
    t.Key(t.d1, Key::Tab, tk::platform::kShift);
  });
  t.Then([&] {
    EXPECT_EQ(t.d1->ActiveControl(), t.d1->Edit3);
    t.d1->Edit2->SetVisible(false);
    t.Key(t.d1, Key::Tab, tk::platform::kShift);
  });
  t.Then([&] { EXPECT_EQ(t.d1->ActiveControl(), t.d1->Edit1); });
  t.Run();
}

TEST(Keys, EnterReachesTheHandlerAndEscapeClosesNothing) {
  TestApp t;
  t.d1->onClick = [&] { t.d2->RunModal(); };
  t.Then([&] { t.Click(t.d1->Button1); });
  t.Then([&] {
    t.Key(t.d2, Key::Escape);
    t.Type(t.d1, "x");  // disabled: dropped
  });
  t.Then([&] {
    EXPECT_TRUE(t.d2->FormVisible());
    t.Type(t.d2, "ab");
    t.Key(t.d2, Key::Enter);
  });
  t.Then([&] {
    // Escape and Enter arrive as characters 27 and 13 and insert nothing;
    // no button is pressed.
    EXPECT_EQ(t.d2->keys, std::string("\x1B"
                                      "ab\r"));
    EXPECT_EQ(t.d2->Edit1->Text(), "ab");
    EXPECT_EQ(t.d2->clicks, 0);
  });
  t.Run();
}

TEST(Keys, CtrlVAndShiftInsertPasteTheClipboardPlainLettersDoNot) {
  TestApp t;
  t.Then([&] {
    t.platform.SetClipboard("жу\nignored");
    t.Key(t.d1, Key::V);  // the letter key without Ctrl: its text comes as Text
    t.Key(t.d1, Key::V, tk::platform::kCtrl);
    t.Key(t.d1, Key::Insert, tk::platform::kShift);
    t.Key(t.d1, Key::Insert, tk::platform::kShift | tk::platform::kCtrl);
  });
  t.Then([&] {
    EXPECT_EQ(t.d1->Edit1->Text(), tk::Utf8ToAnsi("жужу"));
    // Where the system pastes by itself the key reads nothing; its paste follows.
    t.platform.SetClipboard(std::nullopt);
    t.Key(t.d1, Key::V, tk::platform::kCtrl);
    t.platform.Paste(t.d1->WindowId(), "фа");
  });
  t.Then([&] { EXPECT_EQ(t.d1->Edit1->Text(), tk::Utf8ToAnsi("жужуфа")); });
  t.Run();
}

TEST(Keys, HidingTheFocusedFieldLeavesTheFocusWithTheDialog) {
  TestApp t;
  t.Then([&] {
    t.d1->Edit1->SetVisible(false);
    EXPECT_EQ(t.d1->ActiveControl(), nullptr);
    t.Type(t.d1, "lost");
  });
  t.Then([&] {
    EXPECT_EQ(t.d1->Edit1->Text(), "");
    EXPECT_EQ(t.d1->Edit2->Text(), "");
  });
  t.Run();
}

TEST(Keys, ThePlatformIsToldWhichFieldTakesTypedTextAndWhere) {
  TestApp t;
  // The field's rectangle in its window's client area.
  auto placeOf = [](tk::TMaskEdit* field) {
    tk::TPoint o = field->OriginInForm();
    return tk::platform::TextInputPlace{
        tk::FormOf(field)->WindowId(),
        tk::TRect::FromSize(o.X, o.Y, field->Width(), field->Height())};
  };
  int told = 0;
  t.d1->onClick = [&] { t.d2->RunModal(); };
  t.Then([&] {
    EXPECT_EQ(t.platform.TextInput(), placeOf(t.d1->Edit1));
    told = t.platform.TextInputChanges();
    t.Seconds(5);  // the caret blinks; nothing new to tell
  });
  t.Then([&] {
    EXPECT_EQ(t.platform.TextInputChanges(), told);
    t.Key(t.d1, Key::Tab);
  });
  t.Then([&] {
    EXPECT_EQ(t.platform.TextInput(), placeOf(t.d1->Edit2));
    t.Click(t.d1->Button1);
  });
  t.Then([&] {
    EXPECT_EQ(t.platform.TextInput(), placeOf(t.d2->Edit1));
    t.d2->Edit1->SetVisible(false);
    t.Seconds(1);  // a turn of the loop
  });
  t.Then([&] {
    EXPECT_FALSE(t.platform.TextInput().Wanted());
    t.Close(t.d2);
  });
  // Back on the board, the field that had the focus takes typed text again.
  t.Then([&] { EXPECT_EQ(t.platform.TextInput(), placeOf(t.d1->Edit2)); });
  t.Run();
}

TEST(Mouse, ClickNeedsPressAndReleaseOverTheButtonAndKeepsTheFocus) {
  TestApp t;
  tk::platform::WindowId w = 0;
  t.Then([&] {
    w = t.d1->WindowId();
    t.Key(t.d1, Key::Tab);  // focus in Edit2
    t.platform.MouseDown(w, 125, 15);
    t.platform.MouseMove(w, 250, 80);
    t.platform.MouseUp(w, 250, 80);  // released elsewhere
    t.platform.MouseDown(w, 250, 80);
    t.platform.MouseUp(w, 125, 15);  // pressed elsewhere
  });
  t.Then([&] {
    EXPECT_EQ(t.d1->clicks, 0);
    t.platform.MouseDown(w, 125, 15);
    t.platform.MouseMove(w, 200, 15);
    t.platform.MouseMove(w, 126, 16);  // back over it before release
    t.platform.MouseUp(w, 126, 16);
  });
  t.Then([&] {
    EXPECT_EQ(t.d1->clicks, 1);
    EXPECT_EQ(t.d1->ActiveControl(), t.d1->Edit2);
  });
  t.Run();
}

}  // namespace
}  // namespace mirvolant::testing
