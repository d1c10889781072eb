// The ATK objects the SDL back end makes of published trees, read through
// ATK itself in the same process (the bridge exports exactly these). Runs on
// a session bus of its own (dbus-run-session), where the bridge can start.
#include <atk/atk.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/AccessibleTrees.h"
#include "toolkit/platform/sdl/AtkBridge.h"

namespace tk::platform {
namespace {

TEST(AccessibilityWanted, EnvironmentThenSession) {
  struct Case {
    const char* forced;
    const char* noBridge;
    std::optional<bool> session;
    bool wanted;
  } cases[] = {
      {nullptr, nullptr, std::nullopt, false},
      {nullptr, nullptr, true, true},
      {nullptr, nullptr, false, false},
      {"1", nullptr, false, true},
      {"1", "1", std::nullopt, true},
      {"0", nullptr, true, false},
      {nullptr, "1", true, false},
      {"yes", nullptr, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AccessibilityWanted(c.forced, c.noBridge, c.session), c.wanted)
        << (c.forced ? c.forced : "-") << " " << (c.noBridge ? c.noBridge : "-");
  }
}

constexpr WindowId kWindow = 7;

AtkBridge::Host Host(std::vector<Event>& posted) {
  AtkBridge::Host host;
  host.clientOrigin = [](WindowId) { return TPoint{100, 200}; };
  host.post = [&posted](Event e) { posted.push_back(std::move(e)); };
  host.wake = [] {};
  return host;
}

// Forced on, but the module cannot be had: accessibility stays off, which is
// said once, and the bridge's calls do nothing.
TEST(AtkBridgeModule, OneThatCannotBeLoadedLeavesAccessibilityOff) {
  char text[] = "/tmp/mv-not-a-module-XXXXXX";
  int fd = mkstemp(text);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "text\n", 5), 5);
  close(fd);
  const char* given = std::getenv("MIRVOLANT_ATK_MODULE");
  std::string kept = given != nullptr ? given : "";
  setenv("MIRVOLANT_ACCESSIBILITY", "1", 1);
  // Missing, not a shared object, a shared object without the entry point.
  for (const char* path :
       {"/nonexistent/mirvolant-atk.so", static_cast<const char*>(text), "libm.so.6"}) {
    setenv("MIRVOLANT_ATK_MODULE", path, 1);
    std::vector<Event> posted;
    AtkBridge bridge(Host(posted));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(bridge.Update()) << path;
    EXPECT_FALSE(bridge.Update()) << path;
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(bridge.Running()) << path;
    size_t first = said.find("accessibility is off: cannot load");
    EXPECT_NE(first, std::string::npos) << path << ": " << said;
    EXPECT_EQ(said.find("accessibility is off", first + 1), std::string::npos) << said;
    bridge.Publish(kWindow, nullptr, {Report(ChangeKind::WindowShown, 1)});
    bridge.Forget(kWindow);
    EXPECT_TRUE(posted.empty());
  }
  if (given != nullptr)
    setenv("MIRVOLANT_ATK_MODULE", kept.c_str(), 1);
  else
    unsetenv("MIRVOLANT_ATK_MODULE");
  unsetenv("MIRVOLANT_ACCESSIBILITY");
  unlink(text);
}

// A dialog with a panel holding a prompt, its password field and a button.
std::shared_ptr<AccessibleTree> Board() {
  auto tree = std::make_shared<AccessibleTree>();
  AddNode(*tree, 1, kNoNode, Role::Dialog, "MIRVOLANT", {0, 0, 519, 426}, states::kActive);
  AddNode(*tree, 2, 1, Role::Panel, "", {0, 0, 169, 129});
  AddNode(*tree, 3, 2, Role::Label, "Введите код:", {16, 24, 140, 37}).labelFor = 4;
  AccessibleNode& field =
      AddNode(*tree, 4, 2, Role::PasswordField, "Введите код:", {15, 48, 152, 67},
              states::kFocusable | states::kFocused | states::kProtected,
              ActionBit(AccessibleAction::Focus) | ActionBit(AccessibleAction::SetText));
  field.value = "**";
  field.caret = 2;
  field.caretBounds = TRect::FromSize(30, 51, 1, 13);
  field.labelledBy = 3;
  AddNode(*tree, 5, 2, Role::PushButton, "ОК", {48, 80, 113, 102}, 0,
          ActionBit(AccessibleAction::Press));
  return tree;
}

struct Signal {
  std::string name;
  int position = 0;
  int length = 0;
  std::string text;
};

void OnText(AtkObject*, gint position, gint length, gchar* text, gpointer data) {
  static_cast<std::vector<Signal>*>(data)->push_back({"text", position, length, text ? text : ""});
}
void OnAnnouncement(AtkObject*, gchar* text, gpointer data) {
  static_cast<std::vector<std::string>*>(data)->push_back(text ? text : "");
}
void OnChild(AtkObject*, guint index, gpointer, gpointer data) {
  static_cast<std::vector<Signal>*>(data)->push_back({"child", static_cast<int>(index), 0, ""});
}

class AtkBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("MIRVOLANT_ACCESSIBILITY", "1", 1);
    setenv("GSETTINGS_BACKEND", "memory", 1);
    bridge_ = std::make_unique<AtkBridge>(Host(posted_));
    bridge_->Update();
    if (!bridge_->Running()) {
      if (std::getenv("MV_REQUIRE_ATK_BRIDGE") != nullptr) FAIL() << "the bridge did not start";
      GTEST_SKIP() << "no accessibility bus";
    }
    board_ = Board();
    bridge_->Publish(kWindow, board_, {Report(ChangeKind::WindowShown, 1)});
  }
  void TearDown() override { unsetenv("MIRVOLANT_ACCESSIBILITY"); }

  // The object of the path of child indexes from the application.
  AtkObject* At(std::vector<int> path) {
    AtkObject* obj = atk_get_root();
    for (int i : path) {
      AtkObject* child = atk_object_ref_accessible_child(obj, i);
      if (child == nullptr) return nullptr;
      g_object_unref(child);  // the bridge keeps its own reference
      obj = child;
    }
    return obj;
  }
  std::unique_ptr<AtkBridge> bridge_;
  std::shared_ptr<AccessibleTree> board_;
  std::vector<Event> posted_;
};

TEST_F(AtkBridgeTest, TreeRolesNamesStatesTextAndPlaces) {
  AtkObject* app = atk_get_root();
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(atk_object_get_role(app), ATK_ROLE_APPLICATION);
  EXPECT_EQ(atk_object_get_parent(app), nullptr);
  EXPECT_EQ(atk_object_get_index_in_parent(app), -1);
  ASSERT_EQ(atk_object_get_n_accessible_children(app), 1);
  AtkObject* dialog = At({0});
  EXPECT_EQ(atk_object_get_role(dialog), ATK_ROLE_DIALOG);
  EXPECT_STREQ(atk_object_get_name(dialog), "MIRVOLANT");
  EXPECT_TRUE(ATK_IS_WINDOW(dialog));
  EXPECT_EQ(atk_object_get_parent(dialog), app);

  AtkObject* field = At({0, 0, 1});
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(atk_object_get_role(field), ATK_ROLE_PASSWORD_TEXT);
  EXPECT_EQ(atk_object_get_index_in_parent(field), 1);
  EXPECT_EQ(atk_object_get_parent(field), At({0, 0}));
  AtkStateSet* set = atk_object_ref_state_set(field);
  for (AtkStateType s : {ATK_STATE_FOCUSED, ATK_STATE_FOCUSABLE, ATK_STATE_EDITABLE,
                         ATK_STATE_SINGLE_LINE, ATK_STATE_ENABLED, ATK_STATE_SHOWING})
    EXPECT_TRUE(atk_state_set_contains_state(set, s)) << atk_state_type_get_name(s);
  g_object_unref(set);
  // The prompt names the field, both ways.
  AtkRelationSet* relations = atk_object_ref_relation_set(field);
  AtkRelation* by = atk_relation_set_get_relation_by_type(relations, ATK_RELATION_LABELLED_BY);
  ASSERT_NE(by, nullptr);
  EXPECT_EQ(g_ptr_array_index(atk_relation_get_target(by), 0), At({0, 0, 0}));
  g_object_unref(relations);
  // Only the mask can be read; the caret is where a magnifier looks.
  gchar* text = atk_text_get_text(ATK_TEXT(field), 0, -1);
  EXPECT_STREQ(text, "**");
  g_free(text);
  EXPECT_EQ(atk_text_get_caret_offset(ATK_TEXT(field)), 2);
  gint x, y, w, h;
  atk_text_get_character_extents(ATK_TEXT(field), 2, &x, &y, &w, &h, ATK_XY_SCREEN);
  EXPECT_EQ((std::vector<int>{x, y, w, h}), (std::vector<int>{130, 251, 1, 13}));
  // Screen places are the window's client origin plus the node's bounds.
  atk_component_get_extents(ATK_COMPONENT(field), &x, &y, &w, &h, ATK_XY_SCREEN);
  EXPECT_EQ((std::vector<int>{x, y, w, h}), (std::vector<int>{115, 248, 137, 19}));
  EXPECT_EQ(atk_component_ref_accessible_at_point(ATK_COMPONENT(At({0, 0})), 60, 90, ATK_XY_WINDOW),
            At({0, 0, 2}));
  g_object_unref(At({0, 0, 2}));
}

TEST_F(AtkBridgeTest, ActionsBecomeEventsUnlessTheTreeRefusesThem) {
  AtkObject* field = At({0, 0, 1});
  AtkObject* button = At({0, 0, 2});
  ASSERT_EQ(atk_action_get_n_actions(ATK_ACTION(button)), 1);
  EXPECT_STREQ(atk_action_get_name(ATK_ACTION(button), 0), "click");
  EXPECT_TRUE(atk_action_do_action(ATK_ACTION(button), 0));
  atk_editable_text_set_text_contents(ATK_EDITABLE_TEXT(field), "gg38tt");
  EXPECT_TRUE(atk_component_grab_focus(ATK_COMPONENT(field)));
  EXPECT_FALSE(atk_component_grab_focus(ATK_COMPONENT(button)));  // no Focus action
  ASSERT_EQ(posted_.size(), 3u);
  EXPECT_EQ(posted_[0].node, 5u);
  EXPECT_EQ(posted_[0].action, AccessibleAction::Press);
  EXPECT_EQ(posted_[1].action, AccessibleAction::SetText);
  EXPECT_EQ(posted_[1].text, "gg38tt");
  EXPECT_EQ(posted_[2].action, AccessibleAction::Focus);
  for (const Event& e : posted_) EXPECT_EQ(e.window, kWindow);

  // A dialog beneath a modal one refuses everything at once.
  auto disabled = std::make_shared<AccessibleTree>(*board_);
  disabled->nodes[0].states |= states::kDisabled;
  bridge_->Publish(kWindow, disabled, {Report(ChangeKind::WindowDisabled, 1)});
  EXPECT_FALSE(atk_action_do_action(ATK_ACTION(button), 0));
  EXPECT_EQ(posted_.size(), 3u);
}

TEST_F(AtkBridgeTest, ChangesAreToldAsAtkSignals) {
  AtkObject* field = At({0, 0, 1});
  AtkObject* panel = At({0, 0});
  std::vector<Signal> inserted, removed, children;
  g_signal_connect(field, "text-insert", G_CALLBACK(OnText), &inserted);
  g_signal_connect(field, "text-remove", G_CALLBACK(OnText), &removed);
  g_signal_connect(panel, "children-changed::remove", G_CALLBACK(OnChild), &children);

  // A value edited in its middle: the changed characters are told as a
  // removal and an insertion, counted in characters.
  auto edited = std::make_shared<AccessibleTree>(*board_);
  edited->nodes[3].role = Role::TextField;
  edited->nodes[3].value = "абв";
  bridge_->Publish(kWindow, edited, {});
  EXPECT_EQ(At({0, 0, 1}), field);  // a text field is an object of the same kind
  auto next = std::make_shared<AccessibleTree>(*edited);
  next->nodes[3].value = "агдв";
  bridge_->Publish(kWindow, next, {Report(ChangeKind::Value, 4)});
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ((std::tuple(removed[0].position, removed[0].length, removed[0].text)),
            (std::tuple(1, 1, std::string("б"))));
  ASSERT_EQ(inserted.size(), 1u);
  EXPECT_EQ((std::tuple(inserted[0].position, inserted[0].length, inserted[0].text)),
            (std::tuple(1, 2, std::string("гд"))));

  // The button goes: the panel tells which child left, the object answers
  // as defunct to whoever still holds it.
  AtkObject* button = ATK_OBJECT(g_object_ref(At({0, 0, 2})));
  auto fewer = std::make_shared<AccessibleTree>(*next);
  fewer->nodes[1].children = {3, 4};
  fewer->nodes.pop_back();
  bridge_->Publish(kWindow, fewer, {Report(ChangeKind::Structure, 2)});
  ASSERT_EQ(children.size(), 1u);
  EXPECT_EQ(children[0].position, 2);
  EXPECT_EQ(atk_object_get_n_accessible_children(panel), 2);
  AtkStateSet* set = atk_object_ref_state_set(button);
  EXPECT_TRUE(atk_state_set_contains_state(set, ATK_STATE_DEFUNCT));
  g_object_unref(set);
  g_object_unref(button);

  // An announcement is said by the dialog (object:announcement).
  std::vector<std::string> said;
  g_signal_connect(At({0}), "announcement", G_CALLBACK(OnAnnouncement), &said);
  AccessibleChange announcement = Report(ChangeKind::Announcement, kNoNode);
  announcement.text = "Осталось 19 минут";
  bridge_->Publish(kWindow, fewer, {announcement});
  EXPECT_EQ(said, std::vector<std::string>{"Осталось 19 минут"});

  // Hidden: the application has no child left.
  bridge_->Publish(kWindow, nullptr, {Report(ChangeKind::WindowHidden, 1)});
  EXPECT_EQ(atk_object_get_n_accessible_children(atk_get_root()), 0);
}

}  // namespace
}  // namespace tk::platform
