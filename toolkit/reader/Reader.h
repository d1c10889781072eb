#pragma once
// Dialog descriptions: a human-readable tree of objects and their typed
// property values, stored as Windows-1251 text.
//
//   object Form1: TForm1
//     Left = 465
//     Caption = 'MIRVOLANT'
//     Font.Style = []
//     object Panel1: TPanel
//       Lines.Strings = ('first' 'second')
//     end
//   end
//
// Values: integers, identifiers (True and False are booleans), quoted texts
// ('' is a quote; #13 and other #codes may be joined to quoted parts), sets
// [a, b], lists of texts (...), and binary data as hex digits {0A1B} or as a
// raw block #<count>:<bytes>. Lines starting with // are comments.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/components/Component.h"
#include "toolkit/forms/Application.h"

namespace tk {

struct DescriptionNode {
  AnsiString name;
  AnsiString className;
  std::vector<std::pair<std::string, PropValue>> properties;
  std::vector<std::unique_ptr<DescriptionNode>> children;
};

// Parses a whole description; throws EReadError naming the line on any
// malformed input.
std::unique_ptr<DescriptionNode> ParseDescription(std::string_view text);

// Builds form from an already parsed description; throws EReadError ("Error
// reading Name.Property: reason") when a property cannot be applied.
void BuildDialog(TCustomForm& form, const DescriptionNode& root);

// Where descriptions come from: the text stored under a name, or nothing.
using DescriptionSource = std::function<std::optional<std::string_view>(std::string_view name)>;

// Builds each dialog from the description that source holds under its class
// name in capitals; EResNotFound when there is none.
class DescriptionReader final : public DialogLoader {
 public:
  explicit DescriptionReader(DescriptionSource source);
  void Load(TCustomForm& form) override;

 private:
  DescriptionSource source_;
};

}  // namespace tk
