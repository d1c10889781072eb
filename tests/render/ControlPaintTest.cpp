// Each control kind painted on its own into a buffer, read at named places.

#include <gtest/gtest.h>

#include <string>

#include "Pixels.h"
#include "toolkit/components/Controls.h"
#include "toolkit/components/Properties.h"
#include "toolkit/forms/Form.h"
#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/Font.h"
#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/text/Ansi.h"

namespace tk {
namespace {

using mirvolant::testing::ExpectOnly;
using mirvolant::testing::ExpectPixels;
using mirvolant::testing::InkOf;
using mirvolant::testing::Reference;

using namespace classic;
constexpr TColor kUnder = 0x00FF00;      // what lies beneath a control
const TRect kWholeForm{0, 0, 300, 200};  // the test form's client area, painted whole

class PaintTestForm : public TForm {
 public:
  PaintTestForm() { SetClientSize(kWholeForm.Width(), kWholeForm.Height()); }
  const char* ClassName() const override { return "TPaintTestForm"; }
};

PropValue Bool(bool v) {
  PropValue p;
  p.kind = PropValue::Kind::Boolean;
  p.boolean = v;
  return p;
}
PropValue Str(std::string_view v) {
  PropValue p;
  p.kind = PropValue::Kind::String;
  p.text = AnsiString(v);
  return p;
}

struct ControlPaintTest : testing::Test {
  PaintTestForm form;
  ReadContext ctx{&form};

  template <class T>
  T* Make(TWinControl* parent, const TRect& bounds) {
    auto* c = new T(&form);
    c->SetParent(parent);
    c->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    return c;
  }
  void Set(TControl* c, const std::string& name, const PropValue& v) {
    ApplyProperty(*c, name, v, ctx);
  }
  // Paints one control into a fresh buffer the size of the form, through a
  // canvas placed and clipped like the tree walk does for a direct child.
  PixelBuffer PaintAlone(TControl* c) {
    PixelBuffer b(form.ClientWidth(), form.ClientHeight(), kUnder);
    Canvas canvas = Canvas(b).Child(c->BoundsRect());
    c->Paint(canvas);
    return b;
  }
};

TEST_F(ControlPaintTest, PanelHasRaisedBevelFaceAndNoTextWithoutCaption) {
  auto* p = Make<TPanel>(&form, {10, 10, 110, 60});
  PixelBuffer b = PaintAlone(p);
  ExpectPixels(b, {{50, 10, clBtnHighlight},  // top
                   {10, 30, clBtnHighlight},  // left
                   {50, 59, clBtnShadow},     // bottom
                   {109, 30, clBtnShadow},    // right
                   {9, 9, kUnder},
                   {110, 60, kUnder}});
  // No caption: the inside is plain face, not the panel's name.
  p->SetName("Panel1");
  b = PaintAlone(p);
  EXPECT_TRUE(InkOf(b, clWindowText, {11, 11, 109, 59}).IsEmpty());
  EXPECT_EQ(InkOf(b, clBtnFace, {0, 0, 300, 200}), (TRect{11, 11, 109, 59}));
}

TEST_F(ControlPaintTest, PanelCaptionIsCentredOnTheWholePanelEvenWhereClipped) {
  // A board panel of the left column: 177 wide starting 8 left of the
  // dialog, so only 169 columns show.
  auto* p = Make<TPanel>(&form, {-8, 0, 169, 129});
  p->SetCaption("OK");
  PixelBuffer b = PaintAlone(p);
  const Font& font = Font::Get(-11);
  int textLeft = -8 + 1 + (175 - font.TextWidth("OK")) / 2;
  int textTop = (1 + 128 - font.TextHeight()) / 2;
  PixelBuffer ref = Reference(300, 200, clBtnFace, textLeft, textTop, "OK", clWindowText);
  EXPECT_EQ(InkOf(b, clWindowText, {0, 1, 168, 128}), InkOf(ref, clWindowText, ref.Bounds()));
  // Centred on the whole panel, the text sits left of the visible middle.
  TRect ink = InkOf(b, clWindowText, b.Bounds());
  EXPECT_LT(ink.Left + ink.Right, 169);
  // The cut-off left bevel is not drawn at column 0; the clip ends there.
  ExpectPixels(b, {{0, 50, clBtnFace}, {168, 50, clBtnShadow}});
}

TEST_F(ControlPaintTest, LabelIsOpaqueAndDrawsOneLinePerCarriageReturn) {
  auto* l = Make<TLabel>(&form, {5, 5, 100, 39});
  l->SetCaption("A\rBB\rCCC");
  l->SetBounds(5, 5, 100, 39);  // fixed size whatever auto-size did
  PixelBuffer b = PaintAlone(l);
  // Every pixel of the label is face or text.
  ExpectOnly(b, {5, 5, 105, 44}, {clBtnFace, clWindowText});
  EXPECT_EQ(b.At(4, 4), kUnder);
  // Each line's ink lies in its own 13-pixel band and grows with the text.
  TRect line1 = InkOf(b, clWindowText, {5, 5, 105, 18});
  TRect line2 = InkOf(b, clWindowText, {5, 18, 105, 31});
  TRect line3 = InkOf(b, clWindowText, {5, 31, 105, 44});
  ASSERT_FALSE(line3.IsEmpty());
  EXPECT_LT(line1.Right, line2.Right);
  EXPECT_LT(line2.Right, line3.Right);
  PixelBuffer ref = Reference(300, 200, clBtnFace, 5, 31, "CCC", clWindowText);
  EXPECT_EQ(line3, InkOf(ref, clWindowText, ref.Bounds()));
}

TEST_F(ControlPaintTest, PasswordFieldShowsOneStarPerCharacterInsideAFlatBorder) {
  auto* e = Make<TMaskEdit>(&form, {20, 30, 157, 49});
  Set(e, "Ctl3D", Bool(false));
  Set(e, "PasswordChar", Str("*"));
  e->SetText(AnsiString("код7"_ansi));
  PixelBuffer b = PaintAlone(e);
  // A single black line all around, white inside.
  ExpectPixels(b, {{20, 30, clWindowFrame},
                   {156, 48, clWindowFrame},
                   {80, 30, clWindowFrame},
                   {21, 31, clWindow},
                   {155, 47, clWindow}});
  // The text shows as exactly four stars at the text area's corner.
  TRect area = e->TextArea().Offset(20, 30);
  PixelBuffer ref = Reference(300, 200, clWindow, area.Left, area.Top + 1, "****", clWindowText);
  EXPECT_EQ(InkOf(b, clWindowText, area), InkOf(ref, clWindowText, ref.Bounds()));
  EXPECT_EQ(e->Text(), "код7"_ansi);
}

TEST_F(ControlPaintTest, FocusedFieldShowsSelectionAndCaret) {
  auto* e = Make<TMaskEdit>(&form, {20, 30, 157, 49});
  Set(e, "Ctl3D", Bool(false));
  Set(e, "PasswordChar", Str("*"));
  e->SetText("abc");
  // Without the focus neither the selection nor the caret shows.
  e->SetSelection(0, 3);
  EXPECT_TRUE(InkOf(PaintAlone(e), clHighlight, kWholeForm).IsEmpty());

  form.FocusControl(e);  // by keyboard: the whole text is selected
  ASSERT_EQ(e->SelLength(), 3);
  e->SetCaretOn(true);
  PixelBuffer b = PaintAlone(e);
  const Font& font = Font::Get(-11);
  TRect area = e->TextArea().Offset(20, 30);
  TRect sel = InkOf(b, clHighlight, b.Bounds());
  EXPECT_EQ(sel.Left, area.Left);
  EXPECT_EQ(sel.Top, area.Top + 1);
  EXPECT_EQ(sel.Height(), font.TextHeight());
  EXPECT_EQ(sel.Right, area.Left + 3 * font.CharWidth('*'));
  EXPECT_EQ(b.At(sel.Right, sel.Top), clWindowText);  // the caret just after it
  EXPECT_FALSE(InkOf(b, clHighlightText, sel).IsEmpty());

  // Caret alone at position 1: an inverted (black on white) one-pixel bar.
  e->SetSelection(1, 1);
  e->SetCaretOn(true);
  b = PaintAlone(e);
  EXPECT_TRUE(InkOf(b, clHighlight, b.Bounds()).IsEmpty());
  int caretX = area.Left + font.CharWidth('*');
  for (int y = area.Top + 1; y < area.Top + 1 + font.TextHeight(); ++y) {
    EXPECT_EQ(b.At(caretX, y), clWindowText) << y;
  }
  e->SetCaretOn(false);
  EXPECT_EQ(PaintAlone(e).At(caretX, area.Top + 1), clWindow);
}

TEST_F(ControlPaintTest, LongFieldTextScrollsToKeepTheCaretInView) {
  auto* e = Make<TMaskEdit>(&form, {0, 0, 40, 19});
  Set(e, "Ctl3D", Bool(false));
  Set(e, "PasswordChar", Str("*"));
  form.FocusControl(e);
  for (int i = 0; i < 30; ++i) e->DeliverChar('x');
  ASSERT_GT(e->ScrollOffset(), 0);
  PixelBuffer b = PaintAlone(e);
  // Stars fill the area up to the caret; nothing is drawn over the border.
  ExpectPixels(b, {{39, 10, clWindowFrame}, {0, 10, clWindowFrame}});
  EXPECT_FALSE(InkOf(b, clWindowText, e->TextArea()).IsEmpty());
}

TEST_F(ControlPaintTest, DisabledMemoDrawsGreyWrappedTextInsideAFlatBorder) {
  auto* m = Make<TMemo>(&form, {0, 0, 120, 40});
  Set(m, "Ctl3D", Bool(false));
  Set(m, "Enabled", Bool(false));
  m->SetLines({AnsiString("один два три четыре пять шесть семь восемь"_ansi)});
  ASSERT_GT(m->WrappedLines().size(), 2u);
  PixelBuffer b = PaintAlone(m);
  ExpectPixels(b, {{0, 0, clWindowFrame}, {119, 39, clWindowFrame}, {60, 39, clWindowFrame}});
  // Inside: only window background and grey text; no black text.
  ExpectOnly(b, {1, 1, 119, 39}, {clWindow, clGrayText});
  // The first two lines show, one line-height apart; the third is cut.
  EXPECT_FALSE(InkOf(b, clGrayText, {1, 1, 119, 14}).IsEmpty());
  EXPECT_FALSE(InkOf(b, clGrayText, {1, 14, 119, 27}).IsEmpty());
  EXPECT_FALSE(InkOf(b, clGrayText, {1, 27, 119, 39}).IsEmpty());
  EXPECT_EQ(b.At(60, 40), kUnder);
}

TEST_F(ControlPaintTest, FlatSpeedButtonIsFramelessUntilHoveredAndSinksWhileHeld) {
  auto* s = Make<TSpeedButton>(&form, {10, 10, 75, 32});
  Set(s, "Flat", Bool(true));
  s->SetCaption(AnsiString("ОК"_ansi));
  PixelBuffer rest = PaintAlone(s);
  // No frame, no background: what lies beneath shows at every edge.
  ExpectPixels(rest, {{10, 10, kUnder}, {40, 31, kUnder}, {74, 20, kUnder}});
  TRect caption = InkOf(rest, clWindowText, rest.Bounds());
  ASSERT_FALSE(caption.IsEmpty());
  // Centred: equal room left and right, within a pixel.
  EXPECT_LE(std::abs((caption.Left - 10) - (75 - caption.Right)), 2);

  s->MouseEnter();
  PixelBuffer hot = PaintAlone(s);
  ExpectPixels(hot, {{40, 10, clBtnHighlight},
                     {10, 20, clBtnHighlight},
                     {40, 31, clBtnShadow},
                     {74, 20, clBtnShadow},
                     {11, 11, kUnder}});
  EXPECT_EQ(InkOf(hot, clWindowText, hot.Bounds()), caption);

  s->MouseDown(5, 5, 0);
  PixelBuffer held = PaintAlone(s);
  ExpectPixels(held, {{40, 10, clBtnShadow}, {40, 31, clBtnHighlight}});
  // The caption moves one pixel right and one down while held.
  EXPECT_EQ(InkOf(held, clWindowText, held.Bounds()), caption.Offset(1, 1));

  // Dragged off the button while held: it pops out again.
  s->MouseMove(-5, -5, true);
  EXPECT_EQ(InkOf(PaintAlone(s), clWindowText, kWholeForm), caption);
  s->MouseUp(-5, -5, false);
  s->MouseLeave();
  EXPECT_EQ(PaintAlone(s).At(40, 10), kUnder);
}

TEST_F(ControlPaintTest, NonFlatSpeedButtonIsARaisedPushButtonPushedWhileHeld) {
  auto* s = Make<TSpeedButton>(&form, {216, 10, 289, 32});
  s->SetCaption(AnsiString("Закрыть"_ansi));
  PixelBuffer b = PaintAlone(s);
  ExpectPixels(b, {
                      {250, 10, clBtnHighlight},
                      {216, 20, clBtnHighlight},
                      {250, 31, cl3DDkShadow},
                      {288, 20, cl3DDkShadow},
                      {250, 30, clBtnShadow},
                      {287, 20, clBtnShadow},
                      {220, 14, clBtnFace}  // its own face, not what lies beneath
                  });
  TRect caption = InkOf(b, clWindowText, b.Bounds());

  s->MouseDown(1, 1, 0);
  PixelBuffer held = PaintAlone(s);
  ExpectPixels(held, {{250, 10, clWindowFrame},
                      {250, 31, clWindowFrame},
                      {250, 11, clBtnShadow},
                      {217, 20, clBtnShadow}});
  EXPECT_EQ(InkOf(held, clWindowText, {219, 13, 286, 29}), caption.Offset(1, 1));
}

TEST_F(ControlPaintTest, DisabledCaptionsAreEmbossed) {
  auto* s = Make<TSpeedButton>(&form, {0, 0, 60, 22});
  s->SetCaption(AnsiString("ОК"_ansi));
  s->SetEnabled(false);
  PixelBuffer b = PaintAlone(s);
  EXPECT_TRUE(InkOf(b, clWindowText, b.Bounds()).IsEmpty());
  TRect grey = InkOf(b, clBtnShadow, {2, 2, 58, 20});
  TRect light = InkOf(b, clBtnHighlight, {2, 2, 58, 20});
  ASSERT_FALSE(grey.IsEmpty());
  EXPECT_EQ(light.Right, grey.Right + 1);
  EXPECT_EQ(light.Bottom, grey.Bottom + 1);
}

TEST_F(ControlPaintTest, MessageBoxButtonAndIcon) {
  auto* button = Make<TButton>(&form, {10, 10, 85, 33});
  button->SetCaption("OK");
  ExpectPixels(PaintAlone(button), {{40, 10, clBtnHighlight}, {40, 32, cl3DDkShadow}});
  form.FocusControl(button);
  ExpectPixels(PaintAlone(button), {{40, 10, clWindowFrame},  // the default button's frame
                                    {40, 11, clBtnHighlight},
                                    {14, 14, clWindowFrame},  // the dotted focus rectangle
                                    {15, 14, clBtnFace}});

  auto* icon = Make<TStopIcon>(&form, {100, 100, 132, 132});
  ExpectPixels(PaintAlone(icon), {
                                     {100, 100, kUnder},          // a round icon leaves its corners
                                     {116, 116, clBtnHighlight},  // the cross at the centre
                                     {116, 104, 0xFF0000u}        // red above the cross
                                 });
}

}  // namespace
}  // namespace tk
