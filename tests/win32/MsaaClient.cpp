// A screen reader's view of Mirvolant.exe through Active Accessibility, from
// another process: starts the program, reads the board's tree (the dialog,
// the first slot's field named by its prompt, its code never exposed),
// fills the field through put_accValue, presses the slot's button through
// accDoDefaultAction, and waits for the slot's panel to be renamed "OK", as
// the tree and a WinEvent tell. Every wait has a deadline.
//
// Usage: msaa_client PATH/TO/Mirvolant.exe   (a Unix path is taken as Z:)

#include <oleacc.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

int failures = 0;

#define CHECK(condition, ...)                                                      \
  do {                                                                             \
    if (!(condition)) {                                                            \
      ++failures;                                                                  \
      std::fprintf(stderr, "%s:%d: failed: %s: ", __FILE__, __LINE__, #condition); \
      std::fprintf(stderr, __VA_ARGS__);                                           \
      std::fprintf(stderr, "\n");                                                  \
    }                                                                              \
  } while (0)

std::wstring Wide(const char* utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n - 1 : 0), L'\0');
  if (n > 1) MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& wide) {
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, out.data(), n, nullptr, nullptr);
  return out;
}

VARIANT Child(LONG id) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

// A string answer, or "(error)" when the object refused.
std::wstring Text(HRESULT hr, BSTR s) {
  std::wstring out = FAILED(hr) ? L"(error)" : s != nullptr ? std::wstring(s) : L"";
  SysFreeString(s);
  return out;
}
std::wstring Name(IAccessible* object, LONG child) {
  BSTR s = nullptr;
  HRESULT hr = object->get_accName(Child(child), &s);
  return Text(hr, s);
}
LONG Role(IAccessible* object, LONG child) {
  VARIANT v;
  VariantInit(&v);
  if (FAILED(object->get_accRole(Child(child), &v)) || v.vt != VT_I4) return -1;
  return v.lVal;
}
LONG State(IAccessible* object, LONG child) {
  VARIANT v;
  VariantInit(&v);
  if (FAILED(object->get_accState(Child(child), &v)) || v.vt != VT_I4) return -1;
  return v.lVal;
}

// A node as the client holds it: its object and the child id in it.
struct Element {
  IAccessible* object = nullptr;  // owned by the walk's list of objects
  LONG child = CHILDID_SELF;
  IAccessible* container = nullptr;  // the object whose child it is
};

// Every element beneath object, depth-first, through AccessibleChildren.
void Walk(IAccessible* object, std::vector<Element>& out, std::vector<IAccessible*>& keep) {
  LONG count = 0;
  if (FAILED(object->get_accChildCount(&count)) || count <= 0) return;
  std::vector<VARIANT> children(static_cast<size_t>(count));
  LONG got = 0;
  if (FAILED(AccessibleChildren(object, 0, count, children.data(), &got))) return;
  for (LONG i = 0; i < got; ++i) {
    VARIANT& v = children[static_cast<size_t>(i)];
    if (v.vt == VT_I4) {
      out.push_back({object, v.lVal, object});
    } else if (v.vt == VT_DISPATCH && v.pdispVal != nullptr) {
      IAccessible* child = nullptr;
      if (SUCCEEDED(
              v.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&child)))) {
        keep.push_back(child);
        out.push_back({child, CHILDID_SELF, object});
        Walk(child, out, keep);
      }
    }
    VariantClear(&v);
  }
}

// Handles messages (WinEvents arrive as them) until done() or the deadline.
bool WaitFor(const std::function<bool()>& done, DWORD ms) {
  ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (done()) return true;
    ULONGLONG now = GetTickCount64();
    if (now >= end) return false;
    // Wakes for messages, else looks again soon: the program's state is in
    // another process.
    MsgWaitForMultipleObjects(0, nullptr, FALSE,
                              static_cast<DWORD>(std::min<ULONGLONG>(end - now, 50)), QS_ALLINPUT);
  }
}

DWORD programProcess = 0;
std::vector<LONG> nameChanges;  // child ids of the program's name changes

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD,
                         DWORD) {
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process == programProcess && event == EVENT_OBJECT_NAMECHANGE && object == OBJID_CLIENT) {
    nameChanges.push_back(child);
  }
}

HWND FindBoard(DWORD process) {
  struct Search {
    DWORD process;
    HWND found;
  } search{process, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        wchar_t title[64] = {};
        GetWindowTextW(hwnd, title, 64);
        if (owner == s->process && IsWindowVisible(hwnd) && std::wstring(title) == L"MIRVOLANT" &&
            GetWindow(hwnd, GW_OWNER) == nullptr) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: msaa_client PATH/TO/Mirvolant.exe\n");
    return 2;
  }
  std::wstring path = Wide(argv[1]);
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION program{};
  std::wstring command = L"\"" + path + L"\"";
  if (!CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &program)) {
    std::fprintf(stderr, "cannot start %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  programProcess = program.dwProcessId;
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                       &OnWinEvent, program.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
  CHECK(hook != nullptr, "no WinEvent hook");

  HWND board = nullptr;
  CHECK(WaitFor([&] { return (board = FindBoard(program.dwProcessId)) != nullptr; }, 60000),
        "the board did not appear");

  // The first request tells the program that a client listens; its tree
  // answers as soon as the program published it.
  IAccessible* root = nullptr;
  auto published = [&] {
    if (root != nullptr) root->Release();
    root = nullptr;
    if (FAILED(AccessibleObjectFromWindow(board, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&root)))) {
      return false;
    }
    LONG count = 0;
    return Role(root, CHILDID_SELF) == ROLE_SYSTEM_DIALOG &&
           SUCCEEDED(root->get_accChildCount(&count)) && count > 0;
  };
  bool ready = board != nullptr && WaitFor(published, 30000);
  CHECK(ready, "the board's tree was not published");
  if (ready) {
    CHECK(Name(root, CHILDID_SELF) == L"MIRVOLANT", "dialog name %s",
          Narrow(Name(root, CHILDID_SELF)).c_str());
    std::vector<Element> elements;
    std::vector<IAccessible*> objects;
    Walk(root, elements, objects);
    std::printf("the board has %zu accessible elements\n", elements.size());
    for (const Element& e : elements) {
      std::printf("  %ld role %ld: %s\n", e.child, Role(e.object, e.child),
                  Narrow(Name(e.object, e.child)).c_str());
    }

    // The first slot: its field, named by its prompt, and its button.
    const Element* field = nullptr;
    for (const Element& e : elements) {
      if (Name(e.object, e.child) == L"Введите код 1го уровня:" &&
          Role(e.object, e.child) == ROLE_SYSTEM_TEXT) {
        field = &e;
      }
    }
    CHECK(field != nullptr, "no field named by the first prompt");
    if (field != nullptr) {
      IAccessible* panel = field->container;
      CHECK(panel != root && Role(panel, CHILDID_SELF) == ROLE_SYSTEM_GROUPING,
            "the field is not in its slot's panel");
      LONG state = State(field->object, field->child);
      CHECK(state != -1 && (state & STATE_SYSTEM_PROTECTED), "the field is not protected");
      BSTR value = nullptr;
      HRESULT hr = field->object->get_accValue(Child(field->child), &value);
      CHECK(FAILED(hr) && value == nullptr, "a password field gave a value");
      SysFreeString(value);

      const Element* ok = nullptr;
      for (const Element& e : elements) {
        if (e.container == panel && Role(e.object, e.child) == ROLE_SYSTEM_PUSHBUTTON) ok = &e;
      }
      CHECK(ok != nullptr && Name(ok->object, ok->child) == L"ОК", "no ОК button in the slot");
      if (ok != nullptr) {
        // The code is typed through the field, checked through the button.
        BSTR code = SysAllocString(L"GG38TT");
        CHECK(SUCCEEDED(field->object->put_accValue(Child(field->child), code)),
              "put_accValue refused");
        SysFreeString(code);
        CHECK(SUCCEEDED(ok->object->accDoDefaultAction(Child(ok->child))),
              "accDoDefaultAction refused");
        bool solved = WaitFor([&] { return Name(panel, CHILDID_SELF) == L"OK"; }, 30000);
        CHECK(solved, "the slot's panel reads \"%s\", not OK",
              Narrow(Name(panel, CHILDID_SELF)).c_str());
        // The change was told as a WinEvent too.
        CHECK(WaitFor([&] { return !nameChanges.empty(); }, 10000), "no name change event");
        LONG count = -1;
        panel->get_accChildCount(&count);
        CHECK(count == 0, "the solved slot still holds %ld elements", count);
      }
    }

    // Closing the board ends the program; the objects it gave now refuse,
    // and asking them harms nobody.
    PostMessageW(board, WM_CLOSE, 0, 0);
    DWORD ended = WaitForSingleObject(program.hProcess, 30000);
    CHECK(ended == WAIT_OBJECT_0, "the program did not end");
    DWORD code = 1;
    GetExitCodeProcess(program.hProcess, &code);
    CHECK(code == 0, "the program ended with %lu", code);
    BSTR late = nullptr;
    CHECK(FAILED(root->get_accName(Child(CHILDID_SELF), &late)), "a late call succeeded");
    SysFreeString(late);
    for (IAccessible* o : objects) o->Release();
    root->Release();
  }
  if (WaitForSingleObject(program.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(program.hProcess, 1);
  }
  if (hook != nullptr) UnhookWinEvent(hook);
  CloseHandle(program.hThread);
  CloseHandle(program.hProcess);
  std::printf("%s\n", failures == 0 ? "passed" : "FAILED");
  return failures == 0 ? 0 : 1;
}
