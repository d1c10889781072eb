// The clue picture inside the mystery mission: read with the dialog, decoded
// at the first paint after the end of phase 1, drawn from the cache after
// that, and the failures of broken picture data.

#include <gtest/gtest.h>

#include "Driver.h"
#include "Pixels.h"
#include "tests/graphics/PictureFiles.h"
#include "toolkit/graphics/Jpeg.h"
#include "toolkit/paint/png/PngFile.h"

namespace mirvolant::testing {
namespace {

tk::TJPEGImage* ClueImage() {
  return dynamic_cast<tk::TJPEGImage*>(Form3->Image1->Picture().Graphic());
}

// The mystery mission's description with the picture blob replaced.
std::string Form3WithBlob(const std::string& blob) {
  std::string text(*EmbeddedDescription("TFORM3"));
  const std::string key = "Picture.Data = #";
  size_t at = text.find(key);
  EXPECT_NE(at, std::string::npos);
  size_t colon = text.find(':', at);
  size_t count = std::stoul(text.substr(at + key.size(), colon - at - key.size()));
  return text.substr(0, at + key.size() - 1) + "#" + std::to_string(blob.size()) + ":" + blob +
         text.substr(colon + 1 + count);
}

class ClueDialog : public ::testing::Test {
 protected:
  // Lets the event loop turn (and paint) before the next step runs.
  void Paint() { q.platform.Wake(); }
  // Steps that show the mission out of turn and let it paint, then show its
  // picture and let that paint; `before` runs between the two.
  void ShowPicture(std::function<void()> before = [] {}) {
    q.Then([this] {
      Form3->Show();
      Paint();
    });
    q.Then([this, before] {
      before();
      Form3->Image1->SetVisible(true);
      Paint();
    });
  }
  // The pixel at (x, y) of Image1's area in the mystery mission's window.
  tk::TColor At(int x, int y) {
    tk::TPoint o = Form3->Image1->OriginInForm();
    return Presented(q.platform, Form3).At(o.X + x, o.Y + y);
  }
  Driver q;
};

TEST_F(ClueDialog, DecodedOnceAtTheFirstPaintOfPhaseTwoAndDrawnFromTheCacheLater) {
  int decodesWhenVisible = -1;
  tk::TColor topLeft = 0, bottomRight = 0;
  q.Then([&] {
    // Creating the dialog parsed the header only.
    tk::TJPEGImage* image = ClueImage();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), 670);
    EXPECT_EQ(image->Height(), 277);
    EXPECT_FALSE(image->HasBitmap());
    EXPECT_EQ(image->DecodeCount(), 0);
    Form3->RunModal();
  });
  q.Then([&] {
    EXPECT_FALSE(Form3->Image1->Visible());
    EXPECT_EQ(ClueImage()->DecodeCount(), 0) << "phase 1 shows no picture";
    q.Seconds(1200);
  });
  q.Then([&] {
    ASSERT_TRUE(Form3->Image1->Visible());
    // The decode's change notice did not ask for a second paint.
    EXPECT_FALSE(Form3->NeedsPaint());
    decodesWhenVisible = ClueImage()->DecodeCount();
    const tk::TBitmap& bitmap = ClueImage()->DecodedBitmap();
    topLeft = bitmap.Pixel(0, 0);
    bottomRight = bitmap.Pixel(669, 276);
    EXPECT_EQ(At(0, 0), topLeft);
    EXPECT_EQ(At(669, 276), bottomRight);
    EXPECT_EQ(At(335, 140), bitmap.Pixel(335, 140)) << "unscaled, not centred";
    // Beyond the picture the panel shows: its face, and its frame line in
    // the panel's last column.
    EXPECT_EQ(At(670, 100), tk::classic::clBtnFace);
    EXPECT_EQ(At(300, 283), tk::classic::clBtnFace);
    EXPECT_NE(At(671, 100), tk::classic::clBtnFace);
    q.Seconds(600);  // every tick repaints the countdown line
  });
  q.Then([&] {
    EXPECT_EQ(ClueImage()->DecodeCount(), 1);
    // The dialog as the players see it in phase 2, kept as a build artifact.
    tk::WritePng(q.platform.Find(Form3->WindowId())->pixels,
                 std::string(MV_BINARY_DIR) + "/mystery-mission-phase2.png");
    q.Seconds(600);
  });
  q.Then([&] {
    EXPECT_FALSE(Form3->Image1->Visible()) << "phase 3 hides the picture";
    q.Close(Form3);
  });
  q.Then([&] { Form3->RunModal(); });  // shown again: a fresh first phase
  q.Wait(1200);
  q.Then([&] {
    EXPECT_TRUE(Form3->Image1->Visible());
    EXPECT_EQ(At(0, 0), topLeft);
    EXPECT_EQ(ClueImage()->DecodeCount(), 1) << "showing again draws from the cache";
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
  EXPECT_EQ(decodesWhenVisible, 1) << "the paint that showed the picture decoded it";
}

TEST_F(ClueDialog, EmptyJpegLetsTheDialogBeCreatedAndFailsOnceAtTheFirstPaint) {
  q.overrides["TFORM3"] = Form3WithBlob(MakeBlob("TJPEGImage", ""));
  std::vector<std::string> messages;
  tk::TColor beneath = 0;
  q.Then([&] {
    ASSERT_NE(ClueImage(), nullptr);
    EXPECT_EQ(ClueImage()->Width(), 0);
  });
  ShowPicture([&] { beneath = At(10, 200); });
  q.Then([&] {
    // The paint raised; the message box is up.
    ASSERT_NE(tk::Application->MessageBox(), nullptr);
    messages.push_back(tk::Application->MessageBox()->Text());
    tk::Application->MessageBox()->CloseDialog();
    Paint();
  });
  q.Then([&] {
    EXPECT_EQ(tk::Application->MessageBox(), nullptr);
    Form3->Image1->Invalidate();
    Paint();
  });
  q.Then([&] {
    EXPECT_EQ(tk::Application->MessageBox(), nullptr) << "later paints report nothing";
    EXPECT_EQ(ClueImage()->DecodeCount(), 1);
    EXPECT_EQ(At(10, 200), beneath) << "and draw nothing";
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
  EXPECT_EQ(messages, std::vector<std::string>{"JPEG error #42."});
}

TEST_F(ClueDialog, TruncatedJpegShowsWhatArrivedWithoutAMessage) {
  std::string jpeg = ReadClueJpeg();
  q.overrides["TFORM3"] = Form3WithBlob(MakeBlob("TJPEGImage", jpeg.substr(0, 60000)));
  ShowPicture();
  q.Then([&] {
    EXPECT_EQ(tk::Application->MessageBox(), nullptr);
    ASSERT_EQ(ClueImage()->DecodeCount(), 1);
    const tk::TBitmap& bitmap = ClueImage()->DecodedBitmap();
    EXPECT_EQ(bitmap.Width(), 670);
    EXPECT_EQ(At(669, 276), bitmap.Pixel(669, 276));
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST_F(ClueDialog, BrokenPictureDataFailsTheCreationWithTheReadingError) {
  std::string jpeg = ReadClueJpeg();
  std::string notJpeg = jpeg;
  notJpeg[0] = 'X';
  struct Case {
    std::string blob;
    std::string message;
  } cases[] = {
      {MakeBlob("TJPEGImage", notJpeg), "Error reading Image1.Picture.Data: JPEG error #53"},
      {MakeBlob("TJPEGImage", jpeg.substr(0, 100), 5000),
       "Error reading Image1.Picture.Data: Stream read error"},
      {MakeBlob("TJPEGImage", jpeg, 0x80000000u),
       "Error reading Image1.Picture.Data: Picture data has a negative byte count"},
  };
  for (const Case& c : cases) {
    q.overrides["TFORM3"] = Form3WithBlob(c.blob);
    tk::platform::HeadlessPlatform platform;
    Program program(platform, "/usr/games/mirvolant", [&](std::string_view) {
      return std::optional<std::string_view>(q.overrides["TFORM3"]);
    });
    EXPECT_EQ(MessageOf<tk::EReadError>([&] { program.Application().CreateDialog(Form3); }),
              c.message);
    EXPECT_EQ(Form3, nullptr);
  }
}

TEST_F(ClueDialog, DifferentlyCasedClassNameGivesAnEmptyPictureWithoutAMessage) {
  q.overrides["TFORM3"] = Form3WithBlob(MakeBlob("TJpegImage", ReadClueJpeg()));
  tk::TColor before = 0;
  q.Then([&] { EXPECT_EQ(Form3->Image1->Picture().Graphic(), nullptr); });
  ShowPicture([&] { before = At(0, 0); });
  q.Then([&] {
    EXPECT_EQ(tk::Application->MessageBox(), nullptr);
    EXPECT_EQ(At(0, 0), before) << "nothing drawn";
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST_F(ClueDialog, EightBitDisplayDecodesToAPaletteOfAtMost236Colours) {
  q.platform.SetBitsPerPixel(8);
  ShowPicture();
  q.Then([&] {
    ASSERT_EQ(ClueImage()->DecodeCount(), 1);
    const tk::TBitmap& bitmap = ClueImage()->DecodedBitmap();
    EXPECT_EQ(bitmap.BitsPerPixel(), 8);
    EXPECT_LE(bitmap.Palette().size(), 236u);
    EXPECT_EQ(At(100, 100), bitmap.Pixel(100, 100));
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

}  // namespace
}  // namespace mirvolant::testing
