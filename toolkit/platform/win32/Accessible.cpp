#include "toolkit/platform/win32/Accessible.h"

#include <oleacc.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "toolkit/platform/AccessibleQueries.h"
#include "toolkit/text/Utf16.h"

namespace tk::platform {

namespace {

// The functions of COM and of the accessibility library, loaded when a
// client first asks: importing them would load their libraries (ole32,
// oleaut32, oleacc and theirs) at every start, about 100 ms under Wine.
struct OleFunctions {
  decltype(&::CoInitializeEx) CoInitializeEx = nullptr;
  decltype(&::CoUninitialize) CoUninitialize = nullptr;
  decltype(&::CoDisconnectObject) CoDisconnectObject = nullptr;
  decltype(&::SysAllocStringLen) SysAllocStringLen = nullptr;
  decltype(&::SysStringLen) SysStringLen = nullptr;
  decltype(&::LresultFromObject) LresultFromObject = nullptr;
  decltype(&::CreateStdAccessibleObject) CreateStdAccessibleObject = nullptr;
};
OleFunctions ole;

template <class F>
bool Load(HMODULE library, const char* name, F& out) {
  FARPROC proc = library != nullptr ? GetProcAddress(library, name) : nullptr;
  // Through void (*)(): the one function type a cast may pass unchecked.
  out = reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
  return out != nullptr;
}

bool LoadOle() {
  static const bool loaded = [] {
    HMODULE com = LoadLibraryW(L"ole32.dll");
    HMODULE automation = LoadLibraryW(L"oleaut32.dll");
    HMODULE acc = LoadLibraryW(L"oleacc.dll");
    OleFunctions f;
    bool all = Load(com, "CoInitializeEx", f.CoInitializeEx) &&
               Load(com, "CoUninitialize", f.CoUninitialize) &&
               Load(com, "CoDisconnectObject", f.CoDisconnectObject) &&
               Load(automation, "SysAllocStringLen", f.SysAllocStringLen) &&
               Load(automation, "SysStringLen", f.SysStringLen) &&
               Load(acc, "LresultFromObject", f.LresultFromObject) &&
               Load(acc, "CreateStdAccessibleObject", f.CreateStdAccessibleObject);
    if (all) ole = f;
    return all;
  }();
  return loaded;
}

// The empty answer of each kind a query gives.
void Clear(VARIANT* v) {
  v->vt = VT_EMPTY;
}
void Clear(BSTR* b) {
  *b = nullptr;
}
void Clear(IDispatch** d) {
  *d = nullptr;
}

HRESULT I4(VARIANT* out, LONG value) {
  out->vt = VT_I4;
  out->lVal = value;
  return S_OK;
}

BSTR AllocString(const wchar_t* text, size_t length) {
  return ole.SysAllocStringLen(text, static_cast<UINT>(length));
}

class NodeObject;

// The child id of a node: the root is the object itself.
LONG ChildId(const AccessibleTree& tree, NodeId id) {
  return !tree.nodes.empty() && tree.nodes[0].id == id ? CHILDID_SELF : static_cast<LONG>(id);
}

// A panel is an object that holds its children; other nodes are simple
// elements of the object above them.
bool IsContainer(const AccessibleNode& node) {
  return node.role == Role::Panel || !node.children.empty();
}

BSTR Bstr(const std::string& utf8) {
  std::u16string units = Utf8ToUtf16(utf8);
  return AllocString(reinterpret_cast<const wchar_t*>(units.data()), units.size());
}

// An answer of text: S_FALSE and no string where there is none.
HRESULT TextAnswer(const std::string& utf8, BSTR* out) {
  if (utf8.empty()) return S_FALSE;
  *out = Bstr(utf8);
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

struct AccessibleWindow::State {
  HWND hwnd = nullptr;
  WindowId window = kNoWindow;
  std::function<void(Event)> post;
  std::shared_ptr<const AccessibleTree> tree;
  // The last announcement, as the object kAnnouncementChild shows it.
  AccessibleNode announcement;
  bool connected = true;
  // The root object, kept so that every client talks to the same one.
  NodeObject* root = nullptr;
  // Every object alive, so that they can be cut off from clients.
  std::vector<NodeObject*> objects;
};

namespace {

using State = AccessibleWindow::State;

// An object is also the enumerator of its children (IEnumVARIANT), as
// AccessibleChildren asks: the child ids are node ids, not the indices that
// clients assume of objects without one.
class NodeObject final : public IAccessible, public IEnumVARIANT {
 public:
  NodeObject(std::shared_ptr<State> state, NodeId self) : state_(std::move(state)), self_(self) {
    state_->objects.push_back(this);
  }

  // IUnknown.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    if (iid == IID_IEnumVARIANT) {
      *out = static_cast<IEnumVARIANT*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch: clients of this program use the IAccessible methods directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IEnumVARIANT: the children, as get_accChild would give each.
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
    if (fetched != nullptr) *fetched = 0;
    if (out == nullptr) return E_POINTER;
    const AccessibleNode* self = nullptr;
    if (HRESULT hr = Self(self); FAILED(hr)) return hr;
    ULONG n = 0;
    for (; n < count && cursor_ < self->children.size(); ++n, ++cursor_) {
      Clear(&out[n]);
      Answer(self->children[cursor_], &out[n]);
    }
    if (fetched != nullptr) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    const AccessibleNode* self = nullptr;
    if (HRESULT hr = Self(self); FAILED(hr)) return hr;
    cursor_ = std::min<size_t>(cursor_ + count, self->children.size());
    return cursor_ < self->children.size() || count == 0 ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    cursor_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!state_->connected) return CO_E_OBJNOTCONNECTED;
    auto* copy = new NodeObject(state_, self_);
    copy->cursor_ = cursor_;
    copy->AddRef();
    *out = copy;
    return S_OK;
  }

  // IAccessible: the tree.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    const AccessibleNode* self = nullptr;
    if (HRESULT hr = Self(self); FAILED(hr)) return hr;
    if (self->parent == kNoNode) {
      // Above the client area: the window with its frame, as the system
      // shows it.
      return ole.CreateStdAccessibleObject(state_->hwnd, OBJID_WINDOW, IID_IDispatch,
                                           reinterpret_cast<void**>(out));
    }
    *out = Object(self->parent);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    const AccessibleNode* self = nullptr;
    if (HRESULT hr = Self(self); FAILED(hr)) return hr;
    *count = static_cast<LONG>(self->children.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return About(child, out, [&](const AccessibleNode& node) -> HRESULT {
      if (node.id == self_ || node.id == state_->announcement.id || !IsContainer(node)) {
        return S_FALSE;  // a simple element: the client asks this object about it
      }
      *out = Object(node.id);
      return S_OK;
    });
  }

  // IAccessible: what a node is.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
    return About(child, out,
                 [&](const AccessibleNode& node) { return TextAnswer(node.name, out); });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
    return About(child, out, [&](const AccessibleNode& node) -> HRESULT {
      // A password field's text is never given, not even as stars.
      if ((node.states & states::kProtected) != 0 || node.role == Role::PasswordField) {
        return E_ACCESSDENIED;
      }
      if (!IsTextRole(node.role)) return DISP_E_MEMBERNOTFOUND;
      *out = Bstr(node.value);
      return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
    return About(child, out,
                 [&](const AccessibleNode& node) { return TextAnswer(node.description, out); });
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
    return About(child, out,
                 [&](const AccessibleNode& node) { return I4(out, MsaaRole(node.role)); });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
    return About(child, out, [&](const AccessibleNode& node) { return I4(out, MsaaStates(node)); });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
    return NoText(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    if (topic != nullptr) *topic = 0;
    return NoText(child, file);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
    return NoText(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
    return About(child, out, [&](const AccessibleNode& node) -> HRESULT {
      if ((node.actions & ActionBit(AccessibleAction::Press)) == 0) return DISP_E_MEMBERNOTFOUND;
      *out = AllocString(kPressActionName, std::size(kPressActionName) - 1);
      return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    });
  }

  // IAccessible: where the focus is, what is where.
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    Clear(out);
    const AccessibleNode* self = nullptr;
    if (HRESULT hr = Self(self); FAILED(hr)) return hr;
    const AccessibleNode* focused = state_->tree->Focused();
    // The focus, or the child of this object that holds it.
    for (const AccessibleNode* n = focused; n != nullptr; n = state_->tree->Find(n->parent)) {
      if (n->id == self_) return Answer(self_, out);
      if (n->parent == self_) return Answer(n->id, out);
    }
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    Clear(out);
    const AccessibleNode* self = nullptr;
    if (HRESULT hr = Self(self); FAILED(hr)) return hr;
    return S_FALSE;  // nothing here is selectable
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
      return E_POINTER;
    }
    *left = *top = *width = *height = 0;
    const AccessibleNode* node = nullptr;
    if (HRESULT hr = Resolve(child, node); FAILED(hr)) return hr;
    if (node->bounds.IsEmpty()) return S_OK;
    POINT origin{node->bounds.Left, node->bounds.Top};
    ClientToScreen(state_->hwnd, &origin);
    *left = origin.x;
    *top = origin.y;
    *width = node->bounds.Width();
    *height = node->bounds.Height();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    Clear(out);
    const AccessibleNode* from = nullptr;
    if (HRESULT hr = Resolve(start, from); FAILED(hr)) return hr;
    const AccessibleTree& tree = *state_->tree;
    NodeId to = kNoNode;
    switch (direction) {
      case NAVDIR_FIRSTCHILD:
      case NAVDIR_LASTCHILD:
        if (!from->children.empty()) {
          to = direction == NAVDIR_FIRSTCHILD ? from->children.front() : from->children.back();
        }
        break;
      case NAVDIR_NEXT:
      case NAVDIR_PREVIOUS: {
        // Siblings of the node within its parent; the root has none here
        // (its frame's object knows the window's).
        int at = IndexInParent(tree, *from);
        if (at < 0) break;
        const std::vector<NodeId>& siblings = tree.Find(from->parent)->children;
        int next = at + (direction == NAVDIR_NEXT ? 1 : -1);
        if (next >= 0 && static_cast<size_t>(next) < siblings.size())
          to = siblings[static_cast<size_t>(next)];
        break;
      }
      case NAVDIR_UP:
      case NAVDIR_DOWN:
      case NAVDIR_LEFT:
      case NAVDIR_RIGHT:
        break;  // no spatial navigation: reading order is given
      default:
        return E_INVALIDARG;
    }
    if (to == kNoNode) return S_FALSE;
    return Answer(to, out);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    Clear(out);
    const AccessibleNode* self = nullptr;
    if (HRESULT hr = Self(self); FAILED(hr)) return hr;
    POINT p{x, y};
    ScreenToClient(state_->hwnd, &p);
    TPoint at{static_cast<int>(p.x), static_cast<int>(p.y)};
    if (!self->bounds.Contains(at)) return S_FALSE;
    // The child under the point (the last one, where they overlap: it is
    // drawn above), else the object itself.
    for (auto it = self->children.rbegin(); it != self->children.rend(); ++it) {
      const AccessibleNode* child = state_->tree->Find(*it);
      if (child != nullptr && child->bounds.Contains(at)) return Answer(child->id, out);
    }
    return Answer(self_, out);
  }

  // IAccessible: what a client asks to be done, posted to the toolkit.
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
    return OnNode(child, [&](const AccessibleNode& node) -> HRESULT {
      if (flags != SELFLAG_TAKEFOCUS) return DISP_E_MEMBERNOTFOUND;
      return Act(node, AccessibleAction::Focus, {});
    });
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return OnNode(
        child, [&](const AccessibleNode& node) { return Act(node, AccessibleAction::Press, {}); });
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR) override {
    return OnNode(child, [](const AccessibleNode&) { return DISP_E_MEMBERNOTFOUND; });
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return OnNode(child, [&](const AccessibleNode& node) -> HRESULT {
      if ((node.states & states::kReadOnly) != 0) return E_ACCESSDENIED;
      const auto* units = reinterpret_cast<const char16_t*>(value);
      return Act(node, AccessibleAction::SetText,
                 value == nullptr ? std::string() : Utf16ToUtf8({units, ole.SysStringLen(value)}));
    });
  }

 private:
  ~NodeObject() { std::erase(state_->objects, this); }

  // This object's node, in the last tree.
  HRESULT Self(const AccessibleNode*& out) {
    if (!state_->connected) return CO_E_OBJNOTCONNECTED;
    out = state_->tree != nullptr ? state_->tree->Find(self_) : nullptr;
    return out != nullptr ? S_OK : E_FAIL;
  }
  // The node a child id names: this object's own, or one beneath it.
  HRESULT Resolve(const VARIANT& child, const AccessibleNode*& out) {
    const AccessibleNode* self = nullptr;
    if (HRESULT hr = Self(self); FAILED(hr)) return hr;
    if (child.vt != VT_I4) return E_INVALIDARG;
    if (child.lVal == CHILDID_SELF) {
      out = self;
      return S_OK;
    }
    if (child.lVal == kAnnouncementChild && self->parent == kNoNode &&
        state_->announcement.id != kNoNode) {
      out = &state_->announcement;
      return S_OK;
    }
    if (child.lVal < 0) return E_INVALIDARG;
    const AccessibleTree& tree = *state_->tree;
    for (const AccessibleNode* n = tree.Find(static_cast<NodeId>(child.lVal)); n != nullptr;
         n = tree.Find(n->parent)) {
      if (n->parent == self_) {
        out = tree.Find(static_cast<NodeId>(child.lVal));
        return S_OK;
      }
    }
    return E_INVALIDARG;
  }
  // Does f with the node a child id names.
  template <class F>
  HRESULT OnNode(const VARIANT& child, F f) {
    const AccessibleNode* node = nullptr;
    if (HRESULT hr = Resolve(child, node); FAILED(hr)) return hr;
    return f(*node);
  }
  // Answers a question about the node a child id names into out, cleared
  // first so that a failure leaves nothing behind.
  template <class Out, class F>
  HRESULT About(const VARIANT& child, Out* out, F answer) {
    if (out == nullptr) return E_POINTER;
    Clear(out);
    return OnNode(child, answer);
  }
  HRESULT NoText(const VARIANT& child, BSTR* out) {
    return About(child, out, [](const AccessibleNode&) { return S_FALSE; });
  }
  // A node as a client is given it: this object, a simple element of it,
  // or an object of its own.
  HRESULT Answer(NodeId id, VARIANT* out) {
    const AccessibleNode* node = state_->tree->Find(id);
    if (node == nullptr) return S_FALSE;
    if (id == self_ || (node->parent == self_ && !IsContainer(*node))) {
      out->vt = VT_I4;
      out->lVal = id == self_ ? CHILDID_SELF : static_cast<LONG>(id);
    } else {
      out->vt = VT_DISPATCH;
      out->pdispVal = Object(id);
    }
    return S_OK;
  }
  IDispatch* Object(NodeId id) {
    if (id == self_) {
      AddRef();
      return this;
    }
    NodeObject* object = new NodeObject(state_, id);
    object->AddRef();
    return object;
  }
  // Refuses at once what the last tree shows cannot be done; the toolkit
  // judges the rest.
  HRESULT Act(const AccessibleNode& node, AccessibleAction action, std::string text) {
    switch (RefuseAction(*state_->tree, node, action)) {
      case ActionRefusal::Unsupported:
        return DISP_E_MEMBERNOTFOUND;
      case ActionRefusal::Disabled:
        return E_FAIL;
      case ActionRefusal::None:
        break;
    }
    state_->post(AccessibleActionEvent(state_->window, node.id, action, std::move(text)));
    return S_OK;
  }

  std::shared_ptr<State> state_;
  NodeId self_;
  ULONG refs_ = 0;
  size_t cursor_ = 0;  // the enumeration's next child
};

}  // namespace

// The MSAA role of each of the model's roles.
constexpr LONG kMsaaRoles[] = {
    ROLE_SYSTEM_DIALOG,     ROLE_SYSTEM_ALERT,   ROLE_SYSTEM_GROUPING, ROLE_SYSTEM_STATICTEXT,
    ROLE_SYSTEM_STATICTEXT, ROLE_SYSTEM_TEXT,    ROLE_SYSTEM_TEXT,     ROLE_SYSTEM_TEXT,
    ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_GRAPHIC,
};

LONG MsaaRole(Role role) {
  return ByRole(kMsaaRoles, role);
}

LONG MsaaStates(const AccessibleNode& node) {
  LONG out = 0;
  if (node.states & states::kFocused) out |= STATE_SYSTEM_FOCUSED;
  if (node.states & states::kFocusable) out |= STATE_SYSTEM_FOCUSABLE;
  if (node.states & states::kDisabled) out |= STATE_SYSTEM_UNAVAILABLE;
  // Static text is read, never changed, as the system's own static controls.
  if ((node.states & states::kReadOnly) || node.role == Role::Label || node.role == Role::Status) {
    out |= STATE_SYSTEM_READONLY;
  }
  if (node.states & states::kProtected) out |= STATE_SYSTEM_PROTECTED;
  if (node.states & states::kOffscreen) out |= STATE_SYSTEM_OFFSCREEN;
  return out;
}

bool ComRuntime::Start() {
  if (!started_ && !failed_) {
    if (!LoadOle()) {
      failed_ = true;
      return false;
    }
    HRESULT hr = ole.CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    owned_ = SUCCEEDED(hr);
    // A thread that joined another kind of apartment still marshals.
    started_ = owned_ || hr == RPC_E_CHANGED_MODE;
    failed_ = !started_;
  }
  return started_;
}

ComRuntime::~ComRuntime() {
  if (owned_) ole.CoUninitialize();
}

AccessibleWindow::AccessibleWindow(HWND hwnd, WindowId window, std::function<void(Event)> post)
    : state_(std::make_shared<State>()) {
  state_->hwnd = hwnd;
  state_->window = window;
  state_->post = std::move(post);
}

AccessibleWindow::~AccessibleWindow() {
  Disconnect();
}

bool AccessibleWindow::HasTree() const {
  return state_->connected && state_->tree != nullptr;
}

LRESULT AccessibleWindow::Answer(WPARAM wParam) {
  if (!HasTree()) return 0;
  if (state_->root == nullptr) {
    state_->root = new NodeObject(state_, state_->tree->nodes[0].id);
    state_->root->AddRef();  // held until Disconnect
  }
  LRESULT result =
      ole.LresultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(state_->root));
  return result > 0 ? result : 0;
}

void AccessibleWindow::Disconnect() {
  if (!state_->connected) return;
  state_->connected = false;
  state_->tree = nullptr;
  // Clients that still hold an object lose it; releasing their references
  // may delete objects, so the list is walked from a copy held alive.
  std::vector<NodeObject*> objects = state_->objects;
  for (NodeObject* o : objects) o->AddRef();
  for (NodeObject* o : objects) ole.CoDisconnectObject(static_cast<IAccessible*>(o), 0);
  for (NodeObject* o : objects) o->Release();
  if (state_->root != nullptr) {
    NodeObject* root = state_->root;
    state_->root = nullptr;
    root->Release();
  }
}

// The WinEvent that reports each kind of change of a node, in the order
// ChangeKind lists them; 0 where the change is told otherwise.
constexpr DWORD kChangeEvents[] = {
    EVENT_OBJECT_REORDER,            // WindowShown
    0,                               // WindowHidden: the system reports the window gone
    EVENT_OBJECT_STATECHANGE,        // WindowEnabled
    EVENT_OBJECT_STATECHANGE,        // WindowDisabled
    0,                               // Structure
    EVENT_OBJECT_FOCUS,              // Focus
    EVENT_OBJECT_NAMECHANGE,         // Name
    EVENT_OBJECT_DESCRIPTIONCHANGE,  // Description
    EVENT_OBJECT_VALUECHANGE,        // Value
    EVENT_OBJECT_STATECHANGE,        // States
    EVENT_OBJECT_LOCATIONCHANGE,     // Bounds
    0,                               // Caret
    0,                               // Announcement
};
static_assert(std::size(kChangeEvents) == static_cast<size_t>(ChangeKind::Announcement) + 1);

void AccessibleWindow::Publish(std::shared_ptr<const AccessibleTree> tree,
                               const std::vector<AccessibleChange>& changes) {
  if (!state_->connected) return;
  std::shared_ptr<const AccessibleTree> before = std::move(state_->tree);
  state_->tree = std::move(tree);
  // The root object is the window's client object; a new tree keeps it.
  if (state_->root != nullptr && state_->tree != nullptr && before != nullptr &&
      state_->tree->nodes[0].id != before->nodes[0].id) {
    NodeObject* root = state_->root;
    state_->root = nullptr;
    root->Release();
  }
  if (state_->tree == nullptr) return;  // hidden: the system reports the window gone
  const AccessibleTree& after = *state_->tree;
  HWND hwnd = state_->hwnd;
  auto notify = [&](DWORD event, NodeId node) {
    NotifyWinEvent(event, hwnd, OBJID_CLIENT, ChildId(after, node));
  };
  for (const AccessibleChange& c : changes) {
    if (DWORD event = kChangeEvents[static_cast<size_t>(c.kind)]) {
      notify(event, c.node);
      continue;
    }
    switch (c.kind) {
      case ChangeKind::Structure: {
        // Children that came are shown, those that went are hidden, then
        // the node's children are reordered.
        const AccessibleNode* now = after.Find(c.node);
        const AccessibleNode* was = before != nullptr ? before->Find(c.node) : nullptr;
        if (now == nullptr) break;
        ChildrenChange children = DiffChildren(was, *now);
        for (auto [i, gone] : children.gone) {
          NotifyWinEvent(EVENT_OBJECT_HIDE, hwnd, OBJID_CLIENT, static_cast<LONG>(gone));
        }
        for (auto [i, came] : children.came) notify(EVENT_OBJECT_SHOW, came);
        notify(EVENT_OBJECT_REORDER, c.node);
        break;
      }
      case ChangeKind::Caret:
        // The system caret follows it (the platform places it); its object
        // reports the move.
        NotifyWinEvent(EVENT_OBJECT_LOCATIONCHANGE, hwnd, OBJID_CARET, CHILDID_SELF);
        break;
      case ChangeKind::Announcement: {
        // The announcement's object takes the text as its name: a live
        // region's change for clients that follow those, a name change for
        // the others, and an alert when it must interrupt.
        AccessibleNode& a = state_->announcement;
        a.id = static_cast<NodeId>(kAnnouncementChild);
        a.parent = after.nodes[0].id;
        a.role = c.politeness == Politeness::Assertive ? Role::Alert : Role::Status;
        a.name = c.text;
        a.states = states::kReadOnly | states::kOffscreen;
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd, OBJID_CLIENT, kAnnouncementChild);
        NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, hwnd, OBJID_CLIENT, kAnnouncementChild);
        if (c.politeness == Politeness::Assertive) {
          NotifyWinEvent(EVENT_SYSTEM_ALERT, hwnd, OBJID_CLIENT, kAnnouncementChild);
        }
        break;
      }
      default:
        break;  // a hidden window: the system reports it gone
    }
  }
}

}  // namespace tk::platform
