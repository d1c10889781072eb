#include "toolkit/reader/Reader.h"

#include <cctype>
#include <charconv>
#include <functional>
#include <map>
#include <set>

#include "toolkit/base/Exceptions.h"
#include "toolkit/components/Classes.h"
#include "toolkit/components/Properties.h"
#include "toolkit/forms/Application.h"
#include "toolkit/forms/Form.h"

namespace tk {

namespace {

constexpr int kMaxDepth = 32;
constexpr size_t kMaxListItems = 100000;

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::unique_ptr<DescriptionNode> ParseRoot() {
    SkipSpace();
    auto root = ParseObject(0);
    SkipSpace();
    if (pos_ < text_.size()) Fail("text after the last end");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    int line = 1;
    for (size_t i = 0; i < pos_ && i < text_.size(); ++i) {
      if (text_[i] == '\n') ++line;
    }
    throw EReadError("Invalid description at line " + std::to_string(line) + ": " + what);
  }

  void SkipSpace() {
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        ++pos_;
      } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else {
        break;
      }
    }
  }

  static bool IsIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_';
  }
  static bool IsIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
  }

  // An identifier, optionally dotted (Font.Height).
  std::string Ident(bool dotted) {
    SkipSpace();
    if (pos_ >= text_.size() || !IsIdentStart(text_[pos_])) Fail("identifier expected");
    size_t start = pos_;
    while (pos_ < text_.size() &&
           (IsIdentChar(text_[pos_]) || (dotted && text_[pos_] == '.' && pos_ + 1 < text_.size() &&
                                         IsIdentStart(text_[pos_ + 1])))) {
      ++pos_;
    }
    return std::string(text_.substr(start, pos_ - start));
  }

  void Expect(char c) {
    SkipSpace();
    if (pos_ >= text_.size() || text_[pos_] != c) Fail(std::string("'") + c + "' expected");
    ++pos_;
  }

  bool Peek(char c) {
    SkipSpace();
    return pos_ < text_.size() && text_[pos_] == c;
  }

  bool PeekWord(std::string_view word) {
    SkipSpace();
    if (text_.compare(pos_, word.size(), word) != 0) return false;
    size_t after = pos_ + word.size();
    return after >= text_.size() || !IsIdentChar(text_[after]);
  }

  std::unique_ptr<DescriptionNode> ParseObject(int depth) {
    if (depth > kMaxDepth) Fail("objects nested too deeply");
    if (!PeekWord("object")) Fail("'object' expected");
    pos_ += 6;
    auto node = std::make_unique<DescriptionNode>();
    node->name = Ident(false);
    Expect(':');
    node->className = Ident(false);
    while (true) {
      SkipSpace();
      if (pos_ >= text_.size()) Fail("'end' expected");
      if (PeekWord("end")) {
        pos_ += 3;
        break;
      }
      if (PeekWord("object")) {
        node->children.push_back(ParseObject(depth + 1));
        continue;
      }
      std::string name = Ident(true);
      Expect('=');
      node->properties.emplace_back(name, ParseValue());
    }
    return node;
  }

  // A quoted text with joined #codes: 'abc'#13'def'.
  AnsiString ParseText() {
    AnsiString out;
    bool any = false;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '\'') {
        ++pos_;
        while (true) {
          if (pos_ >= text_.size() || text_[pos_] == '\n') Fail("unterminated text");
          if (text_[pos_] == '\'') {
            if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
              out.push_back('\'');
              pos_ += 2;
              continue;
            }
            ++pos_;
            break;
          }
          out.push_back(text_[pos_++]);
        }
        any = true;
      } else if (c == '#' && pos_ + 1 < text_.size() &&
                 std::isdigit(static_cast<unsigned char>(text_[pos_ + 1])) != 0) {
        size_t start = ++pos_;
        while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_])) != 0) {
          ++pos_;
        }
        if (pos_ < text_.size() && text_[pos_] == ':') {
          pos_ = start - 1;
          break;  // a raw binary block, not a character code
        }
        unsigned code = 0;
        auto [p, ec] = std::from_chars(text_.data() + start, text_.data() + pos_, code);
        if (ec != std::errc() || code > 255) Fail("character code out of range");
        out.push_back(static_cast<char>(code));
        any = true;
      } else {
        break;
      }
    }
    if (!any) Fail("text expected");
    return out;
  }

  PropValue ParseValue() {
    SkipSpace();
    if (pos_ >= text_.size()) Fail("value expected");
    PropValue v;
    char c = text_[pos_];
    if (c == '-' || c == '+' || std::isdigit(static_cast<unsigned char>(c)) != 0) {
      size_t start = pos_;
      if (c == '-' || c == '+') ++pos_;
      size_t digits = pos_;
      while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_])) != 0) {
        ++pos_;
      }
      if (pos_ == digits) Fail("number expected");
      int64_t n = 0;
      const char* first = text_.data() + start + (c == '+' ? 1 : 0);
      auto [p, ec] = std::from_chars(first, text_.data() + pos_, n);
      if (ec != std::errc()) Fail("number out of range");
      v.kind = PropValue::Kind::Integer;
      v.integer = n;
    } else if (c == '#' && RawBlockAhead()) {
      v.kind = PropValue::Kind::Binary;
      size_t start = ++pos_;
      while (text_[pos_] != ':') ++pos_;
      size_t count = 0;
      auto [p, ec] = std::from_chars(text_.data() + start, text_.data() + pos_, count);
      ++pos_;
      if (ec != std::errc() || count > text_.size() - pos_) Fail("binary block runs past the end");
      v.text.assign(text_.substr(pos_, count));
      pos_ += count;
    } else if (c == '\'' || c == '#') {
      v.kind = PropValue::Kind::String;
      v.text = ParseText();
    } else if (c == '[') {
      ++pos_;
      v.kind = PropValue::Kind::Set;
      if (!Peek(']')) {
        while (true) {
          v.items.push_back(Ident(false));
          if (Peek(']')) break;
          Expect(',');
        }
      }
      Expect(']');
    } else if (c == '(') {
      ++pos_;
      v.kind = PropValue::Kind::List;
      while (!Peek(')')) {
        if (pos_ >= text_.size()) Fail("')' expected");
        if (v.items.size() >= kMaxListItems) Fail("list too long");
        SkipSpace();
        v.items.push_back(ParseText());
      }
      Expect(')');
    } else if (c == '{') {
      ++pos_;
      v.kind = PropValue::Kind::Binary;
      int high = -1;
      while (true) {
        SkipSpace();
        if (pos_ >= text_.size()) Fail("'}' expected");
        char h = text_[pos_++];
        if (h == '}') break;
        int digit = std::isdigit(static_cast<unsigned char>(h)) != 0 ? h - '0'
                    : (h >= 'A' && h <= 'F')                         ? h - 'A' + 10
                    : (h >= 'a' && h <= 'f')                         ? h - 'a' + 10
                                                                     : -1;
        if (digit < 0) Fail("hex digit expected");
        if (high < 0) {
          high = digit;
        } else {
          v.text.push_back(static_cast<char>(high * 16 + digit));
          high = -1;
        }
      }
      if (high >= 0) Fail("odd number of hex digits");
    } else if (IsIdentStart(c)) {
      std::string ident = Ident(false);
      if (ident == "True" || ident == "False") {
        v.kind = PropValue::Kind::Boolean;
        v.boolean = ident == "True";
      } else {
        v.kind = PropValue::Kind::Ident;
        v.text = ident;
      }
    } else {
      Fail("value expected");
    }
    return v;
  }

  bool RawBlockAhead() const {
    size_t i = pos_ + 1;
    size_t start = i;
    while (i < text_.size() && std::isdigit(static_cast<unsigned char>(text_[i])) != 0) ++i;
    return i > start && i < text_.size() && text_[i] == ':';
  }

  std::string_view text_;
  size_t pos_ = 0;
};

void ApplyProperties(TComponent& component, const DescriptionNode& node, const ReadContext& ctx) {
  for (const auto& [name, value] : node.properties) {
    try {
      ApplyProperty(component, name, value, ctx);
    } catch (const Exception& e) {
      throw EReadError("Error reading " + component.Name() + "." + name + ": " + e.Message());
    }
  }
}

void BuildChildren(TCustomForm& form, TComponent& parent, const DescriptionNode& node,
                   const ReadContext& ctx, std::vector<TComponent*>& created) {
  for (const auto& child : node.children) {
    ComponentFactory factory = FindClass(child->className);
    if (factory == nullptr) throw EReadError("Class " + child->className + " not found");
    if (form.FindComponent(child->name) != nullptr) {
      throw EReadError("A component named " + child->name + " already exists");
    }
    TComponent* component = factory(&form);
    component->SetName(child->name);
    created.push_back(component);
    form.BindField(component);
    auto* control = dynamic_cast<TControl*>(component);
    if (control != nullptr) {
      auto* parentControl = dynamic_cast<TWinControl*>(&parent);
      if (parentControl == nullptr) {
        throw EReadError("Control " + child->name + " has no parent that can hold it");
      }
      control->SetParent(parentControl);
    } else if (!child->children.empty()) {
      throw EReadError("Component " + child->name + " cannot hold controls");
    }
    ApplyProperties(*component, *child, ctx);
    BuildChildren(form, *component, *child, ctx, created);
  }
}

}  // namespace

std::unique_ptr<DescriptionNode> ParseDescription(std::string_view text) {
  return Parser(text).ParseRoot();
}

void BuildDialog(TCustomForm& form, const DescriptionNode& root) {
  if (root.className != form.ClassName()) {
    throw EReadError("The description is of class " + root.className + ", not " + form.ClassName());
  }
  form.SetName(root.name);
  ReadContext ctx{&form};
  ApplyProperties(form, root, ctx);
  std::vector<TComponent*> created;
  BuildChildren(form, form, root, ctx, created);
  form.VerifyFields();
  if (Application != nullptr) form.ApplyDensity(Application->Platform().PixelsPerInch());
  // Loading ends: labels measure their texts, fields take their heights,
  // enabled timers start.
  for (TComponent* c : created) c->Loaded();
  form.Loaded();
}

DescriptionReader::DescriptionReader(DescriptionSource source) : source_(std::move(source)) {}

void DescriptionReader::Load(TCustomForm& form) {
  std::string resourceName = form.ClassName();
  for (char& c : resourceName) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::optional<std::string_view> data = source_ ? source_(resourceName) : std::nullopt;
  if (!data) throw EResNotFound(std::string("Resource ") + form.ClassName() + " not found");
  BuildDialog(form, *ParseDescription(*data));
}

}  // namespace tk
