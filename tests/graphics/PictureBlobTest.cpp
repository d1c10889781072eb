// The graphic registry, the in-memory stream and reading picture blobs.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/graphics/PictureFiles.h"
#include "toolkit/base/Exceptions.h"
#include "toolkit/graphics/Graphics.h"
#include "toolkit/graphics/Jpeg.h"

namespace tk {
namespace {

// Registers the JPEG formats for one test and removes them afterwards; the
// clue picture's JPEG bytes at hand.
class JpegSupport : public ::testing::Test {
 protected:
  void SetUp() override { StartJpegSupport(32); }
  void TearDown() override { StopJpegSupport(); }
  const std::string jpeg = ReadClueJpeg();
};

TEST(MemoryStream, ReadStopsAtTheEndAndReadBufferFailsWhenShort) {
  TMemoryStream s(std::string_view("abcdef"));
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 4), 4u);
  EXPECT_EQ(std::string(buf, 4), "abcd");
  EXPECT_EQ(s.Read(buf, 4), 2u);
  EXPECT_EQ(s.Position(), 6u);
  s.SetPosition(3);
  EXPECT_EQ(MessageOf<EReadError>([&] { s.ReadBuffer(buf, 4); }), "Stream read error");
  EXPECT_EQ(s.Position(), 3u) << "a failed read consumes nothing";
  s.SetPosition(100);
  EXPECT_EQ(s.Position(), 6u);
  s.SetPosition(4);
  s.Write("XYZ", 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()), s.Size()), "abcdXYZ");
}

TEST(GraphicRegistry, JpegSupportAppendsTwoEntriesAndRemovesThem) {
  ASSERT_EQ(GraphicFormats().size(), 4u);
  StartJpegSupport(24);
  StartJpegSupport(24);  // a second start does not list them twice
  const auto& f = GraphicFormats();
  ASSERT_EQ(f.size(), 6u);
  const char* expected[6][3] = {{"wmf", "Metafiles", "TMetafile"},
                                {"emf", "Enhanced Metafiles", "TMetafile"},
                                {"ico", "Icons", "TIcon"},
                                {"bmp", "Bitmaps", "TBitmap"},
                                {"jpeg", "JPEG Image File", "TJPEGImage"},
                                {"jpg", "JPEG Image File", "TJPEGImage"}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(f[i].Extension, expected[i][0]);
    EXPECT_EQ(f[i].Description, expected[i][1]);
    EXPECT_STREQ(f[i].Class->Name, expected[i][2]);
  }
  EXPECT_EQ(FindGraphicClass("TJPEGImage"), &TJPEGImage::StaticClass());
  EXPECT_EQ(FindGraphicClass("TBitmap"), &TBitmap::StaticClass());
  EXPECT_EQ(FindGraphicClass("TJpegImage"), nullptr) << "names compare byte for byte";
  EXPECT_EQ(FindGraphicClass("TJPEGImage "), nullptr);
  EXPECT_EQ(FindGraphicClass(""), nullptr);
  StopJpegSupport();
  EXPECT_EQ(GraphicFormats().size(), 4u);
  EXPECT_EQ(FindGraphicClass("TJPEGImage"), nullptr);
}

TEST(GraphicRegistry, EightBitDefaultFollowsTheDisplayDepth) {
  StartJpegSupport(8);
  EXPECT_TRUE(JPEGDefaults().PixelFormat8);
  EXPECT_TRUE(TJPEGImage().Settings().PixelFormat8) << "new graphics copy the defaults";
  StartJpegSupport(4);
  EXPECT_TRUE(JPEGDefaults().PixelFormat8);
  StartJpegSupport(16);
  EXPECT_FALSE(JPEGDefaults().PixelFormat8);
  StopJpegSupport();
}

TEST_F(JpegSupport, ClueBlobGivesAJpegGraphicWithItsHeaderSizeAndNoDecode) {
  std::string blob = MakeBlob("TJPEGImage", jpeg);
  EXPECT_EQ(blob.size(), 1 + 10 + 4 + jpeg.size());
  TMemoryStream stream(blob);
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&] { ++changes; };
  picture.LoadPictureBlob(stream);
  EXPECT_EQ(changes, 1);
  auto* image = dynamic_cast<TJPEGImage*>(picture.Graphic());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(picture.Width(), 670);
  EXPECT_EQ(picture.Height(), 277);
  EXPECT_FALSE(image->HasBitmap());
  EXPECT_EQ(image->DecodeCount(), 0);
  EXPECT_FALSE(image->Data().Grayscale);
  EXPECT_TRUE(image->Data().MultipleScans);
  EXPECT_EQ(image->Data().Data.Size(), jpeg.size()) << "exactly the JPEG bytes are kept";
  EXPECT_EQ(stream.Position(), blob.size());
  EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { image->SetWidth(10); }),
            "Cannot change the size of a JPEG image");
}

TEST_F(JpegSupport, UnknownOrDifferentlyCasedClassNameGivesAnEmptyPicture) {
  for (const char* name : {"TJpegImage", "tjpegimage", "TPngImage"}) {
    TMemoryStream stream(MakeBlob(name, jpeg));
    TPicture picture;
    picture.LoadPictureBlob(stream);
    EXPECT_EQ(picture.Graphic(), nullptr) << name;
    EXPECT_EQ(picture.Width(), 0);
  }
}

TEST_F(JpegSupport, MalformedBlobsFailWithClearReadErrors) {
  auto load = [](const std::string& blob) {
    return MessageOf<EReadError>([&] {
      TMemoryStream stream(blob);
      TPicture picture;
      picture.LoadPictureBlob(stream);
    });
  };
  EXPECT_EQ(load(""), "Picture data ends inside the class name");
  EXPECT_EQ(load(std::string(1, '\x0A') + "TJPEG"), "Picture data ends inside the class name");
  EXPECT_EQ(load(std::string(1, '\x40') + std::string(64, 'A')),
            "Picture data has a class name longer than 63 characters");
  EXPECT_EQ(load(MakeBlob("TJPEGImage", "").substr(0, 13)),
            "Picture data ends inside the byte count");
  EXPECT_EQ(load(MakeBlob("TJPEGImage", jpeg, 0xFFFFFFFF)),
            "Picture data has a negative byte count");
  EXPECT_EQ(load(MakeBlob("TJPEGImage", jpeg.substr(0, 1000), 5000)), "Stream read error");
  // A count near the largest is refused before anything is allocated for it.
  EXPECT_EQ(load(MakeBlob("TJPEGImage", "\xFF\xD8", 0x7FFFFFFF)), "Stream read error");
  EXPECT_EQ(load(MakeBlob("TBitmap", "BM", 0x7FFFFFFF)), "Stream read error");
}

TEST_F(JpegSupport, HeaderErrorsAreJpegErrorsAndThePictureKeepsItsGraphic) {
  TPicture picture;
  TMemoryStream good(MakeBlob("TJPEGImage", jpeg));
  picture.LoadPictureBlob(good);
  TGraphic* before = picture.Graphic();

  std::string notJpeg = jpeg;
  notJpeg[1] = '\x00';
  TMemoryStream bad(MakeBlob("TJPEGImage", notJpeg));
  EXPECT_EQ(MessageOf<EJPEG>([&] { picture.LoadPictureBlob(bad); }), "JPEG error #53");
  EXPECT_EQ(picture.Graphic(), before);

  // A frame wider than libjpeg's limit of 65,500 pixels.
  std::string huge = jpeg;
  size_t sof = huge.find("\xFF\xC2");
  ASSERT_NE(sof, std::string::npos);
  huge[sof + 7] = '\xFF';
  huge[sof + 8] = '\xFF';
  TMemoryStream tooBig(MakeBlob("TJPEGImage", huge));
  EXPECT_EQ(MessageOf<EJPEG>([&] { picture.LoadPictureBlob(tooBig); }), "JPEG error #41");
  EXPECT_EQ(picture.Graphic(), before);

  // Formats this program registers but does not draw.
  TMemoryStream icon(MakeBlob("TIcon", "xxxx"));
  EXPECT_THROW(picture.LoadPictureBlob(icon), EInvalidGraphic);
  EXPECT_EQ(picture.Graphic(), before);
}

TEST_F(JpegSupport, BlobToComeIsReadAtTheFirstUseOnceItsSourceHasIt) {
  TPicture picture;
  int asked = 0;
  std::optional<std::string> arrived;
  picture.LoadPictureBlobLater([&] {
    ++asked;
    return arrived;
  });
  EXPECT_EQ(asked, 0) << "nothing is read while the dialog is made";
  EXPECT_EQ(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Width(), 0);
  EXPECT_TRUE(picture.BlobToCome());
  EXPECT_EQ(asked, 2) << "each use asks again while the source has nothing";

  arrived = MakeBlob("TJPEGImage", jpeg);
  int changes = 0;
  picture.OnChange = [&] { ++changes; };
  EXPECT_EQ(picture.Width(), 670);
  EXPECT_EQ(changes, 1) << "the picture's owner hears of the arrival";
  auto* image = dynamic_cast<TJPEGImage*>(picture.Graphic());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Data().Data.Size(), jpeg.size());
  EXPECT_FALSE(picture.BlobToCome());
  EXPECT_EQ(asked, 3) << "read once";

  // A broken blob fails the use that reads it, once.
  TPicture broken;
  broken.LoadPictureBlobLater(
      [&] { return std::optional<std::string>(MakeBlob("TJPEGImage", "xx")); });
  EXPECT_THROW(broken.Graphic(), EJPEG);
  EXPECT_EQ(broken.Graphic(), nullptr);
  EXPECT_FALSE(broken.BlobToCome());

  // A graphic set meanwhile wins over the blob still to come.
  TPicture replaced;
  replaced.LoadPictureBlobLater([&] { return arrived; });
  replaced.SetGraphic(nullptr);
  EXPECT_FALSE(replaced.BlobToCome());
}

TEST(BitmapBlob, ReadsAnUncompressedBmp) {
  // 2 x 2, 24 bits, bottom-up rows padded to 8 bytes.
  std::string bmp = "BM";
  auto le32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  auto le16 = [&](uint16_t v) {
    bmp.push_back(static_cast<char>(v & 0xFF));
    bmp.push_back(static_cast<char>(v >> 8));
  };
  le32(54 + 16), le16(0), le16(0), le32(54);
  le32(40), le32(2), le32(2), le16(1), le16(24), le32(0), le32(16), le32(0), le32(0), le32(0),
      le32(0);
  // Bottom row: blue, green. Top row: red, white.
  bmp += std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00", 8);
  bmp += std::string("\x00\x00\xFF\xFF\xFF\xFF\x00\x00", 8);
  TMemoryStream stream(MakeBlob("TBitmap", bmp));
  TPicture picture;
  picture.LoadPictureBlob(stream);
  auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(bitmap->Pixel(1, 0), 0xFFFFFFu);
  EXPECT_EQ(bitmap->Pixel(0, 1), 0x0000FFu);
  EXPECT_EQ(bitmap->Pixel(1, 1), 0x00FF00u);

  bmp[0] = 'X';
  TMemoryStream bad(MakeBlob("TBitmap", bmp));
  EXPECT_THROW(picture.LoadPictureBlob(bad), EInvalidGraphic);
}

}  // namespace
}  // namespace tk
