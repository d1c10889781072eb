// The web back end: its journal, its desktop, and the whole program on it as
// a page would run it, killed, reloaded and frozen.

#include <cstdio>
#include <fstream>
#include <sstream>

#include "Road.h"
#include "WebHarness.h"
#include "quest/Rules.h"
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

// A journal's text with its checksum line.
std::string Sealed(const std::string& body) {
  char sum[32];
  std::snprintf(sum, sizeof sum, "sum %016llx\n",
                static_cast<unsigned long long>(web::Fnv1a64(body)));
  return body + sum;
}

Event Ev(EventKind kind, uint32_t window, int x = 0, int y = 0) {
  Event e;
  e.kind = kind;
  e.window = window;
  e.x = x;
  e.y = y;
  return e;
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
  // What a screen reader asked: set a field's text.
  Event act = Ev(EventKind::AccessibleAction, 2);
  act.node = 4000000000u;
  act.action = tk::platform::AccessibleAction::SetText;
  act.text = "gg 38";
  j.Append(JournalRecord::OfEvent(40, act));
  j.Append(JournalRecord::OfJump(1000, 61000));
  std::string text1 = j.Encode();

  std::optional<Journal> back = Journal::Decode(text1, "Mirvolant 1.0");
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->Encode(), text1);
  ASSERT_EQ(back->Records().size(), 14u);
  EXPECT_EQ(back->Records()[1].event.text, text.text);
  EXPECT_EQ(back->Records()[2].event.kind, EventKind::Paste);
  EXPECT_EQ(back->Records()[2].event.text, "");
  EXPECT_EQ(back->Records()[3].event.text, paste.text);
  EXPECT_EQ(back->Records()[5].event.x, 2);
  EXPECT_EQ(back->Records()[5].time, 25);
  const Event& acted = back->Records()[12].event;
  EXPECT_EQ(acted.kind, EventKind::AccessibleAction);
  EXPECT_EQ(acted.node, act.node);
  EXPECT_EQ(acted.action, act.action);
  EXPECT_EQ(acted.text, act.text);
  EXPECT_EQ(back->Records()[13].deadline, 1000);
  EXPECT_EQ(back->StartWallMs(), FakeHost::kStart);

  // A journal of another program, version or damaged anywhere is refused.
  auto resum = Sealed;
  std::string body = text1.substr(0, text1.rfind("sum "));
  std::string header = body.substr(0, body.find('\n') + 1);
  std::string records = body.substr(header.size());
  const std::string refused[] = {
      "", "not a journal", text1.substr(0, text1.size() - 1), text1.substr(0, text1.size() / 2),
      std::string(text1).replace(header.size(), 1, "9"),
      // A later version of the text form than this code reads.
      resum(std::string(header).replace(4, 1, std::to_string(Journal::kVersion + 1)) + records),
      resum(header + "5 p 1 16 2 41\n"),  // a paste as the first version wrote it
      resum(header + "-5 k 1 1 0 0\n"), resum(header + "5 k 1 99 0 0\n"), resum(header + "5 z 1\n"),
      resum(header + "5 t 1 zz\n"), resum(header + "5 m 1 99999999999 0\n"),
      resum(header + "5 j 999\n"), resum(header + "99999999999999999999 c 1\n"),
      resum(header + "5 c 1 2\n"),
      resum(header + "5 a 1 0 0 -\n"),  // no node
      resum(header + "5 a 1 7 3 -\n"),  // no such action
  };
  for (const std::string& t : refused) {
    EXPECT_FALSE(Journal::Decode(t, "Mirvolant 1.0").has_value()) << t;
  }
  // A journal belongs to the game and its rules, not to the program's
  // version; one named by a version counts as the first rules'.
  EXPECT_TRUE(Journal::Decode(text1, "Mirvolant 1.1").has_value());
  EXPECT_TRUE(Journal::Decode(text1, "Mirvolant/1").has_value());
  EXPECT_FALSE(Journal::Decode(text1, "Mirvolant/2").has_value());
  EXPECT_FALSE(Journal::Decode(text1, "Another/1").has_value());
  std::string ruled = Journal("Mirvolant/2", FakeHost::kStart).Encode();
  EXPECT_TRUE(Journal::Decode(ruled, "Mirvolant/2").has_value());
  EXPECT_FALSE(Journal::Decode(ruled, "Mirvolant 1.0").has_value());
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

// The page as a driver of the road (tests/road/road.txt).
struct Page : FakeHost {
  // Plays the board by the page's input; slot 2 pasted, slot 5 in Cyrillic.
  void SolveBoard() {
    for (int slot = 1; slot <= 9; ++slot) {
      Then([this, slot] {
        tk::TMaskEdit* field = Form1->SlotControls(slot).field;
        const std::string& code = Road::Get().levels[slot - 1];
        if (slot != 2) return Enter(field, code);
        Click(At(field));
        Paste(code);
        Key("Enter");
      });
    }
  }
  void Wait(int64_t seconds) { RunFor(seconds * 1000); }
  // A click on the dialog's close box.
  void Close(const tk::TCustomForm* form) {
    tk::TRect box = platform->Windows().CloseBoxRect(form->WindowId());
    Click({box.Left + 3, box.Top + 3});
  }
};

TEST(WebPage, WholeGameFromThePagesInput) {
  Page page;
  std::string roadJournal;
  page.mirroring = true;
  WalkRoad(page, [&](const Road::Stop& stop) {
    // A mission's drain-code field takes the page's text input.
    if (stop.move == "path") {
      EXPECT_TRUE(page.textInput);
    }
    // The page's mirror names the field that takes the text.
    if (page.textInput) {
      EXPECT_EQ(page.textNode, tk::Application->ActiveForm()->ActiveControl()->AccessibleId())
          << stop.name;
    }
    if (stop.name != "engine-code") return;
    // The engine code shown, no field left to type into.
    EXPECT_EQ(tk::AnsiToUtf8(Form3->Label1->Caption()), "Код: 66$6\rВбейте в движок 10 уровня.");
    EXPECT_FALSE(page.textInput);
    roadJournal = page.storage;
  });
  page.Then([&] {
    // Back at the board: its close box ends the game.
    EXPECT_FALSE(Form2->FormVisible());
    page.Close(Form1);
  });
  EXPECT_EQ(RunOnPage(page), 0);
  EXPECT_TRUE(page.script.steps.empty());

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
  // The escape mission's drain code, typed in two parts.
  const std::string& code = Road::Get().drains.at("Form5");
  // The page plays into the escape mission's second phase, where it is
  // killed; the same page left alone runs 95 seconds more.
  Page first;
  std::string saved;
  int64_t killedAt = 0;
  std::string continued;
  WalkRoad(first, {}, "escape-mission");
  first.RunFor(1300 * 1000);
  first.Then([&] {
    first.Click(first.At(Form5->MaskEdit1));
    first.Type(code.substr(0, 2));
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
  reloaded.Then([&] { reloaded.Type(code.substr(2)); });
  reloaded.Then([&] { reloaded.Key("Enter"); });
  reloaded.Then([&] { EXPECT_TRUE(Form4->FormVisible()); });
  RunOnPage(reloaded);
  EXPECT_FALSE(reloaded.refused);
  EXPECT_EQ(rebuilt, continued);
  EXPECT_NE(continued.find("seconds=0,0,1003"), std::string::npos) << continued;
  EXPECT_NE(continued.find("'" + code.substr(0, 2) + "'"), std::string::npos) << continued;
}

TEST(WebPage, AFrozenPageCatchesUpEveryTickInOrder) {
  Page page;
  WalkRoad(page, {}, "escape-mission");
  page.RunFor(10 * 1000);
  page.Then([&] { EXPECT_EQ(unit5::SecondsLeft, 1190); });
  page.Freeze(60 * 1000);
  page.Then([&] {
    EXPECT_EQ(unit5::SecondsLeft, 1130);
    EXPECT_EQ(tk::AnsiToUtf8(Form5->Label2->Caption()),
              "До активации 1-ой части вируса осталось: 1130 сек.");
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
      page.Enter(Form1->MaskEdit1, Road::Get().levels[0]);
    });
    page.Then([&] { EXPECT_EQ(tk::AnsiToUtf8(Form1->Panel1->Caption()), "OK"); });
    EXPECT_EQ(RunOnPage(page), 0);
    EXPECT_EQ(page.refused, c.refused);
    EXPECT_TRUE(Journal::Decode(page.storage, "Mirvolant test").has_value());
  }
}

// A whole road played on the page's first version (1.0.0, whose journals
// named the program's version): it replays to the engine code as long as the
// quest's rules are the first. When a change makes this fail, the rules
// changed: bump kQuestRules, so that such games are kept aside instead of
// replayed wrongly, and record a road of the new rules here.
TEST(WebPage, ARoadSavedByTheFirstPageReplaysUnderTheseRules) {
  ASSERT_EQ(kQuestRules, 1) << "record a road of the new rules";
  std::ifstream in(MV_SOURCE_DIR "/tests/web/data/road-1.0.0.journal", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  FakeHost page;
  page.storage = text.str();
  std::optional<Journal> road = Journal::Decode(page.storage, SavedGameName());
  ASSERT_TRUE(road.has_value());
  page.wall = road->StartWallMs() + road->LastTime() + 1000;
  page.Then([&] {
    EXPECT_TRUE(Form3->FormVisible());
    EXPECT_EQ(tk::AnsiToUtf8(Form3->Label1->Caption()), "Код: 66$6\rВбейте в движок 10 уровня.");
    EXPECT_EQ(SolvedCount, 9);
  });
  RunOnPage(page, SavedGameName().c_str());
  EXPECT_FALSE(page.refused);
  EXPECT_EQ(page.replayed, road->Records().size());
}

TEST(WebPage, TwoCopiesMeanATornWriteLosesNothing) {
  FakeHost first;
  first.Then([&] { first.Enter(Form1->MaskEdit1, "gg38tt"); });
  std::string oneSolved;
  first.Then([&] {
    EXPECT_EQ(first.storage, first.storageCopy);
    oneSolved = first.storage;
    // The storage is full: neither copy changes, and play goes on.
    first.storageFull = true;
    first.Enter(Form1->MaskEdit2, "72m%");
  });
  first.Then([&] { EXPECT_EQ(tk::AnsiToUtf8(Form1->Panel2->Caption()), "OK"); });
  RunOnPage(first);
  EXPECT_EQ(first.storage, oneSolved);
  EXPECT_EQ(first.storageCopy, oneSolved);

  std::string torn = oneSolved.substr(0, oneSolved.size() - 9);
  struct Case {
    std::string primary, copy;
    bool restored;
  } cases[] = {
      {torn, oneSolved, true},  // the first copy's write was cut short
      {oneSolved, torn, true},  // the second's
      {"", oneSolved, true},
      {torn, torn, false},
  };
  for (const Case& c : cases) {
    FakeHost page;
    page.storage = c.primary;
    page.storageCopy = c.copy;
    page.Then([&] {
      EXPECT_EQ(SolvedCount, c.restored ? 1 : 0);
      // Replayed, the game is whole in both copies again.
      if (c.restored) {
        EXPECT_EQ(page.storage, page.storageCopy);
      }
      page.Enter(Form1->MaskEdit3, "3&9");
    });
    RunOnPage(page);
    EXPECT_EQ(page.refused, !c.restored);
    // The game goes on in both copies.
    std::optional<Journal> saved = Journal::Decode(page.storageCopy, "Mirvolant test");
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(page.storage, page.storageCopy);
  }
}

TEST(WebPage, TheFieldBeingTypedInIsToldAndAShorterViewportMovesNoWindow) {
  // A phone held upright, 390 x 844 CSS pixels at three device pixels each.
  FakeHost page;
  page.viewWidth = 1170;
  page.viewHeight = 2532;
  page.ratio = 3;
  double scale = 0;
  tk::TRect desktop;
  TPoint board;
  auto over = [&page](const tk::TControl* control) {
    return page.textInput && page.textArea.Contains(page.At(control)) &&
           page.textArea.Width() == control->Width() && page.textArea.Height() == control->Height();
  };
  page.Then([&] {
    EXPECT_TRUE(over(Form1->MaskEdit1));
    scale = page.platform->ScaleFactor();
    desktop = page.platform->Windows().Bounds();
    board = page.platform->Windows().Position(Form1->WindowId());
    page.Key("Tab");
    // The on-screen keyboard takes two thirds of the height.
    web::RawInput& resize = page.Arrive(Raw::Resize);
    resize.width = 1170;
    resize.height = 844;
    resize.ratio = 3;
  });
  page.Then([&] {
    EXPECT_TRUE(over(Form1->MaskEdit2));
    EXPECT_EQ(page.platform->ScaleFactor(), scale);
    EXPECT_EQ(page.platform->Windows().Bounds(), desktop);
    EXPECT_EQ(page.platform->Windows().Position(Form1->WindowId()), board);
    // Turned on its side, the phone lays the desktop out anew.
    web::RawInput& resize = page.Arrive(Raw::Resize);
    resize.width = 2532;
    resize.height = 1170;
    resize.ratio = 3;
  });
  page.Then([&] {
    EXPECT_NE(page.platform->Windows().Bounds(), desktop);
    EXPECT_TRUE(over(Form1->MaskEdit2));
  });
  RunOnPage(page);
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
  Page page;
  page.SolveBoard();
  size_t records = 0;
  TPoint pathAt;
  page.Then([&] {
    ASSERT_TRUE(Form2->FormVisible());
    records = web::Journal::Decode(page.storage, "Mirvolant test")->Records().size();
    // The board lies beneath the path choice, disabled: neither its field
    // nor its close box take anything.
    tk::TRect board = page.platform->Windows().OuterRect(Form1->WindowId());
    page.Click({board.Left + 10, board.Bottom - 10});
    page.Close(Form1);
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
    // The page's text field went along with the field being typed in.
    EXPECT_TRUE(page.textArea.Contains(page.At(Form2->MaskEdit1)));
    EXPECT_EQ(page.platform->Windows().Position(Form2->WindowId()),
              (TPoint{pathAt.X - 25, pathAt.Y + 40}));
  });
  RunOnPage(page);
}

// The page's mirror for screen readers: the board told whole once, then only
// what changed; a screen reader's text and press come in as journaled
// actions, and what the last tree shows cannot be done is refused at once.
TEST(WebPage, MirrorTellsWhatChangedAndTakesAScreenReadersActions) {
  using tk::platform::AccessibleAction;
  Page page;
  page.mirroring = true;
  auto all = [&page] {
    std::string joined;
    for (const std::string& batch : page.mirrored) joined += batch + "\n";
    page.mirrored.clear();
    return joined;
  };
  auto has = [](const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  };
  TForm1::Slot slot1{};
  auto id = [](const tk::TControl* c) { return std::to_string(c->AccessibleId()); };
  page.Then([&] {
    slot1 = Form1->SlotControls(1);
    std::string told = all();
    EXPECT_TRUE(has(told, "{\"o\":\"win\",\"w\":" + std::to_string(Form1->WindowId()) + ",\"id\":" +
                              id(Form1) + ",\"role\":\"dialog\",\"name\":\"MIRVOLANT\""))
        << told;
    for (int n = 1; n <= 9; ++n) {
      TForm1::Slot s = Form1->SlotControls(n);
      std::string prompt = "\"name\":\"Введите код " + std::to_string(n) + "го уровня:\"";
      // A password field named by its prompt, and the prompt a label for it.
      EXPECT_TRUE(has(told, "\"id\":" + id(s.field) + ",\"parent\":" + id(s.panel) +
                                ",\"role\":\"passwordfield\"," + prompt))
          << n;
      EXPECT_TRUE(has(told, "\"role\":\"label\"," + prompt)) << n;
      EXPECT_TRUE(has(told, "\"label\":" + id(s.field) + "}")) << n;
    }
    EXPECT_TRUE(has(told, "{\"o\":\"focus\",\"id\":" + id(slot1.field) + "}"));
    EXPECT_TRUE(has(told, "{\"o\":\"place\",\"w\":" + std::to_string(Form1->WindowId())));
    // The first field takes typed text.
    EXPECT_EQ(page.textNode, slot1.field->AccessibleId());

    page.Access(slot1.field->AccessibleId(), AccessibleAction::SetText, Road::Get().levels[0]);
    // Refused: a label cannot be pressed, no tree holds the node.
    page.Access(slot1.label->AccessibleId(), AccessibleAction::Press);
    page.Access(4000000000u, AccessibleAction::Press);
    page.Access(slot1.button->AccessibleId(), AccessibleAction::Press);
  });
  page.RunFor(100);
  page.Then([&] {
    EXPECT_EQ(SolvedCount, 1);
    std::string told = all();
    // Only what changed: the solved slot's panel reads "OK", its field went
    // away, and with it the text input.
    EXPECT_FALSE(has(told, "\"o\":\"win\"")) << told;
    EXPECT_TRUE(has(told, "\"id\":" + id(slot1.panel) + ",\"parent\":" + id(Form1) +
                              ",\"role\":\"panel\",\"name\":\"OK\""))
        << told;
    EXPECT_TRUE(has(told, "{\"o\":\"drop\",\"id\":" + id(slot1.field) + "}")) << told;
    EXPECT_FALSE(has(told, "\"id\":" + id(Form1->SlotControls(5).field) + ",")) << told;
    EXPECT_FALSE(page.textInput);
    EXPECT_EQ(page.textNode, tk::platform::kNoNode);
    std::optional<Journal> j = Journal::Decode(page.storage, "Mirvolant test");
    ASSERT_TRUE(j.has_value());
    int actions = 0;
    for (const JournalRecord& r : j->Records()) {
      actions += r.event.kind == EventKind::AccessibleAction;
    }
    EXPECT_EQ(actions, 2);
  });
  RunOnPage(page);
}

}  // namespace
}  // namespace mirvolant::testing
