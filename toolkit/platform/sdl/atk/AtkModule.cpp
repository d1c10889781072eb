// The accessibility bridge's ATK half (AtkModule.h): ATK objects for the
// published trees, exported by libatk-bridge, and the session's setting
// read through GIO's D-Bus. Built as a module; its one export is at the end.
#include "toolkit/platform/sdl/AtkModule.h"

#include <atk-bridge.h>
#include <atk/atk.h>
#include <errno.h>
#include <gio/gio.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <unordered_map>

#include "toolkit/platform/AccessibleQueries.h"

namespace tk::platform {

class AtkSession;

namespace {

// The ATK objects. Every node is an MvNode (a component with actions); text
// nodes add the text interfaces, dialog roots the window interface (both
// types keep the MvNode instance). An object knows its window and node; what
// it answers comes from the window's last tree. An object whose node went
// away answers as defunct.
struct MvNode {
  AtkObject parent;
  AtkSession* impl;
  WindowId window;
  NodeId node;
};
// The application: the root of everything, with the shown dialogs as its
// children.
struct MvApp {
  AtkObject parent;
  AtkSession* impl;
};

GType mv_node_get_type();
GType mv_text_get_type();
GType mv_window_get_type();
GType mv_app_get_type();

MvNode* AsNode(gpointer p) {
  return G_TYPE_CHECK_INSTANCE_CAST(p, mv_node_get_type(), MvNode);
}

// The object the ATK utility class names as the root while the bridge runs.
AtkObject* gRoot = nullptr;

}  // namespace

class AtkSession final : public AtkModule {
 public:
  using Host = AtkBridge::Host;
  explicit AtkSession(const Host& h) : host(h) {}
  ~AtkSession() override;

  void WatchSetting(const char* address) override;
  std::optional<bool> SessionOn() const override;
  bool Start() override;
  void Stop() override;
  void Publish(WindowId window, std::shared_ptr<const AccessibleTree> tree,
               const std::vector<AccessibleChange>& changes) override;
  void Forget(WindowId window) override;
  void Wait(std::vector<pollfd>& extra, int timeoutMs) override;

  // What the ATK objects' functions below reach.
  Host host;

  // --- The session's setting, written by the D-Bus library's thread.
  GDBusConnection* bus = nullptr;  // set by WatchSetting
  guint filter = 0;
  std::atomic<int> isEnabled{-1};  // -1: not known
  std::atomic<int> screenReader{-1};

  // --- The published windows.
  struct Window {
    std::shared_ptr<const AccessibleTree> tree;
    std::unordered_map<NodeId, size_t> index;  // node -> place in tree->nodes
    std::unordered_map<NodeId, AtkObject*> objects;
  };
  std::map<WindowId, Window> windows;
  // The app's children: the windows with a tree, in the order shown.
  std::vector<WindowId> order;
  AtkObject* app = nullptr;
  AtkObject* focused = nullptr;  // a reference is held
  std::vector<GPollFD> gfds;

  const AccessibleNode* NodeOf(const MvNode* n) const {
    if (n->impl == nullptr) return nullptr;
    auto w = windows.find(n->window);
    if (w == windows.end() || !w->second.tree) return nullptr;
    auto i = w->second.index.find(n->node);
    if (i == w->second.index.end()) return nullptr;
    return &w->second.tree->nodes[i->second];
  }
  const AccessibleNode* Root(WindowId window) const {
    auto w = windows.find(window);
    if (w == windows.end() || !w->second.tree || w->second.tree->nodes.empty()) return nullptr;
    return &w->second.tree->nodes.front();
  }
  AtkObject* ObjectOf(WindowId window, NodeId node) const {
    auto w = windows.find(window);
    if (w == windows.end()) return nullptr;
    auto o = w->second.objects.find(node);
    return o == w->second.objects.end() ? nullptr : o->second;
  }
  TRect ScreenRect(WindowId window, const TRect& r) const {
    TPoint origin = host.clientOrigin(window);
    return r.Offset(origin.X, origin.Y);
  }
  // Refuses at once what the last tree says cannot be done.
  bool Act(const MvNode* n, AccessibleAction action, std::string text = {}) {
    const AccessibleNode* node = NodeOf(n);
    if (node == nullptr ||
        RefuseAction(*windows.at(n->window).tree, *node, action) != ActionRefusal::None)
      return false;
    host.post(AccessibleActionEvent(n->window, n->node, action, std::move(text)));
    return true;
  }

  void DropWindow(WindowId window, bool announce);
  AtkObject* MakeObject(WindowId window, const AccessibleNode& node);
  void Apply(WindowId window, const AccessibleTree* before, const std::vector<AccessibleChange>& c);
};

namespace {

// --- Mapping of the model's values.

// The ATK role of each of the model's roles.
constexpr AtkRole kAtkRoles[] = {
    ATK_ROLE_DIALOG,      ATK_ROLE_ALERT, ATK_ROLE_PANEL,         ATK_ROLE_LABEL,
    ATK_ROLE_STATUSBAR,   ATK_ROLE_ENTRY, ATK_ROLE_PASSWORD_TEXT, ATK_ROLE_TEXT,
    ATK_ROLE_PUSH_BUTTON, ATK_ROLE_IMAGE,
};

GType TypeFor(Role role) {
  if (IsTextRole(role)) return mv_text_get_type();
  if (IsWindowRole(role)) return mv_window_get_type();
  return mv_node_get_type();
}

using StateMask = uint64_t;
constexpr StateMask Bit(AtkStateType s) {
  return StateMask{1} << static_cast<unsigned>(s);
}

// The ATK states of a node of the given role with the model's state bits.
StateMask AtkStates(Role role, uint32_t bits) {
  StateMask m = Bit(ATK_STATE_VISIBLE);
  if ((bits & states::kOffscreen) == 0) m |= Bit(ATK_STATE_SHOWING);
  if ((bits & states::kDisabled) == 0) m |= Bit(ATK_STATE_ENABLED) | Bit(ATK_STATE_SENSITIVE);
  if (bits & states::kFocused) m |= Bit(ATK_STATE_FOCUSED);
  if (bits & states::kFocusable) m |= Bit(ATK_STATE_FOCUSABLE);
  if (bits & states::kModal) m |= Bit(ATK_STATE_MODAL);
  if (bits & states::kActive) m |= Bit(ATK_STATE_ACTIVE);
  if (IsTextRole(role)) {
    m |= (bits & states::kMultiLine) ? Bit(ATK_STATE_MULTI_LINE) : Bit(ATK_STATE_SINGLE_LINE);
    m |= (bits & states::kReadOnly) ? Bit(ATK_STATE_READ_ONLY) : Bit(ATK_STATE_EDITABLE);
  } else if (bits & states::kReadOnly) {
    m |= Bit(ATK_STATE_READ_ONLY);
  }
  return m;
}

void NotifyStates(AtkObject* obj, StateMask before, StateMask after) {
  for (int s = 0; s < ATK_STATE_LAST_DEFINED; ++s) {
    StateMask b = Bit(static_cast<AtkStateType>(s));
    if ((before & b) != (after & b))
      atk_object_notify_state_change(obj, b, (after & b) != 0 ? TRUE : FALSE);
  }
}

// The part [start, end) of a UTF-8 text (end -1: to the end), clamped.
gchar* Substring(const std::string& s, int start, int end) {
  int n = CharCount(s);
  if (end < 0 || end > n) end = n;
  start = std::clamp(start, 0, end);
  return g_utf8_substring(s.c_str(), start, end);
}

// --- MvNode: AtkObject, AtkComponent, AtkAction.

const AccessibleNode* Node(gpointer obj) {
  MvNode* n = AsNode(obj);
  return n->impl == nullptr ? nullptr : n->impl->NodeOf(n);
}

const gchar* NodeName(AtkObject* obj) {
  const AccessibleNode* n = Node(obj);
  return n == nullptr ? "" : n->name.c_str();
}
const gchar* NodeDescription(AtkObject* obj) {
  const AccessibleNode* n = Node(obj);
  return n == nullptr ? "" : n->description.c_str();
}
gint NodeChildCount(AtkObject* obj) {
  const AccessibleNode* n = Node(obj);
  return n == nullptr ? 0 : static_cast<gint>(n->children.size());
}
AtkObject* NodeChild(AtkObject* obj, gint i) {
  const AccessibleNode* n = Node(obj);
  if (n == nullptr || i < 0 || static_cast<size_t>(i) >= n->children.size()) return nullptr;
  MvNode* self = AsNode(obj);
  AtkObject* child = self->impl->ObjectOf(self->window, n->children[static_cast<size_t>(i)]);
  return child == nullptr ? nullptr : ATK_OBJECT(g_object_ref(child));
}
AtkObject* NodeParent(AtkObject* obj) {
  MvNode* self = AsNode(obj);
  const AccessibleNode* n = Node(obj);
  if (n == nullptr) return nullptr;
  if (n->parent == kNoNode) return self->impl->app;
  return self->impl->ObjectOf(self->window, n->parent);
}
gint NodeIndex(AtkObject* obj) {
  MvNode* self = AsNode(obj);
  const AccessibleNode* n = Node(obj);
  if (n == nullptr) return -1;
  if (n->parent == kNoNode) {
    auto& order = self->impl->order;
    auto at = std::find(order.begin(), order.end(), self->window);
    return at == order.end() ? -1 : static_cast<gint>(at - order.begin());
  }
  return IndexInParent(*self->impl->windows.at(self->window).tree, *n);
}
AtkStateSet* NodeStates(AtkObject* obj) {
  AtkStateSet* set = atk_state_set_new();
  const AccessibleNode* n = Node(obj);
  if (n == nullptr) {
    atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
    return set;
  }
  StateMask m = AtkStates(n->role, n->states);
  for (int s = 0; s < ATK_STATE_LAST_DEFINED; ++s) {
    if (m & Bit(static_cast<AtkStateType>(s)))
      atk_state_set_add_state(set, static_cast<AtkStateType>(s));
  }
  return set;
}
AtkRelationSet* NodeRelations(AtkObject* obj) {
  AtkRelationSet* set = atk_relation_set_new();
  const AccessibleNode* n = Node(obj);
  if (n == nullptr) return set;
  MvNode* self = AsNode(obj);
  auto add = [&](NodeId target, AtkRelationType type) {
    AtkObject* other = self->impl->ObjectOf(self->window, target);
    if (other == nullptr) return;
    AtkObject* targets[] = {other};
    AtkRelation* relation = atk_relation_new(targets, 1, type);
    atk_relation_set_add(set, relation);
    g_object_unref(relation);
  };
  if (n->labelledBy != kNoNode) add(n->labelledBy, ATK_RELATION_LABELLED_BY);
  if (n->labelFor != kNoNode) add(n->labelFor, ATK_RELATION_LABEL_FOR);
  return set;
}

void NodeClassInit(gpointer klass, gpointer) {
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->get_name = NodeName;
  atk->get_description = NodeDescription;
  atk->get_n_children = NodeChildCount;
  atk->ref_child = NodeChild;
  atk->get_parent = NodeParent;
  atk->get_index_in_parent = NodeIndex;
  atk->ref_state_set = NodeStates;
  atk->ref_relation_set = NodeRelations;
}

void NodeExtents(AtkComponent* c, gint* x, gint* y, gint* w, gint* h, AtkCoordType type) {
  *x = *y = *w = *h = 0;
  MvNode* self = AsNode(c);
  const AccessibleNode* n = Node(c);
  if (n == nullptr) return;
  TRect r = n->bounds;
  if (type == ATK_XY_SCREEN) {
    r = self->impl->ScreenRect(self->window, r);
  } else if (type == ATK_XY_PARENT && n->parent != kNoNode) {
    auto w = self->impl->windows.find(self->window);
    if (const AccessibleNode* p = w->second.tree->Find(n->parent))
      r = r.Offset(-p->bounds.Left, -p->bounds.Top);
  }
  *x = r.Left;
  *y = r.Top;
  *w = r.Width();
  *h = r.Height();
}
gboolean NodeGrabFocus(AtkComponent* c) {
  MvNode* self = AsNode(c);
  return self->impl != nullptr && self->impl->Act(self, AccessibleAction::Focus);
}
AtkLayer NodeLayer(AtkComponent* c) {
  const AccessibleNode* n = Node(c);
  return n != nullptr && n->parent == kNoNode ? ATK_LAYER_WINDOW : ATK_LAYER_WIDGET;
}
AtkObject* NodeAt(AtkComponent* c, gint x, gint y, AtkCoordType type) {
  MvNode* self = AsNode(c);
  const AccessibleNode* n = Node(c);
  if (n == nullptr) return nullptr;
  TPoint at{x, y};
  if (type == ATK_XY_SCREEN) {
    TPoint origin = self->impl->host.clientOrigin(self->window);
    at = {x - origin.X, y - origin.Y};
  }
  auto w = self->impl->windows.find(self->window);
  for (NodeId id : n->children) {
    const AccessibleNode* child = w->second.tree->Find(id);
    if (child != nullptr && child->bounds.Contains(at)) {
      AtkObject* obj = self->impl->ObjectOf(self->window, id);
      return obj == nullptr ? nullptr : ATK_OBJECT(g_object_ref(obj));
    }
  }
  return nullptr;
}

void ComponentInit(gpointer data, gpointer) {
  auto* iface = static_cast<AtkComponentIface*>(data);
  iface->get_extents = NodeExtents;
  iface->grab_focus = NodeGrabFocus;
  iface->get_layer = NodeLayer;
  iface->ref_accessible_at_point = NodeAt;
}

// The node's actions in a fixed order: Press, then Focus. Setting text is
// the editable text interface's.
struct ActionName {
  AccessibleAction action;
  const char* name;
  const char* description;
};
constexpr ActionName kActions[] = {
    {AccessibleAction::Press, "click", "Presses the button"},
    {AccessibleAction::Focus, "focus", "Gives the keyboard focus"},
};
const ActionName* NthAction(AtkAction* a, gint i) {
  const AccessibleNode* n = Node(a);
  if (n == nullptr || i < 0) return nullptr;
  for (const ActionName& entry : kActions) {
    if ((n->actions & ActionBit(entry.action)) == 0) continue;
    if (i-- == 0) return &entry;
  }
  return nullptr;
}
gint ActionCount(AtkAction* a) {
  gint count = 0;
  while (NthAction(a, count) != nullptr) ++count;
  return count;
}
gboolean DoAction(AtkAction* a, gint i) {
  const ActionName* entry = NthAction(a, i);
  MvNode* self = AsNode(a);
  return entry != nullptr && self->impl->Act(self, entry->action);
}
const gchar* ActionNameOf(AtkAction* a, gint i) {
  const ActionName* entry = NthAction(a, i);
  return entry == nullptr ? nullptr : entry->name;
}
const gchar* ActionDescription(AtkAction* a, gint i) {
  const ActionName* entry = NthAction(a, i);
  return entry == nullptr ? nullptr : entry->description;
}
const gchar* ActionKeys(AtkAction*, gint) {
  return "";
}

void ActionInit(gpointer data, gpointer) {
  auto* iface = static_cast<AtkActionIface*>(data);
  iface->get_n_actions = ActionCount;
  iface->do_action = DoAction;
  iface->get_name = ActionNameOf;
  iface->get_description = ActionDescription;
  iface->get_keybinding = ActionKeys;
}

// --- Text nodes: AtkText and AtkEditableText over the node's value. A
// password field's value is already its mask.

const std::string& ValueOf(gpointer obj) {
  static const std::string kEmpty;
  const AccessibleNode* n = Node(obj);
  return n == nullptr ? kEmpty : n->value;
}

gchar* TextGet(AtkText* t, gint start, gint end) {
  return Substring(ValueOf(t), start, end);
}
gint TextCount(AtkText* t) {
  return CharCount(ValueOf(t));
}
gint TextCaret(AtkText* t) {
  const AccessibleNode* n = Node(t);
  return n == nullptr ? 0 : std::max(0, n->caret);
}
gunichar TextCharAt(AtkText* t, gint offset) {
  const std::string& v = ValueOf(t);
  if (offset < 0 || offset >= CharCount(v)) return 0;
  return g_utf8_get_char(g_utf8_offset_to_pointer(v.c_str(), offset));
}
gint TextSelections(AtkText* t) {
  const AccessibleNode* n = Node(t);
  return n != nullptr && n->selectionEnd > n->selectionStart ? 1 : 0;
}
gchar* TextSelection(AtkText* t, gint i, gint* start, gint* end) {
  const AccessibleNode* n = Node(t);
  *start = *end = 0;
  if (i != 0 || TextSelections(t) == 0) return nullptr;
  *start = n->selectionStart;
  *end = n->selectionEnd;
  return Substring(n->value, *start, *end);
}
// The caret's bar for the caret's offset (where a magnifier looks), else the
// whole field.
void TextCharExtents(AtkText* t, gint offset, gint* x, gint* y, gint* w, gint* h,
                     AtkCoordType type) {
  const AccessibleNode* n = Node(t);
  if (n == nullptr || offset != n->caret || n->caretBounds.IsEmpty()) {
    NodeExtents(ATK_COMPONENT(t), x, y, w, h, type);
    return;
  }
  MvNode* self = AsNode(t);
  TRect r =
      type == ATK_XY_SCREEN ? self->impl->ScreenRect(self->window, n->caretBounds) : n->caretBounds;
  *x = r.Left;
  *y = r.Top;
  *w = r.Width();
  *h = r.Height();
}
// The piece of text around offset; sentences and paragraphs count as lines.
gchar* Piece(AtkText* t, gint offset, TextUnit unit, gint* start, gint* end) {
  const std::string& v = ValueOf(t);
  std::tie(*start, *end) = TextAround(v, offset, unit);
  return Substring(v, *start, *end);
}
gchar* TextAt(AtkText* t, gint offset, AtkTextGranularity granularity, gint* start, gint* end) {
  TextUnit unit = granularity == ATK_TEXT_GRANULARITY_CHAR   ? TextUnit::Char
                  : granularity == ATK_TEXT_GRANULARITY_WORD ? TextUnit::Word
                                                             : TextUnit::Line;
  return Piece(t, offset, unit, start, end);
}
gchar* TextAtBoundary(AtkText* t, gint offset, AtkTextBoundary boundary, gint* start, gint* end) {
  TextUnit unit = TextUnit::Line;
  if (boundary == ATK_TEXT_BOUNDARY_CHAR) unit = TextUnit::Char;
  if (boundary == ATK_TEXT_BOUNDARY_WORD_START || boundary == ATK_TEXT_BOUNDARY_WORD_END)
    unit = TextUnit::Word;
  return Piece(t, offset, unit, start, end);
}

void TextInit(gpointer data, gpointer) {
  auto* iface = static_cast<AtkTextIface*>(data);
  iface->get_text = TextGet;
  iface->get_character_count = TextCount;
  iface->get_caret_offset = TextCaret;
  iface->get_character_at_offset = TextCharAt;
  iface->get_n_selections = TextSelections;
  iface->get_selection = TextSelection;
  iface->get_character_extents = TextCharExtents;
  iface->get_string_at_offset = TextAt;
  iface->get_text_at_offset = TextAtBoundary;
}

void TextSetContents(AtkEditableText* t, const gchar* text) {
  MvNode* self = AsNode(t);
  if (self->impl != nullptr) self->impl->Act(self, AccessibleAction::SetText, text ? text : "");
}

void EditableTextInit(gpointer data, gpointer) {
  static_cast<AtkEditableTextIface*>(data)->set_text_contents = TextSetContents;
}

// --- MvApp.

MvApp* AsApp(gpointer p) {
  return G_TYPE_CHECK_INSTANCE_CAST(p, mv_app_get_type(), MvApp);
}
gint AppChildCount(AtkObject* obj) {
  MvApp* app = AsApp(obj);
  return app->impl == nullptr ? 0 : static_cast<gint>(app->impl->order.size());
}
AtkObject* AppChild(AtkObject* obj, gint i) {
  MvApp* app = AsApp(obj);
  if (app->impl == nullptr || i < 0 || static_cast<size_t>(i) >= app->impl->order.size())
    return nullptr;
  WindowId window = app->impl->order[static_cast<size_t>(i)];
  const AccessibleNode* root = app->impl->Root(window);
  AtkObject* child = root == nullptr ? nullptr : app->impl->ObjectOf(window, root->id);
  return child == nullptr ? nullptr : ATK_OBJECT(g_object_ref(child));
}
// No parent, and so no index in one: as ATK answers by default.
void AppClassInit(gpointer klass, gpointer) {
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->get_n_children = AppChildCount;
  atk->ref_child = AppChild;
}

// --- The types, registered when first asked for. A type keeps its parent's
// class and, but for the application, the MvNode instance (zero-filled by
// GObject: no bridge, no window, no node).

struct Interface {
  GType (*type)();
  GInterfaceInitFunc init;
};
GType Register(const char* name, GType parent, size_t instanceSize, GClassInitFunc classInit,
               std::initializer_list<Interface> interfaces) {
  GTypeQuery query;
  g_type_query(parent, &query);
  GTypeInfo info{};
  info.class_size = static_cast<guint16>(query.class_size);
  info.class_init = classInit;
  info.instance_size = static_cast<guint16>(instanceSize);
  GType type = g_type_register_static(parent, name, &info, GTypeFlags{});
  for (const Interface& i : interfaces) {
    GInterfaceInfo interface { i.init, nullptr, nullptr };
    g_type_add_interface_static(type, i.type(), &interface);
  }
  return type;
}

GType mv_node_get_type() {
  static const GType type =
      Register("MvNode", ATK_TYPE_OBJECT, sizeof(MvNode), NodeClassInit,
               {{atk_component_get_type, ComponentInit}, {atk_action_get_type, ActionInit}});
  return type;
}
GType mv_text_get_type() {
  static const GType type =
      Register("MvText", mv_node_get_type(), sizeof(MvNode), nullptr,
               {{atk_text_get_type, TextInit}, {atk_editable_text_get_type, EditableTextInit}});
  return type;
}
// A dialog: a top-level window of the application (the window interface has
// nothing to implement).
GType mv_window_get_type() {
  static const GType type = Register("MvWindow", mv_node_get_type(), sizeof(MvNode), nullptr,
                                     {{atk_window_get_type, nullptr}});
  return type;
}
GType mv_app_get_type() {
  static const GType type = Register("MvApp", ATK_TYPE_OBJECT, sizeof(MvApp), AppClassInit, {});
  return type;
}

AtkObject* UtilRoot() {
  return gRoot;
}
const gchar* UtilToolkitName() {
  return "Mirvolant";
}
const gchar* UtilToolkitVersion() {
  return "1.0";
}

// --- The session's setting on the session bus, watched from the D-Bus
// library's own thread.

constexpr const char* kA11yBusName = "org.a11y.Bus";
constexpr const char* kA11yPath = "/org/a11y/bus";
constexpr const char* kStatus = "org.a11y.Status";

// Stores IsEnabled and ScreenReaderEnabled found in a{sv}; true when either
// was there. A change signal is always the newest word; the answer to the
// first question only fills in what no signal has told yet (a signal handled
// while the answer was on its way is newer than it).
bool ReadStatus(GVariant* dict, AtkSession& impl, bool signal) {
  bool found = false;
  gboolean value = FALSE;
  auto store = [signal](std::atomic<int>& to, int v) {
    int unknown = -1;
    if (signal) {
      to.store(v);
    } else {
      to.compare_exchange_strong(unknown, v);
    }
  };
  if (g_variant_lookup(dict, "IsEnabled", "b", &value)) {
    store(impl.isEnabled, value ? 1 : 0);
    found = true;
  }
  if (g_variant_lookup(dict, "ScreenReaderEnabled", "b", &value)) {
    store(impl.screenReader, value ? 1 : 0);
    found = true;
  }
  return found;
}

GDBusMessage* StatusFilter(GDBusConnection*, GDBusMessage* message, gboolean incoming,
                           gpointer data) {
  if (!incoming || g_dbus_message_get_message_type(message) != G_DBUS_MESSAGE_TYPE_SIGNAL ||
      g_strcmp0(g_dbus_message_get_member(message), "PropertiesChanged") != 0 ||
      g_strcmp0(g_dbus_message_get_path(message), kA11yPath) != 0) {
    return message;
  }
  GVariant* body = g_dbus_message_get_body(message);
  if (body == nullptr || !g_variant_is_of_type(body, G_VARIANT_TYPE("(sa{sv}as)"))) return message;
  const gchar* interface = nullptr;
  GVariant* changed = nullptr;
  g_variant_get(body, "(&s@a{sv}*)", &interface, &changed, nullptr);
  auto* impl = static_cast<AtkSession*>(data);
  if (g_strcmp0(interface, kStatus) == 0 && ReadStatus(changed, *impl, true)) impl->host.wake();
  g_variant_unref(changed);
  return message;
}

}  // namespace

std::optional<bool> AtkSession::SessionOn() const {
  int a = isEnabled.load();
  int b = screenReader.load();
  if (a < 0 && b < 0) return std::nullopt;
  return a > 0 || b > 0;
}

void AtkSession::WatchSetting(const char* address) {
  GError* error = nullptr;
  bus = g_dbus_connection_new_for_address_sync(
      address,
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, &error);
  if (bus == nullptr) {
    g_clear_error(&error);
    return;
  }
  // The watch first, so that no change between it and the question is lost.
  filter = g_dbus_connection_add_filter(bus, StatusFilter, this, nullptr);
  g_dbus_connection_call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus", "AddMatch",
                         g_variant_new("(s)",
                                       "type='signal',interface='org.freedesktop.DBus.Properties',"
                                       "member='PropertiesChanged',path='/org/a11y/bus',"
                                       "arg0='org.a11y.Status'"),
                         nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
  // Without the accessibility bus's launcher running nothing listens; asking
  // must not start it.
  GVariant* reply = g_dbus_connection_call_sync(
      bus, kA11yBusName, kA11yPath, "org.freedesktop.DBus.Properties", "GetAll",
      g_variant_new("(s)", kStatus), G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NO_AUTO_START,
      1000, nullptr, &error);
  if (reply == nullptr) {
    g_clear_error(&error);
    return;
  }
  GVariant* dict = g_variant_get_child_value(reply, 0);
  ReadStatus(dict, *this, false);
  g_variant_unref(dict);
  g_variant_unref(reply);
}

bool AtkSession::Start() {
  // The utility class tells the bridge where the tree starts.
  auto* util = static_cast<AtkUtilClass*>(g_type_class_ref(ATK_TYPE_UTIL));
  util->get_root = UtilRoot;
  util->get_toolkit_name = UtilToolkitName;
  util->get_toolkit_version = UtilToolkitVersion;
  // The bridge forwards an "announcement" signal (a text) of any accessible
  // object as object:announcement. ATK declares the signal without a function
  // to emit it, older versions not at all: then it is declared here.
  g_type_class_unref(g_type_class_ref(ATK_TYPE_OBJECT));
  if (g_signal_lookup("announcement", ATK_TYPE_OBJECT) == 0) {
    g_signal_new("announcement", ATK_TYPE_OBJECT, G_SIGNAL_RUN_LAST, 0, nullptr, nullptr, nullptr,
                 G_TYPE_NONE, 1, G_TYPE_STRING);
  }
  app = ATK_OBJECT(g_object_new(mv_app_get_type(), nullptr));
  AsApp(app)->impl = this;
  atk_object_set_role(app, ATK_ROLE_APPLICATION);
  const char* name = g_get_prgname();
  atk_object_set_name(app, name != nullptr ? name : program_invocation_short_name);
  gRoot = app;
  if (atk_bridge_adaptor_init(nullptr, nullptr) != 0) {
    gRoot = nullptr;
    g_clear_object(&app);
    return false;
  }
  return true;
}

void AtkSession::Stop() {
  while (!windows.empty()) DropWindow(windows.begin()->first, false);
  atk_bridge_adaptor_cleanup();
  gRoot = nullptr;
  AsApp(app)->impl = nullptr;
  g_clear_object(&app);
}

AtkObject* AtkSession::MakeObject(WindowId window, const AccessibleNode& node) {
  AtkObject* obj = ATK_OBJECT(g_object_new(TypeFor(node.role), nullptr));
  MvNode* n = AsNode(obj);
  n->impl = this;
  n->window = window;
  n->node = node.id;
  obj->role = ByRole(kAtkRoles, node.role);
  return obj;
}

// Drops a window's objects; announce tells the application's listeners that
// the window went.
void AtkSession::DropWindow(WindowId window, bool announce) {
  auto w = windows.find(window);
  if (w == windows.end()) return;
  auto at = std::find(order.begin(), order.end(), window);
  if (at != order.end()) {
    const AccessibleNode* root = Root(window);
    AtkObject* rootObj = root == nullptr ? nullptr : ObjectOf(window, root->id);
    if (announce && rootObj != nullptr) {
      g_signal_emit_by_name(rootObj, "deactivate");
      g_signal_emit_by_name(rootObj, "destroy");
      g_signal_emit_by_name(app, "children-changed::remove", static_cast<guint>(at - order.begin()),
                            rootObj);
    }
    order.erase(at);
  }
  for (auto& [id, obj] : w->second.objects) {
    if (obj == focused) g_clear_object(&focused);
    AsNode(obj)->impl = nullptr;
    g_object_unref(obj);
  }
  windows.erase(w);
}

void AtkSession::Apply(WindowId window, const AccessibleTree* before,
                       const std::vector<AccessibleChange>& changes) {
  Window& w = windows[window];
  const AccessibleTree& after = *w.tree;
  for (const AccessibleChange& c : changes) {
    AtkObject* obj = c.node == kNoNode ? nullptr : ObjectOf(window, c.node);
    const AccessibleNode* now = c.node == kNoNode ? nullptr : after.Find(c.node);
    const AccessibleNode* was =
        before == nullptr || c.node == kNoNode ? nullptr : before->Find(c.node);
    switch (c.kind) {
      case ChangeKind::WindowShown: {
        if (obj == nullptr) break;
        if (std::find(order.begin(), order.end(), window) == order.end()) order.push_back(window);
        auto index = std::find(order.begin(), order.end(), window) - order.begin();
        g_signal_emit_by_name(app, "children-changed::add", static_cast<guint>(index), obj);
        g_signal_emit_by_name(obj, "create");
        if (now != nullptr && (now->states & states::kActive) != 0)
          g_signal_emit_by_name(obj, "activate");
        break;
      }
      case ChangeKind::WindowHidden:
        break;  // handled before (the tree is null)
      case ChangeKind::WindowEnabled:
      case ChangeKind::WindowDisabled: {
        if (obj == nullptr) break;
        gboolean on = c.kind == ChangeKind::WindowEnabled;
        atk_object_notify_state_change(obj, ATK_STATE_ENABLED, on);
        atk_object_notify_state_change(obj, ATK_STATE_SENSITIVE, on);
        break;
      }
      case ChangeKind::Structure: {
        if (obj == nullptr || now == nullptr) break;
        ChildrenChange children = DiffChildren(was, *now);
        for (auto [i, id] : children.gone) {
          // The child's object is still held (dropped after the changes).
          auto gone = w.objects.find(id);
          if (gone != w.objects.end())
            g_signal_emit_by_name(obj, "children-changed::remove", static_cast<guint>(i),
                                  gone->second);
        }
        for (auto [i, id] : children.came) {
          if (AtkObject* child = ObjectOf(window, id))
            g_signal_emit_by_name(obj, "children-changed::add", static_cast<guint>(i), child);
        }
        break;
      }
      case ChangeKind::Focus: {
        if (obj == nullptr) break;
        if (focused != nullptr && focused != obj) {
          atk_object_notify_state_change(focused, ATK_STATE_FOCUSED, FALSE);
        }
        g_set_object(&focused, obj);
        atk_object_notify_state_change(obj, ATK_STATE_FOCUSED, TRUE);
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        atk_focus_tracker_notify(obj);
        G_GNUC_END_IGNORE_DEPRECATIONS
        break;
      }
      case ChangeKind::Name:
        if (obj != nullptr) g_object_notify(G_OBJECT(obj), "accessible-name");
        break;
      case ChangeKind::Description:
        if (obj != nullptr) g_object_notify(G_OBJECT(obj), "accessible-description");
        break;
      case ChangeKind::Value: {
        if (obj == nullptr || now == nullptr || !ATK_IS_TEXT(obj)) break;
        // The changed middle, as a removal and an insertion.
        TextChange t = DiffText(was == nullptr ? std::string() : was->value, now->value);
        gint at = t.at;
        if (!t.removed.empty())
          g_signal_emit_by_name(obj, "text-remove", at, CharCount(t.removed), t.removed.c_str());
        if (!t.inserted.empty())
          g_signal_emit_by_name(obj, "text-insert", at, CharCount(t.inserted), t.inserted.c_str());
        break;
      }
      case ChangeKind::States: {
        if (obj == nullptr || now == nullptr) break;
        uint32_t ignore = states::kFocused | (now->parent == kNoNode ? states::kDisabled : 0);
        NotifyStates(obj, AtkStates(now->role, c.oldStates & ~ignore),
                     AtkStates(now->role, now->states & ~ignore));
        if (now->parent == kNoNode && ((c.oldStates ^ now->states) & states::kActive) != 0)
          g_signal_emit_by_name(obj, (now->states & states::kActive) ? "activate" : "deactivate");
        break;
      }
      case ChangeKind::Bounds: {
        if (obj == nullptr || now == nullptr) break;
        TRect r = ScreenRect(window, now->bounds);
        AtkRectangle rect{r.Left, r.Top, r.Width(), r.Height()};
        g_signal_emit_by_name(obj, "bounds-changed", &rect);
        break;
      }
      case ChangeKind::Caret: {
        if (obj == nullptr || now == nullptr || !ATK_IS_TEXT(obj)) break;
        if (was == nullptr || was->caret != now->caret)
          g_signal_emit_by_name(obj, "text-caret-moved", std::max(0, now->caret));
        if (was == nullptr || was->selectionStart != now->selectionStart ||
            was->selectionEnd != now->selectionEnd)
          g_signal_emit_by_name(obj, "text-selection-changed");
        break;
      }
      case ChangeKind::Announcement: {
        const AccessibleNode* root = after.nodes.empty() ? nullptr : &after.nodes.front();
        AtkObject* target = root == nullptr ? nullptr : ObjectOf(window, root->id);
        if (target != nullptr) g_signal_emit_by_name(target, "announcement", c.text.c_str());
        break;
      }
    }
  }
}

AtkSession::~AtkSession() {
  if (bus != nullptr) {
    g_dbus_connection_remove_filter(bus, filter);
    g_object_unref(bus);
  }
}

void AtkSession::Publish(WindowId window, std::shared_ptr<const AccessibleTree> tree,
                         const std::vector<AccessibleChange>& changes) {
  if (tree == nullptr) {
    DropWindow(window, true);
    return;
  }
  Window& w = windows[window];
  std::shared_ptr<const AccessibleTree> before = std::move(w.tree);
  w.tree = std::move(tree);
  w.index.clear();
  for (size_t i = 0; i < w.tree->nodes.size(); ++i) w.index[w.tree->nodes[i].id] = i;
  // Objects for new nodes (and for nodes whose kind of object changed); the
  // objects of nodes that went stay until their removal was told.
  std::vector<AtkObject*> gone;
  for (const AccessibleNode& node : w.tree->nodes) {
    auto at = w.objects.find(node.id);
    if (at != w.objects.end() && G_OBJECT_TYPE(at->second) != TypeFor(node.role)) {
      gone.push_back(at->second);
      w.objects.erase(at);
      at = w.objects.end();
    }
    if (at == w.objects.end()) {
      w.objects[node.id] = MakeObject(window, node);
    } else {
      at->second->role = ByRole(kAtkRoles, node.role);
    }
  }
  for (auto it = w.objects.begin(); it != w.objects.end();) {
    if (w.index.count(it->first) == 0) {
      // Kept for the removal's report, answering as defunct meanwhile.
      AsNode(it->second)->impl = nullptr;
      ++it;
    } else {
      ++it;
    }
  }
  Apply(window, before.get(), changes);
  for (auto it = w.objects.begin(); it != w.objects.end();) {
    if (w.index.count(it->first) == 0) {
      gone.push_back(it->second);
      it = w.objects.erase(it);
    } else {
      ++it;
    }
  }
  for (AtkObject* obj : gone) {
    if (obj == focused) g_clear_object(&focused);
    g_object_unref(obj);
  }
}

void AtkSession::Forget(WindowId window) {
  DropWindow(window, true);
}

void AtkSession::Wait(std::vector<pollfd>& extra, int timeoutMs) {
  GMainContext* context = g_main_context_default();
  if (!g_main_context_acquire(context)) return;
  gint priority = 0;
  g_main_context_prepare(context, &priority);
  gint glibTimeout = -1;
  if (gfds.empty()) gfds.resize(8);
  gint count = 0;
  for (;;) {
    count = g_main_context_query(context, priority, &glibTimeout, gfds.data(),
                                 static_cast<gint>(gfds.size()));
    if (static_cast<size_t>(count) <= gfds.size()) break;
    gfds.resize(static_cast<size_t>(count));
  }
  std::vector<pollfd> all(extra);
  for (gint i = 0; i < count; ++i)
    all.push_back({gfds[static_cast<size_t>(i)].fd,
                   static_cast<short>(gfds[static_cast<size_t>(i)].events), 0});
  int timeout = timeoutMs;
  if (glibTimeout >= 0 && (timeout < 0 || glibTimeout < timeout)) timeout = glibTimeout;
  int ready = poll(all.data(), all.size(), timeout);
  if (ready < 0 && errno != EINTR) ready = 0;
  for (size_t i = 0; i < extra.size(); ++i) extra[i].revents = ready > 0 ? all[i].revents : 0;
  for (gint i = 0; i < count; ++i) {
    gfds[static_cast<size_t>(i)].revents =
        ready > 0 ? static_cast<gushort>(all[extra.size() + static_cast<size_t>(i)].revents) : 0;
  }
  if (g_main_context_check(context, priority, gfds.data(), count)) g_main_context_dispatch(context);
  g_main_context_release(context);
}

}  // namespace tk::platform

// The module's entry (AtkModule.h), the one symbol it exports.
extern "C" __attribute__((visibility("default"))) tk::platform::AtkModule* mv_atk_module_new(
    const tk::platform::AtkBridge::Host* host, int version) {
  if (version != tk::platform::kAtkModuleVersion || host == nullptr) return nullptr;
  return new tk::platform::AtkSession(*host);
}
