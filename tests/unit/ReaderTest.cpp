// The description reader: every kind of value, and a clear reading error
// (naming the line, or the component and property) for malformed input.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "MessageOf.h"
#include "toolkit/base/Exceptions.h"
#include "toolkit/components/Controls.h"
#include "toolkit/forms/Application.h"
#include "toolkit/forms/Form.h"
#include "toolkit/platform/headless/HeadlessPlatform.h"
#include "toolkit/reader/Reader.h"

namespace mirvolant::testing {
namespace {

using Kind = tk::PropValue::Kind;

// The message of the reading error that parsing text raises.
std::string ParseError(const std::string& text) {
  return MessageOf<tk::EReadError>([&] { tk::ParseDescription(text); });
}

TEST(ReaderParse, EveryKindOfValueAndNesting) {
  auto root = tk::ParseDescription(
      "// a comment line\n"
      "object Form9: TForm9\n"
      "  Left = -12\n"
      "  Font.Height = +11\n"
      "  Caption = 'It''s'#13'two'#255\n"
      "  Visible = False\n"
      "  Position = poDesigned\n"
      "  Font.Style = [fsBold, fsItalic]\n"
      "  Anchors = []\n"
      "  Lines.Strings = (\n"
      "    'one'\n"
      "    ''\n"
      "    #65'B')\n"
      "  Data = {0aff 1B}\n"
      "  Raw = #5:a}b'c\n"
      "  object Panel1: TPanel\n"
      "    object Label1: TLabel\n"
      "    end\n"
      "  end\n"
      "end\n");
  ASSERT_EQ(root->name, "Form9");
  ASSERT_EQ(root->className, "TForm9");
  const auto& p = root->properties;
  ASSERT_EQ(p.size(), 10u);
  EXPECT_EQ(p[0].first, "Left");
  EXPECT_EQ(p[0].second.kind, Kind::Integer);
  EXPECT_EQ(p[0].second.integer, -12);
  EXPECT_EQ(p[1].first, "Font.Height");
  EXPECT_EQ(p[1].second.integer, 11);
  EXPECT_EQ(p[2].second.kind, Kind::String);
  EXPECT_EQ(p[2].second.text, "It's\rtwo\xFF");
  EXPECT_EQ(p[3].second.kind, Kind::Boolean);
  EXPECT_FALSE(p[3].second.boolean);
  EXPECT_EQ(p[4].second.kind, Kind::Ident);
  EXPECT_EQ(p[4].second.text, "poDesigned");
  EXPECT_EQ(p[5].second.kind, Kind::Set);
  EXPECT_EQ(p[5].second.items, (std::vector<tk::AnsiString>{"fsBold", "fsItalic"}));
  EXPECT_TRUE(p[6].second.items.empty());
  EXPECT_EQ(p[7].second.kind, Kind::List);
  EXPECT_EQ(p[7].second.items, (std::vector<tk::AnsiString>{"one", "", "AB"}));
  EXPECT_EQ(p[8].second.kind, Kind::Binary);
  EXPECT_EQ(p[8].second.text, std::string("\x0a\xff\x1b", 3));
  // A raw block takes its bytes as they are, quotes and braces included.
  EXPECT_EQ(p[9].second.kind, Kind::Binary);
  EXPECT_EQ(p[9].second.text, "a}b'c");
  ASSERT_EQ(root->children.size(), 1u);
  ASSERT_EQ(root->children[0]->children.size(), 1u);
  EXPECT_EQ(root->children[0]->children[0]->className, "TLabel");
}

TEST(ReaderParse, MalformedTextFailsWithTheLineAndTheReason) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"", "line 1: 'object' expected"},
      {"object A: TA\n  Left = 1\n", "line 3: 'end' expected"},
      {"object A: TA\nend\nend\n", "line 3: text after the last end"},
      {"object : TA\nend\n", "line 1: identifier expected"},
      {"object A TA\nend\n", "line 1: ':' expected"},
      {"object A: TA\n  Left 1\nend\n", "line 2: '=' expected"},
      {"object A: TA\n  Left =", "line 2: value expected"},
      {"object A: TA\n  Left = ?\nend\n", "line 2: value expected"},
      {"object A: TA\n  Left = -\nend\n", "line 2: number expected"},
      {"object A: TA\n  Left = 99999999999999999999\nend\n", "line 2: number out of range"},
      {"object A: TA\n  Caption = 'abc\nend\n", "line 2: unterminated text"},
      {"object A: TA\n  Caption = #256\nend\n", "line 2: character code out of range"},
      {"object A: TA\n  Data = {0A1}\nend\n", "line 2: odd number of hex digits"},
      {"object A: TA\n  Data = {0G}\nend\n", "line 2: hex digit expected"},
      {"object A: TA\n  Data = {0A", "line 2: '}' expected"},
      {"object A: TA\n  Data = #99:abc\nend\n", "line 2: binary block runs past the end"},
      {"object A: TA\n  S = [a b]\nend\n", "line 2: ',' expected"},
      {"object A: TA\n  S = [a,]\nend\n", "line 2: identifier expected"},
      {"object A: TA\n  L = ('a' x)\nend\n", "line 2: text expected"},
      {"object A: TA\n  L = ('a'", "line 2: ')' expected"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseError(c.text), std::string("Invalid description at ") + c.message) << c.text;
  }
  // Objects nested deeper than any dialog needs are refused, not recursed.
  std::string deep;
  for (int i = 0; i < 40; ++i) deep += "object A" + std::to_string(i) + ": TPanel\n";
  EXPECT_EQ(ParseError(deep), "Invalid description at line 34: objects nested too deeply");
}

// A dialog class for building descriptions: one handler of each kind.
class TReaderDialog : public tk::TForm {
 public:
  tk::TLabel* Label1 = nullptr;
  TReaderDialog() {
    Field("Label1", Label1);
    Handler("FormActivate", [](tk::TObject*) {});
    KeyHandler("Edit1KeyPress", [](tk::TObject*, char&) {});
  }
  const char* ClassName() const override { return "TReaderDialog"; }
};

// The message of the reading error that building a description of the given
// class with the body raises.
std::string BuildError(const std::string& body, const std::string& className = "TReaderDialog") {
  tk::platform::HeadlessPlatform platform;
  tk::TApplication app(platform, "/usr/games/mirvolant");
  TReaderDialog form;
  return MessageOf<tk::EReadError>([&] {
    tk::BuildDialog(form, *tk::ParseDescription("object D: " + className + "\n" + body + "end\n"));
  });
}

TEST(ReaderBuild, ValuesTheDialogCannotTakeFailWithTheComponentAndProperty) {
  const std::string label = "  object Label1: TLabel\n  end\n";
  EXPECT_EQ(BuildError(label), "no error");
  EXPECT_EQ(BuildError(label + "  object X: TButtonX\n  end\n"), "Class TButtonX not found");
  EXPECT_EQ(BuildError(label + "  object Label1: TLabel\n  end\n"),
            "A component named Label1 already exists");
  EXPECT_EQ(BuildError(label + "  object T: TTimer\n    object L: TLabel\n    end\n  end\n"),
            "Component T cannot hold controls");
  EXPECT_EQ(BuildError("  Colour = clRed\n" + label),
            "Error reading D.Colour: Property Colour does not exist");
  EXPECT_EQ(BuildError("  OnActivate = FormDeactivate\n" + label),
            "Error reading D.OnActivate: Invalid property value");
  EXPECT_EQ(BuildError("  object Label1: TLabel\n    Caption = 12\n  end\n"),
            "Error reading Label1.Caption: Invalid property value");
  EXPECT_EQ(BuildError("  object Label1: TLabel\n    Visible = 'yes'\n  end\n"),
            "Error reading Label1.Visible: Invalid property value");
  EXPECT_EQ(BuildError("  object Label1: TLabel\n    Align = alMiddle\n  end\n"),
            "Error reading Label1.Align: Invalid property value");
  // The class the description names must be the dialog's own.
  EXPECT_EQ(BuildError("", "TForm1"), "The description is of class TForm1, not TReaderDialog");
  // A declared control missing from the description fails the creation.
  EXPECT_EQ(BuildError(""), "Control Label1 is missing from the description");
}

TEST(ReaderBuild, PositionsAndSizesBeyondAnyScreenAreRefused) {
  // Edges this far out made the sum of edge and size overflow while the
  // dialog was laid out and painted (found by the reader's fuzz target).
  const std::string label = "  object Label1: TLabel\n";
  EXPECT_EQ(BuildError(label + "    Left = 2147483647\n    Caption = 'abc'\n  end\n"),
            "Error reading Label1.Left: Invalid property value");
  EXPECT_EQ(BuildError(label + "    Width = 40000\n  end\n"),
            "Error reading Label1.Width: Invalid property value");
  EXPECT_EQ(BuildError(label + "    Top = -40000\n  end\n"),
            "Error reading Label1.Top: Invalid property value");
  EXPECT_EQ(BuildError("  ClientWidth = 2000000000\n" + label + "  end\n"),
            "Error reading D.ClientWidth: Invalid property value");
  EXPECT_EQ(BuildError("  Left = -99999\n" + label + "  end\n"),
            "Error reading D.Left: Invalid property value");
  // The largest and smallest accepted values still lay out.
  EXPECT_EQ(BuildError("  ClientWidth = 32767\n" + label +
                       "    Left = 32767\n    Top = -32767\n    Width = 32767\n  end\n"),
            "no error");
}

}  // namespace
}  // namespace mirvolant::testing
