// The five dialogs as the headless back end presents them, read at named
// places: bevels at their stored edges, stacking, buttons, fields, the memo.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "Driver.h"
#include "Pixels.h"
#include "toolkit/paint/Font.h"
#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/paint/png/PngFile.h"

namespace mirvolant::testing {
namespace {

using namespace tk::classic;
using tk::operator""_ansi;
using tk::PixelBuffer;
using tk::TRect;

// Writes a dialog's window as PNG into MV_SCREENSHOT_DIR (or a temporary
// folder) and checks the file reads back the same.
void Screenshot(Driver& q, tk::TCustomForm* form, const std::string& name) {
  const char* dir = std::getenv("MV_SCREENSHOT_DIR");
  std::string folder = dir != nullptr && *dir != 0 ? dir : ::testing::TempDir();
  std::string path = folder + "/" + name + ".png";
  const PixelBuffer& b = Presented(q.platform, form);
  ASSERT_TRUE(tk::WritePng(b, path)) << path;
  PixelBuffer back;
  ASSERT_TRUE(tk::ReadPng(path, back));
  ASSERT_EQ(back.Width(), b.Width());
  ASSERT_EQ(back.Height(), b.Height());
  EXPECT_EQ(back.At(b.Width() / 2, b.Height() / 2), b.At(b.Width() / 2, b.Height() / 2));
}

TEST(DialogRender, BoardBevelsAtTheirStoredEdgesAndButtons) {
  Driver q;
  q.Then([&] {
    const PixelBuffer& b = Presented(q.platform, Form1);
    ASSERT_EQ(b.Width(), 519);
    ASSERT_EQ(b.Height(), 426);
    // The left column starts 8 left of the client area: its left bevel is
    // cut off, so column 0 is face, while its top bevel runs from column 0.
    ExpectPixels(b, {{0, 50, clBtnFace}, {0, 0, clBtnHighlight}});
    // Neighbours overlap by one pixel and the later panel lies on top: its
    // highlight covers the earlier panel's shadow.
    ExpectPixels(b, {{167, 50, clBtnFace},
                     {168, 50, clBtnHighlight},
                     {344, 50, clBtnHighlight},
                     {50, 128, clBtnHighlight},
                     {50, 127, clBtnFace}});
    // The right column ends 2 past the client width: no shadow is seen.
    ExpectPixels(b, {{518, 50, clBtnFace}, {518, 300, clBtnFace}});
    // The bottom row of the third row of slots, then the bottom bar.
    ExpectPixels(b, {{50, 384, clBtnShadow}, {50, 385, clBtnHighlight}, {518, 425, clBtnShadow}});
    // "Закрыть" is a raised push button.
    ExpectPixels(b, {{216, 395, clBtnHighlight},
                     {250, 416, cl3DDkShadow},
                     {288, 400, cl3DDkShadow},
                     {287, 400, clBtnShadow}});
    EXPECT_FALSE(InkOf(b, clWindowText, {218, 397, 287, 415}).IsEmpty());
    // The slots' "ОК" buttons show no frame until hovered.
    ExpectPixels(b, {{78, 80, clBtnFace}, {48, 90, clBtnFace}});
    EXPECT_FALSE(InkOf(b, clWindowText, {50, 82, 110, 100}).IsEmpty());
    // Fields: a black one-pixel border, white inside.
    ExpectPixels(b, {{15, 48, clWindowFrame}, {151, 66, clWindowFrame}, {100, 60, clWindow}});
    // Labels: their text on the face.
    EXPECT_FALSE(InkOf(b, clWindowText, {16, 24, 140, 37}).IsEmpty());
    q.Hover(Form1->SpeedButton1);
  });
  q.Then([&] {
    // Under the mouse: a thin raised edge.
    ExpectPixels(Presented(q.platform, Form1), {{78, 80, clBtnHighlight},
                                                {48, 90, clBtnHighlight},
                                                {78, 101, clBtnShadow},
                                                {112, 90, clBtnShadow}});
    q.Press(Form1->SpeedButton1);
  });
  q.Then([&] {
    // Held down: a thin sunken edge.
    ExpectPixels(Presented(q.platform, Form1), {{78, 80, clBtnShadow}, {78, 101, clBtnHighlight}});
    q.platform.MouseMove(Form1->WindowId(), 300, 300);
    q.platform.MouseUp(Form1->WindowId(), 300, 300);
  });
  q.Then([&] { EXPECT_EQ(Presented(q.platform, Form1).At(78, 80), clBtnFace); });
  q.RunProgram();
}

TEST(DialogRender, TypedCharactersShowAsStarsAndSolvedPanelsShowOk) {
  Driver q;
  const tk::Font& font = tk::Font::Get(-11);
  q.Then([&] {
    ASSERT_EQ(Form1->ActiveControl(), Form1->MaskEdit1);
    q.Seconds(1);
    q.Type(Form1, "абв12");
  });
  q.Then([&] {
    const PixelBuffer& b = Presented(q.platform, Form1);
    // Five stars where the field's text starts, exactly as the font draws
    // them; the caret after them is not compared.
    TRect area = Form1->MaskEdit1->TextArea().Offset(15, 48);
    PixelBuffer ref = Reference(519, 426, clWindow, area.Left, area.Top + 1, "*****", clWindowText);
    TRect stars{area.Left, area.Top, area.Left + 5 * font.CharWidth('*'), area.Bottom};
    ASSERT_FALSE(InkOf(ref, clWindowText, stars).IsEmpty());
    for (int y = stars.Top; y < stars.Bottom; ++y)
      for (int x = stars.Left; x < stars.Right; ++x)
        ASSERT_EQ(b.At(x, y), ref.At(x, y)) << x << "," << y;
    EXPECT_TRUE(
        InkOf(b, clWindowText, {stars.Right + 2, area.Top, area.Right, area.Bottom}).IsEmpty());
    EXPECT_EQ(Form1->MaskEdit1->Text(), "абв12"_ansi);
    Form1->MaskEdit1->SetText("");
    // Tab into the next slot's field selects its whole text.
    Form1->MaskEdit2->SetText("xyz");
    q.Key(Form1, Key::Tab);
  });
  q.Then([&] {
    const PixelBuffer& b = Presented(q.platform, Form1);
    TRect area = Form1->MaskEdit2->TextArea().Offset(Form1->MaskEdit2->OriginInForm().X,
                                                     Form1->MaskEdit2->OriginInForm().Y);
    TRect sel = InkOf(b, clHighlight, area);
    EXPECT_EQ(sel.Left, area.Left);
    EXPECT_EQ(sel.Width(), 3 * font.CharWidth('*'));
    EXPECT_FALSE(InkOf(b, clHighlightText, sel).IsEmpty());
    q.Enter(Form1->MaskEdit1, "gg38tt");
  });
  q.Then([&] {
    ASSERT_EQ(Form1->Panel1->Caption(), "OK");
    const PixelBuffer& b = Presented(q.platform, Form1);
    // The slot's controls are gone; "OK" is centred on the whole panel,
    // 8 pixels of which are cut off, so it sits left of the visible middle.
    TRect ink = InkOf(b, clWindowText, {0, 1, 168, 128});
    int x = -8 + 1 + (175 - font.TextWidth("OK")) / 2;
    int y = (1 + 128 - font.TextHeight()) / 2;
    PixelBuffer ref = Reference(519, 426, clBtnFace, x, y, "OK", clWindowText);
    EXPECT_EQ(ink, InkOf(ref, clWindowText, ref.Bounds()));
    EXPECT_LT(ink.Left + ink.Right, 168);
    EXPECT_EQ(b.At(15, 48), clBtnFace);  // the field is hidden
  });
  q.RunProgram();
}

TEST(DialogRender, ThreeLineLabelIsThirtyNinePixelsHighUnderItsField) {
  Driver q;
  q.Then([&] {
    Form1->Label1->SetCaption("1\r22\r333");
    EXPECT_EQ(Form1->Label1->Height(), 39);
    EXPECT_EQ(Form1->Label1->Width(), tk::Font::Get(-11).TextWidth("333"));
    const PixelBuffer& b = Presented(q.platform, Form1);
    // Lines one and two show; the third lies beneath the field, which as a
    // window stacks above the label.
    EXPECT_FALSE(InkOf(b, clWindowText, {16, 24, 40, 37}).IsEmpty());
    EXPECT_FALSE(InkOf(b, clWindowText, {16, 37, 40, 48}).IsEmpty());
    ExpectPixels(b, {{15, 48, clWindowFrame}, {20, 55, clWindow}});
    Form1->Label1->SetCaption("");
    EXPECT_EQ(Form1->Label1->Height(), 13);
    EXPECT_EQ(Form1->Label1->Width(), 3);
    // Shrinking repaints what the longer caption covered.
    EXPECT_TRUE(InkOf(Presented(q.platform, Form1), clWindowText, {16, 24, 40, 48}).IsEmpty());
  });
  q.RunProgram();
}

TEST(DialogRender, PathChoiceMemoOverSlotsAndBottomBarOverTheirLastRows) {
  Driver q;
  q.SolveBoard();
  q.Then([&] {
    ASSERT_TRUE(Form2->FormVisible());
    const PixelBuffer& b = Presented(q.platform, Form2);
    ASSERT_EQ(b.Width(), 617);
    ASSERT_EQ(b.Height(), 295);
    // The memo: flat black border; its bottom row lies over the slot
    // panels' top bevel row.
    ExpectPixels(b, {{0, 0, clWindowFrame},
                     {616, 100, clWindowFrame},
                     {100, 144, clWindowFrame},
                     {100, 145, clBtnFace},
                     {0, 145, clBtnHighlight}});
    // Greyed text on white, no black text inside the memo.
    EXPECT_FALSE(InkOf(b, clGrayText, {1, 1, 616, 144}).IsEmpty());
    EXPECT_TRUE(InkOf(b, clWindowText, {1, 1, 616, 144}).IsEmpty());
    // Panel2 overlaps Panel1 by one pixel.
    EXPECT_EQ(b.At(208, 200), clBtnHighlight);
    // Panel4 covers the slots' bottom two rows: its top bevel, then face
    // where the panels' shadow would be.
    ExpectPixels(b, {{100, 254, clBtnFace},
                     {100, 255, clBtnHighlight},
                     {100, 256, clBtnFace},
                     {616, 294, clBtnShadow}});
    // The third "ОК" is a raised push button, the others flat.
    ExpectPixels(b, {{480, 224, clBtnHighlight},
                     {552, 245, cl3DDkShadow},
                     {100, 224, clBtnFace},
                     {300, 224, clBtnFace}});
    // The memo can't take the focus: a click on it leaves it with the field.
    q.platform.Click(Form2->WindowId(), 300, 50);
  });
  q.Then([&] { EXPECT_EQ(Form2->ActiveControl(), Form2->MaskEdit1); });
  q.CloseAllAndRun();
}

TEST(DialogRender, MissionFieldCoversTheButtonsLeftmostColumn) {
  Driver q;
  q.OpenPath(3);
  q.Then([&] {
    ASSERT_TRUE(Form5->FormVisible());
    EXPECT_EQ(Form5->Label1->Height(), 39);
    q.Seconds(1);
  });
  q.Then([&] { q.Hover(Form5->SpeedButton2); });
  q.Then([&] {
    const PixelBuffer& b = Presented(q.platform, Form5);
    // The hovered button spans columns 128..160 and rows 200..221; the field
    // (columns 8..128, rows 200..218) lies above its leftmost column.
    ExpectPixels(b, {{140, 200, clBtnHighlight},
                     {160, 210, clBtnShadow},
                     {128, 205, clWindowFrame},
                     {128, 220, clBtnHighlight},
                     {128, 221, clBtnShadow}});
    // The task text's three lines.
    EXPECT_FALSE(InkOf(b, clWindowText, {24, 50, 400, 63}).IsEmpty());
    // The countdown in the status bar.
    EXPECT_FALSE(InkOf(b, clWindowText, {16, 233, 400, 246}).IsEmpty());
  });
  q.RunProgram();
}

TEST(DialogRender, EveryEdgeRescaledAt120PixelsPerInch) {
  Driver q;
  q.platform.SetPixelsPerInch(120);
  q.Then([&] {
    // -11 * 120 / 96 = -13.75, so -14, whose "0" is 16 high: factor 16 / 13.
    ASSERT_EQ(tk::Font::Get(-14).DigitHeight(), 16);
    EXPECT_EQ(Form1->ClientWidth(), 639);          // 519 * 16 / 13 = 638.8
    EXPECT_EQ(Form1->ClientHeight(), 524);         // 426 * 16 / 13 = 524.3
    EXPECT_EQ(Form1->Panel1->Left(), -10);         // -8 -> -9.8
    EXPECT_EQ(Form1->Panel1->Width(), 218);        // right edge 169 -> 208
    EXPECT_EQ(Form1->Panel2->Left(), 207);         // 168 -> 206.8
    EXPECT_EQ(Form1->Panel2->Width(), 218);        // right edge 345 -> 424.6 -> 425
    EXPECT_EQ(Form1->Panel10->Top(), 474);         // 385 -> 473.8
    EXPECT_EQ(Form1->Panel10->Height(), 50);       // bottom 426 -> 524
    EXPECT_EQ(Form1->SpeedButton10->Left(), 266);  // 216 -> 265.8
    const PixelBuffer& b = Presented(q.platform, Form1);
    ASSERT_EQ(b.Width(), 639);
    ExpectPixels(b, {{206, 60, clBtnFace},
                     {207, 60, clBtnHighlight},
                     {50, 474, clBtnHighlight},
                     {50, 473, clBtnShadow}});
    // Text in the 16-pixel strike: labels are 16 high.
    EXPECT_EQ(Form1->Label1->Height(), 16);
    Screenshot(q, Form1, "board-120ppi");
  });
  q.RunProgram();
}

TEST(DialogRender, ScreenshotsOfAllFiveDialogs) {
  Driver q;
  // The board: two solved slots, stars in a field, a hovered button.
  q.SolveBoard({1, 5});
  q.Then([&] {
    q.Click(Form1->MaskEdit2);
    q.Type(Form1, "secret");
    q.Hover(Form1->SpeedButton3);
  });
  q.Then([&] {
    Form1->MaskEdit2->SetCaretOn(true);
    Screenshot(q, Form1, "board");
    Form1->MaskEdit2->SetText("");
  });
  q.SolveBoard({2, 3, 4, 6, 7, 8, 9});
  // The path choice: the story, stars in the third field.
  q.Then([&] {
    ASSERT_TRUE(Form2->FormVisible());
    q.Click(Form2->MaskEdit3);
    q.Type(Form2, "jjj");
  });
  q.Then([&] {
    Form2->MaskEdit3->SetCaretOn(true);
    Screenshot(q, Form2, "path-choice");
    q.Type(Form2, "52");
    q.Key(Form2, Key::Enter);
  });
  // The escape mission: the task and the countdown.
  q.Wait(17);
  q.Then([&] { q.Hover(Form5->SpeedButton1); });
  q.Then([&] {
    Screenshot(q, Form5, "escape-mission");
    q.Seconds(3600 - 17);
  });
  q.Then([&] { q.Enter(Form5->MaskEdit1, "5335K"); });
  // The victory mission, then the mystery mission with its picture.
  q.Wait(42);
  q.Then([&] {
    Screenshot(q, Form4, "victory-mission");
    q.Enter(Form4->MaskEdit1, "406?&");
  });
  q.Wait(1200);
  q.Then([&] {
    EXPECT_TRUE(Form3->Image1->Visible());
    Screenshot(q, Form3, "mystery-mission");
  });
  q.RunProgram();
}

TEST(DialogRender, ErrorMessageBoxInTheSameLook) {
  Driver q;
  bool checked = false;
  q.Then([&] { tk::Application->ShowErrorBox("Cannot make a visible window modal."); });
  q.Then([&] {
    tk::TMessageBoxForm* box = tk::Application->MessageBox();
    ASSERT_NE(box, nullptr);
    const PixelBuffer& b = Presented(q.platform, box);
    // The stop icon: red with a white cross at its centre.
    ExpectPixels(b, {{11 + 16, 11 + 4, 0xFF0000u}, {11 + 16, 11 + 16, clBtnHighlight}});
    // The focused OK button: the default button's dark frame, its raised
    // edge inside, the dotted focus rectangle and a centred caption.
    tk::TRect r = box->OkButton()->BoundsRect();
    ExpectPixels(b, {{r.Left + 10, r.Top, clWindowFrame},
                     {r.Left + 10, r.Top + 1, clBtnHighlight},
                     {r.Left + 10, r.Bottom - 2, cl3DDkShadow},
                     {r.Left + 4, r.Top + 4, clWindowFrame}});
    EXPECT_FALSE(
        InkOf(b, clWindowText, {r.Left + 5, r.Top + 5, r.Right - 5, r.Bottom - 5}).IsEmpty());
    // The message beside the icon.
    EXPECT_FALSE(InkOf(b, clWindowText, {60, 11, b.Width() - 11, 43}).IsEmpty());
    Screenshot(q, box, "error-box");
    checked = true;
    q.Key(box, Key::Enter);
  });
  q.Then([&] { EXPECT_EQ(tk::Application->MessageBox(), nullptr); });
  q.RunProgram();
  EXPECT_TRUE(checked);
}

}  // namespace
}  // namespace mirvolant::testing
