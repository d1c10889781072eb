// The web back end: its journal, its desktop, and the whole program on it as
// a page would run it, killed, reloaded and frozen.

#include <cstdio>

#include "WebHarness.h"
#include "toolkit/platform/web/Journal.h"
#include "toolkit/platform/web/WindowManager.h"

namespace mirvolant::testing {
namespace {

using tk::TPoint;
using tk::platform::Event;
using tk::platform::EventKind;
using tk::platform::Key;
using web::Journal;
using web::JournalRecord;
using web::WindowManager;

// The level codes as players type them: one in capitals, one Cyrillic.
constexpr const char* kTyped[9] = {"GG38TT", "72m%", "3&9", "28k03", "жуфа",
                                   "367",    "%3%",  "7bx", "vemt"};

Event Ev(EventKind kind, uint32_t window, int x = 0, int y = 0) {
  Event e;
  e.kind = kind;
  e.window = window;
  e.x = x;
  e.y = y;
  return e;
}

// A journal's text with its checksum line.
std::string Sealed(const std::string& body) {
  char sum[32];
  std::snprintf(sum, sizeof sum, "sum %016llx\n",
                static_cast<unsigned long long>(web::Fnv1a64(body)));
  return body + sum;
}

TEST(WebJournal, EveryRecordComesBackAndDamageIsRefused) {
  Journal j("Mirvolant 1.0", FakeHost::kStart);
  Event key = Ev(EventKind::KeyDown, 1);
  key.key = Key::Tab;
  key.modifiers = tk::platform::kShift;
  key.repeat = true;
  Event text = Ev(EventKind::Text, 2);
  text.text = "жуфа 5335K?";
  Event paste = Ev(EventKind::Paste, 1);
  Event down = Ev(EventKind::MouseDown, 3, -5, 700);
  down.button = 1;
  j.Append(JournalRecord::OfEvent(10, key));
  j.Append(JournalRecord::OfEvent(10, text));
  j.Append(JournalRecord::OfEvent(11, paste));
  paste.text = "gg38tt\r\n";
  j.Append(JournalRecord::OfEvent(12, paste));
  j.Append(JournalRecord::OfEvent(20, down));
  j.Append(JournalRecord::OfEvent(21, Ev(EventKind::MouseMove, 3, 1, 1)));
  // A move replaced by the next, as hovering does.
  j.ReplaceLast(JournalRecord::OfEvent(25, Ev(EventKind::MouseMove, 3, 2, 2)));
  for (EventKind k : {EventKind::MouseUp, EventKind::MouseLeave, EventKind::CloseRequest,
                      EventKind::FocusGained, EventKind::FocusLost, EventKind::Moved}) {
    j.Append(JournalRecord::OfEvent(30, Ev(k, 1, 4, 5)));
  }
  j.Append(JournalRecord::OfJump(1000, 61000));
  std::string text1 = j.Encode();

  std::optional<Journal> back = Journal::Decode(text1, "Mirvolant 1.0");
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->Encode(), text1);
  ASSERT_EQ(back->Records().size(), 13u);
  EXPECT_EQ(back->Records()[1].event.text, text.text);
  EXPECT_EQ(back->Records()[2].event.kind, EventKind::Paste);
  EXPECT_EQ(back->Records()[2].event.text, "");
  EXPECT_EQ(back->Records()[3].event.text, paste.text);
  EXPECT_EQ(back->Records()[5].event.x, 2);
  EXPECT_EQ(back->Records()[5].time, 25);
  EXPECT_EQ(back->Records()[12].deadline, 1000);
  EXPECT_EQ(back->StartWallMs(), FakeHost::kStart);

  // A journal of another program, version or damaged anywhere is refused.
  auto resum = Sealed;
  std::string body = text1.substr(0, text1.rfind("sum "));
  std::string header = body.substr(0, body.find('\n') + 1);
  std::string records = body.substr(header.size());
  const std::string refused[] = {
      "",
      "not a journal",
      text1.substr(0, text1.size() - 1),
      text1.substr(0, text1.size() / 2),
      std::string(text1).replace(header.size(), 1, "9"),
      resum(std::string(header).replace(4, 1, "3") + records),
      resum(header + "5 p 1 16 2 41\n"),  // a paste as the first version wrote it
      resum(header + "-5 k 1 1 0 0\n"),
      resum(header + "5 k 1 99 0 0\n"),
      resum(header + "5 z 1\n"),
      resum(header + "5 t 1 zz\n"),
      resum(header + "5 m 1 99999999999 0\n"),
      resum(header + "5 j 999\n"),
      resum(header + "99999999999999999999 c 1\n"),
      resum(header + "5 c 1 2\n"),
  };
  for (const std::string& t : refused) {
    EXPECT_FALSE(Journal::Decode(t, "Mirvolant 1.0").has_value()) << t;
  }
  EXPECT_FALSE(Journal::Decode(text1, "Mirvolant 1.1").has_value());
  // Every single flipped byte is noticed.
  for (size_t i = 0; i < text1.size(); i += 7) {
    std::string t = text1;
    t[i] = static_cast<char>(t[i] ^ 0x20);
    EXPECT_FALSE(Journal::Decode(t, "Mirvolant 1.0").has_value()) << i;
  }
}

TEST(WebDesktop, ScaleIsCrispWhereTheDialogsFitAndFitsWhereTheyDoNot) {
  struct Case {
    int viewWidth, viewHeight;
    double ratio;
    int needWidth, needHeight;
    double scale;
  } cases[] = {
      {1920, 1080, 1.0, 678, 393, 1.0},           // a desktop screen: one pixel each
      {3840, 2160, 2.0, 678, 393, 2.0},           // the same at twice the density
      {2400, 1600, 1.25, 678, 393, 1.0},          // 125 %: rounded to one
      {1170, 2532, 3.0, 525, 451, 2.0},           // a phone, the board alone: two fit
      {1170, 2532, 3.0, 678, 393, 1170.0 / 678},  // a mission: just the width
      {780, 1688, 2.0, 678, 393, 1.0},            // two would not fit, one keeps 87 %
      {600, 900, 1.0, 678, 393, 600.0 / 678},     // narrower than a dialog
      {2532, 1170, 3.0, 678, 451, 2.0},           // a phone turned: the height decides
      {1280, 800, 1.0, 0, 0, 1.0},                // no window yet
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(
        WindowManager::Scale(c.viewWidth, c.viewHeight, c.ratio, c.needWidth, c.needHeight),
        c.scale)
        << c.viewWidth << "x" << c.viewHeight << " @" << c.ratio;
  }
}

TEST(WebDesktop, FrameCaptionCloseBoxAndStacking) {
  WindowManager d;
  d.Resize(800, 600);
  tk::platform::WindowId a = d.Create("MIRVOLANT", 300, 200);
  tk::platform::WindowId b = d.Create("Выбор пути", 200, 100);
  d.Move(a, {10, 20});
  d.Move(b, {450, 300});
  d.Show(a);
  d.Show(b);
  d.Activate(a);
  d.Compose();
  // The inactive caption is grey.
  EXPECT_EQ(d.At(450 + 3, 300 + 3), 0x808080u);
  d.Move(b, {150, 100});
  d.Compose();
  // The active caption: navy at its left end, the title in white, the close
  // box a raised button with a black cross; the edge outside.
  EXPECT_EQ(d.At(10 + 3, 20 + 3), 0x0A246Au);
  EXPECT_EQ(d.At(10, 20), 0xD4D0C8u);
  EXPECT_EQ(d.At(10 + 306 - 1, 20 + 225 - 1), 0x404040u);
  tk::TRect close = d.CloseBoxRect(a);
  EXPECT_EQ(d.At(close.Left, close.Top), 0xFFFFFFu);
  EXPECT_EQ(d.At(close.Right - 1, close.Bottom - 1), 0x404040u);
  EXPECT_EQ(d.At(close.Left + 4, close.Top + 3), 0x000000u);
  bool white = false;
  for (int x = 15; x < 80; ++x) white = white || d.At(x, 20 + 10) == 0xFFFFFFu;
  EXPECT_TRUE(white) << "no title";
  // The active one lies above where they overlap.
  EXPECT_EQ(d.At(200, 150), 0xD4D0C8u);
  EXPECT_EQ(d.HitTest({200, 150}).window, a);
  EXPECT_EQ(d.HitTest({340, 150}).window, b);
  EXPECT_EQ(d.Stacking().back(), a);
  // What lies where.
  EXPECT_EQ(d.HitTest({close.Left + 2, close.Top + 2}).part, WindowManager::Part::CloseBox);
  EXPECT_EQ(d.HitTest({40, 30}).part, WindowManager::Part::Caption);
  WindowManager::Hit client = d.HitTest({10 + 3 + 7, 20 + 22 + 9});
  EXPECT_EQ(client.part, WindowManager::Part::Client);
  EXPECT_EQ(client.client, (TPoint{7, 9}));
  EXPECT_EQ(d.HitTest({11, 100}).part, WindowManager::Part::Edge);
  EXPECT_EQ(d.HitTest({700, 500}).window, tk::platform::kNoWindow);
  // Windows keep inside the desktop.
  EXPECT_EQ(d.Kept(a, {700, -40}), (TPoint{800 - 306, 0}));
  d.Resize(200, 600);
  EXPECT_EQ(d.Kept(a, {50, 50}), (TPoint{0, 50}));
}

// Plays the board by the page's input; slot 2 pasted, slot 1 in capitals,
// slot 5 in Cyrillic.
void SolveBoardOnPage(FakeHost& page) {
  for (int slot = 1; slot <= 9; ++slot) {
    page.Then([&page, slot] {
      tk::TMaskEdit* field = Form1->SlotControls(slot).field;
      if (slot == 2) {
        page.Click(page.At(field));
        page.Paste(kTyped[1]);
        page.Key("Enter");
      } else {
        page.Enter(field, kTyped[slot - 1]);
      }
    });
  }
}

// The escape path up to its mission, opened at the step's wall time.
void OpenEscapeOnPage(FakeHost& page) {
  SolveBoardOnPage(page);
  page.Then([&page] {
    EXPECT_TRUE(Form2->FormVisible());
    EXPECT_FALSE(Form1->WindowEnabled());
    page.Enter(Form2->MaskEdit3, "jjj52");
  });
}

std::string Countdown(const TMissionForm* form) {
  return tk::AnsiToUtf8(form->Label2->Caption());
}

TEST(WebPage, WholeGameFromThePagesInput) {
  FakeHost page;
  std::string roadJournal;
  OpenEscapeOnPage(page);
  page.Then([&] {
    ASSERT_TRUE(Form5->FormVisible());
    EXPECT_TRUE(page.textInput);
  });
  page.RunFor(3600 * 1000);
  page.Then([&] {
    EXPECT_EQ(Countdown(Form5), "Активация прошла успешно!!!");
    page.Enter(Form5->MaskEdit1, "5335k");
  });
  page.RunFor(3600 * 1000);
  page.Then([&] { page.Enter(Form4->MaskEdit1, "406?&"); });
  page.RunFor(3600 * 1000);
  page.Then([&] {
    EXPECT_EQ(tk::AnsiToUtf8(Form3->Label1->Caption()),
              "Вирус активирован, введите код слива: 83~");
    page.Enter(Form3->MaskEdit1, "83~");
  });
  page.Then([&] {
    EXPECT_EQ(tk::AnsiToUtf8(Form3->Label1->Caption()), "Код: 66$6\rВбейте в движок 10 уровня.");
    // The engine code shown, no field left to type into.
    EXPECT_FALSE(page.textInput);
    roadJournal = page.storage;
    // The mystery mission's close box unwinds the chain to the path choice.
    tk::TRect close = page.platform->Windows().CloseBoxRect(Form3->WindowId());
    page.Click({close.Left + 3, close.Top + 3});
  });
  page.Then([&] {
    EXPECT_FALSE(Form3->FormVisible());
    EXPECT_FALSE(Form4->FormVisible());
    EXPECT_FALSE(Form5->FormVisible());
    EXPECT_TRUE(Form2->FormVisible());
    page.Click(page.At(Form2->SpeedButton4));
  });
  page.Then([&] {
    tk::TRect close = page.platform->Windows().CloseBoxRect(Form1->WindowId());
    page.Click({close.Left + 3, close.Top + 3});
  });
  EXPECT_EQ(RunOnPage(page), 0);
  EXPECT_TRUE(page.steps.empty());

  // Replaying the road's journal rebuilds the solved mystery mission.
  FakeHost again;
  again.storage = roadJournal;
  again.wall = FakeHost::kStart + 3 * 3600 * 1000 + 600 * 1000;
  std::string state;
  again.Then([&] {
    state = StateOf();
    EXPECT_TRUE(Form3->FormVisible());
    EXPECT_EQ(tk::AnsiToUtf8(Form3->Label2->Caption()), "Вирус активирован!!!");
  });
  RunOnPage(again);
  EXPECT_FALSE(again.refused);
  std::printf("replay of a whole road (%zu records): %.1f ms\n", again.replayed, again.replayMs);
  EXPECT_GT(again.replayed, 40u);
}

TEST(WebPage, AReloadRebuildsTheExactStateWithTheCountdownAtWallTime) {
  // The page plays into the escape mission's second phase, where it is
  // killed; the same page left alone runs 95 seconds more.
  FakeHost first;
  std::string saved;
  int64_t killedAt = 0;
  std::string continued;
  OpenEscapeOnPage(first);
  first.RunFor(1300 * 1000);
  first.Then([&] {
    first.Click(first.At(Form5->MaskEdit1));
    first.Type("53");
  });
  first.RunFor(2500);
  first.Then([&] {
    saved = first.storage;
    killedAt = first.wall;
  });
  first.RunFor(95 * 1000);
  first.Then([&] { continued = StateOf(); });
  RunOnPage(first);
  ASSERT_FALSE(saved.empty());

  // The reloaded page replays the journal and catches up to wall time.
  FakeHost reloaded;
  reloaded.storage = saved;
  reloaded.wall = killedAt + 95 * 1000;
  std::string rebuilt;
  reloaded.Then([&] { rebuilt = StateOf(); });
  // And plays on from there.
  reloaded.Then([&] { reloaded.Type("35k"); });
  reloaded.Then([&] { reloaded.Key("Enter"); });
  reloaded.Then([&] { EXPECT_TRUE(Form4->FormVisible()); });
  RunOnPage(reloaded);
  EXPECT_FALSE(reloaded.refused);
  EXPECT_EQ(rebuilt, continued);
  EXPECT_NE(continued.find("seconds=0,0,1003"), std::string::npos) << continued;
  EXPECT_NE(continued.find("'53'"), std::string::npos) << continued;
}

TEST(WebPage, AFrozenPageCatchesUpEveryTickInOrder) {
  FakeHost page;
  OpenEscapeOnPage(page);
  page.RunFor(10 * 1000);
  page.Then([&] { EXPECT_EQ(unit5::SecondsLeft, 1190); });
  page.Freeze(60 * 1000);
  page.Then([&] {
    EXPECT_EQ(unit5::SecondsLeft, 1130);
    EXPECT_EQ(Countdown(Form5), "До активации 1-ой части вируса осталось: 1130 сек.");
  });
  // Frozen across the end of the first phase: the second started when the
  // first ended, in wall time.
  page.Freeze(1500 * 1000);
  page.Then([&] {
    EXPECT_EQ(unit5::SecondsLeft, 1200 - (1570 - 1200));
    EXPECT_EQ(tk::AnsiToUtf8(Form5->Label1->Caption()), "Князь Олвесар.");
  });
  RunOnPage(page);
  std::optional<Journal> j = Journal::Decode(page.storage, "Mirvolant test");
  ASSERT_TRUE(j.has_value());
  int jumps = 0;
  for (const JournalRecord& r : j->Records()) jumps += r.kind == JournalRecord::Kind::Jump;
  EXPECT_EQ(jumps, 2);
}

TEST(WebPage, ACorruptOrForeignJournalStartsANewGame) {
  Journal foreign("Another program", FakeHost::kStart);
  foreign.Append(JournalRecord::OfEvent(5, Ev(EventKind::CloseRequest, 1)));
  // Well formed, but for windows and places that do not exist.
  Journal odd("Mirvolant test", FakeHost::kStart);
  odd.Append(JournalRecord::OfEvent(5, Ev(EventKind::MouseDown, 77, -99, 99999)));
  odd.Append(JournalRecord::OfEvent(6, Ev(EventKind::Moved, 1, -5000, 90000)));
  odd.Append(JournalRecord::OfJump(0, 7));
  struct Case {
    std::string storage;
    bool refused;
  } cases[] = {{"MVJ 1 garbage", true}, {foreign.Encode(), true}, {odd.Encode(), false}};
  for (const Case& c : cases) {
    FakeHost page;
    page.storage = c.storage;
    page.Then([&] {
      EXPECT_TRUE(Form1->FormVisible());
      EXPECT_EQ(SolvedCount, 0);
      page.Enter(Form1->MaskEdit1, "gg38tt");
    });
    page.Then([&] { EXPECT_EQ(tk::AnsiToUtf8(Form1->Panel1->Caption()), "OK"); });
    EXPECT_EQ(RunOnPage(page), 0);
    EXPECT_EQ(page.refused, c.refused);
    EXPECT_TRUE(Journal::Decode(page.storage, "Mirvolant test").has_value());
  }
}

TEST(WebPage, AJournalOfTheFirstVersionReplaysItsPastes) {
  // The first version wrote a paste as Ctrl+V (key 16, modifiers 2) with the
  // clipboard's text; here "GG38TT" pasted into the board's first field,
  // then Enter.
  FakeHost page;
  page.storage = Sealed("MVJ 1 Mirvolant%20test " + std::to_string(FakeHost::kStart) +
                        "\n5 p 1 16 2 474733385454\n5 k 1 2 0 0\n");
  page.Then([&] {
    EXPECT_EQ(SolvedCount, 1);
    EXPECT_EQ(tk::AnsiToUtf8(Form1->Panel1->Caption()), "OK");
  });
  RunOnPage(page);
  EXPECT_FALSE(page.refused);
}

TEST(WebInput, KeysAreMappedByNameAndShortcutLettersByPlace) {
  using web::WebPlatform;
  EXPECT_EQ(WebPlatform::KeyOf("ArrowLeft", "ArrowLeft"), Key::Left);
  EXPECT_EQ(WebPlatform::KeyOf(" ", "Space"), Key::Space);
  // Ctrl+V on a Russian layout types "м" on the V key.
  EXPECT_EQ(WebPlatform::KeyOf("м", "KeyV"), Key::V);
  EXPECT_EQ(WebPlatform::KeyOf("b", "KeyB"), Key::None);
  EXPECT_EQ(web::RawInput::KindOf("pointercancel"), web::RawInput::Kind::PointerCancel);
  EXPECT_EQ(web::RawInput::KindOf("wheel"), std::nullopt);
}

TEST(WebPage, ADisabledDialogRefusesInputAndTheCaptionDrags) {
  FakeHost page;
  SolveBoardOnPage(page);
  size_t records = 0;
  TPoint pathAt;
  page.Then([&] {
    ASSERT_TRUE(Form2->FormVisible());
    records = web::Journal::Decode(page.storage, "Mirvolant test")->Records().size();
    // The board lies beneath the path choice, disabled: neither its field
    // nor its close box take anything.
    const WindowManager& screen = page.platform->Windows();
    tk::TRect board = screen.OuterRect(Form1->WindowId());
    tk::TRect close = screen.CloseBoxRect(Form1->WindowId());
    page.Click({board.Left + 10, board.Bottom - 10});
    page.Click({close.Left + 3, close.Top + 3});
    page.Type("x");
    pathAt = {Form2->ScreenLeft(), Form2->ScreenTop()};
  });
  page.Then([&] {
    EXPECT_TRUE(Form1->FormVisible());
    EXPECT_TRUE(Form2->FormVisible());
    std::optional<Journal> j = Journal::Decode(page.storage, "Mirvolant test");
    // The pointer left the board, which took nothing else; the typed text
    // went to the path choice.
    ASSERT_GT(j->Records().size(), records);
    for (size_t i = records; i < j->Records().size(); ++i) {
      const Event& e = j->Records()[i].event;
      if (e.window == Form1->WindowId()) {
        EXPECT_EQ(e.kind, EventKind::MouseLeave) << i;
      }
    }
    EXPECT_EQ(j->Records().back().event.window, Form2->WindowId());
    EXPECT_EQ(j->Records().back().event.text, "x");
    // Dragging the path choice by its caption.
    TPoint grab{pathAt.X + 40, pathAt.Y + 10};
    page.Pointer(Raw::PointerDown, grab);
    page.Pointer(Raw::PointerMove, {grab.X - 30, grab.Y + 25});
    page.Pointer(Raw::PointerMove, {grab.X - 25, grab.Y + 40});
    page.Pointer(Raw::PointerUp, {grab.X - 25, grab.Y + 40});
  });
  page.Then([&] {
    EXPECT_EQ(Form2->ScreenLeft(), pathAt.X - 25);
    EXPECT_EQ(Form2->ScreenTop(), pathAt.Y + 40);
    EXPECT_EQ(page.platform->Windows().Position(Form2->WindowId()),
              (TPoint{pathAt.X - 25, pathAt.Y + 40}));
  });
  RunOnPage(page);
}

}  // namespace
}  // namespace mirvolant::testing
