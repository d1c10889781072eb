// Code page conversion, ASCII lower-casing, decimal text and code comparison.

#include <gtest/gtest.h>

#include <climits>

#include "Cp1251.h"
#include "quest/CodeCheck.h"
#include "toolkit/text/Ansi.h"
#include "toolkit/text/Utf16.h"

namespace {

using tk::operator""_ansi;

using mirvolant::testing::IconvToCp1251;

TEST(CodePage, EveryAssignedByteRoundTripsAndMatchesIconv) {
  for (int b = 0x20; b < 0x100; ++b) {
    if (b == 0x98 || b == 0x7F) continue;
    std::string byte(1, static_cast<char>(b));
    std::string utf8 = tk::AnsiToUtf8(byte);
    EXPECT_EQ(tk::Utf8ToAnsi(utf8), byte) << b;
    EXPECT_EQ(IconvToCp1251(utf8), byte) << b;
  }
}

TEST(CodePage, CharactersOutsideTheCodePageAreDroppedNotReplaced) {
  // CJK, emoji, a lone continuation byte and a truncated sequence vanish;
  // nothing becomes "?".
  EXPECT_EQ(tk::Utf8ToAnsi("a\xE4\xB8\xAD"
                           "b\xF0\x9F\x98\x80"
                           "c\x80"
                           "d\xD0"),
            "abcd");
  EXPECT_EQ(tk::Utf8ToAnsi("406?&"), "406?&");
  EXPECT_EQ(tk::Utf8ToAnsi("\xED\xA0\x80x"), "x");  // an encoded surrogate
}

TEST(CodePage, CompileTimeLiteralsAreTheBytesOfTheQuotedText) {
  // "Cбежать" starts with a Latin C; "ОК" is Cyrillic, "OK" Latin.
  EXPECT_EQ("Cбежать"_ansi, std::string_view("\x43\xE1\xE5\xE6\xE0\xF2\xFC"));
  EXPECT_EQ("ОК"_ansi, std::string_view("\xCE\xCA"));
  EXPECT_EQ("OK"_ansi, std::string_view("\x4F\x4B"));
  EXPECT_EQ("жуфа"_ansi, std::string_view("\xE6\xF3\xF4\xE0"));
  EXPECT_EQ("№ Ёё"_ansi, std::string_view("\xB9\x20\xA8\xB8"));
}

TEST(Utf16, SurrogatePairsRoundTripAndMalformedTextBecomesReplacements) {
  EXPECT_EQ(tk::Utf8ToUtf16("Жa\U0001F600"), u"Жa\U0001F600");
  EXPECT_EQ(tk::Utf16ToUtf8(u"Жa\U0001F600"), "Жa\U0001F600");
  // A half of a pair alone, and a truncated UTF-8 sequence.
  EXPECT_EQ(tk::Utf16ToUtf8(std::u16string{0xD83D, u'x', 0xDE00}), "\uFFFDx\uFFFD");
  EXPECT_EQ(tk::Utf8ToUtf16("x\xD0"), u"x\uFFFD");
}

TEST(AsciiLower, FoldsOnlyLatinCapitals) {
  EXPECT_EQ(tk::AsciiLower("GG38TT"), "gg38tt");
  EXPECT_EQ(tk::AsciiLower("@AZ[`az{"), "@az[`az{");
  // Cyrillic capitals stay, and the length never changes.
  EXPECT_EQ(tk::AsciiLower("ЖУФА"_ansi), "ЖУФА"_ansi);
  EXPECT_EQ(tk::AsciiLower(""), "");
}

TEST(DecimalText, SignedValuesWithoutPadding) {
  EXPECT_EQ(tk::DecimalText(0), "0");
  EXPECT_EQ(tk::DecimalText(1199), "1199");
  EXPECT_EQ(tk::DecimalText(-5), "-5");
  EXPECT_EQ(tk::DecimalText(INT_MAX), "2147483647");
  EXPECT_EQ(tk::DecimalText(INT_MIN), "-2147483648");
}

TEST(CodeCheck, LowersWritesBackAndComparesExactly) {
  tk::TMaskEdit field(nullptr);
  field.SetText("GG38TT");
  EXPECT_TRUE(mirvolant::CheckCode(field, "gg38tt"));
  EXPECT_EQ(field.Text(), "gg38tt");

  // Blanks, prefixes, longer texts and the empty field fail; the field keeps
  // the lowered text.
  for (const char* typed : {" gg38tt", "gg38tt ", "GG38T", "gg38ttt", ""}) {
    field.SetText(typed);
    EXPECT_FALSE(mirvolant::CheckCode(field, "gg38tt")) << typed;
    EXPECT_EQ(field.Text(), tk::AsciiLower(typed));
  }
  // Cyrillic capitals are not folded.
  field.SetText(std::string("ЖУФА"_ansi));
  EXPECT_FALSE(mirvolant::CheckCode(field, "жуфа"_ansi));
  EXPECT_EQ(field.Text(), "ЖУФА"_ansi);
}

TEST(CodeCheck, ExactComparisonChangesNothing) {
  tk::TMaskEdit field(nullptr);
  field.SetText("5335K");
  EXPECT_FALSE(mirvolant::CheckCodeExact(field, "5335k"));
  EXPECT_EQ(field.Text(), "5335K");
  field.SetText("406?&");
  EXPECT_TRUE(mirvolant::CheckCodeExact(field, "406?&"));
  EXPECT_FALSE(mirvolant::CheckCodeExact(field, "406?"));
}

}  // namespace
