// What a screen reader is given and what it may do: the trees of the five
// dialogs and the error box, the reports of a solved slot, the countdown's
// announcements, actions under the dialogs' rules, and the system's colours
// and caret blink time.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Driver.h"

namespace mirvolant::testing {
namespace {

using tk::platform::AccessibleAction;
using tk::platform::AccessibleNode;
using tk::platform::ChangeKind;
using tk::platform::Role;
namespace states = tk::platform::states;

// A control of the dialog, by name, and what its node must be.
struct Expect {
  const char* control;
  Role role;
  std::string name;
  uint32_t has = 0;
  uint32_t lacks = 0;
  std::string valueStart = {};
};

void Check(const Driver& q, const tk::TComponent& owner, const Expect& e) {
  auto* control = dynamic_cast<tk::TControl*>(owner.FindComponent(e.control));
  ASSERT_NE(control, nullptr) << e.control;
  const AccessibleNode* n = q.Node(control);
  ASSERT_NE(n, nullptr) << e.control;
  EXPECT_EQ(n->role, e.role) << e.control;
  EXPECT_EQ(n->name, e.name) << e.control;
  EXPECT_EQ(n->states & e.has, e.has) << e.control;
  EXPECT_EQ(n->states & e.lacks, 0u) << e.control;
  EXPECT_EQ(n->value.rfind(e.valueStart, 0), 0u) << e.control;
}

TEST(Accessibility, EachDialogReadsAsItsCaptionPromptsFieldsAndTexts) {
  constexpr uint32_t kTyping = states::kFocused | states::kFocusable | states::kProtected;
  constexpr uint32_t kModal = states::kActive | states::kModal;
  struct Case {
    std::function<void(Driver&)> open;
    std::function<tk::TCustomForm*()> form;
    std::string title;
    uint32_t rootStates;
    std::vector<Expect> nodes;
  };
  const std::vector<Case> cases = {
      {[](Driver&) {},
       [] { return Form1; },
       "MIRVOLANT",
       states::kActive,
       {{"MaskEdit1", Role::PasswordField, "Введите код 1го уровня:", kTyping},
        {"MaskEdit9", Role::PasswordField, "Введите код 9го уровня:", states::kFocusable,
         states::kFocused},
        {"Label5", Role::Label, "Введите код 5го уровня:"},
        {"SpeedButton1", Role::PushButton, "ОК", 0, states::kFocusable},
        {"SpeedButton10", Role::PushButton, "Закрыть"},
        {"Panel1", Role::Panel, ""}}},
      {[](Driver& q) { q.SolveBoard(); },
       [] { return Form2; },
       "Выбор пути",
       kModal,
       {{"Memo1", Role::TextArea, "", states::kReadOnly | states::kMultiLine,
         states::kDisabled | states::kFocusable,
         "Я маньяк! Я знаю, что эта игра, но она превратилась в реальность. Я знаю, как сложно "
         "сделать выбор! Я понимаю, \nчто вы можете быть правы"},
        {"MaskEdit1", Role::PasswordField, "Разгадать тайну затерянного города:", kTyping},
        {"MaskEdit3", Role::PasswordField, "Cбежать подальше от этого города:"},
        {"SpeedButton4", Role::PushButton, "Закрыть"}}},
      {[](Driver& q) {
         q.OpenPath(3);
         q.Wait(1);
       },
       [] { return Form5; },
       "MIRVOLANT",
       kModal,
       {{"Label1", Role::Label,
         "Задание:\nПрежде чем разгадать тайну я перекрестился, и в этом\nмне помог князь."},
        {"Label2", Role::Status, "До активации 1-ой части вируса осталось: 1199 сек."},
        {"MaskEdit1", Role::PasswordField, "Введите код:", kTyping},
        {"SpeedButton1", Role::PushButton, "Закрыть"}}},
      {[](Driver& q) { q.OpenPath(2); },
       [] { return Form4; },
       "MIRVOLANT",
       kModal,
       {{"Label1", Role::Label,
         "Задание:\nВ сорок первом году Тарвелин продолжал искать\nдом в котором торговали."},
        {"SpeedButton2", Role::PushButton, "ОК"}}},
      {[](Driver& q) {
         q.OpenPath(1);
         q.Wait(1200);
       },
       [] { return Form3; },
       "MIRVOLANT",
       kModal,
       {{"Image1", Role::Image,
         "Банкнота в 20 песо: сверху надпись NEAR IGUMENKA, в середине шахтёры с кирками и "
         "лопатами в штольне у вагонетки."},
        {"Label3", Role::Label, "Введите код:"}}},
  };
  for (const Case& c : cases) {
    Driver q;
    q.platform.SetAccessibilityListening(true);
    c.open(q);
    q.Then([&] {
      const tk::platform::AccessibleTree* tree = q.platform.TreeOf(c.form()->WindowId());
      ASSERT_NE(tree, nullptr);
      const AccessibleNode& root = tree->nodes.front();
      SCOPED_TRACE(c.form()->ClassName());
      EXPECT_EQ(root.role, Role::Dialog);
      EXPECT_EQ(root.name, c.title);
      EXPECT_EQ(root.states & c.rootStates, c.rootStates);
      for (const Expect& e : c.nodes) Check(q, *c.form(), e);
      // Password fields show one star per character, nothing else, and
      // each is linked with the prompt that names it.
      for (const AccessibleNode& n : tree->nodes) {
        if (n.role != Role::PasswordField) continue;
        EXPECT_EQ(n.value.find_first_not_of('*'), std::string::npos);
        EXPECT_TRUE(n.states & states::kProtected);
        const AccessibleNode* label = tree->Find(n.labelledBy);
        ASSERT_NE(label, nullptr) << n.name;
        EXPECT_EQ(label->name, n.name);
        EXPECT_EQ(label->labelFor, n.id);
      }
      // Beneath a modal dialog the board is disabled as a whole.
      bool boardDisabled =
          q.platform.TreeOf(Form1->WindowId())->nodes[0].states & states::kDisabled;
      EXPECT_EQ(boardDisabled, c.form() != Form1);
    });
    q.CloseAllAndRun();
  }
}

TEST(Accessibility, ErrorBoxIsAnAlertWithItsMessageAndAFocusedOk) {
  TestApp t;
  t.platform.SetAccessibilityListening(true);
  t.d1->onClick = [] { throw tk::EInvalidOperation("Something failed"); };
  t.Then([&] { t.Click(t.d1->Button1); });
  t.Then([&] {
    tk::TMessageBoxForm* box = t.app->MessageBox();
    ASSERT_NE(box, nullptr);
    const auto* tree = t.platform.TreeOf(box->WindowId());
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->nodes[0].role, Role::Alert);
    EXPECT_EQ(tree->nodes[0].name, "mirvolant");  // the title
    EXPECT_EQ(tree->nodes[0].description, "Something failed.");
    // The message and the button; the stop icon is a decoration.
    EXPECT_EQ(tree->nodes[0].children.size(), 2u);
    const AccessibleNode* ok = t.Node(box->OkButton());
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->role, Role::PushButton);
    EXPECT_EQ(ok->name, "OK");
    EXPECT_TRUE(ok->states & states::kFocused);
    t.DismissBox();
  });
  t.Then([&] { t.Close(t.d1); });
  t.Run();
}

TEST(Accessibility, ASlotSolvedByAScreenReaderReadsOkAndItsCodeIsNeverExposed) {
  Driver q;
  q.platform.SetAccessibilityListening(true);
  q.Then([&] {
    q.Act(Form1->MaskEdit1, AccessibleAction::SetText, "GG38TT");
    // A press of another slot's button leaves the focus in the field.
    q.Act(Form1->SpeedButton2, AccessibleAction::Press);
  });
  q.Then([&] {
    const AccessibleNode* field = q.Node(Form1->MaskEdit1);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->value, "******");
    EXPECT_EQ(field->caret, 6);
    EXPECT_FALSE(field->caretBounds.IsEmpty());
    EXPECT_EQ(Form1->ActiveControl(), Form1->MaskEdit1);
    q.platform.ClearReports();
    q.Act(Form1->SpeedButton1, AccessibleAction::Press);
  });
  q.Then([&] {
    EXPECT_EQ(q.Node(Form1->Panel1)->name, "OK");
    EXPECT_EQ(q.Node(Form1->MaskEdit1), nullptr);
    std::vector<std::pair<ChangeKind, tk::platform::NodeId>> got;
    for (const auto& r : q.platform.Reports()) got.emplace_back(r.change.kind, r.change.node);
    std::vector<std::pair<ChangeKind, tk::platform::NodeId>> expected = {
        {ChangeKind::Structure, Form1->Panel1->AccessibleId()},
        {ChangeKind::Name, Form1->Panel1->AccessibleId()},
        {ChangeKind::Focus, Form1->AccessibleId()}};
    EXPECT_EQ(got, expected);
    EXPECT_EQ(Form1->MaskEdit1->Text(), "gg38tt");
  });
  q.CloseAllAndRun();
}

TEST(Accessibility, NothingIsPublishedUntilSomethingListens) {
  Driver q;
  q.Then([&] { q.Type(Form1, "abc"); });
  q.Then([&] {
    EXPECT_EQ(q.platform.TreeOf(Form1->WindowId()), nullptr);
    EXPECT_TRUE(q.platform.Reports().empty());
    q.platform.SetAccessibilityListening(true);
    q.platform.Wake();
  });
  q.Then([&] {
    ASSERT_GE(q.platform.Reports().size(), 2u);
    EXPECT_EQ(q.platform.Reports()[0].change.kind, ChangeKind::WindowShown);
    EXPECT_EQ(q.platform.Reports()[1].change.kind, ChangeKind::Focus);
    EXPECT_EQ(q.platform.Reports()[1].change.node, Form1->MaskEdit1->AccessibleId());
    EXPECT_EQ(q.Node(Form1->MaskEdit1)->value, "***");
  });
  q.CloseAllAndRun();
}

TEST(Accessibility, TheCountdownIsAnnouncedEachMinuteAndEachPhaseEndsWithItsNews) {
  Driver q;
  q.platform.SetAccessibilityListening(true);
  q.OpenPath(3);
  q.Then([&] {
    q.platform.ClearReports();
    q.Seconds(1200);
  });
  q.Then([&] {
    std::vector<std::string> said = q.Announcements();
    // 1140, 1080, ... 60 seconds left, then the clue.
    ASSERT_EQ(said.size(), 20u);
    EXPECT_EQ(said.front(), "До активации 1-ой части вируса осталось: 1140 сек.");
    EXPECT_EQ(said[18], "До активации 1-ой части вируса осталось: 60 сек.");
    EXPECT_EQ(said.back(), "Князь Олвесар.");
    // The line itself is there to be read at any time.
    EXPECT_EQ(q.Node(Form5->Label2)->name, "До активации 1-ой части вируса осталось: 0 сек.");
    q.platform.ClearReports();
    q.Seconds(2400);
  });
  q.Then([&] {
    std::vector<std::string> said = q.Announcements();
    ASSERT_EQ(said.size(), 41u);
    EXPECT_EQ(said[19], "Ищи около моста.");
    EXPECT_EQ(said[39], "Активация прошла успешно!!!");
    EXPECT_EQ(said[40], "Вирус активирован, введите код слива: 5335K");
    for (const auto& r : q.platform.Reports()) {
      if (r.change.kind == ChangeKind::Announcement) {
        EXPECT_EQ(r.change.politeness, tk::platform::Politeness::Polite);
      }
    }
  });
  q.CloseAllAndRun();
}

TEST(Accessibility, ActionsFollowTheRulesOfTheMouseAndTheKeys) {
  struct Case {
    const char* what;
    std::function<void(TestApp&)> act;    // queued while d1 is shown
    std::function<void(TestApp&)> check;  // the next step
  };
  const std::vector<Case> cases = {
      {"set text replaces the text as typing would, without OnKeyPress",
       [](TestApp& t) {
         t.d1->Edit1->SetText("old");
         t.Act(t.d1->Edit1, AccessibleAction::SetText, "aб😀\r\tc");
       },
       [](TestApp& t) {
         EXPECT_EQ(t.d1->Edit1->Text(),
                   "a\xE1"
                   "c");
         EXPECT_EQ(t.d1->Edit1->CaretPos(), 3);
         EXPECT_EQ(t.d1->keys, "");
       }},
      {"set text keeps to the maximum length",
       [](TestApp& t) {
         t.d1->Edit2->SetMaxLength(3);
         t.Act(t.d1->Edit2, AccessibleAction::SetText, "abcdef");
       },
       [](TestApp& t) { EXPECT_EQ(t.d1->Edit2->Text(), "abc"); }},
      {"press clicks a speed button and leaves the focus",
       [](TestApp& t) {
         t.d1->FocusControl(t.d1->Edit2);
         t.Act(t.d1->Button1, AccessibleAction::Press);
       },
       [](TestApp& t) {
         EXPECT_EQ(t.d1->clicks, 1);
         EXPECT_EQ(t.d1->ActiveControl(), t.d1->Edit2);
       }},
      {"focus moves to a field but not to a speed button",
       [](TestApp& t) {
         t.Act(t.d1->Edit3, AccessibleAction::Focus);
         t.Act(t.d1->Button1, AccessibleAction::Focus);
       },
       [](TestApp& t) { EXPECT_EQ(t.d1->ActiveControl(), t.d1->Edit3); }},
      {"a disabled field refuses",
       [](TestApp& t) {
         t.d1->Edit2->SetEnabled(false);
         t.Act(t.d1->Edit2, AccessibleAction::SetText, "x");
         t.Act(t.d1->Edit2, AccessibleAction::Focus);
       },
       [](TestApp& t) {
         EXPECT_EQ(t.d1->Edit2->Text(), "");
         EXPECT_NE(t.d1->ActiveControl(), t.d1->Edit2);
       }},
      {"a button in a hidden panel refuses",
       [](TestApp& t) {
         t.d1->Panel1->SetVisible(false);
         t.Act(t.d1->Button1, AccessibleAction::Press);
       },
       [](TestApp& t) { EXPECT_EQ(t.d1->clicks, 0); }},
      {"a dialog beneath a modal one refuses",
       [](TestApp& t) {
         t.d1->onClick = [&t] { t.d2->RunModal(); };
         t.Click(t.d1->Button1);
         t.Then([&t] {
           t.Act(t.d1->Button1, AccessibleAction::Press);
           t.Act(t.d1->Edit2, AccessibleAction::SetText, "x");
         });
       },
       [](TestApp& t) {
         EXPECT_EQ(t.d1->clicks, 1);
         EXPECT_EQ(t.d1->Edit2->Text(), "");
         t.Close(t.d2);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestApp t;
    t.Then([&] { c.act(t); });
    t.Then([&] { c.check(t); });
    t.Then([&] { t.Close(t.d1); });
    t.Run();
  }
}

TEST(Accessibility, SystemColoursAndBlinkTimeComeFromThePlatform) {
  Driver t;
  t.platform.SetSystemColor(tk::SysColor::BtnFace, 0x336699);
  t.platform.SetCaretBlinkMs(200);
  t.CreateTestDialogs();
  auto face = [&t] { return t.platform.Find(t.d1->WindowId())->pixels.At(200, 180); };
  t.Then([&] {
    EXPECT_EQ(face(), 0x336699u);
    EXPECT_TRUE(t.d1->Edit1->CaretVisible());
    t.platform.Advance(200);
  });
  t.Then([&] {
    EXPECT_FALSE(t.d1->Edit1->CaretVisible());
    t.platform.SetSystemColor(tk::SysColor::BtnFace, 0x008000);
    t.platform.SetCaretBlinkMs(0);
    t.platform.SettingsChanged();
  });
  t.Then([&] {
    // Everything is drawn again in the new colours; a caret that no longer
    // blinks is on, and stays on.
    EXPECT_EQ(face(), 0x008000u);
    EXPECT_EQ(t.platform.Find(t.d1->WindowId())->pixels.At(5, 50), 0x008000u);
    t.platform.Advance(2000);
  });
  t.Then([&] {
    EXPECT_TRUE(t.d1->Edit1->CaretVisible());
    t.Close(t.d1);
  });
  t.Run();
}

}  // namespace
}  // namespace mirvolant::testing
